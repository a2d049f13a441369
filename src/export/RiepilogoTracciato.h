#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "export/BilanciSalute.h"
#include "export/EsitoTracciato.h"
#include "export/UnitaFormMain.h"

// The first line's words for a run whose host calls failed, before the calls' names.
inline constexpr const char* kChiamateNonRiuscite = "Operazione non completata: chiamate a Orvella non riuscite: ";

// A run that stopped where the host went away, as its summary tells it.
struct Interruzione {
    // The previous files were moved aside: those in the folder now are the run's.
    bool bFileSpostati = false;
    // The patients whose health checks are missing, from the first not written to the last of
    // the list; fermoAlPaziente 0 when none is.
    BilanciTralasciati tralasciati;
    std::int32_t nPazienti = 0;
};

// How the run went, from the files that exist now: the outcome's first line, the files made or
// not and the services left out. nNonRiuscite failed writes make the first line say that the
// export is not complete and add their warning; nonScritti tells each file's records that did not
// go in. Host calls of the run that failed, named in sChiamateNonRiuscite
// (Torvapat::chiamateNonRiusciteDa), make the first line say so too. A run cut short by the host
// names what it wrote before the stop, with what the files lack, and the files never reached:
// nothing of it reads as an empty period.
EsitoTracciato riepilogoTracciato(const UnitaFormMain& unita, const std::string& sContratto, std::int32_t nNonRiuscite,
    const std::function<std::int32_t(const std::string&)>& nonScritti = {},
    const std::string& sChiamateNonRiuscite = {}, const Interruzione* interruzione = nullptr);

// The warnings that head the summary: host calls that failed during the run, health checks left
// out of BILSALU.DAT, and a contract type that lets no service through (none for a contract the
// host never gave, having gone before).
std::vector<AvvisoTracciato> avvisiTracciato(std::int32_t nChiamateNonRiuscite, const BilanciTralasciati& tralasciati,
    const std::optional<std::string>& sContratto);
