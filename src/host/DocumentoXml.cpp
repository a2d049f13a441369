#include "host/DocumentoXml.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <unordered_set>

#include <libxml/parser.h>

#include "platform/Paths.h"
#include "tools/Cp1252.h"

namespace {

struct LiberaTestoXml {
    void operator()(xmlChar* testo) const { xmlFree(testo); }
};
using TestoXmlPtr = std::unique_ptr<xmlChar, LiberaTestoXml>;

struct LiberaContestoParser {
    void operator()(xmlParserCtxt* contesto) const { xmlFreeParserCtxt(contesto); }
};
using ContestoParserPtr = std::unique_ptr<xmlParserCtxt, LiberaContestoParser>;

// No network, no DTD loading, no entity substitution, libxml2's own limits kept; the parser's
// complaints are not printed, a refused document simply stays empty. Short texts are stored in
// their nodes, which makes a large extract much cheaper to free when the next run replaces it.
constexpr int kOpzioniParser = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

// A service whose data_esecuzione and codice_ov_pip children give more combinations than this is
// matched at query time instead of being expanded into the index.
constexpr std::size_t kMaxCombinazioni = 16;

const xmlChar* nomeXml(const char* nome)
{
    return reinterpret_cast<const xmlChar*>(nome);
}

// The string value, in UTF-8, as XPath compares it.
std::string valoreStringa(const xmlNode* nodo)
{
    TestoXmlPtr testo(xmlNodeGetContent(nodo));
    return testo ? std::string(reinterpret_cast<const char*>(testo.get())) : std::string();
}

// An element that an unprefixed XPath name test selects: that local name and no namespace.
bool eElemento(const xmlNode* nodo, const char* nome)
{
    return nodo->type == XML_ELEMENT_NODE && nodo->ns == nullptr && xmlStrEqual(nodo->name, nomeXml(nome));
}

// The attribute that "@io_id_paziente" selects: in the document, with no namespace.
const xmlAttr* attributoIdPaziente(const xmlNode* elemento)
{
    for (const xmlAttr* attributo = elemento->properties; attributo; attributo = attributo->next) {
        if (attributo->ns == nullptr && xmlStrEqual(attributo->name, nomeXml("io_id_paziente")))
            return attributo;
    }
    return nullptr;
}

std::size_t contaFigli(const xmlNode* elemento, const char* nome)
{
    std::size_t quanti = 0;
    for (const xmlNode* figlio = elemento->children; figlio; figlio = figlio->next)
        quanti += eElemento(figlio, nome) ? 1 : 0;
    return quanti;
}

// The distinct string values of the element's children with that name, in document order.
std::vector<std::string> valoriFigli(const xmlNode* elemento, const char* nome)
{
    std::vector<std::string> valori;
    for (const xmlNode* figlio = elemento->children; figlio; figlio = figlio->next) {
        if (!eElemento(figlio, nome))
            continue;
        std::string valore = valoreStringa(figlio);
        if (std::find(valori.begin(), valori.end(), valore) == valori.end())
            valori.push_back(std::move(valore));
    }
    return valori;
}

std::unordered_set<std::string> insiemeValoriFigli(const xmlNode* elemento, const char* nome)
{
    std::unordered_set<std::string> valori;
    for (const xmlNode* figlio = elemento->children; figlio; figlio = figlio->next) {
        if (eElemento(figlio, nome))
            valori.insert(valoreStringa(figlio));
    }
    return valori;
}

// XML text holds no NUL, so NUL separators keep the three values of a key apart.
std::string chiaveTerna(std::string_view id, std::string_view data, std::string_view codice)
{
    std::string chiave;
    chiave.reserve(id.size() + data.size() + codice.size() + 2);
    chiave.append(id).append(1, '\0').append(data).append(1, '\0').append(codice);
    return chiave;
}

bool soloSpazi(const xmlChar* testo)
{
    if (!testo)
        return true;
    for (; *testo; ++testo) {
        if (*testo != ' ' && *testo != '\t' && *testo != '\n' && *testo != '\r')
            return false;
    }
    return true;
}

// The next node in document order, not descending below `nodo` when `discendi` is false.
xmlNode* successivo(xmlNode* nodo, bool discendi)
{
    if (discendi && nodo->children)
        return nodo->children;
    while (nodo) {
        if (nodo->next)
            return nodo->next;
        nodo = nodo->parent;
        if (nodo && nodo->type == XML_DOCUMENT_NODE)
            return nullptr;
    }
    return nullptr;
}

bool riferimentoEntita(const xmlNode* primo)
{
    for (const xmlNode* nodo = primo; nodo; nodo = nodo->next) {
        if (nodo->type == XML_ENTITY_REF_NODE)
            return true;
    }
    return false;
}

// Drops every whitespace-only text node, as a DOM that does not preserve white space does.
// Returns false for a document that uses its own entities: their expansion is never needed by an
// extract, and expanding them on every read would let a small file grow without bound.
bool preparaAlbero(xmlDoc* doc)
{
    for (xmlNode* nodo = doc->children; nodo;) {
        if (nodo->type == XML_ENTITY_REF_NODE)
            return false;
        if (nodo->type == XML_ELEMENT_NODE) {
            for (const xmlAttr* attributo = nodo->properties; attributo; attributo = attributo->next) {
                if (riferimentoEntita(attributo->children))
                    return false;
            }
        }
        if (nodo->type == XML_TEXT_NODE && soloSpazi(nodo->content)) {
            xmlNode* vuoto = nodo;
            nodo = successivo(nodo, false);
            xmlUnlinkNode(vuoto);
            xmlFreeNode(vuoto);
            continue;
        }
        nodo = successivo(nodo, nodo->type == XML_ELEMENT_NODE);
    }
    return true;
}

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
        if (figlio->type != XML_ELEMENT_NODE || figlio->ns != nullptr
            || std::string_view(reinterpret_cast<const char*>(figlio->name)) != nome)
            continue;
        if (barra == std::string_view::npos)
            return figlio;
        if (xmlNode* trovato = primoPerPercorso(figlio, percorso.substr(barra + 1)))
            return trovato;
    }
    return nullptr;
}

