#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/BilanciSalute.h"
#include "export/EsitoTracciato.h"
#include "export/FileExport.h"
#include "export/RiepilogoTracciato.h"
#include "export/TabellaCodici.h"
#include "export/UnitaFormMain.h"

// What the export run asks of the main window. The window owns the controls; the run only
// says what to show, so that it runs and is tested without one.
class FinestraTracciato {
public:
    virtual ~FinestraTracciato() = default;

    virtual void cursoreOccupato() = 0;
    virtual void cursoreNormale() = 0;
    virtual void nascondiMemo1() = 0;
    // Sets lblLog and repaints at once: the host call that follows blocks the window.
    virtual void scriviLblLog(const std::string& testo) = 0;
    // Sets the whole text of Memo1 and shows it over lblLog.
    virtual void mostraMemo1(const std::string& testo) = 0;
    // Read afresh for every service.
    virtual bool chkVacc() const = 0;
    // Sets lblLog, repaints it and lets pending events run: on a time slice of a long walk and at
    // its end, never per service or patient.
    virtual void progresso(const std::string& testoLblLog) = 0;
    // Ends the application at the next turn of the window loop, after the run has returned.
    virtual void richiediUscita() = 0;
    // Shows in lblLog that a busy host is waited for and lets pending events run, again and
    // again through the wait; the empty text puts back what lblLog said before.
    virtual void attesaOrvella(const std::string& testo) = 0;
};

// One "Crea Tracciato" run: previous files into the history folder, the host's extract of the
// period, health checks for a paediatrician, every patient of the extract classified once, the
// summary in Memo1 and the box that says how the run went. The cursor comes back and the extract
// file goes however the run ends; an error raised inside it ends the run and goes on to the caller.
// The host writes the extract into a private folder that the run makes under sDirTemporanea.
// Returns false, doing nothing, when a run is already under way.
bool creaTracciato(UnitaFormMain& unita, const TabellaCodici& tabella, const RunLog& log,
    std::chrono::year_month_day dallaData, std::chrono::year_month_day allaData, const std::string& sDirTemporanea,
    FinestraTracciato& finestra);

// Where debug mode keeps a copy of the extract.
std::string percorsoCopiaDebug(const std::string& sDirOutput);
