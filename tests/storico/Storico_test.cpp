#include "storico/Storico.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSistema.h"

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

// One file moved alone, as the run's list does with the others absent.
Spostamento sposta(const fs::path& file, const std::string& sDirStorico, PrecisioneTimbro precisione)
{
    return spostaInStorico({ { percorso(file), precisione } }, sDirStorico);
}

TEST_F(StoricoTest, NoPreviousFileLeavesTheHistoryAlone)
{
    fs::remove_all(cartella / "storico");
    EXPECT_EQ(
        sposta(cartella / "PPIP.DAT", sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoSpostamento::Spostati);
    EXPECT_FALSE(fs::exists(cartella / "storico"));
}

TEST_F(StoricoTest, TakenNameGetsTheNextFreeNumberBeforeTheExtension)
{
    const auto istante = sys_days { 2024y / May / 17 } + 12h + 30min + 4s;
    writeFile(storico("2024-05-17 14.30.04_trx_sconosciuti.txt"), "primo");
    writeFile(storico("2024-05-17 14.30.04_trx_sconosciuti (2).txt"), "secondo");

    const fs::path sconosciuti = cartella / "trx_sconosciuti.txt";
    writeFile(sconosciuti, "terzo");
    impostaUltimaScrittura(sconosciuti, istante);
    EXPECT_EQ(sposta(sconosciuti, sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoSpostamento::Spostati);

    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_trx_sconosciuti.txt")), "primo");
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_trx_sconosciuti (2).txt")), "secondo");
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_trx_sconosciuti (3).txt")), "terzo");

    // The BILSALU stamp has no seconds; its dots are not taken for the extension.
    const fs::path bilsalu = cartella / "BILSALU.DAT";
    writeFile(storico("2024-05-17 14.30_BILSALU.DAT"), "vecchio");
    writeFile(bilsalu, "nuovo");
    impostaUltimaScrittura(bilsalu, istante);
    EXPECT_EQ(sposta(bilsalu, sDirStorico(), PrecisioneTimbro::Minuto).esito, EsitoSpostamento::Spostati);
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

    EXPECT_EQ(sposta(ppip, sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoSpostamento::Spostati);

    EXPECT_FALSE(fs::exists(ppip));
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_PPIP.DAT")), "vecchio\r\n");
}

// What the system itself refuses, on Linux: each file stays whole, with no copy beside it.
TEST_F(StoricoTest, WhatTheSystemRefusesKeepsTheFileAndLeavesNoHalfCopy)
{
    const fs::path vaccini = cartella / "VACCINI.DAT";
    writeFile(vaccini, "da non perdere\r\n");
    // A file where the history folder should be: the folder cannot be made.
    writeFile(cartella / "manca", "un file");
    const Spostamento senzaCartella = sposta(vaccini, percorso(cartella / "manca") + "/", PrecisioneTimbro::Secondo);
    EXPECT_EQ(senzaCartella.esito, EsitoSpostamento::CopiaFallita);
    EXPECT_EQ(senzaCartella.motivo, "una parte del percorso non \xE8 una cartella");
    EXPECT_EQ(readFile(vaccini), "da non perdere\r\n");
    EXPECT_EQ(readFile(cartella / "manca"), "un file");

    // A folder where the file should be: it stands there but cannot be copied as a file.
    const fs::path ppip = cartella / "PPIP.DAT";
    fs::create_directory(ppip);
    writeFile(ppip / "dentro", "x");
    EXPECT_EQ(sposta(ppip, sDirStorico(), PrecisioneTimbro::Secondo).esito, EsitoSpostamento::NonSpostabile);
    EXPECT_TRUE(fs::exists(ppip / "dentro"));
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));

    const fs::path accessi = cartella / "ACCESSI.DAT";
    const std::string contenuto(4096, 'A');
    writeFile(accessi, contenuto);
    Spostamento tagliata {};
    {
        const testing_support::FileSizeLimit disco(1000);
        if (!disco.available())
            GTEST_SKIP() << "no cap on the size of a file here";
        tagliata = sposta(accessi, sDirStorico(), PrecisioneTimbro::Secondo);
    }
    EXPECT_EQ(tagliata.esito, EsitoSpostamento::CopiaFallita);
    EXPECT_EQ(readFile(accessi), contenuto);
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));
}

// The previous files move all together or not at all: the folder holds the old export or the
// new one, never a part of each, and the history keeps no copy of a move that failed.
struct CasoTuttiONessuno {
    const char* nome;
    platform::OperazioneFile operazione; // what fails, as the system would say it
    const char* fallito; // on which file
    EsitoSpostamento esito;
};

class TuttiONessuno : public StoricoTest, public ::testing::WithParamInterface<CasoTuttiONessuno> { };

