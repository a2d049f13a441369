#include "host/IndiceEstratto.h"

#include <algorithm>

#include "host/AlberoXml.h"

namespace {

// The attribute that "@io_id_paziente" selects: no namespace.
const xmlNode* attributoIdPaziente(const xmlNode* elemento)
{
    for (const xmlAttr* attributo = elemento->properties; attributo; attributo = attributo->next) {
        if (attributo->ns == nullptr && xmlStrEqual(attributo->name, BAD_CAST "io_id_paziente"))
            return reinterpret_cast<const xmlNode*>(attributo);
    }
    return nullptr;
}

} // namespace

std::unique_ptr<IndiceEstratto> IndiceEstratto::crea(xmlDoc* doc)
{
    std::unique_ptr<IndiceEstratto> indice(new IndiceEstratto);
    for (xmlNode* nodo = doc->children; nodo; nodo = nodoSuccessivo(nodo, nodo->type == XML_ELEMENT_NODE)) {
        const bool bPaziente = eElemento(nodo, "PAZIENTE");
        if (!bPaziente && !eElemento(nodo, "PRESTAZIONE_INCENTIVANTE"))
            continue;
        const xmlNode* attributo = attributoIdPaziente(nodo);
        if (!attributo)
            continue;
        const std::string_view id = indice->valore(attributo);
        if (bPaziente)
            indice->aggiungiPaziente(nodo, id);
        else
            indice->aggiungiPrestazione(nodo, id);
    }
    indice->riunisci();
    return indice;
}

void IndiceEstratto::aggiungiPaziente(xmlNode* paziente, std::string_view id)
{
    NodoXml& primo = pazienti_[id].nodo;
    if (!primo)
        primo = NodoXml(paziente);
}

void IndiceEstratto::aggiungiPrestazione(xmlNode* prestazione, std::string_view id)
{
    Paziente& paziente = pazienti_[id];
    paziente.prestazioni.emplace_back(prestazione);

    const xmlNode* data = nullptr;
    const xmlNode* codice = nullptr;
    std::size_t nDate = 0;
    std::size_t nCodici = 0;
    for (const xmlNode* figlio = prestazione->children; figlio; figlio = figlio->next) {
        if (eElemento(figlio, "data_esecuzione")) {
            data = data ? data : figlio;
            ++nDate;
        } else if (eElemento(figlio, "codice_ov_pip")) {
            codice = codice ? codice : figlio;
            ++nCodici;
        }
    }
    if (nDate == 0 || nCodici == 0)
        return;
    if (nDate == 1 && nCodici == 1) {
        paziente.coppie.push_back({ valore(data), valore(codice), 1 });
        return;
    }
    // Each distinct value once: the service counts once however many of its children match.
    const std::vector<std::string_view> date = valoriFigli(prestazione, "data_esecuzione");
    const std::vector<std::string_view> codici = valoriFigli(prestazione, "codice_ov_pip");
    if (date.size() == 1 && codici.size() == 1) {
        paziente.coppie.push_back({ date.front(), codici.front(), 1 });
        return;
    }
    if (!paziente.multiple)
        paziente.multiple = std::make_unique<Multiple>();
    Multiple& multiple = *paziente.multiple;
    const std::uint32_t numero = multiple.nPrestazioni++;
    for (const std::string_view d : date)
        multiple.perData.emplace_back(d, numero);
    for (const std::string_view c : codici)
        multiple.perCodice.emplace_back(c, numero);
}

// Pairs sorted and each once, with the number of services that hold it; value lists sorted.
void IndiceEstratto::riunisci()
{
    const auto prima = [](const Coppia& a, const Coppia& b) { return a.chiave() < b.chiave(); };
    for (auto& [id, paziente] : pazienti_) {
        if (paziente.multiple) {
            std::sort(paziente.multiple->perData.begin(), paziente.multiple->perData.end());
            std::sort(paziente.multiple->perCodice.begin(), paziente.multiple->perCodice.end());
        }
        std::vector<Coppia>& coppie = paziente.coppie;
        std::sort(coppie.begin(), coppie.end(), prima);
        auto fine = coppie.begin();
        for (const Coppia& coppia : coppie) {
            if (fine != coppie.begin() && std::prev(fine)->chiave() == coppia.chiave())
                std::prev(fine)->quante += coppia.quante;
            else
                *fine++ = coppia;
        }
        coppie.erase(fine, coppie.end());
    }
}

