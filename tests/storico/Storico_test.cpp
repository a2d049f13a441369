#include "storico/Storico.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace std::chrono;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

// Central European time with its summer rule, without the zone database.
constexpr const char* kFusoRoma = "CET-1CEST,M3.5.0,M10.5.0/3";

platform::LocalTime locale(year_month_day giorno, hours h, minutes m, seconds s)
{
    return local_days { giorno } + h + m + s;
}

// The last-write time of a file, given as a UTC instant.
void impostaUltimaScrittura(const fs::path& file, sys_time<milliseconds> istante)
{
    testing_support::setLastWriteTime(file, istante);
}

std::string percorso(const fs::path& p)
{
    return p.string();
}

} // namespace

struct CasoTimbro {
    platform::LocalTime istante;
    PrecisioneTimbro precisione;
    const char* atteso;
};

TEST(TimbroStorico, SecondsRoundedDownToEvenAndMinuteStampHasNoSeconds)
{
    const year_month_day giorno = 2024y / May / 17;
    const CasoTimbro casi[] = {
        { locale(giorno, 14h, 30min, 5s), PrecisioneTimbro::Secondo, "2024-05-17 14.30.04" },
        { locale(giorno, 14h, 30min, 6s), PrecisioneTimbro::Secondo, "2024-05-17 14.30.06" },
        { locale(giorno, 14h, 30min, 59s), PrecisioneTimbro::Secondo, "2024-05-17 14.30.58" },
        { locale(giorno, 14h, 30min, 5s), PrecisioneTimbro::Minuto, "2024-05-17 14.30" },
        { locale(giorno, 14h, 30min, 59s), PrecisioneTimbro::Minuto, "2024-05-17 14.30" },
        { locale(2026y / January / 2, 0h, 0min, 1s), PrecisioneTimbro::Secondo, "2026-01-02 00.00.00" },
        { locale(2026y / December / 31, 23h, 59min, 59s), PrecisioneTimbro::Secondo, "2026-12-31 23.59.58" },
        { locale(2026y / March / 9, 7h, 5min, 0s), PrecisioneTimbro::Minuto, "2026-03-09 07.05" },
    };
    for (const CasoTimbro& caso : casi)
        EXPECT_EQ(timbroStorico(caso.istante, caso.precisione), caso.atteso);
}

TEST(TimbroStorico, FileStampIsItsOwnLastWriteTimeInLocalTime)
{
    const testing_support::ScopedTimeZone roma(kFusoRoma);
    if (!roma.available())
        GTEST_SKIP() << "local time follows the system's zone only";
    testing_support::TempDir cartella;
    const fs::path file = cartella / "ACCESSI.DAT";
    writeFile(file, "x");
    // 12:30:05.900 UTC is 14:30:05 in Rome in May: odd seconds and the fraction go.
    impostaUltimaScrittura(file, sys_days { 2024y / May / 17 } + 12h + 30min + 5s + 900ms);
    EXPECT_EQ(timbroFile(percorso(file), PrecisioneTimbro::Secondo), "2024-05-17 14.30.04");
    EXPECT_EQ(timbroFile(percorso(file), PrecisioneTimbro::Minuto), "2024-05-17 14.30");

    // In January Rome is one hour ahead, and the local date is already the next day.
    impostaUltimaScrittura(file, sys_days { 2023y / December / 31 } + 23h + 10min + 2s);
    EXPECT_EQ(timbroFile(percorso(file), PrecisioneTimbro::Secondo), "2024-01-01 00.10.02");

    EXPECT_EQ(timbroFile(percorso(cartella / "assente.DAT"), PrecisioneTimbro::Secondo), "");
}

class StoricoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!roma.available())
            GTEST_SKIP() << "local time follows the system's zone only";
        fs::create_directories(cartella / "storico");
    }

    std::string sDirStorico() const { return percorso(cartella / "storico") + "/"; }
    fs::path storico(const std::string& nome) const { return cartella / "storico" / nome; }

    testing_support::ScopedTimeZone roma { kFusoRoma };
    testing_support::TempDir cartella;
};

TEST_F(StoricoTest, PreviousFileMovesUnderItsStampedName)
{
    const fs::path accessi = cartella / "ACCESSI.DAT";
    const fs::path bilsalu = cartella / "BILSALU.DAT";
    writeFile(accessi, "vecchio accessi\r\n");
    writeFile(bilsalu, "vecchio bilsalu\r\n");
    const auto istante = sys_days { 2024y / May / 17 } + 12h + 30min + 5s;
    impostaUltimaScrittura(accessi, istante);
    impostaUltimaScrittura(bilsalu, istante);

    EXPECT_EQ(
        spostaInStorico(percorso(accessi), sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoStorico::Spostato);
    EXPECT_EQ(
        spostaInStorico(percorso(bilsalu), sDirStorico(), PrecisioneTimbro::Minuto).esito, EsitoStorico::Spostato);

    EXPECT_FALSE(fs::exists(accessi));
    EXPECT_FALSE(fs::exists(bilsalu));
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_ACCESSI.DAT")), "vecchio accessi\r\n");
    EXPECT_EQ(readFile(storico("2024-05-17 14.30_BILSALU.DAT")), "vecchio bilsalu\r\n");
}

TEST_F(StoricoTest, NoPreviousFileLeavesTheHistoryAlone)
{
    EXPECT_EQ(spostaInStorico(percorso(cartella / "PPIP.DAT"), sDirStorico(), PrecisioneTimbro::Secondo).esito,
        EsitoStorico::Assente);
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));
}

