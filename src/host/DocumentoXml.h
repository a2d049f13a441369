#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/AlberoXml.h"
#include "host/NodoXml.h"
#include "host/QueryEstratto.h"

class IndiceEstratto;

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
    bool carica(const std::function<xmlDoc*(xmlParserCtxt*)>& analizza);
    void scarica();
    OggettoXPathPtr valuta(const std::string& xpath, xmlNode* contesto) const;

    DocXmlPtr doc_;
    ContestoXPathPtr contesto_;
    std::unique_ptr<IndiceEstratto> indice_;
};
