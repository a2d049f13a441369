#include "storico/RegistroEsportazioni.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "storico/MesiNonEsportati.h"
#include "support/TestSupport.h"

using namespace std::chrono;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

// A run for the period, made on quando: by default the morning after the period ended.
VoceRegistro voce(year_month_day dal, year_month_day al, EsitoRegistro esito = EsitoRegistro::Completata,
    std::optional<platform::LocalTime> quando = std::nullopt, const char* contratto = "MMG",
    const char* codice = "123456")
{
    return { quando.value_or(local_days { al } + days { 1 } + 9h + 5min + 7s), { dal, al }, contratto, codice, esito,
        {}, 0 };
}

platform::LocalTime il(year_month_day giorno)
{
    return local_days { giorno } + 10h;
}

std::string riga(const std::vector<std::string>& righe, std::string_view inizio)
{
    const auto trovata = std::find_if(
        righe.begin(), righe.end(), [inizio](const std::string& testo) { return testo.starts_with(inizio); });
    return trovata == righe.end() ? std::string() : *trovata;
}

} // namespace

struct CasoMesi {
    const char* nome;
    std::vector<VoceRegistro> voci;
    platform::LocalTime adesso;
    const char* avviso; // "" when every month judged was exported
    const char* inizio; // the register's first day when it leaves months of the twelve unjudged, else ""
};

// The doctor judged is 123456.
TEST(MesiNonEsportati, MonthCoveredDayByDayByTheDoctorsFinishedRunsUpToTheDayEachWasMade)
{
    const CasoMesi casi[] = {
        { "skipped month",
            { voce(2026y / January / 1, 2026y / January / 31), voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / April / 1, 2026y / April / 30) },
            il(2026y / May / 4), "ATTENZIONE: mesi non esportati: marzo 2026.", "01/02/2026" },
        { "two partial periods that meet",
            { voce(2026y / February / 1, 2026y / February / 28), voce(2026y / March / 1, 2026y / March / 15),
                voce(2026y / March / 16, 2026y / March / 31, EsitoRegistro::NessunaPrestazione) },
            il(2026y / April / 2), "", "01/03/2026" },
        { "two partial periods a day apart",
            { voce(2026y / February / 1, 2026y / February / 28), voce(2026y / March / 1, 2026y / March / 15),
                voce(2026y / March / 17, 2026y / March / 31) },
            il(2026y / April / 2), "ATTENZIONE: mesi non esportati: marzo 2026.", "01/03/2026" },
        { "runs that did not finish",
            { voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / March / 1, 2026y / March / 31, EsitoRegistro::NonCompletata),
                voce(2026y / April / 1, 2026y / April / 30, EsitoRegistro::Interrotta) },
            il(2026y / May / 20), "ATTENZIONE: mesi non esportati: marzo 2026, aprile 2026.", "01/03/2026" },
        { "a month exported before it ended covers only the days up to then",
            { voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / March / 1, 2026y / March / 31, EsitoRegistro::Completata, il(2026y / March / 10)) },
            il(2026y / May / 4), "ATTENZIONE: mesi non esportati: marzo 2026, aprile 2026.", "01/03/2026" },
        { "a run of a contract that lets nothing through covers nothing",
            { voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / March / 1, 2026y / March / 31, EsitoRegistro::NessunaPrestazione, std::nullopt, "MMX") },
            il(2026y / April / 2), "ATTENZIONE: mesi non esportati: marzo 2026.", "01/03/2026" },
        { "the months that ended before the register's first line are not judged",
            { voce(2026y / February / 1, 2026y / February / 28, EsitoRegistro::Completata, il(2026y / December / 8)) },
            il(2026y / December / 20), "", "08/12/2026" },
        { "the month the first line was written in is judged",
            { voce(2026y / February / 1, 2026y / February / 28, EsitoRegistro::Completata, il(2026y / December / 8)) },
            il(2027y / January / 5), "ATTENZIONE: mesi non esportati: dicembre 2026.", "08/12/2026" },
        { "a failed run's mistyped year does not start the register earlier",
            { voce(2024y / March / 1, 2024y / March / 31, EsitoRegistro::NonCompletata, il(2026y / December / 8)) },
            il(2026y / December / 20), "", "08/12/2026" },
        { "another doctor's lines neither cover nor start the doctor's register",
            { voce(2026y / January / 1, 2026y / January / 31, EsitoRegistro::Completata, std::nullopt, "MMG", "999999"),
                voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / March / 1, 2026y / March / 31, EsitoRegistro::Completata, std::nullopt, "MMG", "999999") },
            il(2026y / April / 2), "ATTENZIONE: mesi non esportati: marzo 2026.", "01/03/2026" },
        { "year boundary",
            { voce(2026y / October / 1, 2026y / October / 31), voce(2026y / November / 1, 2026y / November / 30),
                voce(2027y / January / 1, 2027y / January / 31) },
            il(2027y / February / 1), "ATTENZIONE: mesi non esportati: dicembre 2026.", "01/11/2026" },
        { "the register older than the twelve months", { voce(2024y / January / 1, 2024y / January / 31) },
            il(2026y / March / 3),
            "ATTENZIONE: mesi non esportati: marzo 2025, aprile 2025, maggio 2025, giugno 2025, luglio 2025, "
            "agosto 2025, settembre 2025, ottobre 2025, novembre 2025, dicembre 2025, gennaio 2026, febbraio 2026.",
            "" },
    };
    for (const CasoMesi& caso : casi) {
        SCOPED_TRACE(caso.nome);
        const std::vector<std::string> righe = righeRegistro(caso.voci, "123456", caso.adesso);
        EXPECT_EQ(riga(righe, "ATTENZIONE:"), caso.avviso);
        EXPECT_EQ(riga(righe, "Il registro delle esportazioni"),
            *caso.inizio ? "Il registro delle esportazioni \xE8 tenuto dal " + std::string(caso.inizio)
                    + ": i mesi conclusi prima non sono controllati."
                         : "");
    }
}

