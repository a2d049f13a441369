#include "storico/RegistroEsportazioni.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "storico/MesiNonEsportati.h"
#include "support/TestSupport.h"

using namespace std::chrono;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

VoceRegistro voce(year_month_day dal, year_month_day al, EsitoRegistro esito = EsitoRegistro::Completata,
    platform::LocalTime quando = local_days { 2026y / May / 4 } + 9h + 5min + 7s)
{
    return { quando, { dal, al }, "MMG", "123456", esito, {}, 0 };
}

platform::LocalTime il(year_month_day giorno)
{
    return local_days { giorno } + 10h;
}

std::string attenzione(const std::vector<std::string>& righe)
{
    const auto riga = std::find_if(
        righe.begin(), righe.end(), [](const std::string& testo) { return testo.starts_with("ATTENZIONE:"); });
    return riga == righe.end() ? std::string() : *riga;
}

std::string dallInizio(const std::vector<std::string>& righe)
{
    const auto riga = std::find_if(righe.begin(), righe.end(),
        [](const std::string& testo) { return testo.starts_with("Il registro delle esportazioni comprende"); });
    return riga == righe.end() ? std::string() : *riga;
}

} // namespace

struct CasoMesi {
    const char* nome;
    std::vector<VoceRegistro> voci;
    platform::LocalTime adesso;
    const char* avviso; // "" when every month judged was exported
    const char* inizio; // the register's start when it leaves months of the twelve unjudged, else ""
};

TEST(MesiNonEsportati, MonthCoveredOnlyByFinishedRunsDayByDaySinceTheRegisterStarted)
{
    const CasoMesi casi[] = {
        { "skipped month",
            { voce(2026y / January / 1, 2026y / January / 31), voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / April / 1, 2026y / April / 30) },
            il(2026y / May / 4), "ATTENZIONE: mesi non esportati: marzo 2026.", "01/01/2026" },
        { "two partial periods that meet",
            { voce(2026y / March / 1, 2026y / March / 15),
                voce(2026y / March / 16, 2026y / March / 31, EsitoRegistro::NessunaPrestazione) },
            il(2026y / April / 2), "", "01/03/2026" },
        { "two partial periods a day apart",
            { voce(2026y / March / 1, 2026y / March / 15), voce(2026y / March / 17, 2026y / March / 31) },
            il(2026y / April / 2), "ATTENZIONE: mesi non esportati: marzo 2026.", "01/03/2026" },
        { "runs that did not finish",
            { voce(2026y / February / 1, 2026y / February / 28),
                voce(2026y / March / 1, 2026y / March / 31, EsitoRegistro::NonCompletata),
                voce(2026y / April / 1, 2026y / April / 30, EsitoRegistro::Interrotta) },
            il(2026y / May / 20), "ATTENZIONE: mesi non esportati: marzo 2026, aprile 2026.", "01/02/2026" },
        { "months before the register's first period",
            { voce(2026y / June / 1, 2026y / June / 30, EsitoRegistro::NonCompletata),
                voce(2026y / August / 1, 2026y / August / 31) },
            il(2026y / October / 1), "ATTENZIONE: mesi non esportati: giugno 2026, luglio 2026, settembre 2026.",
            "01/06/2026" },
        { "year boundary",
            { voce(2026y / November / 1, 2026y / November / 30), voce(2027y / January / 1, 2027y / January / 31) },
            il(2027y / February / 1), "ATTENZIONE: mesi non esportati: dicembre 2026.", "01/11/2026" },
        { "one period of a year, the register older than the twelve months",
            { voce(2024y / January / 1, 2024y / December / 31), voce(2025y / January / 1, 2025y / December / 31) },
            il(2026y / January / 10), "", "" },
        { "the twelve months only, the current one not yet", { voce(2024y / January / 1, 2024y / January / 31) },
            il(2026y / March / 3),
            "ATTENZIONE: mesi non esportati: marzo 2025, aprile 2025, maggio 2025, giugno 2025, luglio 2025, "
            "agosto 2025, settembre 2025, ottobre 2025, novembre 2025, dicembre 2025, gennaio 2026, febbraio 2026.",
            "" },
    };
    for (const CasoMesi& caso : casi) {
        SCOPED_TRACE(caso.nome);
        const std::vector<std::string> righe = righeRegistro(caso.voci, caso.adesso);
        EXPECT_EQ(attenzione(righe), caso.avviso);
        EXPECT_EQ(dallInizio(righe),
            *caso.inizio ? "Il registro delle esportazioni comprende i periodi dal " + std::string(caso.inizio)
                    + ": i mesi precedenti non sono controllati."
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
        ASSERT_EQ(registraEsportazione(sDirStorico, prima), "");
        ASSERT_EQ(registraEsportazione(sDirStorico, seconda), "");
        const std::string sFile = percorsoRegistro(sDirStorico);
        const std::string troncato = readFile(sFile).substr(0, readFile(sFile).size() - riga.size() + caso.lasciati);
        writeFile(sFile, troncato);

        ASSERT_EQ(registraEsportazione(sDirStorico, terza), "");
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
    ASSERT_EQ(registraEsportazione(sDirStorico, registrata), "");
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
