#include "host/DocumentoXml.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <new>
#include <optional>
#include <stdexcept>
#include <streambuf>

#include <libxml/parser.h>

#include "host/CodificaXml.h"
#include "host/IndiceEstratto.h"
#include "platform/FileSistema.h"
#include "tools/Cp1252.h"

namespace {

struct LiberaContestoParser {
    void operator()(xmlParserCtxt* contesto) const { xmlFreeParserCtxt(contesto); }
};
using ContestoParserPtr = std::unique_ptr<xmlParserCtxt, LiberaContestoParser>;

// Internal entities expanded as any DOM does; no network, no DTD loading, libxml2's own limits
// kept (its amplification checks stop an entity bomb); the parser's complaints are not printed but
// gathered below. Short texts are stored in their nodes, which makes a large extract much cheaper
// to free when the next run replaces it.
constexpr int kOpzioniParser
    = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

// How deep libxml2 lets elements nest without huge-tree mode.
constexpr int kProfonditaMassima = 256;

// The extract as the parser reads it, piece by piece as it asks, and what the reading met.
struct Lettura {
    std::istream& sorgente;
    std::uint64_t nByte = 0;
    bool bFine = false;
    bool bErrore = false;
};

int leggi(void* contesto, char* destinazione, int quanti)
{
    auto& lettura = *static_cast<Lettura*>(contesto);
    lettura.sorgente.read(destinazione, quanti);
    if (lettura.sorgente.bad()) {
        lettura.bErrore = true;
        return -1;
    }
    const auto letti = static_cast<int>(lettura.sorgente.gcount());
    lettura.nByte += static_cast<std::uint64_t>(letti);
    lettura.bFine = letti < quanti;
    return letti;
}

// XML bytes in memory read as a stream, without a copy.
class BufferMemoria : public std::streambuf {
public:
    explicit BufferMemoria(std::string_view testo)
    {
        char* inizio = const_cast<char*>(testo.data()); // only ever read
        setg(inizio, inizio, inizio + testo.size());
    }
};

// The first fault the parser met while reading one extract: an error, or a file it asked for.
struct Diagnosi {
    const xmlParserCtxt* parser = nullptr;
    const Lettura* lettura = nullptr;
    std::optional<EsitoCaricamento> primoErrore {};

