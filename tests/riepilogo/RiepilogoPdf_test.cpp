#include "riepilogo/RiepilogoPdf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/TestSupport.h"

namespace {

using namespace std::chrono;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// The report is written under a temporary name beside its place: what a run that died left under
// that name is not part of it, and a report that cannot be put in place leaves nothing behind.
TEST(RiepilogoPdf, WholeOrAbsentWithNoTemporaryFileLeft)
{
    struct Caso {
        const char* colpa;
        std::function<void(const TempDir&)> prima;
        bool scritto;
    };
    const Caso casi[] = {
        { "the temporary file of a run that died taken as the start of the report",
            [](const TempDir& cartella) { writeFile(cartella / "RIEPILOGO.pdf.tmp", "RESTO DI UN'ALTRA ESECUZIONE"); },
            true },
        { "the temporary file left behind when the report cannot take its place",
            [](const TempDir& cartella) { std::filesystem::create_directory(cartella / "RIEPILOGO.pdf"); }, false },
    };
    const EsitoTracciato esito { "Operazione completata.", "MMG", {}, {}, {}, {}, {} };
    const ContenutoTracciato contenuto;
    const DatiRiepilogo dati { "160741", "MMG", { 2024y / June / 1, 2024y / June / 30 },
        local_days { 2024y / July / 1 } + hours { 9 }, esito, contenuto };
    for (const Caso& caso : casi) {
        TempDir cartella;
        caso.prima(cartella);

        const std::optional<std::string> motivo = scriviRiepilogoPdf(dati, (cartella / "RIEPILOGO.pdf").string());

        EXPECT_EQ(motivo.has_value(), !caso.scritto) << caso.colpa;
        if (caso.scritto) {
            EXPECT_EQ(readFile(cartella / "RIEPILOGO.pdf").substr(0, 5), "%PDF-") << caso.colpa;
        }
        EXPECT_FALSE(std::filesystem::exists(cartella / "RIEPILOGO.pdf.tmp")) << caso.colpa;
    }
}

} // namespace
