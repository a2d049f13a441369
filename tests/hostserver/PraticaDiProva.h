#pragma once

// A practice database in the server's schema that a test fills row by row, and small helpers
// to call the server and read the XML it writes.

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include "host/Automation.h"
#include "hostserver/OrvellaServer.h"
#include "hostserver/SchemaPratica.h"
#include "hostserver/Sqlite.h"
#include "platform/FileSistema.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"

namespace pratica_di_prova {

using Valore = std::optional<std::string>;

class PraticaDiProva {
public:
    PraticaDiProva()
    {
        hostserver::creaPraticaVuota(percorso());
        db_ = std::make_unique<hostserver::DatabaseSqlite>(platform::percorsoUtf8(percorso()), SQLITE_OPEN_READWRITE);
        // Every row is its own transaction; a test has no use for them reaching the disk.
        db_->esegui("PRAGMA synchronous = OFF");
    }

    std::filesystem::path percorso() const { return cartella_ / "pratica.sqlite"; }
    const testing_support::TempDir& cartella() const { return cartella_; }

    // A statement on the test's own connection, such as another program's "BEGIN EXCLUSIVE".
    void esegui(const char* sql) { db_->esegui(sql); }

    void inserisci(std::string_view sql, std::initializer_list<Valore> valori)
    {
        hostserver::IstruzioneSqlite istruzione(db_->get(), sql);
        int indice = 1;
        for (const Valore& valore : valori)
            istruzione.legaFacoltativo(indice++, valore);
        istruzione.passo();
    }

    void utente(Valore nome, Valore password, Valore userid, Valore tipo, Valore codiceRegionale, Valore contratto)
    {
        inserisci("INSERT INTO utenti VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
            { nome, password, userid, tipo, codiceRegionale, contratto });
    }
    void paziente(Valore id, Valore medico, Valore convenzione, Valore cognome, Valore nome, Valore codiceFiscale)
    {
        inserisci("INSERT INTO pazienti VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
            { id, medico, convenzione, cognome, nome, codiceFiscale });
    }
    void prestazione(Valore idPaziente, Valore codice, Valore nome, Valore data)
    {
        inserisci("INSERT INTO prestazioni_incentivanti (io_id_paziente, codice_ov_pip, nome_prestazione, "
                  "data_esecuzione) VALUES (?1, ?2, ?3, ?4)",
            { idPaziente, codice, nome, data });
    }
    void accertamento(Valore id, Valore idPaziente, Valore codice, Valore data, Valore risultato)
    {
        inserisci("INSERT INTO accertamenti VALUES (?1, ?2, ?3, ?4, ?5)", { id, idPaziente, codice, data, risultato });
    }
    void guasto(Valore metodo, Valore argomento, Valore errore, Valore risposta)
    {
        inserisci("INSERT INTO guasti (metodo, argomento, errore, risposta) VALUES (?1, ?2, ?3, ?4)",
            { metodo, argomento, errore, risposta });
    }

    std::unique_ptr<hostserver::ServerOrvella> server() const
    {
        return std::make_unique<hostserver::ServerOrvella>(percorso().string());
    }

private:
    testing_support::TempDir cartella_;
    std::unique_ptr<hostserver::DatabaseSqlite> db_;
};

inline host::Variant testo(std::u16string_view parole)
{
    return std::u16string(parole);
}

inline host::Variant chiama(
    host::AutomationObject& server, std::string_view metodo, std::initializer_list<std::u16string_view> argomenti = {})
{
    host::Arguments lista;
    for (const auto argomento : argomenti)
        lista.push_back(std::u16string(argomento));
    return server.invoke(metodo, lista);
}

// The text answer of a call; a test fails when the answer is not text.
inline std::u16string chiamaTesto(
    host::AutomationObject& server, std::string_view metodo, std::initializer_list<std::u16string_view> argomenti = {})
{
    const host::Variant risposta = chiama(server, metodo, argomenti);
    const auto* parole = std::get_if<std::u16string>(&risposta);
    EXPECT_NE(parole, nullptr) << "risposta non testuale da " << metodo;
    return parole ? *parole : std::u16string();
}

// The message of the automation error that the call raises; empty (and a failure) when it does not.
inline std::string erroreDi(
    host::AutomationObject& server, std::string_view metodo, std::initializer_list<std::u16string_view> argomenti = {})
{
    try {
        chiama(server, metodo, argomenti);
    } catch (const host::AutomationError& errore) {
        return utf16ToUtf8(errore.messaggio());
    }
    ADD_FAILURE() << metodo << " non ha sollevato errori";
    return {};
}

// A parsed XML file, queried with XPath; texts are UTF-8.
class DocumentoXml {
public:
    explicit DocumentoXml(const std::filesystem::path& percorso)
        : doc_(xmlReadFile(platform::percorsoUtf8(percorso).c_str(), nullptr, XML_PARSE_NONET))
    {
        if (doc_)
            contesto_.reset(xmlXPathNewContext(doc_.get()));
    }

    bool benFormato() const { return doc_ != nullptr; }

    // The nodes that the expression selects, from the document root.
    std::vector<xmlNodePtr> nodi(const std::string& xpath) const
    {
        std::vector<xmlNodePtr> trovati;
        if (!contesto_)
            return trovati;
        std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> esito(
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), contesto_.get()),
            &xmlXPathFreeObject);
        if (esito && esito->nodesetval) {
            for (int i = 0; i < esito->nodesetval->nodeNr; ++i)
                trovati.push_back(esito->nodesetval->nodeTab[i]);
        }
        return trovati;
    }

    // The text content of every selected node.
    std::vector<std::string> testi(const std::string& xpath) const
    {
        std::vector<std::string> risultato;
        for (xmlNodePtr nodo : nodi(xpath))
            risultato.push_back(contenuto(nodo));
        return risultato;
    }

    static std::string contenuto(xmlNodePtr nodo)
    {
        std::unique_ptr<xmlChar, void (*)(xmlChar*)> testo(xmlNodeGetContent(nodo), [](xmlChar* t) { xmlFree(t); });
        return testo ? reinterpret_cast<const char*>(testo.get()) : "";
    }

private:
    struct LiberaDoc {
        void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
    };
    struct LiberaContesto {
        void operator()(xmlXPathContext* contesto) const { xmlXPathFreeContext(contesto); }
    };
    std::unique_ptr<xmlDoc, LiberaDoc> doc_;
    std::unique_ptr<xmlXPathContext, LiberaContesto> contesto_;
};

} // namespace pratica_di_prova
