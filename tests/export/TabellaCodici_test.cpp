#include "export/TabellaCodici.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

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
    for (const char* codice : {"ROWID", "rowid", "RowId"})
        EXPECT_EQ(tabella_.cercaCodice(codice), 0) << codice;
    EXPECT_EQ(cella(TabellaCodici::TIPO, 0), "TIPO");
}

TEST_F(TabellaCodiciTest, EmptyCellsReadAsOneBlank)
{
    for (const int riga : {11, 18, 19, 20, 81, 82})
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
    EXPECT_EQ(tipi, (std::map<std::string, int>{{"P", 93}, {"V", 7}, {"X", 6}}));
    EXPECT_EQ(professionisti, (std::map<std::string, int>{{"M", 57}, {"P", 45}, {"*", 4}}));
    EXPECT_EQ(vaccini, (std::map<std::string, int>{{"0", 98}, {"1", 8}}));
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
