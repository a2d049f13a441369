#include "app/FormMain.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "export/UnitaFormMain.h"
#include "platform/Clock.h"

using namespace std::chrono;
using testing_support::MessageRecorder;

namespace {

class FormMainTest : public ::testing::Test {
protected:
    void SetUp() override { applicazioneTest(); }
    void TearDown() override { platform::setClock({}); }

    static void fissaOrologio(local_days giorno, seconds ora = seconds { 0 })
    {
        platform::setClock([=] { return platform::LocalTime { giorno + ora }; });
    }

    DesktopDiProva desktop_;
    MessageRecorder messaggi_;
};

} // namespace

TEST_F(FormMainTest, CreationLaysOutTheFoldersOnTheDesktop)
{
    TfrmMain finestra;
    const UnitaFormMain& unita = unitaFormMain();
    const std::string output = desktop_.output().string() + "/";
    EXPECT_EQ(unita.sDirOutput, output);
    EXPECT_EQ(unita.sDirStorico, output + "storico/");
    EXPECT_EQ(unita.sFileLog, output + "karv_log.txt");
    EXPECT_TRUE(std::filesystem::is_directory(desktop_.output() / "storico"));
    EXPECT_NE(unita.oXmlDoc, nullptr);
    EXPECT_TRUE(messaggi_.messaggi().empty());
}

TEST_F(FormMainTest, ProposesTheWholePreviousMonth)
{
    struct Caso {
        local_days oggi;
        QDate dalla;
        QDate alla;
    };
    const Caso casi[] = {
        { local_days { 2027y / January / 15d }, QDate(2026, 12, 1), QDate(2026, 12, 31) },
        { local_days { 2027y / January / 1d }, QDate(2026, 12, 1), QDate(2026, 12, 31) },
        { local_days { 2028y / March / 31d }, QDate(2028, 2, 1), QDate(2028, 2, 29) },
        { local_days { 2027y / March / 1d }, QDate(2027, 2, 1), QDate(2027, 2, 28) },
        { local_days { 2026y / December / 7d }, QDate(2026, 11, 1), QDate(2026, 11, 30) },
    };
    for (const Caso& caso : casi) {
        fissaOrologio(caso.oggi, hours { 23 } + minutes { 59 });
        TfrmMain finestra;
        EXPECT_EQ(finestra.dtDallaData->date(), caso.dalla) << caso.dalla.toString().toStdString();
        EXPECT_EQ(finestra.dtAllaData->date(), caso.alla) << caso.alla.toString().toStdString();
    }
}

TEST_F(FormMainTest, ShowsItsCaptionsAndLayout)
{
    TfrmMain finestra;
    EXPECT_EQ(finestra.windowTitle(), "Orva-Zezavazoza Tracciato Puglia");
    EXPECT_EQ(finestra.size(), QSize(630, 148));
    EXPECT_EQ(finestra.cmdCreaTracciato->text(), "Crea Tracciato");
    EXPECT_TRUE(finestra.cmdCreaTracciato->isDefault());
    EXPECT_EQ(finestra.cmdExit->text(), "Uscita");
    EXPECT_EQ(finestra.Label1->text(), "Dalla data:");
    EXPECT_EQ(finestra.Label2->text(), "Alla data:");
    EXPECT_TRUE(finestra.chkVacc->isChecked());
    EXPECT_EQ(finestra.chkVacc->accessibleName(), "Zezavazoza vaccinazioni (PIPP) in tracciato separato");
    EXPECT_EQ(finestra.lblLog->text(), "---");
    EXPECT_EQ(finestra.lblVer->text(), "ver. 6");
    EXPECT_EQ(finestra.Memo1->geometry(), QRect(280, 4, 345, 132));
    EXPECT_FALSE(finestra.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(finestra.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(FormMainTest, GridHoldsTheCodeTableAndIsNeverVisible)
{
    TfrmMain finestra;
    EXPECT_EQ(finestra.Griglia->rowCount(), 107);
    EXPECT_EQ(finestra.Griglia->columnCount(), 6);
    EXPECT_EQ(finestra.Griglia->item(106, 4)->text(), "0000315");
    EXPECT_EQ(finestra.Griglia->item(11, 2)->text(), " ");
    EXPECT_EQ(finestra.Griglia->item(1, 3)->text(), QString::fromUtf8("MEDICAZIONE: 1\xC2\xB0 MEDIC."));
    finestra.show();
    EXPECT_FALSE(finestra.Griglia->isVisible());
    finestra.showMinimized();
    finestra.showNormal();
    EXPECT_FALSE(finestra.Griglia->isVisible());
    EXPECT_GE(finestra.Griglia->geometry().top(), finestra.height());
}

TEST_F(FormMainTest, UnknownDesktopIsReportedAndTheRootFolderUsed)
{
    testing_support::ScopedEnv senzaHome("HOME", "");
    const bool esistevaGia = std::filesystem::exists("/KARV (ADI-PPiP)");
    {
        TfrmMain finestra;
        EXPECT_EQ(messaggi_.messaggi(), std::vector<std::string> { "ERRORE: Impossibile recuperare Desktop Path" });
        EXPECT_EQ(unitaFormMain().sDirOutput, "/KARV (ADI-PPiP)/");
    }
    if (!esistevaGia) {
        std::error_code ignorato;
        std::filesystem::remove_all("/KARV (ADI-PPiP)", ignorato);
    }
}

TEST_F(FormMainTest, EscapeDoesNotCloseTheWindowButExitDoes)
{
    TfrmMain finestra;
    bool chiusa = false;
    appenaPossibile([&] {
        QTest::keyClick(&finestra, Qt::Key_Escape);
        EXPECT_TRUE(finestra.isVisible());
        finestra.cmdExit->click();
        chiusa = true;
    });
    finestra.exec();
    EXPECT_TRUE(chiusa);
    EXPECT_FALSE(finestra.isVisible());
}
