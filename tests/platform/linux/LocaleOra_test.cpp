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

struct CasoLocale {
    const char* nome;
    const char* dataBreve;
    const char* formatoOra;
    const char* formatoOra12;
    const char* antimeridiano;
    const char* pomeridiano;
};

TEST(LocaleOra, ReadsTheLocaleTheEnvironmentNames)
{
    const CasoLocale casi[] = {
        { "it_IT", "06/12/2026", "%T", "", "", "" },
        { "en_US", "12/06/2026", "%r", "%I:%M:%S %p", "AM", "PM" },
    };
    for (const CasoLocale& caso : casi) {
        const testing_support::ScopedLocale ambiente(caso.nome);
        if (!ambiente.available())
            GTEST_SKIP() << "no locale sources on this machine";
        const platform::LocaleOra locale;
        EXPECT_EQ(locale.dataBreve(giorno(2026, 12, 6)), caso.dataBreve) << caso.nome;
        EXPECT_EQ(locale.formatoOra(), caso.formatoOra) << caso.nome;
        EXPECT_EQ(locale.formatoOra12(), caso.formatoOra12) << caso.nome;
        EXPECT_EQ(locale.antimeridiano(), caso.antimeridiano) << caso.nome;
        EXPECT_EQ(locale.pomeridiano(), caso.pomeridiano) << caso.nome;
    }
}

TEST(LocaleOra, CLocaleForms)
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
