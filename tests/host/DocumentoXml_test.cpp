#include "host/DocumentoXml.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/EstrattoDifficile.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string kTestata = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string estratto(const std::string& corpo)
{
    return kTestata + "<ESTRAZIONE>\n<Elenco_prestazioni_incentivanti>\n" + corpo
        + "</Elenco_prestazioni_incentivanti>\n</ESTRAZIONE>\n";
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST(DocumentoXml, LoadsFileByWindows1252PathAndFindsTheList)
{
    TempDir cartella;
    // "à" in the program's Windows-1252 path, the file system's own form of it on disk.
    writeFile(
        cartella.path() / u8"estratto_\u00E0.xml", estratto("<P io_id_paziente=\"1\"/>\n<P io_id_paziente=\"2\"/>\n"));
    DocumentoXml doc;
    ASSERT_TRUE(doc.load(cartella.path().string() + "/estratto_\xE0.xml"));
    EXPECT_FALSE(doc.vuoto());
    const NodoXml elenco = doc.selezionaNodo(kQueryElenco);
    ASSERT_TRUE(elenco);
    const auto figli = elenco.nodiFigli();
    ASSERT_EQ(figli.size(), 2u);
    EXPECT_EQ(figli[0].primoAttributo(), "1");
    EXPECT_EQ(figli[1].primoAttributo(), "2");
}

TEST(DocumentoXml, BadFilesLeaveTheDocumentEmptyWithoutThrowing)
{
    TempDir cartella;
    writeFile(cartella / "rotto.xml", kTestata + "<Elenco_prestazioni_incentivanti><P io_id_paziente=\"1\">");
    writeFile(cartella / "vuoto.xml", "");
    writeFile(cartella / "testo.xml", "non sono xml");
    writeFile(cartella / "senza_radice.xml", kTestata + "<!-- niente -->");
    // Declared UTF-8 but holding a Latin-1 byte.
    writeFile(cartella / "codifica.xml",
        kTestata + "<Elenco_prestazioni_incentivanti>\xE8</Elenco_prestazioni_incentivanti>");

    std::filesystem::create_directory(cartella / "cartella.xml");

    for (const std::string nome :
        { "rotto.xml", "vuoto.xml", "testo.xml", "senza_radice.xml", "codifica.xml", "manca.xml", "cartella.xml" }) {
        SCOPED_TRACE(nome);
        DocumentoXml doc;
        ASSERT_TRUE(doc.loadXml(estratto("<P io_id_paziente=\"1\"/>")));
        EXPECT_FALSE(doc.load((cartella / nome).string()));
        EXPECT_TRUE(doc.vuoto());
        EXPECT_FALSE(doc.selezionaNodo(kQueryElenco));
        EXPECT_TRUE(doc.selezionaNodi("//P").empty());
        EXPECT_FALSE(doc.paziente("1"));
        EXPECT_TRUE(doc.prestazioniPaziente("1").empty());
        EXPECT_EQ(doc.contaPrestazioni("1", "", ""), 0);
    }
}

TEST(DocumentoXml, EachLoadReplacesThePreviousContent)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml(estratto("<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"/>")));
    ASSERT_EQ(doc.prestazioniPaziente("1").size(), 1u);
    ASSERT_TRUE(doc.loadXml(estratto("<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"2\"/>")));
    EXPECT_TRUE(doc.prestazioniPaziente("1").empty());
    EXPECT_EQ(doc.prestazioniPaziente("2").size(), 1u);
    EXPECT_EQ(doc.selezionaNodi("//PRESTAZIONE_INCENTIVANTE").size(), 1u);
}

TEST(DocumentoXml, LoadsALargeFileWhole)
{
    // Far more than the parser reads at a time, with multi-byte characters all along, so that some
    // are split between two of the pieces it is handed.
    std::string corpo;
    for (int i = 0; i < 5000; ++i)
        corpo += "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"7\"><nome_prestazione>Medicazione \xC3\xA8 n. "
            + std::to_string(i) + "</nome_prestazione></PRESTAZIONE_INCENTIVANTE>\n";
    TempDir cartella;
    writeFile(cartella / "grande.xml", estratto(corpo));
    DocumentoXml doc;
    ASSERT_TRUE(doc.load((cartella / "grande.xml").string()));
    const auto& prestazioni = doc.prestazioniPaziente("7");
    ASSERT_EQ(prestazioni.size(), 5000u);
    for (const std::size_t i : { 0u, 1234u, 4999u })
        EXPECT_EQ(doc.leggiNodo(prestazioni[i], "nome_prestazione"), "Medicazione \xE8 n. " + std::to_string(i));
}

// ---------------------------------------------------------------------------------------------
// Encodings: whatever the extract declares, texts come out as Windows-1252 bytes.

struct CasoCodifica {
    const char* nome;
    std::string xml;
};

TEST(DocumentoXml, ReadsTheThreeEncodingsIntoWindows1252)
{
    // Nicolò, fiscal code with "à", and the id "é7".
    const auto corpo = [](const std::string& o, const std::string& a, const std::string& e) {
        return "<Elenco_prestazioni_incentivanti><P io_id_paziente=\"" + e
            + "7\"/></Elenco_prestazioni_incentivanti>"
              "<PAZIENTE io_id_paziente=\""
            + e + "7\"><PERSONA><nome>Nicol" + o
            + "</nome>"
              "<codice_fiscale>mrarss80a01h50"
            + a + "z</codice_fiscale></PERSONA></PAZIENTE>";
    };
    const std::vector<CasoCodifica> casi = {
        { "UTF-8",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R>" + corpo("\xC3\xB2", "\xC3\xA0", "\xC3\xA9") + "</R>" },
        { "ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R>" + corpo("\xF2", "\xE0", "\xE9") + "</R>" },
        { "windows-1252",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?><R>" + corpo("\xF2", "\xE0", "\xE9") + "</R>" },
        { "no declaration", "<R>" + corpo("\xC3\xB2", "\xC3\xA0", "\xC3\xA9") + "</R>" },
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.nome);
        DocumentoXml doc;
        ASSERT_TRUE(doc.loadXml(caso.xml));
        const NodoXml elenco = doc.selezionaNodo(kQueryElenco);
        ASSERT_TRUE(elenco);
        const std::string id = elenco.nodiFigli().at(0).primoAttributo();
        EXPECT_EQ(id,
            "\xE9"
            "7");
        const NodoXml paziente = doc.paziente(id);
        ASSERT_TRUE(paziente);
        EXPECT_EQ(doc.leggiNodo(paziente, "PERSONA/codice_fiscale"), "mrarss80a01h50\xE0z");
        EXPECT_EQ(doc.leggiNodo(paziente, "PERSONA/nome"), "Nicol\xF2");
        // A query holding the Windows-1252 id finds the same node.
        EXPECT_EQ(doc.selezionaNodo(queryPaziente(id)), paziente);
    }
}

TEST(DocumentoXml, Windows1252OnlyCharactersAndUnrepresentableOnes)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml("<?xml version=\"1.0\" encoding=\"windows-1252\"?><R><a>\x80 \x9C \x8A</a></R>"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "a"), "\x80 \x9C \x8A");

    // The five bytes that Windows-1252 leaves undefined come through unchanged, as Windows reads them.
    ASSERT_TRUE(doc.loadXml("<?xml version=\"1.0\" encoding=\"windows-1252\"?><R><a>\x81\x8D\x8F\x90\x9D</a></R>"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "a"), "\x81\x8D\x8F\x90\x9D");
    ASSERT_TRUE(doc.loadXml("<?xml version=\"1.0\" encoding=\"CP1252\"?><R><a>\x80\x81</a></R>"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "a"), "\x80\x81");

    // Euro sign, a Polish L with stroke and a CJK ideograph: the last two have no Windows-1252 byte.
    ASSERT_TRUE(doc.loadXml("<R><a>\xE2\x82\xAC\xC5\x81\xE4\xB8\xAD</a><b>&#x20AC;&#x141;</b></R>"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "a"), "\x80??");
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "b"), "\x80?");
}

