#include "hostserver/ScrittoreXml.h"

#include <gtest/gtest.h>

#include "PraticaDiProva.h"

namespace {

using hostserver::appendiTestoXml;
using hostserver::ScrittoreXml;
using pratica_di_prova::DocumentoXml;
using testing_support::readFile;

std::string escape(std::string_view testo, bool inAttributo)
{
    std::string uscita = "[";
    appendiTestoXml(uscita, testo, inAttributo);
    return uscita + "]";
}

TEST(ScrittoreXmlTest, EscapeDiTestiEAttributi)
{
    struct Caso {
        std::string_view testo;
        std::string_view inTesto;
        std::string_view inAttributo;
    };
    const Caso casi[] = {
        { "", "[]", "[]" },
        { "Rossi Mario", "[Rossi Mario]", "[Rossi Mario]" },
        { "a & b < c > d", "[a &amp; b &lt; c &gt; d]", "[a &amp; b &lt; c &gt; d]" },
        { "]]>", "[]]&gt;]", "[]]&gt;]" },
        { "\"D'Amico\"", "[&quot;D'Amico&quot;]", "[&quot;D'Amico&quot;]" },
        { "uno\r\ndue", "[uno&#13;\ndue]", "[uno&#13;&#10;due]" },
        { "a\tb", "[a\tb]", "[a&#9;b]" },
        { "Nicol\xC3\xB2 \xE2\x80\x93 \xF0\x9F\x98\x80", "[Nicol\xC3\xB2 \xE2\x80\x93 \xF0\x9F\x98\x80]",
            "[Nicol\xC3\xB2 \xE2\x80\x93 \xF0\x9F\x98\x80]" },
        // Characters XML cannot hold, and bytes that are not UTF-8, become U+FFFD.
        { std::string_view("a\0b", 3),
            "[a\xEF\xBF\xBD"
            "b]",
            "[a\xEF\xBF\xBD"
            "b]" },
        { "\x01\x1F\x7F", "[\xEF\xBF\xBD\xEF\xBF\xBD\x7F]", "[\xEF\xBF\xBD\xEF\xBF\xBD\x7F]" },
        { "Nicol\xF2", "[Nicol\xEF\xBF\xBD]", "[Nicol\xEF\xBF\xBD]" },
        { "\xC3", "[\xEF\xBF\xBD]", "[\xEF\xBF\xBD]" },
        { "\xC0\xAF", "[\xEF\xBF\xBD\xEF\xBF\xBD]", "[\xEF\xBF\xBD\xEF\xBF\xBD]" },
        { "\xED\xA0\x80", "[\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD]", "[\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD]" },
        { "\xEF\xBF\xBE", "[\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD]", "[\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD]" },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(std::string(caso.testo));
        EXPECT_EQ(escape(caso.testo, false), caso.inTesto);
        EXPECT_EQ(escape(caso.testo, true), caso.inAttributo);
    }
}

TEST(ScrittoreXmlTest, IlFileScrittoRestituisceITestiAlParser)
{
    testing_support::TempDir cartella;
    const auto percorso = cartella / "prova.xml";
    const std::string valori[]
        = { "a & <b> \"c\" 'd'", "uno\r\ndue\tfine", "\xC3\xA8 \xE2\x82\xAC", std::string(600, 'x') };
    ScrittoreXml xml(percorso);
    xml.dichiarazione();
    xml.apri("radice");
    // Enough elements to pass through the buffer more than once.
    for (int i = 0; i < 2000; ++i) {
        for (const std::string& valore : valori) {
            xml.apri("voce", { { "valore", valore }, { "n", std::to_string(i) } });
            xml.foglia("testo", valore);
            xml.chiudi("voce");
        }
    }
    xml.chiudi("radice");
    xml.termina();

    const DocumentoXml documento(percorso);
    ASSERT_TRUE(documento.benFormato());
    const auto voci = documento.nodi("/radice/voce");
    ASSERT_EQ(voci.size(), 8000u);
    for (std::size_t i = 0; i < voci.size(); i += 997) {
        const std::string& atteso = valori[i % 4];
        EXPECT_EQ(DocumentoXml::contenuto(reinterpret_cast<xmlNodePtr>(voci[i]->properties)), atteso);
        EXPECT_EQ(DocumentoXml::contenuto(voci[i]), atteso) << "il testo dell'elemento";
    }
    EXPECT_EQ(readFile(percorso).rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<radice><voce valore=", 0), 0u);
}

TEST(ScrittoreXmlTest, CartellaMancanteSolleva)
{
    testing_support::TempDir cartella;
    EXPECT_THROW(ScrittoreXml(cartella / "manca" / "x.xml"), std::runtime_error);
}

} // namespace
