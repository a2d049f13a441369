#pragma once

#include <QWidget>

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
    bool bCentrata_ = false;
};

// The one sign-in window, which session opening hides once the doctor is signed in.
extern TfrmLogin* frmLogin;
