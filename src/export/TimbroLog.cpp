#include "export/TimbroLog.h"

#include <ctime>
#include <optional>

#include "platform/LocaleOra.h"
#include "tools/tc_GenTools.h"

namespace {

struct Direttiva {
    char conversione;
    std::string_view flag;
};

// Replaces the composite directives by what they stand for, so that one scan finds the hours.
std::string espandi(std::string_view forma, std::string_view forma12)
{
    std::string risultato;
    for (std::size_t i = 0; i < forma.size(); ++i) {
        if (forma[i] != '%' || i + 1 == forma.size()) {
            risultato += forma[i];
            continue;
        }
        const char successivo = forma[++i];
        if (successivo == 'r')
            risultato += forma12;
        else if (successivo == 'T')
            risultato += "%H:%M:%S";
        else if (successivo == 'R')
            risultato += "%H:%M";
        else
            (risultato += '%') += successivo;
    }
    return risultato;
}

// Reads the directive at forma[i] == '%': glibc flags, a width, an E or O modifier, the letter.
Direttiva leggiDirettiva(std::string_view forma, std::size_t& i)
{
    std::size_t j = i + 1;
    const std::size_t inizioFlag = j;
    while (j < forma.size() && std::string_view("-_0^#").find(forma[j]) != std::string_view::npos)
        ++j;
    const std::string_view flag = forma.substr(inizioFlag, j - inizioFlag);
    while (j < forma.size() && forma[j] >= '0' && forma[j] <= '9')
        ++j;
    if (j < forma.size() && (forma[j] == 'E' || forma[j] == 'O'))
        ++j;
    i = j;
    return { j < forma.size() ? forma[j] : '\0', flag };
}

} // namespace

FormaOre formaOre(
    std::string_view formatoOra, std::string_view formatoOra12, std::string antimeridiano, std::string pomeridiano)
{
    FormaOre forma;
    forma.antimeridiano = std::move(antimeridiano);
    forma.pomeridiano = std::move(pomeridiano);

    const std::string espansa = espandi(formatoOra, formatoOra12);
    std::optional<Direttiva> ore;
    bool designatoreVisto = false;
    for (std::size_t i = 0; i < espansa.size() && !ore; ++i) {
        if (espansa[i] != '%')
            continue;
        const Direttiva direttiva = leggiDirettiva(espansa, i);
        if (direttiva.conversione == 'p' || direttiva.conversione == 'P')
            designatoreVisto = true;
        else if (std::string_view("HkIl").find(direttiva.conversione) != std::string_view::npos)
            ore = direttiva;
    }
    if (!ore)
        return forma;

    forma.dodiciOre = ore->conversione == 'I' || ore->conversione == 'l';
    forma.designatorePrima = forma.dodiciOre && designatoreVisto;
    if (ore->flag.find_first_of("-_") != std::string_view::npos)
        forma.conZero = false;
    else if (ore->flag.find('0') != std::string_view::npos)
        forma.conZero = true;
    else
        forma.conZero = ore->conversione == 'H' || ore->conversione == 'I';
    return forma;
}

std::string componiTimbro(const std::string& data, std::chrono::seconds oraDelGiorno, const FormaOre& forma)
{
    if (oraDelGiorno == std::chrono::seconds::zero())
        return data;
    const std::chrono::hh_mm_ss<std::chrono::seconds> hms(oraDelGiorno);
    long ore = hms.hours().count();
    const std::string* designatore = nullptr;
    if (forma.dodiciOre) {
        designatore = ore < 12 ? &forma.antimeridiano : &forma.pomeridiano;
        ore = ore % 12 == 0 ? 12 : ore % 12;
    }
    std::string ora = (forma.conZero ? dueCifre(ore) : std::to_string(ore)) + ":" + dueCifre(hms.minutes().count())
        + ":" + dueCifre(hms.seconds().count());
    if (designatore && !designatore->empty())
        ora = forma.designatorePrima ? *designatore + " " + ora : ora + " " + *designatore;
    return data + " " + ora;
}

std::string timbroLog(platform::LocalTime momento)
{
    using namespace std::chrono;
    const local_days giorno = floor<days>(momento);
    const year_month_day ymd(giorno);
    std::tm campi {};
    campi.tm_year = static_cast<int>(ymd.year()) - 1900;
    campi.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    campi.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    campi.tm_wday = static_cast<int>(weekday(giorno).c_encoding());
    campi.tm_yday = (giorno - local_days(ymd.year() / January / 1)).count();

    const platform::LocaleOra locale;
    const FormaOre forma
        = formaOre(locale.formatoOra(), locale.formatoOra12(), locale.antimeridiano(), locale.pomeridiano());
    return componiTimbro(locale.dataBreve(campi), momento - giorno, forma);
}

std::string timbroLog()
{
    return timbroLog(platform::adesso());
}
