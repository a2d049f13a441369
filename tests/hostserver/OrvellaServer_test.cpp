#include "hostserver/OrvellaServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PraticaDiProva.h"
#include "platform/FileSistema.h"
#include "platform/Paths.h"

namespace {

using hostserver::ServerOrvella;
using pratica_di_prova::chiama;
using pratica_di_prova::chiamaTesto;
using pratica_di_prova::DocumentoXml;
using pratica_di_prova::erroreDi;
using pratica_di_prova::PraticaDiProva;
using testing_support::readFile;
using testing_support::ScopedEnv;
using testing_support::writeFile;

constexpr std::u16string_view kListaMmg = u"codice_medico =101|tipo_di_convenzione=S";
constexpr std::u16string_view kListaPls = u"codice_medico =202|tipo_di_convenzione=S";
constexpr std::u16string_view kFiltroBilanci
    = u"filtro_lista_codici_accertamento_spaziati=3522 3523 3524 3526 3527 4145 4137 4123 4130 4148|"
      u"filtro_solo_con_risultato|dalla_data=2024-01-01|alla_data=2024-12-31|ordinamento=ordine_data_desc";

class ServerOrvellaTest : public ::testing::Test {
protected:
    ServerOrvellaTest()
    {
        pratica.utente("rossi", "demo", "101", "T", "160741", "MMG");
        pratica.utente("bianchi", "demo", "202", "T", "160852", "PLS");
    }

    std::unique_ptr<ServerOrvella> accedi(std::u16string_view utente = u"rossi")
    {
        auto server = pratica.server();
        chiama(*server, "new");
        EXPECT_EQ(chiamaTesto(*server, "connetti", { utente, u"demo" }), u"");
        return server;
    }

    // The fiscal codes of the loaded list, from the current row to the end.
    static std::vector<std::u16string> codiciFiscaliDallaRigaCorrente(ServerOrvella& server, int righe)
    {
        std::vector<std::u16string> codici;
        for (int i = 0; i < righe; ++i) {
            codici.push_back(chiamaTesto(server, "leggi_attributo", { u"codice_fiscale" }));
            chiama(server, "skip", {});
        }
        return codici;
    }

    std::string generaXml(ServerOrvella& server, std::u16string_view lista, const std::string& nome = "estratto.xml")
    {
        const auto percorso = pratica.cartella() / nome;
        chiama(server, "genera_xml", { u"prestazioni_empoli", lista, utf8ToUtf16(percorso.string()) });
        return percorso.string();
    }

    PraticaDiProva pratica;
};

// ---- sign-in and attributes ----

TEST_F(ServerOrvellaTest, ConnettiConfrontaCredenzialiEsattamente)
{
    pratica.utente("lucà", "pàss'wörd", "777", "T", "1", "MMG");
    struct Caso {
        std::u16string_view utente;
        std::u16string_view password;
        bool accettato;
    };
    const Caso casi[] = {
        { u"rossi", u"demo", true },
        { u"bianchi", u"demo", true },
        { u"lucà", u"pàss'wörd", true },
        { u"Rossi", u"demo", false },
        { u"rossi", u"Demo", false },
        { u"rossi ", u"demo", false },
        { u"rossi", u"demo ", false },
        { u"rossi", u"", false },
        { u"", u"", false },
        { u"rossi", u"pàss'wörd", false },
        { u"luca", u"pàss'wörd", false },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(utf16ToUtf8(caso.utente) + " / " + utf16ToUtf8(caso.password));
        auto server = pratica.server();
        const std::u16string risposta = chiamaTesto(*server, "connetti", { caso.utente, caso.password });
        if (caso.accettato) {
            EXPECT_EQ(risposta, u"");
            EXPECT_NO_THROW(chiama(*server, "leggi_attributo", { u"userid_utente" }));
        } else {
            EXPECT_FALSE(risposta.empty());
            EXPECT_EQ(risposta.find(u"demo"), std::u16string::npos) << "la password non compare mai";
            EXPECT_EQ(erroreDi(*server, "leggi_attributo", { u"userid_utente" }), "Nessun utente connesso.");
        }
    }
}

TEST_F(ServerOrvellaTest, UnaConnessioneRifiutataChiudeQuellaPrecedente)
{
    auto server = accedi();
    EXPECT_NE(chiamaTesto(*server, "connetti", { u"rossi", u"sbagliata" }), u"");
    EXPECT_EQ(erroreDi(*server, "get_opzione", { u"utente", u"contratto" }), "Nessun utente connesso.");
}

TEST_F(ServerOrvellaTest, LeggiAttributoEGetOpzioneDellUtente)
{
    auto server = accedi(u"bianchi");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"userid_utente" }), u"202");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"mmg\\tipo_orva" }), u"T");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"mmg\\codice_regionale" }), u"160852");
    EXPECT_EQ(chiamaTesto(*server, "get_opzione", { u"utente", u"contratto" }), u"PLS");
    EXPECT_EQ(
        erroreDi(*server, "leggi_attributo", { u"mmg\\codice_fiscale" }), "Attributo sconosciuto: mmg\\codice_fiscale");
    EXPECT_EQ(erroreDi(*server, "get_opzione", { u"utente", u"Contratto" }), "Opzione sconosciuta: utente\\Contratto");
}

