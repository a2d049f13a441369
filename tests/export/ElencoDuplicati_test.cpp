#include "export/ElencoDuplicati.h"

#include <gtest/gtest.h>

#include <string>

#include "host/DocumentoXml.h"

namespace {

std::string prestazione(const std::string& id, const std::string& data, const std::string& codice)
{
    return "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"" + id + "\"><codice_ov_pip>" + codice +
           "</codice_ov_pip><data_esecuzione>" + data + "</data_esecuzione></PRESTAZIONE_INCENTIVANTE>";
}

class ElencoDuplicatiTest : public ::testing::Test {
protected:
    void carica(const std::string& corpo) { ASSERT_TRUE(doc.loadXml("<R>" + corpo + "</R>")); }
    std::int32_t conta(const std::string& id, const std::string& data, const std::string& codice)
    {
        return contaPrestazioniUguali(doc, elenco, id, data, codice);
    }

    DocumentoXml doc;
    ElencoDuplicati elenco;
};

TEST_F(ElencoDuplicatiTest, GroupCountedOnceForItsFirstService)
{
    const std::string p = prestazione("7", "2024-01-31", "0000001");
    carica(p + p + p);
    EXPECT_EQ(conta("7", "2024-01-31", "0000001"), 3);
    EXPECT_EQ(conta("7", "2024-01-31", "0000001"), 0);
    EXPECT_EQ(conta("7", "2024-01-31", "0000001"), 0);
    EXPECT_EQ(elenco.size(), 1u);
    EXPECT_TRUE(elenco.contiene("7", "2024-01-31", "0000001"));

    // A later run empties the list and reports the group again.
    elenco.svuota();
    EXPECT_TRUE(elenco.vuoto());
    EXPECT_EQ(conta("7", "2024-01-31", "0000001"), 3);
}

TEST_F(ElencoDuplicatiTest, SingleAndMissingServicesNeverEnterTheList)
{
    carica(prestazione("7", "2024-01-31", "0000001") + prestazione("7", "2024-01-30", "0000001") +
           prestazione("7", "2024-01-31", "0000002"));
    for (int volta = 0; volta < 2; ++volta) {
        EXPECT_EQ(conta("7", "2024-01-31", "0000001"), 1);
        EXPECT_EQ(conta("7", "2024-01-30", "0000001"), 1);
        EXPECT_EQ(conta("7", "2024-01-31", "0000002"), 1);
        EXPECT_EQ(conta("7", "2024-01-31", "0000003"), 0);
        EXPECT_EQ(conta("8", "2024-01-31", "0000001"), 0);
    }
    EXPECT_TRUE(elenco.vuoto());
}

TEST_F(ElencoDuplicatiTest, PatientsWhoseIdsContainOneAnotherAreApart)
{
    std::string corpo;
    for (const std::string id : {"1", "11", "12", "123"})
        corpo += prestazione(id, "2024-01-31", "0000001") + prestazione(id, "2024-01-31", "0000001");
    carica(corpo);
    for (const std::string id : {"1", "11", "12", "123"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(conta(id, "2024-01-31", "0000001"), 2);
        EXPECT_EQ(conta(id, "2024-01-31", "0000001"), 0);
    }
    EXPECT_EQ(elenco.size(), 4u);
}

TEST_F(ElencoDuplicatiTest, KeysDoNotRunIntoEachOther)
{
    // Joined with "-" these would all read "1-2-3-4;".
    EXPECT_TRUE(elenco.aggiungi("1-2", "3", "4"));
    EXPECT_TRUE(elenco.aggiungi("1", "2-3", "4"));
    EXPECT_TRUE(elenco.aggiungi("1", "2", "3-4"));
    EXPECT_FALSE(elenco.aggiungi("1", "2", "3-4"));
    EXPECT_FALSE(elenco.contiene("1", "2", "3"));
    EXPECT_FALSE(elenco.contiene("", "", ""));
    EXPECT_EQ(elenco.size(), 3u);
}

TEST_F(ElencoDuplicatiTest, ApostrophesAndQuotesCountLikeAnyOtherText)
{
    const std::string p = prestazione("O'Brien", "2024-01-3'", "00'01");
    const std::string q = prestazione("d'a&quot;b", "2024-01-31", "c&quot;'d");
    carica(p + p + q + q + q);
    EXPECT_EQ(conta("O'Brien", "2024-01-3'", "00'01"), 2);
    EXPECT_EQ(conta("O'Brien", "2024-01-3'", "00'01"), 0);
    EXPECT_EQ(conta("d'a\"b", "2024-01-31", "c\"'d"), 3);
    EXPECT_EQ(conta("d'a\"b", "2024-01-31", "c\"'d"), 0);
}

}  // namespace
