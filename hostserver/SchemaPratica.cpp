#include "hostserver/SchemaPratica.h"

#include <string>

#include "hostserver/Sqlite.h"
#include "platform/FileSistema.h"

namespace hostserver {
namespace {

constexpr std::string_view kSchema = R"sql(CREATE TABLE utenti (
  nome_utente      TEXT PRIMARY KEY,   -- user name typed at sign-in (compared exactly)
  password         TEXT NOT NULL,      -- compared exactly
  userid_utente    TEXT NOT NULL,      -- leggi_attributo("userid_utente"); the doctor code of the patients
  tipo_orva        TEXT,               -- leggi_attributo("mmg\tipo_orva"); "T" = titular doctor
  codice_regionale TEXT,               -- leggi_attributo("mmg\codice_regionale")
  contratto        TEXT                -- get_opzione("utente", "contratto"): "MMG" or "PLS"
);
CREATE TABLE pazienti (
  io_id_paziente      TEXT PRIMARY KEY,
  codice_medico       TEXT NOT NULL,
  tipo_di_convenzione TEXT NOT NULL DEFAULT 'S',
  cognome             TEXT NOT NULL,
  nome                TEXT NOT NULL,
  codice_fiscale      TEXT            -- leggi_attributo("codice_fiscale") on the current patient row
);
CREATE TABLE prestazioni_incentivanti (
  id               INTEGER PRIMARY KEY,
  io_id_paziente   TEXT NOT NULL,
  codice_ov_pip    TEXT,
  nome_prestazione TEXT,
  data_esecuzione  TEXT NOT NULL      -- YYYY-MM-DD
);
CREATE TABLE accertamenti (
  id                  INTEGER PRIMARY KEY,
  io_id_paziente      TEXT NOT NULL,
  codice_accertamento TEXT NOT NULL,
  data_esecuzione     TEXT NOT NULL,  -- YYYY-MM-DD
  risultato           TEXT            -- NULL or empty: no result
);
CREATE TABLE guasti (                 -- optional scripted faults, for tests
  metodo    TEXT NOT NULL,
  argomento TEXT,
  errore    TEXT,
  risposta  TEXT,
  occupato_secondi INTEGER,           -- busy: every call refused for this long, from the first that meets the row
  chiuso_dopo      INTEGER,           -- gone: at the call that meets the row after this many did
  filtro           TEXT               -- busy, served in a process of its own: the calls refused by its message
                                      -- filter, 'RETRYLATER' or 'REJECTED'; else each answers with the busy code
);
)sql";

} // namespace

std::string_view sqlSchemaPratica()
{
    return kSchema;
}

void creaSchema(sqlite3* db)
{
    // One savepoint makes the tables appear together, inside or outside a caller's transaction.
    eseguiSql(db, "SAVEPOINT schema_pratica");
    try {
        eseguiSql(db, std::string(kSchema).c_str());
    } catch (const ErroreSqlite&) {
        sqlite3_exec(db, "ROLLBACK TO schema_pratica; RELEASE schema_pratica", nullptr, nullptr, nullptr);
        throw;
    }
    eseguiSql(db, "RELEASE schema_pratica");
}

void creaPraticaVuota(const std::filesystem::path& percorso)
{
    // A journal left beside an old file would be replayed into the new one.
    for (const char* suffisso : { "", "-journal", "-wal", "-shm" })
        std::filesystem::remove(std::filesystem::path(percorso) += suffisso);
    DatabaseSqlite db(platform::percorsoUtf8(percorso), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // A new file that a crash leaves half made is simply made again.
    db.esegui("PRAGMA synchronous = OFF");
    creaSchema(db.get());
}

} // namespace hostserver
