#include "platform/LocaleOra.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testing_support::ScopedEnv;

namespace {

std::tm giorno(int anno, int mese, int giornoDelMese)
{
    std::tm campi {};
    campi.tm_year = anno - 1900;
    campi.tm_mon = mese - 1;
    campi.tm_mday = giornoDelMese;
    return campi;
}

void atteseLocaleC(const platform::LocaleOra& locale)
{
    EXPECT_EQ(locale.dataBreve(giorno(2026, 12, 6)), "12/06/26");
    EXPECT_EQ(locale.formatoOra(), "%H:%M:%S");
    EXPECT_EQ(locale.formatoOra12(), "%I:%M:%S %p");
    EXPECT_EQ(locale.antimeridiano(), "AM");
    EXPECT_EQ(locale.pomeridiano(), "PM");
}

TEST(LocaleOra, ReadsTheLocaleTheEnvironmentNames)
{
    const ScopedEnv tutto { "LC_ALL", "C" };
    atteseLocaleC(platform::LocaleOra());
}

TEST(LocaleOra, UnknownLocaleFallsBackToC)
{
    const ScopedEnv tutto { "LC_ALL", "xx_YY.NESSUNO" };
    atteseLocaleC(platform::LocaleOra());
}

} // namespace
