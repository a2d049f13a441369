#include "export/ControlloRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

#include "export/ContenutoTracciato.h"
#include "export/Records.h"
#include "support/TestSupport.h"

using namespace std::chrono;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr Periodo kPrimoTrimestre { 2024y / January / 1, 2024y / March / 31 };

Difetti difetti(std::initializer_list<Difetto> elenco)
{
    Difetti insieme;
    for (const Difetto d : elenco)
        insieme.set(static_cast<std::size_t>(d));
    return insieme;
}

const RigheDifettose::Righe& righeCon(const RigheDifettose& righe, Difetto difetto)
{
    return righe.perDifetto[static_cast<std::size_t>(difetto)];
}

// One record of a layout, as its fields without the line end, and the faults it has in the first
// quarter of 2024.
struct CasoRecord {
    const char* colpa; // the mistake of the check that this case would catch
    std::vector<std::string> campi;
    Difetti atteso;
};

std::string unisci(const std::vector<std::string>& campi)
{
    std::string record;
    for (const std::string& campo : campi)
        record += campo;
    return record;
}

void verifica(const TracciatoRecord& tracciato, const std::vector<CasoRecord>& casi)
{
    for (const CasoRecord& caso : casi) {
        const std::string record = unisci(caso.campi);
        EXPECT_EQ(difettiRecord(record, tracciato, kPrimoTrimestre), caso.atteso)
            << tracciato.nome << ": " << caso.colpa << " [" << record << "]";
    }
}

const std::string kCf = "ABCDEF12G34H567I";
const std::string kCfVuoto(16, ' ');

} // namespace

// Fields: fiscal code(16) regional code(6) date(10) count(4) service code(1).
TEST(ControlloRecord, AccessiFieldsCheckedWhereTheLayoutPutsThem)
{
    using enum Difetto;
    verifica(kTracciatoAccessi,
        {
            { "sound record flagged (fields looked for elsewhere)", { kCf, "004711", "31/01/2024", "0001", "1" }, {} },
            { "blank fiscal code let through", { kCfVuoto, "004711", "31/01/2024", "0001", "1" },
                difetti({ CodiceFiscaleVuoto }) },
            { "fiscal code of control characters let through",
                { std::string(16, '\t'), "004711", "31/01/2024", "0001", "1" }, difetti({ CodiceFiscaleVuoto }) },
            { "date of an empty host answer let through", { kCf, "004711", "//        ", "0001", "1" },
                difetti({ DataNonValida }) },
            { "day no calendar has let through", { kCf, "004711", "30/02/2024", "0001", "1" },
                difetti({ DataNonValida }) },
            { "29 February of a common year let through", { kCf, "004711", "29/02/2023", "0001", "1" },
                difetti({ DataNonValida }) },
            { "29 February of a leap year refused", { kCf, "004711", "29/02/2024", "0001", "1" }, {} },
            { "month 13 let through", { kCf, "004711", "10/13/2024", "0001", "1" }, difetti({ DataNonValida }) },
            { "host's own date form let through", { kCf, "004711", "2024-01-31", "0001", "1" },
                difetti({ DataNonValida }) },
            { "blank in the day let through", { kCf, "004711", " 1/01/2024", "0001", "1" },
                difetti({ DataNonValida }) },
            { "day before the period let through", { kCf, "004711", "31/12/2023", "0001", "1" },
                difetti({ DataFuoriPeriodo }) },
            { "first day of the period refused", { kCf, "004711", "01/01/2024", "0001", "1" }, {} },
            { "last day of the period refused", { kCf, "004711", "31/03/2024", "0001", "1" }, {} },
            { "day after the period let through", { kCf, "004711", "01/04/2024", "0001", "1" },
                difetti({ DataFuoriPeriodo }) },
            { "same day of another year let through", { kCf, "004711", "15/01/2025", "0001", "1" },
                difetti({ DataFuoriPeriodo }) },
            { "count of zero let through (or read with the service code after it)",
                { kCf, "004711", "31/01/2024", "0000", "1" }, difetti({ NumeroNonValido }) },
            { "count with a blank let through", { kCf, "004711", "31/01/2024", "00 1", "1" },
                difetti({ NumeroNonValido }) },
            { "largest count refused", { kCf, "004711", "31/01/2024", "9999", "1" }, {} },
            { "one fault hiding the others", { kCfVuoto, "004711", "31/12/2023", "0000", "1" },
                difetti({ CodiceFiscaleVuoto, DataFuoriPeriodo, NumeroNonValido }) },
            { "shifted fields read as faults of their own", { kCfVuoto, "0047110", "31/01/2024", "0000", "1" },
                difetti({ Larghezza }) },
            { "short record let through", { kCf, "04711", "31/01/2024", "0001", "1" }, difetti({ Larghezza }) },
        });
}

