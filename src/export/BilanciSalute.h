#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "export/FileExport.h"
#include "export/Progresso.h"

class Torvapat;

// What the health-check walk needs of the main window's unit and of the window.
struct ContestoBilanci {
    Torvapat& oOrvapat;
    std::int32_t nPazienti; // rows of the patient list loaded in the session
    const std::string& sFileBilsalu;
    const RunLog& log;
    // Sets lblLog and lets the window breathe: on a time slice of the walk, and at its end.
    Progresso::Mostra progresso;
};

// The ten health-check codes; a code's codice bilancio is its 1-based place in this text.
inline constexpr const char* kCodiciBilancio = "3522 3523 3524 3526 3527 4145 4137 4123 4130 4148";

// The host filter of one patient's health-check results in the period.
std::string filtroBilanci(const std::string& sDallaData, const std::string& sAllaData);

// The health checks of a walk that got no line: a line without the patient's fiscal code or
// the examination's date would be read by the region as nobody's, or as of no day.
struct BilanciTralasciati {
    std::int32_t senzaCodiceFiscale = 0; // checks of patients whose fiscal code came back empty or blank
    std::int32_t senzaData = 0; // checks whose date came back empty or blank
    // The patient (from 1) at which the host went away and the walk stopped: the checks from
    // that patient on were not all read. 0 when the walk went through.
    std::int32_t fermoAlPaziente = 0;
};

// Walks nPazienti rows of the session's patient list and appends one BILSALU.DAT line per
// health-check result. A failure while a patient is handled is shown and the walk goes on; a
// host that went away stops it at that patient.
BilanciTralasciati faiSingoloPaziente(const ContestoBilanci& contesto, const std::string& sDallaData,
    const std::string& sAllaData, const std::string& sCodiceRegionale);

// The summary's "ATTENZIONE: " line for the checks left out; the empty text when there are none.
std::string avvisoBilanciTralasciati(const BilanciTralasciati& tralasciati);
