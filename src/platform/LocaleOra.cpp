#include "platform/LocaleOra.h"

#include <langinfo.h>

#include <new>

#include "tools/Cp1252.h"

namespace platform {
namespace {

// Locale texts are in the locale's own code set, UTF-8 nowadays; older 8-bit ones pass as they are.
std::string in1252(const char* testo)
{
    const std::string_view vista = testo ? testo : "";
    return isValidUtf8(vista) ? utf8ToCp1252(vista) : std::string(vista);
}

} // namespace

LocaleOra::LocaleOra()
    : locale_(newlocale(LC_TIME_MASK, "", locale_t {}))
{
    if (!locale_)
        locale_ = newlocale(LC_TIME_MASK, "C", locale_t {});
    if (!locale_)
        throw std::bad_alloc(); // the "C" locale is always there; only memory can be missing
}

LocaleOra::~LocaleOra()
{
    if (locale_)
        freelocale(locale_);
}

std::string LocaleOra::dataBreve(const std::tm& giorno) const
{
    char testo[256];
    const std::size_t lunghezza = strftime_l(testo, sizeof testo, "%x", &giorno, locale_);
    return in1252(std::string(testo, lunghezza).c_str());
}

std::string LocaleOra::formatoOra() const
{
    return in1252(nl_langinfo_l(T_FMT, locale_));
}

std::string LocaleOra::formatoOra12() const
{
    return in1252(nl_langinfo_l(T_FMT_AMPM, locale_));
}

std::string LocaleOra::antimeridiano() const
{
    return in1252(nl_langinfo_l(AM_STR, locale_));
}

std::string LocaleOra::pomeridiano() const
{
    return in1252(nl_langinfo_l(PM_STR, locale_));
}

} // namespace platform
