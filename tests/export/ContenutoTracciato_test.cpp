#include "export/ContenutoTracciato.h"

#include <gtest/gtest.h>

#include <numeric>

#include "support/TestSupport.h"

namespace {

using testing_support::TempDir;
using testing_support::writeFile;

// The claim report prints the file's totals under its rows: they must be the rows' sums, and a line
// of another width, which no row holds, is counted apart.
TEST(ContenutoTracciato, TotalsAreTheSumsOfTheRowsAndALineOfAnotherWidthIsCountedApart)
{
    TempDir cartella;
    // Fiscal code, regional code, service code, date, count.
    writeFile(cartella / "PPIP.DAT",
        "ABCDEF12G34H567I160741001"
        "05/01/2024"
        "00002\r\n"
        "ABCDEF12G34H567I160741002"
        "06/01/2024"
        "00001\r\n"
        "ABCDEF12G34H567I16074100206/01/2024000\r\n"
        "ZYXWVU98T76S543R160741002"
        "07/01/2024"
        "00003\r\n");
    UnitaFormMain unita;
    unita.sFilePpip = (cartella / "PPIP.DAT").string();
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();

    using namespace std::chrono;
    const ContenutoTracciato contenuto
        = leggiContenutoTracciato(unita, tabella, "MMG", { 2024y / January / 1, 2024y / January / 31 });

    ASSERT_EQ(contenuto.file.size(), 1u);
    const FileDichiarato& file = contenuto.file.front();
    ASSERT_EQ(file.servizi.size(), 2u);
    const auto somma = [&file](auto campo) {
        return std::accumulate(file.servizi.begin(), file.servizi.end(), std::int64_t { 0 },
            [campo](std::int64_t totale, const ServizioDichiarato& servizio) { return totale + servizio.*campo; });
    };
    EXPECT_EQ(file.totale.righe, 3);
    EXPECT_EQ(somma(&ServizioDichiarato::righe), file.totale.righe);
    EXPECT_EQ(file.totale.prestazioni, 6);
    EXPECT_EQ(somma(&ServizioDichiarato::prestazioni), file.totale.prestazioni);
    EXPECT_EQ(file.righeNonConformi, 1);
    EXPECT_EQ(file.totale.pazienti, 2);
    // The record check comes from the same reading: every line the region receives, one faulty.
    EXPECT_EQ(file.difetti.righe, 4);
    EXPECT_EQ(file.difetti.n, 1);
}

} // namespace