// ---------------------------------------------------------------------------------------------
// White space, as a DOM that does not preserve it.

TEST(DocumentoXml, WhitespaceOnlyTextNodesAreDroppedEverywhere)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml(kTestata
        + "<R>\n  <Elenco_prestazioni_incentivanti>\n"
          "    <P io_id_paziente=\"1\"/>\n"
          "    <!-- commento -->\n"
          "    <P io_id_paziente=\"2\"> \t\r\n </P>\n"
          "    testo libero \n"
          "  </Elenco_prestazioni_incentivanti>\n"
          "  <PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\">\n"
          "    <codice_ov_pip>   </codice_ov_pip>\n"
          "    <data_esecuzione> 2024-01-31 </data_esecuzione>\n"
          "    <nome_prestazione><![CDATA[  ]]></nome_prestazione>\n"
          "  </PRESTAZIONE_INCENTIVANTE>\n</R>\n"));
    const auto figli = doc.selezionaNodo(kQueryElenco).nodiFigli();
    ASSERT_EQ(figli.size(), 4u);
    EXPECT_EQ(figli[0].get()->type, XML_ELEMENT_NODE);
    EXPECT_EQ(figli[1].get()->type, XML_COMMENT_NODE);
    EXPECT_TRUE(figli[2].nodiFigli().empty());
    EXPECT_EQ(figli[3].get()->type, XML_TEXT_NODE);
    EXPECT_EQ(figli[3].testo(), "\n    testo libero \n  ");

    const NodoXml prestazione = doc.prestazioniPaziente("1").at(0);
    EXPECT_EQ(prestazione.nodiFigli().size(), 3u);
    EXPECT_EQ(doc.leggiNodo(prestazione, "codice_ov_pip"), "");
    // Other text keeps its own blanks, and a CDATA section is content, not layout.
    EXPECT_EQ(doc.leggiNodo(prestazione, "data_esecuzione"), " 2024-01-31 ");
    EXPECT_EQ(doc.leggiNodo(prestazione, "nome_prestazione"), "  ");
    // The XPath engine sees the same tree: the blank code now equals the empty text.
    EXPECT_EQ(doc.selezionaNodi(queryPrestazioniUguali("1", " 2024-01-31 ", "")).size(), 1u);
    EXPECT_EQ(doc.contaPrestazioni("1", " 2024-01-31 ", ""), 1);
}

