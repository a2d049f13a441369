#include "export/EsportazioniPrecedenti.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "platform/Paths.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

constexpr const TracciatoRecord* kTracciatiServizi[] = { &kTracciatoAccessi, &kTracciatoPpip, &kTracciatoVaccini };

// Whether any record of the file is dated in the period; false too when it cannot be read.
bool comprendePeriodo(const std::string& sFile, const TracciatoRecord& tracciato, const Periodo& periodo)
{
    bool comprende = false;
    scorriRecord(sFile, tracciato.larghezza, [&](std::optional<std::string_view> record) {
        const std::optional<year_month_day> data = record ? dataDelRecord(*record, tracciato) : std::nullopt;
        comprende = data && *data >= periodo.dallaData && *data <= periodo.allaData;
        return !comprende;
    });
    return comprende;
}

// The day and the layout of a history copy's name, "YYYY-MM-DD HH.MM.SS_PPIP.DAT" or, when that
// name was taken, "YYYY-MM-DD HH.MM.SS_PPIP (2).DAT"; nothing for the other files.
std::optional<std::pair<year_month_day, const TracciatoRecord*>> copiaStorico(const std::string& nome)
{
    int anno = 0;
    unsigned mese = 0;
    unsigned giorno = 0;
    char dopo = '\0';
    if (nome.size() < 20 || std::sscanf(nome.c_str(), "%4d-%2u-%2u%c", &anno, &mese, &giorno, &dopo) != 4
        || dopo != ' ')
        return std::nullopt;
    const year_month_day data { year { anno }, month { mese }, day { giorno } };
    const auto trattino = nome.find('_');
    if (!data.ok() || trattino == std::string::npos)
        return std::nullopt;
    std::string file = nome.substr(trattino + 1);
    if (const auto numero = file.find(" ("); numero != std::string::npos && file.ends_with(").DAT"))
        file = file.substr(0, numero) + ".DAT";
    for (const TracciatoRecord* tracciato : kTracciatiServizi)
        if (file == tracciato->nome)
            return std::pair { data, tracciato };
    return std::nullopt;
}

std::string dataItaliana(year_month_day data)
{
    return padLeft(std::to_string(static_cast<unsigned>(data.day())), '0', 2) + "/"
        + padLeft(std::to_string(static_cast<unsigned>(data.month())), '0', 2) + "/"
        + std::to_string(static_cast<int>(data.year()));
}

} // namespace

std::vector<EsportazionePrecedente> esportazioniPrecedenti(
    const std::string& sDirOutput, const std::string& sDirStorico, const Periodo& periodo, platform::LocalTime adesso)
{
    std::map<year_month_day, std::vector<const TracciatoRecord*>> perGiorno;
    const auto trovato = [&perGiorno](year_month_day giorno, const TracciatoRecord* tracciato) {
        std::vector<const TracciatoRecord*>& file = perGiorno[giorno];
        if (std::find(file.begin(), file.end(), tracciato) == file.end())
            file.push_back(tracciato);
    };

    for (const TracciatoRecord* tracciato : kTracciatiServizi) {
        const std::string sFile = sDirOutput + tracciato->nome;
        std::error_code errore;
        const auto scrittura = fs::last_write_time(platform::percorsoNativo(sFile), errore);
        if (!errore && comprendePeriodo(sFile, *tracciato, periodo))
            trovato(
                year_month_day { floor<days>(platform::toLocalTime(floor<seconds>(file_clock::to_sys(scrittura)))) },
                tracciato);
    }

    const year_month_day oggi { floor<days>(adesso) };
    const year_month_day unAnnoFa = oggi - years { 1 };
    std::error_code errore;
    fs::directory_iterator voce(platform::percorsoNativo(sDirStorico), errore);
    for (; !errore && voce != fs::directory_iterator(); voce.increment(errore)) {
        const std::string nome = utf8ToCp1252(platform::percorsoUtf8(voce->path().filename()));
        const auto copia = copiaStorico(nome);
        if (copia && copia->first >= unAnnoFa && comprendePeriodo(sDirStorico + nome, *copia->second, periodo))
            trovato(copia->first, copia->second);
    }

    std::vector<EsportazionePrecedente> precedenti;
    for (auto& [giorno, tracciati] : perGiorno) {
        std::sort(tracciati.begin(), tracciati.end(), [](const TracciatoRecord* a, const TracciatoRecord* b) {
            return std::find(std::begin(kTracciatiServizi), std::end(kTracciatiServizi), a)
                < std::find(std::begin(kTracciatiServizi), std::end(kTracciatiServizi), b);
        });
        EsportazionePrecedente precedente { giorno, {} };
        for (const TracciatoRecord* tracciato : tracciati)
            precedente.file.emplace_back(tracciato->nome);
        precedenti.push_back(std::move(precedente));
    }
    return precedenti;
}

std::string avvisoEsportazioniPrecedenti(const std::vector<EsportazionePrecedente>& precedenti, const Periodo& periodo)
{
    if (precedenti.empty())
        return {};
    std::string quando;
    for (std::size_t i = 0; i < precedenti.size(); ++i) {
        std::string file;
        for (const std::string& nome : precedenti[i].file)
            file += (file.empty() ? "" : ", ") + nome;
        quando += std::string(i == 0                   ? ""
                          : i + 1 == precedenti.size() ? " e "
                                                       : ", ")
            + "il " + dataItaliana(precedenti[i].giorno) + " (" + file + ")";
    }
    return "\r\n\r\nATTENZIONE: il periodo dal " + dataItaliana(periodo.dallaData) + " al "
        + dataItaliana(periodo.allaData) + " comprende date gi\xE0 esportate " + quando
        + ": prima di inviare, verificare che quei file non siano gi\xE0 stati inviati.";
}
