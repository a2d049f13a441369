#include "storico/ConfrontoMesi.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

// A run of the period made on the day given, with this many PPIP.DAT services (none: no file).
VoceRegistro voce(year_month_day dal, year_month_day al, year_month_day fatta, std::int64_t ppip,
    EsitoRegistro esito = EsitoRegistro::Completata, const char* contratto = "MMG", const char* codice = "160741")
{
    VoceRegistro v { local_days { fatta }, { dal, al }, contratto, codice, esito, {}, 0 };
    if (ppip > 0)
        v.file[1] = { true, 1, ppip };
    return v;
}

// The whole month, exported on the 2nd of the next.
VoceRegistro mese(year_month m, std::int64_t ppip, EsitoRegistro esito = EsitoRegistro::Completata,
    const char* contratto = "MMG", const char* codice = "160741")
{
    return voce(m / 1, m / last, (m + months { 1 }) / 2, ppip, esito, contratto, codice);
}

} // namespace

TEST(ConfrontoMesi, EachFileAgainstTheDoctorsLastThreeFinishedMonthsAWarningUnderHalfTheirMedian)
{
    constexpr year_month marzo = 2026y / March;
    const struct {
        const char* regola;
        std::vector<VoceRegistro> voci;
        Periodo periodo;
        std::int64_t ppip; // the run's PPIP.DAT services
        const char* riga; // the summary's PPIP.DAT line, "" when none
        bool avviso;
    } casi[] = {
        { "the doctor's finished exports of whole months before, the last three, each month's latest",
            { mese(2025y / December, 1498), mese(2026y / January, 0, EsitoRegistro::NessunaPrestazione),
                mese(2026y / February, 1602), mese(marzo, 100), mese(marzo, 1469),
                mese(2026y / February, 9, EsitoRegistro::NonCompletata), mese(marzo, 9, EsitoRegistro::Completata, ""),
                mese(marzo, 9, EsitoRegistro::Completata, "MMG", "999999"),
                voce(marzo / 1, marzo / 15, 2026y / April / 1, 9), voce(marzo / 1, marzo / last, marzo / 20, 9),
                mese(2026y / April, 9) },
            { 2026y / April / 1, 2026y / April / 30 }, 1200,
            "PPIP.DAT: 1.200 prestazioni (marzo 2026: 1.469, febbraio 2026: 1.602, gennaio 2026: 0)", false },
        { "under half the median, not the mean",
            { mese(2026y / January, 1500), mese(2026y / February, 900), mese(marzo, 1600) },
            { 2026y / April / 1, 2026y / April / 30 }, 749,
            "PPIP.DAT: 749 prestazioni (marzo 2026: 1.600, febbraio 2026: 900, gennaio 2026: 1.500)", true },
        { "half the median is no shortfall", { mese(2026y / February, 900), mese(marzo, 1100) },
            { 2026y / April / 1, 2026y / April / 30 }, 500,
            "PPIP.DAT: 500 prestazioni (marzo 2026: 1.100, febbraio 2026: 900)", false },
        { "a file that had services and now has none", { mese(2026y / February, 900), mese(marzo, 1100) },
            { 2026y / April / 1, 2026y / April / 30 }, 0,
            "PPIP.DAT: 0 prestazioni (marzo 2026: 1.100, febbraio 2026: 900)", true },
        { "one month before is not enough for a warning", { mese(marzo, 1100) },
            { 2026y / April / 1, 2026y / April / 30 }, 0, "PPIP.DAT: 0 prestazioni (marzo 2026: 1.100)", false },
        { "a run of part of a month is set beside none", { mese(2026y / February, 900), mese(marzo, 1100) },
            { 2026y / April / 1, 2026y / April / 15 }, 10, "", false },
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.regola);
        ContenutoTracciato contenuto;
        if (caso.ppip > 0) {
            contenuto.file.emplace_back().tracciato = &kTracciatoPpip;
            contenuto.file.back().totale.prestazioni = caso.ppip;
        }
        EsitoTracciato esito;
        aggiungiConfronto(esito, confrontaMesi(caso.voci, "160741", caso.periodo, contenuto));
        EXPECT_EQ(
            esito.conteggi, *caso.riga ? std::string("\r\n\r\nConfronto con i mesi precedenti:\r\n") + caso.riga : "");
        const std::string avviso = caso.riga
            + std::string(", meno della met\xE0 dei mesi precedenti: verificare in Orvella che le prestazioni del "
                          "periodo siano registrate.");
        ASSERT_EQ(esito.avvisi.size(), caso.avviso ? 1u : 0u);
        if (caso.avviso)
            EXPECT_EQ(esito.avvisi.front().testo + "|" + esito.avvisi.front().brevi.at(0),
                "ATTENZIONE: " + avviso + "|" + avviso);
    }
}
