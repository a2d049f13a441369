#include "storico/ConfrontoMesi.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

constexpr year_month kMarzo = 2026y / March;

// The whole month's run, made on the 2nd of the next, with this many PPIP.DAT services (none: no file).
VoceRegistro mese(year_month m, std::int64_t ppip, EsitoRegistro esito = EsitoRegistro::Completata)
{
    VoceRegistro voce { local_days { (m + months { 1 }) / 2 }, { m / 1, m / last }, "MMG", "160741", esito, {}, 0 };
    if (ppip > 0)
        voce.file[1] = { true, 1, ppip };
    return voce;
}

} // namespace

TEST(ConfrontoMesi, EachFileAgainstTheDoctorsLastThreeFinishedMonthsAWarningUnderHalfTheirMedian)
{
    // Lines that do not count: another doctor's, of no contract, of half a month, made before the
    // month ended, not finished, of the run's own month.
    std::vector<VoceRegistro> registro { mese(2025y / December, 1498),
        mese(2026y / January, 0, EsitoRegistro::NessunaPrestazione), mese(2026y / February, 1602), mese(kMarzo, 100),
        mese(kMarzo, 1469) };
    for (int altra = 0; altra < 6; ++altra)
        registro.push_back(mese(altra < 5 ? kMarzo : 2026y / April, 9,
            altra == 4 ? EsitoRegistro::NonCompletata : EsitoRegistro::Completata));
    registro[5].sCodiceRegionale = "999999";
    registro[6].sContratto = "";
    registro[7].periodo.allaData = kMarzo / 15;
    registro[8].quando = local_days { kMarzo / 20 };
    const struct {
        const char* regola;
        std::vector<VoceRegistro> voci;
        std::int64_t ppip; // the run's PPIP.DAT services
        const char* riga; // the summary's PPIP.DAT line, "" when none
        bool avviso;
        Periodo periodo = { 2026y / April / 1, 2026y / April / 30 };
    } casi[] = {
        { "the doctor's finished exports of whole months before, the last three, each month's latest", registro, 1200,
            "PPIP.DAT: 1.200 prestazioni (marzo 2026: 1.469, febbraio 2026: 1.602, gennaio 2026: 0)", false },
        { "under half the median, not the mean",
            { mese(2026y / January, 1500), mese(2026y / February, 900), mese(kMarzo, 1600) }, 749,
            "PPIP.DAT: 749 prestazioni (marzo 2026: 1.600, febbraio 2026: 900, gennaio 2026: 1.500)", true },
        { "half the median is no shortfall", { mese(2026y / February, 900), mese(kMarzo, 1100) }, 500,
            "PPIP.DAT: 500 prestazioni (marzo 2026: 1.100, febbraio 2026: 900)", false },
        { "a file that had services and now has none", { mese(2026y / February, 900), mese(kMarzo, 1100) }, 0,
            "PPIP.DAT: 0 prestazioni (marzo 2026: 1.100, febbraio 2026: 900)", true },
        { "one month before is not enough for a warning", { mese(kMarzo, 1100) }, 0,
            "PPIP.DAT: 0 prestazioni (marzo 2026: 1.100)", false },
        { "a run of part of a month is set beside none", { mese(2026y / February, 900), mese(kMarzo, 1100) }, 10, "",
            false, { 2026y / April / 1, 2026y / April / 15 } },
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
        EXPECT_EQ(esito.avvisi.size(), caso.avviso ? 1u : 0u);
    }
}