TEST_F(StoricoTest, TakenNameGetsTheNextFreeNumberBeforeTheExtension)
{
    const auto istante = sys_days { 2024y / May / 17 } + 12h + 30min + 4s;
    writeFile(storico("2024-05-17 14.30.04_trx_sconosciuti.txt"), "primo");
    writeFile(storico("2024-05-17 14.30.04_trx_sconosciuti (2).txt"), "secondo");

    const fs::path sconosciuti = cartella / "trx_sconosciuti.txt";
    writeFile(sconosciuti, "terzo");
    impostaUltimaScrittura(sconosciuti, istante);
    EXPECT_EQ(
        spostaInStorico(percorso(sconosciuti), sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoStorico::Spostato);

    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_trx_sconosciuti.txt")), "primo");
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_trx_sconosciuti (2).txt")), "secondo");
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_trx_sconosciuti (3).txt")), "terzo");

    // The BILSALU stamp has no seconds; its dots are not taken for the extension.
    const fs::path bilsalu = cartella / "BILSALU.DAT";
    writeFile(storico("2024-05-17 14.30_BILSALU.DAT"), "vecchio");
    writeFile(bilsalu, "nuovo");
    impostaUltimaScrittura(bilsalu, istante);
    EXPECT_EQ(
        spostaInStorico(percorso(bilsalu), sDirStorico(), PrecisioneTimbro::Minuto).esito, EsitoStorico::Spostato);
    EXPECT_EQ(readFile(storico("2024-05-17 14.30_BILSALU.DAT")), "vecchio");
    EXPECT_EQ(readFile(storico("2024-05-17 14.30_BILSALU (2).DAT")), "nuovo");
}

TEST_F(StoricoTest, FreeNameOfANameWithoutExtensionGoesAtTheEnd)
{
    EXPECT_EQ(nomeLiberoStorico(sDirStorico(), "LEGGIMI"), "LEGGIMI");
    writeFile(storico("LEGGIMI"), "");
    EXPECT_EQ(nomeLiberoStorico(sDirStorico(), "LEGGIMI"), "LEGGIMI (2)");
}

TEST_F(StoricoTest, HistoryFolderRemovedSinceStartUpIsMadeAgain)
{
    const fs::path ppip = cartella / "PPIP.DAT";
    writeFile(ppip, "vecchio\r\n");
    impostaUltimaScrittura(ppip, sys_days { 2024y / May / 17 } + 12h + 30min + 5s);
    fs::remove_all(cartella / "storico");

    EXPECT_EQ(spostaInStorico(percorso(ppip), sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoStorico::Spostato);

    EXPECT_FALSE(fs::exists(ppip));
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_PPIP.DAT")), "vecchio\r\n");
}

TEST_F(StoricoTest, FailedCopyKeepsTheFileAndNamesItInTheMessage)
{
    const fs::path vaccini = cartella / "VACCINI.DAT";
    writeFile(vaccini, "da non perdere\r\n");
    // A file where the history folder should be: the folder cannot be made.
    writeFile(cartella / "manca", "un file");
    const std::string sDirMancante = percorso(cartella / "manca") + "/";

    const Storicizzazione storicizzazione = spostaInStorico(percorso(vaccini), sDirMancante, PrecisioneTimbro::Secondo);

    EXPECT_EQ(storicizzazione.esito, EsitoStorico::CopiaFallita);
    EXPECT_EQ(readFile(vaccini), "da non perdere\r\n");
    EXPECT_EQ(readFile(cartella / "manca"), "un file");
    EXPECT_EQ(messaggioStorico(storicizzazione, percorso(vaccini)),
        "ERRORE: Impossibile copiare nello storico il file " + percorso(vaccini)
            + ": una parte del percorso non \xE8 una cartella.");
    EXPECT_EQ(messaggioStorico({ EsitoStorico::Spostato, {} }, percorso(vaccini)), "");
    EXPECT_EQ(messaggioStorico({ EsitoStorico::Assente, {} }, percorso(vaccini)), "");
}

TEST_F(StoricoTest, FileThatCannotBeDeletedIsNamedWithTheCauseWhenThereIsOne)
{
    const std::string vaccini = percorso(cartella / "VACCINI.DAT");
    EXPECT_EQ(messaggioStorico({ EsitoStorico::EliminazioneFallita, {} }, vaccini),
        "ERRORE: Impossibile eliminare il file " + vaccini + " dopo la copia nello storico.");
    EXPECT_EQ(messaggioStorico({ EsitoStorico::EliminazioneFallita, "il file \xE8 di sola lettura" }, vaccini),
        "ERRORE: Impossibile eliminare il file " + vaccini
            + " dopo la copia nello storico: il file \xE8 di sola lettura.");
}

TEST_F(StoricoTest, UnreadablePreviousFileIsKeptAndLeavesNoHalfCopy)
{
    // A folder where the file should be: it exists but cannot be copied as a file.
    const fs::path ppip = cartella / "PPIP.DAT";
    fs::create_directory(ppip);
    writeFile(ppip / "dentro", "x");

    EXPECT_EQ(
        spostaInStorico(percorso(ppip), sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoStorico::CopiaFallita);
    EXPECT_TRUE(fs::exists(ppip / "dentro"));
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));
}

TEST_F(StoricoTest, CopyCutShortLeavesNoHalfCopyAndKeepsTheFile)
{
    const fs::path accessi = cartella / "ACCESSI.DAT";
    const std::string contenuto(4096, 'A');
    writeFile(accessi, contenuto);

    EsitoStorico esito;
    {
        const testing_support::FileSizeLimit disco(1000);
        if (!disco.available())
            GTEST_SKIP() << "no cap on the size of a file here";
        esito = spostaInStorico(percorso(accessi), sDirStorico(), PrecisioneTimbro::Secondo).esito;
    }

    EXPECT_EQ(esito, EsitoStorico::CopiaFallita);
    EXPECT_EQ(readFile(accessi), contenuto);
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));
}
