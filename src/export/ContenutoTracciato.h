#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/ControlloRecord.h"
#include "export/Records.h"
#include "export/TabellaCodici.h"
#include "export/UnitaFormMain.h"

// What the export claims, read back from the files written, so that the claim report shows what
// the region receives and not what the run meant to write: per file, each service type with its
// services and patients, and every record; and the services left out, grouped, with the reason.

struct ServizioDichiarato {
    std::string codice; // the regional code as the records write it
    std::string nome; // from the code table; several names when the code stands for several services
    std::int64_t prestazioni = 0; // the counts added up; one per line where records carry none
    std::int32_t pazienti = 0; // distinct fiscal codes
    std::int32_t righe = 0;
};

// One record as the region reads it, its fields cut at their places.
struct RecordDichiarato {
    std::string codiceFiscale;
    std::string data;
    std::string codice;
    std::string numero; // empty where records carry no count
};

struct FileDichiarato {
    const TracciatoRecord* tracciato = nullptr;
    std::vector<ServizioDichiarato> servizi; // by regional code
    // Its prestazioni and righe are the sums of the services' (the lines of another width are
    // counted apart); its pazienti are the file's distinct patients.
    ServizioDichiarato totale;
    std::int32_t righeNonConformi = 0; // lines of another width, whose fields cannot be read
    std::vector<RecordDichiarato> record;
    RigheDifettose difetti; // the record check, from the same reading
};

struct ServizioScartato {
    std::string nome;
    std::string codice; // Orvella's own
    std::string motivo;
    std::int32_t n = 0;
};

struct ContenutoTracciato {
    std::vector<FileDichiarato> file; // BILSALU.DAT, ACCESSI.DAT, PPIP.DAT, VACCINI.DAT: those written
    std::vector<ServizioScartato> scartati; // by reason, then name and code
    std::int32_t nScartati = 0;
};

// Reads the run's files as they are now, once: what they claim and the faults of their records
// against the period. A file that is missing or cannot be read is left out.
ContenutoTracciato leggiContenutoTracciato(
    const UnitaFormMain& unita, const TabellaCodici& tabella, const std::string& sContratto, const Periodo& periodo);

// The name of a health check from its code in BILSALU.DAT.
std::string nomeBilancio(const std::string& codice);
