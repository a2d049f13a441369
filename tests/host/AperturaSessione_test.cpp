#include "host/AperturaSessione.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ScriptedAutomation.h"
#include "support/TestSupport.h"
#include "tools/tc_GenTools.h"

using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::ScriptedAutomation;
using testing_support::TempDir;
using Righe = std::vector<std::string>;

namespace {

const std::string kPassword = "Segreta!77";
const char* const kNessunPaziente = "ERRORE: Nessun paziente associato al medico corrente.";
const char* const kNonTitolare = "ERRORE: La procedura riservata ai soli medici titolari.";
const char* const kCodiceRegionale
    = "ERRORE: Il campo obbligatorio \"Codice Regionale\" medico non \xE8 stato valorizzato in Orvella.";

std::string fileRegistro(const std::string& valore)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\r\n" + valore
        + "\r\n";
}

// A host that knows a titular doctor with patients and a regional code; tests spoil one answer.
class AperturaSessioneTest : public ::testing::Test {
protected:
    AperturaSessioneTest()
    {
        server.answerFor("leggi_attributo", u"userid_utente", u"M042")
            .answer("carica", 3)
            .answerFor("leggi_attributo", u"mmg\\tipo_orva", u"T")
            .answerFor("leggi_attributo", u"mmg\\codice_regionale", u"160123");
        registro("\"karv_debug\"=\"0\"");
    }

    void registro(const std::string& valore) { impostazioni.write(fileRegistro(valore)); }

    bool apri()
    {
        return inizializza("mario", kPassword, bDebug, oOrvapat, nPazienti, [this] {
            ++finestreMostrate;
            sessioneAperta = oOrvapat && oOrvapat->connesso();
            pazientiAllApertura = nPazienti;
            chiamateAllApertura = server.calls().size();
        });
    }

    void sessioneChiusa()
    {
        EXPECT_EQ(oOrvapat, nullptr);
        EXPECT_EQ(server.instancesAlive(), 0);
    }

    void passwordMaiMostrata()
    {
        for (const std::string& messaggio : messaggi.messaggi())
            EXPECT_EQ(messaggio.find(kPassword), std::string::npos) << messaggio;
    }

    MessageRecorder messaggi;
    ScriptedAutomation server;
    testing_support::ScopedRegistry impostazioni;

    bool bDebug = true;
    std::unique_ptr<Torvapat> oOrvapat;
    std::int32_t nPazienti = -1;

    int finestreMostrate = 0;
    bool sessioneAperta = false;
    std::int32_t pazientiAllApertura = -1;
    std::size_t chiamateAllApertura = 0;
};

TEST_F(AperturaSessioneTest, AcceptedDoctorGetsTheMainWindowOnAnOpenSessionClosedAfterwards)
{
    EXPECT_TRUE(apri());

    EXPECT_EQ(finestreMostrate, 1);
    EXPECT_TRUE(sessioneAperta);
    EXPECT_EQ(pazientiAllApertura, 3);
    EXPECT_EQ(nPazienti, 3);
    EXPECT_EQ(server.trace(),
        (Righe {
            "new()",
            R"(connetti("mario", "Segreta!77"))",
            "get_error(Empty)",
            R"(leggi_attributo("userid_utente"))",
            "get_error(Empty)",
            R"(carica("codice_medico =M042|tipo_di_convenzione=S", "alfabetico"))",
            "get_error(Empty)",
            R"(leggi_attributo("mmg\tipo_orva"))",
            "get_error(Empty)",
            R"(leggi_attributo("mmg\codice_regionale"))",
            "disconnetti(Empty)",
            "Destroy(Empty)",
            "Free(Empty)",
        }));
    EXPECT_EQ(chiamateAllApertura, 10u); // the session is closed only after the window
    EXPECT_TRUE(messaggi.messaggi().empty());
    EXPECT_EQ(server.instancesCreated(), 1);
    sessioneChiusa();
}

TEST_F(AperturaSessioneTest, FailureAfterTheWindowIsCaughtReportedAndGivesFalse)
{
    const bool esito = inizializza("mario", kPassword, bDebug, oOrvapat, nPazienti,
        [] { throw std::runtime_error("finestra principale non disponibile"); });

    EXPECT_FALSE(esito);
    EXPECT_EQ(messaggi.messaggi(), Righe { "sFunz: inizializza - Eccezione:finestra principale non disponibile" });
    EXPECT_EQ(server.methods().back(), "Free");
    sessioneChiusa();
}

TEST_F(AperturaSessioneTest, AutomationFailureTextReachesTheCatchAllIn1252)
{
    const bool esito = inizializza("mario", kPassword, bDebug, oOrvapat, nPazienti,
        [] { throw host::AutomationError(u"server non pi\u00F9 raggiungibile"); });

    EXPECT_FALSE(esito);
    EXPECT_EQ(messaggi.messaggi(), Righe { "sFunz: inizializza - Eccezione:server non pi\xF9 raggiungibile" });
    sessioneChiusa();
}

