#include "platform/Clock.h"
#include "platform/LocaleOra.h"
#include "platform/windows/FiguraOra.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// Windows time pictures in strftime's terms, as the log stamp reads them.
TEST(FiguraOra, PicturesOfTheCommonLocales)
{
    struct Caso {
        const wchar_t* figura;
        const char* attesa;
    };
    const Caso casi[] = {
        { L"HH:mm:ss", "%H:%M:%S" }, // it-IT
        { L"h:mm:ss tt", "%l:%M:%S %p" }, // en-US
        { L"tt h:mm:ss", "%p %l:%M:%S" }, // ko-KR: the designator first
        { L"hh:mm:ss tt", "%I:%M:%S %p" },
        { L"H.mm.ss", "%k.%M.%S" }, // fi-FI
        { L"HH' h 'mm", "%H h %M" }, // quoted text is literal
        { L"H:mm:ss'%'", "%k:%M:%S%%" },
        { L"", "" },
    };
    for (const Caso& caso : casi)
        EXPECT_EQ(platform::figuraInStrftime(caso.figura), caso.attesa);
}

bool localeUtente(const wchar_t* nome)
{
    wchar_t utente[LOCALE_NAME_MAX_LENGTH];
    return GetUserDefaultLocaleName(utente, LOCALE_NAME_MAX_LENGTH) > 0 && std::wstring(utente) == nome;
}

// The Wine run gives these tests an Italian user (LANG) in the Rome time zone (TZ).
TEST(LocaleOraWindows, TheUsersShortDateAndTimeForm)
{
    if (!localeUtente(L"it-IT"))
        GTEST_SKIP() << "needs an Italian user locale";
    std::tm giorno {};
    giorno.tm_year = 2026 - 1900;
    giorno.tm_mon = 11;
    giorno.tm_mday = 6;
    giorno.tm_wday = 0;
    const platform::LocaleOra locale;

    // Windows writes the Italian short date as dd/MM/yyyy, Wine's tables as d/M/yyyy.
    const std::string data = locale.dataBreve(giorno);
    EXPECT_TRUE(data == "06/12/2026" || data == "6/12/2026") << data;
    EXPECT_EQ(locale.formatoOra(), "%H:%M:%S");
}

TEST(OraWindows, FileTimesInLocalTimeWithTheSummerTimeOfTheirDate)
{
    TIME_ZONE_INFORMATION fuso {};
    GetTimeZoneInformation(&fuso);
    if (fuso.Bias != -60 || fuso.DaylightBias != -60)
        GTEST_SKIP() << "needs the Central European time zone";

    EXPECT_EQ(platform::toLocalTime(sys_days { 2024y / May / 17 } + 12h + 30min + 5s),
        local_days { 2024y / May / 17 } + 14h + 30min + 5s);
    EXPECT_EQ(platform::toLocalTime(sys_days { 2023y / December / 31 } + 23h + 10min + 2s),
        local_days { 2024y / January / 1 } + 0h + 10min + 2s);
    // A fraction of a second is dropped, not rounded.
    EXPECT_EQ(platform::toLocalTime(sys_days { 2024y / January / 1 } + 59s + 900ms),
        local_days { 2024y / January / 1 } + 1h + 0min + 59s);
}

} // namespace
