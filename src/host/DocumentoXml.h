#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/AlberoXml.h"
#include "host/NodoXml.h"

class IndiceEstratto;

// The list of the extract's services, whose children the export run walks.
inline constexpr const char* kQueryElenco = "//Elenco_prestazioni_incentivanti";

// Why a load left the document empty.
enum class ErroreCaricamento {
    Nessuno,
    FileNonLeggibile, // missing, a folder, or reading failed
    Vuoto, // no byte, or nothing but blanks, comments and declarations
    Troncato, // the text ends inside the document
    CaratteriNonValidi, // bytes of no character in the declared encoding, a NUL, a control character
    Codifica, // an encoding the parser does not know
    TroppoAnnidato, // more levels of elements than the parser allows
    TestoTroppoLungo, // a text over the parser's size, or the parser out of memory
    EntitaEccessive, // entities expanding beyond the parser's limits
    EntitaNonDefinita, // an entity that is not declared in the document
    EntitaEsterna, // an entity kept in another file, which is never read
    NonBenFormato, // any other fault of the XML
    MemoriaInsufficiente,
};

struct EsitoCaricamento {
    ErroreCaricamento errore = ErroreCaricamento::Nessuno;
    std::int64_t riga = 0; // the parser's line of the fault; 0 when it has none
    explicit operator bool() const { return errore == ErroreCaricamento::Nessuno; }
};

// The fault in plain Italian (Windows-1252), with its line when there is one.
std::string descriviEsito(const EsitoCaricamento& esito);

// The extract document (oXmlDoc). Each load replaces the previous content and builds the
// per-patient index that the classification reads instead of searching the whole document.
class DocumentoXml {
public:
    DocumentoXml();
    ~DocumentoXml();
    DocumentoXml(const DocumentoXml&) = delete;
    DocumentoXml& operator=(const DocumentoXml&) = delete;

    // Loads the file at the Windows-1252 path, with the entities its own DTD declares expanded; no
    // other file is ever read for it. A missing, unreadable, malformed or hostile file leaves the
    // document empty and gives the reason; it never throws.
    EsitoCaricamento load(const std::string& percorso);
    // The same from XML bytes in memory.
    EsitoCaricamento loadXml(std::string_view contenuto);

    bool vuoto() const { return !doc_; }

    // The first node, in document order, of an XPath (Windows-1252) evaluated on the document;
    // an empty node when nothing matches or the document is empty. An XPath the engine rejects,
    // or one that does not give a node set, throws std::runtime_error.
    NodoXml selezionaNodo(const std::string& xpath) const;
    // All nodes of the XPath in document order; failures as selezionaNodo.
    std::vector<NodoXml> selezionaNodi(const std::string& xpath) const;

    // The text of the first node that xpath selects relative to nodo; the empty text when there is
    // none or on any failure (absent node, invalid XPath).
    std::string leggiNodo(NodoXml nodo, const std::string& xpath) const;

    // From the index: the first PAZIENTE whose io_id_paziente attribute equals the id, and every
    // PRESTAZIONE_INCENTIVANTE whose attribute does, in document order.
    NodoXml paziente(const std::string& idPaziente) const;
    const std::vector<NodoXml>& prestazioniPaziente(const std::string& idPaziente) const;
    // How many of the patient's services have any data_esecuzione child equal to data and any
    // codice_ov_pip child equal to codice.
    std::int32_t contaPrestazioni(
        const std::string& idPaziente, const std::string& data, const std::string& codice) const;

private:
    EsitoCaricamento carica(std::istream& sorgente);
    void scarica();
    OggettoXPathPtr valuta(const std::string& xpath, xmlNode* contesto) const;

    DocXmlPtr doc_;
    ContestoXPathPtr contesto_;
    std::unique_ptr<IndiceEstratto> indice_;
};
