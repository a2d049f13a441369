#include "tools/tc_GenTools.h"

#include <gtest/gtest.h>

using namespace std::chrono;

TEST(QuoteString, WrapsInApostrophesWithoutEscaping)
{
    EXPECT_EQ(quoteString(""), "''");
    EXPECT_EQ(quoteString("D'Amico"), "'D'Amico'");
    EXPECT_EQ(quoteString("12"), "'12'");
}

TEST(Date2String, YearPlainMonthAndDayTwoDigits)
{
    EXPECT_EQ(date2string(2024y / May / 1d), "2024-05-01");
    EXPECT_EQ(date2string(2023y / December / 31d), "2023-12-31");
    EXPECT_EQ(date2string(2024y / March / 5d), "2024-03-05");
    EXPECT_EQ(date2string(year { 999 } / January / 9d), "999-01-09");
}

TEST(String2List, EverySeparatorEndsOneItem)
{
    struct Caso {
        std::string testo;
        std::string separatore;
        std::vector<std::string> atteso;
    };
    const std::vector<Caso> casi = {
        { "", " ", { "" } },
        { "a b", " ", { "a", "b" } },
        { "a b ", " ", { "a", "b", "" } },
        { " a", " ", { "", "a" } },
        { "a  b", " ", { "a", "", "b" } },
        { "a<>b<>", "<>", { "a", "b", "" } },
        { "3522 3523 3524 3526 3527 4145 4137 4123 4130 4148", " ",
            { "3522", "3523", "3524", "3526", "3527", "4145", "4137", "4123", "4130", "4148" } },
    };
    for (const auto& caso : casi) {
        std::vector<std::string> lista = { "vecchio", "contenuto" };
        string2list(caso.testo, caso.separatore, lista);
        EXPECT_EQ(lista, caso.atteso) << "text '" << caso.testo << "'";
    }
}

TEST(String2List, EmptySeparatorIsRefusedInsteadOfLooping)
{
    std::vector<std::string> lista = { "x" };
    EXPECT_THROW(string2list("a b", "", lista), std::invalid_argument);
}

TEST(Padding, FillsToWidthAndNeverCutsLongerText)
{
    EXPECT_EQ(padLeft("7", '0', 2), "07");
    EXPECT_EQ(padLeft("123", '0', 2), "123");
    EXPECT_EQ(padLeft("", '0', 3), "000");
    EXPECT_EQ(padRight("ab", ' ', 5), "ab   ");
    EXPECT_EQ(padRight("abcdef", ' ', 5), "abcdef");
    for (const int larghezza : { 0, -1, -100 }) {
        EXPECT_EQ(padLeft("x", '0', larghezza), "x");
        EXPECT_EQ(padRight("x", ' ', larghezza), "x");
    }
}

namespace {

// The checked conversion as the session wrapper makes it: clear, convert, read the error.
std::pair<std::int32_t, std::u16string> conversioneControllata(const std::u16string& testo, int radice)
{
    lastToolsError();
    const std::int32_t valore = string2int(testo, radice);
    return { valore, lastToolsError() };
}

} // namespace

TEST(String2Int, ConvertsInAnyRadixIgnoringLetterCase)
{
    EXPECT_EQ(conversioneControllata(u"1f", 16), std::make_pair(31, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"1F", 16), std::make_pair(31, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"-1F", 16), std::make_pair(-31, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"101", 2), std::make_pair(5, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"zz", 36), std::make_pair(35 * 36 + 35, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"0012", 10), std::make_pair(12, std::u16string()));
}

TEST(String2Int, ReportsEachKindOfFailureWithItsLabel)
{
    EXPECT_EQ(conversioneControllata(u"12", 2),
        std::make_pair(0, std::u16string(u"Tools.string2int(12, 2): carattere non consentito")));
    EXPECT_EQ(conversioneControllata(u"5", 1),
        std::make_pair(0,
            std::u16string(u"Tools.string2int(5, 1): radice conversione non consentita "
                           u"( deve essere >= 2 e <= 36 )")));
    EXPECT_EQ(conversioneControllata(u"5", 37).second,
        u"Tools.string2int(5, 37): radice conversione non consentita ( deve essere >= 2 e <= 36 )");
    EXPECT_EQ(conversioneControllata(u"1 2", 10).second, u"Tools.string2int(1 2, 10): carattere non consentito");
    EXPECT_EQ(conversioneControllata(u"+12", 10).second, u"Tools.string2int(+12, 10): carattere non consentito");
    EXPECT_EQ(conversioneControllata(u"--1", 10).second, u"Tools.string2int(--1, 10): carattere non consentito");
    EXPECT_EQ(conversioneControllata(u"12a", 10).second, u"Tools.string2int(12a, 10): carattere non consentito");
}

TEST(String2Int, EmptyTextAndLoneMinusGiveZeroWithoutError)
{
    EXPECT_EQ(conversioneControllata(u"", 10), std::make_pair(0, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"-", 10), std::make_pair(0, std::u16string()));
}

TEST(String2Int, ValueOutside32BitsIsReportedNotWrapped)
{
    EXPECT_EQ(conversioneControllata(u"2147483647", 10), std::make_pair(2147483647, std::u16string()));
    EXPECT_EQ(conversioneControllata(u"-2147483648", 10).first, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(conversioneControllata(u"2147483648", 10),
        std::make_pair(0, std::u16string(u"Tools.string2int(2147483648, 10): eccezione")));
    EXPECT_EQ(conversioneControllata(u"-2147483649", 10).second, u"Tools.string2int(-2147483649, 10): eccezione");
    EXPECT_EQ(conversioneControllata(u"99999999999999999999999", 10).first, 0);
}

TEST(ToolsError, SurvivesSuccessUntilReadAndReadingEmptiesIt)
{
    lastToolsError();
    string2int(u"x", 10);
    EXPECT_EQ(string2int(u"42", 10), 42);
    EXPECT_EQ(lastToolsError(), u"Tools.string2int(x, 10): carattere non consentito");
    EXPECT_EQ(lastToolsError(), u"");
    setToolsError(u"altro");
    EXPECT_EQ(lastToolsError(), u"altro");
}