// The box says why; the run log keeps the system's own words and the registration's lines that
// the box's details show.
TEST_F(AperturaSessioneTest, AServerThatCannotStartLeavesItsReasonAndRegistrationInTheRunLog)
{
    Righe log;
    const auto suLog = [&log](const std::string& riga) { log.push_back(riga); };
    server.failCreation(u"Classe non registrata (0x80040154): Orvella.Server", 0x80040154);

    EXPECT_FALSE(inizializza(
        "mario", kPassword, bDebug, oOrvapat, nPazienti, [] {}, suLog));
    ASSERT_EQ(messaggi.dettagli().size(), 1u);
    Righe registrazione;
    string2list(messaggi.dettagli()[0], "\r\n", registrazione);
    Righe attese { "ole_orvapat.start(): eccezione: Classe non registrata (0x80040154): Orvella.Server" };
    attese.insert(attese.end(), registrazione.begin(), registrazione.end());
    EXPECT_EQ(log, attese);
    sessioneChiusa();
}

// --- The check order: one box per failure, nothing after the first failed check -----------------

struct Rifiuto {
    const char* nome;
    std::function<void(ScriptedAutomation&)> guasta;
    std::vector<std::string> messaggi;
    std::vector<std::string> ultimeChiamate; // the host calls that close the attempt
};

class RifiutoSessione : public AperturaSessioneTest, public ::testing::WithParamInterface<Rifiuto> { };

TEST_P(RifiutoSessione, ShowsItsMessagesStopsCheckingAndLeavesNoSession)
{
    const Rifiuto& caso = GetParam();
    caso.guasta(server);

    EXPECT_FALSE(apri());

    EXPECT_EQ(messaggi.messaggi(), caso.messaggi);
    EXPECT_EQ(finestreMostrate, 0);
    Righe metodi = server.methods();
    ASSERT_GE(metodi.size(), caso.ultimeChiamate.size());
    EXPECT_EQ(Righe(metodi.end() - static_cast<long>(caso.ultimeChiamate.size()), metodi.end()), caso.ultimeChiamate);
    sessioneChiusa();
    passwordMaiMostrata();
}

