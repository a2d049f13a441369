#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/Automation.h"
#include "host/GuastoHost.h"

// How a session waits for a host that refuses calls while it is busy: the same call is made
// again after each pause, until the limit has passed since the first refusal.
struct AttesaOrvella {
    std::chrono::milliseconds limite = host::kAttesaOccupato;
    std::chrono::milliseconds pausa { 250 };
    // Shows the text and lets the window run its pending events, again and again through each
    // pause; the empty text when the wait is over, to put back what was shown before.
    std::function<void(const std::string& testo)> mostra;
};

// What the status label says while a session waits for a busy host (Windows-1252).
inline constexpr const char* kTestoOrvellaOccupato
    = "Orvella \xE8 occupato: in attesa che risponda\x85 (chiudere le finestre aperte in Orvella)";
// The run log's lines at the start and the end of each wait for a busy host.
inline constexpr const char* kLogAttesaOrvella = "Orvella occupato: in attesa che risponda";
inline constexpr const char* kLogFineAttesaOrvella = "Fine dell'attesa di Orvella";
// The one box of a session whose host went away.
inline constexpr const char* kErroreOrvellaChiuso
    = "ERRORE: Orvella si \xE8 chiuso durante l'esportazione: riaprire Orvella e ripetere l'esportazione.";

// The one host session: owns the host's automation object and offers one operation per host
// method. Every operation reports its own failure in a message box and returns an empty,
// 0 or false value instead; callers never see a host failure. A call that a busy host refuses
// is made again (see AttesaOrvella). Once the host is found gone, one box says so and no call
// reaches it any more: every operation gives its failure value silently.
// Arguments and results are UTF-16, except the file path of genera_xml (8-bit).
class Torvapat {
public:
    // The identifier of the host's automation server.
    static constexpr const char* kIdentificatoreServer = "Orvella.Server";

    Torvapat() = default;
    ~Torvapat(); // runs stop() first
    Torvapat(const Torvapat&) = delete;
    Torvapat& operator=(const Torvapat&) = delete;

    bool start();
    bool stop();
    bool is_on();

    std::int32_t carica(const std::u16string& lista_parametri, const std::u16string& ordine);
    bool skip();
    std::u16string leggi_attributo(const std::u16string& nome);
    std::u16string new_object(const std::u16string& nome_classe, const std::u16string& parametri);
    std::u16string call_method_pipe(
        const std::u16string& s_handle, const std::u16string& s_metodo, const std::u16string& s_lista_parametri);
    std::u16string destroy_object(const std::u16string& s_handle);
    std::u16string get_opzione(const std::u16string& sezione, const std::u16string& opzione);
    bool genera_xml(
        const std::u16string& nome_procedura, const std::u16string& lista_parametri, const std::string& file_xml);

    // How this session waits for a busy host; the window's own way of waiting comes with it.
    void impostaAttesa(AttesaOrvella attesa) { attesa_ = std::move(attesa); }
    const AttesaOrvella& attesa() const { return attesa_; }

    // The host went away during the session.
    bool orvellaChiuso() const { return bChiuso_; }
    // Asks the host its cheapest harmless question (get_error), a busy host waited for as by any
    // call, to learn before a run whether it is still there. A host found gone is marked so
    // (orvellaChiuso()) with no box and no failed call counted: nothing has run yet, and the doctor
    // is to sign in again first. False only then; any other failure is left to the run's own calls.
    bool verificaPresenza();

    // What the class registry holds for the server, one line each (Windows-1252, CR LF between
    // them), as read when start() could not create or start it; empty otherwise.
    const std::string& registrazioneServer() const { return sRegistrazione_; }

    // Fields, as the session opening fills them before start().
    std::string s_utente;
    std::string s_password;
    // The signed-in doctor's regional code as the session opening read it (Windows-1252): whose
    // exports the register's months are judged for.
    std::string sCodiceRegionaleMedico;

    bool connesso() const { return b_connesso; }
    bool haServer() const { return ole_server != nullptr; }

    // Calls of carica, skip, leggi_attributo, new_object, call_method_pipe, get_opzione and
    // genera_xml that gave their failure value since the session was made: the host raised, or
    // get_error found it gone. A run compares the count before and after its work.
    std::int32_t chiamateNonRiuscite() const { return static_cast<std::int32_t>(nomiNonRiuscite_.size()); }
    // Counts a call whose answer the caller cannot use, such as a count of rows the host did not
    // load, under the call's name.
    void contaChiamataNonRiuscita(std::string nome) { nomiNonRiuscite_.push_back(std::move(nome)); }
    // The calls counted since the count stood at inizio, by name in the order of their first
    // failure, each with its number of failures when more than one: "genera_xml,
    // call_method_pipe carica (4 volte)". Those not made, the host being gone, are not named.
    std::string chiamateNonRiusciteDa(std::int32_t inizio) const;
    // The host's own text of the latest failure, get_error's included, cut to a readable size
    // (Windows-1252); what a caller names as the reason.
    const std::string& ultimoErrore() const { return sUltimoErrore_; }

private:
    // The server object; raises like a call on an empty variant when there is none.
    host::AutomationObject& server();
    // One host call with the common discipline: guarded by is_on() when asked, a failure shown
    // as the caption + ": eccezione" and turned into the empty value of the result type.
    template <typename Risultato, typename Chiamata>
    Risultato chiama(const char* nome, const char16_t* didascalia, bool protetta, Chiamata chiamata);
    // The host method, made again while a busy host refuses it; raises at once for a gone host.
    host::Variant invoca(std::string_view metodo, const host::Arguments& argomenti);
    template <typename Chiamata> auto conAttesa(Chiamata chiamata) -> decltype(chiamata());
    void pausa();

    // Records a failed call; true when it found the host gone, whose one box has been shown.
    bool nonRiuscita(std::string nome, const std::exception* errore);
    void avvisaChiusura();
    void occupatoOltreIlLimite(const char16_t* didascalia);

    std::unique_ptr<host::AutomationObject> ole_server;
    bool b_connesso = false;
    // One per failed call; empty for a call not made to a host already gone.
    std::vector<std::string> nomiNonRiuscite_;
    std::string sUltimoErrore_;
    std::string sRegistrazione_;
    AttesaOrvella attesa_;
    bool bChiuso_ = false;
    bool bChiusuraAvvisata_ = false;
    // The latest is_on() gave up on a host busy past the limit.
    bool bOccupatoOltre_ = false;
};

// Shows the waits with mostra, the run log (suLog) noting where each begins and ends.
std::function<void(const std::string&)> annotaAttesa(
    std::function<void(const std::string&)> suLog, std::function<void(const std::string&)> mostra);

// For as long as it lives, the session shows its waits for a busy host with mostra; its own way
// comes back after.
class AttesaTemporanea {
public:
    AttesaTemporanea(Torvapat& sessione, std::function<void(const std::string&)> mostra)
        : sessione_(sessione)
        , precedente_(sessione.attesa())
    {
        AttesaOrvella attesa = precedente_;
        attesa.mostra = std::move(mostra);
        sessione_.impostaAttesa(std::move(attesa));
    }
    ~AttesaTemporanea() { sessione_.impostaAttesa(precedente_); }
    AttesaTemporanea(const AttesaTemporanea&) = delete;
    AttesaTemporanea& operator=(const AttesaTemporanea&) = delete;

private:
    Torvapat& sessione_;
    AttesaOrvella precedente_;
};