#if LIBXML_VERSION >= 21200
void erroreSilenzioso(void*, const xmlError*) { }
#else
void erroreSilenzioso(void*, xmlError*) { }
#endif

} // namespace

// ---------------------------------------------------------------------------------------------

std::vector<NodoXml> NodoXml::nodiFigli() const
{
    std::vector<NodoXml> figli;
    if (!nodo_ || (nodo_->type != XML_ELEMENT_NODE && nodo_->type != XML_DOCUMENT_NODE))
        return figli;
    for (xmlNode* figlio = nodo_->children; figlio; figlio = figlio->next)
        figli.emplace_back(figlio);
    return figli;
}

bool NodoXml::haAttributi() const
{
    return nodo_ && nodo_->type == XML_ELEMENT_NODE && nodo_->properties;
}

std::string NodoXml::primoAttributo() const
{
    if (!haAttributi())
        return {};
    return utf8ToCp1252(valoreStringa(reinterpret_cast<const xmlNode*>(nodo_->properties)));
}

std::string NodoXml::testo() const
{
    return nodo_ ? utf8ToCp1252(valoreStringa(nodo_)) : std::string();
}

// ---------------------------------------------------------------------------------------------

struct DocumentoXml::Indice {
    // A service with many date and code children, matched at query time rather than expanded.
    struct PrestazioneComposta {
        std::unordered_set<std::string> date;
        std::unordered_set<std::string> codici;
    };

    // Keys are the UTF-8 texts that XPath compares.
    std::unordered_map<std::string, NodoXml> pazienti;
    std::unordered_map<std::string, std::vector<NodoXml>> prestazioni;
    std::unordered_map<std::string, std::int32_t> prestazioniUguali;
    std::unordered_map<std::string, std::vector<PrestazioneComposta>> prestazioniComposte;

    void aggiungiPrestazione(xmlNode* prestazione, const std::string& id)
    {
        prestazioni[id].emplace_back(prestazione);
        const std::size_t nDate = contaFigli(prestazione, "data_esecuzione");
        const std::size_t nCodici = contaFigli(prestazione, "codice_ov_pip");
        if (nDate == 0 || nCodici == 0)
            return;
        if (nDate * nCodici > kMaxCombinazioni) {
            prestazioniComposte[id].push_back({ insiemeValoriFigli(prestazione, "data_esecuzione"),
                insiemeValoriFigli(prestazione, "codice_ov_pip") });
            return;
        }
        // Each distinct pair once: the service counts once however many children match.
        const auto codici = valoriFigli(prestazione, "codice_ov_pip");
        for (const auto& data : valoriFigli(prestazione, "data_esecuzione")) {
            for (const auto& codice : codici)
                ++prestazioniUguali[chiaveTerna(id, data, codice)];
        }
    }

