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

std::string riepilogoInterrotto(const UnitaFormMain& unita, const std::string& sContratto,
    const std::string& sChiamateNonRiuscite, const BilanciTralasciati& tralasciati, std::int32_t nPazienti)
{
    std::string riepilogo = kChiamateNonRiuscite + sChiamateNonRiuscite + ".       Tipo (" + sContratto + ")" + kCrLf
        + kCrLf + "ATTENZIONE: Orvella si \xE8 chiuso durante l'esportazione, che si \xE8 fermata l\xEC"
        + ": riaprire Orvella e ripetere l'esportazione." + kCrLf;
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
    return riepilogo;
}
