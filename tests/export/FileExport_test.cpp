#include "export/FileExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/TestSupport.h"

using testing_support::FileSizeLimit;
using testing_support::MessageRecorder;
using testing_support::readFile;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::writeFile;
using Righe = std::vector<std::string>;

namespace {

std::string fallimento(const std::string& percorso, const std::string& motivo)
{
    return "Impossibile scrivere il file " + percorso + ": " + motivo;
}

const std::string kCartellaAssente = "la cartella non esiste";

class SuFileTest : public ::testing::Test {
protected:
    std::string percorso(const std::string& nome) const { return (dir / nome).string(); }

    MessageRecorder messaggi;
    TempDir dir;
};

TEST_F(SuFileTest, AppendsByteForByteWithoutAddingLineEnds)
{
    const std::string file = percorso("ACCESSI.DAT");

    suFile("160123RSSMRA80A01H501U\xC8\r\n", file);
    suFile("SENZA FINE", file);
    suFile(" RIGA\r\n", file);

    EXPECT_EQ(readFile(file), "160123RSSMRA80A01H501U\xC8\r\nSENZA FINE RIGA\r\n");
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(SuFileTest, AppendsToWhatAnEarlierRunLeft)
{
    writeFile(dir / "PPIP.DAT", "VECCHIO\r\n");

    suFile("NUOVO\r\n", percorso("PPIP.DAT"));

    EXPECT_EQ(readFile(dir / "PPIP.DAT"), "VECCHIO\r\nNUOVO\r\n");
}

TEST_F(SuFileTest, EmptyTextNeverCreatesNorTouchesTheFile)
{
    suFile("", percorso("VACCINI.DAT"));
    EXPECT_FALSE(std::filesystem::exists(dir / "VACCINI.DAT"));

    writeFile(dir / "BILSALU.DAT", "X");
    suFile("", percorso("BILSALU.DAT"));
    EXPECT_EQ(readFile(dir / "BILSALU.DAT"), "X");
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(SuFileTest, Windows1252PathNamesTheUtf8File)
{
    suFile("A", (dir.path().string() + "/Citt\xE0.txt"));

    EXPECT_EQ(readFile(dir / "Citt\xC3\xA0.txt"), "A");
}

TEST_F(SuFileTest, MissingFolderIsReportedOnEveryCallAndCounted)
{
    const std::int32_t primaDelTest = suFileNonRiuscite();
    const std::string file = percorso("rimossa/ACCESSI.DAT");

    suFile("UNO\r\n", file);
    suFile("DUE\r\n", file);

    EXPECT_EQ(messaggi.messaggi(), (Righe { fallimento(file, kCartellaAssente), fallimento(file, kCartellaAssente) }));
    EXPECT_FALSE(std::filesystem::exists(dir / "rimossa"));
    EXPECT_EQ(suFileNonRiuscite() - primaDelTest, 2);
}

TEST_F(SuFileTest, EachCauseOfAFailureIsNamedInItalian)
{
    std::filesystem::create_directory(dir / "trx_sconosciuti.txt");
    writeFile(dir / "storico", "un file al posto della cartella");

    suFile("X\r\n", percorso("trx_sconosciuti.txt"));
    suFile("X\r\n", percorso("storico/PPIP.DAT"));

    EXPECT_EQ(messaggi.messaggi(),
        (Righe { fallimento(percorso("trx_sconosciuti.txt"), "al suo posto c'\xE8 una cartella"),
            fallimento(percorso("storico/PPIP.DAT"), "una parte del percorso non \xE8 una cartella") }));
}

TEST_F(SuFileTest, DuringARunEachFileShowsOnlyItsFirstFailure)
{
    const std::string accessi = percorso("rimossa/ACCESSI.DAT");
    const std::string ppip = percorso("rimossa/PPIP.DAT");
    const RunLog log(true, percorso("rimossa/karv_log.txt"));
    const std::int32_t primaDelTest = suFileNonRiuscite();
    {
        const FileEsecuzione run;
        log.suLog("Inizio");
        suFile("UNO\r\n", accessi);
        suFile("DUE\r\n", accessi);
        log.suLog("->Inserito in ACCESSI.DAT");
        suFile("TRE\r\n", ppip);
        suFile("QUATTRO\r\n", accessi);
        suFile("CINQUE\r\n", ppip);
    }
    EXPECT_EQ(messaggi.messaggi(),
        (Righe { fallimento(log.file(), kCartellaAssente), fallimento(accessi, kCartellaAssente),
            fallimento(ppip, kCartellaAssente) }));
    // Every failed record is still counted; the log is not an export file.
    EXPECT_EQ(suFileNonRiuscite() - primaDelTest, 5);

    // The next run shows them again.
    messaggi.clear();
    {
        const FileEsecuzione run;
        suFile("UNO\r\n", accessi);
        suFile("DUE\r\n", accessi);
    }
    EXPECT_EQ(messaggi.messaggi(), Righe { fallimento(accessi, kCartellaAssente) });
}

TEST_F(SuFileTest, FileRemovedDuringARunIsAFailureOfEveryRecordItHeld)
{
    const std::string ppip = percorso("uscita/PPIP.DAT");
    std::filesystem::create_directory(dir / "uscita");
    const std::int32_t primaDelTest = suFileNonRiuscite();
    FileEsecuzione run;
    suFile("UNO\r\n", ppip);
    std::filesystem::remove_all(dir / "uscita");
    suFile("DUE\r\n", ppip);

    run.chiudi(ppip);
    EXPECT_EQ(messaggi.messaggi(), Righe { fallimento(ppip, "il file \xE8 stato eliminato durante l'esportazione") });
    EXPECT_EQ(suFileNonRiuscite() - primaDelTest, 2);
}

TEST_F(SuFileTest, WriteFailingHalfwayLeavesTheFileAsItWas)
{
    const std::string file = percorso("ACCESSI.DAT");
    const FileEsecuzione run;
    suFile("RIGA1\r\n", file);
    const std::int32_t primaDelGuasto = suFileNonRiuscite();

    {
        FileSizeLimit disco(10); // room for three of the next fourteen bytes
        suFile("RECORD-LUNGO\r\n", file);
    }

    EXPECT_EQ(readFile(file), "RIGA1\r\n");
    EXPECT_EQ(messaggi.messaggi(), Righe { fallimento(file, "il file ha raggiunto la dimensione massima") });
    EXPECT_EQ(suFileNonRiuscite() - primaDelGuasto, 1);

    // A later record that would fit goes in no more: it would follow a gap.
    suFile("R2\r\n", file);
    EXPECT_EQ(readFile(file), "RIGA1\r\n");
    EXPECT_EQ(suFileNonRiuscite() - primaDelGuasto, 2);
    EXPECT_EQ(run.nonScritti(file), 2);
    EXPECT_EQ(messaggi.messaggi().size(), 1u);
}

TEST_F(SuFileTest, FailedFirstRecordLeavesNoFileBehind)
{
    // A file that exists counts as made, so a failed first record must not leave an empty one.
    const FileEsecuzione run;
    {
        FileSizeLimit disco(0);
        suFile("RIGA\r\n", percorso("PPIP.DAT"));
    }

    EXPECT_FALSE(std::filesystem::exists(dir / "PPIP.DAT"));
    EXPECT_EQ(
        messaggi.messaggi(), Righe { fallimento(percorso("PPIP.DAT"), "il file ha raggiunto la dimensione massima") });
}

TEST_F(SuFileTest, RecordThatExactlyFillsTheRoomIsWritten)
{
    const std::string file = percorso("ACCESSI.DAT");
    {
        FileSizeLimit disco(6);
        suFile("RIGA\r\n", file);
    }

    EXPECT_EQ(readFile(file), "RIGA\r\n");
    EXPECT_TRUE(messaggi.messaggi().empty());
}

// --- The run log --------------------------------------------------------------------------------

class SuLogTest : public SuFileTest {
protected:
    SuLogTest() { fissaOra(std::chrono::hours(16) + std::chrono::minutes(11) + std::chrono::seconds(24)); }
    ~SuLogTest() override { platform::setClock({}); }

    void fissaOra(std::chrono::seconds oraDelGiorno)
    {
        using namespace std::chrono;
        const platform::LocalTime momento = local_days { year { 2026 } / December / 6 } + oraDelGiorno;
        platform::setClock([momento] { return momento; });
    }

    std::string contenutoLog() const { return readFile(dir / "karv_log.txt"); }

    ScopedEnv localeC { "LC_ALL", "C" }; // short date %m/%d/%y, 24-hour time with leading zeros
    RunLog log { true, (dir / "karv_log.txt").string() };
};

TEST_F(SuLogTest, LineIsStampDashMessageAndCrLf)
{
    log.suLog("Inizio");
    fissaOra(std::chrono::hours(9) + std::chrono::minutes(5) + std::chrono::seconds(7));
    log.suLog("Fine");

    EXPECT_EQ(contenutoLog(), "12/06/26 16:11:24 - Inizio\r\n12/06/26 09:05:07 - Fine\r\n");
}

// A run makes its stamp once a second: one never made again would date a long run's every line
// at its start.
TEST_F(SuLogTest, LaterSecondOfARunGivesLaterLinesALaterStamp)
{
    const FileEsecuzione run;
    log.suLog("Inizio");
    log.suLog("stesso secondo");
    fissaOra(std::chrono::hours(16) + std::chrono::minutes(11) + std::chrono::seconds(25));
    log.suLog("Fine");

    EXPECT_EQ(contenutoLog(),
        "12/06/26 16:11:24 - Inizio\r\n12/06/26 16:11:24 - stesso secondo\r\n12/06/26 16:11:25 - Fine\r\n");
}

TEST_F(SuLogTest, AppendsAcrossLogObjects)
{
    writeFile(dir / "karv_log.txt", "riga di ieri\r\n");

    RunLog(true, (dir / "karv_log.txt").string()).suLog("oggi");

    EXPECT_EQ(contenutoLog(), "riga di ieri\r\n12/06/26 16:11:24 - oggi\r\n");
}

TEST_F(SuLogTest, BlankMessagesAreWrittenAsTheyAreWithoutStamp)
{
    log.suLog("");
    log.suLog("   ");
    log.suLog("\t\x01 ");

    EXPECT_EQ(contenutoLog(), "\r\n   \r\n\t\x01 \r\n");
}

TEST_F(SuLogTest, MessageKeepsItsOwnBlanksLineEndsAnd1252Bytes)
{
    log.suLog("  Paziente Citt\xE0 ");
    log.suLog("prima riga\r\nseconda riga");
    log.suLog("\r\nriga dopo un a capo");

    EXPECT_EQ(contenutoLog(),
        "12/06/26 16:11:24 -   Paziente Citt\xE0 \r\n"
        "12/06/26 16:11:24 - prima riga\r\nseconda riga\r\n"
        "12/06/26 16:11:24 - \r\nriga dopo un a capo\r\n");
}

TEST_F(SuLogTest, ExactlyMidnightStampsTheDateAlone)
{
    fissaOra(std::chrono::seconds(0));
    log.suLog("mezzanotte");
    fissaOra(std::chrono::seconds(1));
    log.suLog("un secondo dopo");

    EXPECT_EQ(contenutoLog(), "12/06/26 - mezzanotte\r\n12/06/26 00:00:01 - un secondo dopo\r\n");
}

TEST_F(SuLogTest, DebugOffWritesNothingAndShowsNothing)
{
    const RunLog spento(false, (dir / "karv_log.txt").string());
    const RunLog spentoSenzaCartella(false, (dir / "rimossa" / "karv_log.txt").string());

    spento.suLog("Inizio");
    spento.suLog("");
    spentoSenzaCartella.suLog("Inizio");
    // Without an output folder there is no log file, even in debug mode.
    RunLog(true, "").suLog("Inizio");

    EXPECT_FALSE(std::filesystem::exists(dir / "karv_log.txt"));
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(SuLogTest, MissingFolderIsReportedAndNeverCreated)
{
    const std::int32_t primaDelTest = suFileNonRiuscite();
    const RunLog senzaCartella(true, (dir / "rimossa" / "karv_log.txt").string());

    senzaCartella.suLog("Inizio");

    EXPECT_EQ(messaggi.messaggi(), Righe { fallimento(senzaCartella.file(), kCartellaAssente) });
    EXPECT_FALSE(std::filesystem::exists(dir / "rimossa"));
    EXPECT_EQ(suFileNonRiuscite(), primaDelTest); // only export records count
}

TEST_F(SuLogTest, FailedWriteKeepsTheLogAsItWas)
{
    {
        FileSizeLimit disco(0);
        log.suLog("Inizio");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "karv_log.txt"));

    log.suLog("prima");
    {
        FileSizeLimit disco(30); // room for three bytes of the next line
        log.suLog("seconda");
    }
    EXPECT_EQ(contenutoLog(), "12/06/26 16:11:24 - prima\r\n");
    const std::string pieno = fallimento(log.file(), "il file ha raggiunto la dimensione massima");
    EXPECT_EQ(messaggi.messaggi(), (Righe { pieno, pieno }));
}

} // namespace
