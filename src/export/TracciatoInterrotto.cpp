#include "export/TracciatoInterrotto.h"

#include "platform/Paths.h"

namespace {

constexpr const char* kCrLf = "\r\n";

// The file's own name, as the list of files not made gives it; Windows takes either separator.
std::string nomeFile(const std::string& sFile)
{
    const auto separatore = sFile.find_last_of(platform::separatore == '/' ? "/" : "\\/");
    return separatore == std::string::npos ? sFile : sFile.substr(separatore + 1);
}

} // namespace

EsitoTracciato riepilogoInterrotto(const UnitaFormMain& unita, const std::string& sContratto,
    const std::string& sChiamateNonRiuscite, const BilanciTralasciati& tralasciati, std::int32_t nPazienti)
{
    EsitoTracciato esito;
    esito.primaRiga = kChiamateNonRiuscite + sChiamateNonRiuscite + ".";
    esito.sContratto = sContratto;
    esito.avvisi.push_back({ "ATTENZIONE: Orvella si \xE8 chiuso durante l'esportazione, che si \xE8 fermata l\xEC"
                             ": riaprire Orvella e ripetere l'esportazione.",
        { "Orvella si \xE8 chiuso: l'esportazione si \xE8 fermata prima della fine." } });
    std::string& riepilogo = esito.file;
    riepilogo = kCrLf;
    std::string nonCreati;
    const auto nonCreato
        = [&nonCreati](const std::string& sFile) { nonCreati += (nonCreati.empty() ? "" : ", ") + nomeFile(sFile); };
    if (tralasciati.fermoAlPaziente > 0) {
        const bool creato = platform::esiste(unita.sFileBilsalu);
        riepilogo
            += (creato ? "Bilanci: file " + unita.sFileBilsalu + " incompleto" : std::string("Bilanci: nessun file"))
            + ": mancano i bilanci di salute dal paziente " + std::to_string(tralasciati.fermoAlPaziente)
            + " al paziente " + std::to_string(nPazienti) + "." + kCrLf;
    } else if (sContratto == "PLS") {
        nonCreato(unita.sFileBilsalu);
    }
    for (const std::string* sFile : { &unita.sFileAccessi, &unita.sFilePpip, &unita.sFileVaccini })
        nonCreato(*sFile);
    riepilogo += "Non creati, l'esportazione si \xE8 fermata prima: " + nonCreati + ".";
    return esito;
}