    void costruisci(xmlDoc* doc)
    {
        for (xmlNode* nodo = doc->children; nodo; nodo = successivo(nodo, nodo->type == XML_ELEMENT_NODE)) {
            const bool bPaziente = eElemento(nodo, "PAZIENTE");
            if (!bPaziente && !eElemento(nodo, "PRESTAZIONE_INCENTIVANTE"))
                continue;
            const xmlAttr* attributo = attributoIdPaziente(nodo);
            if (!attributo)
                continue;
            std::string id = valoreStringa(reinterpret_cast<const xmlNode*>(attributo));
            if (bPaziente)
                pazienti.try_emplace(std::move(id), nodo);
            else
                aggiungiPrestazione(nodo, id);
        }
    }
};

DocumentoXml::DocumentoXml()
{
    xmlInitParser();
}

DocumentoXml::~DocumentoXml() = default;

void DocumentoXml::scarica()
{
    espressioni_.clear();
    indice_.reset();
    contesto_.reset();
    doc_.reset();
}

bool DocumentoXml::load(const std::string& percorso)
{
    scarica();
    try {
        std::ifstream file(platform::percorsoNativo(percorso), std::ios::binary | std::ios::ate);
        if (!file)
            return false;
        const std::streamoff dimensione = file.tellg();
        if (dimensione <= 0)
            return false;
        std::string contenuto(static_cast<std::size_t>(dimensione), '\0');
        file.seekg(0);
        if (!file.read(contenuto.data(), dimensione))
            return false;
        return caricaBuffer(contenuto.data(), contenuto.size());
    } catch (...) {
        scarica();
        return false;
    }
}

bool DocumentoXml::loadXml(std::string_view contenuto)
{
    scarica();
    try {
        return caricaBuffer(contenuto.data(), contenuto.size());
    } catch (...) {
        scarica();
        return false;
    }
}

