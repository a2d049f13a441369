#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/EsitoTracciato.h"
#include "export/Records.h"
#include "export/UnitaFormMain.h"

// The region reads the export files by position and pays what it can read. After the run the
// files are read back, record by record, and every fault is named in the summary before they are
// sent; their bytes stay as written, and the doctor decides knowing what is in them.

enum class Difetto {
    Larghezza, // not the layout's width: a field grew and shifted the ones after it
    CodiceFiscaleVuoto,
    DataNonValida, // not DD/MM/YYYY, or a day no calendar has
    DataFuoriPeriodo,
    NumeroNonValido, // the count is not a number of at least 1
};
inline constexpr std::size_t kDifetti = 5;
using Difetti = std::bitset<kDifetti>;

// The dates the doctor chose, both included.
struct Periodo {
    std::chrono::year_month_day dallaData;
    std::chrono::year_month_day allaData;

    bool comprende(std::chrono::year_month_day data) const { return data >= dallaData && data <= allaData; }
};

// The faults of one record, without its line end. A record of another width has that fault
// alone: its fields no longer stand where the layout puts them.
Difetti difettiRecord(std::string_view record, const TracciatoRecord& tracciato, const Periodo& periodo);

// Reads the file piece by piece and hands every line to suRiga, until it answers false: the
// record when it has the layout's width and ends in CR LF, nothing when it does not (a last line
// without its line end included). False when the file cannot be read.
bool scorriRecord(const std::string& sFile, std::size_t larghezza,
    const std::function<bool(std::optional<std::string_view>)>& suRiga);

// The field's digits as a number; nothing when any of them is not a digit (a blank included).
std::optional<unsigned> cifre(std::string_view campo);

// DD/MM/YYYY of a day the calendar has, as the records and the register of exports write it;
// nothing otherwise.
std::optional<std::chrono::year_month_day> dataDelCampo(std::string_view campo);

// The date of a record of the layout's width; nothing when it is not a day of the calendar.
std::optional<std::chrono::year_month_day> dataDelRecord(std::string_view record, const TracciatoRecord& tracciato);

struct RigheDifettose {
    struct Righe {
        std::int32_t n = 0;
        std::vector<std::int32_t> prime; // the line numbers, from 1, of the first three
    };
    std::int32_t n = 0; // lines with at least one fault
    std::array<Righe, kDifetti> perDifetto;
    std::int32_t righe = 0; // every line of the file, what the region receives
    std::int64_t prestazioni = 0; // the sum of the counts that can be read

    // Counts the next line of the file: the record when it has the layout's width, else nothing.
    void aggiungi(std::optional<std::string_view> record, const TracciatoRecord& tracciato, const Periodo& periodo);
};

// The faulty records of the file, each ending in CR LF; a last record without its line end is
// not of the layout's width. A file that cannot be read has none.
RigheDifettose righeDifettose(const std::string& sFile, const TracciatoRecord& tracciato, const Periodo& periodo);

// The summary's "ATTENZIONE: " line for one file; the empty text when every record is sound.
std::string avvisoRecord(const TracciatoRecord& tracciato, const RigheDifettose& righe);

struct ContenutoTracciato;

// The fixed-width files of the run (BILSALU.DAT, ACCESSI.DAT, PPIP.DAT and VACCINI.DAT) as read
// back once, for the summary: a warning per file whose records are not all sound, and what each
// file written holds, its lines and, where records carry a count, the services.
struct ControlloTracciato {
    std::vector<AvvisoTracciato> avvisi;
    std::string conteggi;
};
ControlloTracciato controllaTracciato(const ContenutoTracciato& contenuto);
