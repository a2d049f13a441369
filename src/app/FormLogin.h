#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/ScalaForm.h"

class QEventLoop;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class TOrvaLogo;

// The sign-in window: the program's main window in the windowing sense; closing it ends the
// program. Each OK press builds a fresh export window and hands it the typed credentials.
class TfrmLogin : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget* parent = nullptr);
    ~TfrmLogin() override;

    TOrvaLogo* OrvaLogo;
    QLabel* lblUtente;
    QLineEdit* txtUtente;
    QLabel* lblPw;
    QLineEdit* txtPw;
    QPushButton* cmdOK;
    QPushButton* cmdAnulla;
    QLabel* lblVer;
    QStatusBar* StatusBar1 = nullptr;

    // Whether the translucency switch is on (opacity 200 of 255).
    bool traslucente() const { return bTraslucenza_; }

    void cmdOKClick();
    // Shows in the status bar that a busy host is waited for, and lets pending events run; the
    // empty text puts back the bar's own text.
    void mostraAttesaOrvella(const std::string& testo);
    void cmdAnullaClick();
    void OrvaLogoDblClick();

    // Shown again over the export window once the host has gone: the user kept, the password
    // empty, the status bar saying why. Each OK calls accedi with the credentials until it
    // succeeds (true); Annulla or closing the window gives false. Hidden again on return.
    using Accesso = std::function<bool(const std::string& utente, const std::string& password)>;
    bool riaccedi(const std::string& motivo, Accesso accedi);

    // Annulla was pressed, or the window closed, while the sign-in under way waited for a busy
    // host: whatever that sign-in gives, it opens no window and starts no run.
    bool accessoAnnullato() const { return bAnnullato_; }

protected:
    void keyPressEvent(QKeyEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;
    void changeEvent(QEvent* evento) override;
    void showEvent(QShowEvent* evento) override;

private:
    void FormCreate();
    void disponi();

    TScalaForm scala_ { *this, QSize(301, 159) };

    bool bTraslucenza_ = false;
    // A sign-in under way lets events run while it waits for a busy host: a second OK waits too.
    bool bAccessoInCorso_ = false;
    bool bCentrata_ = false;
    QLabel* lblStato_ = nullptr;
    // While riaccedi() waits: its loop, the sign-in it makes, and whether one succeeded.
    QEventLoop* cicloRiaccesso_ = nullptr;
    Accesso riaccesso_;
    bool bRiaccesso_ = false;
    bool bRiaccessoInCorso_ = false;
    bool bAnnullato_ = false;
};

// The one sign-in window, which session opening hides once the doctor is signed in.
extern TfrmLogin* frmLogin;