// ---------------------------------------------------------------------------------------------
// Nodes, attributes, leggiNodo

TEST(DocumentoXml, LeggiNodoEdgeCases)
{
    DocumentoXml doc;
    ASSERT_TRUE(
        doc.loadXml(estratto("<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"><codice_ov_pip>0000001</codice_ov_pip>"
                             "<nome_prestazione>Prima</nome_prestazione><nome_prestazione>Seconda</nome_prestazione>"
                             "<data_esecuzione>2024-<b>01</b>-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>"
                             "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"><codice_ov_pip>0000002</codice_ov_pip>"
                             "</PRESTAZIONE_INCENTIVANTE>")));
    const auto prestazioni = doc.prestazioniPaziente("1");
    ASSERT_EQ(prestazioni.size(), 2u);

    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "nome_prestazione"), "Prima");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "data_esecuzione"), "2024-01-31");
    // Missing element right after a call that found one.
    EXPECT_EQ(doc.leggiNodo(prestazioni[1], "nome_prestazione"), "");
    EXPECT_EQ(doc.leggiNodo(prestazioni[1], "codice_ov_pip"), "0000002");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "@io_id_paziente"), "1");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "../PRESTAZIONE_INCENTIVANTE[2]/codice_ov_pip"), "0000002");

    // Failures give the empty text.
    EXPECT_EQ(doc.leggiNodo(NodoXml(), "codice_ov_pip"), "");
    EXPECT_EQ(doc.leggiNodo(doc.paziente("1"), "PERSONA/codice_fiscale"), "");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "codice_ov_pip[["), "");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], ""), "");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "count(codice_ov_pip)"), "");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], std::string("codice_ov_pip\0x", 15)), "");

    DocumentoXml altro;
    ASSERT_TRUE(altro.loadXml("<codice_ov_pip>estraneo</codice_ov_pip>"));
    EXPECT_EQ(doc.leggiNodo(altro.selezionaNodo("/*"), "."), "");

    DocumentoXml vuoto;
    EXPECT_EQ(vuoto.leggiNodo(prestazioni[0], "codice_ov_pip"), "");
}

