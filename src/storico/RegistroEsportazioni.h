#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/ContenutoTracciato.h"
#include "export/ControlloRecord.h"
#include "platform/Clock.h"

// The register of exports: storico/registro_esportazioni.csv, one line for every run that moved
// the previous files, so that what was claimed for which period, and how each run ended, can be
// read without opening every report. Windows-1252, semicolons and CR LF, as an Italian
// spreadsheet opens it. Counts only: nothing of a patient goes in.

inline constexpr const char* kFileRegistro = "registro_esportazioni.csv";
// Beside it, the lines the register could not take when their run ended (a spreadsheet held it,
// the disk was full), in the same form without a header, until a run or a start can add them.
inline constexpr const char* kFileRegistroInAttesa = "registro_esportazioni_in_attesa.csv";

enum class EsitoRegistro { Completata, NonCompletata, Interrotta, NessunaPrestazione };

// The register's word for the outcome: "completata", "non completata", "interrotta",
// "nessuna prestazione".
const char* testoEsito(EsitoRegistro esito);

// How a run ended, as the register says it: a run cut short where the host went away is
// interrotta, one whose summary does not open with "Operazione completata." is non completata,
// and a complete one whose files hold no line is nessuna prestazione.
EsitoRegistro esitoRegistro(bool bInterrotta, const std::string& sPrimaRiga, const ContenutoTracciato& contenuto);

struct ConteggioRegistro {
    bool scritto = false; // false: the run wrote no such file
    std::int32_t righe = 0;
    std::int64_t prestazioni = 0;
};

// The files in the register's column order.
inline constexpr const char* kFileRegistrati[] = { "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "BILSALU.DAT" };

struct VoceRegistro {
    platform::LocalTime quando; // when the export was made, to the second
    Periodo periodo;
    std::string sContratto;
    std::string sCodiceRegionale;
    EsitoRegistro esito = EsitoRegistro::Completata;
    std::array<ConteggioRegistro, std::size(kFileRegistrati)> file; // as kFileRegistrati
    std::int32_t nScartati = 0; // the services left out, as trx_sconosciuti.txt lists them
};

// The line of a run, its counts taken from the files read back.
VoceRegistro voceRegistro(platform::LocalTime quando, const Periodo& periodo, const std::string& sContratto,
    const std::string& sCodiceRegionale, EsitoRegistro esito, const ContenutoTracciato& contenuto);

// The register's path in the history folder (with its trailing separator).
std::string percorsoRegistro(const std::string& sDirStorico);

// The header row and a line as written, each ending in CR LF.
std::string intestazioneRegistro();
std::string rigaRegistro(const VoceRegistro& voce);

// What became of a run's line: both texts empty when it is in the register. Otherwise the
// summary's line that names the register and why it could not be written, and the box's line.
struct Registrazione {
    std::string riga;
    std::string breve;
};

// Appends the lines waiting beside the register, then the run's line, in one write, flushed, with
// the header when the file is new; a line left cut short before gets its line end first, so that
// this one stands on its own. Makes the history folder when it is missing. A register that cannot
// take them keeps the run's line waiting beside it, to be added at the next chance: a line is
// lost only when neither file can be written. It changes nothing else of the run.
Registrazione registraEsportazione(const std::string& sDirStorico, const VoceRegistro& voce);

// Adds the waiting lines, if any, to the register; they stay waiting when it still cannot take them.
void registraRigheInAttesa(const std::string& sDirStorico);

// The register's lines in the order written, then those waiting beside it that it does not hold
// yet. Whatever is not a whole line of the register (its header, a line cut short, a line changed
// by hand beyond reading) is skipped; a register missing or unreadable holds none.
std::vector<VoceRegistro> leggiRegistro(const std::string& sDirStorico);

// One line of text as the register writes it, without its line end; nothing when it is not one.
std::optional<VoceRegistro> leggiRigaRegistro(const std::string& riga);
