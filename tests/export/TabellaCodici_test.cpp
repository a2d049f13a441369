#include "export/TabellaCodici.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace {

using Riga = std::array<std::string_view, TabellaCodici::kColonne>;

// The regional table as published, typed by hand, row 0 the column names; columns in index order
// VACCINO, TIPO, CODE_PUGLIA, DESCRIZ, ROWID, PROFESSIONISTA. An empty cell reads back as one blank.
// clang-format off
constexpr std::array<Riga, TabellaCodici::kRighe> kTabellaRegionale = { {
    { "VACCINO", "TIPO", "CODE_PUGLIA", "DESCRIZ", "ROWID", "PROFESSIONISTA" }, // 0
    { "0", "P", "008", "MEDICAZIONE: 1\xB0 MEDIC.", "0000001", "M" }, // 1
    { "0", "P", "001", "SUTURA FERITA SUPERFIC.", "0000002", "M" }, // 2
    { "0", "P", "009", "MEDICAZIONE: SUCCES. MED", "0000003", "M" }, // 3
    { "0", "P", "002", "RIMOZ. P. SUTURA E MED.", "0000004", "M" }, // 4
    { "0", "P", "003", "CATETERISMO URETR. UOMO", "0000005", "M" }, // 5
    { "0", "P", "004", "CATETERISMO URETR. DONNA", "0000006", "M" }, // 6
    { "0", "P", "005", "TAMPONAMENTO NASALE ANT.", "0000007", "M" }, // 7
    { "0", "P", "006", "FLEBOCLISI UNICA URGENTE", "0000008", "M" }, // 8
    { "0", "P", "007", "LAVANDA GASTRICA", "0000009", "M" }, // 9
    { "0", "P", "010", "INIEZIONE GAMMAGLOB.TET.", "0000010", "M" }, // 10
    { "0", "X", " ", "VACCINAZIONE TETANO *", "0000011", "*" }, // 11
    { "0", "P", "011", "INIEZ.SOTTOC.DESENSIBIL.", "0000012", "M" }, // 12
    { "0", "P", "012", "TAMP. FARINGEO X ES. BAT", "0000013", "M" }, // 13
    { "0", "P", "013", "CICLO FLEBO: X FLEBO *", "0000015", "M" }, // 14
    { "0", "P", "014", "CICLO INIEZ.EV: X INIE *", "0000016", "M" }, // 15
    { "0", "P", "015", "CICLO AEROSOL: X SEDUT *", "0000017", "M" }, // 16
    { "1", "P", "016", "VACCINAZ. NON OBBLIG. *", "0000018", "M" }, // 17
    { "0", "X", " ", "VACCINAZIONE MORBILLO *", "0000020", "*" }, // 18
    { "0", "X", " ", "VIS. AMBULAT. STRANIERI", "0000021", "*" }, // 19
    { "0", "X", " ", "VIS. DOMICIL. STRANIERI", "0000022", "*" }, // 20
    { "0", "V", "1", "VISITA ADP", "0000023", "M" }, // 21
    { "0", "V", "2", "VISITA ADI g.feriale", "0000024", "M" }, // 22
    { "0", "P", "100", "PARTECIPAZIONE UVM", "0000132", "M" }, // 23
    { "0", "P", "105", "ADI MED. COURR. FERITE", "0000133", "M" }, // 24
    { "0", "P", "106", "ASS. DOM. CAT VESC UOMO", "0000134", "M" }, // 25
    { "0", "P", "107", "ASS. DOM. CAT VESC DONNA", "0000135", "M" }, // 26
    { "0", "P", "108", "ASS. DOM. FLEBOCLISI", "0000136", "M" }, // 27
    { "0", "P", "109", "ASS. DOM. P. SONDINO NAS", "0000137", "M" }, // 28
    { "0", "P", "110", "ASS. DOM. PARACENTESI", "0000138", "M" }, // 29
    { "1", "P", "016", "VACCINAZIONE INFLUENZA", "0000019", "M" }, // 30
    { "1", "P", "112", "VAC. ANTI-PNEUMO", "0000314", "M" }, // 31
    { "0", "P", "017", "SUTURA DI FERITA SUPERF.", "0000139", "P" }, // 32
    { "0", "P", "018", "RIMOZ. PUNTI SUTURA", "0000140", "P" }, // 33
    { "0", "P", "019", "FLEBOCLISI UNICA", "0000141", "P" }, // 34
    { "0", "P", "021", "TAMPONAMENTO NASALE ANT.", "0000142", "P" }, // 35
    { "0", "P", "024", "MEDICAZIONE: PRIMA", "0000143", "P" }, // 36
    { "0", "P", "025", "MEDICAZIONE: SUCCESSIVA", "0000144", "P" }, // 37
    { "0", "P", "030", "TOILETTE PERIONIC SUPPOR", "0000145", "P" }, // 38
    { "0", "P", "031", "RID PRONAZ DOLOROSA ULNA", "0000146", "P" }, // 39
    { "0", "P", "032", "RID SUBLUSS ART SCAP-OME", "0000147", "P" }, // 40
    { "0", "P", "033", "TER. INIEZ. DESENSIB.", "0000148", "P" }, // 41
    { "0", "P", "036", "ASPORTAZIONE VERRUCHE", "0000149", "P" }, // 42
    { "0", "P", "037", "INIEZIONE ENDOVENA", "0000150", "P" }, // 43
    { "0", "P", "040", "TRATT FRAT/LUSS GR SEG", "0000151", "P" }, // 44
    { "0", "P", "041", "TRATT FRAT/LUSS PICC SEG", "0000152", "P" }, // 45
    { "0", "P", "042", "SCREENING PER AMBLIOPIA", "0000153", "P" }, // 46
    { "0", "P", "043", "BOEL TEST", "0000154", "P" }, // 47
    { "0", "P", "045", "TEST CUTANEI ALLERGOMETR", "0000156", "P" }, // 48
    { "0", "P", "061", "FRENULECTOMIA LINGUALE", "0000157", "P" }, // 49
    { "0", "P", "062", "CATETERISMO VESCICALE", "0000158", "P" }, // 50
    { "0", "P", "063", "DRENAG ASCESSO SOTTOCUT", "0000159", "P" }, // 51
    { "0", "P", "064", "RIDUZIONE TAPPO CERUME", "0000160", "P" }, // 52
    { "0", "P", "065", "RIMOZIONE CORPO ESTRANEO", "0000161", "P" }, // 53
    { "0", "P", "068", "VACCINAZ. NON OBBLIG.", "0000162", "P" }, // 54
    { "0", "P", "069", "PCR", "0000163", "P" }, // 55
    { "0", "P", "070", "RICERCA SBEGA", "0000164", "P" }, // 56
    { "0", "P", "075", "SCOLIOMETRIA", "0000168", "P" }, // 57
    { "0", "P", "083", "TERAP AEROSOL PER SEDUTA", "0000169", "P" }, // 58
    { "0", "P", "086", "TEST ACU VISU", "0000172", "P" }, // 59
    { "0", "P", "087", "TEST RAPIDO MONONUCLEOSI", "0000173", "P" }, // 60
    { "0", "P", "092", "ECG", "0000176", "P" }, // 61
    { "0", "P", "094", "TEST ALLA LUCE DI WOOD", "0000178", "P" }, // 62
    { "0", "P", "095", "TEST RAPIDO ADENOVIRUS", "0000179", "P" }, // 63
    { "0", "P", "096", "TEST RAPIDO CELIACHIA", "0000180", "P" }, // 64
    { "0", "P", "097", "TEST RAPIDO INFLUENZA", "0000181", "P" }, // 65
    { "0", "P", "098", "TEST RAPIDO ROTAVIRUS", "0000182", "P" }, // 66
    { "0", "P", "099", "CERTIFICATO SPORTIVO", "0000183", "P" }, // 67
    { "0", "P", "091", "CONTA LEUCOCITARIA", "0000185", "P" }, // 68
    { "0", "P", "090", "AGGLUTININE A FRIGORE", "0000186", "P" }, // 69
    { "0", "P", "093", "MICROVES", "0000188", "P" }, // 70
    { "0", "P", "072", "OTOSCOPIA PNEUMATICA", "0000189", "P" }, // 71
    { "0", "P", "084", "PODOSCOPIA", "0000190", "P" }, // 72
    { "0", "P", "085", "STICK URINE (10 PARAM)", "0000191", "P" }, // 73
    { "0", "P", "071", "PRICK TESTS", "0000192", "P" }, // 74
    { "0", "P", "044", "SPIROMETRIA", "0000193", "P" }, // 75
    { "0", "P", "073", "IMPEDENZIOMETRIA", "0000194", "P" }, // 76
    { "0", "V", "4", "VISITA AAP", "0000195", "M" }, // 77
    { "0", "V", "5", "VISITA ADT", "0000196", "M" }, // 78
    { "0", "V", "7", "VISITA ADI/SLA g.feriale", "0000197", "M" }, // 79
    { "0", "V", "8", "VISITA ADI/SLA g.fes.", "0000198", "M" }, // 80
    { "0", "X", " ", "ATTIVAZIONE ADI", "0000199", "M" }, // 81
    { "0", "X", " ", "ATTIVAZIONE ADP", "0000200", "M" }, // 82
    { "0", "V", "6", "VISITA ADI g.fest.", "0000201", "M" }, // 83
    { "1", "P", "066", "VAC.INFL.SUP 75", "0000248", "M" }, // 84
    { "1", "P", "067", "VAC.INFL.SUP 75 (IN ADI)", "0000249", "M" }, // 85
    { "0", "P", "048", "CATET.URE.UOMO (IN ADI)", "0000250", "M" }, // 86
    { "0", "P", "049", "CATET.URE.DONNA (IN ADI)", "0000251", "M" }, // 87
    { "0", "P", "050", "TAMP.NASALE ANT (IN ADI)", "0000252", "M" }, // 88
    { "0", "P", "051", "FLEBO (UNIC-URG)(IN ADI)", "0000253", "M" }, // 89
    { "0", "P", "053", "PRIMA MEDICAZ (IN ADI)", "0000254", "M" }, // 90
    { "0", "P", "054", "SUCCES. MEDICAZ (IN ADI)", "0000255", "M" }, // 91
    { "0", "P", "055", "IN.GAMMAGL/TETA.(IN ADI)", "0000256", "M" }, // 92
    { "0", "P", "056", "IN.SOTTOC.DESEN.(IN ADI)", "0000257", "M" }, // 93
    { "0", "P", "058", "CIC.FLEBO(SING)(IN ADI)", "0000258", "M" }, // 94
    { "0", "P", "060", "CIC.AER/CALD.UM.(IN ADI)", "0000259", "M" }, // 95
    { "0", "P", "046", "SUT.FER.SUPERF (IN ADI)", "0000260", "M" }, // 96
    { "0", "P", "047", "RIM.PUNT.SUTURA (IN ADI)", "0000261", "M" }, // 97
    { "0", "P", "052", "LAVANDA GASTR. (IN ADI)", "0000262", "M" }, // 98
    { "0", "P", "057", "TAMP. FARINGEO (IN ADI)", "0000263", "M" }, // 99
    { "0", "P", "059", "CICLO INIEZ EV. (IN ADI)", "0000264", "M" }, // 100
    { "1", "P", "016", "VACCINAZIONE TETANO", "0000011", "M" }, // 101
    { "1", "P", "016", "VACCINAZIONE MORBILLO", "0000020", "M" }, // 102
    { "1", "P", "016", "VAC. ANTI-PNEUMO", "0000314", "M" }, // 103
    { "0", "P", "122", "TAMPONE ANT. RAPIDO(AMB)", "0000126", "M" }, // 104
    { "0", "P", "124", "TAMPONE ANT.RAPIDO(ASL)", "0000127", "M" }, // 105
    { "0", "P", "126", "CONTACT TRACING", "0000315", "M" }, // 106
} };
// clang-format on

} // namespace

