#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <sqlite3.h>

#include "hostserver/Sqlite.h"

namespace hostserver {

// One row of the table accertamenti (UTF-8; NULL read as the empty text).
struct Accertamento {
    std::int64_t id = 0;
    std::string codice;
    std::string data;
    std::string risultato;
};

// The examinations of each patient. The fixed schema has no index on the patient, so a query
// per patient would scan the whole table every time; instead the row ids are grouped by patient
// once, and again whenever another connection has changed the database.
class ArchivioAccertamenti {
public:
    explicit ArchivioAccertamenti(sqlite3* db);

    // The patient's examinations in id order.
    std::vector<Accertamento> delPaziente(const std::string& idPaziente);

private:
    void aggiorna();

    IstruzioneSqlite versione_;
    IstruzioneSqlite elenco_;
    IstruzioneSqlite riga_;
    std::optional<std::int64_t> versioneLetta_;
    std::unordered_map<std::string, std::vector<std::int64_t>> idPerPaziente_;
};

} // namespace hostserver
