// Signs in through the sign-in window to a practice written by hand, runs "Crea Tracciato" in
// the export window and compares every file it writes with bytes written out here.

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "QtTestApp.h"
#include "app/FormLogin.h"
#include "app/FormMain.h"
#include "export/Progresso.h"
#include "export/UnitaFormMain.h"
#include "hostserver/OrvellaServer.h"
#include "hostserver/SchemaPratica.h"
#include "hostserver/Sqlite.h"
#include "platform/Clock.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "riepilogo/RiepilogoPdf.h"
#include "storico/RegistroEsportazioni.h"

using namespace std::chrono;
using testing_support::MessageRecorder;
using testing_support::readFile;
using testing_support::ScopedEnv;
using testing_support::TempDir;

namespace {

// Three patients of one MMG doctor; "P'3" carries an apostrophe in its id, and patients 1 and 11
// have identical services on the same day, which must not be merged across them.
constexpr const char* kPratica = R"sql(
INSERT INTO utenti VALUES ('mario', 'segreta', 'U1', 'T', '123', 'MMG');
INSERT INTO pazienti VALUES ('1', 'U1', 'S', 'Rossi', 'Anna', 'abcdef12g34h567i');
INSERT INTO pazienti VALUES ('11', 'U1', 'S', 'Bianchi', 'Luca', 'BNCLCU80A01F205X');
INSERT INTO pazienti VALUES ('P''3', 'U1', 'S', 'D''Amico', 'Rosa', 'DMCRSO70B41A662Z');
INSERT INTO prestazioni_incentivanti VALUES (1, '1', '0000023', 'VISITA ADP', '2026-11-05');
INSERT INTO prestazioni_incentivanti VALUES (2, '1', '0000001', 'MEDICAZIONE', '2026-11-10');
INSERT INTO prestazioni_incentivanti VALUES (3, '1', '0000001', 'MEDICAZIONE', '2026-11-10');
INSERT INTO prestazioni_incentivanti VALUES (4, '1', '0000019', 'VACCINAZIONE INFLUENZA', '2026-11-12');
INSERT INTO prestazioni_incentivanti VALUES (5, '1', '9999999', 'Ignota & co', '2026-11-13');
INSERT INTO prestazioni_incentivanti VALUES (6, '1', '0000139', 'SUTURA PLS', '2026-11-14');
INSERT INTO prestazioni_incentivanti VALUES (7, '1', '0000011', 'VACCINAZIONE TETANO', '2026-11-15');
INSERT INTO prestazioni_incentivanti VALUES (8, '1', '0000023', 'VISITA ADP', '2026-10-31');
INSERT INTO prestazioni_incentivanti VALUES (9, '1', '0000023', 'VISITA ADP', '2026-12-01');
INSERT INTO prestazioni_incentivanti VALUES (10, '11', '0000001', 'MEDICAZIONE', '2026-11-10');
INSERT INTO prestazioni_incentivanti VALUES (11, 'P''3', '0000024', 'VISITA ADI', '2026-11-30');
INSERT INTO prestazioni_incentivanti VALUES (12, 'P''3', 'ABC', 'Prestazione città', '2026-11-20');
)sql";

class TracciatoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        applicazioneTest();
        hostserver::creaPraticaVuota(pratica_ / "ambulatorio.sqlite");
        hostserver::DatabaseSqlite db((pratica_ / "ambulatorio.sqlite").string(), SQLITE_OPEN_READWRITE);
        db.esegui(kPratica);
        registraServerOrvella();
        platform::setClock([] { return platform::LocalTime { local_days { 2026y / December / 7d } + hours { 9 } }; });
    }

    void TearDown() override { platform::setClock({}); }

    // Signs in as a doctor does, typing the password and Enter as the window opens with the user
    // it remembers, and runs the action inside the export window's modal display, then closes it.
    bool accediEd(const std::function<void(TfrmMain&)>& azione)
    {
        registro_.write("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n"
                        "\"ultimo_utente\"=\"mario\"\n");
        TfrmLogin login;
        login.show();
        login.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&login));
        bool eseguita = false;
        // Until the export window shows: a sign-in that lets events run (a busy host waited for, a
        // loaded machine under Wine) may turn the loop before it does.
        QTimer attesa;
        attesa.setInterval(10);
        QObject::connect(&attesa, &QTimer::timeout, [&] {
            for (QWidget* finestra : QApplication::topLevelWidgets()) {
                if (auto* principale = qobject_cast<TfrmMain*>(finestra); principale && principale->isVisible()) {
                    attesa.stop();
                    azione(*principale);
                    eseguita = true;
                    principale->cmdExit->click();
                }
            }
        });
        attesa.start();
        // The field the window gave the focus to, even where the platform activates it late: under
        // a loaded Wine the activation may move it after the window shows.
        (void)QTest::qWaitFor([&login] { return login.focusWidget() == login.txtPw; }, 5000);
        QTest::keyClicks(login.focusWidget(), "segreta");
        QTest::keyClick(login.focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(eseguita) << "the export window was never shown";
        return !login.isVisible();
    }

    std::string file(const std::string& nome) const { return readFile(desktop_.output() / nome); }

    TempDir pratica_;
    ScopedEnv db_ { "ORVELLA_SERVER_DB", (pratica_ / "ambulatorio.sqlite").string() };
    testing_support::ScopedRegistry registro_;
    DesktopDiProva desktop_;
    MessageRecorder messaggi_;
};

} // namespace

TEST_F(TracciatoTest, SignInAndExportWriteEveryFileByteForByte)
{
    std::string memo;
    const bool terminato = accediEd([&](TfrmMain& finestra) {
        EXPECT_EQ(finestra.dtDallaData->date(), QDate(2026, 11, 1));
        EXPECT_EQ(finestra.dtAllaData->date(), QDate(2026, 11, 30));
        finestra.cmdCreaTracciato->click();
        memo = finestra.Memo1->toPlainText().toStdString();
        EXPECT_TRUE(finestra.Memo1->isVisible());
    });
    EXPECT_TRUE(terminato);
    EXPECT_EQ(messaggi_.messaggi(), std::vector<std::string> { "Procedura terminata." });

    EXPECT_EQ(file("ACCESSI.DAT"),
        "DMCRSO70B41A662Z00012330/11/202600012\r\n"
        "ABCDEF12G34H567I00012305/11/202600011\r\n");
    EXPECT_EQ(file("PPIP.DAT"),
        "BNCLCU80A01F205X00012300810/11/202600001\r\n"
        "ABCDEF12G34H567I00012300810/11/202600002\r\n");
    EXPECT_EQ(file("VACCINI.DAT"), "ABCDEF12G34H567I00012301612/11/202600001\r\n");
    EXPECT_EQ(file("trx_sconosciuti.txt"),
        "*SCONOSCIUTO: Nome Prestazione*: Prestazione citt\xE0 *Data*:2026-11-20 *Codice Orvella*: ABC"
        "*SCONOSCIUTO: Nome Prestazione*: Ignota & co *Data*:2026-11-13 *Codice Orvella*: 9999999"
        "SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA PLS *Data*:2026-11-14 *Codice Orvella*: 0000139");
    EXPECT_FALSE(std::filesystem::exists(desktop_.output() / "BILSALU.DAT"));
    EXPECT_FALSE(std::filesystem::exists(desktop_.output() / "karv_log.txt"));
    EXPECT_FALSE(std::filesystem::exists(platform::percorsoNativo(platform::cartellaProgramma() + "zzz_xml.tmp")));

    const std::string output = desktop_.output().string() + platform::separatore;
    EXPECT_EQ(memo,
        "Operazione completata.       Tipo (MMG)\n"
        "\n"
        "Visite: creato file "
            + output
            + "ACCESSI.DAT\n"
              "\n"
              "Prestazioni: creato file "
            + output
            + "PPIP.DAT\n"
              "Vaccini: creato file "
            + output
            + "VACCINI.DAT\n"
              "\n"
              "[Sono state scartate 3 ppip] Dettagli in:\n"
            + output
            + "trx_sconosciuti.txt"
            // The lines of the files above, and the services their count fields add up to.
            + "\n\nContenuto dei file:\nACCESSI.DAT: 2 righe, 2 prestazioni\nPPIP.DAT: 2 righe, 3 prestazioni\n"
              "VACCINI.DAT: 1 riga, 1 prestazione");
}

