#include "host/IndiceEstratto.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/DocumentoXml.h"
#include "host/EstrattoDifficile.h"
#include "host/QueryEstratto.h"

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
    // More of them than any table of combinations should hold, with a plain service among them.
    EXPECT_EQ(doc.contaPrestazioni("ampio", "2", "B"), 2);
    EXPECT_EQ(doc.contaPrestazioni("ampio", "4", "E"), 2);
    EXPECT_EQ(doc.contaPrestazioni("ampio", "12", "F"), 1);
    EXPECT_EQ(doc.contaPrestazioni("ampio", "5", "A"), 0);
    EXPECT_EQ(doc.contaPrestazioni("ampio", "1", "F"), 0);
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

// A service of patient 1 with these dates and codes.
std::string prestazione(const std::vector<std::string>& date, const std::vector<std::string>& codici)
{
    std::string testo = "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\">";
    for (const std::string& data : date)
        testo += "<data_esecuzione>" + data + "</data_esecuzione>";
    for (const std::string& codice : codici)
        testo += "<codice_ov_pip>" + codice + "</codice_ov_pip>";
    return testo + "</PRESTAZIONE_INCENTIVANTE>";
}

std::vector<std::string> valori(const std::string& prefisso, int quanti)
{
    std::vector<std::string> risultato;
    for (int i = 0; i < quanti; ++i)
        risultato.push_back(prefisso + std::to_string(i));
    return risultato;
}

struct CasoMolteplici {
    const char* nome;
    std::string prestazioni;
    // One pair spelled out, beside the comparison with the XPath engine.
    std::string data;
    std::string codice;
    std::int32_t atteso;
};

TEST(IndiceEstratto, ServicesWithManyDatesAndCodesAreCountedExactly)
{
    const std::vector<std::string> unaData = { "2024-01-31" };
    const std::vector<std::string> unCodice = { "0000001" };
    std::string condivise; // each with the shared date and code, and values of its own
    for (int i = 0; i < 300; ++i)
        condivise += prestazione({ "2024-01-31", "d" + std::to_string(i), "e" + std::to_string(i) },
            { "0000001", "c" + std::to_string(i), "k" + std::to_string(i % 7) });
    const std::vector<CasoMolteplici> casi = {
        { "5 codes and 4 dates, and a plain service with one of their pairs",
            prestazione(valori("2024-01-0", 4), valori("000000", 5)) + prestazione({ "2024-01-02" }, { "0000003" }),
            "2024-01-02", "0000003", 2 },
        { "17 dates of one code",
            prestazione(valori("2024-02-", 17), unCodice) + prestazione({ "2024-02-16" }, unCodice), "2024-02-16",
            "0000001", 2 },
        { "one code 1000 times and one date 1000 times",
            prestazione(std::vector<std::string>(1000, "2024-01-31"), std::vector<std::string>(1000, "0000001"))
                + prestazione(unaData, unCodice),
            "2024-01-31", "0000001", 2 },
        { "200 dates and 200 codes, and plain services on some of their pairs",
            prestazione(valori("2024-03-", 200), valori("c", 200)) + prestazione({ "2024-03-7" }, { "c7" })
                + prestazione({ "2024-03-199" }, { "c0" }) + prestazione({ "2024-03-7" }, { "c7" }),
            "2024-03-7", "c7", 3 },
        { "300 such services sharing a date and a code", condivise + prestazione(unaData, unCodice), "2024-01-31",
            "0000001", 301 },
    };
    for (const CasoMolteplici& caso : casi) {
        SCOPED_TRACE(caso.nome);
        DocumentoXml doc;
        ASSERT_TRUE(doc.loadXml("<R><Elenco_prestazioni_incentivanti/>" + caso.prestazioni + "</R>"));
        EXPECT_TRUE(doc.selezionaNodo(kQueryElenco));
        EXPECT_EQ(doc.contaPrestazioni("1", caso.data, caso.codice), caso.atteso);

        std::set<std::string> date = { "assente" };
        std::set<std::string> codici = { "assente" };
        for (const NodoXml& nodo : doc.selezionaNodi("//data_esecuzione"))
            date.insert(nodo.testo());
        for (const NodoXml& nodo : doc.selezionaNodi("//codice_ov_pip"))
            codici.insert(nodo.testo());
        // Every pair where there are few, otherwise an even spread of them.
        const std::size_t passo = date.size() * codici.size() / 500 + 1;
        std::size_t indice = 0;
        std::int32_t totale = 0;
        for (const std::string& d : date) {
            for (const std::string& c : codici) {
                if (indice++ % passo != 0)
                    continue;
                const auto attesi
                    = static_cast<std::int32_t>(doc.selezionaNodi(queryPrestazioniUguali("1", d, c)).size());
                ASSERT_EQ(doc.contaPrestazioni("1", d, c), attesi) << "data " << d << " codice " << c;
                // Asked again, as the classification does for every service of a group.
                ASSERT_EQ(doc.contaPrestazioni("1", d, c), attesi) << "data " << d << " codice " << c;
                totale += attesi;
            }
        }
        EXPECT_GT(totale, 0);
    }
}

} // namespace