TEST(DocumentoXml, SelectionRejectsInvalidXPathOnALoadedDocument)
{
    DocumentoXml doc;
    EXPECT_FALSE(doc.selezionaNodo("//[[")); // nothing loaded: nothing to select, no failure
    ASSERT_TRUE(doc.loadXml(estratto("")));
    EXPECT_THROW(doc.selezionaNodo("//[["), std::runtime_error);
    EXPECT_THROW(doc.selezionaNodi("count(//P)"), std::runtime_error);
    EXPECT_THROW(doc.selezionaNodi("//P[@a='x'"), std::runtime_error);
    // Still usable afterwards.
    EXPECT_TRUE(doc.selezionaNodo(kQueryElenco));
}

TEST(DocumentoXml, NamespaceNodesAreReadButNeverHandedOut)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml("<R xmlns:o=\"urn:o\"><a/></R>"));
    // They would not outlive the selection that made them.
    EXPECT_TRUE(doc.selezionaNodi("//namespace::*").empty());
    EXPECT_EQ(doc.selezionaNodo("/R/namespace::o | /R/a"), doc.selezionaNodo("/R/a"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "namespace::o"), "urn:o");
}

TEST(DocumentoXml, PlainPathsReadExactlyAsTheirXPath)
{
    DocumentoXml doc;
    std::string xml = kEstrattoDifficile;
    xml.insert(xml.rfind("</ESTRAZIONE>"),
        "<PAZIENTE io_id_paziente=\"99\"><PERSONA/><o:PERSONA><codice_fiscale>NS</codice_fiscale></o:PERSONA>"
        "<PERSONA><codice_fiscale>SECONDA</codice_fiscale><codice_fiscale>TERZA</codice_fiscale></PERSONA></PAZIENTE>");
    ASSERT_TRUE(doc.loadXml(xml));
    EXPECT_EQ(doc.leggiNodo(doc.paziente("99"), "PERSONA/codice_fiscale"), "SECONDA");

    const std::vector<std::string> percorsi = { "codice_ov_pip", "data_esecuzione", "nome_prestazione",
        "PERSONA/codice_fiscale", "PERSONA", "x", "PRESTAZIONE_INCENTIVANTE/codice_ov_pip",
        "DENTRO/PRESTAZIONE_INCENTIVANTE/PRESTAZIONE_INCENTIVANTE/data_esecuzione",
        "ESTRAZIONE/GRUPPO/PRESTAZIONE_INCENTIVANTE/data_esecuzione", "GRUPPO/DENTRO" };
    std::vector<NodoXml> nodi = doc.selezionaNodi("//node() | //@*");
    nodi.push_back(doc.selezionaNodo("/"));
    int trovati = 0;
    for (const NodoXml& nodo : nodi) {
        for (const std::string& percorso : percorsi) {
            // "./" makes the same path one that only the XPath engine reads.
            const std::string atteso = doc.leggiNodo(nodo, "./" + percorso);
            ASSERT_EQ(doc.leggiNodo(nodo, percorso), atteso) << percorso << " from " << nodo.testo();
            trovati += atteso.empty() ? 0 : 1;
        }
    }
    EXPECT_GE(trovati, 40);
}

