#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "export/ControlloRecord.h"
#include "platform/Clock.h"

// A period sent to the region twice is every service claimed twice. Before the previous files
// move into the history, the run looks for the chosen dates in what was exported before: the
// output folder's BILSALU.DAT, ACCESSI.DAT, PPIP.DAT and VACCINI.DAT, and the history's copies
// made since the period's first day, within the last twelve months.

// One earlier export that holds records dated in the period: the day it was made and its files.
struct EsportazionePrecedente {
    std::chrono::year_month_day giorno;
    std::vector<std::string> file; // BILSALU.DAT, ACCESSI.DAT, PPIP.DAT, VACCINI.DAT, in this order
};

// The earlier exports that hold dates of the period, by the day they were made. A file that
// cannot be read is left out: this never stops a run.
std::vector<EsportazionePrecedente> esportazioniPrecedenti(
    const std::string& sDirOutput, const std::string& sDirStorico, const Periodo& periodo, platform::LocalTime adesso);

// The summary's "ATTENZIONE: " paragraph and the box's line; empty when nothing was exported before.
AvvisoTracciato avvisoEsportazioniPrecedenti(
    const std::vector<EsportazionePrecedente>& precedenti, const Periodo& periodo);