TEST_F(ServerOrvellaTest, ColonneNullRispondonoTestoVuoto)
{
    pratica.utente("vuoto", "demo", "", std::nullopt, std::nullopt, std::nullopt);
    pratica.paziente("1", "", "S", "Rossi", "Anna", std::nullopt);
    auto server = accedi(u"vuoto");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"userid_utente" }), u"");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"mmg\\tipo_orva" }), u"");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"mmg\\codice_regionale" }), u"");
    EXPECT_EQ(chiamaTesto(*server, "get_opzione", { u"utente", u"contratto" }), u"");
    // The list text that an empty user id produces still finds the patients of the empty code.
    EXPECT_EQ(chiama(*server, "carica", { u"codice_medico =|tipo_di_convenzione=S", u"alfabetico" }),
        host::Variant(std::int32_t { 1 }));
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"");
}

TEST_F(ServerOrvellaTest, SenzaUtenteConnessoLeChiamateDiSessioneSollevano)
{
    auto server = pratica.server();
    chiama(*server, "new");
    EXPECT_EQ(erroreDi(*server, "leggi_attributo", { u"userid_utente" }), "Nessun utente connesso.");
    EXPECT_EQ(erroreDi(*server, "carica", { kListaMmg, u"alfabetico" }), "Nessun utente connesso.");
    EXPECT_EQ(erroreDi(*server, "skip", {}), "Nessun utente connesso.");
    EXPECT_EQ(erroreDi(*server, "get_opzione", { u"utente", u"contratto" }), "Nessun utente connesso.");
    EXPECT_EQ(erroreDi(*server, "new_object", { u"i_accertamento", u"" }), "Nessun utente connesso.");
    EXPECT_EQ(
        erroreDi(*server, "genera_xml", { u"prestazioni_empoli", u"", u"/tmp/x.xml" }), "Nessun utente connesso.");
    // get_error and the closing calls never fail; get_error tells the last failure.
    EXPECT_EQ(chiama(*server, "get_error", {}), host::Variant(std::u16string(u"Nessun utente connesso.")));
    const host::Arguments omesso { host::Variant() };
    for (const char* metodo : { "get_error", "disconnetti", "Destroy", "Free" })
        EXPECT_NO_THROW(server->invoke(metodo, omesso)) << metodo;
}

TEST_F(ServerOrvellaTest, DisconnettiChiudeLaSessione)
{
    auto server = accedi();
    const host::Arguments omesso { host::Variant() };
    EXPECT_EQ(server->invoke("disconnetti", omesso), host::Variant());
    EXPECT_EQ(erroreDi(*server, "leggi_attributo", { u"userid_utente" }), "Nessun utente connesso.");
}

TEST_F(ServerOrvellaTest, MetodiSconosciutiEArgomentiErratiSollevano)
{
    auto server = accedi();
    EXPECT_EQ(erroreDi(*server, "Connetti", { u"rossi", u"demo" }), "Metodo sconosciuto: Connetti");
    EXPECT_EQ(erroreDi(*server, "chiudi"), "Metodo sconosciuto: chiudi");
    EXPECT_EQ(erroreDi(*server, "connetti", { u"rossi" }), "Numero di parametri errato per connetti");
    EXPECT_EQ(erroreDi(*server, "leggi_attributo"), "Numero di parametri errato per leggi_attributo");
    EXPECT_EQ(erroreDi(*server, "skip", { u"", u"" }), "Numero di parametri errato per skip");
}

// ---- patient list ----

TEST_F(ServerOrvellaTest, CaricaAlfabeticoNellOrdineBinarioDiSqlite)
{
    pratica.paziente("1", "101", "S", "Zanetti", "Anna", "CF_ZANETTI");
    pratica.paziente("2", "101", "S", "de Rosa", "Bruno", "CF_DE_ROSA");
    pratica.paziente("3", "101", "S", "D'Amico", "Carla", "CF_D_AMICO");
    pratica.paziente("4", "101", "S", "Da Ponte", "Dario", "CF_DA_PONTE");
    pratica.paziente("5", "101", "S", "Ávila", "Ezio", "CF_AVILA");
    pratica.paziente("10", "101", "S", "Rossi", "Mario", "CF_ROSSI_10");
    pratica.paziente("9", "101", "S", "Rossi", "Mario", "CF_ROSSI_9");
    pratica.paziente("6", "101", "S", "Rossi", "Luigi", "CF_ROSSI_LUIGI");
    auto server = accedi();
    EXPECT_EQ(chiama(*server, "carica", { kListaMmg, u"alfabetico" }), host::Variant(std::int32_t { 8 }));
    // Bytes, not a locale: the apostrophe before letters, capitals before small letters,
    // accented letters last, and ids compared as text.
    const std::vector<std::u16string> attesi = { u"CF_D_AMICO", u"CF_DA_PONTE", u"CF_ROSSI_LUIGI", u"CF_ROSSI_10",
        u"CF_ROSSI_9", u"CF_ZANETTI", u"CF_DE_ROSA", u"CF_AVILA" };
    EXPECT_EQ(codiciFiscaliDallaRigaCorrente(*server, 8), attesi);
}

