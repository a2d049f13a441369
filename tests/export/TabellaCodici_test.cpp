#include "export/TabellaCodici.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>

class TabellaCodiciTest : public ::testing::Test {
protected:
    void SetUp() override { tabella_.caricaTabellaCodici(); }

    std::string cella(TabellaCodici::Colonna colonna, int riga) const { return tabella_.cella(colonna, riga); }

    TabellaCodici tabella_;
};

TEST_F(TabellaCodiciTest, LoadFillsAllRowsOfEveryColumn)
{
    EXPECT_EQ(tabella_.righe(), 107);
    EXPECT_EQ(tabella_.cercaCodice("0000315"), 106);
    EXPECT_EQ(cella(TabellaCodici::DESCRIZ, 106), "CONTACT TRACING");
    EXPECT_EQ(cella(TabellaCodici::DESCRIZ, 1), "MEDICAZIONE: 1\xB0 MEDIC.");
    EXPECT_EQ(cella(TabellaCodici::VACCINO, 0), "VACCINO");
    EXPECT_EQ(cella(TabellaCodici::PROFESSIONISTA, 0), "PROFESSIONISTA");
}

TEST_F(TabellaCodiciTest, FirstRowIsFoundWithItsColumns)
{
    const int riga = tabella_.cercaCodice("0000001");
    ASSERT_EQ(riga, 1);
    EXPECT_EQ(cella(TabellaCodici::TIPO, riga), "P");
    EXPECT_EQ(cella(TabellaCodici::CODE_PUGLIA, riga), "008");
    EXPECT_EQ(cella(TabellaCodici::PROFESSIONISTA, riga), "M");
    EXPECT_EQ(cella(TabellaCodici::VACCINO, riga), "0");
}

