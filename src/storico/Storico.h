#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

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

struct FileDaSpostare {
    std::string sFile;
    PrecisioneTimbro precisione; // of its history name's stamp
};

enum class EsitoSpostamento {
    Spostati, // every file there was is in the history folder, and gone from its place
    NonSpostabile, // one could not be moved: nothing was copied
    CopiaFallita, // a copy failed: the copies made are removed, every file stays
    EliminazioneFallita, // a deletion failed: the files deleted are back, the copies removed
};

struct Spostamento {
    EsitoSpostamento esito;
    std::string sFile; // the file that stopped the move
    std::string motivo; // why, in the words of a failed write
    // The files that could not be put back after a failed deletion, each with its history copy.
    std::vector<std::pair<std::string, std::string>> nonRipristinati;
};

// Moves the previous export files there are into sDirStorico, each as stamp + "_" + its name,
// making the folder first when it is missing; all of them or none, so that the folder holds one
// export, old or new. Every file is first checked to be movable (another program may hold it),
// then all are copied, and each is deleted only once its copy has been read back whole. A failure
// midway puts back what had moved and removes this call's copies: the history never holds a copy
// of a move that failed, and the next one makes no " (2)" name for it.
Spostamento spostaInStorico(const std::vector<FileDaSpostare>& file, const std::string& sDirStorico);

// The "ERRORE:" message for a move that failed, naming the file, the cause and what to do; the
// empty text for one that succeeded.
std::string messaggioStorico(const Spostamento& spostamento);
