#include "hostserver/GeneratorePratica.h"

#include <regex>

#include <gtest/gtest.h>

#include "PraticaDiProva.h"
#include "hostserver/CodiceFiscale.h"
#include "hostserver/ListaParametri.h"

namespace {

using namespace std::chrono;
using hostserver::generaPratica;
using hostserver::OpzioniPratica;
using pratica_di_prova::chiama;
using pratica_di_prova::chiamaTesto;
using pratica_di_prova::DocumentoXml;

OpzioniPratica opzioniDiProva(std::uint64_t seme = 7)
{
    OpzioniPratica opzioni;
    opzioni.oggi = 2024y / March / 15d;
    opzioni.pazientiPerMedico = 40;
    opzioni.prestazioniPerPaziente = 10;
    opzioni.accertamentiPerPazientePls = 5;
    opzioni.seme = seme;
    return opzioni;
}

// Every row of the query, its columns joined by "|" (NULL written as <null>).
std::vector<std::string> righe(const std::filesystem::path& percorso, std::string_view sql)
{
    hostserver::DatabaseSqlite db(percorso.string(), SQLITE_OPEN_READONLY);
    hostserver::IstruzioneSqlite istruzione(db.get(), sql);
    std::vector<std::string> uscita;
    while (istruzione.passo()) {
        std::string riga;
        for (int c = 0; c < istruzione.colonne(); ++c)
            riga += (c ? "|" : "") + (istruzione.nullo(c) ? std::string("<null>") : std::string(istruzione.testo(c)));
        uscita.push_back(riga);
    }
    return uscita;
}

std::string uno(const std::filesystem::path& percorso, std::string_view sql)
{
    const auto tutte = righe(percorso, sql);
    return tutte.empty() ? "<nessuna riga>" : tutte.front();
}

std::vector<std::string> tutto(const std::filesystem::path& percorso)
{
    std::vector<std::string> dump;
    for (const char* tabella : { "utenti", "pazienti", "prestazioni_incentivanti", "accertamenti", "guasti" }) {
        for (std::string& riga : righe(percorso, std::string("SELECT * FROM ") + tabella + " ORDER BY rowid"))
            dump.push_back(tabella + (": " + riga));
    }
    return dump;
}

class GeneratorePraticaTest : public ::testing::Test {
protected:
    GeneratorePraticaTest() { generaPratica(percorso, opzioniDiProva()); }