TEST_P(TuttiONessuno, AFailureAnywhereLeavesEveryFileInPlaceAndNoCopy)
{
    using platform::OperazioneFile;
    const CasoTuttiONessuno& caso = GetParam();
    // The run's order; 14:30:05 in Rome.
    const char* const nomi[]
        = { "BILSALU.DAT", "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "trx_sconosciuti.txt", "RIEPILOGO.pdf" };
    std::vector<FileDaSpostare> file;
    for (const char* nome : nomi) {
        writeFile(cartella / nome, std::string("vecchio ") + nome + "\r\n");
        impostaUltimaScrittura(cartella / nome, sys_days { 2024y / May / 17 } + 12h + 30min + 5s);
        file.push_back({ percorso(cartella / nome),
            std::string_view(nome) == "BILSALU.DAT" ? PrecisioneTimbro::Minuto : PrecisioneTimbro::Secondo });
    }
    const std::string sFallito = percorso(cartella / caso.fallito);
    platform::setGuastoFile([&](OperazioneFile operazione, const std::string& sFile) {
        return operazione == caso.operazione && sFile == sFallito
            ? std::optional(std::string(platform::kMotivoFileAperto))
            : std::nullopt;
    });
    const Spostamento fallito = spostaInStorico(file, sDirStorico());
    platform::setGuastoFile({});

    EXPECT_EQ(fallito.esito, caso.esito);
    EXPECT_EQ(fallito.sFile, sFallito);
    EXPECT_TRUE(fallito.nonRipristinati.empty());
    for (const char* nome : nomi)
        EXPECT_EQ(readFile(cartella / nome), std::string("vecchio ") + nome + "\r\n") << nome;
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));

    // Once the program lets go, the move goes through under the files' own stamps (BILSALU.DAT's
    // without seconds): each file put back kept its time, and no earlier copy takes a name.
    const Spostamento spostamento = spostaInStorico(file, sDirStorico());
    EXPECT_EQ(spostamento.esito, EsitoSpostamento::Spostati);
    EXPECT_EQ(messaggioStorico(spostamento), "");
    EXPECT_FALSE(fs::exists(cartella / "PPIP.DAT"));
    EXPECT_EQ(readFile(storico("2024-05-17 14.30.04_PPIP.DAT")), "vecchio PPIP.DAT\r\n");
    std::vector<std::string> copie;
    for (const auto& voce : fs::directory_iterator(cartella / "storico"))
        copie.push_back(voce.path().filename().string());
    std::sort(copie.begin(), copie.end());
    EXPECT_EQ(copie,
        (std::vector<std::string> { "2024-05-17 14.30.04_ACCESSI.DAT", "2024-05-17 14.30.04_PPIP.DAT",
            "2024-05-17 14.30.04_RIEPILOGO.pdf", "2024-05-17 14.30.04_VACCINI.DAT",
            "2024-05-17 14.30.04_trx_sconosciuti.txt", "2024-05-17 14.30_BILSALU.DAT" }));
}

INSTANTIATE_TEST_SUITE_P(Storico, TuttiONessuno,
    ::testing::Values(CasoTuttiONessuno { "HeldFirstFileStopsBeforeAnythingMoves", platform::OperazioneFile::Verifica,
                          "BILSALU.DAT", EsitoSpostamento::NonSpostabile },
        CasoTuttiONessuno { "HeldMiddleFileStopsBeforeAnythingMoves", platform::OperazioneFile::Verifica, "PPIP.DAT",
            EsitoSpostamento::NonSpostabile },
        CasoTuttiONessuno { "HeldLastFileStopsBeforeAnythingMoves", platform::OperazioneFile::Verifica, "RIEPILOGO.pdf",
            EsitoSpostamento::NonSpostabile },
        CasoTuttiONessuno { "CopyFailingMidwayRemovesTheCopiesMade", platform::OperazioneFile::Copia, "PPIP.DAT",
            EsitoSpostamento::CopiaFallita },
        CasoTuttiONessuno { "DeleteFailingMidwayPutsBackWhatWasDeleted", platform::OperazioneFile::Elimina, "PPIP.DAT",
            EsitoSpostamento::EliminazioneFallita },
        CasoTuttiONessuno { "DeleteFailingLastPutsBackEveryOtherFile", platform::OperazioneFile::Elimina,
            "RIEPILOGO.pdf", EsitoSpostamento::EliminazioneFallita }),
    [](const auto& caso) { return std::string(caso.param.nome); });

struct CasoMessaggio {
    const char* nome;
    Spostamento spostamento;
    std::string atteso;
};

// Every message says what became of the files (what a held file names, the PC test meets under Wine).
TEST(MessaggioStorico, NamesTheFileTheCauseAndWhatToDo)
{
    const std::string dir = "C:\\Users\\medico\\Desktop\\KARV (ADI-PPiP)\\";
    const CasoMessaggio casi[] = {
        { "NoCause", { EsitoSpostamento::NonSpostabile, dir + "ACCESSI.DAT", "", {} },
            "ERRORE: Impossibile spostare nello storico il file " + dir
                + "ACCESSI.DAT. Nessun file \xE8 stato spostato." },
        { "FileNotPutBack",
            { EsitoSpostamento::EliminazioneFallita, dir + "PPIP.DAT", "accesso negato",
                { { dir + "ACCESSI.DAT", dir + "storico\\2024-05-17 14.30.04_ACCESSI.DAT" } } },
            "ERRORE: Impossibile eliminare il file " + dir
                + "PPIP.DAT dopo la copia nello storico: accesso negato. Il file " + dir
                + "ACCESSI.DAT \xE8 rimasto nello storico come " + dir
                + "storico\\2024-05-17 14.30.04_ACCESSI.DAT: rimetterlo al suo posto prima di ripetere "
                  "l'esportazione." },
    };
    for (const CasoMessaggio& caso : casi) {
        SCOPED_TRACE(caso.nome);
        EXPECT_EQ(messaggioStorico(caso.spostamento), caso.atteso);
    }
}
