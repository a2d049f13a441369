#include "tools/tc_GenTools.h"

#include <limits>
#include <utility>

#include "platform/Registro.h"
#include "tools/Cp1252.h"

namespace {

std::u16string& ultimoErrore()
{
    static std::u16string errore;
    return errore;
}

constexpr std::u16string_view kAlfabetoCifre = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::u16string decimale(int n)
{
    const std::string cifre = std::to_string(n);
    return std::u16string(cifre.begin(), cifre.end());
}

} // namespace

std::string quoteString(const std::string& s)
{
    return "'" + s + "'";
}

std::string dueCifre(long long n)
{
    return padLeft(std::to_string(n), '0', 2);
}

std::string date2string(std::chrono::year_month_day data)
{
    return std::to_string(static_cast<int>(data.year())) + "-" + dueCifre(static_cast<unsigned>(data.month())) + "-"
        + dueCifre(static_cast<unsigned>(data.day()));
}

std::string meseItaliano(std::chrono::year_month mese)
{
    static constexpr const char* kMesi[] = { "gennaio", "febbraio", "marzo", "aprile", "maggio", "giugno", "luglio",
        "agosto", "settembre", "ottobre", "novembre", "dicembre" };
    return std::string(kMesi[static_cast<unsigned>(mese.month()) - 1]) + " "
        + std::to_string(static_cast<int>(mese.year()));
}

std::string numeroItaliano(std::int64_t n)
{
    std::string cifre = std::to_string(n);
    const std::size_t primaCifra = n < 0 ? 1 : 0;
    for (std::size_t i = cifre.size(); i > primaCifra + 3; i -= 3)
        cifre.insert(i - 3, 1, '.');
    return cifre;
}

void string2list(const std::string& s, const std::string& sep, std::vector<std::string>& lista)
{
    if (sep.empty())
        throw std::invalid_argument("string2list: separatore vuoto");
    lista.clear();
    const std::string w = s + sep;
    for (size_t inizio = 0; inizio < w.size();) {
        const size_t p = w.find(sep, inizio);
        lista.push_back(w.substr(inizio, p - inizio));
        inizio = p + sep.size();
    }
}

std::string padRight(const std::string& s, char riempimento, int larghezza)
{
    const long long n = static_cast<long long>(larghezza) - static_cast<long long>(s.size());
    return n >= 1 ? s + std::string(static_cast<size_t>(n), riempimento) : s;
}

std::string padLeft(const std::string& s, char riempimento, int larghezza)
{
    const long long n = static_cast<long long>(larghezza) - static_cast<long long>(s.size());
    return n >= 1 ? std::string(static_cast<size_t>(n), riempimento) + s : s;
}

void setToolsError(const std::u16string& testo)
{
    ultimoErrore() = testo;
}

std::u16string lastToolsError()
{
    return std::exchange(ultimoErrore(), {});
}

std::int32_t string2int(const std::u16string& s, int radice)
{
    const std::u16string etichetta = u"Tools.string2int(" + s + u", " + decimale(radice) + u")";
    if (radice < 2 || radice > 36) {
        setToolsError(etichetta + u": radice conversione non consentita ( deve essere >= 2 e <= 36 )");
        return 0;
    }
    if (s.empty())
        return 0;
    const bool negativo = s.front() == u'-';
    const std::u16string_view cifre = std::u16string_view(s).substr(negativo ? 1 : 0);
    // Accumulated in 64 bits up to 2^31, the magnitude of the most negative 32-bit value.
    std::int64_t valore = 0;
    constexpr std::int64_t kLimite = -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min());
    for (char16_t c : cifre) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        const size_t cifra = kAlfabetoCifre.find(c);
        if (cifra == std::u16string_view::npos || static_cast<int>(cifra) >= radice) {
            setToolsError(etichetta + u": carattere non consentito");
            return 0;
        }
        valore = valore * radice + static_cast<std::int64_t>(cifra);
        if (valore > kLimite) {
            // Reported rather than wrapped around: a count that does not fit is no count.
            setToolsError(etichetta + u": eccezione");
            return 0;
        }
    }
    if (!negativo && valore > std::numeric_limits<std::int32_t>::max()) {
        setToolsError(etichetta + u": eccezione");
        return 0;
    }
    return static_cast<std::int32_t>(negativo ? -valore : valore);
}

std::string readRegistryString(RegistryRoot radice, const std::string& chiave, const std::string& valore)
{
    const platform::RegistryValue letto = platform::leggiValoreRegistro(radice, chiave, valore);
    switch (letto.tipo) {
    case platform::RegistryValue::Tipo::Assente:
        return {};
    case platform::RegistryValue::Tipo::Testo: {
        const std::u16string& testo = letto.testo;
        return utf16ToCp1252(std::u16string_view(testo).substr(0, testo.find(u'\0')));
    }
    case platform::RegistryValue::Tipo::AltroTipo:
        break;
    }
    throw RegistryError("Invalid data type for '" + valore + "'");
}
