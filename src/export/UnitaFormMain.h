#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "export/ElencoDuplicati.h"
#include "host/DocumentoXml.h"
#include "host/tc_Orvapat.h"

// The process-wide state of the main window's unit, gathered in one place. Main-window creation
// sets the folders and the document, session opening the session and the patient count, the
// export run the output paths, the counters and the duplicate list.
struct UnitaFormMain {
    std::string sDirOutput; // Desktop + "/KARV (ADI-PPiP)/"
    std::string sDirStorico; // sDirOutput + "storico/"
    std::string sFileLog; // sDirOutput + "karv_log.txt"
    std::unique_ptr<DocumentoXml> oXmlDoc;
    std::unique_ptr<Torvapat> oOrvapat;
    std::int32_t nPazienti = 0;

    std::string sFileBilsalu;
    std::string sFileAccessi;
    std::string sFilePpip;
    std::string sFileVaccini;
    std::string sFileSconosciuti;
    std::string sFileRiepilogo; // the claim report, beside the files

    std::int32_t nRighe = 0;
    std::int32_t nScartate = 0;
    ElencoDuplicati elencoDuplicati;

    // True while an export run is under way: a second press is ignored and the window puts off
    // a close request until the run has ended.
    bool bEsportazioneInCorso = false;
};

// The one instance, alive for the whole program.
UnitaFormMain& unitaFormMain();
