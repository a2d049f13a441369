#include "hostserver/Sqlite.h"

namespace hostserver {

void eseguiSql(sqlite3* db, const char* sql)
{
    char* messaggio = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &messaggio) != SQLITE_OK) {
        std::string testo = messaggio ? messaggio : sqlite3_errmsg(db);
        sqlite3_free(messaggio);
        throw ErroreSqlite(testo, sqlite3_extended_errcode(db));
    }
}

DatabaseSqlite::DatabaseSqlite(const std::string& percorso, int flag, std::chrono::milliseconds attesaOccupato)
{
    sqlite3* db = nullptr;
    const int esito = sqlite3_open_v2(percorso.c_str(), &db, flag, nullptr);
    db_.reset(db);
    if (esito != SQLITE_OK) {
        throw ErroreSqlite(db ? sqlite3_errmsg(db) : sqlite3_errstr(esito), esito);
    }
    sqlite3_extended_result_codes(db, 1);
    // Another program writing the practice holds it only for a moment: wait instead of failing.
    sqlite3_busy_timeout(db, static_cast<int>(attesaOccupato.count()));
}

bool DatabaseSqlite::haTabella(std::string_view nome)
{
    IstruzioneSqlite cerca(db_.get(), "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    cerca.lega(1, nome);
    return cerca.passo();
}

IstruzioneSqlite::IstruzioneSqlite(sqlite3* db, std::string_view sql)
    : db_(db)
{
    sqlite3_stmt* istruzione = nullptr;
    const int esito = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &istruzione, nullptr);
    istruzione_.reset(istruzione);
    verifica(esito);
}

void IstruzioneSqlite::lega(int indice, std::string_view testo)
{
    // SQLite binds a null pointer as NULL: an empty view must stay the empty text.
    const char* caratteri = testo.data() ? testo.data() : "";
    verifica(sqlite3_bind_text64(istruzione_.get(), indice, caratteri, testo.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

void IstruzioneSqlite::lega(int indice, std::int64_t numero)
{
    verifica(sqlite3_bind_int64(istruzione_.get(), indice, numero));
}

void IstruzioneSqlite::legaNull(int indice)
{
    verifica(sqlite3_bind_null(istruzione_.get(), indice));
}

void IstruzioneSqlite::legaFacoltativo(int indice, const std::optional<std::string>& testo)
{
    if (testo)
        lega(indice, *testo);
    else
        legaNull(indice);
}

bool IstruzioneSqlite::passo()
{
    const int esito = sqlite3_step(istruzione_.get());
    if (esito == SQLITE_ROW)
        return true;
    if (esito == SQLITE_DONE)
        return false;
    verifica(esito);
    return false;
}

void IstruzioneSqlite::azzera()
{
    sqlite3_reset(istruzione_.get());
    sqlite3_clear_bindings(istruzione_.get());
}

bool IstruzioneSqlite::nullo(int colonna) const
{
    return sqlite3_column_type(istruzione_.get(), colonna) == SQLITE_NULL;
}

std::string_view IstruzioneSqlite::testo(int colonna) const
{
    const auto* caratteri = reinterpret_cast<const char*>(sqlite3_column_text(istruzione_.get(), colonna));
    if (!caratteri)
        return {};
    return { caratteri, static_cast<size_t>(sqlite3_column_bytes(istruzione_.get(), colonna)) };
}

int IstruzioneSqlite::colonne() const
{
    return sqlite3_column_count(istruzione_.get());
}

std::int64_t IstruzioneSqlite::intero(int colonna) const
{
    return sqlite3_column_int64(istruzione_.get(), colonna);
}

void IstruzioneSqlite::verifica(int esito) const
{
    if (esito != SQLITE_OK)
        throw ErroreSqlite(sqlite3_errmsg(db_), esito);
}

} // namespace hostserver
