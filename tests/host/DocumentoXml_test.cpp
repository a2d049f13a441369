#include "host/DocumentoXml.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/EstrattoDifficile.h"
#include "host/QueryEstratto.h"
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

std::string ripeti(const std::string& testo, int volte)
{
    std::string risultato;
    for (int i = 0; i < volte; ++i)
        risultato += testo;
    return risultato;
}

struct CasoIllegibile {
    const char* nome;
    std::string contenuto;
    ErroreCaricamento errore;
    std::int64_t riga;
};

// Every way an extract can be unusable, each with the reason and the line the load gives: the
// export run reports them instead of an empty month.
TEST(DocumentoXml, UnusableExtractsGiveTheReasonAndLine)
{
    using enum ErroreCaricamento;
    const std::string inizio = kTestata + "<ESTRAZIONE>\n<Elenco_prestazioni_incentivanti>\n";
    const std::string servizio = "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"><codice_ov_pip>0000001</codice_ov_pip>"
                                 "</PRESTAZIONE_INCENTIVANTE>\n";
    std::string profondo = kTestata + "<R>\n";
    for (int i = 0; i < 300; ++i)
        profondo += "<a>\n";
    const std::vector<CasoIllegibile> casi = {
        { "empty", "", Vuoto, 0 },
        { "blanks only", " \r\n\t\r\n", Vuoto, 0 },
        { "declaration and comment only", kTestata + "<!-- niente -->\n", Vuoto, 0 },
        { "cut in a text", inizio + "<P io_id_paziente=\"1\">ab", Troncato, 4 },
        { "cut in a tag name", inizio + "<P io_id_pa", Troncato, 4 },
        { "cut in an attribute value", inizio + "<P io_id_paziente=\"1", Troncato, 4 },
        { "cut in a comment", inizio + "<!-- a\nb", Troncato, 5 },
        { "cut after a closing tag", inizio + "</Elenco_prestazioni_incentivanti>\n", Troncato, 5 },
        // Well past what the parser reads at a time.
        { "cut far into a long file", inizio + ripeti(servizio, 3000) + "<PRESTAZIONE_INCENTIVANTE io_id_paz", Troncato,
            3004 },
        { "Latin-1 byte in UTF-8", inizio + "<P io_id_paziente=\"\xE8\"/>", CaratteriNonValidi, 4 },
        { "NUL in a text", inizio + ripeti(servizio, 2) + std::string("<P>a\0b</P>", 10) + ripeti(servizio, 2000),
            CaratteriNonValidi, 6 },
        { "NUL padding at the end", inizio + servizio + std::string(5000, '\0'), CaratteriNonValidi, 5 },
        { "control character", inizio + "\n<P>\x01</P>", CaratteriNonValidi, 5 },
        { "reference to character 0", inizio + "<P>&#0;</P>", CaratteriNonValidi, 4 },
        { "unknown encoding", "<?xml version=\"1.0\" encoding=\"x-sconosciuta\"?>\n<R/>", Codifica, 1 },
        { "plain text", "non sono xml", NonBenFormato, 1 },
        { "tags crossed", inizio + "<a>\n<b></a></b>", NonBenFormato, 5 },
        { "two roots", kTestata + "<R/>\n<R/>", NonBenFormato, 3 },
        { "nesting past the parser's depth", profondo, TroppoAnnidato, 259 },
        { "text node past the parser's size", inizio + "<P>" + std::string(10'000'001, 'x') + "</P>", TestoTroppoLungo,
            4 },
        { "undeclared entity", inizio + "\n<P>&assente;</P>", EntitaNonDefinita, 5 },
        { "undeclared entity beside an external DTD",
            kTestata + "<!DOCTYPE R SYSTEM \"non_letta.dtd\">\n<R>\n<P>&assente;</P></R>", EntitaNonDefinita, 4 },
    };
    TempDir cartella;
    for (const CasoIllegibile& caso : casi) {
        SCOPED_TRACE(caso.nome);
        writeFile(cartella / "estratto.xml", caso.contenuto);
        DocumentoXml doc;
        // From a file, as the export run loads it, and from memory: the same answer.
        for (const bool daFile : { true, false }) {
            ASSERT_TRUE(doc.loadXml(estratto("<P io_id_paziente=\"1\"/>")));
            const EsitoCaricamento esito
                = daFile ? doc.load((cartella / "estratto.xml").string()) : doc.loadXml(caso.contenuto);
            EXPECT_FALSE(esito);
            EXPECT_EQ(esito.errore, caso.errore) << (daFile ? "file" : "memoria");
            EXPECT_EQ(esito.riga, caso.riga) << (daFile ? "file" : "memoria");
            EXPECT_TRUE(doc.vuoto());
            EXPECT_FALSE(doc.selezionaNodo(kQueryElenco));
            EXPECT_TRUE(doc.selezionaNodi("//P").empty());
            EXPECT_FALSE(doc.paziente("1"));
            EXPECT_TRUE(doc.prestazioniPaziente("1").empty());
            EXPECT_EQ(doc.contaPrestazioni("1", "", ""), 0);
        }
    }
}

