#include "hostserver/ArchivioAccertamenti.h"

namespace hostserver {

ArchivioAccertamenti::ArchivioAccertamenti(sqlite3* db)
    : versione_(db, "PRAGMA data_version")
    , elenco_(db, "SELECT io_id_paziente, id FROM accertamenti ORDER BY id")
    , riga_(db, "SELECT id, codice_accertamento, data_esecuzione, risultato FROM accertamenti WHERE id = ?1")
{
}

void ArchivioAccertamenti::aggiorna()
{
    std::int64_t versione = 0;
    {
        UsoIstruzione uso(versione_);
        if (versione_.passo())
            versione = versione_.intero(0);
    }
    if (versioneLetta_ == versione)
        return;
    idPerPaziente_.clear();
    UsoIstruzione uso(elenco_);
    while (elenco_.passo())
        idPerPaziente_[std::string(elenco_.testo(0))].push_back(elenco_.intero(1));
    versioneLetta_ = versione;
}

std::vector<Accertamento> ArchivioAccertamenti::delPaziente(const std::string& idPaziente)
{
    aggiorna();
    std::vector<Accertamento> righe;
    const auto trovato = idPerPaziente_.find(idPaziente);
    if (trovato == idPerPaziente_.end())
        return righe;
    for (const std::int64_t id : trovato->second) {
        UsoIstruzione uso(riga_);
        riga_.lega(1, id);
        // A row deleted since the grouping is simply gone.
        if (riga_.passo()) {
            righe.push_back({ riga_.intero(0), std::string(riga_.testo(1)), std::string(riga_.testo(2)),
                std::string(riga_.testo(3)) });
        }
    }
    return righe;
}

} // namespace hostserver
