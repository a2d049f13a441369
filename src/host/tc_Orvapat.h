#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/Automation.h"

// The one host session: owns the host's automation object and offers one operation per host
// method. Every operation reports its own failure in a message box and returns an empty,
// 0 or false value instead; callers never see a host failure.
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

    // Fields, as the session opening fills them before start().
    std::string s_utente;
    std::string s_password;

    bool connesso() const { return b_connesso; }
    bool haServer() const { return ole_server != nullptr; }

    // Calls of carica, skip, leggi_attributo, new_object, call_method_pipe, get_opzione and
    // genera_xml that gave their failure value since the session was made: the host raised, or
    // get_error found it gone. A run compares the count before and after its work.
    std::int32_t chiamateNonRiuscite() const { return nChiamateNonRiuscite_; }
    // Counts a call whose answer the caller cannot use, such as a count of rows the host did not load.
    void contaChiamataNonRiuscita() { ++nChiamateNonRiuscite_; }
    // The host's own text of the latest failure, get_error's included, cut to a readable size
    // (Windows-1252); what a caller names as the reason.
    const std::string& ultimoErrore() const { return sUltimoErrore_; }

private:
    // The server object; raises like a call on an empty variant when there is none.
    host::AutomationObject& server();
    // One host call with the common discipline: guarded by is_on() when asked, a failure shown
    // as the caption + ": eccezione" and turned into the empty value of the result type.
    template <typename Risultato, typename Chiamata>
    Risultato chiama(const char16_t* didascalia, bool protetta, Chiamata chiamata);

    void nonRiuscita(std::string motivo);

    std::unique_ptr<host::AutomationObject> ole_server;
    bool b_connesso = false;
    std::int32_t nChiamateNonRiuscite_ = 0;
    std::string sUltimoErrore_;
};
