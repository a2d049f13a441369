#include "host/windows/OggettoCom.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "host/GuastoHost.h"
#include "host/windows/VariantCom.h"
#include "hostserver/PraticaDiProva.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"

// The adapter against the stand-in's COM server DLL, registered as "Orvella.Server" by regsvr32
// before the tests run: every call below crosses real COM, nothing in between.

namespace {

using host::Variant;
using pratica_di_prova::PraticaDiProva;

template <typename Chiamata> std::optional<std::u16string> erroreDi(Chiamata chiamata)
{
    try {
        chiamata();
    } catch (const host::AutomationError& errore) {
        return errore.messaggio();
    }
    return std::nullopt;
}

// --- Conversions ---------------------------------------------------------------------------------

struct CasoVariant {
    const char* nome;
    VARTYPE tipo;
    void (*imposta)(VARIANT&);
    Variant atteso;
};

TEST(VariantCom, FromComToHostValues)
{
    const CasoVariant casi[] = {
        { "empty", VT_EMPTY, [](VARIANT&) {}, Variant() },
        { "omitted", VT_ERROR, [](VARIANT& v) { V_ERROR(&v) = DISP_E_PARAMNOTFOUND; }, Variant() },
        { "null", VT_NULL, [](VARIANT&) {}, Variant(host::Null {}) },
        { "null BSTR", VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = nullptr; }, Variant(std::u16string()) },
        { "I2", VT_I2, [](VARIANT& v) { V_I2(&v) = -12; }, Variant(std::int32_t { -12 }) },
        { "UI1", VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }, Variant(std::int32_t { 200 }) },
        { "I4", VT_I4, [](VARIANT& v) { V_I4(&v) = 2147483647; }, Variant(std::int32_t { 2147483647 }) },
        { "UI4 beyond 32 bits", VT_UI4, [](VARIANT& v) { V_UI4(&v) = 4000000000u; },
            Variant(std::u16string(u"4000000000")) },
        { "I8 that fits", VT_I8, [](VARIANT& v) { V_I8(&v) = -5; }, Variant(std::int32_t { -5 }) },
        { "true", VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }, Variant(true) },
        { "false", VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_FALSE; }, Variant(false) },
    };
    for (const CasoVariant& caso : casi) {
        VARIANT valore;
        VariantInit(&valore);
        V_VT(&valore) = caso.tipo;
        caso.imposta(valore);
        EXPECT_EQ(host::daVariantCom(valore), caso.atteso) << caso.nome;
    }
}

TEST(VariantCom, TextsByValueAndByReference)
{
    host::VariantCom testo;
    host::inVariantCom(Variant(std::u16string(u"Citt\u00E0 \u20AC\0x", 8)), *testo.get());
    ASSERT_EQ(V_VT(&*testo), VT_BSTR);
    EXPECT_EQ(SysStringLen(V_BSTR(&*testo)), 8u) << "a zero inside stays";
    EXPECT_EQ(host::daVariantCom(*testo), Variant(std::u16string(u"Citt\u00E0 \u20AC\0x", 8)));

    VARIANT riferimento;
    VariantInit(&riferimento);
    BSTR bersaglio = V_BSTR(&*testo);
    V_VT(&riferimento) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&riferimento) = &bersaglio;
    EXPECT_EQ(host::daVariantCom(riferimento), Variant(std::u16string(u"Citt\u00E0 \u20AC\0x", 8)));

    // Other types come as automation writes them as text.
    VARIANT reale;
    VariantInit(&reale);
    V_VT(&reale) = VT_R8;
    V_R8(&reale) = 2.5;
    const Variant convertito = host::daVariantCom(reale);
    ASSERT_TRUE(std::holds_alternative<std::u16string>(convertito));
    EXPECT_EQ(std::get<std::u16string>(convertito).substr(0, 1), u"2");
}

TEST(VariantCom, HostValuesToCom)
{
    host::VariantCom numero, booleano, nullo, vuoto;
    host::inVariantCom(Variant(std::int32_t { -7 }), *numero.get());
    host::inVariantCom(Variant(true), *booleano.get());
    host::inVariantCom(Variant(host::Null {}), *nullo.get());
    host::inVariantCom(Variant(), *vuoto.get());

    EXPECT_EQ(V_VT(&*numero), VT_I4);
    EXPECT_EQ(V_I4(&*numero), -7);
    EXPECT_EQ(V_VT(&*booleano), VT_BOOL);
    EXPECT_EQ(V_BOOL(&*booleano), VARIANT_TRUE);
    EXPECT_EQ(V_VT(&*nullo), VT_NULL);
    EXPECT_EQ(V_VT(&*vuoto), VT_EMPTY);
}