bool DocumentoXml::caricaBuffer(const char* dati, std::size_t lunghezza)
{
    if (lunghezza == 0 || lunghezza > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return false;
    ContestoParserPtr parser(xmlNewParserCtxt());
    if (!parser)
        return false;
    DocXmlPtr doc(xmlCtxtReadMemory(parser.get(), dati, static_cast<int>(lunghezza), nullptr, nullptr, kOpzioniParser));
    if (!doc || !parser->wellFormed || !xmlDocGetRootElement(doc.get()) || !preparaAlbero(doc.get()))
        return false;

    auto indice = std::make_unique<Indice>();
    indice->costruisci(doc.get());
    ContestoXPathPtr contesto(xmlXPathNewContext(doc.get()));
    if (!contesto)
        return false;
    contesto->error = erroreSilenzioso;

    doc_ = std::move(doc);
    contesto_ = std::move(contesto);
    indice_ = std::move(indice);
    return true;
}

xmlXPathCompExpr* DocumentoXml::espressione(const std::string& xpath) const
{
    if (const auto trovata = espressioni_.find(xpath); trovata != espressioni_.end())
        return trovata->second.get();
    const std::string utf8 = cp1252ToUtf8(xpath);
    EspressioneXPathPtr compilata;
    if (utf8.find('\0') == std::string::npos)
        compilata.reset(xmlXPathCtxtCompile(contesto_.get(), nomeXml(utf8.c_str())));
    if (!compilata)
        throw std::runtime_error("XPath non valida: " + xpath);
    // The run asks for a handful of fixed paths over and over; anything beyond is compiled afresh.
    if (espressioni_.size() >= 64)
        espressioni_.clear();
    return espressioni_.emplace(xpath, std::move(compilata)).first->second.get();
}

OggettoXPathPtr DocumentoXml::valuta(const std::string& xpath, xmlNode* contesto) const
{
    xmlXPathCompExpr* compilata = espressione(xpath);
    contesto_->node = contesto;
    OggettoXPathPtr risultato(xmlXPathCompiledEval(compilata, contesto_.get()));
    contesto_->node = nullptr;
    if (!risultato || risultato->type != XPATH_NODESET)
        throw std::runtime_error("XPath non valida: " + xpath);
    return risultato;
}

NodoXml DocumentoXml::selezionaNodo(const std::string& xpath) const
{
    if (!doc_)
        return {};
    const OggettoXPathPtr risultato = valuta(xpath, reinterpret_cast<xmlNode*>(doc_.get()));
    if (xmlXPathNodeSetIsEmpty(risultato->nodesetval))
        return {};
    return NodoXml(risultato->nodesetval->nodeTab[0]);
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
    for (int i = 0; i < quanti; ++i)
        nodi.emplace_back(insieme->nodeTab[i]);
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
    if (!indice_)
        return {};
    const auto trovato = indice_->pazienti.find(cp1252ToUtf8(idPaziente));
    return trovato == indice_->pazienti.end() ? NodoXml() : trovato->second;
}

const std::vector<NodoXml>& DocumentoXml::prestazioniPaziente(const std::string& idPaziente) const
{
    static const std::vector<NodoXml> nessuna;
    if (!indice_)
        return nessuna;
    const auto trovate = indice_->prestazioni.find(cp1252ToUtf8(idPaziente));
    return trovate == indice_->prestazioni.end() ? nessuna : trovate->second;
}

std::int32_t DocumentoXml::contaPrestazioni(
    const std::string& idPaziente, const std::string& data, const std::string& codice) const
{
    if (!indice_)
        return 0;
    const std::string id = cp1252ToUtf8(idPaziente);
    const std::string dataUtf8 = cp1252ToUtf8(data);
    const std::string codiceUtf8 = cp1252ToUtf8(codice);
    // XML text never holds a NUL, so a value with one matches nothing (and cannot forge a key).
    for (const std::string* valore : { &id, &dataUtf8, &codiceUtf8 }) {
        if (valore->find('\0') != std::string::npos)
            return 0;
    }
    std::int32_t quante = 0;
    if (const auto trovate = indice_->prestazioniUguali.find(chiaveTerna(id, dataUtf8, codiceUtf8));
        trovate != indice_->prestazioniUguali.end())
        quante = trovate->second;
    if (const auto composte = indice_->prestazioniComposte.find(id); composte != indice_->prestazioniComposte.end()) {
        for (const auto& composta : composte->second)
            quante += composta.date.contains(dataUtf8) && composta.codici.contains(codiceUtf8) ? 1 : 0;
    }
    return quante;
}

// ---------------------------------------------------------------------------------------------

std::string letteraleXPath(const std::string& valore)
{
    if (valore.find('\'') == std::string::npos)
        return "'" + valore + "'";
    if (valore.find('"') == std::string::npos)
        return "\"" + valore + "\"";
    // Both kinds of quote: apostrophes go in double quotes, everything else in apostrophes.
    std::string risultato = "concat(";
    bool primo = true;
    const auto aggiungi = [&](const std::string& pezzo) {
        if (!primo)
            risultato += ", ";
        risultato += pezzo;
        primo = false;
    };
    std::size_t inizio = 0;
    while (inizio < valore.size()) {
        const std::size_t apice = valore.find('\'', inizio);
        if (apice == std::string::npos) {
            aggiungi("'" + valore.substr(inizio) + "'");
            break;
        }
        if (apice > inizio)
            aggiungi("'" + valore.substr(inizio, apice - inizio) + "'");
        aggiungi("\"'\"");
        inizio = apice + 1;
    }
    return risultato + ")";
}

std::string queryPaziente(const std::string& idPaziente)
{
    return "//PAZIENTE[@io_id_paziente= " + letteraleXPath(idPaziente) + "]";
}

std::string queryPrestazioniPaziente(const std::string& idPaziente)
{
    return "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente=" + letteraleXPath(idPaziente) + "]";
}

std::string queryPrestazioniUguali(const std::string& idPaziente, const std::string& data, const std::string& codice)
{
    return "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente=" + letteraleXPath(idPaziente)
        + " and data_esecuzione=" + letteraleXPath(data) + " and codice_ov_pip=" + letteraleXPath(codice) + "]";
}
