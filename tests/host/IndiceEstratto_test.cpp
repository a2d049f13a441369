#include "host/IndiceEstratto.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/DocumentoXml.h"
#include "host/EstrattoDifficile.h"

namespace {

// The index is read through the document, which builds it on every load; the XPath engine on the
// same tree is the reference.
TEST(IndiceEstratto, GivesExactlyWhatTheQueriesSelect)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml(kEstrattoDifficile));

    // Every value that occurs anywhere in the document, and some that do not.
    std::set<std::string> id = { "", "2", "01", "1 ", "\xE8", "?", "d'a\"b", "molti" };
    std::set<std::string> date = { "", "2024-01-3", "9" };
    std::set<std::string> codici = { "", "0000002", "\x80", "c\"'\"d" };
    for (const NodoXml& nodo : doc.selezionaNodi("//@*"))
        id.insert(nodo.testo());
    for (const NodoXml& nodo : doc.selezionaNodi("//*[local-name()='data_esecuzione']"))
        date.insert(nodo.testo());
    for (const NodoXml& nodo : doc.selezionaNodi("//*[local-name()='codice_ov_pip']"))
        codici.insert(nodo.testo());

    int confronti = 0;
    for (const std::string& i : id) {
        SCOPED_TRACE("id " + i);
        EXPECT_EQ(doc.paziente(i), doc.selezionaNodo(queryPaziente(i)));
        EXPECT_EQ(doc.prestazioniPaziente(i), doc.selezionaNodi(queryPrestazioniPaziente(i)));
        for (const std::string& d : date) {
            for (const std::string& c : codici) {
                const auto attesi
                    = static_cast<std::int32_t>(doc.selezionaNodi(queryPrestazioniUguali(i, d, c)).size());
                ASSERT_EQ(doc.contaPrestazioni(i, d, c), attesi) << "data " << d << " codice " << c;
                confronti += attesi > 0 ? 1 : 0;
            }
        }
    }
    // The comparison is not an empty one.
    EXPECT_GE(confronti, 20);
}

TEST(IndiceEstratto, CasesSpelledOut)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml(kEstrattoDifficile));
    EXPECT_EQ(doc.leggiNodo(doc.paziente("1"), "PERSONA/codice_fiscale"), "CF1-PRIMO");
    EXPECT_EQ(doc.leggiNodo(doc.paziente("11"), "PERSONA/codice_fiscale"), "");
    EXPECT_TRUE(doc.paziente("11"));
    EXPECT_FALSE(doc.paziente("12")); // its attribute is in another namespace
    EXPECT_FALSE(doc.paziente("123")); // so is its element
    EXPECT_FALSE(doc.paziente("2")); // services, but no patient element
    EXPECT_EQ(doc.leggiNodo(doc.paziente("O'Brien"), "PERSONA/codice_fiscale"), "CF-APO");

    EXPECT_EQ(doc.prestazioniPaziente("1").size(), 11u);
    EXPECT_EQ(doc.prestazioniPaziente("11").size(), 2u);
    EXPECT_EQ(doc.prestazioniPaziente("12").size(), 1u);
    EXPECT_EQ(doc.prestazioniPaziente("123").size(), 2u);
    EXPECT_TRUE(doc.prestazioniPaziente("9").empty());
    // The nested one comes after its container, in document order.
    EXPECT_EQ(doc.prestazioniPaziente("1")[2].get()->parent, doc.prestazioniPaziente("11")[1].get());

    // Two plain ones, the nested one, one with two codes and the date twice, one with nested
    // text, one with CDATA and a comment splitting its date.
    EXPECT_EQ(doc.contaPrestazioni("1", "2024-01-31", "0000001"), 6);
    EXPECT_EQ(doc.contaPrestazioni("1", "2024-02-01", "0000023"), 1);
    EXPECT_EQ(doc.contaPrestazioni("1", "", ""), 1);
    EXPECT_EQ(doc.contaPrestazioni("11", "2024-01-31", "0000001"), 2);
    EXPECT_EQ(doc.contaPrestazioni("12", "2024-01-31", "0000001"), 1);
    EXPECT_EQ(doc.contaPrestazioni("123", "2024-01-31", "0000001"), 2);
    EXPECT_EQ(doc.contaPrestazioni(" 1", "2024-01-31", "0000001"), 1);
    // Layout white space around a nested element is no part of the value.
    EXPECT_EQ(doc.contaPrestazioni("2", "2024-03-01", "0000003"), 1);
    EXPECT_EQ(doc.contaPrestazioni("O'Brien", "2024-01-3'", "00'01"), 2);
    EXPECT_EQ(doc.contaPrestazioni("d'a\"b", "2024-01-31", "c\"'\"d"), 1);
    EXPECT_EQ(doc.contaPrestazioni("\xE8", "2024-01-31", "\x80"), 1);
    // Several date and code children: any of each.
    EXPECT_EQ(doc.contaPrestazioni("molti", "4", "C"), 3);
    EXPECT_EQ(doc.contaPrestazioni("molti", "5", "A"), 2);
    EXPECT_EQ(doc.contaPrestazioni("molti", "7", "E"), 0);
    EXPECT_EQ(doc.contaPrestazioni("molti", "1", "E"), 1);
    // A value with a NUL matches nothing.
    EXPECT_EQ(doc.contaPrestazioni(std::string("1\0", 2), "2024-01-31", "0000001"), 0);
    EXPECT_EQ(doc.contaPrestazioni("1", std::string("2024-01-31\0", 11), "0000001"), 0);
}

