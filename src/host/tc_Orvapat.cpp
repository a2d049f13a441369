#include "host/tc_Orvapat.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <utility>

#include "host/ClassiSistema.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

// Windows brings the foreground window back after every host call, because the host's own
// windows may steal it. Linux has no such call for us to make, so that step is left out and
// the other steps keep their order.

namespace {

const std::u16string kEccezione = u": eccezione";

void mostra(const std::u16string& testo, platform::Gravita gravita = platform::Gravita::Errore)
{
    platform::mostraMessaggio(utf16ToCp1252(testo), {}, gravita);
}

// The host's methods that take no argument are called with one omitted optional argument.
const host::Arguments kArgomentoOmesso { host::Variant {} };

// " (0x80010001)" after a cause, when the failure came with the system's code.
std::string conCodice(const std::exception& errore)
{
    const auto* automazione = dynamic_cast<const host::AutomationError*>(&errore);
    return automazione && automazione->codice() ? " (" + host::testoCodice(automazione->codice()) + ")" : "";
}

// Why a call failed, in words that say what to do where the system's code tells the cause;
// else the host's own text.
std::string causa(const std::exception& errore)
{
    switch (host::tipoGuasto(errore)) {
    case host::TipoGuasto::Occupato:
        return "Orvella non risponde: chiudere le finestre aperte in Orvella e riprovare." + conCodice(errore);
    case host::TipoGuasto::Chiuso:
        return "Orvella si \xE8 chiuso" + conCodice(errore) + ": riaprire Orvella e riprovare.";
    default:
        return host::testoErrore(errore);
    }
}

// Why the server could not be created or started, with what the registry says of it.
std::string causaAvvio(const std::exception& errore, const host::RegistrazioneClasse& registrazione)
{
    const std::string codice = conCodice(errore);
    switch (host::tipoGuasto(errore)) {
    case host::TipoGuasto::NonRegistrato:
        return std::string(Torvapat::kIdentificatoreServer)
            + " non \xE8 registrato su questo PC per i programmi a 32 bit: reinstallare Orvella o registrarne il "
              "server di automazione."
            + codice
            + (registrazione.soloInProcesso64 ? std::string(kFineRiga)
                        + "\xC8 registrato solo un server in-process a 64 bit, che un programma a 32 bit non pu\xF2 "
                          "caricare."
                                              : "");
    case host::TipoGuasto::NonAvviabile:
        return "Il server di automazione di Orvella non si \xE8 avviato" + codice + ": "
            + (registrazione.programmaServer.empty() ? std::string("nessun programma del server \xE8 registrato.")
                                                     : "il programma registrato \xE8 " + registrazione.programmaServer
                        + (registrazione.programmaEsiste ? ", che esiste."
                                                         : ", che non esiste: reinstallare Orvella."));
    case host::TipoGuasto::AccessoNegato:
        return "Accesso negato a Orvella" + codice
            + ": Orvella e ov_pip sono stati avviati con diritti diversi (uno dei due come amministratore): "
              "avviarli entrambi allo stesso modo.";
    default:
        return causa(errore);
    }
}

std::string unisci(const std::vector<std::string>& righe)
{
    std::string testo;
    for (const std::string& riga : righe)
        testo += (testo.empty() ? "" : kFineRiga) + riga;
    return testo;
}

} // namespace

Torvapat::~Torvapat()
{
    stop();
}

host::AutomationObject& Torvapat::server()
{
    if (!ole_server)
        throw host::AutomationError(u"Invalid variant operation");
    return *ole_server;
}

void Torvapat::pausa()
{
    // In short steps, so that the window turns often while the host is waited for.
    constexpr std::chrono::milliseconds kPasso { 20 };
    const platform::Istante fine = platform::adessoMonotono() + attesa_.pausa;
    do {
        if (attesa_.mostra)
            attesa_.mostra(kTestoOrvellaOccupato);
        const auto resta = fine - platform::adessoMonotono();
        if (resta > resta.zero())
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(resta, kPasso));
    } while (platform::adessoMonotono() < fine);
}

