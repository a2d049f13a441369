#include "host/tc_Orvapat.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/ScriptedAutomation.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

using testing_support::MessageRecorder;
using testing_support::ScriptedAutomation;
using Righe = std::vector<std::string>;

namespace {

class TorvapatTest : public ::testing::Test {
protected:
    TorvapatTest()
    {
        sessione.s_utente = "mario";
        sessione.s_password = "segreta";
    }

    // A connected session whose opening calls are no longer in the journal.
    void connetti()
    {
        ASSERT_TRUE(sessione.start());
        server.clearCalls();
    }

    MessageRecorder messaggi;
    ScriptedAutomation server;
    Torvapat sessione;
};

// --- start() ---------------------------------------------------------------------------------

TEST_F(TorvapatTest, StartCreatesCallsNewThenConnettiWithTheCredentialsAsUtf16)
{
    sessione.s_utente = "Nicol\xF2";
    sessione.s_password = "p\xE0ss|word";

    EXPECT_TRUE(sessione.start());

    EXPECT_EQ(server.instancesCreated(), 1);
    EXPECT_EQ(server.trace(), (Righe { "new()", "connetti(\"Nicol\xC3\xB2\", \"p\xC3\xA0ss|word\")" }));
    EXPECT_TRUE(sessione.connesso());
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(TorvapatTest, StartRefusedShowsHostTextAfterTwoLineBreaksAndKeepsTheServer)
{
    server.answer("connetti", u"Utente o password non validi");

    EXPECT_FALSE(sessione.start());

    EXPECT_EQ(messaggi.messaggi(),
        Righe { "ole_orvapat.start(): errore in connessione\r\n\r\n  Utente o password non validi" });
    // Credentials to type again: a warning, not a failure.
    EXPECT_EQ(messaggi.gravita(), std::vector { platform::Gravita::Avviso });
    EXPECT_FALSE(sessione.connesso());
    EXPECT_TRUE(sessione.haServer());

    // The caller's stop() still releases it, without disconnecting a session that never was.
    server.clearCalls();
    EXPECT_TRUE(sessione.stop());
    EXPECT_EQ(server.trace(), (Righe { "Destroy(Empty)", "Free(Empty)" }));
    EXPECT_EQ(server.instancesAlive(), 0);
}

TEST_F(TorvapatTest, StartRefusalTextIsConvertedTo1252AndNeverCarriesThePassword)
{
    server.answer("connetti", u"Accesso negato: credenziali non riconosciute per l'utente \u00ABmario\u00BB");

    EXPECT_FALSE(sessione.start());

    ASSERT_EQ(messaggi.messaggi().size(), 1u);
    EXPECT_EQ(messaggi.messaggi()[0],
        "ole_orvapat.start(): errore in connessione\r\n\r\n  Accesso negato: "
        "credenziali non riconosciute per l'utente \xABmario\xBB");
    EXPECT_EQ(messaggi.messaggi()[0].find("segreta"), std::string::npos);
}

const std::string kNonRegistrato = "Orvella.Server non \xE8 registrato su questo PC per i programmi a 32 bit: "
                                   "reinstallare Orvella o registrarne il server di automazione.";
// What "Mostra dettagli…" holds: the class registry's two views on Windows, a line of its own
// where there is no such registry.
void registrazioneNeiDettagli(const Righe& dettagli)
{
    ASSERT_EQ(dettagli.size(), 1u);
#ifdef _WIN32
    EXPECT_NE(dettagli[0].find("vista a 32 bit: ProgID Orvella.Server"), std::string::npos) << dettagli[0];
    EXPECT_NE(dettagli[0].find("vista a 64 bit: ProgID Orvella.Server"), std::string::npos) << dettagli[0];
#else
    EXPECT_EQ(dettagli[0],
        "Orvella.Server: nessun registro delle classi su questo sistema, solo le classi registrate nel programma");
#endif
}

struct GuastoAvvio {
    const char* nome;
    std::function<void(ScriptedAutomation&)> prepara;
    bool restaIlServer;
    const char* motivo; // the server's reason, after the box's first line
};

class StartFailure : public ::testing::TestWithParam<GuastoAvvio> { };

TEST_P(StartFailure, ShowsTheExceptionCaptionWithTheReasonAndReturnsFalse)
{
    MessageRecorder messaggi;
    ScriptedAutomation server;
    GetParam().prepara(server);
    Torvapat sessione;
    sessione.s_utente = "mario";
    sessione.s_password = "segreta";

    EXPECT_FALSE(sessione.start());

    EXPECT_EQ(messaggi.messaggi(), Righe { std::string("ole_orvapat.start(): eccezione\r\n\r\n") + GetParam().motivo });
    registrazioneNeiDettagli(messaggi.dettagli());
    EXPECT_FALSE(sessione.connesso());
    EXPECT_EQ(sessione.haServer(), GetParam().restaIlServer);
    EXPECT_TRUE(sessione.stop());
    EXPECT_EQ(server.callCount("disconnetti"), 0);
    EXPECT_EQ(server.instancesAlive(), 0);
}

INSTANTIATE_TEST_SUITE_P(Torvapat, StartFailure,
    ::testing::Values(GuastoAvvio { "ServerCannotStart", [](ScriptedAutomation& s) { s.failCreation(); }, false,
                          "Server execution failed" },
        GuastoAvvio { "NewFails", [](ScriptedAutomation& s) { s.fail("new", u"Catastrophic failure"); }, true,
            "Catastrophic failure" },
        GuastoAvvio { "ConnettiFails", [](ScriptedAutomation& s) { s.fail("connetti", u"RPC server unavailable"); },
            true, "RPC server unavailable" },
        GuastoAvvio { "ConnettiAnswersNull", [](ScriptedAutomation& s) { s.answer("connetti", host::Null {}); }, true,
            "Invalid variant type conversion" },
        // The system's codes tell the cause, in words that say what to do.
        GuastoAvvio { "ClassNotRegistered",
            [](ScriptedAutomation& s) { s.failCreation(u"Classe non registrata", 0x80040154); }, false,
            "Orvella.Server non \xE8 registrato su questo PC per i programmi a 32 bit: reinstallare Orvella o "
            "registrarne il server di automazione. (0x80040154)" },
        GuastoAvvio { "ServerProgramDidNotStart",
            [](ScriptedAutomation& s) { s.failCreation(u"Server execution failed", 0x80080005); }, false,
            "Il server di automazione di Orvella non si \xE8 avviato (0x80080005): nessun programma del server \xE8 "
            "registrato." },
        GuastoAvvio { "AccessDenied", [](ScriptedAutomation& s) { s.failCreation(u"Accesso negato.", 0x80070005); },
            false,
            "Accesso negato a Orvella (0x80070005): Orvella e ov_pip sono stati avviati con diritti diversi (uno dei "
            "due come amministratore): avviarli entrambi allo stesso modo." },
        // By the code alone: an Italian system's words for a gone host; a server's own words that
        // happen to read as an English system's.
        GuastoAvvio { "GoneAtConnetti",
            [](ScriptedAutomation& s) {
                s.answer("connetti", ScriptedAutomation::Failure { u"Chiamata RPC non riuscita.", 0x800706BE });
            },
            true, "Orvella si \xE8 chiuso (0x800706BE): riaprire Orvella e riprovare." },
        GuastoAvvio { "ServerWordsWithoutCode", [](ScriptedAutomation& s) { s.fail("connetti", u"RPC call failed."); },
            true, "RPC call failed." }),
    [](const auto& caso) { return std::string(caso.param.nome); });

TEST(TorvapatNoServer, StartWithoutRegisteredServerFailsAndStopDoesNothing)
{
#ifdef _WIN32
    GTEST_SKIP() << "the system's class registry holds the stand-in server; the window test under Wine signs in "
                    "with nothing registered";
#endif
    host::unregisterAutomationClass(Torvapat::kIdentificatoreServer);
    MessageRecorder messaggi;
    Torvapat sessione;

    EXPECT_FALSE(sessione.start());
    EXPECT_TRUE(sessione.stop());

    EXPECT_EQ(
        messaggi.messaggi(), Righe { "ole_orvapat.start(): eccezione\r\n\r\n" + kNonRegistrato + " (0x800401F3)" });
    registrazioneNeiDettagli(messaggi.dettagli());
    EXPECT_FALSE(sessione.haServer());
}

TEST(TorvapatOccupato, ACallRefusedAsBusyIsMadeAgainUntilTheLimitThenTheBoxSaysWhy)
{
    testing_support::ManualSteadyClock orologio;
    MessageRecorder messaggi;
    ScriptedAutomation server;
    server.answer("connetti", ScriptedAutomation::Failure { u"Chiamata rifiutata dal chiamato.", 0x80010001 });
    Torvapat sessione;
    Righe stato;
    // Each pause of the wait takes five seconds of the test's clock, and no time of the test's own.
    sessione.impostaAttesa({ .limite = std::chrono::seconds(60),
        .pausa = std::chrono::seconds(5),
        .mostra = [&](const std::string& testo) {
            stato.push_back(testo);
            orologio.avanza(std::chrono::seconds(5));
        } });

    EXPECT_FALSE(sessione.start());

    // Refused at 0, 5, ..., 55 s and asked again; refused once more at 60 s, it fails.
    EXPECT_EQ(server.callCount("connetti"), 13);
    ASSERT_EQ(stato.size(), 13u);
    EXPECT_EQ(stato.front(), kTestoOrvellaOccupato);
    EXPECT_EQ(stato.back(), "") << "the label gets its own text back";
    EXPECT_EQ(messaggi.messaggi(),
        Righe { "ole_orvapat.start(): eccezione\r\n\r\nOrvella non risponde: chiudere le finestre aperte in "
                "Orvella e riprovare. (0x80010001)" });
}

TEST_F(TorvapatTest, AGuardedCallOnAHostBusyPastTheLimitFailsWithTheCauseInItsBox)
{
    testing_support::ManualSteadyClock orologio;
    connetti();
    server.answer("get_error", ScriptedAutomation::Failure { u"Il server \u00E8 occupato.", 0x8001010A });
    sessione.impostaAttesa({ .limite = std::chrono::seconds(60),
        .pausa = std::chrono::seconds(5),
        .mostra = [&](const std::string&) { orologio.avanza(std::chrono::seconds(5)); } });

    EXPECT_EQ(sessione.leggi_attributo(u"mmg\\codice_regionale"), u"");

    EXPECT_EQ(server.callCount("leggi_attributo"), 0);
    EXPECT_EQ(messaggi.messaggi(),
        Righe { "Torvapat.leggi_attributo(): eccezione: Orvella non risponde: chiudere le finestre aperte in Orvella "
                "e riprovare. (0x8001010A)" });
}

// --- stop(), is_on() and the destructor -------------------------------------------------------

TEST_F(TorvapatTest, StopDisconnectsDestroysFreesOnceEvenWhenCalledTwice)
{
    connetti();

    EXPECT_TRUE(sessione.stop());
    EXPECT_TRUE(sessione.stop());

    EXPECT_EQ(server.trace(), (Righe { "disconnetti(Empty)", "Destroy(Empty)", "Free(Empty)" }));
    EXPECT_FALSE(sessione.connesso());
    EXPECT_FALSE(sessione.haServer());
    EXPECT_EQ(server.instancesAlive(), 0);
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(TorvapatTest, StopEndsSilentlyAtAFailingDisconnettiAndLeavesTheRestForLater)
{
    connetti();
    server.answerSequence("disconnetti", { ScriptedAutomation::Failure { u"host occupato" } });

    EXPECT_TRUE(sessione.stop());
    EXPECT_EQ(server.methods(), Righe { "disconnetti" });
    EXPECT_TRUE(sessione.connesso());
    EXPECT_TRUE(sessione.haServer());

    // The next stop() finds everything still to do.
    EXPECT_TRUE(sessione.stop());
    EXPECT_EQ(server.methods(), (Righe { "disconnetti", "disconnetti", "Destroy", "Free" }));
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(TorvapatTest, StopEndsSilentlyAtAFailingDestroyWithoutFree)
{
    connetti();
    server.fail("Destroy");

    EXPECT_TRUE(sessione.stop());

    EXPECT_EQ(server.methods(), (Righe { "disconnetti", "Destroy" }));
    EXPECT_FALSE(sessione.connesso());
    EXPECT_TRUE(sessione.haServer());
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST(TorvapatLifetime, DestructorStopsTheSession)
{
    ScriptedAutomation server;
    {
        Torvapat sessione;
        ASSERT_TRUE(sessione.start());
    }
    EXPECT_EQ(server.methods(), (Righe { "new", "connetti", "disconnetti", "Destroy", "Free" }));
    EXPECT_EQ(server.instancesAlive(), 0);
}

TEST_F(TorvapatTest, IsOnAsksGetErrorAndIsFalseSilentlyWhenItFailsOrThereIsNoServer)
{
    EXPECT_FALSE(sessione.is_on());
    connetti();

    EXPECT_TRUE(sessione.is_on());
    server.fail("get_error", u"sessione scaduta");
    EXPECT_FALSE(sessione.is_on());

    EXPECT_EQ(server.trace(), (Righe { "get_error(Empty)", "get_error(Empty)" }));
    EXPECT_TRUE(messaggi.messaggi().empty());
}

// Asked before a run: only a host found gone, waited for while busy as by any call, is not there,
// and that is said with no box and no failed call counted; any other failure is the run's to meet.
TEST(TorvapatPresenza, OnlyAGoneHostIsAbsentAndSilentlySo)
{
    const ScriptedAutomation::Failure occupato { u"Il server \u00E8 occupato.", 0x8001010A };
    struct Caso {
        const char* nome;
        std::vector<ScriptedAutomation::Outcome> risposte; // of get_error, in turn
        bool presente;
    };
    const Caso casi[] = {
        { "busy, then gone", { occupato, ScriptedAutomation::Failure { u"RPC", 0x800706BA } }, false },
        { "busy, then answering", { occupato, u"" }, true },
        { "failing for a reason of its own", { ScriptedAutomation::Failure { u"sessione scaduta" } }, true },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(caso.nome);
        MessageRecorder messaggi;
        ScriptedAutomation server;
        Torvapat sessione;
        ASSERT_TRUE(sessione.start());
        server.clearCalls();
        sessione.impostaAttesa({ .pausa = std::chrono::milliseconds(0), .mostra = {} });
        server.answerSequence("get_error", caso.risposte);

        EXPECT_EQ(sessione.verificaPresenza(), caso.presente);

        EXPECT_EQ(sessione.orvellaChiuso(), !caso.presente);
        EXPECT_EQ(server.methods(), Righe(caso.risposte.size(), "get_error"));
        EXPECT_TRUE(messaggi.messaggi().empty());
        EXPECT_EQ(sessione.chiamateNonRiuscite(), 0);
    }
}

// --- The operations: arguments, answers, captions and failure values --------------------------

// Every result shown as text, so that one table covers the integer, Boolean and text operations.
struct Operazione {
    const char* nome;
    const char* metodo;
    std::function<std::string(Torvapat&)> esegui;
    const char* chiamataAttesa; // as ScriptedAutomation::trace() writes it
    const char* risultatoRiuscito;
    const char* didascalia;
    const char* valoreFallimento;
    bool protetta;
    bool contata = true; // among chiamateNonRiuscite() when it fails
};

std::string testo(const std::u16string& valore)
{
    return utf16ToUtf8(valore);
}
std::string testo(bool valore)
{
    return valore ? "true" : "false";
}
std::string testo(std::int32_t valore)
{
    return std::to_string(valore);
}

const Operazione kOperazioni[] = {
    { "carica", "carica",
        [](Torvapat& t) { return testo(t.carica(u"codice_medico =M1|tipo_di_convenzione=S", u"alfabetico")); },
        R"(carica("codice_medico =M1|tipo_di_convenzione=S", "alfabetico"))", "42", "Torvapat.carica(): eccezione", "0",
        true },
    { "skip", "skip", [](Torvapat& t) { return testo(t.skip()); }, "skip(Empty)", "true", "Torvapat.skip(): eccezione",
        "false", true },
    { "leggi_attributo", "leggi_attributo", [](Torvapat& t) { return testo(t.leggi_attributo(u"mmg\\tipo_orva")); },
        R"(leggi_attributo("mmg\tipo_orva"))", "42", "Torvapat.leggi_attributo(): eccezione", "", true },
    { "new_object", "new_object", [](Torvapat& t) { return testo(t.new_object(u"i_accertamento", u"")); },
        R"(new_object("i_accertamento", ""))", "42", "Torvapat.new_object(): eccezione", "", true },
    { "call_method_pipe", "call_method_pipe",
        [](Torvapat& t) { return testo(t.call_method_pipe(u"H7", u"setrow", u"2")); },
        R"(call_method_pipe("H7", "setrow", "2"))", "42",
        "Torvapat.call_method_pipe(H7, setrow, 2): eccezione: riga inesistente", "", true },
    { "destroy_object", "destroy_object", [](Torvapat& t) { return testo(t.destroy_object(u"H7")); },
        R"(destroy_object("H7"))", "42", "Torvapat.destroy_object(): eccezione", "", false, false },
    { "get_opzione", "get_opzione", [](Torvapat& t) { return testo(t.get_opzione(u"utente", u"contratto")); },
        R"(get_opzione("utente", "contratto"))", "42", "Tgate_orvapat.get_opzione(): eccezione", "", false },
    { "genera_xml", "genera_xml",
        [](Torvapat& t) {
            return testo(t.genera_xml(u"prestazioni_empoli", u"dalla_data=2024-05-01|alla_data=2024-05-31",
                "/home/m\xE9"
                "dico/zzz_xml.tmp"));
        },
        "genera_xml(\"prestazioni_empoli\", \"dalla_data=2024-05-01|alla_data=2024-05-31\", "
        "\"/home/m\xC3\xA9"
        "dico/zzz_xml.tmp\")",
        "true", "Tgate_orvapat.genera_xml(): eccezione", "false", false },
};

class OperazioneTorvapat : public TorvapatTest, public ::testing::WithParamInterface<Operazione> { };

TEST_P(OperazioneTorvapat, PassesItsArgumentsAndConvertsTheAnswer)
{
    const Operazione& op = GetParam();
    connetti();
    server.answer(op.metodo, u"42");

    EXPECT_EQ(op.esegui(sessione), op.risultatoRiuscito);

    Righe attese { op.chiamataAttesa };
    if (op.protetta)
        attese.insert(attese.begin(), "get_error(Empty)");
    EXPECT_EQ(server.trace(), attese);
    EXPECT_TRUE(messaggi.messaggi().empty());
    EXPECT_EQ(sessione.chiamateNonRiuscite(), 0);
}

TEST_P(OperazioneTorvapat, HostFailureShowsTheCaptionOnceAndGivesTheFailureValue)
{
    const Operazione& op = GetParam();
    connetti();
    server.fail(op.metodo, u"riga inesistente");

    EXPECT_EQ(op.esegui(sessione), op.valoreFallimento);

    EXPECT_EQ(messaggi.messaggi(), Righe { op.didascalia });
    EXPECT_TRUE(sessione.connesso());
    // Counted, with the host's reason kept, except for an object left unreleased.
    EXPECT_EQ(sessione.chiamateNonRiuscite(), op.contata ? 1 : 0);
    if (op.contata) {
        EXPECT_EQ(sessione.ultimoErrore(), "riga inesistente");
    }
}

TEST_P(OperazioneTorvapat, AfterStopGuardedOperationsAreSilentAndTheOthersReportTheirFailure)
{
    const Operazione& op = GetParam();
    connetti();
    sessione.stop();
    server.clearCalls();

    EXPECT_EQ(op.esegui(sessione), op.valoreFallimento);

    EXPECT_TRUE(server.calls().empty());
    EXPECT_EQ(messaggi.messaggi(), op.protetta ? Righe {} : Righe { op.didascalia });
    EXPECT_EQ(sessione.chiamateNonRiuscite(), op.contata ? 1 : 0);
}

TEST_P(OperazioneTorvapat, WhileGetErrorFailsOnlyTheUnguardedOperationsReachTheHost)
{
    const Operazione& op = GetParam();
    connetti();
    server.fail("get_error", u"sessione scaduta");
    server.answer(op.metodo, u"42");

    if (op.protetta) {
        EXPECT_EQ(op.esegui(sessione), op.valoreFallimento);
        EXPECT_EQ(server.methods(), Righe { "get_error" });
        // Silent, yet a failed call, and get_error's reason is what the caller can name.
        EXPECT_EQ(sessione.chiamateNonRiuscite(), 1);
        EXPECT_EQ(sessione.ultimoErrore(), "sessione scaduta");
    } else {
        EXPECT_EQ(op.esegui(sessione), op.risultatoRiuscito);
        EXPECT_EQ(server.trace(), Righe { op.chiamataAttesa });
        EXPECT_EQ(sessione.chiamateNonRiuscite(), 0);
    }
    EXPECT_TRUE(messaggi.messaggi().empty());
}

INSTANTIATE_TEST_SUITE_P(Torvapat, OperazioneTorvapat, ::testing::ValuesIn(kOperazioni),
    [](const auto& caso) { return std::string(caso.param.nome); });

// --- Answer conversions -------------------------------------------------------------------------

TEST_F(TorvapatTest, CaricaTakesDigitsOrAnIntegerAndEmptyAsZero)
{
    connetti();
    server.answerSequence("carica", { u"12", 7, host::Variant {} });

    EXPECT_EQ(sessione.carica(u"x", u"alfabetico"), 12);
    EXPECT_EQ(sessione.carica(u"x", u"alfabetico"), 7);
    EXPECT_EQ(sessione.carica(u"x", u"alfabetico"), 0);
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(TorvapatTest, UnconvertibleAnswersTakeTheFailurePath)
{
    connetti();
    // An empty text is a text, not an empty answer: it is no number either.
    server.answerSequence("carica", { u"dodici", host::Null {}, u"", u"12.0" });
    server.answer("leggi_attributo", host::Null {});
    server.answer("get_opzione", host::Null {});

    for (int volta = 0; volta < 4; ++volta)
        EXPECT_EQ(sessione.carica(u"x", u"alfabetico"), 0);
    EXPECT_EQ(sessione.leggi_attributo(u"userid_utente"), u"");
    EXPECT_EQ(sessione.get_opzione(u"utente", u"contratto"), u"");

    EXPECT_EQ(messaggi.messaggi(),
        (Righe { "Torvapat.carica(): eccezione", "Torvapat.carica(): eccezione", "Torvapat.carica(): eccezione",
            "Torvapat.carica(): eccezione", "Torvapat.leggi_attributo(): eccezione",
            "Tgate_orvapat.get_opzione(): eccezione" }));
}

TEST_F(TorvapatTest, EmptyAnswersGiveTheEmptyTextSilently)
{
    connetti();

    EXPECT_EQ(sessione.leggi_attributo(u"mmg\\codice_regionale"), u"");
    EXPECT_EQ(sessione.new_object(u"i_accertamento", u""), u"");
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(TorvapatTest, AnswersAreHandedBackAsTheHostGaveThem)
{
    connetti();
    server.answerFor("leggi_attributo", u"codice_fiscale", u"  RSSMRA80A01H501U ");
    server.answerFor("leggi_attributo", u"userid_utente", 101);
    server.answer("call_method_pipe", 12);

    EXPECT_EQ(sessione.leggi_attributo(u"codice_fiscale"), u"  RSSMRA80A01H501U ");
    EXPECT_EQ(sessione.leggi_attributo(u"userid_utente"), u"101");
    EXPECT_EQ(sessione.call_method_pipe(u"H1", u"rowcount", u""), u"12");
    EXPECT_TRUE(messaggi.messaggi().empty());
}

// --- The count check of call_method_pipe --------------------------------------------------------

std::string rapportoConteggio(const std::string& handle, const std::string& metodo, const std::string& lista)
{
    return "Torvapat.call_method_pipe(" + handle + ", " + metodo + ", " + lista + "): eccezione: \r\n"
        + "s_handle = " + handle + "\r\n" + "s_metodo = " + metodo + "\r\n" + "s_lista_parametri = " + lista;
}

struct CasoConteggio {
    const char* metodo;
    const char16_t* risposta;
    bool rapporto;
};

class ConteggioPipe : public TorvapatTest, public ::testing::WithParamInterface<CasoConteggio> { };

TEST_P(ConteggioPipe, ReportsANonDecimalCountButReturnsTheAnswerUnchanged)
{
    const CasoConteggio& caso = GetParam();
    connetti();
    server.answer("call_method_pipe", std::u16string(caso.risposta));
    const std::u16string metodo = utf8ToUtf16(caso.metodo);

    EXPECT_EQ(sessione.call_method_pipe(u"H3", metodo, u"filtro|x=1"), caso.risposta);

    if (caso.rapporto)
        EXPECT_EQ(messaggi.messaggi(), Righe { rapportoConteggio("H3", caso.metodo, "filtro|x=1") });
    else
        EXPECT_TRUE(messaggi.messaggi().empty());
    EXPECT_EQ(lastToolsError(), u""); // the check leaves no error behind for others
}

INSTANTIATE_TEST_SUITE_P(Torvapat, ConteggioPipe,
    ::testing::Values(CasoConteggio { "rowcount", u"12", false }, CasoConteggio { "rowcount", u"12a", true },
        CasoConteggio { "rowcount", u"", false }, CasoConteggio { "rowcount", u"-3", false },
        CasoConteggio { "rowcount", u" 12", true }, CasoConteggio { "rowcount", u"1F", true },
        CasoConteggio { "carica", u"dodici", true }, CasoConteggio { "carica", u"0", false },
        CasoConteggio { "Rowcount", u"12a", false }, CasoConteggio { "Carica", u"dodici", false },
        CasoConteggio { "rowcount ", u"12a", false }, CasoConteggio { "setrow", u"abc", false },
        CasoConteggio { "leggi_attributo", u"2024-05-01", false }));

TEST_F(TorvapatTest, CountCheckIgnoresAnOlderToolsError)
{
    connetti();
    server.answer("call_method_pipe", u"12");
    setToolsError(u"Tools.string2int(x, 10): carattere non consentito");

    EXPECT_EQ(sessione.call_method_pipe(u"H3", u"rowcount", u""), u"12");

    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(TorvapatTest, PipeFailureAppendsTheHostMessageToTheCaptionAfterASeparator)
{
    connetti();
    server.fail("call_method_pipe", u"handle sconosciuto \u00E8 questo");

    EXPECT_EQ(sessione.call_method_pipe(u"H9", u"rowcount", u""), u"");

    EXPECT_EQ(messaggi.messaggi(),
        Righe { "Torvapat.call_method_pipe(H9, rowcount, ): eccezione: handle sconosciuto \xE8 questo" });
}

// --- Host texts of any length -------------------------------------------------------------------

struct TestoLungo {
    const char* nome;
    std::function<void(ScriptedAutomation&, const std::u16string&)> prepara;
    std::function<void(Torvapat&)> esegui;
    const char* inizio; // what the box shows before the host's text
    bool daConnessa = true;
};

class TestoLungoTorvapat : public TorvapatTest, public ::testing::WithParamInterface<TestoLungo> { };

TEST_P(TestoLungoTorvapat, IsShownCutToAReadableSize)
{
    // Long past any box, with a character beyond the BMP across the cut.
    std::u16string lungo = u"Errore: " + std::u16string(host::kLunghezzaLeggibile - 9, u'x') + u"\U0001F600"
        + std::u16string(2'000'000, u'y');
    GetParam().prepara(server, lungo);
    if (GetParam().daConnessa)
        connetti();

    GetParam().esegui(sessione);

    ASSERT_EQ(messaggi.messaggi().size(), 1u);
    EXPECT_EQ(messaggi.messaggi()[0],
        GetParam().inizio + ("Errore: " + std::string(host::kLunghezzaLeggibile - 9, 'x') + "..."));
}

INSTANTIATE_TEST_SUITE_P(Torvapat, TestoLungoTorvapat,
    ::testing::Values(
        TestoLungo { "StartRefusal",
            [](ScriptedAutomation& s, const std::u16string& testo) { s.answer("connetti", testo); },
            [](Torvapat& t) { t.start(); }, "ole_orvapat.start(): errore in connessione\r\n\r\n  ", false },
        TestoLungo { "PipeFailure",
            [](ScriptedAutomation& s, const std::u16string& testo) { s.fail("call_method_pipe", testo); },
            [](Torvapat& t) { t.call_method_pipe(u"H9", u"rowcount", u""); },
            "Torvapat.call_method_pipe(H9, rowcount, ): eccezione: " }),
    [](const auto& caso) { return std::string(caso.param.nome); });

TEST_F(TorvapatTest, PipeNullAnswerFailsWithTheConversionText)
{
    connetti();
    server.answer("call_method_pipe", host::Null {});

    EXPECT_EQ(sessione.call_method_pipe(u"H9", u"leggi_attributo", u"data_esecuzione"), u"");

    ASSERT_EQ(messaggi.messaggi().size(), 1u);
    EXPECT_EQ(
        messaggi.messaggi()[0].rfind("Torvapat.call_method_pipe(H9, leggi_attributo, data_esecuzione): eccezione", 0),
        0u);
    EXPECT_GT(messaggi.messaggi()[0].size(),
        std::string("Torvapat.call_method_pipe(H9, leggi_attributo, data_esecuzione): eccezione").size());
}

} // namespace
