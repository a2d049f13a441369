#include "export/RiepilogoTracciato.h"

#include <algorithm>
#include <iterator>

#include "export/FileTracciato.h"
#include "platform/FileSistema.h"
#include "platform/Paths.h"
#include "tools/tc_GenTools.h"

namespace {

// The records of a file that did not go in, after its line of the summary.
std::string nonScritti(std::int32_t n)
{
    return n == 1 ? " (1 record non scritto)" : " (" + std::to_string(n) + " record non scritti)";
}

std::string quante(std::int32_t n, const char* una, const char* tante)
{
    return std::to_string(n) + (n == 1 ? una : tante);
}

// The files of a run the host cut short: the health checks written before the stop with the
// patients they lack, and the files the run never reached.
std::string fileInterrotti(const UnitaFormMain& unita, const std::string& sContratto, const Interruzione& interruzione)
{
    std::string file = kFineRiga;
    std::string nonCreati;
    const auto nonCreato = [&nonCreati](const std::string& sFile) {
        nonCreati += (nonCreati.empty() ? "" : ", ") + platform::nomeFile(sFile);
    };
    const bool bilsalu = interruzione.bFileSpostati && platform::esiste(unita.sFileBilsalu);
    if (const std::int32_t dal = interruzione.tralasciati.fermoAlPaziente; dal > 0) {
        file += (bilsalu ? "Bilanci: file " + unita.sFileBilsalu + " incompleto" : std::string("Bilanci: nessun file"))
            + ": mancano i bilanci di salute dal paziente " + std::to_string(dal) + " al paziente "
            + std::to_string(interruzione.nPazienti) + "." + kFineRiga;
    } else if (sContratto == "PLS") {
        // Every patient was walked before the host went.
        file += bilsalu ? "Bilanci: creato file " + unita.sFileBilsalu + kFineRiga
                        : std::string("Bilanci: nessun bilancio di salute trovato nel periodo selezionato") + kFineRiga;
    }
    for (const std::string* sFile : { &unita.sFileAccessi, &unita.sFilePpip, &unita.sFileVaccini })
        nonCreato(*sFile);
    return file + "Non creati, l'esportazione si \xE8 fermata prima: " + nonCreati + ".";
}

} // namespace