template <typename Chiamata> auto Torvapat::conAttesa(Chiamata chiamata) -> decltype(chiamata())
{
    // A gone host is never called again: its next call could only wait for the system to give up.
    if (bChiuso_)
        throw host::AutomationError(u"Orvella si \u00E8 chiuso", host::kServerNonDisponibile);
    const platform::Istante inizio = platform::adessoMonotono();
    bool inAttesa = false;
    const auto fineAttesa = [&] {
        if (inAttesa && attesa_.mostra)
            attesa_.mostra({});
    };
    for (;;) {
        try {
            auto risultato = chiamata();
            fineAttesa();
            return risultato;
        } catch (const std::exception& errore) {
            const host::TipoGuasto tipo = host::tipoGuasto(errore);
            // A refused call was not run by the host: making it again repeats nothing.
            if (tipo == host::TipoGuasto::Occupato && platform::adessoMonotono() - inizio < attesa_.limite) {
                inAttesa = true;
                pausa();
                continue;
            }
            fineAttesa();
            if (tipo == host::TipoGuasto::Chiuso)
                bChiuso_ = true;
            throw;
        }
    }
}

host::Variant Torvapat::invoca(std::string_view metodo, const host::Arguments& argomenti)
{
    return conAttesa([&] { return server().invoke(metodo, argomenti); });
}

bool Torvapat::start()
{
    std::u16string risposta;
    try {
        ole_server = conAttesa([] { return host::createAutomationObject(kIdentificatoreServer); });
        invoca("new", {});
        risposta = host::variantToText(invoca("connetti", { cp1252ToUtf16(s_utente), cp1252ToUtf16(s_password) }));
    } catch (const std::exception& errore) {
        // The first line as it always was; then why, what to do, and the registry for the technician.
        sUltimoErrore_ = host::testoErrore(errore);
        const host::RegistrazioneClasse registrazione = host::leggiRegistrazione(kIdentificatoreServer);
        sRegistrazione_ = unisci(registrazione.righe);
        platform::mostraMessaggio(utf16ToCp1252(u"ole_orvapat.start()" + kEccezione) + kFineRiga + kFineRiga
                + causaAvvio(errore, registrazione),
            sRegistrazione_);
        return false;
    } catch (...) {
        mostra(u"ole_orvapat.start()" + kEccezione);
        return false;
    }
    b_connesso = risposta.empty();
    // Credentials the doctor can type again: a warning, not a failure.
    if (!b_connesso)
        mostra(u"ole_orvapat.start(): errore in connessione\r\n\r\n  " + host::testoLeggibile(risposta),
            platform::Gravita::Avviso);
    return b_connesso;
}

bool Torvapat::stop()
{
    // A failing step ends the sequence silently; what is left stays for the next stop().
    try {
        if (bChiuso_) {
            // Nothing to say to a host that is gone; only its object is let go.
            b_connesso = false;
            ole_server.reset();
        }
        if (b_connesso) {
            invoca("disconnetti", kArgomentoOmesso);
            b_connesso = false;
        }
        if (ole_server) {
            invoca("Destroy", kArgomentoOmesso);
            invoca("Free", kArgomentoOmesso);
            ole_server.reset();
        }
    } catch (...) {
    }
    return true;
}

bool Torvapat::is_on()
{
    bOccupatoOltre_ = false;
    try {
        invoca("get_error", kArgomentoOmesso);
        return true;
    } catch (const std::exception& errore) {
        // Silent, but the reason stays for whoever has to say why a call gave nothing; a host
        // found gone here still gets its one box.
        sUltimoErrore_ = causa(errore);
        bOccupatoOltre_ = host::tipoGuasto(errore) == host::TipoGuasto::Occupato;
        if (bChiuso_)
            avvisaChiusura();
        return false;
    } catch (...) {
        sUltimoErrore_.clear();
        return false;
    }
}

