#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "export/EsitoTracciato.h"
#include "storico/RegistroEsportazioni.h"
#include "platform/Clock.h"

// A month never exported is a month never paid, and the region takes the files by a deadline.
// From the register of exports, the window says at start when the last export was made, and
// names the months among the last twelve that no finished run covered; a run's summary names them
// too until one covers them.

// The months of the twelve before the current one not covered day by day by the periods of the
// runs that finished (completata, nessuna prestazione), in order. A month wholly before the first
// period the register holds is not judged: the register did not run then.
std::vector<std::chrono::year_month> mesiNonEsportati(
    const std::vector<VoceRegistro>& voci, std::chrono::year_month meseCorrente);

// The lines for the window at start: the last export, its period and outcome; from when the
// register runs, when that leaves months of the twelve unjudged; and the months not exported.
std::vector<std::string> righeRegistro(const std::vector<VoceRegistro>& voci, platform::LocalTime adesso);

// The same lines from the register in the history folder (with its trailing separator), joined
// by CR LF, for the summary pane; the empty text when there is no history folder.
std::string testoRegistro(const std::string& sDirStorico, platform::LocalTime adesso);

// The months not exported as a warning heading a run's summary, read once the run's own line is
// in the register; the empty warning when every month judged was exported.
AvvisoTracciato avvisoMesiNonEsportati(const std::string& sDirStorico, platform::LocalTime adesso);
