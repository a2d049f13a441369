#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "export/ContenutoTracciato.h"
#include "export/ControlloRecord.h"
#include "export/EsitoTracciato.h"
#include "storico/RegistroEsportazioni.h"

// A month whose files carry far fewer services than the months before is a month paid short
// without a word: a filter in Orvella, services recorded under another doctor, an extract cut
// short. Each file of a month's export is set beside the same file in the doctor's last finished
// exports of earlier months, as the register of exports holds them.

inline constexpr std::size_t kMesiConfrontati = 3;

struct ConfrontoFile {
    const char* nome; // as kFileRegistrati names it
    std::int64_t prestazioni = 0; // the run's
    std::vector<std::int64_t> precedenti; // month by month, as ConfrontoMesi::mesi
    bool scarso = false; // fewer than half the median of the months before, two of them at least
};

struct ConfrontoMesi {
    std::chrono::year_month mese {}; // the run's
    // The latest months before the run's that a finished export of the doctor covered whole (made
    // after the month's end), latest first.
    std::vector<std::chrono::year_month> mesi;
    // The files with services in the run or in any of those months, in the register's order.
    std::vector<ConfrontoFile> file;
};

// The run's files against the months before, from the register's lines before the run's own. No
// month to compare with when the period is not one whole calendar month: a fortnight is not
// short of a month.
ConfrontoMesi confrontaMesi(const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale,
    const Periodo& periodo, const ContenutoTracciato& contenuto);

// Adds to the outcome a line per file after the files' contents, and a warning for each file
// that falls short; nothing when there is no month to compare with.
void aggiungiConfronto(EsitoTracciato& esito, const ConfrontoMesi& confronto);