TEST(DocumentoXml, FilesThatCannotBeReadGiveTheirOwnReason)
{
    TempDir cartella;
    std::filesystem::create_directory(cartella / "cartella.xml");
    for (const char* nome : { "manca.xml", "cartella.xml" }) {
        SCOPED_TRACE(nome);
        DocumentoXml doc;
        ASSERT_TRUE(doc.loadXml(estratto("")));
        const EsitoCaricamento esito = doc.load((cartella / nome).string());
        EXPECT_EQ(esito.errore, ErroreCaricamento::FileNonLeggibile);
        EXPECT_TRUE(doc.vuoto());
    }
}

TEST(DocumentoXml, ReasonsReadInItalianWithTheLine)
{
    EXPECT_EQ(
        descriviEsito({ ErroreCaricamento::Troncato, 3004 }), "il file si interrompe prima della fine (riga 3004)");
    EXPECT_EQ(descriviEsito({ ErroreCaricamento::Vuoto, 0 }), "il file \xE8 vuoto");
    EXPECT_EQ(descriviEsito({}), "");
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
// Entities: the document's own are expanded, as any DOM does; nothing outside it is ever read.

TEST(DocumentoXml, InternalEntitiesAreExpandedEverywhere)
{
    const std::string dtd = "<!DOCTYPE ESTRAZIONE [\n"
                            "<!ENTITY id \"P&#x20AC;7\">\n"
                            "<!ENTITY codice \"00000&uno;\"><!ENTITY uno \"01\">\n"
                            "<!ENTITY cf \"<codice_fiscale>mrarss80a01h501z</codice_fiscale>\">\n"
                            "<!ENTITY vuota \"\">\n"
                            "]>\n";
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml(kTestata + dtd
        + "<ESTRAZIONE><Elenco_prestazioni_incentivanti><P io_id_paziente=\"&id;\"/>"
          "</Elenco_prestazioni_incentivanti>"
          "<PAZIENTE io_id_paziente=\"&id;\"><PERSONA>&cf;</PERSONA></PAZIENTE>"
          "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"&id;\"><codice_ov_pip>&codice;&vuota;</codice_ov_pip>"
          "<data_esecuzione>2024-01-31</data_esecuzione><nome_prestazione>A &amp; &lt;B&gt; &#xE8;"
          "</nome_prestazione></PRESTAZIONE_INCENTIVANTE>"
          "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"P&#x20AC;7\"><codice_ov_pip>0000001</codice_ov_pip>"
          "<data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE></ESTRAZIONE>"));
    const std::string id = doc.selezionaNodo(kQueryElenco).nodiFigli().at(0).primoAttributo();
    EXPECT_EQ(id,
        "P\x80"
        "7");
    EXPECT_EQ(doc.leggiNodo(doc.paziente(id), "PERSONA/codice_fiscale"), "mrarss80a01h501z");
    const auto& prestazioni = doc.prestazioniPaziente(id);
    ASSERT_EQ(prestazioni.size(), 2u);
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "codice_ov_pip"), "0000001");
    EXPECT_EQ(doc.leggiNodo(prestazioni[0], "nome_prestazione"), "A & <B> \xE8");
    // An expanded value is one text, as the XPath engine sees it too.
    EXPECT_EQ(doc.contaPrestazioni(id, "2024-01-31", "0000001"), 2);
    EXPECT_EQ(doc.selezionaNodi(queryPrestazioniUguali(id, "2024-01-31", "0000001")).size(), 2u);
}

