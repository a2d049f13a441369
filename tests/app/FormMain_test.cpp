#include "app/FormMain.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "app/ScalaForm.h"
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
    const std::string output = desktop_.output().string() + platform::separatore;
    EXPECT_EQ(unita.sDirOutput, output);
    EXPECT_EQ(unita.sDirStorico, output + "storico" + platform::separatore);
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
    EXPECT_EQ(finestra.cmdCreaTracciato->text(), "Crea Tracciato");
    EXPECT_TRUE(finestra.cmdCreaTracciato->isDefault());
    EXPECT_EQ(finestra.cmdExit->text(), "Uscita");
    EXPECT_EQ(finestra.Label1->text(), "Dalla data:");
    EXPECT_EQ(finestra.Label2->text(), "Alla data:");
    EXPECT_TRUE(finestra.chkVacc->isChecked());
    EXPECT_EQ(finestra.chkVacc->accessibleName(), "Zezavazoza vaccinazioni (PIPP) in tracciato separato");
    EXPECT_EQ(finestra.lblLog->text(), "---");
    EXPECT_EQ(finestra.lblVer->text(), "ver. 6");
    EXPECT_TRUE(finestra.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(finestra.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(finestra.windowIcon().isNull());
}

TEST_F(FormMainTest, LayoutIsTheDesignScaledByTheFont)
{
    TfrmMain finestra;
    QFont piccolo = finestra.font();
    piccolo.setPixelSize(7);
    finestra.setFont(piccolo);
    EXPECT_EQ(finestra.size(), QSize(630, 148));
    EXPECT_EQ(finestra.Memo1->geometry(), QRect(280, 4, 345, 132));
    EXPECT_EQ(finestra.dtDallaData->geometry(), QRect(168, 39, 104, 21));
    EXPECT_EQ(finestra.Label1->pos(), QPoint(110, 42));

    QFont grande = finestra.font();
    grande.setPixelSize(18);
    finestra.setFont(grande);
    const double fattore = fattoreScala(grande);
    ASSERT_GT(fattore, 1.2);
    EXPECT_EQ(finestra.size(), QSize(qRound(630 * fattore), qRound(148 * fattore)));
    EXPECT_EQ(finestra.dtAllaData->geometry(), scalaRettangolo(QRect(167, 65, 105, 21), fattore));
    EXPECT_EQ(finestra.cmdExit->geometry(), scalaRettangolo(QRect(228, 119, 42, 26), fattore));
    EXPECT_GE(finestra.Griglia->geometry().top(), finestra.height());
}

// The summary outgrew the design's pane: the room of an enlarged window goes to it, the controls
// on the left stay where they are, and the window never gets smaller than the design.
TEST_F(FormMainTest, EnlargedWindowGivesItsRoomToTheSummary)
{
    TfrmMain finestra;
    QFont piccolo = finestra.font();
    piccolo.setPixelSize(7);
    finestra.setFont(piccolo);
    finestra.show();
    finestra.resize(930, 448);
    QApplication::processEvents();
    ASSERT_EQ(finestra.size(), QSize(930, 448));
    EXPECT_EQ(finestra.Memo1->geometry(), QRect(280, 4, 645, 432));
    EXPECT_EQ(finestra.Bevel1->geometry(), QRect(280, 4, 645, 431));
    EXPECT_EQ(finestra.cmdCreaTracciato->geometry(), QRect(109, 3, 160, 28));
    EXPECT_EQ(finestra.cmdExit->geometry(), QRect(228, 119, 42, 26));
    // A font that changes meanwhile keeps the size the user gave.
    piccolo.setPixelSize(8);
    finestra.setFont(piccolo);
    EXPECT_EQ(finestra.size(), QSize(930, 448));
    EXPECT_EQ(finestra.minimumSize(), QSize(630, 148));
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
#ifdef _WIN32
    GTEST_SKIP() << "Windows always names a Desktop through the shell";
#endif
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

namespace {

// The export window shown and active, as the user meets it.
class TastieraTest : public FormMainTest {
protected:
    void SetUp() override
    {
        FormMainTest::SetUp();
        fissaOrologio(local_days { 2025y / March / 10d });
        finestra_.show();
        finestra_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&finestra_));
    }

    // Focus on a date picker with its day in hand, as after tabbing into it.
    void nelGiorno(TSelettoreData* selettore, QDate data)
    {
        selettore->setDate(data);
        selettore->setFocus(Qt::TabFocusReason);
        selettore->setCurrentSection(QDateTimeEdit::DaySection);
    }

    TfrmMain finestra_;
};

} // namespace

