#pragma once

#include <ctime>
#include <memory>
#include <string>

namespace platform {

// The user's date and time conventions, read without touching the program's own locale: on
// Windows the user's regional settings, elsewhere the C library's LC_TIME locale of the
// environment (the one setlocale(LC_TIME, "") would choose, or "C" when it names none that is
// installed). Texts come back in Windows-1252.
class LocaleOra {
public:
    LocaleOra();
    ~LocaleOra();
    LocaleOra(const LocaleOra&) = delete;
    LocaleOra& operator=(const LocaleOra&) = delete;

    // The short date form of the day.
    std::string dataBreve(const std::tm& giorno) const;
    // The time form (strftime's T_FMT) and the 12-hour form that its "%r" stands for
    // (T_FMT_AMPM), as strftime forms: Windows' own time picture is given in these terms.
    std::string formatoOra() const;
    std::string formatoOra12() const;
    // The morning and afternoon designators.
    std::string antimeridiano() const;
    std::string pomeridiano() const;

private:
    struct Dati;
    std::unique_ptr<Dati> dati_;
};

} // namespace platform
