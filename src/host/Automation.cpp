#include "host/Automation.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "host/ClassiSistema.h"
#include "host/GuastoHost.h"
#include "tools/Cp1252.h"

namespace host {
namespace {

// Identifiers compare without regard to case, as the system's object registry does.
struct MinuscoleUguali {
    bool operator()(const std::string& a, const std::string& b) const
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
    }
};

std::map<std::string, AutomationFactory, MinuscoleUguali>& registroClassi()
{
    static std::map<std::string, AutomationFactory, MinuscoleUguali> registro;
    return registro;
}

} // namespace

AutomationError::AutomationError(std::u16string messaggio, std::uint32_t codice)
    : std::runtime_error(utf16ToUtf8(messaggio))
    , messaggio_(std::move(messaggio))
    , codice_(codice)
{
}

void registerAutomationClass(const std::string& identificatore, AutomationFactory fabbrica)
{
    registroClassi()[identificatore] = std::move(fabbrica);
}

void unregisterAutomationClass(const std::string& identificatore)
{
    registroClassi().erase(identificatore);
}

std::unique_ptr<AutomationObject> createAutomationObject(const std::string& identificatore)
{
    const auto trovata = registroClassi().find(identificatore);
    if (trovata == registroClassi().end())
        return creaOggettoDiSistema(identificatore);
    std::unique_ptr<AutomationObject> oggetto = trovata->second();
    if (!oggetto)
        throw AutomationError(u"Server execution failed: " + utf8ToUtf16(identificatore), kAvvioNonRiuscito);
    return oggetto;
}

std::u16string variantToText(const Variant& valore)
{
    if (std::holds_alternative<std::monostate>(valore))
        return {};
    if (const auto* testo = std::get_if<std::u16string>(&valore))
        return *testo;
    if (const auto* numero = std::get_if<std::int32_t>(&valore))
        return utf8ToUtf16(std::to_string(*numero));
    if (const auto* booleano = std::get_if<bool>(&valore))
        return *booleano ? u"True" : u"False";
    throw AutomationError(u"Invalid variant type conversion");
}

std::int32_t variantToInteger(const Variant& valore)
{
    if (std::holds_alternative<std::monostate>(valore))
        return 0;
    if (const auto* numero = std::get_if<std::int32_t>(&valore))
        return *numero;
    if (const auto* booleano = std::get_if<bool>(&valore))
        return *booleano ? -1 : 0;
    if (const auto* testo = std::get_if<std::u16string>(&valore)) {
        // Surrounding blanks and a plus sign are tolerated, as the automation conversion does.
        std::string cifre = utf16ToUtf8(*testo);
        const auto inizio = cifre.find_first_not_of(" \t");
        const auto fine = cifre.find_last_not_of(" \t");
        if (inizio != std::string::npos) {
            cifre = cifre.substr(inizio, fine - inizio + 1);
            if (cifre.size() > 1 && cifre[0] == '+' && cifre[1] != '-')
                cifre.erase(0, 1);
            std::int32_t risultato = 0;
            const auto [fermo, errore] = std::from_chars(cifre.data(), cifre.data() + cifre.size(), risultato);
            if (errore == std::errc() && fermo == cifre.data() + cifre.size())
                return risultato;
        }
    }
    throw AutomationError(u"Could not convert variant of type ("
        + std::u16string(valore.index() == 1 ? u"Null" : u"String") + u") into type (Integer)");
}

std::u16string testoLeggibile(std::u16string_view testo)
{
    if (testo.size() <= kLunghezzaLeggibile)
        return std::u16string(testo);
    std::size_t taglio = kLunghezzaLeggibile;
    // Never half a surrogate pair.
    if (testo[taglio - 1] >= 0xD800 && testo[taglio - 1] <= 0xDBFF)
        --taglio;
    return std::u16string(testo.substr(0, taglio)) + u"...";
}

std::string testoErrore(const std::exception& errore)
{
    if (const auto* automazione = dynamic_cast<const AutomationError*>(&errore))
        return utf16ToCp1252(testoLeggibile(automazione->messaggio()));
    const std::string_view testo = errore.what();
    std::string risultato = isValidUtf8(testo) ? utf8ToCp1252(testo) : std::string(testo);
    if (risultato.size() > kLunghezzaLeggibile)
        risultato = risultato.substr(0, kLunghezzaLeggibile) + "...";
    return risultato;
}

} // namespace host