TEST(VariantCom, ArgumentsGoLastFirstTextsByReferenceEmptyAsOmitted)
{
    host::ArgomentiCom argomenti({ Variant(std::u16string(u"rossi")), Variant(), Variant(std::int32_t { 3 }) });
    const DISPPARAMS& parametri = *argomenti.parametri();

    ASSERT_EQ(parametri.cArgs, 3u);
    EXPECT_EQ(parametri.cNamedArgs, 0u);
    EXPECT_EQ(V_VT(&parametri.rgvarg[0]), VT_I4);
    EXPECT_EQ(V_VT(&parametri.rgvarg[1]), VT_ERROR);
    EXPECT_EQ(V_ERROR(&parametri.rgvarg[1]), DISP_E_PARAMNOTFOUND);
    ASSERT_EQ(V_VT(&parametri.rgvarg[2]), VT_BSTR | VT_BYREF);
    EXPECT_EQ(host::daVariantCom(parametri.rgvarg[2]), Variant(std::u16string(u"rossi")));
}

// --- Calls through the registered COM server ---------------------------------------------------------

class OggettoComTest : public ::testing::Test {
protected:
    OggettoComTest()
    {
        pratica.utente("rossi", "demo", "M01", "T", "160123", "MMG");
        pratica.paziente("1", "M01", "S", "Rossi", "Mario", "RSSMRA80A01H501U");
        pratica.paziente("2", "M01", "S", "Bianchi", "Anna", "BNCNNA80A41H501X");
    }

    // A new instance through the class registry, which finds nothing in the process and asks COM.
    std::unique_ptr<host::AutomationObject> crea() { return host::createAutomationObject("Orvella.Server"); }

    PraticaDiProva pratica;
    testing_support::ScopedEnv database { "ORVELLA_SERVER_DB", platform::percorsoUtf8(pratica.percorso()) };
};

TEST_F(OggettoComTest, SignsInAndCallsByNameWithTheServersAnswers)
{
    const auto server = crea();
    ASSERT_NE(dynamic_cast<host::OggettoCom*>(server.get()), nullptr) << "Orvella.Server is not registered with COM";

    EXPECT_EQ(server->invoke("new", {}), Variant());
    EXPECT_EQ(
        server->invoke("connetti", { std::u16string(u"rossi"), std::u16string(u"demo") }), Variant(std::u16string()));
    EXPECT_EQ(server->invoke("leggi_attributo", { std::u16string(u"mmg\\codice_regionale") }),
        Variant(std::u16string(u"160123")));
    EXPECT_EQ(server->invoke("carica",
                  { std::u16string(u"codice_medico =M01|tipo_di_convenzione=S"), std::u16string(u"alfabetico") }),
        Variant(std::int32_t { 2 }));
    // Members are found without regard to case, as automation finds them.
    EXPECT_EQ(server->invoke("LEGGI_ATTRIBUTO", { std::u16string(u"codice_fiscale") }),
        Variant(std::u16string(u"BNCNNA80A41H501X")));
    EXPECT_EQ(server->invoke("skip", { Variant() }), Variant());
    EXPECT_EQ(server->invoke("leggi_attributo", { std::u16string(u"codice_fiscale") }),
        Variant(std::u16string(u"RSSMRA80A01H501U")));
    EXPECT_EQ(server->invoke("disconnetti", { Variant() }), Variant());
}

TEST_F(OggettoComTest, AFailingCallRaisesTheServersMessage)
{
    pratica.guasto("leggi_attributo", "mmg\\tipo_orva", "Archivio bloccato: riprovare pi\xC3\xB9 tardi", std::nullopt);
    pratica.guasto("get_opzione", std::nullopt, std::nullopt, std::nullopt);
    const auto server = crea();
    server->invoke("connetti", { std::u16string(u"rossi"), std::u16string(u"demo") });

    EXPECT_EQ(erroreDi([&] { server->invoke("leggi_attributo", { std::u16string(u"mmg\\tipo_orva") }); }),
        u"Archivio bloccato: riprovare pi\u00F9 tardi");
    EXPECT_EQ(server->invoke("get_error", { Variant() }),
        Variant(std::u16string(u"Archivio bloccato: riprovare pi\u00F9 tardi")));
    // A null answer stays null, for the wrapper to refuse.
    EXPECT_EQ(server->invoke("get_opzione", { std::u16string(u"utente"), std::u16string(u"contratto") }),
        Variant(host::Null {}));
}

