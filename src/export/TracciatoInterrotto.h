#pragma once

#include <cstdint>
#include <string>

#include "export/BilanciSalute.h"
#include "export/EsitoTracciato.h"
#include "export/UnitaFormMain.h"

// The first line's words for a run whose host calls failed, before the calls' names.
inline constexpr const char* kChiamateNonRiuscite = "Operazione non completata: chiamate a Orvella non riuscite: ";

// The summary of a run that stopped where the host went away: the first line names the failed
// calls, then the run's files written before the stop with what they lack, and those never
// reached. Nothing of it reads as an empty period.
EsitoTracciato riepilogoInterrotto(const UnitaFormMain& unita, const std::string& sContratto,
    const std::string& sChiamateNonRiuscite, const BilanciTralasciati& tralasciati, std::int32_t nPazienti);