TEST(IndiceEstratto, PatientsScatteredThroughALargeExtract)
{
    // Services of many patients interleaved, so that each patient's pairs are gathered from all
    // over the document.
    std::string corpo;
    for (int giro = 0; giro < 3; ++giro) {
        for (int paziente = 0; paziente < 200; ++paziente) {
            const std::string codice = "00000" + std::to_string(10 + paziente % 7);
            corpo += "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"" + std::to_string(paziente) + "\"><codice_ov_pip>"
                + codice + "</codice_ov_pip><data_esecuzione>2024-01-0" + std::to_string(1 + giro % 2)
                + "</data_esecuzione></PRESTAZIONE_INCENTIVANTE>";
        }
    }
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml("<R>" + corpo + "</R>"));
    for (const int paziente : { 0, 1, 57, 199 }) {
        SCOPED_TRACE(paziente);
        const std::string id = std::to_string(paziente);
        const std::string codice = "00000" + std::to_string(10 + paziente % 7);
        EXPECT_EQ(doc.prestazioniPaziente(id).size(), 3u);
        EXPECT_EQ(doc.contaPrestazioni(id, "2024-01-01", codice), 2);
        EXPECT_EQ(doc.contaPrestazioni(id, "2024-01-02", codice), 1);
        EXPECT_EQ(doc.contaPrestazioni(id, "2024-01-03", codice), 0);
    }
    EXPECT_TRUE(doc.prestazioniPaziente("200").empty());
}

TEST(IndiceEstratto, ServicesWithMoreCombinationsThanARealOneAreRefused)
{
    const auto prestazione = [](int nDate, int nCodici, bool bUguali) {
        std::string testo = "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\">";
        for (int i = 0; i < nDate; ++i)
            testo += "<data_esecuzione>" + std::to_string(bUguali ? 0 : i) + "</data_esecuzione>";
        for (int i = 0; i < nCodici; ++i)
            testo += "<codice_ov_pip>" + std::to_string(bUguali ? 0 : i) + "</codice_ov_pip>";
        return testo + "</PRESTAZIONE_INCENTIVANTE>";
    };
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml("<R>" + prestazione(4, 4, false) + prestazione(16, 1, false) + "</R>"));
    EXPECT_EQ(doc.contaPrestazioni("1", "3", "0"), 2);
    // Repeated values are one value each.
    ASSERT_TRUE(doc.loadXml("<R>" + prestazione(1000, 1000, true) + "</R>"));
    EXPECT_EQ(doc.contaPrestazioni("1", "0", "0"), 1);

    EXPECT_FALSE(doc.loadXml("<R>" + prestazione(17, 1, false) + "</R>"));
    EXPECT_TRUE(doc.vuoto());
    EXPECT_FALSE(doc.loadXml(
        "<R><Elenco_prestazioni_incentivanti/>" + prestazione(1, 1, false) + prestazione(5, 4, false) + "</R>"));
    EXPECT_FALSE(doc.selezionaNodo(kQueryElenco));
}

} // namespace