TEST_F(ServerOrvellaTest, CaricaFiltraMedicoEConvenzione)
{
    pratica.paziente("1", "101", "S", "Alfa", "A", "CF_A");
    pratica.paziente("2", "101", "P", "Beta", "B", "CF_B");
    pratica.paziente("3", "202", "S", "Gamma", "C", "CF_C");
    pratica.paziente("4", "101", "S", "Delta", "D", "CF_D");
    pratica.paziente("5", "1010", "S", "Epsilon", "E", "CF_E");
    auto server = accedi();
    struct Caso {
        std::u16string_view lista;
        std::vector<std::u16string> codici;
    };
    const Caso casi[] = {
        { kListaMmg, { u"CF_A", u"CF_D" } },
        { u"codice_medico=101", { u"CF_A", u"CF_B", u"CF_D" } },
        { u"  codice_medico  =101|  tipo_di_convenzione =P|", { u"CF_B" } },
        { kListaPls, { u"CF_C" } },
        { u"codice_medico =99|tipo_di_convenzione=S", {} },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(utf16ToUtf8(caso.lista));
        const auto quanti = static_cast<std::int32_t>(caso.codici.size());
        EXPECT_EQ(chiama(*server, "carica", { caso.lista, u"alfabetico" }), host::Variant(quanti));
        EXPECT_EQ(codiciFiscaliDallaRigaCorrente(*server, quanti), caso.codici);
    }
    EXPECT_EQ(erroreDi(*server, "carica", { u"codice_medico=101|reparto=3", u"alfabetico" }),
        "Parametro sconosciuto per carica: reparto");
    EXPECT_EQ(erroreDi(*server, "carica", { kListaMmg, u"per_data" }), "Ordinamento sconosciuto: per_data");
}

TEST_F(ServerOrvellaTest, SecondaCaricaRileggeERiparteDallaPrimaRiga)
{
    pratica.paziente("1", "101", "S", "Bianchi", "Anna", "CF_1");
    pratica.paziente("2", "101", "S", "Conti", "Bruno", "CF_2");
    pratica.paziente("3", "101", "S", "Esposito", "Carla", "CF_3");
    auto server = accedi();
    EXPECT_EQ(chiama(*server, "carica", { kListaMmg, u"alfabetico" }), host::Variant(std::int32_t { 3 }));
    chiama(*server, "skip", {});
    chiama(*server, "skip", {});
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"CF_3");

    pratica.paziente("4", "101", "S", "Amato", "Dario", "CF_4");
    EXPECT_EQ(chiama(*server, "carica", { kListaMmg, u"alfabetico" }), host::Variant(std::int32_t { 4 }));
    EXPECT_EQ(codiciFiscaliDallaRigaCorrente(*server, 4),
        (std::vector<std::u16string> { u"CF_4", u"CF_1", u"CF_2", u"CF_3" }));
}

TEST_F(ServerOrvellaTest, SkipOltreLUltimaRigaDaAttributiVuoti)
{
    pratica.paziente("1", "101", "S", "Bianchi", "Anna", "CF_1");
    auto server = accedi();
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"") << "nessun elenco caricato";
    chiama(*server, "carica", { kListaMmg, u"alfabetico" });
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"CF_1");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"io_id_paziente" }), u"1");
    for (int volta = 0; volta < 3; ++volta) {
        EXPECT_EQ(server->invoke("skip", { host::Variant() }), host::Variant());
        EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"");
        EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"io_id_paziente" }), u"");
    }
    EXPECT_EQ(chiama(*server, "carica", { u"codice_medico =999", u"alfabetico" }), host::Variant(std::int32_t { 0 }));
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"");
}

// ---- the XML extract ----