TEST_F(TastieraTest, EnterOnAFocusedButtonPressesThatButtonElsewhereTheDefault)
{
    finestra_.dtAllaData->setFocus();
    QTest::keyClick(finestra_.dtAllaData, Qt::Key_Return);
    // "Crea Tracciato" ran: without a session it stops at its first check.
    EXPECT_FALSE(messaggi_.messaggi().empty());
    EXPECT_TRUE(finestra_.isVisible());

    messaggi_.clear();
    finestra_.cmdExit->setFocus();
    QTest::keyClick(finestra_.cmdExit, Qt::Key_Return);
    EXPECT_TRUE(messaggi_.messaggi().empty()) << messaggi_.messaggi().front();
    EXPECT_FALSE(finestra_.isVisible());
}

// Faults: another folder opened; enabled over a missing folder or not checked again after a run;
// Alt+A, Tab from Crea Tracciato or Enter on it not reaching it; a failed opening unreported.
TEST_F(TastieraTest, ApriCartellaOpensTheOutputFolderWhileItExists)
{
    std::vector<std::string> aperte;
    const auto precedente = platform::setApriCartellaHandler([&](const std::string& percorso) {
        aperte.push_back(percorso);
        return aperte.size() == 1; // the second opening fails
    });
    const std::string cartella = desktop_.output().string();
    EXPECT_TRUE(finestra_.cmdApriCartella->isEnabled());
    // A file in the folder's place: the run cannot make the folder.
    std::filesystem::remove_all(desktop_.output());
    testing_support::writeFile(desktop_.output(), "");
    finestra_.cmdCreaTracciato->click();
    EXPECT_FALSE(finestra_.cmdApriCartella->isEnabled());
    std::filesystem::remove(desktop_.output());
    finestra_.cmdCreaTracciato->click();
    EXPECT_TRUE(finestra_.cmdApriCartella->isEnabled());
    // Alt+A presses it as a click seen on screen: down at once, released by a timer.
    QTest::keyClick(&finestra_, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(finestra_.cmdApriCartella->isDown());
    finestra_.cmdCreaTracciato->setFocus();
    QTest::keyClick(finestra_.cmdCreaTracciato, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), finestra_.cmdApriCartella);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(aperte, std::vector<std::string> { cartella });
    finestra_.cmdApriCartella->click();
    EXPECT_EQ(messaggi_.messaggi().back(), "Impossibile aprire la cartella " + cartella + ".");
    platform::setApriCartellaHandler(precedente);
}

TEST_F(TastieraTest, TabAndShiftTabLeaveTheDatePickerFromAnyPart)
{
    for (const auto parte : { QDateTimeEdit::DaySection, QDateTimeEdit::MonthSection, QDateTimeEdit::YearSection }) {
        SCOPED_TRACE(parte);
        finestra_.dtDallaData->setFocus(Qt::TabFocusReason);
        finestra_.dtDallaData->setCurrentSection(parte);
        QTest::keyClick(finestra_.dtDallaData, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), finestra_.dtAllaData);

        finestra_.dtAllaData->setCurrentSection(parte);
        QTest::keyClick(finestra_.dtAllaData, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), finestra_.dtDallaData);
    }
}

