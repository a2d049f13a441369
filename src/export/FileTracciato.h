#pragma once

#include <string>

#include "export/Records.h"
#include "export/Riepilogo.h"
#include "export/UnitaFormMain.h"
#include "storico/Storico.h"

// Every file a run leaves in the output folder, once: in the order the run names them, moves the
// previous ones into the history and reads them back.
struct FileTracciato {
    std::string UnitaFormMain::*sFile;
    const char* nome;
    PrecisioneTimbro timbro; // of its history copy's name
    // The record layout of a file sent to the region; none for the services left out and the report.
    const TracciatoRecord* tracciato;
    // Written line by line while the run lasts; the claim report is written whole at its end.
    bool bPerRiga = true;
};

inline constexpr FileTracciato kFileTracciato[] = {
    { &UnitaFormMain::sFileBilsalu, kTracciatoBilsalu.nome, PrecisioneTimbro::Minuto, &kTracciatoBilsalu },
    { &UnitaFormMain::sFileAccessi, kTracciatoAccessi.nome, PrecisioneTimbro::Secondo, &kTracciatoAccessi },
    { &UnitaFormMain::sFilePpip, kTracciatoPpip.nome, PrecisioneTimbro::Secondo, &kTracciatoPpip },
    { &UnitaFormMain::sFileVaccini, kTracciatoVaccini.nome, PrecisioneTimbro::Secondo, &kTracciatoVaccini },
    { &UnitaFormMain::sFileSconosciuti, "trx_sconosciuti.txt", PrecisioneTimbro::Secondo, nullptr },
    { &UnitaFormMain::sFileRiepilogo, kFileRiepilogo, PrecisioneTimbro::Secondo, nullptr, false },
};