TEST_F(OggettoComTest, AnUnknownMethodRaisesNamingIt)
{
    const auto server = crea();
    const auto errore = erroreDi([&] { server->invoke("metodo_inesistente", {}); });

    ASSERT_TRUE(errore.has_value());
    EXPECT_TRUE(errore->ends_with(u": metodo_inesistente")) << utf16ToUtf8(*errore);
    // A wrong argument count is the server's own refusal.
    EXPECT_EQ(erroreDi([&] { server->invoke("connetti", { std::u16string(u"rossi") }); }),
        u"Numero di parametri errato per connetti");
}

TEST_F(OggettoComTest, AMissingProgIdOrAServerThatCannotStartFailsTheCreation)
{
    const auto mancante = erroreDi([] { host::createAutomationObject("Orvella.Inesistente"); });
    ASSERT_TRUE(mancante.has_value());
    EXPECT_TRUE(mancante->ends_with(u": Orvella.Inesistente")) << utf16ToUtf8(*mancante);

    // The server's own reason comes back through COM's error object.
    const testing_support::ScopedEnv altrove(
        "ORVELLA_SERVER_DB", platform::percorsoUtf8(pratica.cartella() / "assente.sqlite"));
    const auto avvio = erroreDi([this] { crea(); });
    ASSERT_TRUE(avvio.has_value());
    EXPECT_TRUE(avvio->starts_with(u"Impossibile aprire l'archivio della pratica")) << utf16ToUtf8(*avvio);
}

// Retried inside COM, a call that a busy server rejects would hold the window without input or a
// word for the whole wait; Wine's COM never asks the filter, so no run under Wine would see it.
TEST_F(OggettoComTest, TheThreadsMessageFilterGivesEveryRejectedCallBackAtOnce)
{
    const auto server = crea(); // COM for this thread, with the adapter's filter
    IMessageFilter* filtro = nullptr;
    ASSERT_EQ(CoRegisterMessageFilter(nullptr, &filtro), S_OK);
    ASSERT_NE(filtro, nullptr) << "no message filter for the thread";
    for (const DWORD rifiuto : { SERVERCALL_RETRYLATER, SERVERCALL_REJECTED }) {
        for (const DWORD trascorsi : { 0u, 1000u, 59000u }) {
            EXPECT_EQ(filtro->RetryRejectedCall(nullptr, trascorsi, rifiuto), static_cast<DWORD>(-1))
                << "rejection " << rifiuto << " after " << trascorsi << " ms";
        }
    }
    CoRegisterMessageFilter(filtro, nullptr);
}

// A server in a process of its own refuses the calls of its busy time from its message filter,
// before they reach it, as a desktop program with a dialog open does; a library in the caller's
// process can only answer each with the busy code. Once the time is over, the call is answered.
TEST_F(OggettoComTest, ABusyServerRefusesItsCallsAsItsKindCanUntilItsTimeIsOver)
{
    pratica.esegui("INSERT INTO guasti (metodo, occupato_secondi, filtro) VALUES ('connetti', 1, 'REJECTED')");
    const auto server = crea();
    const bool inProcesso = GetModuleHandleW(L"orvella_server_com.dll") != nullptr;
    const std::uint32_t rifiuto = inProcesso ? host::kServerOccupato : host::kChiamataRifiutata;
    const auto connetti = [&] {
        try {
            server->invoke("connetti", { std::u16string(u"rossi"), std::u16string(u"demo") });
            return std::uint32_t { 0 };
        } catch (const host::AutomationError& errore) {
            return errore.codice();
        }
    };

    const auto inizio = std::chrono::steady_clock::now();
    EXPECT_EQ(connetti(), rifiuto) << (inProcesso ? "in process" : "out of process");
    std::uint32_t codice = rifiuto;
    while (codice == rifiuto && std::chrono::steady_clock::now() - inizio < std::chrono::seconds(5)) {
        Sleep(100);
        codice = connetti();
    }
    EXPECT_EQ(codice, 0u) << "still refused after the busy time, or refused otherwise";
    EXPECT_GE(std::chrono::steady_clock::now() - inizio, std::chrono::milliseconds(900));
    EXPECT_EQ(server->invoke("leggi_attributo", { std::u16string(u"userid_utente") }), Variant(std::u16string(u"M01")));
}

TEST_F(OggettoComTest, EachCreationIsANewInstance)
{
    const auto primo = crea();
    const auto secondo = crea();
    primo->invoke("connetti", { std::u16string(u"rossi"), std::u16string(u"demo") });

    EXPECT_EQ(primo->invoke("leggi_attributo", { std::u16string(u"userid_utente") }), Variant(std::u16string(u"M01")));
    EXPECT_EQ(erroreDi([&] { secondo->invoke("leggi_attributo", { std::u16string(u"userid_utente") }); }),
        u"Nessun utente connesso.");
}

} // namespace
