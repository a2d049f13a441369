#include "hostserver/OggettoAccertamento.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "hostserver/ErroreChiamata.h"
#include "hostserver/ListaParametri.h"

namespace hostserver {
namespace {

enum class Ordine { id, dataCrescente, dataDecrescente };

struct FiltroAccertamenti {
    std::optional<std::unordered_set<std::string>> codici;
    bool soloConRisultato = false;
    std::optional<std::string> dallaData;
    std::optional<std::string> allaData;
    Ordine ordine = Ordine::id;
};

std::unordered_set<std::string> codiciSpaziati(std::string_view elenco)
{
    std::unordered_set<std::string> codici;
    while (!elenco.empty()) {
        const auto inizio = elenco.find_first_not_of(' ');
        if (inizio == std::string_view::npos)
            break;
        elenco.remove_prefix(inizio);
        const auto fine = elenco.find(' ');
        codici.emplace(elenco.substr(0, fine));
        elenco.remove_prefix(fine == std::string_view::npos ? elenco.size() : fine);
    }
    return codici;
}

FiltroAccertamenti leggiFiltro(std::string_view testo)
{
    FiltroAccertamenti filtro;
    for (const Parametro& parametro : leggiListaParametri(testo)) {
        if (parametro.chiave == "filtro_lista_codici_accertamento_spaziati") {
            filtro.codici = codiciSpaziati(parametro.valore.value_or(""));
        } else if (parametro.chiave == "filtro_solo_con_risultato") {
            filtro.soloConRisultato = true;
        } else if (parametro.chiave == "dalla_data") {
            filtro.dallaData = valoreData(parametro);
        } else if (parametro.chiave == "alla_data") {
            filtro.allaData = valoreData(parametro);
        } else if (parametro.chiave == "ordinamento") {
            const std::string ordine = parametro.valore.value_or("");
            if (ordine == "ordine_data_desc")
                filtro.ordine = Ordine::dataDecrescente;
            else if (ordine == "ordine_data_asc")
                filtro.ordine = Ordine::dataCrescente;
            else
                falliChiamata("Ordinamento sconosciuto: " + ordine);
        } else {
            falliChiamata("Parametro sconosciuto per i_accertamento.carica: " + parametro.chiave);
        }
    }
    return filtro;
}

} // namespace

OggettoAccertamento::OggettoAccertamento(ArchivioAccertamenti& archivio, std::optional<std::string> idPaziente)
    : archivio_(archivio)
    , idPaziente_(std::move(idPaziente))
{
}

std::string OggettoAccertamento::chiama(std::string_view metodo, std::string_view parametri)
{
    if (metodo == "carica")
        return carica(parametri);
    if (metodo == "rowcount")
        return std::to_string(righe_.size());
    if (metodo == "setrow") {
        setrow(parametri);
        return {};
    }
    if (metodo == "leggi_attributo")
        return leggiAttributo(parametri);
    falliChiamata("Metodo sconosciuto per i_accertamento: " + std::string(metodo));
}

std::string OggettoAccertamento::carica(std::string_view testoFiltro)
{
    const FiltroAccertamenti filtro = leggiFiltro(testoFiltro);
    righe_.clear();
    if (idPaziente_) {
        for (Accertamento& riga : archivio_.delPaziente(*idPaziente_)) {
            // Dates compare as SQLite compares text: byte by byte.
            if ((filtro.dallaData && riga.data < *filtro.dallaData)
                || (filtro.allaData && riga.data > *filtro.allaData))
                continue;
            if (filtro.codici && !filtro.codici->contains(riga.codice))
                continue;
            if (filtro.soloConRisultato && riga.risultato.empty())
                continue;
            righe_.push_back(std::move(riga));
        }
    }
    // The rows come by id, so a stable sort keeps ids ascending within one date.
    if (filtro.ordine == Ordine::dataDecrescente)
        std::stable_sort(
            righe_.begin(), righe_.end(), [](const Accertamento& a, const Accertamento& b) { return a.data > b.data; });
    else if (filtro.ordine == Ordine::dataCrescente)
        std::stable_sort(
            righe_.begin(), righe_.end(), [](const Accertamento& a, const Accertamento& b) { return a.data < b.data; });
    corrente_ = 0;
    return std::to_string(righe_.size());
}

void OggettoAccertamento::setrow(std::string_view numero)
{
    std::size_t riga = 0;
    const auto [fermo, errore] = std::from_chars(numero.data(), numero.data() + numero.size(), riga);
    if (numero.empty() || errore != std::errc() || fermo != numero.data() + numero.size())
        falliChiamata("Numero di riga non valido: " + std::string(numero));
    // A row outside the loaded ones leaves none current, so its attributes read empty.
    corrente_ = riga >= 1 && riga <= righe_.size() ? riga - 1 : righe_.size();
}

std::string OggettoAccertamento::leggiAttributo(std::string_view nome) const
{
    if (nome != "data_esecuzione" && nome != "codice_accertamento" && nome != "risultato")
        falliChiamata("Attributo sconosciuto per i_accertamento: " + std::string(nome));
    if (corrente_ >= righe_.size())
        return {};
    const Accertamento& riga = righe_[corrente_];
    if (nome == "data_esecuzione")
        return riga.data;
    if (nome == "codice_accertamento")
        return riga.codice;
    return riga.risultato;
}

} // namespace hostserver
