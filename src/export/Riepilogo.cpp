#include "export/Riepilogo.h"

#include <utility>

#include "platform/FileSistema.h"

namespace {

ScrittoreRiepilogo& scrittoreInstallato()
{
    static ScrittoreRiepilogo scrittore;
    return scrittore;
}

} // namespace

ScrittoreRiepilogo setScrittoreRiepilogo(ScrittoreRiepilogo scrittore)
{
    return std::exchange(scrittoreInstallato(), std::move(scrittore));
}

bool riepilogoAttivo()
{
    return static_cast<bool>(scrittoreInstallato());
}

void scriviRiepilogo(const DatiRiepilogo& dati, const std::string& sFile, EsitoTracciato& esito)
{
    // The previous report went into the history with its files; one left there is replaced.
    std::optional<std::string> motivo;
    if (platform::esiste(sFile))
        motivo = platform::eliminaFile(sFile);
    if (!motivo)
        motivo = scrittoreInstallato()(dati, sFile);
    // The export's outcome is the files', not the report's: a failure here is only named.
    if (motivo) {
        esito.chiusura = "Riepilogo: impossibile scrivere il file " + sFile + ": " + *motivo;
        esito.chiusuraBreve = "Riepilogo non creato: " + *motivo;
    } else {
        esito.chiusura = "Riepilogo: creato file " + sFile;
        esito.riepilogoScritto = true;
    }
}