TEST_F(ServerOrvellaTest, GeneraXmlIntervalloConEstremiInclusi)
{
    pratica.paziente("1", "101", "S", "Rossi", "Mario", "CF_1");
    pratica.paziente("11", "101", "P", "Bianchi", "Anna", "CF_11");
    pratica.paziente("2", "202", "S", "Verdi", "Ugo", "CF_2");
    pratica.prestazione("1", "0000023", "Visita ADP", "2024-04-30");
    pratica.prestazione("1", "0000023", "Visita ADP", "2024-05-01");
    pratica.prestazione("1", "0000001", "Prima medicazione", "2024-05-15");
    pratica.prestazione("1", "0000019", "Vaccino", "2024-05-31");
    pratica.prestazione("1", "0000023", "Visita ADP", "2024-06-01");
    pratica.prestazione("11", "0000003", "Medicazione", "2024-05-10");
    pratica.prestazione("11", "0000003", "Medicazione", "2024-05-10");
    pratica.prestazione("2", "0000139", "Sutura", "2024-05-10");
    pratica.prestazione("99", "0000139", "Senza paziente", "2024-05-10");
    // Recorded late: each patient's services still come by date, then as recorded.
    pratica.prestazione("1", "0000002", "Sutura", "2024-05-15");
    pratica.prestazione("1", "0000003", "Medicazione", "2024-05-02");
    auto server = accedi();

    const DocumentoXml xml(generaXml(*server, u"dalla_data=2024-05-01|alla_data=2024-05-31"));
    ASSERT_TRUE(xml.benFormato());
    EXPECT_EQ(xml.testi("//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='1']/data_esecuzione"),
        (std::vector<std::string> { "2024-05-01", "2024-05-02", "2024-05-15", "2024-05-15", "2024-05-31" }));
    EXPECT_EQ(xml.testi("//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='1']/codice_ov_pip"),
        (std::vector<std::string> { "0000023", "0000003", "0000001", "0000002", "0000019" }));
    EXPECT_EQ(xml.testi("//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='1']/nome_prestazione"),
        (std::vector<std::string> { "Visita ADP", "Medicazione", "Prima medicazione", "Sutura", "Vaccino" }));
    EXPECT_EQ(xml.nodi("//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='11' and data_esecuzione='2024-05-10' and "
                       "codice_ov_pip='0000003']")
                  .size(),
        2u);
    EXPECT_TRUE(xml.nodi("//PRESTAZIONE_INCENTIVANTE[@io_id_paziente='2']").empty()) << "paziente di un altro medico";
    EXPECT_TRUE(xml.nodi("//*[@io_id_paziente='99']").empty());
    EXPECT_EQ(
        xml.testi("//PAZIENTE[@io_id_paziente= '11']/PERSONA/codice_fiscale"), std::vector<std::string> { "CF_11" });
    EXPECT_EQ(
        xml.testi("//PAZIENTE[@io_id_paziente= '1']/PERSONA/codice_fiscale"), std::vector<std::string> { "CF_1" });

    // The list is the root; every child of it is an element whose first attribute is the
    // patient id: each patient first, then its services, patients in alphabetical order.
    const auto liste = xml.nodi("/Elenco_prestazioni_incentivanti");
    ASSERT_EQ(liste.size(), 1u);
    std::vector<std::string> figli;
    for (xmlNodePtr figlio = liste[0]->children; figlio; figlio = figlio->next) {
        ASSERT_EQ(figlio->type, XML_ELEMENT_NODE);
        ASSERT_NE(figlio->properties, nullptr);
        figli.push_back(std::string(reinterpret_cast<const char*>(figlio->name)) + ":"
            + DocumentoXml::contenuto(reinterpret_cast<xmlNodePtr>(figlio->properties)));
    }
    const std::vector<std::string> attesi = { "PAZIENTE:11", "PRESTAZIONE_INCENTIVANTE:11",
        "PRESTAZIONE_INCENTIVANTE:11", "PAZIENTE:1", "PRESTAZIONE_INCENTIVANTE:1", "PRESTAZIONE_INCENTIVANTE:1",
        "PRESTAZIONE_INCENTIVANTE:1", "PRESTAZIONE_INCENTIVANTE:1", "PRESTAZIONE_INCENTIVANTE:1" };
    EXPECT_EQ(figli, attesi);
}

TEST_F(ServerOrvellaTest, GeneraXmlSenzaPrestazioniNelPeriodoHaLElencoVuoto)
{
    pratica.paziente("1", "101", "S", "Rossi", "Mario", "CF_1");
    pratica.prestazione("1", "0000023", "Visita ADP", "2024-04-30");
    auto server = accedi();
    const std::string percorso = generaXml(*server, u"dalla_data=2024-05-01|alla_data=2024-05-31");
    EXPECT_EQ(readFile(percorso),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Elenco_prestazioni_incentivanti procedura=\"prestazioni_empoli\" codice_medico=\"101\" "
        "dalla_data=\"2024-05-01\" alla_data=\"2024-05-31\"></Elenco_prestazioni_incentivanti>\n");
}

TEST_F(ServerOrvellaTest, GeneraXmlEscapeDeiTestiEAndataERitorno)
{
    const std::string id = "7\"'&<>";
    const std::string cognome = "Rossi & <Figli>";
    const std::string nome = "Nicolò Ælfred";
    const std::string codiceFiscale = "RSS\"&'X";
    const std::string prestazione = "Medicazione \"semplice\" & <urgente> ]]> – è\r\nseconda riga";
    pratica.paziente(id, "101", "S", cognome, nome, codiceFiscale);
    pratica.prestazione(id, "0000001", prestazione, "2024-05-02");
    auto server = accedi();
    const std::string percorso = generaXml(*server, u"dalla_data=2024-05-01|alla_data=2024-05-31");

    const std::string byte = readFile(percorso);
    EXPECT_NE(byte.find("<cognome>Rossi &amp; &lt;Figli&gt;</cognome>"), std::string::npos);
    EXPECT_NE(byte.find("<nome>Nicol\xC3\xB2 \xC3\x86lfred</nome>"), std::string::npos) << "UTF-8";
    EXPECT_NE(byte.find("io_id_paziente=\"7&quot;'&amp;&lt;&gt;\""), std::string::npos);

    const DocumentoXml xml(percorso);
    ASSERT_TRUE(xml.benFormato());
    const auto pazienti = xml.nodi("//PAZIENTE");
    ASSERT_EQ(pazienti.size(), 1u);
    EXPECT_EQ(DocumentoXml::contenuto(reinterpret_cast<xmlNodePtr>(pazienti[0]->properties)), id);
    EXPECT_EQ(xml.testi("//PAZIENTE/PERSONA/cognome"), std::vector<std::string> { cognome });
    EXPECT_EQ(xml.testi("//PAZIENTE/PERSONA/nome"), std::vector<std::string> { nome });
    EXPECT_EQ(xml.testi("//PAZIENTE/PERSONA/codice_fiscale"), std::vector<std::string> { codiceFiscale });
    EXPECT_EQ(xml.testi("//PRESTAZIONE_INCENTIVANTE/nome_prestazione"), std::vector<std::string> { prestazione });
}