class TabellaCodiciTest : public ::testing::Test {
protected:
    void SetUp() override { tabella_.caricaTabellaCodici(); }

    std::string cella(TabellaCodici::Colonna colonna, int riga) const { return tabella_.cella(colonna, riga); }

    TabellaCodici tabella_;
};

// A mistyped cell (two digits of a regional code swapped, a row's kind or contract changed) keeps
// every count and shape, and sends the service to the region under another service's code.
TEST_F(TabellaCodiciTest, EveryRowMatchesTheRegionalTable)
{
    ASSERT_EQ(tabella_.righe(), TabellaCodici::kRighe);
    for (int riga = 0; riga < TabellaCodici::kRighe; ++riga) {
        SCOPED_TRACE("row " + std::to_string(riga));
        const Riga& attesa = kTabellaRegionale[riga];
        for (int colonna = 0; colonna < TabellaCodici::kColonne; ++colonna)
            EXPECT_EQ(tabella_.cella(colonna, riga), attesa[colonna]) << "column " << colonna;
        // A code held by more than one row finds the first of them.
        const auto prima = std::find_if(kTabellaRegionale.begin(), kTabellaRegionale.end(),
            [&](const Riga& r) { return r[TabellaCodici::ROWID] == attesa[TabellaCodici::ROWID]; });
        EXPECT_EQ(tabella_.cercaCodice(std::string(attesa[TabellaCodici::ROWID])), prima - kTabellaRegionale.begin());
    }
}