// Fields: fiscal code(16) regional code(6) service code(3) date(10) count(5); VACCINI.DAT alike.
TEST(ControlloRecord, PpipAndVacciniFieldsCheckedWhereTheLayoutPutsThem)
{
    using enum Difetto;
    for (const TracciatoRecord& tracciato : { kTracciatoPpip, kTracciatoVaccini }) {
        verifica(tracciato,
            {
                { "sound record flagged (fields looked for elsewhere)", { kCf, "004711", "008", "10/01/2024", "00003" },
                    {} },
                { "blank fiscal code let through", { kCfVuoto, "004711", "008", "10/01/2024", "00003" },
                    difetti({ CodiceFiscaleVuoto }) },
                { "date of an empty host answer let through", { kCf, "004711", "008", "//        ", "00003" },
                    difetti({ DataNonValida }) },
                { "day no calendar has let through", { kCf, "004711", "008", "31/04/2024", "00003" },
                    difetti({ DataNonValida }) },
                { "day before the period let through", { kCf, "004711", "008", "31/12/2023", "00003" },
                    difetti({ DataFuoriPeriodo }) },
                { "day after the period let through", { kCf, "004711", "008", "01/04/2024", "00003" },
                    difetti({ DataFuoriPeriodo }) },
                { "count of zero let through", { kCf, "004711", "008", "10/01/2024", "00000" },
                    difetti({ NumeroNonValido }) },
                { "largest count refused", { kCf, "004711", "008", "10/01/2024", "99999" }, {} },
                { "fiscal code of 17 checked field by field", { kCf + "X", "004711", "008", "10/01/2024", "00003" },
                    difetti({ Larghezza }) },
            });
    }
}

// Fields: fiscal code(16) regional code(6) date(10) codice bilancio(2): no count.
TEST(ControlloRecord, BilsaluFieldsCheckedWhereTheLayoutPutsThem)
{
    using enum Difetto;
    const std::string cf = "abcdef12g34h567i";
    verifica(kTracciatoBilsalu,
        {
            { "sound record flagged (fields looked for elsewhere)", { cf, "004711", "10/03/2024", "01" }, {} },
            { "codice bilancio 00 taken for a count of zero", { cf, "004711", "10/03/2024", "00" }, {} },
            { "blank fiscal code let through", { kCfVuoto, "004711", "10/03/2024", "01" },
                difetti({ CodiceFiscaleVuoto }) },
            { "date of an empty host answer let through", { cf, "004711", "//        ", "01" },
                difetti({ DataNonValida }) },
            { "day no calendar has let through", { cf, "004711", "30/02/2024", "01" }, difetti({ DataNonValida }) },
            { "day after the period let through", { cf, "004711", "01/04/2024", "01" }, difetti({ DataFuoriPeriodo }) },
            { "long regional code checked field by field", { cf, "1234567", "10/03/2024", "01" },
                difetti({ Larghezza }) },
        });
}

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
    const TracciatoRecord& layout;
    std::function<std::string(const Campi&)> record;
};