EsitoTracciato riepilogoTracciato(const UnitaFormMain& unita, const std::string& sContratto, std::int32_t nNonRiuscite,
    const std::function<std::int32_t(const std::string&)>& nonScrittiIn, const std::string& sChiamateNonRiuscite,
    const Interruzione* interruzione)
{
    const auto mancanti = [&nonScrittiIn](const std::string& sFile) { return nonScrittiIn ? nonScrittiIn(sFile) : 0; };
    EsitoTracciato esito;
    esito.sContratto = sContratto;
    // Failed writes that left no file at all: nothing of the export was written.
    const bool nienteScritto = nNonRiuscite > 0
        && std::none_of(std::begin(kFileTracciato), std::end(kFileTracciato),
            [&unita](const FileTracciato& file) { return file.bPerRiga && platform::esiste(unita.*file.sFile); });
    // A run whose host calls failed lacks what they would have brought, whatever it wrote.
    esito.primaRiga = nienteScritto && !interruzione ? std::string("Operazione non riuscita: nessun file scritto.")
        : !sChiamateNonRiuscite.empty()              ? kChiamateNonRiuscite + sChiamateNonRiuscite
            + (nNonRiuscite > 0 ? "; alcuni record non sono stati scritti." : ".")
        : interruzione     ? std::string("Operazione non completata: Orvella si \xE8 chiuso.")
        : nNonRiuscite > 0 ? "Operazione non completata: alcuni record non sono stati scritti."
        // A contract that lets no service through exported nothing of the period.
        : sContratto != "MMG" && sContratto != "PLS"
        ? "Operazione non completata: il contratto letto da Orvella non \xE8 n\xE9 MMG n\xE9 PLS."
        : kOperazioneCompletata;
    if (interruzione) {
        esito.avvisi.push_back({ "ATTENZIONE: Orvella si \xE8 chiuso durante l'esportazione, che si \xE8 fermata l\xEC"
                                 ": riaprire Orvella e ripetere l'esportazione.",
            { "Orvella si \xE8 chiuso: l'esportazione si \xE8 fermata prima della fine." } });
        esito.file = fileInterrotti(unita, sContratto, *interruzione);
    } else {
        // A file made, with what did not go into it; a file none of whose records went in is named
        // with them, never reported as a period without any.
        const auto riga = [&](const std::string& sFile, const char* creato, const char* nonCreato, const char* nessuno,
                              const char* dopo) {
            const std::int32_t n = mancanti(sFile);
            if (platform::esiste(sFile))
                return kFineRiga + (creato + sFile) + (n > 0 ? nonScritti(n) : "") + dopo;
            if (n > 0)
                return kFineRiga + (nonCreato + sFile) + nonScritti(n);
            return kFineRiga + std::string(nessuno);
        };
        if (sContratto == "PLS")
            esito.file += riga(unita.sFileBilsalu, "Bilanci: creato file ",
                "Bilanci: ", "Bilanci: nessun bilancio di salute trovato nel periodo selezionato", kFineRiga);
        esito.file += riga(unita.sFileAccessi, "Visite: creato file ",
            "Visite: ", "Visite: nessuna visita trovata nel periodo selezionato", kFineRiga);
        esito.file += riga(unita.sFilePpip, "Prestazioni: creato file ",
            "Prestazioni: ", "Prestazioni: nessuna prestazione trovata nel periodo selezionato", "");
        esito.file += riga(unita.sFileVaccini, "Vaccini: creato file ",
            "Vaccini: ", "Vaccini: nessuna prestazione trovata nel periodo selezionato", "");
        const std::int32_t nSconosciuti = mancanti(unita.sFileSconosciuti);
        if (platform::esiste(unita.sFileSconosciuti) || nSconosciuti > 0)
            esito.file += std::string(kFineRiga) + kFineRiga + "[Sono state scartate " + std::to_string(unita.nScartate)
                + " ppip] Dettagli in:" + kFineRiga + unita.sFileSconosciuti
                + (nSconosciuti > 0 ? nonScritti(nSconosciuti) : "");
    }
    if (nNonRiuscite > 0) {
        AvvisoTracciato avviso { "ATTENZIONE: " + std::to_string(nNonRiuscite)
                + " scritture non riuscite, il tracciato non \xE8 completo.",
            {} };
        for (const FileTracciato& file : kFileTracciato) {
            if (const std::int32_t n = file.bPerRiga ? mancanti(unita.*file.sFile) : 0; n > 0)
                avviso.brevi.push_back(
                    std::to_string(n) + " record di " + file.nome + (n == 1 ? " non scritto." : " non scritti."));
        }
        if (avviso.brevi.empty())
            avviso.brevi.push_back(std::to_string(nNonRiuscite) + " scritture non riuscite.");
        esito.avvisi.push_back(std::move(avviso));
    }
    return esito;
}

std::vector<AvvisoTracciato> avvisiTracciato(std::int32_t nChiamateNonRiuscite, const BilanciTralasciati& tralasciati,
    const std::optional<std::string>& sContratto)
{
    std::vector<AvvisoTracciato> avvisi;
    if (nChiamateNonRiuscite > 0) {
        const std::string chiamate = quante(
            nChiamateNonRiuscite, " chiamata al gestionale non riuscita", " chiamate al gestionale non riuscite");
        avvisi.push_back({ "ATTENZIONE: " + chiamate + ", il tracciato non \xE8 completo.", { chiamate + "." } });
    }
    if (const std::string avviso = avvisoBilanciTralasciati(tralasciati); !avviso.empty()) {
        const std::int32_t n = tralasciati.senzaCodiceFiscale + tralasciati.senzaData;
        avvisi.push_back({ avviso,
            { quante(n, " bilancio di salute non inserito", " bilanci di salute non inseriti")
                + " in BILSALU.DAT." } });
    }
    if (sContratto && *sContratto != "MMG" && *sContratto != "PLS")
        avvisi.push_back({ "ATTENZIONE: il contratto letto da Orvella (\"" + *sContratto
                + "\") non \xE8 n\xE9 MMG n\xE9 PLS, tutte le prestazioni sono state scartate.",
            { "Contratto non riconosciuto (\"" + *sContratto + "\"): tutte le prestazioni scartate." } });
    return avvisi;
}
