#include "host/Automation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/ScriptedAutomation.h"
#include "tools/Cp1252.h"

namespace {

using host::AutomationError;
using host::Variant;

// The message of the automation error that the conversion raises, or nothing.
template <typename Conversione> std::optional<std::u16string> erroreDi(Conversione conversione)
{
    try {
        conversione();
    } catch (const AutomationError& errore) {
        return errore.messaggio();
    }
    return std::nullopt;
}

TEST(AutomationRegistry, IdentifiersIgnoreLetterCaseAndUnknownOnesFail)
{
    testing_support::ScriptedAutomation server("Prova.Server");
    server.answer("ping", u"pong");

    const auto oggetto = host::createAutomationObject("PROVA.server");
    EXPECT_EQ(oggetto->invoke("ping", {}), Variant(std::u16string(u"pong")));
    EXPECT_EQ(server.instancesCreated(), 1);
    const auto altro = host::createAutomationObject("Prova.Server");
    EXPECT_EQ(server.instancesCreated(), 2) << "always a new instance";

    // Unknown here, the name goes to the system's class registry, which names it in its refusal.
    const auto sconosciuto = erroreDi([] { host::createAutomationObject("Prova.Altro"); });
    ASSERT_TRUE(sconosciuto.has_value());
    EXPECT_TRUE(sconosciuto->ends_with(u": Prova.Altro")) << utf16ToUtf8(*sconosciuto);
}

TEST(AutomationRegistry, AFactoryThatGivesNothingFailsTheCreation)
{
    host::registerAutomationClass("Prova.Vuota", [] { return std::unique_ptr<host::AutomationObject>(); });
    EXPECT_EQ(erroreDi([] { host::createAutomationObject("Prova.Vuota"); }), u"Server execution failed: Prova.Vuota");
    host::unregisterAutomationClass("Prova.Vuota");
    const auto tolto = erroreDi([] { host::createAutomationObject("Prova.Vuota"); });
    ASSERT_TRUE(tolto.has_value());
    EXPECT_TRUE(tolto->ends_with(u": Prova.Vuota")) << utf16ToUtf8(*tolto);
}

TEST(AutomationConversion, ToText)
{
    EXPECT_EQ(host::variantToText(Variant()), u"");
    EXPECT_EQ(host::variantToText(Variant(std::u16string(u" 07 "))), u" 07 ");
    EXPECT_EQ(host::variantToText(Variant(std::int32_t { -12 })), u"-12");
    EXPECT_EQ(host::variantToText(Variant(true)), u"True");
    EXPECT_TRUE(erroreDi([] { host::variantToText(Variant(host::Null {})); }).has_value());
}

TEST(AutomationConversion, ToIntegerTakesOnlyWholeDecimalNumbers)
{
    struct Caso {
        std::u16string testo;
        std::optional<std::int32_t> atteso;
    };
    const Caso casi[] = {
        { u"12", 12 },
        { u" 12\t", 12 },
        { u"+12", 12 },
        { u"-12", -12 },
        { u"2147483647", 2147483647 },
        { u"2147483648", std::nullopt },
        { u"", std::nullopt },
        { u"  ", std::nullopt },
        { u"+", std::nullopt },
        { u"+-5", std::nullopt },
        { u"++5", std::nullopt },
        { u"1 2", std::nullopt },
        { u"12a", std::nullopt },
        { u"12.0", std::nullopt },
        { u"0x1F", std::nullopt },
        { u"dodici", std::nullopt },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(std::string(caso.testo.begin(), caso.testo.end()));
        const Variant valore(caso.testo);
        if (caso.atteso)
            EXPECT_EQ(host::variantToInteger(valore), *caso.atteso);
        else
            EXPECT_EQ(erroreDi([&] { host::variantToInteger(valore); }),
                u"Could not convert variant of type (String) into type (Integer)");
    }
    EXPECT_EQ(host::variantToInteger(Variant()), 0);
    EXPECT_EQ(host::variantToInteger(Variant(std::int32_t { 7 })), 7);
    EXPECT_EQ(host::variantToInteger(Variant(true)), -1);
    EXPECT_EQ(erroreDi([] { host::variantToInteger(Variant(host::Null {})); }),
        u"Could not convert variant of type (Null) into type (Integer)");
}

TEST(AutomationConversion, FailureTextIs1252)
{
    EXPECT_EQ(host::testoErrore(AutomationError(u"citt\u00E0 \u20AC")), "citt\xE0 \x80");
    EXPECT_EQ(host::testoErrore(std::runtime_error("citt\xC3\xA0")), "citt\xE0");
    EXPECT_EQ(host::testoErrore(std::runtime_error("citt\xE0")), "citt\xE0") << "already 8-bit";
}

// "..." after a text of exactly 500 characters, though nothing was cut, or a cut one character
// late: both cuts, of a host's text and of any other failure's, on each side of the bound.
TEST(AutomationConversion, FailureTextIsCutOnlyPastFiveHundredCharacters)
{
    struct Caso {
        std::size_t lunghezza;
        bool dallHost;
        std::string atteso;
    };
    const Caso casi[] = {
        { 500, true, std::string(499, 'x') + "y" },
        { 501, true, std::string(500, 'x') + "..." },
        { 500, false, std::string(499, 'x') + "y" },
        { 501, false, std::string(500, 'x') + "..." },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(testing::Message() << caso.lunghezza << (caso.dallHost ? " from the host" : ""));
        const std::string testo = std::string(caso.lunghezza - 1, 'x') + "y";
        EXPECT_EQ(caso.dallHost ? host::testoErrore(AutomationError(cp1252ToUtf16(testo)))
                                : host::testoErrore(std::runtime_error(testo)),
            caso.atteso);
    }
}

} // namespace