std::vector<std::string_view> IndiceEstratto::valoriFigli(const xmlNode* elemento, std::string_view nome)
{
    std::vector<std::string_view> valori;
    for (const xmlNode* figlio = elemento->children; figlio; figlio = figlio->next) {
        if (eElemento(figlio, nome))
            valori.push_back(valore(figlio));
    }
    std::sort(valori.begin(), valori.end());
    valori.erase(std::unique(valori.begin(), valori.end()), valori.end());
    return valori;
}

std::string_view IndiceEstratto::valore(const xmlNode* nodo)
{
    const xmlNode* figlio = nodo->children;
    if (!figlio)
        return {};
    if (!figlio->next && (figlio->type == XML_TEXT_NODE || figlio->type == XML_CDATA_SECTION_NODE) && figlio->content)
        return reinterpret_cast<const char*>(figlio->content);
    return testiComposti_.emplace_back(valoreStringa(nodo));
}

NodoXml IndiceEstratto::paziente(std::string_view id) const
{
    const auto trovato = pazienti_.find(id);
    return trovato == pazienti_.end() ? NodoXml() : trovato->second.nodo;
}

const std::vector<NodoXml>& IndiceEstratto::prestazioni(std::string_view id) const
{
    static const std::vector<NodoXml> nessuna;
    const auto trovato = pazienti_.find(id);
    return trovato == pazienti_.end() ? nessuna : trovato->second.prestazioni;
}

std::int32_t IndiceEstratto::contaUguali(std::string_view id, std::string_view data, std::string_view codice) const
{
    const auto trovato = pazienti_.find(id);
    if (trovato == pazienti_.end())
        return 0;
    const Paziente& paziente = trovato->second;
    const std::pair chiave(data, codice);
    const auto coppia = std::lower_bound(paziente.coppie.begin(), paziente.coppie.end(), chiave,
        [](const Coppia& coppia, const auto& cercata) { return coppia.chiave() < cercata; });
    const std::int32_t nCoppie = coppia != paziente.coppie.end() && coppia->chiave() == chiave ? coppia->quante : 0;
    return nCoppie + (paziente.multiple ? paziente.multiple->conta(data, codice) : 0);
}

std::int32_t IndiceEstratto::Multiple::conta(std::string_view data, std::string_view codice) const
{
    std::pair<std::string, std::string> chiave(data, codice);
    if (const auto nota = risposte.find(chiave); nota != risposte.end())
        return nota->second;

    // The services of each value, in ascending order of number.
    struct PerValore {
        bool operator()(const Voce& voce, std::string_view valore) const { return voce.first < valore; }
        bool operator()(std::string_view valore, const Voce& voce) const { return valore < voce.first; }
    };
    const auto servizi = [](const std::vector<Voce>& voci, std::string_view valore) {
        return std::equal_range(voci.begin(), voci.end(), valore, PerValore());
    };
    auto [conData, fineData] = servizi(perData, data);
    auto [conCodice, fineCodice] = servizi(perCodice, codice);
    // The shorter list walked, the longer one searched: the cost follows the rarer value.
    if (fineData - conData > fineCodice - conCodice) {
        std::swap(conData, conCodice);
        std::swap(fineData, fineCodice);
    }
    std::int32_t n = 0;
    for (auto voce = conData; voce != fineData && conCodice != fineCodice; ++voce) {
        conCodice = std::lower_bound(conCodice, fineCodice, voce->second,
            [](const Voce& altra, std::uint32_t numero) { return altra.second < numero; });
        if (conCodice != fineCodice && conCodice->second == voce->second)
            ++n;
    }
    risposte.emplace(std::move(chiave), n);
    return n;
}