// ---------------------------------------------------------------------------------------------
// Hostile extracts: no crash, no hang, no file read, nothing from them.

TEST(DocumentoXml, BillionLaughsIsRefused)
{
    std::string dtd = "<!DOCTYPE Elenco_prestazioni_incentivanti [<!ENTITY l0 \"ha\">";
    for (int i = 1; i <= 12; ++i) {
        dtd += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            dtd += "&l" + std::to_string(i - 1) + ";";
        dtd += "\">";
    }
    dtd += "]>";
    DocumentoXml doc;
    EXPECT_FALSE(doc.loadXml(
        kTestata + dtd + "<Elenco_prestazioni_incentivanti a=\"&l12;\">&l12;</Elenco_prestazioni_incentivanti>"));
    EXPECT_TRUE(doc.vuoto());
}

TEST(DocumentoXml, EntityBlowUpWithinTheParserLimitsIsRefusedToo)
{
    // Accepted by the parser, but every read of the code would expand to gigabytes.
    const std::string grande(100000, 'A');
    std::string riferimenti;
    for (int i = 0; i < 100000; ++i)
        riferimenti += "&e;";
    DocumentoXml doc;
    EXPECT_FALSE(doc.loadXml(kTestata + "<!DOCTYPE R [<!ENTITY e \"" + grande
        + "\">]><R><Elenco_prestazioni_incentivanti/>"
          "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"><codice_ov_pip>"
        + riferimenti + "</codice_ov_pip></PRESTAZIONE_INCENTIVANTE></R>"));
    EXPECT_TRUE(doc.vuoto());
    EXPECT_FALSE(doc.loadXml(kTestata + "<!DOCTYPE R [<!ENTITY e \"x\">]><R><P io_id_paziente=\"&e;\"/></R>"));
}

TEST(DocumentoXml, ExternalEntitiesAndDtdsAreNeverRead)
{
    TempDir cartella;
    writeFile(cartella / "segreto.txt", "SEGRETO");
    // A DTD that would break the parse if it were read.
    writeFile(cartella / "rotto.dtd", "<!ELEMENT R (#PCDATA)> questo non e' una DTD <<<");
    const std::string uriSegreto = "file://" + (cartella / "segreto.txt").string();
    const std::string uriDtd = "file://" + (cartella / "rotto.dtd").string();

    DocumentoXml doc;
    EXPECT_FALSE(doc.loadXml(kTestata + "<!DOCTYPE R [<!ENTITY xxe SYSTEM \"" + uriSegreto
        + "\">]>"
          "<R><Elenco_prestazioni_incentivanti/><c>&xxe;</c></R>"));
    EXPECT_TRUE(doc.vuoto());

    ASSERT_TRUE(doc.loadXml(kTestata + "<!DOCTYPE R SYSTEM \"" + uriDtd + "\"><R><c>ok</c></R>"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "c"), "ok");

    // Declared but never referenced: harmless, and its text stays out of the document.
    ASSERT_TRUE(doc.loadXml(kTestata + "<!DOCTYPE R [<!ENTITY xxe SYSTEM \"" + uriSegreto + "\">]><R><c>ok</c></R>"));
    EXPECT_EQ(doc.selezionaNodo("/R").testo(), "ok");
}

TEST(DocumentoXml, NestingBeyondTheParserLimitIsRefused)
{
    std::string profondo;
    for (int i = 0; i < 5000; ++i)
        profondo += "<a>";
    for (int i = 0; i < 5000; ++i)
        profondo += "</a>";
    DocumentoXml doc;
    EXPECT_FALSE(doc.loadXml(profondo));
    EXPECT_TRUE(doc.vuoto());
}

} // namespace
