#pragma once

#include <functional>
#include <optional>
#include <string>

#include "export/ContenutoTracciato.h"
#include "export/ControlloRecord.h"
#include "export/EsitoTracciato.h"
#include "platform/Clock.h"
#include "storico/ConfrontoMesi.h"

// The claim report a doctor keeps with each export: RIEPILOGO.pdf beside the files, what each
// file claims per service type, the services left out and why, and every record. The engine
// gathers what goes in it; the writer, which needs Qt's PDF engine, is installed by the program
// (and by the headless export), as the message box is. Without one no report is written.

inline constexpr const char* kFileRiepilogo = "RIEPILOGO.pdf";

struct DatiRiepilogo {
    std::string sCodiceRegionale;
    std::string sContratto;
    Periodo periodo;
    platform::LocalTime quando; // when the export was made
    const EsitoTracciato& esito;
    const ContenutoTracciato& contenuto;
    ConfrontoMesi confronto {}; // the files against the months before; none compared by default
};

// Writes the report into the file; nothing on success, else why it could not (Windows-1252).
using ScrittoreRiepilogo
    = std::function<std::optional<std::string>(const DatiRiepilogo& dati, const std::string& sFile)>;

// Installs the writer and returns the previous one; an empty one writes no report.
ScrittoreRiepilogo setScrittoreRiepilogo(ScrittoreRiepilogo scrittore);

// Whether a writer is installed: only then is a report made.
bool riepilogoAttivo();

// Writes the report through the installed writer, over any file of that name, and gives the
// outcome the summary's closing line that names it, or says why it could not be written, with
// the box's line for the latter.
void scriviRiepilogo(const DatiRiepilogo& dati, const std::string& sFile, EsitoTracciato& esito);
