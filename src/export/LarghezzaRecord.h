#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/UnitaFormMain.h"

// The region reads the export files by position: a record longer or shorter than its layout
// (a fiscal code of 17 characters, a count of five digits in ACCESSI.DAT) shifts every field
// after it. The run reads its files back to tell the doctor before they are sent.

struct RigheFuoriMisura {
    std::int32_t n = 0;
    std::vector<std::int32_t> prime; // the line numbers, from 1, of the first three
};

// The records of the file, each ending in CR LF, that are not exactly larghezza characters before
// it; a last record without its line end is one of them. A file that cannot be read has none.
RigheFuoriMisura righeFuoriMisura(const std::string& sFile, std::size_t larghezza);

// The summary's "ATTENZIONE: " line for one file; the empty text when every record fits.
std::string avvisoLarghezza(const std::string& nomeFile, std::size_t larghezza, const RigheFuoriMisura& righe);

// The warnings for the fixed-width files of the run (BILSALU.DAT, ACCESSI.DAT, PPIP.DAT and
// VACCINI.DAT), to go at the end of the summary; the empty text when every record fits.
std::string avvisiLarghezza(const UnitaFormMain& unita);
