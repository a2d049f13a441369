#pragma once

#include <filesystem>
#include <string_view>

#include <sqlite3.h>

namespace hostserver {

// The practice database's schema, as outside tools and tests write it. Fixed: keep it exactly.
std::string_view sqlSchemaPratica();

// Creates the tables of the schema in an open, empty database.
void creaSchema(sqlite3* db);

// Creates a new database at percorso holding the schema and no rows; an existing file is replaced.
void creaPraticaVuota(const std::filesystem::path& percorso);

} // namespace hostserver
