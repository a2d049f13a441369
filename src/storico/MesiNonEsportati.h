#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "export/EsitoTracciato.h"
#include "platform/Clock.h"
#include "storico/RegistroEsportazioni.h"

// A month never exported is a month never paid, and the region takes the files by a deadline.
// From the register of exports, the window says at start when the doctor's last export was made,
// and names the months among the last twelve that no finished run of the doctor covered; a run's
// summary names them too until one covers them. The doctor is the regional code of the lines:
// two doctors sharing a PC each see their own months.

// A line that counts as an export: a run that finished (completata, nessuna prestazione) for a
// contract that lets services through (MMG, PLS).
bool esportazioneConclusa(const VoceRegistro& voce);

// The days a concluded run covered: its period up to the day it was made, as a service is in the
// extract only once recorded. None when it covered no day.
struct GiorniCoperti {
    std::chrono::sys_days dal;
    std::chrono::sys_days al;
};
std::optional<GiorniCoperti> giorniCoperti(const VoceRegistro& voce);

// The doctor's months of the twelve before the current one that the concluded runs did not cover
// day by day, in order. The register runs from the doctor's first line: a month that ended before
// the day it was written is not judged, whatever was exported then.
std::vector<std::chrono::year_month> mesiNonEsportati(
    const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale, std::chrono::year_month meseCorrente);

// The lines for the window at start: the doctor's last export, its period and outcome; from when
// the register runs, when that leaves months of the twelve unjudged; and the months not exported.
std::vector<std::string> righeRegistro(
    const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale, platform::LocalTime adesso);

// The same lines from the register in the history folder (with its trailing separator), joined
// by CR LF, for the summary pane, once the lines waiting beside the register have been added to
// it where it can take them; the empty text when there is no history folder.
std::string testoRegistro(
    const std::string& sDirStorico, const std::string& sCodiceRegionale, platform::LocalTime adesso);

// The months not exported as a warning heading a run's summary, read once the run's own line is
// in the register or waits beside it; the empty warning when every month judged was exported.
AvvisoTracciato avvisoMesiNonEsportati(
    const std::string& sDirStorico, const std::string& sCodiceRegionale, platform::LocalTime adesso);

// The warning of a run whose period goes past the day it was made: the days after it are not in
// the files yet. The empty warning when the period has passed.
AvvisoTracciato avvisoGiorniNonCompresi(const Periodo& periodo, platform::LocalTime quando);
