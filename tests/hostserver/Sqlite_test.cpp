#include "hostserver/Sqlite.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using hostserver::DatabaseSqlite;
using hostserver::ErroreSqlite;
using hostserver::IstruzioneSqlite;

class SqliteTest : public ::testing::Test {
protected:
    DatabaseSqlite db { ":memory:", SQLITE_OPEN_READWRITE };
};

TEST_F(SqliteTest, TestoVuotoENullRestanoDistinti)
{
    IstruzioneSqlite tipi(db.get(), "SELECT typeof(?1), typeof(?2), typeof(?3), typeof(?4)");
    tipi.lega(1, std::string_view());
    tipi.legaNull(2);
    tipi.legaFacoltativo(3, std::string());
    tipi.legaFacoltativo(4, std::nullopt);
    ASSERT_TRUE(tipi.passo());
    EXPECT_EQ(tipi.testo(0), "text") << "una vista vuota non diventa NULL";
    EXPECT_EQ(tipi.testo(1), "null");
    EXPECT_EQ(tipi.testo(2), "text");
    EXPECT_EQ(tipi.testo(3), "null");
    EXPECT_FALSE(tipi.passo());
}

TEST_F(SqliteTest, ITestiConNulArrivanoInteri)
{
    IstruzioneSqlite eco(db.get(), "SELECT ?1, ?2");
    const std::string conNul("a\0b", 3);
    eco.lega(1, conNul);
    eco.legaFacoltativo(2, std::nullopt);
    ASSERT_TRUE(eco.passo());
    EXPECT_EQ(eco.testo(0), conNul);
    EXPECT_TRUE(eco.nullo(1));
    EXPECT_EQ(eco.testo(1), "");
}

TEST_F(SqliteTest, AzzeraRipartiConParametriPuliti)
{
    IstruzioneSqlite eco(db.get(), "SELECT ?1");
    eco.lega(1, std::int64_t { 42 });
    ASSERT_TRUE(eco.passo());
    EXPECT_EQ(eco.intero(0), 42);
    eco.azzera();
    ASSERT_TRUE(eco.passo());
    EXPECT_TRUE(eco.nullo(0));
}

TEST_F(SqliteTest, GliErroriPortanoIlMessaggioDiSqlite)
{
    try {
        IstruzioneSqlite(db.get(), "SELECT * FROM mancante");
        FAIL() << "nessun errore";
    } catch (const ErroreSqlite& errore) {
        EXPECT_STREQ(errore.what(), "no such table: mancante");
    }
    db.esegui("CREATE TABLE t (x TEXT NOT NULL)");
    IstruzioneSqlite inserisci(db.get(), "INSERT INTO t VALUES (?1)");
    EXPECT_THROW(inserisci.passo(), ErroreSqlite) << "NOT NULL violato";
    EXPECT_TRUE(db.haTabella("t"));
    EXPECT_FALSE(db.haTabella("T_mancante"));
    EXPECT_THROW(db.esegui("CREATE TABLE t (y)"), ErroreSqlite);
}

TEST(SqliteAperturaTest, InSolaLetturaUnFileMancanteNonSiCrea)
{
    testing_support::TempDir cartella;
    const auto percorso = cartella / "manca.sqlite";
    EXPECT_THROW(DatabaseSqlite(percorso.string(), SQLITE_OPEN_READONLY), ErroreSqlite);
    EXPECT_FALSE(std::filesystem::exists(percorso));
}

} // namespace