INSTANTIATE_TEST_SUITE_P(AperturaSessione, RifiutoSessione,
    ::testing::Values(Rifiuto { "NoServer", [](ScriptedAutomation& s) { s.failCreation(); },
                          { "ole_orvapat.start(): eccezione\r\n\r\nServer execution failed" }, {} },
        Rifiuto { "CredentialsRefused",
            [](ScriptedAutomation& s) { s.answer("connetti", u"Password errata per l'utente mario"); },
            { "ole_orvapat.start(): errore in connessione\r\n\r\n  Password errata per l'utente mario" },
            { "new", "connetti", "Destroy", "Free" } },
        Rifiuto { "ConnettiFails", [](ScriptedAutomation& s) { s.fail("connetti", u"timeout"); },
            { "ole_orvapat.start(): eccezione\r\n\r\ntimeout" }, { "new", "connetti", "Destroy", "Free" } },
        Rifiuto { "NoPatients", [](ScriptedAutomation& s) { s.answer("carica", 0); }, { kNessunPaziente },
            { "carica", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "CaricaFails", [](ScriptedAutomation& s) { s.fail("carica", u"archivio bloccato"); },
            { "Torvapat.carica(): eccezione", kNessunPaziente }, { "carica", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "CaricaNotANumber", [](ScriptedAutomation& s) { s.answer("carica", u"tre"); },
            { "Torvapat.carica(): eccezione", kNessunPaziente }, { "carica", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "TipoLowerCase",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\tipo_orva", u"t"); }, { kNonTitolare },
            { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "TipoWithTrailingBlank",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\tipo_orva", u"T "); }, { kNonTitolare },
            { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "TipoWithLeadingBlank",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\tipo_orva", u" T"); }, { kNonTitolare },
            { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "TipoSostituto",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\tipo_orva", u"S"); }, { kNonTitolare },
            { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "TipoReadFails",
            [](ScriptedAutomation& s) { s.failFor("leggi_attributo", u"mmg\\tipo_orva", u"campo assente"); },
            { "Torvapat.leggi_attributo(): eccezione", kNonTitolare },
            { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "CodiceRegionaleEmpty",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\codice_regionale", u""); },
            { kCodiceRegionale }, { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "CodiceRegionaleBlanks",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\codice_regionale", u"      "); },
            { kCodiceRegionale }, { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "CodiceRegionaleControlCharacters",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\codice_regionale", u" \t\r\n\x01 "); },
            { kCodiceRegionale }, { "leggi_attributo", "disconnetti", "Destroy", "Free" } },
        Rifiuto { "SessionLostBeforeTheChecks",
            [](ScriptedAutomation& s) { s.fail("get_error", u"connessione persa"); }, { kNessunPaziente },
            { "get_error", "get_error", "disconnetti", "Destroy", "Free" } }),
    [](const auto& caso) { return std::string(caso.param.nome); });

TEST_F(AperturaSessioneTest, AfterAFailedStartNoCheckRunsAndNoPatientCountIsTaken)
{
    server.answer("connetti", u"Utente sconosciuto");

    EXPECT_FALSE(apri());

    EXPECT_EQ(server.callCount("leggi_attributo"), 0);
    EXPECT_EQ(server.callCount("carica"), 0);
    EXPECT_EQ(nPazienti, -1);
}

TEST_F(AperturaSessioneTest, PatientCountIsKeptEvenWhenItIsZero)
{
    server.answer("carica", 0);

    EXPECT_FALSE(apri());

    EXPECT_EQ(nPazienti, 0);
}

TEST_F(AperturaSessioneTest, EmptyUserIdGivesTheListWithNothingBeforeTheBar)
{
    server.answerFor("leggi_attributo", u"userid_utente", u"");

    EXPECT_TRUE(apri());

    const auto& chiamate = server.calls();
    const auto carica
        = std::find_if(chiamate.begin(), chiamate.end(), [](const auto& c) { return c.metodo == "carica"; });
    ASSERT_NE(carica, chiamate.end());
    EXPECT_EQ(carica->argomenti,
        (host::Arguments { std::u16string(u"codice_medico =|tipo_di_convenzione=S"), std::u16string(u"alfabetico") }));
}

TEST_F(AperturaSessioneTest, FailedUserIdReadStillLoadsWithAnEmptyId)
{
    server.failFor("leggi_attributo", u"userid_utente", u"attributo sconosciuto");
    server.answer("carica", 0);

    EXPECT_FALSE(apri());

    EXPECT_EQ(messaggi.messaggi(), (Righe { "Torvapat.leggi_attributo(): eccezione", kNessunPaziente }));
    EXPECT_EQ(server.trace()[5], R"(carica("codice_medico =|tipo_di_convenzione=S", "alfabetico"))");
}

TEST_F(AperturaSessioneTest, RegionalCodeWithSurroundingBlanksIsAccepted)
{
    server.answerFor("leggi_attributo", u"mmg\\codice_regionale", u"  160123 \t");

    EXPECT_TRUE(apri());

    EXPECT_EQ(finestreMostrate, 1);
    EXPECT_TRUE(messaggi.messaggi().empty());
}

// --- The debug switch -----------------------------------------------------------------------------

struct ValoreDebug {
    const char* nome;
    const char* riga; // the value line under the key
    bool debug;
};

class InterruttoreDebug : public AperturaSessioneTest, public ::testing::WithParamInterface<ValoreDebug> { };

TEST_P(InterruttoreDebug, OnlyTheTextOneSwitchesDebugOnEvenWhenTheConnectionFails)
{
    registro(GetParam().riga);
    server.failCreation();

    EXPECT_FALSE(apri());

    EXPECT_EQ(bDebug, GetParam().debug);
    // a bad value shows nothing
    EXPECT_EQ(messaggi.messaggi(), Righe { "ole_orvapat.start(): eccezione\r\n\r\nServer execution failed" });
}

INSTANTIATE_TEST_SUITE_P(AperturaSessione, InterruttoreDebug,
    ::testing::Values(ValoreDebug { "One", R"("karv_debug"="1")", true },
        ValoreDebug { "ExpandableOne", R"("karv_debug"=hex(2):31,00,00,00)", true },
        ValoreDebug { "KeyNameInOtherCase", R"("KARV_DEBUG"="1")", true },
        ValoreDebug { "BlankBefore", R"("karv_debug"=" 1")", false },
        ValoreDebug { "BlankAfter", R"("karv_debug"="1 ")", false },
        ValoreDebug { "LeadingZero", R"("karv_debug"="01")", false },
        ValoreDebug { "WordTrue", R"("karv_debug"="true")", false },
        ValoreDebug { "Zero", R"("karv_debug"="0")", false }, ValoreDebug { "Empty", R"("karv_debug"="")", false },
        ValoreDebug { "Missing", R"("ultimo_utente"="mario")", false },
        ValoreDebug { "DwordOne", R"("karv_debug"=dword:00000001)", false }),
    [](const auto& caso) { return std::string(caso.param.nome); });

TEST_F(AperturaSessioneTest, MissingSettingsLeaveDebugOff)
{
    impostazioni.clear();

    EXPECT_TRUE(apri());

    EXPECT_FALSE(bDebug);
}

} // namespace