TEST_F(ServerOrvellaTest, GeneraXmlCopiaLEstrattoIndicatoDallAmbiente)
{
    const auto pronto = pratica.cartella() / "pronto.xml";
    const std::string contenuto = "<x>non \xE8 il database</x>\r\n";
    writeFile(pronto, contenuto);
    auto server = accedi();
    {
        ScopedEnv ambiente("ORVELLA_SERVER_XML", pronto.string());
        writeFile(pratica.cartella() / "estratto.xml", "vecchio contenuto piu lungo del nuovo, da sostituire");
        EXPECT_EQ(readFile(generaXml(*server, u"dalla_data=2024-05-01|alla_data=2024-05-31")), contenuto);
    }
    {
        const auto mancante = pratica.cartella() / "mancante.xml";
        ScopedEnv ambiente("ORVELLA_SERVER_XML", mancante.string());
        const std::string errore = erroreDi(*server, "genera_xml",
            { u"prestazioni_empoli", u"", utf8ToUtf16((pratica.cartella() / "e.xml").string()) });
        EXPECT_NE(errore.find(mancante.string()), std::string::npos) << errore;
    }
}

TEST_F(ServerOrvellaTest, GeneraXmlRifiutaRichiesteNonValide)
{
    auto server = accedi();
    const std::u16string percorso = utf8ToUtf16((pratica.cartella() / "e.xml").string());
    EXPECT_EQ(erroreDi(*server, "genera_xml", { u"prestazioni_altre", u"", percorso }),
        "Procedura sconosciuta: prestazioni_altre");
    EXPECT_EQ(erroreDi(*server, "genera_xml", { u"prestazioni_empoli", u"dalla_data=2024-5-1", percorso }),
        "Data non valida in dalla_data: 2024-5-1");
    EXPECT_EQ(erroreDi(*server, "genera_xml", { u"prestazioni_empoli", u"codice=1", percorso }),
        "Parametro sconosciuto per genera_xml: codice");
    const std::u16string inCartellaMancante = utf8ToUtf16((pratica.cartella() / "manca" / "e.xml").string());
    const std::string errore = erroreDi(*server, "genera_xml", { u"prestazioni_empoli", u"", inCartellaMancante });
    EXPECT_EQ(errore.rfind("Impossibile creare il file ", 0), 0u) << errore;
    EXPECT_EQ(chiama(*server, "get_error", {}), host::Variant(utf8ToUtf16(errore)));
}

// ---- examinations ----

class AccertamentiTest : public ServerOrvellaTest {
protected:
    AccertamentiTest()
    {
        pratica.paziente("1", "202", "S", "Alfa", "Anna", "CF_1");
        pratica.paziente("2", "202", "S", "Beta", "Bruno", "CF_2");
        pratica.accertamento("3", "1", "4123", "2024-03-10", "ok");
        pratica.accertamento("1", "1", "3522", "2024-03-10", "ok");
        pratica.accertamento("2", "1", "4148", "2024-01-05", "ok");
        pratica.accertamento("4", "1", "9999", "2024-02-01", "ok");
        pratica.accertamento("5", "1", "3523", "2024-02-02", std::nullopt);
        pratica.accertamento("6", "1", "3524", "2024-02-03", "");
        pratica.accertamento("7", "1", "3526", "2023-12-31", "ok");
        pratica.accertamento("8", "1", "3527", "2024-12-31", "ok");
        pratica.accertamento("9", "1", "4145", "2025-01-01", "ok");
        pratica.accertamento("10", "1", "4137", "2024-01-01", " ");
        pratica.accertamento("11", "2", "3522", "2024-06-01", "ok");
        server = accedi(u"bianchi");
        chiama(*server, "carica", { kListaPls, u"alfabetico" });
    }

    // Each row as date/code, read the way the health-check reading does.
    std::vector<std::string> righe(const std::u16string& handle)
    {
        const std::u16string conteggio = chiamaTesto(*server, "call_method_pipe", { handle, u"rowcount", u"" });
        std::vector<std::string> lette;
        for (int i = 1; i <= std::stoi(utf16ToUtf8(conteggio)); ++i) {
            const std::u16string riga = utf8ToUtf16(std::to_string(i));
            EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"setrow", riga }), u"");
            lette.push_back(utf16ToUtf8(chiamaTesto(
                                *server, "call_method_pipe", { handle, u"leggi_attributo", u"data_esecuzione" }))
                + "/"
                + utf16ToUtf8(
                    chiamaTesto(*server, "call_method_pipe", { handle, u"leggi_attributo", u"codice_accertamento" })));
        }
        return lette;
    }

    std::unique_ptr<ServerOrvella> server;
};

TEST_F(AccertamentiTest, FiltroDeiBilanciDataDecrescenteEIdCrescente)
{
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"carica", kFiltroBilanci }), u"5");
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"rowcount", u"" }), u"5");
    const std::vector<std::string> attese
        = { "2024-12-31/3527", "2024-03-10/3522", "2024-03-10/4123", "2024-01-05/4148", "2024-01-01/4137" };
    EXPECT_EQ(righe(handle), attese);
}

