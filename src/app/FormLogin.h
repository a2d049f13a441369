#pragma once

#include <QWidget>
#include <string>

#include "app/ScalaForm.h"

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

protected:
    void keyPressEvent(QKeyEvent* evento) override;
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
};

// The one sign-in window, which session opening hides once the doctor is signed in.
extern TfrmLogin* frmLogin;
