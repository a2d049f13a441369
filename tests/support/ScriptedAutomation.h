#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/Automation.h"

namespace host {
// Lets GoogleTest print null answers and argument lists readably.
void PrintTo(const Null&, std::ostream* os);
} // namespace host

namespace testing_support {

// A host automation class whose answers a test writes down beforehand. It registers itself
// under an identifier for its lifetime, so code that creates "Orvella.Server" gets one of its
// instances; every instance shares the script and the journal of calls.
//
//     ScriptedAutomation server;                          // registers "Orvella.Server"
//     server.answerFor("leggi_attributo", u"userid_utente", u"M001")
//           .answer("carica", 12)
//           .fail("skip", u"fine della lista");
//     ... run the code ...
//     EXPECT_EQ(server.trace(), (std::vector<std::string>{"new()", R"(connetti("mario", "pw"))", ...}));
//
// A call is answered by the most recently written rule that applies to it, so a fixture can set
// defaults and a test override them. A method without an applicable rule answers the empty
// variant (the host's methods that matter answer nothing), unless rejectUnscripted() was called.
class ScriptedAutomation {
public:
    // One step of a scripted sequence: an answer, or a failure raised with the message and the
    // system's code (0: none).
    struct Failure {
        std::u16string messaggio;
        std::uint32_t codice = 0;
    };
    class Outcome {
    public:
        template <typename T>
        requires std::constructible_from<host::Variant, T> Outcome(T&& valore)
            : valore_(std::forward<T>(valore))
        {
        }
        Outcome(Failure errore)
            : fallisce_(true)
            , messaggio_(std::move(errore.messaggio))
            , codice_(errore.codice)
        {
        }
        host::Variant produci() const;

    private:
        host::Variant valore_;
        bool fallisce_ = false;
        std::u16string messaggio_;
        std::uint32_t codice_ = 0;
    };

    struct Call {
        int istanza; // 1 for the first instance created, 2 for the next...
        std::string metodo;
        host::Arguments argomenti;
    };

    using Handler = std::function<host::Variant(const host::Arguments&)>;

    explicit ScriptedAutomation(std::string identificatore = "Orvella.Server");
    ~ScriptedAutomation(); // unregisters the identifier (a class it replaced stays unregistered)
    ScriptedAutomation(const ScriptedAutomation&) = delete;
    ScriptedAutomation& operator=(const ScriptedAutomation&) = delete;

    // --- The script ---
    // Every call of the method answers the value.
    ScriptedAutomation& answer(const std::string& metodo, Outcome risposta);
    // Only calls whose first argument is this text.
    ScriptedAutomation& answerFor(const std::string& metodo, const std::u16string& primoArgomento, Outcome risposta);
    // Successive calls take the outcomes in turn; once used up, the rule no longer applies.
    ScriptedAutomation& answerSequence(const std::string& metodo, std::vector<Outcome> esiti);
    // The handler computes the answer; it may throw host::AutomationError to fail the call.
    ScriptedAutomation& answerWith(const std::string& metodo, Handler gestore);
    // The method raises an automation error with the message.
    ScriptedAutomation& fail(const std::string& metodo, const std::u16string& messaggio = u"errore simulato");
    ScriptedAutomation& failFor(const std::string& metodo, const std::u16string& primoArgomento,
        const std::u16string& messaggio = u"errore simulato");
    // Creating an instance fails with the message, as a server that cannot start.
    ScriptedAutomation& failCreation(
        const std::u16string& messaggio = u"Server execution failed", std::uint32_t codice = 0);
    // Methods without an applicable rule raise "Unknown name." instead of answering empty.
    ScriptedAutomation& rejectUnscripted();

    // --- What happened ---
    const std::vector<Call>& calls() const;
    // The calls written as method(arguments), in UTF-8: texts in double quotes, then Empty, Null,
    // numbers and true/false as they are, e.g. R"(carica("codice_medico =M1|tipo_di_convenzione=S", "alfabetico"))".
    std::vector<std::string> trace() const;
    // The method names only, in order.
    std::vector<std::string> methods() const;
    int callCount(const std::string& metodo) const;
    void clearCalls();

    int instancesCreated() const;
    int instancesAlive() const;

private:
    struct Stato;
    class Istanza;
    std::string identificatore_;
    std::shared_ptr<Stato> stato_;
};

// One call written the way trace() writes it.
std::string describeCall(const ScriptedAutomation::Call& chiamata);

} // namespace testing_support