TEST_F(AccertamentiTest, OgniChiaveDelFiltroRestringe)
{
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    struct Caso {
        std::u16string_view filtro;
        std::vector<std::string> attese;
    };
    const Caso casi[] = {
        { u"filtro_lista_codici_accertamento_spaziati=3523  3524|dalla_data=2024-01-01|ordinamento=ordine_data_desc",
            { "2024-02-03/3524", "2024-02-02/3523" } },
        { u"filtro_lista_codici_accertamento_spaziati=3523 3524|filtro_solo_con_risultato", {} },
        { u"filtro_solo_con_risultato|dalla_data=2024-02-01|alla_data=2024-03-10|ordinamento=ordine_data_desc",
            { "2024-03-10/3522", "2024-03-10/4123", "2024-02-01/9999" } },
        { u"alla_data=2024-01-05|ordinamento=ordine_data_asc",
            { "2023-12-31/3526", "2024-01-01/4137", "2024-01-05/4148" } },
        { u"dalla_data=2024-03-10", { "2024-03-10/3522", "2024-03-10/4123", "2024-12-31/3527", "2025-01-01/4145" } },
        { u"filtro_lista_codici_accertamento_spaziati=|dalla_data=2024-01-01", {} },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(utf16ToUtf8(caso.filtro));
        chiama(*server, "call_method_pipe", { handle, u"carica", caso.filtro });
        EXPECT_EQ(righe(handle), caso.attese);
    }
}

TEST_F(AccertamentiTest, LOggettoResLegatoAlPazienteDellaSuaCreazione)
{
    const std::u16string primo = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    chiama(*server, "skip", {});
    const std::u16string secondo = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_NE(primo, secondo);
    chiama(*server, "call_method_pipe", { secondo, u"carica", kFiltroBilanci });
    EXPECT_EQ(righe(secondo), std::vector<std::string> { "2024-06-01/3522" });
    chiama(*server, "call_method_pipe", { primo, u"carica", kFiltroBilanci });
    EXPECT_EQ(righe(primo).size(), 5u);

    chiama(*server, "skip", {});
    const std::u16string oltre = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { oltre, u"carica", kFiltroBilanci }), u"0");
}

TEST_F(AccertamentiTest, RigheFuoriElencoEChiamateNonValide)
{
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"rowcount", u"" }), u"0") << "prima di carica";
    chiama(*server, "call_method_pipe", { handle, u"carica", kFiltroBilanci });
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"leggi_attributo", u"codice_accertamento" }), u"3527")
        << "carica rende corrente la prima riga";
    for (const std::u16string_view riga : { u"0", u"6" }) {
        chiama(*server, "call_method_pipe", { handle, u"setrow", riga });
        EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"leggi_attributo", u"data_esecuzione" }), u"");
    }
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"setrow", u"2x" }), "Numero di riga non valido: 2x");
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"setrow", u"" }), "Numero di riga non valido: ");
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"leggi_attributo", u"esito" }),
        "Attributo sconosciuto per i_accertamento: esito");
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"Rowcount", u"" }),
        "Metodo sconosciuto per i_accertamento: Rowcount");
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"carica", u"filtro_per_medico=1" }),
        "Parametro sconosciuto per i_accertamento.carica: filtro_per_medico");
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"carica", u"alla_data=31/12/2024" }),
        "Data non valida in alla_data: 31/12/2024");
    EXPECT_EQ(erroreDi(*server, "new_object", { u"i_paziente", u"" }), "Classe sconosciuta: i_paziente");
}

TEST_F(AccertamentiTest, UnaNuovaCaricaVedeLeModificheDellArchivio)
{
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"carica", kFiltroBilanci }), u"5");
    pratica.accertamento("12", "1", "3522", "2024-07-01", "ok");
    pratica.inserisci("DELETE FROM accertamenti WHERE id = 8", {});
    pratica.paziente("3", "202", "S", "Gamma", "Ciro", "CF_3");
    pratica.accertamento("13", "3", "3522", "2024-07-01", "ok");
    chiama(*server, "call_method_pipe", { handle, u"carica", kFiltroBilanci });
    const std::vector<std::string> attese
        = { "2024-07-01/3522", "2024-03-10/3522", "2024-03-10/4123", "2024-01-05/4148", "2024-01-01/4137" };
    EXPECT_EQ(righe(handle), attese);
}

TEST_F(AccertamentiTest, DestroyObjectRilasciaLHandle)
{
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_EQ(chiama(*server, "destroy_object", { handle }), host::Variant());
    EXPECT_EQ(erroreDi(*server, "call_method_pipe", { handle, u"rowcount", u"" }),
        "Oggetto inesistente: " + utf16ToUtf8(handle));
    EXPECT_NO_THROW(chiama(*server, "destroy_object", { handle })) << "un handle gia rilasciato non e un errore";
    EXPECT_NO_THROW(chiama(*server, "destroy_object", { u"" }));
    const std::u16string nuovo = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_NE(nuovo, handle) << "gli handle non si riusano";
}

// ---- scripted faults ----

