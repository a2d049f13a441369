#include "host/QueryEstratto.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/DocumentoXml.h"
#include "tools/tc_GenTools.h"

namespace {

TEST(QueryEstratto, QueryTextsWithoutApostrophesAreTheClassicOnes)
{
    EXPECT_EQ(queryPaziente("12"), "//PAZIENTE[@io_id_paziente= '12']");
    EXPECT_EQ(queryPrestazioniPaziente("12"), "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='12']");
    EXPECT_EQ(queryPrestazioniUguali("12", "2024-01-31", "0000001"),
        "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='12' and data_esecuzione='2024-01-31' and "
        "codice_ov_pip='0000001']");
    EXPECT_EQ(queryPaziente(""), "//PAZIENTE[@io_id_paziente= '']");
}

TEST(QueryEstratto, XPathLiteralHoldsAnyText)
{
    const std::vector<std::pair<std::string, std::string>> casi = {
        { "", "''" },
        { "abc", "'abc'" },
        { "a\"b", "'a\"b'" },
        { "O'Neil", "\"O'Neil\"" },
        { "'", "\"'\"" },
        { "a'b\"c", "concat('a', \"'\", 'b\"c')" },
        { "'\"'", "concat(\"'\", '\"', \"'\")" },
        { "x''\"", "concat('x', \"'\", \"'\", '\"')" },
    };
    for (const auto& [valore, atteso] : casi) {
        SCOPED_TRACE(valore);
        EXPECT_EQ(letteraleXPath(valore), atteso);
        if (valore.find('\'') == std::string::npos) {
            EXPECT_EQ(letteraleXPath(valore), quoteString(valore));
        }
    }

    // Evaluated by the engine, each literal equals its value.
    DocumentoXml doc;
    std::string corpo;
    for (const auto& [valore, atteso] : casi) {
        std::string attributo;
        for (const char c : valore)
            attributo += c == '"' ? std::string("&quot;") : std::string(1, c);
        corpo += "<v a=\"" + attributo + "\">" + attributo + "</v>";
    }
    ASSERT_TRUE(doc.loadXml("<R>" + corpo + "</R>"));
    for (const auto& [valore, atteso] : casi) {
        SCOPED_TRACE(valore);
        const auto trovati = doc.selezionaNodi("//v[@a=" + letteraleXPath(valore) + "]");
        ASSERT_EQ(trovati.size(), 1u);
        EXPECT_EQ(trovati[0].primoAttributo(), valore);
    }
}

} // namespace
