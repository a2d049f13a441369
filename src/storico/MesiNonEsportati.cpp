#include "storico/MesiNonEsportati.h"

#include <algorithm>
#include <optional>

#include "export/Records.h"
#include "tools/tc_GenTools.h"

namespace {

using namespace std::chrono;

constexpr const char* kMesi[] = { "gennaio", "febbraio", "marzo", "aprile", "maggio", "giugno", "luglio", "agosto",
    "settembre", "ottobre", "novembre", "dicembre" };

constexpr int kMesiGiudicati = 12;

year_month meseDi(platform::LocalTime momento)
{
    const year_month_day giorno { floor<days>(momento) };
    return giorno.year() / giorno.month();
}

std::string nomeMese(year_month mese)
{
    return std::string(kMesi[static_cast<unsigned>(mese.month()) - 1]) + " "
        + std::to_string(static_cast<int>(mese.year()));
}

// "agosto 2026, settembre 2026"; nothing when every month judged was exported.
std::string elencoMesi(const std::vector<VoceRegistro>& voci, platform::LocalTime adesso)
{
    std::string elenco;
    for (const year_month mese : mesiNonEsportati(voci, meseDi(adesso)))
        elenco += (elenco.empty() ? "" : ", ") + nomeMese(mese);
    return elenco;
}

std::optional<year_month_day> inizioRegistro(const std::vector<VoceRegistro>& voci)
{
    const auto prima = std::min_element(voci.begin(), voci.end(),
        [](const VoceRegistro& a, const VoceRegistro& b) { return a.periodo.dallaData < b.periodo.dallaData; });
    return prima == voci.end() ? std::nullopt : std::optional(prima->periodo.dallaData);
}

} // namespace

std::vector<year_month> mesiNonEsportati(const std::vector<VoceRegistro>& voci, year_month meseCorrente)
{
    // The days the finished runs covered, as spans merged where they meet or overlap.
    std::vector<std::pair<sys_days, sys_days>> coperti;
    for (const VoceRegistro& voce : voci)
        if (voce.esito == EsitoRegistro::Completata || voce.esito == EsitoRegistro::NessunaPrestazione)
            coperti.emplace_back(sys_days { voce.periodo.dallaData }, sys_days { voce.periodo.allaData });
    std::sort(coperti.begin(), coperti.end());
    std::vector<std::pair<sys_days, sys_days>> uniti;
    for (const auto& [dal, al] : coperti) {
        if (!uniti.empty() && dal <= uniti.back().second + days { 1 })
            uniti.back().second = std::max(uniti.back().second, al);
        else
            uniti.emplace_back(dal, al);
    }

    std::vector<year_month> mesi;
    const std::optional<year_month_day> inizio = inizioRegistro(voci);
    if (!inizio)
        return mesi;
    for (year_month mese = meseCorrente - months { kMesiGiudicati }; mese < meseCorrente; mese += months { 1 }) {
        const sys_days primo { mese / 1 };
        const sys_days ultimo { mese / last };
        if (ultimo < sys_days { *inizio })
            continue;
        const bool coperto = std::any_of(
            uniti.begin(), uniti.end(), [&](const auto& span) { return span.first <= primo && span.second >= ultimo; });
        if (!coperto)
            mesi.push_back(mese);
    }
    return mesi;
}

std::vector<std::string> righeRegistro(const std::vector<VoceRegistro>& voci, platform::LocalTime adesso)
{
    if (voci.empty())
        return { "Registro delle esportazioni: nessuna esportazione registrata." };
    // The last appended, whatever the clock said then.
    const VoceRegistro& ultima = voci.back();
    const auto giorno = floor<days>(ultima.quando);
    const hh_mm_ss<minutes> ora { floor<minutes>(ultima.quando - giorno) };
    std::vector<std::string> righe { "Ultima esportazione: " + dataItaliana(year_month_day { giorno }) + " alle "
        + padLeft(std::to_string(ora.hours().count()), '0', 2) + ":"
        + padLeft(std::to_string(ora.minutes().count()), '0', 2) + ", periodo dal "
        + dataItaliana(ultima.periodo.dallaData) + " al " + dataItaliana(ultima.periodo.allaData)
        + ", esito: " + testoEsito(ultima.esito) + "." };
    const year_month primoGiudicato = meseDi(adesso) - months { kMesiGiudicati };
    if (const year_month_day inizio = *inizioRegistro(voci); sys_days { inizio } > sys_days { primoGiudicato / 1 })
        righe.push_back("Il registro delle esportazioni comprende i periodi dal " + dataItaliana(inizio)
            + ": i mesi precedenti non sono controllati.");
    if (const std::string elenco = elencoMesi(voci, adesso); !elenco.empty())
        righe.push_back("ATTENZIONE: mesi non esportati: " + elenco + ".");
    return righe;
}

std::string testoRegistro(const std::string& sDirStorico, platform::LocalTime adesso)
{
    std::string testo;
    if (sDirStorico.empty())
        return testo;
    for (const std::string& riga : righeRegistro(leggiRegistro(sDirStorico), adesso))
        testo += (testo.empty() ? "" : kFineRiga) + riga;
    return testo;
}

AvvisoTracciato avvisoMesiNonEsportati(const std::string& sDirStorico, platform::LocalTime adesso)
{
    const std::string elenco = elencoMesi(leggiRegistro(sDirStorico), adesso);
    if (elenco.empty())
        return {};
    return { "ATTENZIONE: mesi non esportati: " + elenco + ".", { "Mesi non esportati: " + elenco + "." } };
}
