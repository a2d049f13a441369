#include "platform/LocaleOra.h"

#include <vector>

#include "platform/windows/FiguraOra.h"
#include "platform/windows/TestoWindows.h"

namespace platform {
namespace {

std::wstring informazioneLocale(LCTYPE voce)
{
    const int lunghezza = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, voce, nullptr, 0);
    if (lunghezza <= 0)
        return {};
    std::vector<wchar_t> testo(static_cast<std::size_t>(lunghezza));
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, voce, testo.data(), lunghezza) <= 0)
        return {};
    return std::wstring(testo.data());
}

// The designator that the user's time format writes at the given hour.
std::string designatore(WORD ora)
{
    SYSTEMTIME istante {};
    istante.wHour = ora;
    wchar_t testo[64];
    const int lunghezza = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &istante, L"tt", testo, 64);
    return lunghezza > 0 ? largoA1252(std::wstring_view(testo, static_cast<std::size_t>(lunghezza - 1))) : "";
}

} // namespace

struct LocaleOra::Dati { };

LocaleOra::LocaleOra() = default;

LocaleOra::~LocaleOra() = default;

std::string LocaleOra::dataBreve(const std::tm& giorno) const
{
    SYSTEMTIME data {};
    data.wYear = static_cast<WORD>(giorno.tm_year + 1900);
    data.wMonth = static_cast<WORD>(giorno.tm_mon + 1);
    data.wDayOfWeek = static_cast<WORD>(giorno.tm_wday);
    data.wDay = static_cast<WORD>(giorno.tm_mday);
    wchar_t testo[256];
    const int lunghezza
        = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &data, nullptr, testo, 256, nullptr);
    return lunghezza > 0 ? largoA1252(std::wstring_view(testo, static_cast<std::size_t>(lunghezza - 1))) : "";
}

std::string LocaleOra::formatoOra() const
{
    return figuraInStrftime(informazioneLocale(LOCALE_STIMEFORMAT));
}

std::string LocaleOra::formatoOra12() const
{
    return "%I:%M:%S %p";
}

std::string LocaleOra::antimeridiano() const
{
    return designatore(9);
}

std::string LocaleOra::pomeridiano() const
{
    return designatore(21);
}

} // namespace platform
