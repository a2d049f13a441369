#include "export/LarghezzaRecord.h"

#include <gtest/gtest.h>

#include <functional>

#include "export/Records.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// One record of a layout from the fields a service can bring.
struct Campi {
    std::string codiceFiscale = "abcdef12g34h567i";
    std::string sCodiceRegionale = "4711";
    std::string data = "2024-01-31";
    std::int32_t numero = 1;
    std::string codePuglia = "1";
};

struct Tracciato {
    const char* nome;
    std::size_t larghezza;
    std::function<std::string(const Campi&)> record;
};

const Tracciato kTracciati[] = {
    { "ACCESSI.DAT", kLarghezzaAccessi,
        [](const Campi& c) {
            return recordAccessi(c.codiceFiscale, c.sCodiceRegionale, c.data, c.numero, c.codePuglia);
        } },
    { "PPIP.DAT", kLarghezzaPpip,
        [](const Campi& c) {
            return recordPpip(c.codiceFiscale, c.sCodiceRegionale, c.codePuglia, c.data, c.numero);
        } },
    { "BILSALU.DAT", kLarghezzaBilsalu,
        [](const Campi& c) { return recordBilsalu(c.codiceFiscale, c.sCodiceRegionale, c.data, c.numero); } },
};

struct Caso {
    const char* descrizione;
    std::function<void(Campi&)> cambia;
    // Which layouts the change pushes out of measure: ACCESSI, PPIP, BILSALU.
    bool fuoriMisura[3];
};

const Caso kCasi[] = {
    { "ordinary fields", [](Campi&) {}, { false, false, false } },
    { "empty fiscal code", [](Campi& c) { c.codiceFiscale.clear(); }, { false, false, false } },
    { "fiscal code of 17", [](Campi& c) { c.codiceFiscale += "x"; }, { true, true, true } },
    { "regional code of 7 digits", [](Campi& c) { c.sCodiceRegionale = "1234567"; }, { true, true, true } },
    { "count of 9999", [](Campi& c) { c.numero = 9999; }, { false, false, true } },
    { "count over 9999", [](Campi& c) { c.numero = 10000; }, { true, false, true } },
    { "count over 99999", [](Campi& c) { c.numero = 100000; }, { true, true, true } },
    { "service code of 2", [](Campi& c) { c.codePuglia = "12"; }, { true, false, false } },
    { "date cut short", [](Campi& c) { c.data = "2024-1-5"; }, { false, false, false } },
    { "regional code of 6 digits", [](Campi& c) { c.sCodiceRegionale = "123456"; }, { false, false, false } },
};

} // namespace

TEST(LarghezzaRecord, EveryLayoutFlagsTheFieldsThatOverflowIt)
{
    TempDir cartella;
    for (std::size_t t = 0; t < std::size(kTracciati); ++t) {
        const Tracciato& tracciato = kTracciati[t];
        for (const Caso& caso : kCasi) {
            Campi campi;
            caso.cambia(campi);
            // Two good records around the one under test, which stands on line 2.
            const std::string file = (cartella / tracciato.nome).string();
            writeFile(file, tracciato.record(Campi {}) + tracciato.record(campi) + tracciato.record(Campi {}));

            const RigheFuoriMisura righe = righeFuoriMisura(file, tracciato.larghezza);
            if (caso.fuoriMisura[t]) {
                EXPECT_EQ(righe.n, 1) << tracciato.nome << ": " << caso.descrizione;
                EXPECT_EQ(righe.prime, std::vector<std::int32_t> { 2 }) << tracciato.nome << ": " << caso.descrizione;
            } else {
                EXPECT_EQ(righe.n, 0) << tracciato.nome << ": " << caso.descrizione;
            }
        }
    }
}