struct CasoRegistroTroncato {
    const char* nome;
    std::size_t lasciati; // of the second line's bytes, the rest lost
    bool secondaIntera; // what is left of it is whole
};

TEST(RegistroEsportazioni, LineCutShortIsSkippedAndTheNextOneStandsOnItsOwnLine)
{
    const VoceRegistro prima = voce(
        2026y / January / 1, 2026y / January / 31, EsitoRegistro::Completata, local_days { 2026y / February / 2 } + 8h);
    const VoceRegistro seconda = voce(
        2026y / February / 1, 2026y / February / 28, EsitoRegistro::Completata, local_days { 2026y / March / 2 } + 8h);
    const VoceRegistro terza
        = voce(2026y / April / 1, 2026y / April / 30, EsitoRegistro::Completata, local_days { 2026y / May / 2 } + 8h);
    const std::string riga = rigaRegistro(seconda);
    const CasoRegistroTroncato casi[] = {
        { "in the middle", riga.size() / 2, false },
        { "just after the last semicolon", riga.rfind(';') + 1, false },
        { "inside the last field", riga.size() - 3, false },
        { "between CR and LF", riga.size() - 1, true },
        { "whole", riga.size(), true },
    };
    for (const CasoRegistroTroncato& caso : casi) {
        SCOPED_TRACE(caso.nome);
        testing_support::TempDir cartella;
        const std::string sDirStorico = (cartella / "storico").string() + "/";
        ASSERT_EQ(registraEsportazione(sDirStorico, prima).riga, "");
        ASSERT_EQ(registraEsportazione(sDirStorico, seconda).riga, "");
        const std::string sFile = percorsoRegistro(sDirStorico);
        const std::string troncato = readFile(sFile).substr(0, readFile(sFile).size() - riga.size() + caso.lasciati);
        writeFile(sFile, troncato);

        ASSERT_EQ(registraEsportazione(sDirStorico, terza).riga, "");
        EXPECT_EQ(readFile(sFile), troncato + (troncato.ends_with("\n") ? "" : "\r\n") + rigaRegistro(terza));
        std::vector<platform::LocalTime> letti;
        for (const VoceRegistro& letta : leggiRegistro(sDirStorico))
            letti.push_back(letta.quando);
        std::vector<platform::LocalTime> attesi { prima.quando, terza.quando };
        if (caso.secondaIntera)
            attesi.insert(attesi.begin() + 1, seconda.quando);
        EXPECT_EQ(letti, attesi);
    }
}

TEST(RegistroEsportazioni, ForeignHeaderAndJunkSkippedTheRegistersLinesRead)
{
    testing_support::TempDir cartella;
    const std::string sDirStorico = cartella.path().string() + "/";
    const VoceRegistro letta = voce(2026y / January / 1, 2026y / January / 31);
    writeFile(percorsoRegistro(sDirStorico),
        "Data;Periodo;Esito\r\n;;;\r\n\"04/05/2026 09:05:07\";\"01/01/2026\"\r\n" + rigaRegistro(letta)
            + "riga scritta a mano\r\n");
    const std::vector<VoceRegistro> voci = leggiRegistro(sDirStorico);
    ASSERT_EQ(voci.size(), 1u);
    EXPECT_EQ(rigaRegistro(voci.front()), rigaRegistro(letta));
}

