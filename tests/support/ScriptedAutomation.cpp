#include "support/ScriptedAutomation.h"

#include <algorithm>
#include <deque>

#include "tools/Cp1252.h"

namespace host {

void PrintTo(const Null&, std::ostream* os)
{
    *os << "Null";
}

} // namespace host

namespace testing_support {

namespace {

std::string descriviValore(const host::Variant& valore)
{
    if (std::holds_alternative<std::monostate>(valore))
        return "Empty";
    if (std::holds_alternative<host::Null>(valore))
        return "Null";
    if (const auto* testo = std::get_if<std::u16string>(&valore))
        return "\"" + utf16ToUtf8(*testo) + "\"";
    if (const auto* numero = std::get_if<std::int32_t>(&valore))
        return std::to_string(*numero);
    return std::get<bool>(valore) ? "true" : "false";
}

} // namespace

host::Variant ScriptedAutomation::Outcome::produci() const
{
    if (fallisce_)
        throw host::AutomationError(messaggio_, codice_);
    return valore_;
}

// A rule answers the calls it applies to; a sequence applies while it has steps left.
struct Regola {
    std::string metodo;
    std::optional<std::u16string> primoArgomento;
    std::deque<ScriptedAutomation::Outcome> sequenza;
    bool daSequenza = false;
    ScriptedAutomation::Handler gestore;

    bool siApplica(std::string_view m, const host::Arguments& argomenti) const
    {
        if (m != metodo || (daSequenza && sequenza.empty()))
            return false;
        if (!primoArgomento)
            return true;
        const auto* testo = argomenti.empty() ? nullptr : std::get_if<std::u16string>(&argomenti.front());
        return testo && *testo == *primoArgomento;
    }
};

struct ScriptedAutomation::Stato {
    std::vector<Regola> regole;
    std::vector<Call> chiamate;
    std::optional<std::u16string> erroreCreazione;
    std::uint32_t codiceCreazione = 0;
    bool rifiutaNonPrevisti = false;
    int create = 0;
    int vive = 0;

    host::Variant rispondi(int istanza, std::string_view metodo, const host::Arguments& argomenti)
    {
        chiamate.push_back({ istanza, std::string(metodo), argomenti });
        for (auto regola = regole.rbegin(); regola != regole.rend(); ++regola) {
            if (!regola->siApplica(metodo, argomenti))
                continue;
            if (regola->daSequenza) {
                const Outcome passo = std::move(regola->sequenza.front());
                regola->sequenza.pop_front();
                return passo.produci();
            }
            return regola->gestore(argomenti);
        }
        if (rifiutaNonPrevisti)
            throw host::AutomationError(u"Unknown name.");
        return {};
    }
};

class ScriptedAutomation::Istanza : public host::AutomationObject {
public:
    explicit Istanza(std::shared_ptr<Stato> stato)
        : stato_(std::move(stato))
        , numero_(++stato_->create)
    {
        ++stato_->vive;
    }
    ~Istanza() override { --stato_->vive; }

    host::Variant invoke(std::string_view metodo, const host::Arguments& argomenti) override
    {
        return stato_->rispondi(numero_, metodo, argomenti);
    }

private:
    std::shared_ptr<Stato> stato_;
    int numero_;
};

ScriptedAutomation::ScriptedAutomation(std::string identificatore)
    : identificatore_(std::move(identificatore))
    , stato_(std::make_shared<Stato>())
{
    host::registerAutomationClass(identificatore_, [stato = stato_]() -> std::unique_ptr<host::AutomationObject> {
        if (stato->erroreCreazione)
            throw host::AutomationError(*stato->erroreCreazione, stato->codiceCreazione);
        return std::make_unique<Istanza>(stato);
    });
}

ScriptedAutomation::~ScriptedAutomation()
{
    host::unregisterAutomationClass(identificatore_);
}

ScriptedAutomation& ScriptedAutomation::answer(const std::string& metodo, Outcome risposta)
{
    return answerWith(metodo, [risposta = std::move(risposta)](const host::Arguments&) { return risposta.produci(); });
}

ScriptedAutomation& ScriptedAutomation::answerFor(
    const std::string& metodo, const std::u16string& primoArgomento, Outcome risposta)
{
    stato_->regole.push_back({ metodo, primoArgomento, {}, false,
        [risposta = std::move(risposta)](const host::Arguments&) { return risposta.produci(); } });
    return *this;
}

ScriptedAutomation& ScriptedAutomation::answerSequence(const std::string& metodo, std::vector<Outcome> esiti)
{
    stato_->regole.push_back({ metodo, std::nullopt, { esiti.begin(), esiti.end() }, true, {} });
    return *this;
}

ScriptedAutomation& ScriptedAutomation::answerWith(const std::string& metodo, Handler gestore)
{
    stato_->regole.push_back({ metodo, std::nullopt, {}, false, std::move(gestore) });
    return *this;
}

ScriptedAutomation& ScriptedAutomation::fail(const std::string& metodo, const std::u16string& messaggio)
{
    return answer(metodo, Failure { messaggio });
}

ScriptedAutomation& ScriptedAutomation::failFor(
    const std::string& metodo, const std::u16string& primoArgomento, const std::u16string& messaggio)
{
    return answerFor(metodo, primoArgomento, Failure { messaggio });
}

ScriptedAutomation& ScriptedAutomation::failCreation(const std::u16string& messaggio, std::uint32_t codice)
{
    stato_->erroreCreazione = messaggio;
    stato_->codiceCreazione = codice;
    return *this;
}

ScriptedAutomation& ScriptedAutomation::rejectUnscripted()
{
    stato_->rifiutaNonPrevisti = true;
    return *this;
}

const std::vector<ScriptedAutomation::Call>& ScriptedAutomation::calls() const
{
    return stato_->chiamate;
}

std::vector<std::string> ScriptedAutomation::trace() const
{
    std::vector<std::string> righe;
    for (const Call& chiamata : stato_->chiamate)
        righe.push_back(describeCall(chiamata));
    return righe;
}

std::vector<std::string> ScriptedAutomation::methods() const
{
    std::vector<std::string> nomi;
    for (const Call& chiamata : stato_->chiamate)
        nomi.push_back(chiamata.metodo);
    return nomi;
}

int ScriptedAutomation::callCount(const std::string& metodo) const
{
    return static_cast<int>(std::count_if(stato_->chiamate.begin(), stato_->chiamate.end(),
        [&](const Call& chiamata) { return chiamata.metodo == metodo; }));
}

void ScriptedAutomation::clearCalls()
{
    stato_->chiamate.clear();
}

int ScriptedAutomation::instancesCreated() const
{
    return stato_->create;
}

int ScriptedAutomation::instancesAlive() const
{
    return stato_->vive;
}

std::string describeCall(const ScriptedAutomation::Call& chiamata)
{
    std::string testo = chiamata.metodo + "(";
    for (std::size_t i = 0; i < chiamata.argomenti.size(); ++i)
        testo += (i ? ", " : "") + descriviValore(chiamata.argomenti[i]);
    return testo + ")";
}

} // namespace testing_support