bool Torvapat::verificaPresenza()
{
    try {
        invoca("get_error", kArgomentoOmesso);
    } catch (...) {
        // conAttesa() has marked a gone host; the rest is for the run's calls to meet and tell.
    }
    return !bChiuso_;
}

void Torvapat::occupatoOltreIlLimite(const char16_t* didascalia)
{
    // A guard that waited in vain for a busy host: the call fails, and says why.
    if (bOccupatoOltre_)
        platform::mostraMessaggio(utf16ToCp1252(didascalia + kEccezione) + ": " + sUltimoErrore_);
}

void Torvapat::avvisaChiusura()
{
    if (bChiusuraAvvisata_)
        return;
    bChiusuraAvvisata_ = true;
    platform::mostraMessaggio(kErroreOrvellaChiuso);
}

bool Torvapat::nonRiuscita(std::string nome, const std::exception* errore)
{
    sUltimoErrore_ = errore ? causa(*errore) : std::string();
    nomiNonRiuscite_.push_back(std::move(nome));
    if (!bChiuso_)
        return false;
    avvisaChiusura();
    return true;
}

std::string Torvapat::chiamateNonRiusciteDa(std::int32_t inizio) const
{
    std::vector<std::pair<std::string, int>> conteggi;
    for (std::size_t i = static_cast<std::size_t>(std::max(inizio, 0)); i < nomiNonRiuscite_.size(); ++i) {
        if (nomiNonRiuscite_[i].empty())
            continue;
        const auto trovato = std::find_if(conteggi.begin(), conteggi.end(),
            [&](const auto& conteggio) { return conteggio.first == nomiNonRiuscite_[i]; });
        if (trovato == conteggi.end())
            conteggi.emplace_back(nomiNonRiuscite_[i], 1);
        else
            ++trovato->second;
    }
    std::string testo;
    for (const auto& [nome, volte] : conteggi)
        testo += (testo.empty() ? "" : ", ") + nome + (volte > 1 ? " (" + std::to_string(volte) + " volte)" : "");
    return testo;
}

template <typename Risultato, typename Chiamata>
Risultato Torvapat::chiama(const char* nome, const char16_t* didascalia, bool protetta, Chiamata chiamata)
{
    // A call not made, the host being gone already, fails without a name of its own.
    const std::string nomeChiamata = bChiuso_ ? std::string() : nome;
    if (protetta && !is_on()) {
        nomiNonRiuscite_.push_back(nomeChiamata); // is_on() has kept the reason
        occupatoOltreIlLimite(didascalia);
        return Risultato {};
    }
    try {
        return chiamata();
    } catch (const std::exception& errore) {
        if (nonRiuscita(nomeChiamata, &errore))
            return Risultato {};
        // The host's own failures keep their caption alone; a cause the system's code tells is added.
        if (host::tipoGuasto(errore) != host::TipoGuasto::Altro) {
            platform::mostraMessaggio(utf16ToCp1252(didascalia + kEccezione) + ": " + sUltimoErrore_);
            return Risultato {};
        }
    } catch (...) {
        nonRiuscita(nomeChiamata, nullptr);
    }
    mostra(didascalia + kEccezione);
    return Risultato {};
}

std::int32_t Torvapat::carica(const std::u16string& lista_parametri, const std::u16string& ordine)
{
    return chiama<std::int32_t>("carica", u"Torvapat.carica()", true, [&] {
        return host::variantToInteger(invoca("carica", { lista_parametri, ordine }));
    });
}

bool Torvapat::skip()
{
    return chiama<bool>("skip", u"Torvapat.skip()", true, [&] {
        invoca("skip", kArgomentoOmesso);
        return true;
    });
}

std::u16string Torvapat::leggi_attributo(const std::u16string& nome)
{
    return chiama<std::u16string>("leggi_attributo", u"Torvapat.leggi_attributo()", true,
        [&] { return host::variantToText(invoca("leggi_attributo", { nome })); });
}

