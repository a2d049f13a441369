#pragma once

#include <optional>
#include <string>

#include "platform/Clock.h"

// The history folder: at the start of each export run the previous export files move there
// under names stamped with their own last-write time.

enum class PrecisioneTimbro { Minuto, Secondo };

// "YYYY-MM-DD HH.MM", or "YYYY-MM-DD HH.MM.SS" with the seconds rounded down to an even number:
// the two-second resolution of the file times the history names were first made from.
std::string timbroStorico(platform::LocalTime istante, PrecisioneTimbro precisione);

// The file's last-write time in local time; nothing when it cannot be read.
std::optional<platform::LocalTime> ultimaScrittura(const std::string& sFile);

// The file's last-write time as the history name's stamp; the empty text when it cannot be read.
std::string timbroFile(const std::string& sFile, PrecisioneTimbro precisione);

// nome when no file of that name is in sDirStorico; otherwise the first free of nome with
// " (2)", " (3)", … before its extension. A history copy never replaces an older one.
std::string nomeLiberoStorico(const std::string& sDirStorico, const std::string& nome);

enum class EsitoStorico {
    Assente, // no previous file: nothing to do
    Spostato, // copied into the history folder and deleted
    CopiaFallita, // the file stays where it was, no history copy is left behind
    EliminazioneFallita, // the copy is in the history folder, but the file stays too
};

struct Storicizzazione {
    EsitoStorico esito;
    std::string motivo; // why the file could not be copied or deleted, in the words of a failed write
};

// Moves a previous export file, if there is one, into sDirStorico as stamp + "_" + its name,
// making the folder first when it is missing. The file is deleted only once its copy is read back
// whole. A file whose copy or deletion fails stays, so that the caller can stop before new records
// are appended to it; a copy that is not whole is removed.
Storicizzazione spostaInStorico(const std::string& sFile, const std::string& sDirStorico, PrecisioneTimbro precisione);

// The "ERRORE:" message for an outcome that keeps the file, with the cause when there is one; the
// empty text for the others.
std::string messaggioStorico(const Storicizzazione& storicizzazione, const std::string& sFile);