TEST(LarghezzaRecord, RecordsAreSplitAtCrLfOnly)
{
    TempDir cartella;
    const std::string file = (cartella / "PPIP.DAT").string();
    const std::string buono(40, 'A');
    struct CasoFile {
        const char* descrizione;
        std::string contenuto;
        RigheFuoriMisura atteso;
    };
    const CasoFile casi[] = {
        { "empty file", "", {} },
        { "good records", buono + "\r\n" + buono + "\r\n", {} },
        // A bare line feed or carriage return inside a field is part of the record.
        { "line feed inside", buono.substr(0, 20) + "\n" + buono.substr(20) + "\r\n", { 1, { 1 } } },
        { "carriage return inside", buono + "\r\r\n", { 1, { 1 } } },
        { "empty line", buono + "\r\n\r\n" + buono + "\r\n", { 1, { 2 } } },
        { "last record without its line end", buono + "\r\n" + buono, { 1, { 2 } } },
        { "short record", buono + "\r\n" + buono.substr(1) + "\r\n", { 1, { 2 } } },
        { "many", std::string(5, 'x') + "\r\n" + buono + "\r\nx\r\ny\r\nz\r\n", { 4, { 1, 3, 4 } } },
    };
    for (const CasoFile& caso : casi) {
        writeFile(file, caso.contenuto);
        const RigheFuoriMisura righe = righeFuoriMisura(file, 40);
        EXPECT_EQ(righe.n, caso.atteso.n) << caso.descrizione;
        EXPECT_EQ(righe.prime, caso.atteso.prime) << caso.descrizione;
    }
    EXPECT_EQ(righeFuoriMisura((cartella / "assente.DAT").string(), 40).n, 0);
}

TEST(LarghezzaRecord, RecordsAcrossTheReadingBlocksAreMeasuredWhole)
{
    TempDir cartella;
    const std::string file = (cartella / "ACCESSI.DAT").string();
    // 39 bytes a record: the 65,536-byte blocks end inside records and between CR and LF.
    std::string contenuto;
    for (int i = 0; i < 5000; ++i)
        contenuto += (i == 3000 ? std::string(38, 'B') : std::string(37, 'A')) + "\r\n";
    writeFile(file, contenuto);
    const RigheFuoriMisura righe = righeFuoriMisura(file, 37);
    EXPECT_EQ(righe.n, 1);
    EXPECT_EQ(righe.prime, std::vector<std::int32_t> { 3001 });
}

TEST(LarghezzaRecord, WarningNamesTheFileTheCountAndTheFirstThreeLines)
{
    EXPECT_EQ(avvisoLarghezza("ACCESSI.DAT", 37, {}), "");
    EXPECT_EQ(avvisoLarghezza("PPIP.DAT", 40, { 1, { 7 } }),
        "ATTENZIONE: 1 riga di PPIP.DAT non \xE8 di 40 caratteri (riga 7): il file non \xE8 conforme al tracciato.");
    EXPECT_EQ(avvisoLarghezza("BILSALU.DAT", 34, { 3, { 1, 2, 9 } }),
        "ATTENZIONE: 3 righe di BILSALU.DAT non sono di 34 caratteri (righe 1, 2, 9): il file non \xE8 conforme al "
        "tracciato.");
    EXPECT_EQ(avvisoLarghezza("ACCESSI.DAT", 37, { 12, { 4, 5, 6 } }),
        "ATTENZIONE: 12 righe di ACCESSI.DAT non sono di 37 caratteri (righe 4, 5, 6 e altre): il file non \xE8 "
        "conforme al tracciato.");
}

TEST(LarghezzaRecord, RunWarningsCoverTheFixedWidthFilesInOrder)
{
    TempDir cartella;
    UnitaFormMain unita;
    const auto percorso = [&](const char* nome) { return (cartella / nome).string(); };
    unita.sFileBilsalu = percorso("BILSALU.DAT");
    unita.sFileAccessi = percorso("ACCESSI.DAT");
    unita.sFilePpip = percorso("PPIP.DAT");
    unita.sFileVaccini = percorso("VACCINI.DAT");
    unita.sFileSconosciuti = percorso("trx_sconosciuti.txt");
    writeFile(unita.sFileBilsalu, std::string(35, 'B') + "\r\n");
    writeFile(unita.sFileAccessi, std::string(37, 'A') + "\r\n");
    writeFile(unita.sFileVaccini, std::string(40, 'V') + "\r\n" + std::string(37, 'V') + "\r\n");
    // Entries of unknown services run on in one line: no width to keep.
    writeFile(unita.sFileSconosciuti, "*SCONOSCIUTO: Nome Prestazione*: X *Data*:2024-01-01 *Codice Orvella*: 1");

    EXPECT_EQ(avvisiLarghezza(unita),
        "\r\n\r\nATTENZIONE: 1 riga di BILSALU.DAT non \xE8 di 34 caratteri (riga 1): il file non \xE8 conforme al "
        "tracciato."
        "\r\nATTENZIONE: 1 riga di VACCINI.DAT non \xE8 di 40 caratteri (riga 2): il file non \xE8 conforme al "
        "tracciato.");

    writeFile(unita.sFileBilsalu, std::string(34, 'B') + "\r\n");
    writeFile(unita.sFileVaccini, std::string(40, 'V') + "\r\n");
    EXPECT_EQ(avvisiLarghezza(unita), "");
}