TEST_F(TastieraTest, ADateTypedInFullGivesExactlyThatDate)
{
    struct Caso {
        QDate prima;
        const char* digitato;
        QDate dopo;
    };
    const Caso casi[] = {
        { QDate(2025, 2, 1), "07/12/2025", QDate(2025, 12, 7) },
        { QDate(2025, 12, 31), "07/12/2025", QDate(2025, 12, 7) },
        // The day is kept while the month in hand is too short for it.
        { QDate(2025, 2, 1), "31/12/2024", QDate(2024, 12, 31) },
        { QDate(2025, 2, 1), "29022028", QDate(2028, 2, 29) },
        { QDate(2025, 2, 1), "1/3/2025", QDate(2025, 3, 1) },
        { QDate(2025, 2, 1), "7.11.2026", QDate(2026, 11, 7) },
        { QDate(2025, 2, 1), "5/6/24", QDate(2024, 6, 5) },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(caso.digitato);
        nelGiorno(finestra_.dtDallaData, caso.prima);
        QTest::keyClicks(finestra_.dtDallaData, caso.digitato);
        QTest::keyClick(finestra_.dtDallaData, Qt::Key_Tab);
        EXPECT_EQ(finestra_.dtDallaData->date(), caso.dopo) << finestra_.dtDallaData->text().toStdString();
    }
}

TEST_F(TastieraTest, ArrowKeysMoveBetweenThePartsAndChangeTheOneInHand)
{
    nelGiorno(finestra_.dtDallaData, QDate(2025, 2, 1));
    QTest::keyClick(finestra_.dtDallaData, Qt::Key_Right);
    EXPECT_EQ(finestra_.dtDallaData->currentSection(), QDateTimeEdit::MonthSection);
    QTest::keyClick(finestra_.dtDallaData, Qt::Key_Up);
    EXPECT_EQ(finestra_.dtDallaData->date(), QDate(2025, 3, 1));
    QTest::keyClick(finestra_.dtDallaData, Qt::Key_Right);
    QTest::keyClick(finestra_.dtDallaData, Qt::Key_Right);
    EXPECT_EQ(finestra_.dtDallaData->currentSection(), QDateTimeEdit::YearSection);
    QTest::keyClick(finestra_.dtDallaData, Qt::Key_Left);
    EXPECT_EQ(finestra_.dtDallaData->currentSection(), QDateTimeEdit::MonthSection);
    EXPECT_EQ(QApplication::focusWidget(), finestra_.dtDallaData);
}

TEST_F(TastieraTest, AltDownOpensTheCalendar)
{
    nelGiorno(finestra_.dtAllaData, QDate(2025, 2, 28));
    ASSERT_FALSE(finestra_.dtAllaData->calendarWidget()->isVisible());
    QTest::keyClick(finestra_.dtAllaData, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(finestra_.dtAllaData->calendarWidget()->isVisible());
    EXPECT_EQ(finestra_.dtAllaData->calendarWidget()->selectedDate(), QDate(2025, 2, 28));
    finestra_.dtAllaData->calendarWidget()->window()->close();
}

TEST_F(TastieraTest, ClickingTheVaccinationCaptionTogglesTheBox)
{
    const auto* didascalia = finestra_.chkVacc->findChild<QLabel*>();
    ASSERT_NE(didascalia, nullptr);
    const QPoint punto = didascalia->mapTo(&finestra_, didascalia->rect().center());
    ASSERT_TRUE(finestra_.chkVacc->isChecked());
    QTest::mouseClick(finestra_.windowHandle(), Qt::LeftButton, {}, punto);
    EXPECT_FALSE(finestra_.chkVacc->isChecked());
    QTest::mouseClick(finestra_.windowHandle(), Qt::LeftButton, {}, punto);
    EXPECT_TRUE(finestra_.chkVacc->isChecked());
}

TEST_F(TastieraTest, TheWindowIsCentredOnTheScreen)
{
    const QRect libero = finestra_.screen()->availableGeometry();
    const QPoint centro = finestra_.frameGeometry().center();
    EXPECT_LE((centro - libero.center()).manhattanLength(), 2) << centro.x() << "," << centro.y();
}
