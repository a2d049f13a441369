#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace host {

// A late-bound automation call's values: empty, null, text, integer or Boolean.
struct Null {
    bool operator==(const Null&) const = default;
};
using Variant = std::variant<std::monostate, Null, std::u16string, std::int32_t, bool>;
using Arguments = std::vector<Variant>;

// A failed automation call, with the server's message text and, when the system gave one, its
// failure code (an HRESULT; 0 for none), by which a busy, gone or unregistered server is told.
class AutomationError : public std::runtime_error {
public:
    explicit AutomationError(std::u16string messaggio, std::uint32_t codice = 0);
    const std::u16string& messaggio() const { return messaggio_; }
    std::uint32_t codice() const { return codice_; }

private:
    std::u16string messaggio_;
    std::uint32_t codice_;
};

// An automation object whose methods are found by name at call time.
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    // Calls the named method; throws AutomationError when it fails or does not exist.
    virtual Variant invoke(std::string_view metodo, const Arguments& argomenti) = 0;
};

// The process's own class registry, in front of the system's object registry (COM on Windows):
// identifiers such as "Orvella.Server" resolve to factories that create a new instance on every
// call; an identifier registered here hides the system's class of that name.
using AutomationFactory = std::function<std::unique_ptr<AutomationObject>()>;

void registerAutomationClass(const std::string& identificatore, AutomationFactory fabbrica);
void unregisterAutomationClass(const std::string& identificatore);

// A new instance of the registered class, else of the system's class of that name; throws
// AutomationError for an unknown identifier or when the factory gives nothing. What the factory
// itself raises passes on unchanged.
std::unique_ptr<AutomationObject> createAutomationObject(const std::string& identificatore);

// The conversions of the session wrapper: empty gives "", null or another kind raises.
std::u16string variantToText(const Variant& valore);
// Empty gives 0, a Boolean -1 or 0; a text must hold a decimal integer (blanks around it and a
// leading "+" allowed); null or any other text raises.
std::int32_t variantToInteger(const Variant& valore);

// Long enough for any message meant for a person, short enough for a message box to lay it out at once.
inline constexpr std::size_t kLunghezzaLeggibile = 500;

// A host's text as a message box shows it: past kLunghezzaLeggibile characters it is cut, and "..." added.
std::u16string testoLeggibile(std::u16string_view testo);

// A failure's own text as Windows-1252, cut as testoLeggibile cuts: an automation error's
// message, else what() read as UTF-8.
std::string testoErrore(const std::exception& errore);

} // namespace host