TEST_F(ServerOrvellaTest, GuastoConErroreSollevaSenzaEseguire)
{
    pratica.guasto("connetti", std::nullopt, "Server occupato", std::nullopt);
    auto server = pratica.server();
    EXPECT_EQ(erroreDi(*server, "connetti", { u"rossi", u"demo" }), "Server occupato");
    EXPECT_EQ(chiama(*server, "get_error", {}), host::Variant(std::u16string(u"Server occupato")));
    EXPECT_EQ(erroreDi(*server, "leggi_attributo", { u"userid_utente" }), "Nessun utente connesso.");
}

TEST_F(ServerOrvellaTest, GuastoConRispostaSostituisceLaRisposta)
{
    pratica.paziente("1", "101", "S", "Rossi", "Mario", "CF_1");
    pratica.guasto("carica", std::nullopt, std::nullopt, "dodici");
    pratica.guasto("get_opzione", std::nullopt, std::nullopt, std::nullopt);
    auto server = accedi();
    EXPECT_EQ(chiama(*server, "carica", { kListaMmg, u"alfabetico" }), host::Variant(std::u16string(u"dodici")));
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"codice_fiscale" }), u"CF_1")
        << "la chiamata ha comunque effetto";
    EXPECT_EQ(chiama(*server, "get_opzione", { u"utente", u"contratto" }), host::Variant(host::Null {}));
}

TEST_F(ServerOrvellaTest, GuastoConArgomentoValeSoloPerQuelPrimoArgomento)
{
    pratica.guasto("leggi_attributo", "mmg\\tipo_orva", std::nullopt, "S");
    pratica.guasto("leggi_attributo", "MMG\\codice_regionale", "mai", std::nullopt);
    auto server = accedi();
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"mmg\\tipo_orva" }), u"S");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"userid_utente" }), u"101");
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"mmg\\codice_regionale" }), u"160741");
}

TEST_F(ServerOrvellaTest, GuastoDecideLaPrimaRigaPerRowid)
{
    pratica.guasto("leggi_attributo", "userid_utente", std::nullopt, "primo");
    pratica.guasto("leggi_attributo", std::nullopt, "secondo", std::nullopt);
    pratica.guasto("leggi_attributo", "mmg\\tipo_orva", std::nullopt, "terzo");
    auto server = accedi();
    EXPECT_EQ(chiamaTesto(*server, "leggi_attributo", { u"userid_utente" }), u"primo");
    EXPECT_EQ(erroreDi(*server, "leggi_attributo", { u"mmg\\tipo_orva" }), "secondo");
}

TEST_F(ServerOrvellaTest, GuastoDelMetodoPipeSulleSueListe)
{
    pratica.paziente("1", "101", "S", "Rossi", "Mario", "CF_1");
    pratica.accertamento("1", "1", "3522", "2024-03-10", "ok");
    pratica.guasto("call_method_pipe:rowcount", std::nullopt, std::nullopt, "12x");
    pratica.guasto("call_method_pipe:carica", "dalla_data=2024-01-01", "filtro rifiutato", std::nullopt);
    auto server = accedi();
    chiama(*server, "carica", { u"codice_medico=101", u"" });
    pratica.guasto("carica", std::nullopt, "mai per le chiamate pipe", std::nullopt);
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    EXPECT_EQ(
        erroreDi(*server, "call_method_pipe", { handle, u"carica", u"dalla_data=2024-01-01" }), "filtro rifiutato");
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"carica", u"dalla_data=2024-01-02" }), u"1");
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"rowcount", u"" }), u"12x");
}

TEST_F(ServerOrvellaTest, UnaChiamataPipeSiRiconosceSoloDalSuoMetodoPipe)
{
    pratica.guasto("call_method_pipe", std::nullopt, "mai", std::nullopt);
    pratica.guasto("call_method_pipe", "1", "mai sull'handle", std::nullopt);
    pratica.guasto("call_method_pipe:rowcount", "1", "mai sull'handle", std::nullopt);
    pratica.guasto("call_method_pipe:Rowcount", std::nullopt, "mai in altre maiuscole", std::nullopt);
    pratica.guasto("call_method_pipe:rowcount", "", std::nullopt, "7");
    auto server = accedi();
    const std::u16string handle = chiamaTesto(*server, "new_object", { u"i_accertamento", u"" });
    ASSERT_EQ(handle, u"1");
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"rowcount", u"" }), u"7");
    EXPECT_EQ(chiamaTesto(*server, "call_method_pipe", { handle, u"carica", u"" }), u"0");
}

TEST_F(ServerOrvellaTest, GuastoDeiMetodiSenzaArgomenti)
{
    pratica.guasto("skip", "", "skip guasto", std::nullopt);
    pratica.guasto("Free", std::nullopt, "free guasto", std::nullopt);
    auto server = accedi();
    EXPECT_EQ(erroreDi(*server, "skip", {}), "skip guasto");
    EXPECT_THROW(server->invoke("Free", { host::Variant() }), host::AutomationError);
    EXPECT_NO_THROW(server->invoke("Destroy", { host::Variant() }));
}

// ---- a practice held by another program ----

