#include "platform/LocaleOra.h"

#include <langinfo.h>
#include <locale.h>

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

struct LocaleOra::Dati {
    locale_t locale;
    ~Dati() { freelocale(locale); }
};

LocaleOra::LocaleOra()
{
    locale_t locale = newlocale(LC_TIME_MASK, "", locale_t {});
    if (!locale)
        locale = newlocale(LC_TIME_MASK, "C", locale_t {});
    if (!locale)
        throw std::bad_alloc(); // the "C" locale is always there; only memory can be missing
    dati_.reset(new Dati { locale });
}

LocaleOra::~LocaleOra() = default;

std::string LocaleOra::dataBreve(const std::tm& giorno) const
{
    char testo[256];
    const std::size_t lunghezza = strftime_l(testo, sizeof testo, "%x", &giorno, dati_->locale);
    return in1252(std::string(testo, lunghezza).c_str());
}

std::string LocaleOra::formatoOra() const
{
    return in1252(nl_langinfo_l(T_FMT, dati_->locale));
}

std::string LocaleOra::formatoOra12() const
{
    return in1252(nl_langinfo_l(T_FMT_AMPM, dati_->locale));
}

std::string LocaleOra::antimeridiano() const
{
    return in1252(nl_langinfo_l(AM_STR, dati_->locale));
}

std::string LocaleOra::pomeridiano() const
{
    return in1252(nl_langinfo_l(PM_STR, dati_->locale));
}

} // namespace platform
