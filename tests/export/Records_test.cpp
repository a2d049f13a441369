#include "export/Records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Records, AccessiWorkedExample)
{
    const std::string riga = recordAccessi("abcdef12g34h567i", "123", "2024-01-31", 1, "1");
    EXPECT_EQ(riga, "ABCDEF12G34H567I00012331/01/202400011\r\n");
    EXPECT_EQ(riga.size(), 37u + 2u);
}

TEST(Records, PpipAndVacciniLayout)
{
    const std::string riga = recordPpip("abcdef12g34h567i", "123", "008", "2024-01-31", 3);
    EXPECT_EQ(riga, "ABCDEF12G34H567I" "000123" "008" "31/01/2024" "00003" "\r\n");
    EXPECT_EQ(riga.size(), 40u + 2u);
}

TEST(Records, BilsaluLayoutKeepsTheFiscalCodeAsGiven)
{
    EXPECT_EQ(recordBilsalu("rssmra80a01h501u", "4711", "2024-03-05", 7),
              "rssmra80a01h501u" "004711" "05/03/2024" "07" "\r\n");
    EXPECT_EQ(recordBilsalu("abc", "123456", "2024-03-05", 12), "abc             123456" "05/03/2024" "12\r\n");
    EXPECT_EQ(recordBilsalu("", "", "", 0).size(), 34u + 2u);
}

struct CasoCampi {
    const char* nome;
    std::string cf, regionale, data, codice;
    std::int32_t conteggio;
    std::string accessi, ppip;
};

TEST(Records, FieldsFillButNeverCut)
{
    const std::vector<CasoCampi> casi = {
        {"short fiscal code", "ab1", "7", "2023-04-05", "4", 12,
         "AB1             " "000007" "05/04/2023" "0012" "4\r\n",
         "AB1             " "000007" "004" "05/04/2023" "00012" "\r\n"},
        {"empty fiscal code and code", "", "", "2023-04-05", "", 1,
         "                " "000000" "05/04/2023" "0001" "0\r\n",
         "                " "000000" "000" "05/04/2023" "00001" "\r\n"},
        {"longer values widen the line", "abcdefghijklmnopq", "1234567", "2023-04-05", "1234", 123456,
         "ABCDEFGHIJKLMNOPQ" "1234567" "05/04/2023" "123456" "1234\r\n",
         "ABCDEFGHIJKLMNOPQ" "1234567" "1234" "05/04/2023" "123456" "\r\n"},
        {"short date filled with blanks", "x", "1", "2024-1", "2", 1,
         "X               " "000001" "-1/1/2024 " "0001" "2\r\n",
         "X               " "000001" "002" "-1/1/2024 " "00001" "\r\n"},
        {"blank code cell kept", "x", "1", "2024-01-01", " ", 1,
         "X               " "000001" "01/01/2024" "0001" " \r\n",
         "X               " "000001" "00 " "01/01/2024" "00001" "\r\n"},
        {"only a-z upper-cased", "\xE0\xE8\xFF-z\xB5", "1", "2024-01-01", "1", 1,
         "\xE0\xE8\xFF-Z\xB5          " "000001" "01/01/2024" "0001" "1\r\n",
         "\xE0\xE8\xFF-Z\xB5          " "000001" "001" "01/01/2024" "00001" "\r\n"},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.nome);
        EXPECT_EQ(recordAccessi(caso.cf, caso.regionale, caso.data, caso.conteggio, caso.codice), caso.accessi);
        EXPECT_EQ(recordPpip(caso.cf, caso.regionale, caso.codice, caso.data, caso.conteggio), caso.ppip);
    }
}

TEST(Records, DateSlicesByPosition)
{
    const std::vector<std::pair<std::string, std::string>> casi = {
        {"2023-04-05", "05/04/2023"},
        {"2024-01-31", "31/01/2024"},
        {"", "//"},
        {"5", "5//5"},
        {"20", "20//20"},
        {"2024-", "4-//2024"},
        {"2024-1", "-1/1/2024"},
        {"2024-01-31T10", "10/01/2024"},
        {"31/01/2024", "24//2/31/0"},
    };
    for (const auto& [data, attesa] : casi) {
        SCOPED_TRACE(data);
        EXPECT_EQ(dataRecord(data), attesa);
    }
}

TEST(Records, AsciiUpperCasing)
{
    EXPECT_EQ(maiuscoloAscii("az AZ 09 `{"), "AZ AZ 09 `{");
    EXPECT_EQ(maiuscoloAscii("\xE0\xE9\xF6\x9A\x9C"), "\xE0\xE9\xF6\x9A\x9C");
    EXPECT_EQ(maiuscoloAscii(""), "");
}

TEST(Records, SconosciutiEntriesRunOnInOneLine)
{
    const std::string testo = voceSconosciuto("Visita", "2024-01-31", "9999999") +
                              voceSoloMmg("Medicazione", "2024-02-01", "0000001") +
                              voceSoloPls("Sutura", "2024-02-02", "0000139");
    EXPECT_EQ(testo,
              "*SCONOSCIUTO: Nome Prestazione*: Visita *Data*:2024-01-31 *Codice Orvella*: 9999999"
              "*SCARTATO (SOLO PER MMG): Nome Prestazione*: Medicazione *Data*:2024-02-01 *Codice Orvella*: 0000001"
              "SCARTATO (SOLO PER PLS): Nome Prestazione*: Sutura *Data*:2024-02-02 *Codice Orvella*: 0000139");
    EXPECT_EQ(voceSconosciuto("", "", ""), "*SCONOSCIUTO: Nome Prestazione*:  *Data*: *Codice Orvella*: ");
}

}  // namespace
