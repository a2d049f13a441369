#include "export/TimbroLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

using namespace std::chrono;
using testing_support::ScopedEnv;

namespace {

// --- Reading the locale's time form -------------------------------------------------------------

struct CasoForma {
    const char* nome;
    const char* formatoOra;
    const char* formatoOra12;
    bool conZero;
    bool dodiciOre;
    bool designatorePrima;
};

class FormaDaLocale : public ::testing::TestWithParam<CasoForma> { };

TEST_P(FormaDaLocale, HourDirectiveDecidesClockZeroAndDesignatorPlace)
{
    const CasoForma& caso = GetParam();

    const FormaOre forma = formaOre(caso.formatoOra, caso.formatoOra12, "AM", "PM");

    EXPECT_EQ(forma.conZero, caso.conZero);
    EXPECT_EQ(forma.dodiciOre, caso.dodiciOre);
    EXPECT_EQ(forma.designatorePrima, caso.designatorePrima);
}

INSTANTIATE_TEST_SUITE_P(TimbroLog, FormaDaLocale,
    ::testing::Values(CasoForma { "Posix", "%H:%M:%S", "%I:%M:%S %p", true, false, false },
        CasoForma { "Italian", "%T", "", true, false, false },
        CasoForma { "Finnish", "%H.%M.%S", "", true, false, false },
        CasoForma { "SpacePadded", "%k:%M:%S", "", false, false, false },
        CasoForma { "NoPadFlag", "%-H.%M.%S", "", false, false, false },
        CasoForma { "UnderscoreFlag", "%_H:%M:%S", "", false, false, false },
        CasoForma { "ZeroFlagOnSpacePadded", "%0k:%M:%S", "", true, false, false },
        CasoForma { "AlternativeDigits", "%OH:%OM:%OS", "", true, false, false },
        CasoForma { "UnitedStates", "%r", "%I:%M:%S %p", true, true, false },
        CasoForma { "TwelveHourNoZero", "%r", "%l:%M:%S %p", false, true, false },
        CasoForma { "TwelveHourDirect", "%-I:%M:%S %p", "", false, true, false },
        CasoForma { "DesignatorFirst", "%p %I\xEC\x8B\x9C %M\xEB\xB6\x84 %S\xEC\xB4\x88", "", true, true, true },
        CasoForma { "LowerDesignatorFirst", "%P %l:%M:%S", "", false, true, true },
        CasoForma { "DesignatorWithTwentyFourHours", "%p %H:%M:%S", "", true, false, false },
        CasoForma { "EscapedPercent", "%%k %H:%M", "", true, false, false },
        CasoForma { "NoHourAtAll", "%M:%S", "", true, false, false },
        CasoForma { "Empty", "", "", true, false, false }),
    [](const auto& caso) { return std::string(caso.param.nome); });

// --- Writing the stamp ------------------------------------------------------------------------------

seconds ora(int h, int m, int s)
{
    return hours(h) + minutes(m) + seconds(s);
}

FormaOre forma(bool conZero, bool dodiciOre = false, bool designatorePrima = false)
{
    FormaOre f;
    f.conZero = conZero;
    f.dodiciOre = dodiciOre;
    f.designatorePrima = designatorePrima;
    f.antimeridiano = "a.m.";
    f.pomeridiano = "p.m.";
    return f;
}

TEST(ComponiTimbro, TwentyFourHourTimeWithAndWithoutLeadingZero)
{
    EXPECT_EQ(componiTimbro("06/12/2026", ora(16, 11, 24), forma(true)), "06/12/2026 16:11:24");
    EXPECT_EQ(componiTimbro("06/12/2026", ora(9, 5, 7), forma(true)), "06/12/2026 09:05:07");
    EXPECT_EQ(componiTimbro("06/12/2026", ora(9, 5, 7), forma(false)), "06/12/2026 9:05:07");
    EXPECT_EQ(componiTimbro("06/12/2026", ora(0, 0, 9), forma(false)), "06/12/2026 0:00:09");
    EXPECT_EQ(componiTimbro("06/12/2026", ora(23, 59, 59), forma(true)), "06/12/2026 23:59:59");
}

TEST(ComponiTimbro, TwelveHourTimeRunsOneToTwelveWithTheDesignatorWhereTheLocalePutsIt)
{
    EXPECT_EQ(componiTimbro("12/6/2026", ora(16, 11, 24), forma(false, true)), "12/6/2026 4:11:24 p.m.");
    EXPECT_EQ(componiTimbro("12/6/2026", ora(16, 11, 24), forma(true, true)), "12/6/2026 04:11:24 p.m.");
    EXPECT_EQ(componiTimbro("12/6/2026", ora(0, 30, 0), forma(false, true)), "12/6/2026 12:30:00 a.m.");
    EXPECT_EQ(componiTimbro("12/6/2026", ora(11, 59, 59), forma(false, true)), "12/6/2026 11:59:59 a.m.");
    EXPECT_EQ(componiTimbro("12/6/2026", ora(12, 0, 0), forma(false, true)), "12/6/2026 12:00:00 p.m.");
    EXPECT_EQ(componiTimbro("2026-12-06", ora(16, 11, 24), forma(true, true, true)), "2026-12-06 p.m. 04:11:24");
}

TEST(ComponiTimbro, LocaleWithoutDesignatorTextsAddsNoBlank)
{
    FormaOre f = forma(false, true);
    f.antimeridiano.clear();
    f.pomeridiano.clear();

    EXPECT_EQ(componiTimbro("6.12.2026", ora(16, 11, 24), f), "6.12.2026 4:11:24");
}

TEST(ComponiTimbro, ExactlyMidnightIsTheDateAlone)
{
    EXPECT_EQ(componiTimbro("06/12/2026", ora(0, 0, 0), forma(true)), "06/12/2026");
    EXPECT_EQ(componiTimbro("06/12/2026", ora(0, 0, 0), forma(false, true)), "06/12/2026");
}

TEST(TimbroLog, UsesTheEnvironmentLocaleShortDate)
{
    if (!testing_support::localeFromEnvironment())
        GTEST_SKIP() << "the user's regional settings, not the environment, give the forms here";
    const ScopedEnv locale { "LC_ALL", "C" };
    const platform::LocalTime momento = local_days { year { 2026 } / December / 6 } + ora(16, 11, 24);

    EXPECT_EQ(timbroLog(momento), "12/06/26 16:11:24");
    EXPECT_EQ(timbroLog(local_days { year { 2027 } / January / 1 }), "01/01/27");
}

struct CasoTimbroLocale {
    const char* locale;
    std::vector<std::pair<seconds, std::string>> attesi; // time of day, stamp on 6 December 2026
};

TEST(TimbroLog, FollowsTheLocalesDateFormClockAndDesignator)
{
    const CasoTimbroLocale casi[] = {
        { "it_IT", { { ora(16, 11, 24), "06/12/2026 16:11:24" }, { ora(9, 5, 7), "06/12/2026 09:05:07" } } },
        { "en_US",
            { { ora(16, 11, 24), "12/06/2026 04:11:24 PM" }, { ora(0, 30, 0), "12/06/2026 12:30:00 AM" },
                { ora(0, 0, 0), "12/06/2026" } } },
    };
    const local_days giorno { year { 2026 } / December / 6 };
    for (const CasoTimbroLocale& caso : casi) {
        const testing_support::ScopedLocale ambiente(caso.locale);
        if (!ambiente.available())
            GTEST_SKIP() << "no locale sources on this machine";
        for (const auto& [oraDelGiorno, atteso] : caso.attesi)
            EXPECT_EQ(timbroLog(giorno + oraDelGiorno), atteso) << caso.locale;
    }
}

} // namespace
