#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <sqlite3.h>

namespace hostserver {

// A failed SQLite call, with SQLite's own message and result code.
class ErroreSqlite : public std::runtime_error {
public:
    explicit ErroreSqlite(const std::string& messaggio, int codice = SQLITE_ERROR)
        : std::runtime_error(messaggio)
        , codice_(codice)
    {
    }
    int codice() const { return codice_; }
    // Another connection holds a lock that SQLite waited for in vain.
    bool occupato() const { return (codice_ & 0xFF) == SQLITE_BUSY; }

private:
    int codice_;
};

// Runs statements that carry no data of their own (schema, pragmas, transactions);
// throws ErroreSqlite on failure.
void eseguiSql(sqlite3* db, const char* sql);

// One open database connection, closed when the object goes.
class DatabaseSqlite {
public:
    // Opens percorso (UTF-8) with the SQLITE_OPEN_* flags; throws ErroreSqlite on failure.
    // A statement waits up to attesaOccupato for another connection's lock before failing as busy.
    DatabaseSqlite(
        const std::string& percorso, int flag, std::chrono::milliseconds attesaOccupato = std::chrono::seconds(5));

    sqlite3* get() const { return db_.get(); }

    void esegui(const char* sql) { eseguiSql(db_.get(), sql); }

    // True when the schema holds a table of that name.
    bool haTabella(std::string_view nome);

private:
    struct Chiusura {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Chiusura> db_;
};

// One prepared statement; values go in through bound parameters only.
class IstruzioneSqlite {
public:
    IstruzioneSqlite(sqlite3* db, std::string_view sql);

    // Parameters are numbered from 1, as SQLite numbers them.
    void lega(int indice, std::string_view testo);
    void lega(int indice, std::int64_t numero);
    void legaNull(int indice);
    // An absent value is bound as NULL.
    void legaFacoltativo(int indice, const std::optional<std::string>& testo);

    // Advances to the next row: true when there is one, false when the statement is done.
    bool passo();
    // Back to the start, with every parameter cleared.
    void azzera();

    int colonne() const;
    bool nullo(int colonna) const;
    // The column as UTF-8 text, empty for NULL; valid until the next passo() or azzera().
    std::string_view testo(int colonna) const;
    std::int64_t intero(int colonna) const;

private:
    void verifica(int esito) const;

    struct Finalizzazione {
        void operator()(sqlite3_stmt* istruzione) const { sqlite3_finalize(istruzione); }
    };
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalizzazione> istruzione_;
};

// Resets a statement that is kept between calls, on entry and on every way out, so that no
// read transaction outlives its use.
class UsoIstruzione {
public:
    explicit UsoIstruzione(IstruzioneSqlite& istruzione)
        : istruzione_(istruzione)
    {
        istruzione_.azzera();
    }
    ~UsoIstruzione() { istruzione_.azzera(); }
    UsoIstruzione(const UsoIstruzione&) = delete;
    UsoIstruzione& operator=(const UsoIstruzione&) = delete;

private:
    IstruzioneSqlite& istruzione_;
};

} // namespace hostserver