TEST_F(TabellaCodiciTest, RepeatedCodesSelectTheirFirstRow)
{
    EXPECT_EQ(tabella_.cercaCodice("0000011"), 11);
    EXPECT_EQ(cella(TabellaCodici::TIPO, 11), "X");
    EXPECT_EQ(tabella_.cercaCodice("0000020"), 18);
    EXPECT_EQ(tabella_.cercaCodice("0000314"), 31);
    EXPECT_EQ(cella(TabellaCodici::CODE_PUGLIA, 31), "112");
    // The later rows stay in the table all the same.
    EXPECT_EQ(cella(TabellaCodici::ROWID, 101), "0000011");
    EXPECT_EQ(cella(TabellaCodici::VACCINO, 101), "1");
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

TEST_F(TabellaCodiciTest, EmptyCellsReadAsOneBlank)
{
    for (const int riga : { 11, 18, 19, 20, 81, 82 })
        EXPECT_EQ(cella(TabellaCodici::CODE_PUGLIA, riga), " ") << "row " << riga;
}

TEST_F(TabellaCodiciTest, ValueCountsMatchTheTable)
{
    std::map<std::string, int> tipi, professionisti, vaccini;
    std::set<std::string> rowid;
    for (int riga = 1; riga < tabella_.righe(); ++riga) {
        ++tipi[cella(TabellaCodici::TIPO, riga)];
        ++professionisti[cella(TabellaCodici::PROFESSIONISTA, riga)];
        ++vaccini[cella(TabellaCodici::VACCINO, riga)];
        rowid.insert(cella(TabellaCodici::ROWID, riga));
    }
    EXPECT_EQ(tipi, (std::map<std::string, int> { { "P", 93 }, { "V", 7 }, { "X", 6 } }));
    EXPECT_EQ(professionisti, (std::map<std::string, int> { { "M", 57 }, { "P", 45 }, { "*", 4 } }));
    EXPECT_EQ(vaccini, (std::map<std::string, int> { { "0", 98 }, { "1", 8 } }));
    EXPECT_EQ(rowid.size(), 103u);
}

TEST_F(TabellaCodiciTest, EveryDistinctCodeFindsTheFirstRowHoldingIt)
{
    for (int riga = 0; riga < tabella_.righe(); ++riga) {
        const std::string& codice = cella(TabellaCodici::ROWID, riga);
        int primo = 0;
        while (cella(TabellaCodici::ROWID, primo) != codice)
            ++primo;
        EXPECT_EQ(tabella_.cercaCodice(codice), primo) << codice;
    }
}

TEST_F(TabellaCodiciTest, EveryRowHasTheShapeOfItsKind)
{
    const auto cifre = [](const std::string& testo, std::size_t quante) {
        return testo.size() == quante && testo.find_first_not_of("0123456789") == std::string::npos;
    };
    for (int riga = 1; riga < tabella_.righe(); ++riga) {
        SCOPED_TRACE("row " + std::to_string(riga));
        const std::string tipo = cella(TabellaCodici::TIPO, riga);
        const std::string codice = cella(TabellaCodici::CODE_PUGLIA, riga);
        EXPECT_TRUE(cifre(cella(TabellaCodici::ROWID, riga), 7));
        EXPECT_LE(cella(TabellaCodici::DESCRIZ, riga).size(), 24u);
        if (tipo == "V") {
            EXPECT_TRUE(cifre(codice, 1)) << codice;
        } else if (tipo == "P") {
            EXPECT_TRUE(cifre(codice, 3)) << codice;
        } else {
            EXPECT_EQ(codice, " ");
        }
        // A vaccination is always a service.
        if (cella(TabellaCodici::VACCINO, riga) == "1") {
            EXPECT_EQ(tipo, "P");
        }
    }
}

TEST_F(TabellaCodiciTest, VisitExcludedAndVaccinationRows)
{
    struct Riga {
        int riga;
        const char* rowid;
        const char* tipo;
        const char* codice;
        const char* professionista;
        const char* vaccino;
    };
    const Riga righe[] = {
        { 11, "0000011", "X", " ", "*", "0" },
        { 17, "0000018", "P", "016", "M", "1" },
        { 18, "0000020", "X", " ", "*", "0" },
        { 19, "0000021", "X", " ", "*", "0" },
        { 20, "0000022", "X", " ", "*", "0" },
        { 21, "0000023", "V", "1", "M", "0" },
        { 22, "0000024", "V", "2", "M", "0" },
        { 30, "0000019", "P", "016", "M", "1" },
        { 31, "0000314", "P", "112", "M", "1" },
        { 54, "0000162", "P", "068", "P", "0" },
        { 77, "0000195", "V", "4", "M", "0" },
        { 78, "0000196", "V", "5", "M", "0" },
        { 79, "0000197", "V", "7", "M", "0" },
        { 80, "0000198", "V", "8", "M", "0" },
        { 81, "0000199", "X", " ", "M", "0" },
        { 82, "0000200", "X", " ", "M", "0" },
        { 83, "0000201", "V", "6", "M", "0" },
        { 84, "0000248", "P", "066", "M", "1" },
        { 85, "0000249", "P", "067", "M", "1" },
        { 101, "0000011", "P", "016", "M", "1" },
        { 102, "0000020", "P", "016", "M", "1" },
        { 103, "0000314", "P", "016", "M", "1" },
        { 104, "0000126", "P", "122", "M", "0" },
        { 106, "0000315", "P", "126", "M", "0" },
    };
    for (const Riga& r : righe) {
        SCOPED_TRACE("row " + std::to_string(r.riga));
        EXPECT_EQ(cella(TabellaCodici::ROWID, r.riga), r.rowid);
        EXPECT_EQ(cella(TabellaCodici::TIPO, r.riga), r.tipo);
        EXPECT_EQ(cella(TabellaCodici::CODE_PUGLIA, r.riga), r.codice);
        EXPECT_EQ(cella(TabellaCodici::PROFESSIONISTA, r.riga), r.professionista);
        EXPECT_EQ(cella(TabellaCodici::VACCINO, r.riga), r.vaccino);
    }
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
