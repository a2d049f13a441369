#pragma once

#include <ctime>
#include <locale.h>
#include <string>

namespace platform {

// The user's date and time conventions: the C library's LC_TIME locale of the environment, the
// one setlocale(LC_TIME, "") would choose, read without touching the program's own locale.
// Texts come back in Windows-1252.
class LocaleOra {
public:
    // The environment's locale; the "C" locale when the environment names none that is installed.
    LocaleOra();
    ~LocaleOra();
    LocaleOra(const LocaleOra&) = delete;
    LocaleOra& operator=(const LocaleOra&) = delete;

    // The short date form of the day (the locale's D_FMT).
    std::string dataBreve(const std::tm& giorno) const;
    // The strftime forms of the time (T_FMT) and of the 12-hour time (T_FMT_AMPM).
    std::string formatoOra() const;
    std::string formatoOra12() const;
    // The morning and afternoon designators (AM_STR, PM_STR).
    std::string antimeridiano() const;
    std::string pomeridiano() const;

private:
    locale_t locale_;
};

} // namespace platform