    testing_support::TempDir cartella;
    const std::filesystem::path percorso = cartella / "pratica.sqlite";
};

TEST_F(GeneratorePraticaTest, LoStessoSemeDaLaStessaPratica)
{
    const auto altro = cartella / "altra.sqlite";
    generaPratica(altro, opzioniDiProva());
    EXPECT_EQ(tutto(altro), tutto(percorso));
    generaPratica(altro, opzioniDiProva(8));
    EXPECT_NE(tutto(altro), tutto(percorso)) << "un altro seme, un'altra pratica; il file e sostituito";
}

TEST_F(GeneratorePraticaTest, LoSchemaELoStessoDellaPraticaVuota)
{
    const auto tabelle = righe(percorso, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rootpage");
    ASSERT_EQ(tabelle.size(), 5u);
    const std::string schema(hostserver::sqlSchemaPratica());
    for (const std::string& tabella : tabelle) {
        const std::string sql = tabella.substr(tabella.find('|') + 1);
        EXPECT_NE(schema.find(sql + ";"), std::string::npos) << sql;
    }
    EXPECT_EQ(uno(percorso,
                  "SELECT count(*) FROM sqlite_master WHERE type NOT IN ('table') AND name NOT LIKE "
                  "'sqlite_autoindex_%'"),
        "0");

    testing_support::writeFile(cartella / "vecchio.sqlite", "non un database");
    hostserver::creaPraticaVuota(cartella / "vecchio.sqlite");
    EXPECT_EQ(righe(cartella / "vecchio.sqlite",
                  "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rootpage"),
        tabelle);
    EXPECT_EQ(uno(cartella / "vecchio.sqlite", "SELECT count(*) FROM utenti"), "0");
}

TEST_F(GeneratorePraticaTest, QuantitaSecondoLeOpzioni)
{
    EXPECT_EQ(righe(percorso, "SELECT codice_medico, count(*) FROM pazienti GROUP BY 1 ORDER BY 1"),
        (std::vector<std::string> { "101|40", "202|40", "303|5", "404|5" }));
    EXPECT_EQ(righe(percorso,
                  "SELECT p.codice_medico, count(*) FROM prestazioni_incentivanti s JOIN pazienti p USING "
                  "(io_id_paziente) GROUP BY 1 ORDER BY 1"),
        (std::vector<std::string> { "101|400", "202|400" }));
    EXPECT_EQ(uno(percorso, "SELECT count(*) FROM prestazioni_incentivanti"), "800") << "nessuna prestazione orfana";
    EXPECT_EQ(righe(percorso,
                  "SELECT p.codice_medico, count(*) FROM accertamenti a JOIN pazienti p USING "
                  "(io_id_paziente) GROUP BY 1"),
        std::vector<std::string> { "202|200" });
    EXPECT_EQ(uno(percorso, "SELECT count(*) FROM guasti"), "0");
    // A few patients are under another agreement, and the rest under S.
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 0 FROM pazienti WHERE tipo_di_convenzione <> 'S'"), "1");
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 60 FROM pazienti WHERE tipo_di_convenzione = 'S'"), "1");
}

TEST_F(GeneratorePraticaTest, CodiciFiscaliBenFormati)
{
    const std::regex forma("[A-Z]{6}[0-9]{2}[ABCDEHLMPRST]([0-6][0-9]|7[01])[A-Z][0-9]{3}[A-Z]");
    const auto codici = righe(percorso, "SELECT codice_fiscale FROM pazienti");
    ASSERT_EQ(codici.size(), 90u);
    for (const std::string& codice : codici) {
        SCOPED_TRACE(codice);
        ASSERT_TRUE(std::regex_match(codice, forma));
        const int giorno = std::stoi(codice.substr(9, 2)) % 40;
        EXPECT_TRUE(giorno >= 1 && giorno <= 31);
        EXPECT_EQ(codice[15], hostserver::carattereControllo(codice.substr(0, 15)));
    }
    // Children for the paediatrician: born in the last fourteen years.
    for (const std::string& anno :
        righe(percorso, "SELECT substr(codice_fiscale, 7, 2) FROM pazienti WHERE codice_medico = '202'"))
        EXPECT_TRUE(std::stoi(anno) >= 10 && std::stoi(anno) <= 24) << anno;
}

TEST_F(GeneratorePraticaTest, DateNellAnnoFinoAOggiConIlMesePrecedente)
{
    for (const char* tabella : { "prestazioni_incentivanti", "accertamenti" }) {
        SCOPED_TRACE(tabella);
        for (const std::string& data :
            righe(percorso, std::string("SELECT DISTINCT data_esecuzione FROM ") + tabella)) {
            EXPECT_TRUE(hostserver::dataValida(data)) << data;
            EXPECT_TRUE(data >= "2023-03-16" && data <= "2024-03-15") << data;
        }
    }
    EXPECT_EQ(righe(percorso,
                  "SELECT p.codice_medico, count(*) > 10 FROM prestazioni_incentivanti s JOIN pazienti p "
                  "USING (io_id_paziente) WHERE data_esecuzione BETWEEN '2024-02-01' AND '2024-02-29' "
                  "GROUP BY 1 ORDER BY 1"),
        (std::vector<std::string> { "101|1", "202|1" }));
}

TEST_F(GeneratorePraticaTest, PrestazioniDiOgniGenere)
{
    const auto conteggio = [&](std::string_view medico, std::string_view codici) {
        return uno(percorso,
            "SELECT count(*) > 0 FROM prestazioni_incentivanti s JOIN pazienti p USING (io_id_paziente) "
            "WHERE p.codice_medico = '"
                + std::string(medico) + "' AND s.codice_ov_pip IN (" + std::string(codici) + ")");
    };
    constexpr std::string_view visite = "'0000023','0000024','0000195','0000196','0000197','0000201'";
    constexpr std::string_view vaccini = "'0000019','0000248','0000314','0000018'";
    constexpr std::string_view esclusi = "'0000011','0000020','0000021','0000022','0000199','0000200'";
    constexpr std::string_view sconosciuti = "'0000999','0000400','0000128'";
    constexpr std::string_view pediatrici = "'0000139','0000140','0000143','0000146','0000153','0000154','0000160',"
                                            "'0000163','0000172','0000181','0000183','0000191','0000193'";
    for (const std::string_view codici : { visite, vaccini, esclusi, sconosciuti, pediatrici })
        EXPECT_EQ(conteggio("101", codici), "1") << "MMG: " << codici;
    for (const std::string_view codici : { pediatrici, esclusi, sconosciuti, visite })
        EXPECT_EQ(conteggio("202", codici), "1") << "PLS: " << codici;

    EXPECT_EQ(righe(percorso,
                  "SELECT p.codice_medico, count(*) > 0 FROM (SELECT io_id_paziente FROM "
                  "prestazioni_incentivanti GROUP BY io_id_paziente, data_esecuzione, codice_ov_pip "
                  "HAVING count(*) > 1) JOIN pazienti p USING (io_id_paziente) GROUP BY 1 ORDER BY 1"),
        (std::vector<std::string> { "101|1", "202|1" }))
        << "prestazioni uguali dello stesso paziente e giorno";
    EXPECT_EQ(
        uno(percorso, "SELECT count(*) > 0 FROM prestazioni_incentivanti WHERE instr(nome_prestazione, '&') > 0"), "1");
}

TEST_F(GeneratorePraticaTest, AccertamentiConESenzaRisultato)
{
    const std::string bilanci = "('3522','3523','3524','3526','3527','4145','4137','4123','4130','4148')";
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 100 FROM accertamenti WHERE codice_accertamento IN " + bilanci), "1");
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 0 FROM accertamenti WHERE codice_accertamento NOT IN " + bilanci), "1");
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 0 FROM accertamenti WHERE risultato IS NULL"), "1");
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 0 FROM accertamenti WHERE risultato = ''"), "1");
    EXPECT_EQ(uno(percorso, "SELECT count(*) > 100 FROM accertamenti WHERE risultato <> ''"), "1");
}

TEST_F(GeneratorePraticaTest, NomiConApostrofiEAccentiPerOgniMedico)
{
    // More bytes than characters: a letter outside ASCII.
    EXPECT_EQ(righe(percorso,
                  "SELECT codice_medico, sum(instr(cognome, '''') > 0) > 0, "
                  "sum(length(CAST(cognome || nome AS BLOB)) > length(cognome || nome)) > 0 "
                  "FROM pazienti WHERE codice_medico IN ('101', '202') GROUP BY 1 ORDER BY 1"),
        (std::vector<std::string> { "101|1|1", "202|1|1" }));
}

TEST_F(GeneratorePraticaTest, GliUtentiDemoAccedonoComeDescritto)
{
    const auto demo = hostserver::utentiDemo();
    ASSERT_EQ(demo.size(), 5u);
    hostserver::ServerOrvella server(percorso.string());
    struct Atteso {
        std::u16string_view tipo;
        std::u16string_view codiceRegionale;
        std::u16string_view contratto;
        bool conPazienti;
    };
    const Atteso attesi[] = {
        { u"T", u"160741", u"MMG", true },
        { u"T", u"160852", u"PLS", true },
        { u"S", u"160963", u"MMG", true },
        { u"T", u"", u"MMG", true },
        { u"T", u"161074", u"MMG", false },
    };
    for (std::size_t i = 0; i < demo.size(); ++i) {
        SCOPED_TRACE(std::string(demo[i].nomeUtente));
        EXPECT_EQ(
            chiamaTesto(server, "connetti", { utf8ToUtf16(demo[i].nomeUtente), utf8ToUtf16(demo[i].password) }), u"");
        EXPECT_EQ(chiamaTesto(server, "leggi_attributo", { u"mmg\\tipo_orva" }), attesi[i].tipo);
        EXPECT_EQ(chiamaTesto(server, "leggi_attributo", { u"mmg\\codice_regionale" }), attesi[i].codiceRegionale);
        EXPECT_EQ(chiamaTesto(server, "get_opzione", { u"utente", u"contratto" }), attesi[i].contratto);
        const std::u16string lista = u"codice_medico =" + chiamaTesto(server, "leggi_attributo", { u"userid_utente" })
            + u"|tipo_di_convenzione=S";
        const auto pazienti = std::get<std::int32_t>(chiama(server, "carica", { lista, u"alfabetico" }));
        EXPECT_EQ(pazienti > 0, attesi[i].conPazienti) << pazienti;
    }
}

TEST_F(GeneratorePraticaTest, IlPediatraTrovaBilanciEIlMedicoLEstratto)
{
    hostserver::ServerOrvella server(percorso.string());
    chiama(server, "connetti", { u"bianchi", u"demo" });
    const auto pazienti = std::get<std::int32_t>(
        chiama(server, "carica", { u"codice_medico =202|tipo_di_convenzione=S", u"alfabetico" }));
    int bilanci = 0;
    for (int k = 0; k < pazienti; ++k) {
        const std::u16string handle = chiamaTesto(server, "new_object", { u"i_accertamento", u"" });
        chiama(server, "call_method_pipe",
            { handle, u"carica",
                u"filtro_lista_codici_accertamento_spaziati=3522 3523 3524 3526 3527 4145 4137 4123 4130 4148|"
                u"filtro_solo_con_risultato|dalla_data=2023-03-15|alla_data=2024-03-15|ordinamento=ordine_data_desc" });
        bilanci += std::stoi(utf16ToUtf8(chiamaTesto(server, "call_method_pipe", { handle, u"rowcount", u"" })));
        chiama(server, "destroy_object", { handle });
        chiama(server, "skip", {});
    }
    EXPECT_GT(bilanci, 50);
    EXPECT_LT(bilanci, 200) << "senza risultato o con altri codici restano fuori";

    chiama(server, "connetti", { u"rossi", u"demo" });
    const auto estratto = cartella / "estratto.xml";
    chiama(server, "genera_xml",
        { u"prestazioni_empoli", u"dalla_data=2024-02-01|alla_data=2024-02-29", utf8ToUtf16(estratto.string()) });
    const DocumentoXml xml(estratto);
    ASSERT_TRUE(xml.benFormato());
    EXPECT_GT(xml.nodi("//PRESTAZIONE_INCENTIVANTE").size(), 10u);
    EXPECT_EQ(xml.nodi("//PAZIENTE").size(), xml.nodi("//Elenco_prestazioni_incentivanti/PAZIENTE").size());
}

} // namespace
