#include "storico/ConfrontoMesi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono;

namespace {

constexpr const char* kCodice = "160741";

// A run of the whole month with this many PPIP.DAT services (none: no such file).
VoceRegistro mese(year_month m, std::int64_t ppip, EsitoRegistro esito = EsitoRegistro::Completata,
    const char* contratto = "MMG", const char* codice = kCodice)
{
    VoceRegistro voce { local_days { (m + months { 1 }) / 2 } + 9h, { m / 1, m / last }, contratto, codice, esito, {},
        0 };
    if (ppip > 0)
        voce.file[1] = { true, 1, ppip };
    return voce;
}

ContenutoTracciato conPpip(std::int64_t prestazioni)
{
    ContenutoTracciato contenuto;
    if (prestazioni > 0) {
        FileDichiarato file;
        file.tracciato = &kTracciatoPpip;
        file.totale.prestazioni = prestazioni;
        contenuto.file.push_back(std::move(file));
    }
    return contenuto;
}

const Periodo kAprile { 2026y / April / 1, 2026y / April / 30 };

} // namespace

struct CasoConfronto {
    const char* regola;
    std::vector<VoceRegistro> voci;
    Periodo periodo;
    std::int64_t ppip; // the run's PPIP.DAT services
    const char* riga; // the summary's PPIP.DAT line, "" when none
    bool avviso;
};

TEST(ConfrontoMesi, EachFileAgainstTheDoctorsLastThreeFinishedMonthsAWarningUnderHalfTheirMedian)
{
    const CasoConfronto casi[] = {
        { "the last three months, the latest first, thousands with a dot",
            { mese(2025y / December, 1498), mese(2026y / January, 1551), mese(2026y / February, 1602),
                mese(2026y / March, 1469) },
            kAprile, 1200, "PPIP.DAT: 1.200 prestazioni (marzo 2026: 1.469, febbraio 2026: 1.602, gennaio 2026: 1.551)",
            false },
        { "under half the median",
            { mese(2026y / January, 1500), mese(2026y / February, 900), mese(2026y / March, 1600) }, kAprile, 749,
            "PPIP.DAT: 749 prestazioni (marzo 2026: 1.600, febbraio 2026: 900, gennaio 2026: 1.500)", true },
        { "half the median is no shortfall", { mese(2026y / February, 900), mese(2026y / March, 1100) }, kAprile, 500,
            "PPIP.DAT: 500 prestazioni (marzo 2026: 1.100, febbraio 2026: 900)", false },
        { "a file that had services and now has none", { mese(2026y / February, 900), mese(2026y / March, 1100) },
            kAprile, 0, "PPIP.DAT: 0 prestazioni (marzo 2026: 1.100, febbraio 2026: 900)", true },
        { "one month before is not enough for a warning", { mese(2026y / March, 1100) }, kAprile, 0,
            "PPIP.DAT: 0 prestazioni (marzo 2026: 1.100)", false },
        { "a month exported again counts as its last export",
            { mese(2026y / February, 1000), mese(2026y / March, 100), mese(2026y / March, 1000) }, kAprile, 400,
            "PPIP.DAT: 400 prestazioni (marzo 2026: 1.000, febbraio 2026: 1.000)", true },
        { "runs not finished, of another doctor or of no known contract do not count",
            { mese(2026y / January, 1000), mese(2026y / February, 10, EsitoRegistro::NonCompletata),
                mese(2026y / February, 10, EsitoRegistro::Interrotta),
                mese(2026y / March, 10, EsitoRegistro::Completata, "MMG", "999999"),
                mese(2026y / March, 10, EsitoRegistro::Completata, "") },
            kAprile, 400, "PPIP.DAT: 400 prestazioni (gennaio 2026: 1.000)", false },
        { "a month of no services counts",
            { mese(2026y / February, 1000), mese(2026y / March, 0, EsitoRegistro::NessunaPrestazione) }, kAprile, 400,
            "PPIP.DAT: 400 prestazioni (marzo 2026: 0, febbraio 2026: 1.000)", false },
        { "the run's own month and those after are not before it",
            { mese(2026y / February, 1000), mese(2026y / April, 1000), mese(2026y / May, 1000) }, kAprile, 400,
            "PPIP.DAT: 400 prestazioni (febbraio 2026: 1.000)", false },
        { "a run made before its month ended covered it only up to that day",
            { mese(2026y / January, 1000), mese(2026y / February, 1000),
                { local_days { 2026y / March / 20 }, { 2026y / March / 1, 2026y / March / 31 }, "MMG", kCodice,
                    EsitoRegistro::Completata, {}, 0 } },
            kAprile, 1000, "PPIP.DAT: 1.000 prestazioni (febbraio 2026: 1.000, gennaio 2026: 1.000)", false },
        { "a period of part of a month is no month",
            { mese(2026y / January, 1000), mese(2026y / February, 1000),
                { local_days { 2026y / April / 2 }, { 2026y / March / 1, 2026y / March / 15 }, "MMG", kCodice,
                    EsitoRegistro::Completata, {}, 0 } },
            kAprile, 1000, "PPIP.DAT: 1.000 prestazioni (febbraio 2026: 1.000, gennaio 2026: 1.000)", false },
        { "a run of part of a month is set beside none", { mese(2026y / February, 1000), mese(2026y / March, 1000) },
            { 2026y / April / 1, 2026y / April / 15 }, 10, "", false },
    };
    for (const CasoConfronto& caso : casi) {
        SCOPED_TRACE(caso.regola);
        EsitoTracciato esito;
        aggiungiConfronto(esito, confrontaMesi(caso.voci, kCodice, caso.periodo, conPpip(caso.ppip)));
        EXPECT_EQ(
            esito.conteggi, *caso.riga ? std::string("\r\n\r\nConfronto con i mesi precedenti:\r\n") + caso.riga : "");
        const std::string avviso = std::string(caso.riga)
            + ", meno della met\xE0 dei mesi precedenti: verificare in Orvella che le prestazioni del periodo siano "
              "registrate.";
        EXPECT_EQ(esito.avvisi.size(), caso.avviso ? 1u : 0u);
        if (caso.avviso && !esito.avvisi.empty()) {
            EXPECT_EQ(esito.avvisi.front().testo, "ATTENZIONE: " + avviso);
            EXPECT_EQ(esito.avvisi.front().brevi, std::vector<std::string> { avviso });
        }
    }
}