TEST_F(ServerOrvellaTest, UnaPraticaOccupataSiAttendeEPoiSiNomina)
{
    using namespace std::chrono_literals;
    auto server = std::make_unique<ServerOrvella>(pratica.percorso().string(), 200ms);
    chiama(*server, "new");
    ASSERT_EQ(chiamaTesto(*server, "connetti", { u"rossi", u"demo" }), u"");

    pratica.esegui("BEGIN EXCLUSIVE");
    const auto inizio = std::chrono::steady_clock::now();
    const std::string errore = erroreDi(*server, "carica", { kListaMmg, u"alfabetico" });
    const auto attesa = std::chrono::steady_clock::now() - inizio;
    pratica.esegui("ROLLBACK");
    EXPECT_EQ(errore,
        "L'archivio della pratica \"" + pratica.percorso().string()
            + "\" \xC3\xA8 occupato da un altro programma (database is locked).");
    EXPECT_GE(attesa, 200ms);
    EXPECT_EQ(chiamaTesto(*server, "get_error", {}), utf8ToUtf16(errore));

    // A lock let go within the wait is simply waited for.
    server = std::make_unique<ServerOrvella>(pratica.percorso().string(), 10s);
    chiama(*server, "new");
    ASSERT_EQ(chiamaTesto(*server, "connetti", { u"rossi", u"demo" }), u"");
    pratica.esegui("BEGIN EXCLUSIVE");
    std::thread altroProgramma([this] {
        std::this_thread::sleep_for(50ms);
        pratica.esegui("ROLLBACK");
    });
    EXPECT_NO_THROW(chiama(*server, "carica", { kListaMmg, u"alfabetico" }));
    altroProgramma.join();
}

// ---- creation ----

class CreazioneServerTest : public ::testing::Test {
protected:
    CreazioneServerTest() { registraServerOrvella(); }
    ~CreazioneServerTest() override { host::unregisterAutomationClass(ServerOrvella::kIdentificatore); }

    // The message of the failed creation through the registry; empty when it succeeded.
    static std::string erroreDiCreazione()
    {
        try {
            host::createAutomationObject("Orvella.Server");
        } catch (const host::AutomationError& errore) {
            return utf16ToUtf8(errore.messaggio());
        }
        return {};
    }

    testing_support::TempDir cartella;
};

TEST_F(CreazioneServerTest, IlRegistroApreIlDatabaseIndicatoDallAmbiente)
{
    PraticaDiProva pratica;
    pratica.utente("rossi", "demo", "101", "T", "160741", "MMG");
    ScopedEnv ambiente("ORVELLA_SERVER_DB", pratica.percorso().string());
    auto server = host::createAutomationObject("Orvella.Server");
    EXPECT_EQ(chiamaTesto(*server, "connetti", { u"rossi", u"demo" }), u"");
}

TEST_F(CreazioneServerTest, SenzaVariabileIlDatabaseStaAccantoAlProgramma)
{
    ScopedEnv ambiente("ORVELLA_SERVER_DB", "");
    const std::filesystem::path db = platform::percorsoDaUtf8(ServerOrvella::percorsoDbPredefinito());
    EXPECT_EQ(db, platform::percorsoNativo(platform::cartellaProgramma()) / "ambulatorio.sqlite");
}

TEST_F(CreazioneServerTest, DatabaseMancanteOIlleggibileFaFallireLaCreazione)
{
    const auto mancante = cartella / "mancante.sqlite";
    const auto testo = cartella / "testo.sqlite";
    writeFile(testo, std::string(4096, 'x'));
    const auto vuoto = cartella / "vuoto.sqlite";
    writeFile(vuoto, "");
    for (const auto& percorso : { mancante, testo, vuoto }) {
        SCOPED_TRACE(percorso.string());
        ScopedEnv ambiente("ORVELLA_SERVER_DB", percorso.string());
        const std::string errore = erroreDiCreazione();
        EXPECT_EQ(errore.rfind("Impossibile aprire l'archivio della pratica \"" + percorso.string() + "\": ", 0), 0u)
            << errore;
    }
    EXPECT_FALSE(std::filesystem::exists(mancante)) << "l'apertura in sola lettura non crea il file";
}

TEST_F(CreazioneServerTest, SenzaArchivioIlTerminaleDiceDoveHaCercatoEComeIndicarlo)
{
    const auto mancante = cartella / "mancante.sqlite";
    ScopedEnv ambiente("ORVELLA_SERVER_DB", mancante.string());
    testing::internal::CaptureStderr();
    const std::string errore = erroreDiCreazione();
    const std::string terminale = testing::internal::GetCapturedStderr();
    for (const std::string& testo : { errore, terminale }) {
        EXPECT_NE(testo.find("\"" + mancante.string() + "\""), std::string::npos) << testo;
        EXPECT_NE(testo.find("ORVELLA_SERVER_DB"), std::string::npos) << testo;
    }
}

TEST_F(CreazioneServerTest, UnaPraticaSenzaTabellaGuastiFunziona)
{
    const auto percorso = cartella / "senza_guasti.sqlite";
    {
        hostserver::DatabaseSqlite db(percorso.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        hostserver::creaSchema(db.get());
        db.esegui("DROP TABLE guasti");
    }
    ScopedEnv ambiente("ORVELLA_SERVER_DB", percorso.string());
    auto server = host::createAutomationObject("Orvella.Server");
    EXPECT_NE(chiamaTesto(*server, "connetti", { u"rossi", u"demo" }), u"");
}

} // namespace
