#include "app/FormLogin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "app/Logo.h"
#include "app/ScalaForm.h"

using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// The boxes' first lines: what follows says why, which is the platform's own (no class on Linux,
// the stand-in's practice missing under Wine).
std::vector<std::string> primeRighe(const std::vector<std::string>& messaggi)
{
    std::vector<std::string> righe;
    for (const std::string& messaggio : messaggi)
        righe.push_back(messaggio.substr(0, messaggio.find("\r\n")));
    return righe;
}

class FormLoginTest : public ::testing::Test {
protected:
    void SetUp() override { applicazioneTest(); }

    void registro(const std::string& contenuto) { registro_.write(contenuto); }

    testing_support::ScopedRegistry registro_; // the settings store of the platform, empty to start with
    DesktopDiProva desktop_;
    MessageRecorder messaggi_;
};

} // namespace

TEST_F(FormLoginTest, ShowsItsCaptionsAndLayout)
{
    TfrmLogin finestra;
    EXPECT_EQ(finestra.windowTitle(), "Orva-Zezavazoza Puglia");
    EXPECT_EQ(finestra.lblUtente->text(), "Utente");
    EXPECT_EQ(finestra.lblPw->text(), "Password");
    EXPECT_EQ(finestra.cmdOK->text(), "&OK");
    EXPECT_EQ(finestra.cmdAnulla->text(), "&Annulla");
    EXPECT_TRUE(finestra.cmdOK->isDefault());
    EXPECT_EQ(finestra.lblVer->text(), "ver. 6");
    EXPECT_EQ(finestra.txtPw->echoMode(), QLineEdit::Password);
    const auto pannelli = finestra.StatusBar1->findChildren<QLabel*>();
    ASSERT_EQ(pannelli.size(), 1);
    EXPECT_EQ(pannelli.front()->text(), " Inserire Nome Utente e Password di Orvella");
    EXPECT_FALSE(finestra.windowIcon().isNull());
}

TEST_F(FormLoginTest, LayoutIsTheDesignScaledByTheFont)
{
    TfrmLogin finestra;
    // A font no larger than the design's keeps the design's own pixels.
    QFont piccolo = finestra.font();
    piccolo.setPixelSize(7);
    finestra.setFont(piccolo);
    EXPECT_EQ(finestra.size(), QSize(301, 159));
    EXPECT_EQ(finestra.txtUtente->geometry(), QRect(117, 24, 169, 21));
    EXPECT_EQ(finestra.cmdOK->geometry(), QRect(148, 112, 64, 24));
    EXPECT_EQ(finestra.OrvaLogo->geometry(), QRect(0, 0, 102, 142));
    EXPECT_EQ(finestra.OrvaLogo->pixmap().deviceIndependentSize().toSize(), QSize(106, 142));
    EXPECT_EQ(finestra.StatusBar1->geometry(), QRect(0, 140, 301, 19));

    // A larger font: every edge grows by the same factor, the logo is drawn larger.
    QFont grande = finestra.font();
    grande.setPixelSize(18);
    finestra.setFont(grande);
    const double fattore = fattoreScala(grande);
    ASSERT_GT(fattore, 1.2);
    EXPECT_EQ(finestra.size(), QSize(qRound(301 * fattore), qRound(159 * fattore)));
    EXPECT_EQ(finestra.txtUtente->geometry(), scalaRettangolo(QRect(117, 24, 169, 21), fattore));
    EXPECT_EQ(finestra.cmdAnulla->geometry(), scalaRettangolo(QRect(221, 112, 64, 24), fattore));
    EXPECT_EQ(finestra.OrvaLogo->pixmap().deviceIndependentSize().toSize(),
        QSize(qRound(106 * fattore), qRound(142 * fattore)));
    EXPECT_EQ(finestra.StatusBar1->geometry().bottom(), finestra.height() - 1);
}

TEST_F(FormLoginTest, PrefillsTheLastUserFromTheSettingsStore)
{
    registro("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n"
             "\"ultimo_utente\"=\"Nicol\xC3\xB2\"\n");
    TfrmLogin finestra;
    EXPECT_EQ(finestra.txtUtente->text(), QString::fromUtf8("Nicol\xC3\xB2"));
    EXPECT_EQ(finestra.txtPw->text(), "");
}

TEST_F(FormLoginTest, MissingValueOrKeyLeavesTheUserEmpty)
{
    {
        TfrmLogin senzaFile;
        EXPECT_EQ(senzaFile.txtUtente->text(), "");
    }
    registro("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\n\"ultimo_utente\"=\"x\"\n");
    TfrmLogin senzaChiave;
    EXPECT_EQ(senzaChiave.txtUtente->text(), "");
    EXPECT_TRUE(messaggi_.messaggi().empty());
}

