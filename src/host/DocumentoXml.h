#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <libxml/tree.h>
#include <libxml/xpath.h>

// Owning handles for the libxml2 objects the extract document keeps.
struct LiberaDocXml {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct LiberaContestoXPath {
    void operator()(xmlXPathContext* contesto) const { xmlXPathFreeContext(contesto); }
};
struct LiberaOggettoXPath {
    void operator()(xmlXPathObject* oggetto) const { xmlXPathFreeObject(oggetto); }
};
struct LiberaEspressioneXPath {
    void operator()(xmlXPathCompExpr* espressione) const { xmlXPathFreeCompExpr(espressione); }
};
using DocXmlPtr = std::unique_ptr<xmlDoc, LiberaDocXml>;
using ContestoXPathPtr = std::unique_ptr<xmlXPathContext, LiberaContestoXPath>;
using OggettoXPathPtr = std::unique_ptr<xmlXPathObject, LiberaOggettoXPath>;
using EspressioneXPathPtr = std::unique_ptr<xmlXPathCompExpr, LiberaEspressioneXPath>;

// A node of the loaded extract. It does not own the node, which lives until the next load.
// Texts come out as Windows-1252 ("?" for what it cannot hold).
class NodoXml {
public:
    NodoXml() = default;
    explicit NodoXml(xmlNode* nodo)
        : nodo_(nodo)
    {
    }

    explicit operator bool() const { return nodo_ != nullptr; }
    xmlNode* get() const { return nodo_; }
    bool operator==(const NodoXml&) const = default;

    // The child nodes in document order: elements, comments and any other node that loading kept.
    std::vector<NodoXml> nodiFigli() const;
    bool haAttributi() const;
    // The text of the first attribute in document order, whatever its name; empty when none.
    std::string primoAttributo() const;
    // The text content of the node and its descendants.
    std::string testo() const;

private:
    xmlNode* nodo_ = nullptr;
};

// The extract document (oXmlDoc). Each load replaces the previous content and builds the
// per-patient index that the classification reads instead of searching the whole document.
class DocumentoXml {
public:
    DocumentoXml();
    ~DocumentoXml();
    DocumentoXml(const DocumentoXml&) = delete;
    DocumentoXml& operator=(const DocumentoXml&) = delete;

    // Loads the file at the Windows-1252 path. A missing, unreadable, malformed or hostile file
    // leaves the document empty and gives false; it never throws.
    bool load(const std::string& percorso);
    // The same from XML bytes in memory.
    bool loadXml(std::string_view contenuto);

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

    // From the index, with the results of queryPaziente and queryPrestazioniPaziente.
    NodoXml paziente(const std::string& idPaziente) const;
    const std::vector<NodoXml>& prestazioniPaziente(const std::string& idPaziente) const;
    // How many services queryPrestazioniUguali selects: the patient's services with any
    // data_esecuzione child equal to data and any codice_ov_pip child equal to codice.
    std::int32_t contaPrestazioni(
        const std::string& idPaziente, const std::string& data, const std::string& codice) const;

private:
    struct Indice;

    bool caricaBuffer(const char* dati, std::size_t lunghezza);
    void scarica();
    xmlXPathCompExpr* espressione(const std::string& xpath) const;
    OggettoXPathPtr valuta(const std::string& xpath, xmlNode* contesto) const;

    DocXmlPtr doc_;
    ContestoXPathPtr contesto_;
    std::unique_ptr<Indice> indice_;
    mutable std::unordered_map<std::string, EspressioneXPathPtr> espressioni_;
};

// An XPath 1.0 literal holding any text: 'v' normally (as quoteString gives it), "v" when v has an
// apostrophe, concat() of both kinds of piece when it has apostrophes and double quotes.
std::string letteraleXPath(const std::string& valore);

// The extract's queries, built from Windows-1252 values.
std::string queryPaziente(const std::string& idPaziente);
std::string queryPrestazioniPaziente(const std::string& idPaziente);
std::string queryPrestazioniUguali(const std::string& idPaziente, const std::string& data, const std::string& codice);

inline constexpr const char* kQueryElenco = "//Elenco_prestazioni_incentivanti";