const Tracciato kTracciati[] = {
    { kTracciatoAccessi,
        [](const Campi& c) {
            return recordAccessi(c.codiceFiscale, c.sCodiceRegionale, c.data, c.numero, c.codePuglia);
        } },
    { kTracciatoPpip,
        [](const Campi& c) {
            return recordPpip(c.codiceFiscale, c.sCodiceRegionale, c.codePuglia, c.data, c.numero);
        } },
    { kTracciatoBilsalu,
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

TEST(ControlloRecord, EveryLayoutFlagsTheFieldsThatOverflowIt)
{
    TempDir cartella;
    for (std::size_t t = 0; t < std::size(kTracciati); ++t) {
        const Tracciato& tracciato = kTracciati[t];
        for (const Caso& caso : kCasi) {
            Campi campi;
            caso.cambia(campi);
            // Two good records around the one under test, which stands on line 2.
            const std::string file = (cartella / tracciato.layout.nome).string();
            writeFile(file, tracciato.record(Campi {}) + tracciato.record(campi) + tracciato.record(Campi {}));

            const RigheDifettose righe = righeDifettose(file, tracciato.layout, kPrimoTrimestre);
            const RigheDifettose::Righe& fuoriMisura = righeCon(righe, Difetto::Larghezza);
            if (caso.fuoriMisura[t]) {
                EXPECT_EQ(fuoriMisura.n, 1) << tracciato.layout.nome << ": " << caso.descrizione;
                EXPECT_EQ(fuoriMisura.prime, std::vector<std::int32_t> { 2 })
                    << tracciato.layout.nome << ": " << caso.descrizione;
            } else {
                EXPECT_EQ(fuoriMisura.n, 0) << tracciato.layout.nome << ": " << caso.descrizione;
            }
        }
    }
}

TEST(ControlloRecord, RecordsAreSplitAtCrLfOnly)
{
    TempDir cartella;
    const std::string file = (cartella / "PPIP.DAT").string();
    const std::string buono = unisci({ kCf, "004711", "008", "10/01/2024", "00003" });
    struct CasoFile {
        const char* descrizione;
        std::string contenuto;
        std::int32_t n;
        std::vector<std::int32_t> fuoriMisura;
    };
    const CasoFile casi[] = {
        { "empty file", "", 0, {} },
        { "good records", buono + "\r\n" + buono + "\r\n", 0, {} },
        // A bare line feed or carriage return inside a field is part of the record.
        { "line feed inside", buono.substr(0, 20) + "\n" + buono.substr(20) + "\r\n", 1, { 1 } },
        { "line feed first", "\n" + buono + "\r\n", 1, { 1 } },
        { "carriage return inside", buono + "\r\r\n", 1, { 1 } },
        { "empty line", buono + "\r\n\r\n" + buono + "\r\n", 1, { 2 } },
        { "last record without its line end", buono + "\r\n" + buono, 1, { 2 } },
        { "short record", buono + "\r\n" + buono.substr(1) + "\r\n", 1, { 2 } },
        { "many", std::string(5, 'x') + "\r\n" + buono + "\r\nx\r\ny\r\nz\r\n", 4, { 1, 3, 4 } },
    };
    for (const CasoFile& caso : casi) {
        writeFile(file, caso.contenuto);
        const RigheDifettose righe = righeDifettose(file, kTracciatoPpip, kPrimoTrimestre);
        EXPECT_EQ(righe.n, caso.n) << caso.descrizione;
        EXPECT_EQ(righeCon(righe, Difetto::Larghezza).prime, caso.fuoriMisura) << caso.descrizione;
    }
    EXPECT_EQ(righeDifettose((cartella / "assente.DAT").string(), kTracciatoPpip, kPrimoTrimestre).n, 0);
}

TEST(ControlloRecord, RecordsAcrossTheReadingBlocksAreCheckedWhole)
{
    TempDir cartella;
    const std::string file = (cartella / "ACCESSI.DAT").string();
    const std::string buono = unisci({ kCf, "004711", "31/01/2024", "0001", "1" });
    // 39 bytes a record: the 65,536-byte blocks end inside records and between CR and LF.
    // Record 1681 starts 16 bytes before the first block ends: its count lies in the second block.
    std::string contenuto;
    for (int i = 0; i < 5000; ++i) {
        if (i == 1680)
            contenuto += unisci({ kCf, "004711", "31/01/2024", "0000", "1" });
        else if (i == 3000)
            contenuto += buono + "B";
        else
            contenuto += buono;
        contenuto += "\r\n";
    }
    writeFile(file, contenuto);
    const RigheDifettose righe = righeDifettose(file, kTracciatoAccessi, kPrimoTrimestre);
    EXPECT_EQ(righe.n, 2);
    EXPECT_EQ(righeCon(righe, Difetto::Larghezza).prime, std::vector<std::int32_t> { 3001 });
    EXPECT_EQ(righeCon(righe, Difetto::NumeroNonValido).prime, std::vector<std::int32_t> { 1681 });
}

TEST(ControlloRecord, WarningNamesTheFileTheLinesAndEachFaultWithItsFirstLines)
{
    const auto con = [](std::int32_t n, std::vector<std::pair<Difetto, RigheDifettose::Righe>> perDifetto) {
        RigheDifettose righe;
        righe.n = n;
        for (auto& [difetto, r] : perDifetto)
            righe.perDifetto[static_cast<std::size_t>(difetto)] = r;
        return righe;
    };
    struct CasoAvviso {
        const TracciatoRecord& tracciato;
        RigheDifettose righe;
        std::string atteso;
    };
    const CasoAvviso casi[] = {
        { kTracciatoAccessi, {}, "" },
        { kTracciatoPpip, con(1, { { Difetto::Larghezza, { 1, { 7 } } } }),
            "ATTENZIONE: 1 riga di PPIP.DAT non conforme al tracciato: lunghezza diversa da 40 caratteri (riga 7)." },
        { kTracciatoPpip,
            con(2, { { Difetto::CodiceFiscaleVuoto, { 1, { 1 } } }, { Difetto::DataFuoriPeriodo, { 1, { 4 } } } }),
            "ATTENZIONE: 2 righe di PPIP.DAT non conformi al tracciato: codice fiscale vuoto (riga 1), data fuori dal "
            "periodo scelto (riga 4)." },
        { kTracciatoBilsalu, con(3, { { Difetto::Larghezza, { 3, { 1, 2, 9 } } } }),
            "ATTENZIONE: 3 righe di BILSALU.DAT non conformi al tracciato: lunghezza diversa da 34 caratteri (righe 1, "
            "2, 9)." },
        { kTracciatoAccessi,
            con(14,
                { { Difetto::Larghezza, { 1, { 12 } } }, { Difetto::DataNonValida, { 12, { 4, 5, 6 } } },
                    { Difetto::NumeroNonValido, { 2, { 5, 6 } } } }),
            "ATTENZIONE: 14 righe di ACCESSI.DAT non conformi al tracciato: lunghezza diversa da 37 caratteri (riga "
            "12), data non valida (righe 4, 5, 6 e altre 9), numero di assistenze non valido (righe 5, 6)." },
    };
    for (const CasoAvviso& caso : casi)
        EXPECT_EQ(avvisoRecord(caso.tracciato, caso.righe), caso.atteso);
}

TEST(ControlloRecord, RunWarningsAndCountsCoverTheFixedWidthFilesInOrder)
{
    TempDir cartella;
    UnitaFormMain unita;
    const auto percorso = [&](const char* nome) { return (cartella / nome).string(); };
    unita.sFileBilsalu = percorso("BILSALU.DAT");
    unita.sFileAccessi = percorso("ACCESSI.DAT");
    unita.sFilePpip = percorso("PPIP.DAT");
    unita.sFileVaccini = percorso("VACCINI.DAT");
    unita.sFileSconosciuti = percorso("trx_sconosciuti.txt");
    const std::string bilsalu = unisci({ "abcdef12g34h567i", "004711", "10/03/2024", "01" }) + "\r\n";
    const std::string accessi = unisci({ kCf, "004711", "31/01/2024", "0003", "1" }) + "\r\n";
    const std::string vaccino = unisci({ kCf, "004711", "016", "15/01/2024", "00002" }) + "\r\n";
    writeFile(unita.sFileBilsalu, unisci({ "abcdef12g34h567i", "004711", "10/03/2024", "011" }) + "\r\n");
    writeFile(unita.sFileAccessi, accessi);
    writeFile(unita.sFileVaccini, vaccino + unisci({ kCf, "004711", "016", "15/01/2023", "00001" }) + "\r\n");
    // Entries of unknown services run on in one line: no layout to keep.
    writeFile(unita.sFileSconosciuti, "*SCONOSCIUTO: Nome Prestazione*: X *Data*:2024-01-01 *Codice Orvella*: 1");

    // The summary's paragraphs, and the box's short lines.
    const auto testi = [](const std::vector<AvvisoTracciato>& avvisi, bool brevi = false) {
        std::string testo;
        for (const AvvisoTracciato& avviso : avvisi)
            for (const std::string& riga : brevi ? avviso.brevi : std::vector { avviso.testo })
                testo += (testo.empty() ? "" : "\r\n") + riga;
        return testo;
    };
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();
    const auto controlla = [&](const Periodo& periodo) {
        return controllaTracciato(leggiContenutoTracciato(unita, tabella, "MMG", periodo));
    };
    const ControlloTracciato controllo = controlla(kPrimoTrimestre);
    EXPECT_EQ(testi(controllo.avvisi),
        "ATTENZIONE: 1 riga di BILSALU.DAT non conforme al tracciato: lunghezza diversa da 34 caratteri "
        "(riga 1)."
        "\r\nATTENZIONE: 1 riga di VACCINI.DAT non conforme al tracciato: data fuori dal periodo scelto (riga 2).");
    EXPECT_EQ(testi(controllo.avvisi, true),
        "1 riga di BILSALU.DAT non conforme al tracciato.\r\n1 riga di VACCINI.DAT non conforme al tracciato.");
    // What the region receives: every line, and the services their counts add up to, not the lines.
    EXPECT_EQ(controllo.conteggi,
        "\r\n\r\nContenuto dei file:\r\nBILSALU.DAT: 1 riga\r\nACCESSI.DAT: 1 riga, 3 prestazioni"
        "\r\nVACCINI.DAT: 2 righe, 3 prestazioni");

    writeFile(unita.sFileBilsalu, bilsalu);
    writeFile(unita.sFileVaccini, vaccino);
    // The period is the run's: the same files, checked against another month, are out of it.
    EXPECT_TRUE(controlla(kPrimoTrimestre).avvisi.empty());
    EXPECT_EQ(testi(controlla({ 2024y / February / 1, 2024y / February / 29 }).avvisi),
        "ATTENZIONE: 1 riga di BILSALU.DAT non conforme al tracciato: data fuori dal periodo scelto (riga 1)."
        "\r\nATTENZIONE: 1 riga di ACCESSI.DAT non conforme al tracciato: data fuori dal periodo scelto (riga 1)."
        "\r\nATTENZIONE: 1 riga di VACCINI.DAT non conforme al tracciato: data fuori dal periodo scelto (riga 1).");
}
