#include "host/tc_Orvapat.h"

#include <exception>
#include <utility>

#include "platform/MessageBox.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

// Windows brings the foreground window back after every host call, because the host's own
// windows may steal it. Linux has no such call for us to make, so that step is left out and
// the other steps keep their order.

namespace {

const std::u16string kEccezione = u": eccezione";

void mostra(const std::u16string& testo)
{
    platform::mostraMessaggio(utf16ToCp1252(testo));
}

// The host's methods that take no argument are called with one omitted optional argument.
const host::Arguments kArgomentoOmesso { host::Variant {} };

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

bool Torvapat::start()
{
    std::u16string risposta;
    try {
        ole_server = host::createAutomationObject(kIdentificatoreServer);
        ole_server->invoke("new", {});
        risposta = host::variantToText(
            ole_server->invoke("connetti", { cp1252ToUtf16(s_utente), cp1252ToUtf16(s_password) }));
    } catch (const std::exception& errore) {
        // The box says only that the server failed; the reason stays for the run log.
        sUltimoErrore_ = host::testoErrore(errore);
        mostra(u"ole_orvapat.start()" + kEccezione);
        return false;
    } catch (...) {
        mostra(u"ole_orvapat.start()" + kEccezione);
        return false;
    }
    b_connesso = risposta.empty();
    if (!b_connesso)
        mostra(u"ole_orvapat.start(): errore in connessione\r\n\r\n  " + host::testoLeggibile(risposta));
    return b_connesso;
}

bool Torvapat::stop()
{
    // A failing step ends the sequence silently; what is left stays for the next stop().
    try {
        if (b_connesso) {
            server().invoke("disconnetti", kArgomentoOmesso);
            b_connesso = false;
        }
        if (ole_server) {
            ole_server->invoke("Destroy", kArgomentoOmesso);
            ole_server->invoke("Free", kArgomentoOmesso);
            ole_server.reset();
        }
    } catch (...) {
    }
    return true;
}

bool Torvapat::is_on()
{
    try {
        server().invoke("get_error", kArgomentoOmesso);
        return true;
    } catch (const std::exception& errore) {
        // Silent, but the reason stays for whoever has to say why a call gave nothing.
        sUltimoErrore_ = host::testoErrore(errore);
        return false;
    } catch (...) {
        sUltimoErrore_.clear();
        return false;
    }
}

void Torvapat::nonRiuscita(std::string motivo)
{
    sUltimoErrore_ = std::move(motivo);
    ++nChiamateNonRiuscite_;
}

template <typename Risultato, typename Chiamata>
Risultato Torvapat::chiama(const char16_t* didascalia, bool protetta, Chiamata chiamata)
{
    if (protetta && !is_on()) {
        ++nChiamateNonRiuscite_; // is_on() has kept the reason
        return Risultato {};
    }
    try {
        return chiamata(server());
    } catch (const std::exception& errore) {
        nonRiuscita(host::testoErrore(errore));
    } catch (...) {
        nonRiuscita({});
    }
    mostra(didascalia + kEccezione);
    return Risultato {};
}

std::int32_t Torvapat::carica(const std::u16string& lista_parametri, const std::u16string& ordine)
{
    return chiama<std::int32_t>(u"Torvapat.carica()", true, [&](host::AutomationObject& server) {
        return host::variantToInteger(server.invoke("carica", { lista_parametri, ordine }));
    });
}

bool Torvapat::skip()
{
    return chiama<bool>(u"Torvapat.skip()", true, [](host::AutomationObject& server) {
        server.invoke("skip", kArgomentoOmesso);
        return true;
    });
}

std::u16string Torvapat::leggi_attributo(const std::u16string& nome)
{
    return chiama<std::u16string>(u"Torvapat.leggi_attributo()", true, [&](host::AutomationObject& server) {
        return host::variantToText(server.invoke("leggi_attributo", { nome }));
    });
}

std::u16string Torvapat::new_object(const std::u16string& nome_classe, const std::u16string& parametri)
{
    return chiama<std::u16string>(u"Torvapat.new_object()", true, [&](host::AutomationObject& server) {
        return host::variantToText(server.invoke("new_object", { nome_classe, parametri }));
    });
}

std::u16string Torvapat::call_method_pipe(
    const std::u16string& s_handle, const std::u16string& s_metodo, const std::u16string& s_lista_parametri)
{
    const std::u16string didascalia
        = u"Torvapat.call_method_pipe(" + s_handle + u", " + s_metodo + u", " + s_lista_parametri + u")";
    if (!is_on()) {
        ++nChiamateNonRiuscite_; // is_on() has kept the reason
        return {};
    }
    try {
        std::u16string risposta
            = host::variantToText(server().invoke("call_method_pipe", { s_handle, s_metodo, s_lista_parametri }));
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
        nonRiuscita(host::testoErrore(errore));
        platform::mostraMessaggio(utf16ToCp1252(didascalia + kEccezione) + sUltimoErrore_);
    } catch (...) {
        nonRiuscita({});
        mostra(didascalia + kEccezione);
    }
    return {};
}

std::u16string Torvapat::destroy_object(const std::u16string& s_handle)
{
    // An object left unreleased spoils no record: shown, but not counted among the failed calls.
    try {
        return host::variantToText(server().invoke("destroy_object", { s_handle }));
    } catch (...) {
        mostra(u"Torvapat.destroy_object()" + kEccezione);
        return {};
    }
}

std::u16string Torvapat::get_opzione(const std::u16string& sezione, const std::u16string& opzione)
{
    return chiama<std::u16string>(u"Tgate_orvapat.get_opzione()", false, [&](host::AutomationObject& server) {
        return host::variantToText(server.invoke("get_opzione", { sezione, opzione }));
    });
}

bool Torvapat::genera_xml(
    const std::u16string& nome_procedura, const std::u16string& lista_parametri, const std::string& file_xml)
{
    return chiama<bool>(u"Tgate_orvapat.genera_xml()", false, [&](host::AutomationObject& server) {
        server.invoke("genera_xml", { nome_procedura, lista_parametri, cp1252ToUtf16(file_xml) });
        return true;
    });
}
