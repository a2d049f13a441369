#include "storico/EsportazioniPrecedenti.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>

#include "export/Records.h"
#include "storico/Storico.h"
#include "platform/FileSistema.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

using namespace std::chrono;

namespace {

constexpr const TracciatoRecord* kTracciatiServizi[]
    = { &kTracciatoBilsalu, &kTracciatoAccessi, &kTracciatoPpip, &kTracciatoVaccini };

// Whether any record of the file is dated in the period; false too when it cannot be read.
bool comprendePeriodo(const std::string& sFile, const TracciatoRecord& tracciato, const Periodo& periodo)
{
    bool comprende = false;
    scorriRecord(sFile, tracciato.larghezza, [&](std::optional<std::string_view> record) {
        const std::optional<year_month_day> data = record ? dataDelRecord(*record, tracciato) : std::nullopt;
        comprende = data && periodo.comprende(*data);
        return !comprende;
    });
    return comprende;
}

// The day and the layout of a history copy's name, "YYYY-MM-DD HH.MM.SS_PPIP.DAT" or, when that
// name was taken, "YYYY-MM-DD HH.MM.SS_PPIP (2).DAT"; nothing for the other files.
std::optional<std::pair<year_month_day, std::size_t>> copiaStorico(const std::string& nome)
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
    for (std::size_t t = 0; t < std::size(kTracciatiServizi); ++t)
        if (file == kTracciatiServizi[t]->nome)
            return std::pair { data, t };
    return std::nullopt;
}

} // namespace

std::vector<EsportazionePrecedente> esportazioniPrecedenti(
    const std::string& sDirOutput, const std::string& sDirStorico, const Periodo& periodo, platform::LocalTime adesso)
{
    // Per day of export, which of the files hold dates of the period, in their order.
    std::map<year_month_day, std::array<bool, std::size(kTracciatiServizi)>> perGiorno;

    // An export made before the period began holds none of its dates: only later ones are read,
    // each possibly a download where the Desktop is synced, and none older than a year.
    const year_month_day unAnnoFa = year_month_day { floor<days>(adesso) } - years { 1 };
    const year_month_day primoGiorno = std::max(periodo.dallaData, unAnnoFa);

    for (std::size_t t = 0; t < std::size(kTracciatiServizi); ++t) {
        const std::string sFile = sDirOutput + kTracciatiServizi[t]->nome;
        const std::optional<platform::LocalTime> scrittura = ultimaScrittura(sFile);
        const std::optional<year_month_day> giorno
            = scrittura ? std::optional(year_month_day { floor<days>(*scrittura) }) : std::nullopt;
        if (giorno && *giorno >= periodo.dallaData && comprendePeriodo(sFile, *kTracciatiServizi[t], periodo))
            perGiorno[*giorno][t] = true;
    }

    for (const platform::VoceCartella& voce : platform::vociCartella(sDirStorico)) {
        const std::string nome = utf8ToCp1252(platform::percorsoUtf8(voce.nome));
        const auto copia = copiaStorico(nome);
        if (copia && copia->first >= primoGiorno
            && comprendePeriodo(sDirStorico + nome, *kTracciatiServizi[copia->second], periodo))
            perGiorno[copia->first][copia->second] = true;
    }

    std::vector<EsportazionePrecedente> precedenti;
    for (const auto& [giorno, file] : perGiorno) {
        EsportazionePrecedente precedente { giorno, {} };
        for (std::size_t t = 0; t < file.size(); ++t)
            if (file[t])
                precedente.file.emplace_back(kTracciatiServizi[t]->nome);
        precedenti.push_back(std::move(precedente));
    }
    return precedenti;
}

AvvisoTracciato avvisoEsportazioniPrecedenti(
    const std::vector<EsportazionePrecedente>& precedenti, const Periodo& periodo)
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
    return { "ATTENZIONE: il periodo dal " + dataItaliana(periodo.dallaData) + " al " + dataItaliana(periodo.allaData)
            + " comprende date gi\xE0 esportate " + quando
            + ": prima di inviare, verificare che quei file non siano gi\xE0 stati inviati.",
        { "Il periodo comprende date gi\xE0 esportate " + quando + "." } };
}