    // The line of the extract itself, also while the parser is inside an entity's text.
    std::int64_t riga() const { return parser->inputNr > 0 ? parser->inputTab[0]->line : 0; }
    // Nothing left to read: the extract ended where the parser stopped.
    bool allaFine(const xmlError& errore) const
    {
        return errore.ctxt == parser && parser->inputNr == 1 && parser->input->cur >= parser->input->end
            && lettura->bFine;
    }
    EsitoCaricamento esito(const xmlError& errore) const;
};

EsitoCaricamento Diagnosi::esito(const xmlError& errore) const
{
    using enum ErroreCaricamento;
    if (allaFine(errore))
        return errore.code == XML_ERR_DOCUMENT_EMPTY ? EsitoCaricamento { Vuoto, 0 }
                                                     : EsitoCaricamento { Troncato, riga() };
    switch (errore.code) {
    case XML_ERR_INVALID_CHAR:
    case XML_ERR_INVALID_ENCODING:
    case XML_ERR_INVALID_CHARREF:
    case XML_ERR_INVALID_DEC_CHARREF:
    case XML_ERR_INVALID_HEX_CHARREF:
        return { CaratteriNonValidi, riga() };
    case XML_ERR_UNKNOWN_ENCODING:
    case XML_ERR_UNSUPPORTED_ENCODING:
        return { Codifica, riga() };
    case XML_ERR_NO_MEMORY:
        return { TestoTroppoLungo, riga() };
    case XML_ERR_ENTITY_LOOP:
        return { EntitaEccessive, riga() };
    case XML_ERR_UNDECLARED_ENTITY:
    case XML_WAR_UNDECLARED_ENTITY:
        return { EntitaNonDefinita, riga() };
    case XML_ERR_ENTITY_IS_EXTERNAL:
        return { EntitaEsterna, riga() };
    case XML_ERR_INTERNAL_ERROR:
        // What libxml2 raises when elements nest past its limit.
        if (parser->nodeNr >= kProfonditaMassima)
            return { TroppoAnnidato, riga() };
        break;
    default:
        break;
    }
    return { NonBenFormato, riga() };
}

// The parse under way. libxml2 asks one process-wide loader for every file a document names
// (external entities, external parameter entities): while an extract is parsed that loader refuses
// them all, so nothing outside the extract is ever read. Everything runs on the window thread.
Diagnosi* diagnosiInCorso = nullptr;

xmlParserInput* nessunFileEsterno(const char*, const char*, xmlParserCtxt*)
{
    if (diagnosiInCorso && !diagnosiInCorso->primoErrore)
        diagnosiInCorso->primoErrore = EsitoCaricamento { ErroreCaricamento::EntitaEsterna, diagnosiInCorso->riga() };
    return nullptr;
}

#if LIBXML_VERSION >= 21200
void annotaErrore(void*, const xmlError* errore)
#else
void annotaErrore(void*, xmlError* errore)
#endif
{
    // Namespace mistakes leave the document readable, as they always have.
    if (!diagnosiInCorso || diagnosiInCorso->primoErrore || errore->level < XML_ERR_ERROR
        || errore->domain == XML_FROM_NAMESPACE)
        return;
    diagnosiInCorso->primoErrore = diagnosiInCorso->esito(*errore);
}

class AnalisiInCorso {
public:
    AnalisiInCorso(Diagnosi& diagnosi, xmlParserCtxt* parser)
        : precedente_(xmlGetExternalEntityLoader())
    {
        diagnosiInCorso = &diagnosi;
        xmlSetExternalEntityLoader(nessunFileEsterno);
        parser->sax->serror = annotaErrore;
    }
    ~AnalisiInCorso()
    {
        xmlSetExternalEntityLoader(precedente_);
        diagnosiInCorso = nullptr;
    }
    AnalisiInCorso(const AnalisiInCorso&) = delete;
    AnalisiInCorso& operator=(const AnalisiInCorso&) = delete;

private:
    xmlExternalEntityLoader precedente_;
};

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

EsitoCaricamento DocumentoXml::load(const std::string& percorso)
{
    scarica();
    std::ifstream file(platform::percorsoNativo(percorso), std::ios::binary);
    if (!file)
        return { ErroreCaricamento::FileNonLeggibile, 0 };
    return carica(file);
}

EsitoCaricamento DocumentoXml::loadXml(std::string_view contenuto)
{
    scarica();
    BufferMemoria buffer(contenuto);
    std::istream sorgente(&buffer);
    return carica(sorgente);
}

// Read piece by piece as the parser asks, rather than through a copy of the whole file.
EsitoCaricamento DocumentoXml::carica(std::istream& sorgente)
{
    using enum ErroreCaricamento;
    try {
        ContestoParserPtr parser(xmlNewParserCtxt());
        if (!parser)
            return { MemoriaInsufficiente, 0 };
        Lettura lettura { sorgente };
        Diagnosi diagnosi { parser.get(), &lettura };
        DocXmlPtr doc;
        {
            const AnalisiInCorso analisi(diagnosi, parser.get());
            doc.reset(xmlCtxtReadIO(parser.get(), leggi, nullptr, &lettura, nullptr, nullptr, kOpzioniParser));
        }
        if (lettura.bErrore)
            return { FileNonLeggibile, 0 };
        if (lettura.nByte == 0)
            return { Vuoto, 0 };
        if (diagnosi.primoErrore)
            return *diagnosi.primoErrore;
        if (!doc || !parser->wellFormed || !xmlDocGetRootElement(doc.get()))
            return { NonBenFormato, 0 };
        // A reference the parser could not expand: its text is not in the extract.
        if (!preparaAlbero(doc.get()))
            return { EntitaNonDefinita, 0 };

        ContestoXPathPtr contesto(xmlXPathNewContext(doc.get()));
        if (!contesto)
            return { MemoriaInsufficiente, 0 };
        contesto->error = erroreSilenzioso;
        indice_ = IndiceEstratto::crea(doc.get());
        doc_ = std::move(doc);
        contesto_ = std::move(contesto);
        return {};
    } catch (const std::bad_alloc&) {
        scarica();
        return { MemoriaInsufficiente, 0 };
    }
}

std::string descriviEsito(const EsitoCaricamento& esito)
{
    using enum ErroreCaricamento;
    std::string testo;
    switch (esito.errore) {
    case Nessuno:
        return {};
    case FileNonLeggibile:
        testo = "impossibile leggere il file";
        break;
    case Vuoto:
        testo = "il file \xE8 vuoto";
        break;
    case Troncato:
        testo = "il file si interrompe prima della fine";
        break;
    case CaratteriNonValidi:
        testo = "il file contiene caratteri non validi";
        break;
    case Codifica:
        testo = "la codifica dei caratteri del file non \xE8 supportata";
        break;
    case TroppoAnnidato:
        testo = "troppi livelli di elementi annidati";
        break;
    case TestoTroppoLungo:
        testo = "un testo supera la dimensione ammessa, o la memoria non basta";
        break;
    case EntitaEccessive:
        testo = "le entit\xE0 del file si espandono oltre il limite ammesso";
        break;
    case EntitaNonDefinita:
        testo = "il file usa un'entit\xE0 non definita";
        break;
    case EntitaEsterna:
        testo = "il file usa un'entit\xE0 esterna, che non viene letta";
        break;
    case NonBenFormato:
        testo = "il contenuto non \xE8 XML valido";
        break;
    case MemoriaInsufficiente:
        testo = "memoria insufficiente";
        break;
    }
    if (esito.riga > 0)
        testo += " (riga " + std::to_string(esito.riga) + ")";
    return testo;
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