TEST_F(TabellaCodiciTest, LookupComparesWholeTextsWithoutTrimming)
{
    EXPECT_EQ(tabella_.cercaCodice("1"), -1);
    EXPECT_EQ(tabella_.cercaCodice(" 0000001"), -1);
    EXPECT_EQ(tabella_.cercaCodice("0000001 "), -1);
    EXPECT_EQ(tabella_.cercaCodice(""), -1);
    EXPECT_EQ(tabella_.cercaCodice("00000011"), -1);
}

TEST_F(TabellaCodiciTest, HeaderRowIsSearchedTooInAnyLetterCase)
{
    for (const char* codice : { "ROWID", "rowid", "RowId" })
        EXPECT_EQ(tabella_.cercaCodice(codice), 0) << codice;
    EXPECT_EQ(cella(TabellaCodici::TIPO, 0), "TIPO");
}

TEST_F(TabellaCodiciTest, OutsideTheTableCellsReadEmpty)
{
    EXPECT_EQ(cella(TabellaCodici::TIPO, -1), "");
    EXPECT_EQ(cella(TabellaCodici::TIPO, 107), "");
    EXPECT_EQ(tabella_.cella(6, 1), "");
    EXPECT_EQ(tabella_.cella(-1, 1), "");
}

TEST_F(TabellaCodiciTest, OtherTextsReplaceTheWholeTable)
{
    static constexpr std::string_view kAltra[] = { "T", "C", "D", "R", "P", "V", "Z", "", "d", "abc", "*", "9" };
    tabella_.carica(kAltra);
    EXPECT_EQ(tabella_.righe(), 2);
    EXPECT_EQ(tabella_.cercaCodice("ABC"), 1);
    EXPECT_EQ(cella(TabellaCodici::CODE_PUGLIA, 1), " ");
    EXPECT_EQ(tabella_.cercaCodice("0000001"), -1);

    tabella_.caricaTabellaCodici();
    EXPECT_EQ(tabella_.righe(), 107);
    EXPECT_EQ(tabella_.cercaCodice("0000001"), 1);
    EXPECT_EQ(tabella_.cercaCodice("abc"), -1);
}

TEST(MinuscoloCp1252, FoldsTheLettersThatHaveACase)
{
    EXPECT_EQ(minuscoloCp1252("ROWID rowid 0-9 @[`{"), "rowid rowid 0-9 @[`{");
    // \xC0-\xDE fold to \xE0-\xFE except the multiplication sign; S, OE, Z with caron; Y with diaeresis.
    EXPECT_EQ(minuscoloCp1252("\xC0\xC8\xD6\xD7\xD8\xDE\xDF"), "\xE0\xE8\xF6\xD7\xF8\xFE\xDF");
    EXPECT_EQ(minuscoloCp1252("\x8A\x8C\x8E\x9F"), "\x9A\x9C\x9E\xFF");
    EXPECT_EQ(minuscoloCp1252("\xE0\xFF\xB5\x80"), "\xE0\xFF\xB5\x80");
}
