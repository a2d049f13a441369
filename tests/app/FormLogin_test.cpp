#include "app/FormLogin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "app/Logo.h"

using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

class FormLoginTest : public ::testing::Test {
protected:
    void SetUp() override { applicazioneTest(); }

    void registro(const std::string& contenuto) { writeFile(registro_.path() / "registry.reg", contenuto); }

    TempDir registro_;
    ScopedEnv env_ { "OV_PIP_REGISTRY", (registro_.path() / "registry.reg").string() };
    DesktopDiProva desktop_;
    MessageRecorder messaggi_;
};

} // namespace

TEST_F(FormLoginTest, ShowsItsCaptionsAndLayout)
{
    TfrmLogin finestra;
    EXPECT_EQ(finestra.windowTitle(), "Orva-Zezavazoza Puglia");
    EXPECT_EQ(finestra.size(), QSize(301, 159));
    EXPECT_EQ(finestra.lblUtente->text(), "Utente");
    EXPECT_EQ(finestra.lblPw->text(), "Password");
    EXPECT_EQ(finestra.cmdOK->text(), "&OK");
    EXPECT_EQ(finestra.cmdAnulla->text(), "&Annulla");
    EXPECT_TRUE(finestra.cmdOK->isDefault());
    EXPECT_EQ(finestra.lblVer->text(), "ver. 6");
    EXPECT_EQ(finestra.txtPw->echoMode(), QLineEdit::Password);
    EXPECT_EQ(finestra.txtUtente->geometry(), QRect(117, 24, 169, 21));
    EXPECT_EQ(finestra.cmdOK->geometry(), QRect(148, 112, 64, 24));
    EXPECT_EQ(finestra.OrvaLogo->geometry(), QRect(0, 0, 102, 142));
    EXPECT_EQ(finestra.OrvaLogo->pixmap().size(), QSize(106, 142));
    const auto pannelli = finestra.StatusBar1->findChildren<QLabel*>();
    ASSERT_EQ(pannelli.size(), 1);
    EXPECT_EQ(pannelli.front()->text(), " Inserire Nome Utente e Password di Orvella");
    EXPECT_EQ(finestra.StatusBar1->geometry(), QRect(0, 140, 301, 19));
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
    EXPECT_EQ(messaggi_.messaggi(),
        (std::vector<std::string> { "ole_orvapat.start(): eccezione", "ole_orvapat.start(): eccezione" }));
    EXPECT_TRUE(finestra.isVisible());
    EXPECT_EQ(finestra.txtUtente->text(), "rossi");
    EXPECT_EQ(finestra.txtPw->text(), "sbagliata");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
