#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "export/ElencoDuplicati.h"
#include "export/FileExport.h"
#include "export/Progresso.h"
#include "export/TabellaCodici.h"
#include "host/DocumentoXml.h"

// What the classification of one patient reads and updates during an export run.
struct ContestoClassificazione {
    const DocumentoXml& oXmlDoc;
    const TabellaCodici& tabella;
    const RunLog& log; // suLog
    const std::string& sFileAccessi;
    const std::string& sFilePpip;
    const std::string& sFileVaccini;
    const std::string& sFileSconosciuti;
    std::int32_t& nRighe;
    std::int32_t& nScartate;
    ElencoDuplicati& elencoDuplicati;
    std::function<bool()> chkVacc; // read afresh for every service; none reads as checked, the default
    Progresso progresso; // the count of known services on the status label; the default shows none
};

// Where a known service goes once neither the claim rule nor the duplicate rule discarded it,
// from its row's TIPO and VACCINO and the vaccination check box.
enum class Instradamento { Accessi, Ppip, Vaccini, DaEscludere, InAttesaDiChiarimento, Nessuno };
Instradamento instradamento(const std::string& tipo, const std::string& vaccino, bool bChkVacc);

// Classifies every service of the patient into ACCESSI.DAT, PPIP.DAT, VACCINI.DAT or
// trx_sconosciuti.txt, in document order.
void faiPrestazioniPaziente(ContestoClassificazione& contesto, const std::string& sCodiceRegionale,
    const std::string& idPaziente, const std::string& sContratto);

// After the last patient: the label shows the count of the last known service.
void concludiProgresso(ContestoClassificazione& contesto);