TEST(DocumentoXml, EntityBombsAreStoppedByTheParserLimits)
{
    std::string risata = "<!DOCTYPE Elenco_prestazioni_incentivanti [<!ENTITY l0 \"ha\">";
    for (int i = 1; i <= 12; ++i) {
        risata += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            risata += "&l" + std::to_string(i - 1) + ";";
        risata += "\">";
    }
    risata += "]>\n";
    const std::string grande(100000, 'A');
    const std::vector<std::pair<const char*, std::string>> casi = {
        { "nested in text",
            kTestata + risata + "<Elenco_prestazioni_incentivanti>&l12;</Elenco_prestazioni_incentivanti>" },
        { "nested in an attribute", kTestata + risata + "<Elenco_prestazioni_incentivanti a=\"&l12;\"/>" },
        // One large entity used over and over: gigabytes from a file of a few hundred kilobytes.
        { "one large entity repeated",
            kTestata + "<!DOCTYPE R [<!ENTITY e \"" + grande
                + "\">]>\n<R><Elenco_prestazioni_incentivanti/>"
                  "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"><codice_ov_pip>"
                + ripeti("&e;", 100000) + "</codice_ov_pip></PRESTAZIONE_INCENTIVANTE></R>" },
    };
    for (const auto& [nome, xml] : casi) {
        SCOPED_TRACE(nome);
        DocumentoXml doc;
        const EsitoCaricamento esito = doc.loadXml(xml);
        EXPECT_EQ(esito.errore, ErroreCaricamento::EntitaEccessive);
        EXPECT_EQ(esito.riga, 3);
        EXPECT_TRUE(doc.vuoto());
    }
}

TEST(DocumentoXml, ExternalEntitiesAndDtdsAreNeverRead)
{
    TempDir cartella;
    writeFile(cartella / "segreto.txt", "SEGRETO");
    writeFile(cartella / "segreto.dtd", "<!ENTITY segreto \"SEGRETO\">");
    // A DTD that would break the parse if it were read.
    writeFile(cartella / "rotto.dtd", "<!ELEMENT R (#PCDATA)> questo non e' una DTD <<<");
    const std::string uriSegreto = testing_support::fileUri(cartella / "segreto.txt");
    const std::string uriDtdSegreta = testing_support::fileUri(cartella / "segreto.dtd");
    const std::string uriDtd = testing_support::fileUri(cartella / "rotto.dtd");
    const xmlExternalEntityLoader caricatore = xmlGetExternalEntityLoader();

    // Used, an external entity would be text the extract does not hold: the extract is unusable.
    const std::vector<std::pair<const char*, std::string>> usate = {
        { "in content",
            "<!DOCTYPE R [<!ENTITY xxe SYSTEM \"" + uriSegreto
                + "\">]>\n<R><Elenco_prestazioni_incentivanti/>\n"
                  "<c>&xxe;</c></R>" },
        { "in a parameter entity",
            "<!DOCTYPE R [<!ENTITY % p SYSTEM \"" + uriDtdSegreta + "\">\n\n%p;]><R><c>&segreto;</c></R>" },
    };
    for (const auto& [nome, xml] : usate) {
        SCOPED_TRACE(nome);
        DocumentoXml doc;
        const EsitoCaricamento esito = doc.loadXml(kTestata + xml);
        EXPECT_EQ(esito.errore, ErroreCaricamento::EntitaEsterna);
        EXPECT_EQ(esito.riga, 4);
        EXPECT_TRUE(doc.vuoto());
    }

    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml(kTestata + "<!DOCTYPE R SYSTEM \"" + uriDtd + "\"><R><c>ok</c></R>"));
    EXPECT_EQ(doc.leggiNodo(doc.selezionaNodo("/R"), "c"), "ok");

    // Declared but never referenced: harmless, and its text stays out of the document.
    ASSERT_TRUE(doc.loadXml(kTestata + "<!DOCTYPE R [<!ENTITY xxe SYSTEM \"" + uriSegreto + "\">]><R><c>ok</c></R>"));
    EXPECT_EQ(doc.selezionaNodo("/R").testo(), "ok");

    // Whoever else in the program reads XML keeps libxml2's own way of loading files.
    EXPECT_EQ(xmlGetExternalEntityLoader(), caricatore);
}

} // namespace