TEST_F(FormLoginTest, NonTextLastUserIsShownAndTheWindowStillBuilt)
{
    registro("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n"
             "\"ultimo_utente\"=dword:00000001\n");
    TfrmLogin finestra;
    EXPECT_EQ(messaggi_.messaggi(), std::vector<std::string> { "Invalid data type for 'ultimo_utente'" });
    EXPECT_EQ(finestra.txtUtente->text(), "");
}

TEST_F(FormLoginTest, LogoDoubleClickTogglesTranslucency)
{
    TfrmLogin finestra;
    finestra.show();
    EXPECT_FALSE(finestra.traslucente());
    QTest::mouseDClick(finestra.OrvaLogo, Qt::LeftButton);
    EXPECT_TRUE(finestra.traslucente());
    EXPECT_NEAR(finestra.windowOpacity(), 200.0 / 255.0, 0.01);
    QTest::mouseDClick(finestra.OrvaLogo, Qt::LeftButton);
    EXPECT_FALSE(finestra.traslucente());
    EXPECT_DOUBLE_EQ(finestra.windowOpacity(), 1.0);
}

TEST_F(FormLoginTest, CancelClosesWithoutCreatingAnyFolder)
{
    TfrmLogin finestra;
    finestra.show();
    finestra.cmdAnulla->click();
    EXPECT_FALSE(finestra.isVisible());
    EXPECT_FALSE(std::filesystem::exists(desktop_.output()));
    EXPECT_TRUE(messaggi_.messaggi().empty());
}

TEST_F(FormLoginTest, FailedSignInTwiceBuildsTheMainWindowTwiceAndStays)
{
    // No host server is registered here: each attempt fails at the connection.
    TfrmLogin finestra;
    finestra.show();
    finestra.txtUtente->setText("rossi");
    finestra.txtPw->setText("sbagliata");
    finestra.cmdOK->click();
    EXPECT_TRUE(std::filesystem::is_directory(desktop_.output() / "storico"));
    std::filesystem::remove_all(desktop_.output());
    finestra.cmdOK->click();
    EXPECT_TRUE(std::filesystem::is_directory(desktop_.output() / "storico"));
    EXPECT_EQ(primeRighe(messaggi_.messaggi()),
        (std::vector<std::string> { "ole_orvapat.start(): eccezione", "ole_orvapat.start(): eccezione" }));
    EXPECT_TRUE(finestra.isVisible());
    EXPECT_EQ(finestra.txtUtente->text(), "rossi");
    EXPECT_EQ(finestra.txtPw->text(), "sbagliata");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

namespace {

// The sign-in window shown and active, with credentials that no host accepts here.
class TastieraLoginTest : public FormLoginTest {
protected:
    void SetUp() override
    {
        FormLoginTest::SetUp();
        finestra_.txtUtente->setText("rossi");
        finestra_.txtPw->setText("sbagliata");
        finestra_.show();
        finestra_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&finestra_));
    }

    TfrmLogin finestra_;
};

} // namespace

TEST_F(TastieraLoginTest, EnterOnFocusedCancelCancels)
{
    finestra_.cmdAnulla->setFocus();
    QTest::keyClick(finestra_.cmdAnulla, Qt::Key_Return);
    EXPECT_FALSE(finestra_.isVisible());
    EXPECT_TRUE(messaggi_.messaggi().empty()) << messaggi_.messaggi().front();
    EXPECT_FALSE(std::filesystem::exists(desktop_.output()));
}

TEST_F(TastieraLoginTest, EnterInAFieldOrOnOkSignsIn)
{
    for (QWidget* controllo :
        std::initializer_list<QWidget*> { finestra_.txtUtente, finestra_.txtPw, finestra_.cmdOK }) {
        messaggi_.clear();
        controllo->setFocus();
        QTest::keyClick(controllo, Qt::Key_Return);
        EXPECT_EQ(primeRighe(messaggi_.messaggi()), std::vector<std::string> { "ole_orvapat.start(): eccezione" });
        EXPECT_TRUE(finestra_.isVisible());
    }
}

TEST_F(TastieraLoginTest, RefusedSignInSelectsThePasswordForRetyping)
{
    finestra_.txtUtente->setFocus();
    finestra_.cmdOK->click();
    ASSERT_EQ(messaggi_.messaggi().size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), finestra_.txtPw);
    EXPECT_EQ(finestra_.txtPw->selectedText(), "sbagliata");
    EXPECT_EQ(finestra_.txtUtente->text(), "rossi");
}

TEST_F(TastieraLoginTest, TheWindowIsCentredOnTheScreen)
{
    const QRect libero = finestra_.screen()->availableGeometry();
    const QPoint centro = finestra_.frameGeometry().center();
    EXPECT_LE((centro - libero.center()).manhattanLength(), 2) << centro.x() << "," << centro.y();
}
