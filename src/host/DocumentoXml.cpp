#include "host/DocumentoXml.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>

#include <libxml/parser.h>

#include "host/CodificaXml.h"
#include "host/IndiceEstratto.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"

namespace {

struct LiberaContestoParser {
    void operator()(xmlParserCtxt* contesto) const { xmlFreeParserCtxt(contesto); }
};
using ContestoParserPtr = std::unique_ptr<xmlParserCtxt, LiberaContestoParser>;

// No network, no DTD loading, no entity substitution, libxml2's own limits kept; the parser's
// complaints are not printed, a refused document simply stays empty. Short texts are stored in
// their nodes, which makes a large extract much cheaper to free when the next run replaces it.
constexpr int kOpzioniParser = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

bool nomeSemplice(std::string_view nome)
{
    const auto lettera = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (nome.empty() || !lettera(nome.front()))
        return false;
    return std::all_of(
        nome.begin(), nome.end(), [&](char c) { return lettera(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; });
}

// A relative path of plain element names, such as "PERSONA/codice_fiscale".
bool percorsoSemplice(std::string_view xpath)
{
    for (std::size_t inizio = 0;;) {
        const std::size_t barra = xpath.find('/', inizio);
        if (!nomeSemplice(xpath.substr(inizio, barra - inizio)))
            return false;
        if (barra == std::string_view::npos)
            return true;
        inizio = barra + 1;
    }
}

// The first node in document order that a plain-name path selects below nodo: what XPath gives,
// found by walking the children instead of evaluating the expression.
xmlNode* primoPerPercorso(const xmlNode* nodo, std::string_view percorso)
{
    const std::size_t barra = percorso.find('/');
    const std::string_view nome = percorso.substr(0, barra);
    for (xmlNode* figlio = nodo->children; figlio; figlio = figlio->next) {
        if (!eElemento(figlio, nome))
            continue;
        if (barra == std::string_view::npos)
            return figlio;
        if (xmlNode* trovato = primoPerPercorso(figlio, percorso.substr(barra + 1)))
            return trovato;
    }
    return nullptr;
}

// Namespace nodes are copies that live only as long as their selection: they cannot be handed out.
bool nodoDelDocumento(const xmlNode* nodo)
{
    return nodo->type != XML_NAMESPACE_DECL;
}

#if LIBXML_VERSION >= 21200
void erroreSilenzioso(void*, const xmlError*) { }
#else
void erroreSilenzioso(void*, xmlError*) { }
#endif

} // namespace

DocumentoXml::DocumentoXml()
{
    xmlInitParser();
    registraCodificaWindows1252();
}

DocumentoXml::~DocumentoXml()
{
    scarica();
}

// The index reads the tree's texts in place: it goes first.
void DocumentoXml::scarica()
{
    indice_.reset();
    contesto_.reset();
    doc_.reset();
}

bool DocumentoXml::load(const std::string& percorso)
{
    scarica();
    try {
        std::ifstream file(platform::percorsoNativo(percorso), std::ios::binary);
        if (!file)
            return false;
        // Read piece by piece as the parser asks, rather than through a copy of the whole file.
        const auto leggi = [](void* contesto, char* destinazione, int quanti) -> int {
            auto& sorgente = *static_cast<std::ifstream*>(contesto);
            sorgente.read(destinazione, quanti);
            return sorgente.bad() ? -1 : static_cast<int>(sorgente.gcount());
        };
        return carica([&](xmlParserCtxt* parser) {
            return xmlCtxtReadIO(parser, leggi, nullptr, &file, nullptr, nullptr, kOpzioniParser);
        });
    } catch (...) {
        scarica();
        return false;
    }
}

bool DocumentoXml::loadXml(std::string_view contenuto)
{
    scarica();
    if (contenuto.empty() || contenuto.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return false;
    try {
        return carica([&](xmlParserCtxt* parser) {
            return xmlCtxtReadMemory(
                parser, contenuto.data(), static_cast<int>(contenuto.size()), nullptr, nullptr, kOpzioniParser);
        });
    } catch (...) {
        scarica();
        return false;
    }
}

bool DocumentoXml::carica(const std::function<xmlDoc*(xmlParserCtxt*)>& analizza)
{
    ContestoParserPtr parser(xmlNewParserCtxt());
    if (!parser)
        return false;
    DocXmlPtr doc(analizza(parser.get()));
    if (!doc || !parser->wellFormed || !xmlDocGetRootElement(doc.get()) || !preparaAlbero(doc.get()))
        return false;
    ContestoXPathPtr contesto(xmlXPathNewContext(doc.get()));
    if (!contesto)
        return false;
    contesto->error = erroreSilenzioso;

    indice_ = IndiceEstratto::crea(doc.get());
    if (!indice_)
        return false;
    doc_ = std::move(doc);
    contesto_ = std::move(contesto);
    return true;
}

OggettoXPathPtr DocumentoXml::valuta(const std::string& xpath, xmlNode* contesto) const
{
    const std::string utf8 = cp1252ToUtf8(xpath);
    OggettoXPathPtr risultato;
    if (utf8.find('\0') == std::string::npos) {
        contesto_->node = contesto;
        risultato.reset(xmlXPathEval(BAD_CAST utf8.c_str(), contesto_.get()));
        contesto_->node = nullptr;
    }
    if (!risultato || risultato->type != XPATH_NODESET)
        throw std::runtime_error("XPath non valida: " + xpath);
    return risultato;
}

NodoXml DocumentoXml::selezionaNodo(const std::string& xpath) const
{
    const std::vector<NodoXml> nodi = selezionaNodi(xpath);
    return nodi.empty() ? NodoXml() : nodi.front();
}

std::vector<NodoXml> DocumentoXml::selezionaNodi(const std::string& xpath) const
{
    std::vector<NodoXml> nodi;
    if (!doc_)
        return nodi;
    const OggettoXPathPtr risultato = valuta(xpath, reinterpret_cast<xmlNode*>(doc_.get()));
    const xmlNodeSet* insieme = risultato->nodesetval;
    const int quanti = xmlXPathNodeSetGetLength(insieme);
    nodi.reserve(static_cast<std::size_t>(quanti));
    for (int i = 0; i < quanti; ++i) {
        if (nodoDelDocumento(insieme->nodeTab[i]))
            nodi.emplace_back(insieme->nodeTab[i]);
    }
    return nodi;
}

std::string DocumentoXml::leggiNodo(NodoXml nodo, const std::string& xpath) const
{
    if (!doc_ || !nodo || nodo.get()->doc != doc_.get())
        return {};
    try {
        // The classification reads a few plain paths for every service.
        if ((nodo.get()->type == XML_ELEMENT_NODE || nodo.get()->type == XML_DOCUMENT_NODE) && percorsoSemplice(xpath))
            return NodoXml(primoPerPercorso(nodo.get(), xpath)).testo();
        const OggettoXPathPtr risultato = valuta(xpath, nodo.get());
        if (xmlXPathNodeSetIsEmpty(risultato->nodesetval))
            return {};
        return NodoXml(risultato->nodesetval->nodeTab[0]).testo();
    } catch (...) {
        return {};
    }
}

NodoXml DocumentoXml::paziente(const std::string& idPaziente) const
{
    return indice_ ? indice_->paziente(cp1252ToUtf8(idPaziente)) : NodoXml();
}

const std::vector<NodoXml>& DocumentoXml::prestazioniPaziente(const std::string& idPaziente) const
{
    static const std::vector<NodoXml> nessuna;
    return indice_ ? indice_->prestazioni(cp1252ToUtf8(idPaziente)) : nessuna;
}

std::int32_t DocumentoXml::contaPrestazioni(
    const std::string& idPaziente, const std::string& data, const std::string& codice) const
{
    if (!indice_)
        return 0;
    return indice_->contaUguali(cp1252ToUtf8(idPaziente), cp1252ToUtf8(data), cp1252ToUtf8(codice));
}