std::u16string Torvapat::new_object(const std::u16string& nome_classe, const std::u16string& parametri)
{
    return chiama<std::u16string>("new_object", u"Torvapat.new_object()", true, [&] {
        return host::variantToText(invoca("new_object", { nome_classe, parametri }));
    });
}

std::u16string Torvapat::call_method_pipe(
    const std::u16string& s_handle, const std::u16string& s_metodo, const std::u16string& s_lista_parametri)
{
    const std::u16string didascalia
        = u"Torvapat.call_method_pipe(" + s_handle + u", " + s_metodo + u", " + s_lista_parametri + u")";
    const std::string nome = bChiuso_ ? std::string() : "call_method_pipe " + utf16ToCp1252(s_metodo);
    if (!is_on()) {
        nomiNonRiuscite_.push_back(nome); // is_on() has kept the reason
        occupatoOltreIlLimite(didascalia.c_str());
        return {};
    }
    try {
        std::u16string risposta
            = host::variantToText(invoca("call_method_pipe", { s_handle, s_metodo, s_lista_parametri }));
        // Counts must be decimal numbers; a bad one is reported but still handed back as given.
        if (s_metodo == u"carica" || s_metodo == u"rowcount") {
            lastToolsError();
            string2int(risposta, 10);
            if (!lastToolsError().empty())
                mostra(didascalia + u": eccezione: \r\ns_handle = " + s_handle + u"\r\ns_metodo = " + s_metodo
                    + u"\r\ns_lista_parametri = " + s_lista_parametri);
        }
        return risposta;
    } catch (const std::exception& errore) {
        if (!nonRiuscita(nome, &errore))
            platform::mostraMessaggio(utf16ToCp1252(didascalia + kEccezione) + ": " + sUltimoErrore_);
    } catch (...) {
        nonRiuscita(nome, nullptr);
        mostra(didascalia + kEccezione);
    }
    return {};
}

std::u16string Torvapat::destroy_object(const std::u16string& s_handle)
{
    // An object left unreleased spoils no record: shown, but not counted among the failed calls.
    // A gone host has taken its objects with it.
    if (bChiuso_)
        return {};
    try {
        return host::variantToText(invoca("destroy_object", { s_handle }));
    } catch (const std::exception& errore) {
        // The call that found the host gone is named with the others: the run stopped at it.
        if (bChiuso_)
            nonRiuscita("destroy_object", &errore);
        else
            mostra(u"Torvapat.destroy_object()" + kEccezione);
    } catch (...) {
        mostra(u"Torvapat.destroy_object()" + kEccezione);
    }
    return {};
}

std::u16string Torvapat::get_opzione(const std::u16string& sezione, const std::u16string& opzione)
{
    return chiama<std::u16string>("get_opzione", u"Tgate_orvapat.get_opzione()", false, [&] {
        return host::variantToText(invoca("get_opzione", { sezione, opzione }));
    });
}

bool Torvapat::genera_xml(
    const std::u16string& nome_procedura, const std::u16string& lista_parametri, const std::string& file_xml)
{
    return chiama<bool>("genera_xml", u"Tgate_orvapat.genera_xml()", false, [&] {
        invoca("genera_xml", { nome_procedura, lista_parametri, cp1252ToUtf16(file_xml) });
        return true;
    });
}

std::function<void(const std::string&)> annotaAttesa(
    std::function<void(const std::string&)> suLog, std::function<void(const std::string&)> mostra)
{
    return [suLog = std::move(suLog), mostra = std::move(mostra), inAttesa = false](const std::string& testo) mutable {
        if (testo.empty() == inAttesa) {
            inAttesa = !inAttesa;
            suLog(inAttesa ? kLogAttesaOrvella : kLogFineAttesaOrvella);
        }
        mostra(testo);
    };
}
