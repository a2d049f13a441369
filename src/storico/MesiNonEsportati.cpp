#include "storico/MesiNonEsportati.h"

#include <algorithm>
#include <optional>

#include "export/Records.h"
#include "tools/tc_GenTools.h"

namespace {

using namespace std::chrono;

constexpr int kMesiGiudicati = 12;

year_month meseDi(platform::LocalTime momento)
{
    const year_month_day giorno { floor<days>(momento) };
    return giorno.year() / giorno.month();
}

sys_days giornoDi(platform::LocalTime momento)
{
    return sys_days { floor<days>(momento).time_since_epoch() };
}

std::vector<VoceRegistro> delMedico(const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale)
{
    std::vector<VoceRegistro> sue;
    std::copy_if(voci.begin(), voci.end(), std::back_inserter(sue),
        [&sCodiceRegionale](const VoceRegistro& voce) { return voce.sCodiceRegionale == sCodiceRegionale; });
    return sue;
}

// The day the doctor's first line was written; nothing before the first.
std::optional<sys_days> inizioRegistro(const std::vector<VoceRegistro>& sue)
{
    const auto prima = std::min_element(
        sue.begin(), sue.end(), [](const VoceRegistro& a, const VoceRegistro& b) { return a.quando < b.quando; });
    return prima == sue.end() ? std::nullopt : std::optional(giornoDi(prima->quando));
}

// "agosto 2026, settembre 2026"; nothing when every month judged was exported.
std::string elencoMesi(
    const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale, platform::LocalTime adesso)
{
    std::string elenco;
    for (const year_month mese : mesiNonEsportati(voci, sCodiceRegionale, meseDi(adesso)))
        elenco += (elenco.empty() ? "" : ", ") + meseItaliano(mese);
    return elenco;
}

} // namespace

bool esportazioneConclusa(const VoceRegistro& voce)
{
    const bool finita = voce.esito == EsitoRegistro::Completata || voce.esito == EsitoRegistro::NessunaPrestazione;
    return finita && (voce.sContratto == "MMG" || voce.sContratto == "PLS");
}

std::optional<GiorniCoperti> giorniCoperti(const VoceRegistro& voce)
{
    const GiorniCoperti giorni { sys_days { voce.periodo.dallaData },
        std::min(sys_days { voce.periodo.allaData }, giornoDi(voce.quando)) };
    if (!esportazioneConclusa(voce) || giorni.al < giorni.dal)
        return std::nullopt;
    return giorni;
}

std::vector<year_month> mesiNonEsportati(
    const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale, year_month meseCorrente)
{
    const std::vector<VoceRegistro> sue = delMedico(voci, sCodiceRegionale);
    // The days covered, as spans merged where they meet or overlap.
    std::vector<GiorniCoperti> coperti;
    for (const VoceRegistro& voce : sue)
        if (const std::optional<GiorniCoperti> giorni = giorniCoperti(voce))
            coperti.push_back(*giorni);
    std::sort(
        coperti.begin(), coperti.end(), [](const GiorniCoperti& a, const GiorniCoperti& b) { return a.dal < b.dal; });
    std::vector<GiorniCoperti> uniti;
    for (const GiorniCoperti& giorni : coperti) {
        if (!uniti.empty() && giorni.dal <= uniti.back().al + days { 1 })
            uniti.back().al = std::max(uniti.back().al, giorni.al);
        else
            uniti.push_back(giorni);
    }

    std::vector<year_month> mesi;
    const std::optional<sys_days> inizio = inizioRegistro(sue);
    if (!inizio)
        return mesi;
    for (year_month mese = meseCorrente - months { kMesiGiudicati }; mese < meseCorrente; mese += months { 1 }) {
        const sys_days primo { mese / 1 };
        const sys_days ultimo { mese / last };
        if (ultimo < *inizio)
            continue;
        const bool coperto = std::any_of(uniti.begin(), uniti.end(),
            [&](const GiorniCoperti& giorni) { return giorni.dal <= primo && giorni.al >= ultimo; });
        if (!coperto)
            mesi.push_back(mese);
    }
    return mesi;
}

std::vector<std::string> righeRegistro(
    const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale, platform::LocalTime adesso)
{
    const std::vector<VoceRegistro> sue = delMedico(voci, sCodiceRegionale);
    if (sue.empty())
        return { "Registro delle esportazioni: nessuna esportazione registrata." };
    // The last appended, whatever the clock said then.
    const VoceRegistro& ultima = sue.back();
    std::vector<std::string> righe { "Ultima esportazione: "
        + dataItaliana(year_month_day { floor<days>(ultima.quando) }) + " alle " + oraItaliana(ultima.quando)
        + ", periodo dal " + dataItaliana(ultima.periodo.dallaData) + " al " + dataItaliana(ultima.periodo.allaData)
        + ", esito: " + testoEsito(ultima.esito) + "." };
    const year_month primoGiudicato = meseDi(adesso) - months { kMesiGiudicati };
    if (const sys_days inizio = *inizioRegistro(sue); sys_days { primoGiudicato / last } < inizio)
        righe.push_back("Il registro delle esportazioni \xE8 tenuto dal " + dataItaliana(year_month_day { inizio })
            + ": i mesi conclusi prima non sono controllati.");
    if (const std::string elenco = elencoMesi(voci, sCodiceRegionale, adesso); !elenco.empty())
        righe.push_back("ATTENZIONE: mesi non esportati: " + elenco + ".");
    return righe;
}

std::string testoRegistro(
    const std::string& sDirStorico, const std::string& sCodiceRegionale, platform::LocalTime adesso)
{
    std::string testo;
    if (sDirStorico.empty())
        return testo;
    registraRigheInAttesa(sDirStorico);
    for (const std::string& riga : righeRegistro(leggiRegistro(sDirStorico), sCodiceRegionale, adesso))
        testo += (testo.empty() ? "" : kFineRiga) + riga;
    return testo;
}

AvvisoTracciato avvisoMesiNonEsportati(
    const std::string& sDirStorico, const std::string& sCodiceRegionale, platform::LocalTime adesso)
{
    const std::string elenco = elencoMesi(leggiRegistro(sDirStorico), sCodiceRegionale, adesso);
    if (elenco.empty())
        return {};
    return { "ATTENZIONE: mesi non esportati: " + elenco + ".", { "Mesi non esportati: " + elenco + "." } };
}

AvvisoTracciato avvisoGiorniNonCompresi(const Periodo& periodo, platform::LocalTime quando)
{
    const sys_days oggi = giornoDi(quando);
    if (sys_days { periodo.allaData } <= oggi)
        return {};
    const year_month_day primo { std::max(oggi + days { 1 }, sys_days { periodo.dallaData }) };
    const std::string giorni = primo == periodo.allaData
        ? "il " + dataItaliana(primo)
        : "dal " + dataItaliana(primo) + " al " + dataItaliana(periodo.allaData);
    return { "ATTENZIONE: il periodo comprende giorni non ancora trascorsi: le prestazioni " + giorni
            + " non sono in questa esportazione. Esportarle quando il periodo sar\xE0 concluso.",
        { "Giorni non ancora compresi: " + giorni + "." } };
}