TEST(RegistroEsportazioni, NewRegisterHeaderAndLineInWindows1252WithCrLf)
{
    testing_support::TempDir cartella;
    // The history folder is made when missing.
    const std::string sDirStorico = (cartella / "storico").string() + "/";
    VoceRegistro registrata = voce(2026y / March / 1, 2026y / March / 31, EsitoRegistro::NonCompletata,
        local_days { 2026y / April / 2 } + 7h + 4min + 9s);
    registrata.sContratto = "Pediatria \"libera\" e pi\xF9";
    registrata.file[1] = { true, 12, 345 };
    registrata.file[3] = { true, 7, 7 };
    registrata.nScartati = 3;
    ASSERT_EQ(registraEsportazione(sDirStorico, registrata).riga, "");
    EXPECT_EQ(readFile(percorsoRegistro(sDirStorico)),
        "\"Data esportazione\";\"Dal\";\"Al\";\"Contratto\";\"Codice regionale\";\"Esito\";"
        "\"ACCESSI.DAT righe\";\"ACCESSI.DAT prestazioni\";\"PPIP.DAT righe\";\"PPIP.DAT prestazioni\";"
        "\"VACCINI.DAT righe\";\"VACCINI.DAT prestazioni\";\"BILSALU.DAT righe\";\"BILSALU.DAT prestazioni\";"
        "\"Prestazioni scartate\"\r\n"
        "\"02/04/2026 07:04:09\";\"01/03/2026\";\"31/03/2026\";\"Pediatria \"\"libera\"\" e pi\xF9\";\"123456\";"
        "\"non completata\";\"\";\"\";\"12\";\"345\";\"\";\"\";\"7\";\"7\";\"3\"\r\n");
    const std::vector<VoceRegistro> voci = leggiRegistro(sDirStorico);
    ASSERT_EQ(voci.size(), 1u);
    EXPECT_EQ(rigaRegistro(voci.front()), rigaRegistro(registrata));
}

// A spreadsheet holds the register it shows against writing; a full disk or no rights do the same.
TEST(RegistroEsportazioni, LineTheRegisterCannotTakeWaitsBesideItCountedAndGoesInOnceInOrder)
{
    testing_support::TempDir cartella;
    const std::string sDirStorico = cartella.path().string() + "/";
    const std::string sRegistro = percorsoRegistro(sDirStorico);
    const std::string sAttesa = sDirStorico + kFileRegistroInAttesa;
    const VoceRegistro febbraio = voce(2026y / February / 1, 2026y / February / 28);
    const VoceRegistro marzo = voce(2026y / March / 1, 2026y / March / 31);
    const VoceRegistro aprile = voce(2026y / April / 1, 2026y / April / 30);
    ASSERT_EQ(registraEsportazione(sDirStorico, febbraio).riga, "");
    const std::string registroPrima = readFile(sRegistro);

    // A register that cannot be opened for writing: here a folder stands in its place.
    std::filesystem::rename(sRegistro, sDirStorico + "spostato");
    std::filesystem::create_directory(sRegistro);
    const Registrazione inAttesa = registraEsportazione(sDirStorico, marzo);
    EXPECT_TRUE(inAttesa.breve.starts_with("Registro delle esportazioni non aggiornato: "));
    EXPECT_TRUE(inAttesa.breve.ends_with("; la riga sar\xE0 aggiunta alla prossima esportazione.")) << inAttesa.breve;
    EXPECT_EQ(readFile(sAttesa), rigaRegistro(marzo));
    EXPECT_EQ(riga(righeRegistro(leggiRegistro(sDirStorico), "123456", il(2026y / April / 2)), "ATTENZIONE:"), "")
        << "the month just exported is named";

    // Once the register can take lines again, the waiting one goes in before the run's own, once.
    std::filesystem::remove(sRegistro);
    std::filesystem::rename(sDirStorico + "spostato", sRegistro);
    ASSERT_EQ(registraEsportazione(sDirStorico, aprile).riga, "");
    EXPECT_EQ(readFile(sRegistro), registroPrima + rigaRegistro(marzo) + rigaRegistro(aprile));
    EXPECT_FALSE(std::filesystem::exists(sAttesa));

    // A waiting file that outlived the lines' going in (it could not be removed) adds nothing twice,
    // nor at the next start.
    writeFile(sAttesa, rigaRegistro(marzo));
    registraRigheInAttesa(sDirStorico);
    EXPECT_EQ(readFile(sRegistro), registroPrima + rigaRegistro(marzo) + rigaRegistro(aprile));
    EXPECT_EQ(leggiRegistro(sDirStorico).size(), 3u);
}