// Orvella busy for five seconds as the doctor signs in, and again as the extract is asked for:
// each window says that it waits, and the run writes what an undisturbed one writes, with no box.
TEST_F(TracciatoTest, BusyHostIsWaitedForAtSignInAndDuringTheRunAndChangesNothing)
{
    ASSERT_TRUE(accediEd([](TfrmMain& finestra) { finestra.cmdCreaTracciato->click(); }));
    std::map<std::string, std::string> indisturbati;
    for (const char* nome : { "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "trx_sconosciuti.txt" })
        indisturbati[nome] = file(nome);
    messaggi_.clear();
    hostserver::DatabaseSqlite((pratica_ / "ambulatorio.sqlite").string(), SQLITE_OPEN_READWRITE)
        .esegui("INSERT INTO guasti (metodo, occupato_secondi) VALUES ('connetti', 5), ('genera_xml', 5);");
    // The server's five seconds pass on the test's clock, a little at every reading.
    testing_support::ManualSteadyClock orologio(milliseconds(100));
    // The waits let events run before the export window shows: it is looked for on every turn,
    // and the labels too, by a timer of their own (a timer does not fire inside its own turn).
    std::set<std::string> attese;
    QTimer osserva;
    QObject::connect(&osserva, &QTimer::timeout, [&attese] {
        for (QWidget* finestra : QApplication::topLevelWidgets()) {
            if (auto* login = qobject_cast<TfrmLogin*>(finestra);
                login && !login->StatusBar1->currentMessage().isEmpty())
                attese.insert("accesso: " + login->StatusBar1->currentMessage().toStdString());
            if (auto* principale = qobject_cast<TfrmMain*>(finestra);
                principale && principale->lblLog->text().contains(QStringLiteral("occupato")))
                attese.insert("tracciato: " + principale->lblLog->text().toStdString());
        }
    });
    osserva.start(0);
    bool eseguita = false;
    QTimer esegui;
    QObject::connect(&esegui, &QTimer::timeout, [&eseguita] {
        for (QWidget* finestra : QApplication::topLevelWidgets()) {
            auto* principale = qobject_cast<TfrmMain*>(finestra);
            if (principale && principale->isVisible() && !eseguita) {
                eseguita = true;
                principale->cmdCreaTracciato->click();
                principale->cmdExit->click();
            }
        }
    });
    esegui.start(0);
    TfrmLogin login;
    login.show();
    login.txtUtente->setText("mario");
    login.txtPw->setText("segreta");

    login.cmdOK->click();

    EXPECT_TRUE(eseguita);
    // One box, the end of the run: it has only the undisturbed run's export of the month to name.
    ASSERT_EQ(messaggi_.messaggi().size(), 1u);
    EXPECT_TRUE(messaggi_.messaggi()[0].starts_with("Procedura terminata.\r\nIl periodo comprende date gi\xE0 "))
        << messaggi_.messaggi()[0];
    EXPECT_EQ(std::count(messaggi_.messaggi()[0].begin(), messaggi_.messaggi()[0].end(), '\n'), 1);
    for (const auto& [nome, contenuto] : indisturbati)
        EXPECT_EQ(file(nome), contenuto) << nome;
    const std::string attesa
        = "Orvella \u00E8 occupato: in attesa che risponda\u2026 (chiudere le finestre aperte in Orvella)";
    EXPECT_EQ(attese,
        (std::set<std::string> { "accesso: " + attesa,
            "tracciato: Orvella \u00E8 occupato: in attesa che risponda\u2026\n(chiudere le finestre aperte in "
            "Orvella)" }));
}

TEST_F(TracciatoTest, VaccinationsGoToServicesWhenTheBoxIsCleared)
{
    accediEd([](TfrmMain& finestra) {
        finestra.chkVacc->setChecked(false);
        finestra.cmdCreaTracciato->click();
    });
    EXPECT_FALSE(std::filesystem::exists(desktop_.output() / "VACCINI.DAT"));
    EXPECT_EQ(file("PPIP.DAT"),
        "BNCLCU80A01F205X00012300810/11/202600001\r\n"
        "ABCDEF12G34H567I00012300810/11/202600002\r\n"
        "ABCDEF12G34H567I00012301612/11/202600001\r\n");
}

TEST_F(TracciatoTest, SecondRunMovesTheFirstRunsFilesToHistory)
{
    accediEd([](TfrmMain& finestra) {
        finestra.cmdCreaTracciato->click();
        finestra.cmdCreaTracciato->click();
    });
    int copie = 0;
    for (const auto& voce : std::filesystem::directory_iterator(desktop_.output() / "storico")) {
        const std::string nome = voce.path().filename().string();
        if (nome == kFileRegistro)
            continue;
        EXPECT_TRUE(nome.ends_with("_ACCESSI.DAT") || nome.ends_with("_PPIP.DAT") || nome.ends_with("_VACCINI.DAT")
            || nome.ends_with("_trx_sconosciuti.txt"))
            << nome;
        ++copie;
    }
    EXPECT_EQ(copie, 4);
    // One line per run in the register, with what the files held.
    const std::vector<VoceRegistro> voci = leggiRegistro((desktop_.output() / "storico").string() + "/");
    ASSERT_EQ(voci.size(), 2u);
    EXPECT_EQ(voci[1].file[0].righe, 2); // ACCESSI.DAT
    EXPECT_EQ(file("VACCINI.DAT"), "ABCDEF12G34H567I00012301612/11/202600001\r\n");
}

// A Desktop redirected into a synced or shared folder can be long: on Windows the output folder's
// files are then reached only in the "\\?\" form, which the C runtime's path calls refuse. The
// first run's files are dated on either side of the change to summer time, so that a time read
// with today's offset misnames one of them, whenever the test runs.
TEST_F(TracciatoTest, TwoRunsOnALongDesktopMoveTheFirstIntoHistoryUnderItsOwnTimesAndWarn)
{
    const testing_support::ScopedTimeZone roma("CET-1CEST,M3.5.0,M10.5.0/3");
    if (!roma.available())
        GTEST_SKIP() << "local time follows the system's zone only";
    const DesktopDiProva lungo(230);
    ASSERT_EQ(platform::cartellaDesktop().percorso.size(), 230u);
    std::map<std::string, std::string> primi; // the first run's files
    accediEd([&](TfrmMain& finestra) {
        EXPECT_TRUE(finestra.cmdApriCartella->isEnabled());
        finestra.dtDallaData->setDate(QDate(2026, 3, 1));
        finestra.cmdCreaTracciato->click();
        for (const char* nome : { "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT" })
            primi[nome] = readFile(lungo.output() / nome);
        // 23:30 in Rome the day before the change, and noon in summer.
        testing_support::setLastWriteTime(lungo.output() / "PPIP.DAT", sys_days { 2026y / March / 28 } + 22h + 30min);
        for (const char* nome : { "ACCESSI.DAT", "VACCINI.DAT" })
            testing_support::setLastWriteTime(lungo.output() / nome, sys_days { 2026y / July / 1 } + 10h);
        finestra.cmdCreaTracciato->click();
        EXPECT_TRUE(finestra.cmdApriCartella->isEnabled());
    });

    EXPECT_EQ(messaggi_.messaggi(),
        (std::vector<std::string> { "Procedura terminata.",
            "Procedura terminata.\r\nIl periodo comprende date gi\xE0 esportate il 28/03/2026 (PPIP.DAT) e il "
            "01/07/2026 (ACCESSI.DAT, VACCINI.DAT)." }));
    const std::filesystem::path storico = lungo.output() / "storico";
    EXPECT_EQ(readFile(storico / "2026-03-28 23.30.00_PPIP.DAT"), primi["PPIP.DAT"]);
    EXPECT_EQ(readFile(storico / "2026-07-01 12.00.00_ACCESSI.DAT"), primi["ACCESSI.DAT"]);
    EXPECT_EQ(readFile(storico / "2026-07-01 12.00.00_VACCINI.DAT"), primi["VACCINI.DAT"]);
}

// Faults: the button enabled before there is a report or not checked after a run; Tab from Apri
// cartella or Alt+R not reaching it; another file opened; the summary not naming the report.
TEST_F(TracciatoTest, RiepilogoOpensTheReportTheRunWrote)
{
    const ScrittoreRiepilogo scrittore = setScrittoreRiepilogo(scriviRiepilogoPdf);
    std::vector<std::string> aperti;
    const auto opener = platform::setApriCartellaHandler([&](const std::string& percorso) {
        aperti.push_back(percorso);
        return true;
    });
    const std::string riepilogo = desktop_.output().string() + platform::separatore + "RIEPILOGO.pdf";
    accediEd([&](TfrmMain& finestra) {
        EXPECT_FALSE(finestra.cmdRiepilogo->isEnabled());
        finestra.cmdCreaTracciato->click();
        ASSERT_TRUE(finestra.cmdRiepilogo->isEnabled());
        EXPECT_TRUE(
            finestra.Memo1->toPlainText().endsWith(QString::fromStdString("\n\nRiepilogo: creato file " + riepilogo)));
        finestra.cmdApriCartella->setFocus();
        QTest::keyClick(finestra.cmdApriCartella, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), finestra.cmdRiepilogo);
        QTest::keyClick(&finestra, Qt::Key_R, Qt::AltModifier);
        QTest::qWait(200);
    });
    platform::setApriCartellaHandler(opener);
    setScrittoreRiepilogo(scrittore);
    EXPECT_EQ(aperti, std::vector<std::string> { riepilogo });
    EXPECT_EQ(file("RIEPILOGO.pdf").substr(0, 5), "%PDF-");
}

TEST_F(TracciatoTest, TheWindowRunsItsEventsOnATimeSliceWithTheLabelOfTheServiceAtHand)
{
    struct Caso {
        std::chrono::milliseconds passo; // how much later each reading of the steady clock is
        bool unTurnoPerServizio;
    };
    for (const Caso caso : { Caso { std::chrono::milliseconds(0), false }, Caso { Progresso::kFetta, true } }) {
        testing_support::ManualSteadyClock orologio(caso.passo);
        std::vector<std::string> etichette; // lblLog at every turn of the event loop during the run
        std::int32_t nRighe = 0;
        accediEd([&](TfrmMain& finestra) {
            QTimer sentinella;
            sentinella.setInterval(0);
            QObject::connect(&sentinella, &QTimer::timeout, [&] {
                if (finestra.esecuzioneInCorso())
                    etichette.push_back(
                        finestra.lblLog->text().toStdString() + " / " + std::to_string(unitaFormMain().nRighe));
            });
            sentinella.start();
            finestra.cmdCreaTracciato->click();
            nRighe = unitaFormMain().nRighe;
        });
        ASSERT_GT(nRighe, 1);
        std::vector<std::string> attese;
        // Time standing still, no slice falls before the end; a slice per reading, one per service.
        for (std::int32_t n = caso.unTurnoPerServizio ? 1 : nRighe; n <= nRighe; ++n)
            attese.push_back("...inserimento record ppip:" + std::to_string(n) + " / " + std::to_string(n));
        EXPECT_EQ(etichette, attese) << caso.passo.count() << " ms";
    }
}

TEST_F(TracciatoTest, WrongPasswordKeepsTheSignInWindow)
{
    TfrmLogin login;
    login.show();
    login.txtUtente->setText("mario");
    login.txtPw->setText("sbagliata");
    login.cmdOK->click();
    EXPECT_TRUE(login.isVisible());
    ASSERT_EQ(messaggi_.messaggi().size(), 1u);
    EXPECT_TRUE(messaggi_.messaggi()[0].starts_with("ole_orvapat.start(): errore in connessione\r\n\r\n  "));
    EXPECT_EQ(messaggi_.messaggi()[0].find("sbagliata"), std::string::npos);
}

TEST_F(TracciatoTest, CloseAndSecondPressDuringARunWaitForItsEnd)
{
    bool chiusaDurante = true;
    std::string accessiAllaChiusura;
    TfrmMain* finestraRun = nullptr;
    accediEd([&](TfrmMain& finestra) {
        finestraRun = &finestra;
        // Both arrive while the run lets pending events through, between two services.
        appenaPossibile([&] {
            ASSERT_TRUE(finestra.esecuzioneInCorso());
            finestra.cmdCreaTracciato->click();
            finestra.cmdExit->click();
            chiusaDurante = !finestra.isVisible();
        });
        QObject::connect(&finestra, &QDialog::finished, [&] { accessiAllaChiusura = file("ACCESSI.DAT"); });
        finestra.cmdCreaTracciato->click();
        EXPECT_FALSE(finestra.isVisible()) << "the close request took effect after the run";
    });
    EXPECT_NE(finestraRun, nullptr);
    EXPECT_FALSE(chiusaDurante);
    // One run only, complete when the window closed.
    EXPECT_EQ(messaggi_.messaggi(), std::vector<std::string> { "Procedura terminata." });
    EXPECT_EQ(accessiAllaChiusura,
        "DMCRSO70B41A662Z00012330/11/202600012\r\n"
        "ABCDEF12G34H567I00012305/11/202600011\r\n");
    EXPECT_EQ(leggiRegistro((desktop_.output() / "storico").string() + "/").size(), 1u) << "a second run was made";
}

TEST_F(TracciatoTest, ExtractGoesIntoAPrivateFolderOfTheTemporaryFolder)
{
    // The program's own folder may be read-only once installed; the extract never goes there.
    TempDir temporanea;
    const ScopedEnv tmpdir("TMPDIR", temporanea.path().string());
    const ScopedEnv tmp("TMP", temporanea.path().string()); // Windows' own
    std::vector<std::filesystem::path> conEstratto;
    std::filesystem::perms permessi {};
    accediEd([&](TfrmMain& finestra) {
        // Runs while the run lets pending events through, between two services.
        appenaPossibile([&] {
            for (const auto& voce : std::filesystem::directory_iterator(temporanea.path())) {
                if (std::filesystem::exists(voce.path() / "zzz_xml.tmp")) {
                    conEstratto.push_back(voce.path());
                    permessi = voce.status().permissions() & std::filesystem::perms::all;
                }
            }
        });
        finestra.cmdCreaTracciato->click();
    });
    ASSERT_EQ(conEstratto.size(), 1u);
    if (testing_support::folderPermissionBits()) {
        EXPECT_EQ(permessi, std::filesystem::perms::owner_all);
    }
    EXPECT_FALSE(std::filesystem::exists(conEstratto[0]));
    EXPECT_EQ(file("ACCESSI.DAT"),
        "DMCRSO70B41A662Z00012330/11/202600012\r\n"
        "ABCDEF12G34H567I00012305/11/202600011\r\n");
    EXPECT_FALSE(std::filesystem::exists(platform::percorsoNativo(platform::cartellaProgramma() + "zzz_xml.tmp")));
}

TEST_F(TracciatoTest, DesktopNamedInAnotherScriptIsRefusedBeforeAnythingIsWritten)
{
#ifdef _WIN32
    GTEST_SKIP() << "the shell names the Desktop; the Windows platform layer's own tests cover its spelling";
#endif
    // The user's folder is named in Cyrillic: a "?" spelling of it would be another folder.
    TempDir radice;
    const std::filesystem::path utente = radice / "\xD0\x9F\xD1\x91\xD1\x82\xD1\x80";
    std::filesystem::create_directories(utente / "Desktop");
    const ScopedEnv home("HOME", utente.string());
    std::string memo = "non toccato";
    accediEd([&](TfrmMain& finestra) {
        finestra.cmdCreaTracciato->click();
        memo = finestra.Memo1->toPlainText().toStdString();
    });
    const std::string desktop = "/" + std::string(4, '?') + "/Desktop";
    ASSERT_EQ(messaggi_.messaggi().size(), 2u);
    EXPECT_TRUE(messaggi_.messaggi()[0].starts_with("ERRORE: Il percorso del Desktop (")) << messaggi_.messaggi()[0];
    EXPECT_TRUE(messaggi_.messaggi()[0].ends_with(
        desktop + ") contiene caratteri non supportati, impossibile creare il tracciato."))
        << messaggi_.messaggi()[0];
    EXPECT_EQ(messaggi_.messaggi()[1], "ERRORE: Cartella di output non disponibile, impossibile creare il tracciato.");
    // The pane tells why nothing ran.
    EXPECT_EQ(memo, messaggi_.messaggi()[1]);
    // Neither the "?" folder nor anything in the real Desktop.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(radice.path()), {}), 1);
    EXPECT_TRUE(std::filesystem::is_empty(utente / "Desktop"));
}

// Orvella gone, found so by a run or closed since the last one: the press that finds it gone opens
// the sign-in window at once, with the user kept, the password empty and the reason in its status
// bar. Annulla, or a sign-in given up while it waited for a busy Orvella that then let it in, runs
// nothing and keeps no session; a sign-in once Orvella is back makes the run, whole, without
// restarting the program.
TEST_F(TracciatoTest, AGoneHostIsSignedInAgainBeforeAnyRun)
{
    const auto guasti = [this](const char* sql) {
        hostserver::DatabaseSqlite db((pratica_ / "ambulatorio.sqlite").string(), SQLITE_OPEN_READWRITE);
        db.esegui(sql);
    };
    // Closed: whatever is asked of it first finds it gone.
    constexpr const char* kChiusoDaPrima = "INSERT INTO guasti (metodo, chiuso_dopo) VALUES ('get_error', 0), "
                                           "('leggi_attributo', 0), ('get_opzione', 0), ('genera_xml', 0);";
    struct Caso {
        const char* nome;
        const char* chiuso; // how Orvella goes once the doctor is in
        bool primaUnTracciato; // a run finds it gone, with its two boxes
        bool annullaInAttesa; // the first sign-in again waits for a busy Orvella and is given up meanwhile
    };
    const Caso casi[] = {
        { "gone during a run", "INSERT INTO guasti (metodo, chiuso_dopo) VALUES ('genera_xml', 0);", true, false },
        { "closed since the last run", kChiusoDaPrima, false, false },
        { "a sign-in given up while Orvella was busy", kChiusoDaPrima, false, true },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(caso.nome);
        std::filesystem::remove_all(desktop_.output());
        messaggi_.clear();
        guasti("DELETE FROM guasti;");
        std::vector<std::string> riaccessi; // the sign-in window as each press opens it
        std::optional<testing_support::ManualSteadyClock> orologio;
        accediEd([&](TfrmMain& finestra) {
            guasti(caso.chiuso);
            if (caso.primaUnTracciato) {
                finestra.cmdCreaTracciato->click();
                ASSERT_EQ(messaggi_.messaggi().size(), 2u);
                EXPECT_EQ(messaggi_.messaggi()[0], kErroreOrvellaChiuso);
            }
            const std::vector<std::string> messaggiPrima = messaggi_.messaggi();
            const QString memoPrima = finestra.Memo1->toPlainText();
            for (const bool annulla : { true, false }) {
                appenaPossibile([&] {
                    riaccessi.push_back((frmLogin->isVisible() ? "visibile|" : "nascosta|")
                        + (frmLogin->txtUtente->text() + "|" + frmLogin->txtPw->text() + "|"
                            + frmLogin->StatusBar1->findChild<QLabel*>()->text())
                              .toStdString());
                    if (!frmLogin->isVisible())
                        return;
                    // Orvella open again, maybe busy.
                    guasti("DELETE FROM guasti;");
                    if (annulla && caso.annullaInAttesa) {
                        guasti("INSERT INTO guasti (metodo, occupato_secondi) VALUES ('connetti', 5);");
                        orologio.emplace(milliseconds(100)); // the five seconds pass on the test's clock
                    }
                    if (annulla && !caso.annullaInAttesa) {
                        frmLogin->cmdAnulla->click();
                        return;
                    }
                    if (annulla) // while the sign-in waits
                        appenaPossibile([] { frmLogin->cmdAnulla->click(); });
                    QTest::keyClicks(frmLogin->txtPw, "segreta");
                    QTest::keyClick(frmLogin->txtPw, Qt::Key_Return);
                });
                finestra.cmdCreaTracciato->click();
                if (annulla) {
                    EXPECT_EQ(messaggi_.messaggi(), messaggiPrima) << "Annulla ran something";
                    EXPECT_EQ(finestra.Memo1->toPlainText(), memoPrima);
                    EXPECT_FALSE(std::filesystem::exists(desktop_.output() / "ACCESSI.DAT"));
                }
            }
        });
        EXPECT_EQ(riaccessi,
            std::vector<std::string>(2, "visibile|mario|| Orvella si \u00E8 chiuso: riaprirlo e accedere di nuovo"));
        EXPECT_EQ(messaggi_.messaggi().back(), "Procedura terminata.");
        EXPECT_EQ(file("ACCESSI.DAT"),
            "DMCRSO70B41A662Z00012330/11/202600012\r\n"
            "ABCDEF12G34H567I00012305/11/202600011\r\n");
    }
}

// Annulla while the first sign-in waits for a busy Orvella: once Orvella lets it in, no export
// window opens.
TEST_F(TracciatoTest, AFirstSignInGivenUpWhileOrvellaIsBusyOpensNothing)
{
    hostserver::DatabaseSqlite((pratica_ / "ambulatorio.sqlite").string(), SQLITE_OPEN_READWRITE)
        .esegui("INSERT INTO guasti (metodo, occupato_secondi) VALUES ('connetti', 5);");
    testing_support::ManualSteadyClock orologio(milliseconds(100));
    bool mostrata = false;
    QTimer osserva;
    QObject::connect(&osserva, &QTimer::timeout, [&mostrata] {
        for (QWidget* finestra : QApplication::topLevelWidgets()) {
            if (auto* principale = qobject_cast<TfrmMain*>(finestra); principale && principale->isVisible()) {
                mostrata = true;
                principale->cmdExit->click();
            }
        }
    });
    osserva.start(0);
    TfrmLogin login;
    login.show();
    login.txtUtente->setText("mario");
    login.txtPw->setText("segreta");
    appenaPossibile([&login] { login.cmdAnulla->click(); }); // while the sign-in waits

    login.cmdOK->click();

    EXPECT_FALSE(mostrata);
    EXPECT_FALSE(login.isVisible());
    EXPECT_TRUE(messaggi_.messaggi().empty());
}
