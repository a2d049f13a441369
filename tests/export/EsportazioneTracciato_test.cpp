#include "export/EsportazioneTracciato.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include <sqlite3.h>

#include "hostserver/OrvellaServer.h"
#include "hostserver/SchemaPratica.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "support/ScriptedAutomation.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"

namespace fs = std::filesystem;
using namespace std::chrono;
using testing_support::logMessages;
using testing_support::readFile;
using testing_support::ScriptedAutomation;
using testing_support::writeFile;

namespace {

constexpr const char* kCrLf = "\r\n";

// The window as the run sees it: it keeps what it was told, in order, message boxes included.
class FinestraFinta : public FinestraTracciato {
public:
    FinestraFinta()
        : precedente_(platform::setMessageBoxHandler([this](const std::string& testo) {
            messaggi.push_back(testo);
            eventi.push_back("messaggio: " + testo);
        }))
    {
    }
    ~FinestraFinta() override { platform::setMessageBoxHandler(precedente_); }

    void cursoreOccupato() override { eventi.push_back("cursore occupato"); }
    void cursoreNormale() override { eventi.push_back("cursore normale"); }
    void nascondiMemo1() override { eventi.push_back("Memo1 nascosto"); }
    void scriviLblLog(const std::string& testo) override { eventi.push_back("lblLog: " + testo); }
    void mostraMemo1(const std::string& testo) override
    {
        memo1 = testo;
        eventi.push_back("Memo1 mostrato");
    }
    bool chkVacc() const override { return vaccini; }
    void progresso(const std::string& testo) override
    {
        progressi.push_back(testo);
        if (alProgresso)
            alProgresso(testo);
    }
    void richiediUscita() override { eventi.push_back("uscita richiesta"); }

    std::vector<std::string> eventi;
    std::vector<std::string> messaggi;
    std::vector<std::string> progressi;
    std::optional<std::string> memo1;
    bool vaccini = true;
    std::function<void(const std::string&)> alProgresso;

private:
    platform::MessageBoxHandler precedente_;
};

struct Servizio {
    std::string codice;
    std::string data;
    std::string nome;
};

struct PazienteEstratto {
    std::string id;
    std::string codiceFiscale;
    std::vector<Servizio> servizi;
};

std::string elementoPaziente(const PazienteEstratto& paziente)
{
    return "<PAZIENTE io_id_paziente=\"" + paziente.id + "\"><PERSONA><codice_fiscale>" + paziente.codiceFiscale
        + "</codice_fiscale></PERSONA></PAZIENTE>";
}

std::string elementiServizi(const PazienteEstratto& paziente)
{
    std::string xml;
    for (const Servizio& servizio : paziente.servizi)
        xml += "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"" + paziente.id + "\"><codice_ov_pip>" + servizio.codice
            + "</codice_ov_pip><data_esecuzione>" + servizio.data + "</data_esecuzione><nome_prestazione>"
            + servizio.nome + "</nome_prestazione></PRESTAZIONE_INCENTIVANTE>";
    return xml;
}

std::string estratto(const std::string& figli)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Elenco_prestazioni_incentivanti>" + figli
        + "</Elenco_prestazioni_incentivanti>\n";
}

// The extract as the host writes it: each patient followed by its services.
std::string estratto(const std::vector<PazienteEstratto>& pazienti)
{
    std::string figli;
    for (const PazienteEstratto& paziente : pazienti)
        figli += elementoPaziente(paziente) + elementiServizi(paziente);
    return estratto(figli);
}

bool contiene(const std::vector<std::string>& righe, const std::string& riga)
{
    return std::find(righe.begin(), righe.end(), riga) != righe.end();
}

// The folders of one test: the output folder with its history folder, and the program folder.
struct Cartelle {
    testing_support::TempDir radice;
    std::string sDirOutput = (radice / "KARV (ADI-PPiP)").string() + "/";
    std::string sDirStorico = sDirOutput + "storico/";
    std::string sDirProgramma = (radice / "programma").string() + "/";

    Cartelle()
    {
        fs::create_directories(sDirStorico);
        fs::create_directories(sDirProgramma);
    }
    std::string output(const std::string& nome) const { return sDirOutput + nome; }
};

// Besides the export files, a debug run leaves the log and the history folder in the output
// folder, and the copy of the extract where the platform keeps it there.
std::vector<std::string> fileDiDebug(const Cartelle& cartelle)
{
    if (percorsoCopiaDebug(cartelle.sDirOutput) == cartelle.output("karv.xml"))
        return { "karv.xml", "karv_log.txt", "storico" };
    return { "karv_log.txt", "storico" };
}

std::vector<std::string> fileIn(const std::string& cartella)
{
    std::vector<std::string> nomi;
    for (const auto& voce : fs::directory_iterator(cartella))
        nomi.push_back(voce.path().filename().string());
    std::sort(nomi.begin(), nomi.end());
    return nomi;
}

} // namespace

class EsportazioneTracciatoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tabella.caricaTabellaCodici();
        unita.sDirOutput = cartelle.sDirOutput;
        unita.sDirStorico = cartelle.sDirStorico;
        unita.sFileLog = cartelle.output("karv_log.txt");
        unita.oXmlDoc = std::make_unique<DocumentoXml>();
        log = RunLog(true, unita.sFileLog);

        server.answerFor("leggi_attributo", u"mmg\\codice_regionale", u"4711");
        server.answerFor("leggi_attributo", u"userid_utente", u"M7");
        server.answerWith(
            "get_opzione", [this](const host::Arguments&) { return host::Variant { cp1252ToUtf16(contratto) }; });
        server.answerWith("genera_xml", [this](const host::Arguments& argomenti) {
            if (xml)
                writeFile(utf16ToUtf8(std::get<std::u16string>(argomenti.at(2))), *xml);
            return host::Variant {};
        });
        unita.oOrvapat = std::make_unique<Torvapat>();
        ASSERT_TRUE(unita.oOrvapat->start());
        server.clearCalls();
    }

    bool esegui()
    {
        return creaTracciato(
            unita, tabella, log, 2024y / January / 1, 2024y / January / 31, cartelle.sDirProgramma, finestra);
    }

    std::string sommario(const std::string& tipo, const std::string& corpo) const
    {
        return "Operazione completata.       Tipo (" + tipo + ")" + kCrLf + corpo;
    }

    std::string xmlTemporaneo() const { return cartelle.sDirProgramma + "zzz_xml.tmp"; }

    Cartelle cartelle;
    ScriptedAutomation server;
    FinestraFinta finestra;
    TabellaCodici tabella;
    UnitaFormMain unita;
    RunLog log;
    std::string contratto = "MMG";
    std::optional<std::string> xml = estratto(std::string());
};

// --- The summary ---

struct CasoSommario {
    const char* contratto;
    std::vector<const char*> file; // the files that exist when the summary is made
    std::int32_t nScartate;
    std::int32_t nNonRiuscite;
    std::string atteso; // with "<X>" for the output folder
};

TEST_F(EsportazioneTracciatoTest, SummaryLayoutForEveryKindOfRun)
{
    const std::string nessunaVisita = "\r\nVisite: nessuna visita trovata nel periodo selezionato";
    const std::string nessunaPrestazione = "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato";
    const std::string nessunVaccino = "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato";
    const std::string nessunBilancio = "\r\nBilanci: nessun bilancio di salute trovato nel periodo selezionato";
    const std::vector<CasoSommario> casi = {
        { "PLS", { "BILSALU.DAT", "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT" }, 0, 0,
            "Operazione completata.       Tipo (PLS)\r\n"
            "\r\nBilanci: creato file <X>BILSALU.DAT\r\n"
            "\r\nVisite: creato file <X>ACCESSI.DAT\r\n"
            "\r\nPrestazioni: creato file <X>PPIP.DAT"
            "\r\nVaccini: creato file <X>VACCINI.DAT" },
        { "PLS", {}, 0, 0,
            "Operazione completata.       Tipo (PLS)\r\n" + nessunBilancio + nessunaVisita + nessunaPrestazione
                + nessunVaccino },
        { "MMG", { "BILSALU.DAT" }, 0, 0,
            "Operazione completata.       Tipo (MMG)\r\n" + nessunaVisita + nessunaPrestazione + nessunVaccino },
        { "", {}, 0, 0,
            "Operazione completata.       Tipo ()\r\n" + nessunaVisita + nessunaPrestazione + nessunVaccino },
        { "pls", { "BILSALU.DAT", "ACCESSI.DAT" }, 0, 0,
            "Operazione completata.       Tipo (pls)\r\n\r\nVisite: creato file <X>ACCESSI.DAT\r\n" + nessunaPrestazione
                + nessunVaccino },
        { "MMG", { "PPIP.DAT", "trx_sconosciuti.txt" }, 0, 0,
            "Operazione completata.       Tipo (MMG)\r\n" + nessunaVisita + "\r\nPrestazioni: creato file <X>PPIP.DAT"
                + nessunVaccino + "\r\n\r\n[Sono state scartate 0 ppip] Dettagli in:\r\n<X>trx_sconosciuti.txt" },
        { "PLS", { "BILSALU.DAT", "VACCINI.DAT", "trx_sconosciuti.txt" }, 12, 0,
            "Operazione completata.       Tipo (PLS)\r\n\r\nBilanci: creato file <X>BILSALU.DAT\r\n" + nessunaVisita
                + nessunaPrestazione + "\r\nVaccini: creato file <X>VACCINI.DAT"
                + "\r\n\r\n[Sono state scartate 12 ppip] Dettagli in:\r\n<X>trx_sconosciuti.txt" },
        { "MMG", { "ACCESSI.DAT" }, 0, 3,
            "Operazione completata.       Tipo (MMG)\r\n\r\nVisite: creato file <X>ACCESSI.DAT\r\n" + nessunaPrestazione
                + nessunVaccino + "\r\n\r\nATTENZIONE: 3 scritture non riuscite, il tracciato non \xE8 completo." },
    };
    for (const CasoSommario& caso : casi) {
        Cartelle cartelleCaso;
        UnitaFormMain stato;
        stato.sFileBilsalu = cartelleCaso.output("BILSALU.DAT");
        stato.sFileAccessi = cartelleCaso.output("ACCESSI.DAT");
        stato.sFilePpip = cartelleCaso.output("PPIP.DAT");
        stato.sFileVaccini = cartelleCaso.output("VACCINI.DAT");
        stato.sFileSconosciuti = cartelleCaso.output("trx_sconosciuti.txt");
        stato.nScartate = caso.nScartate;
        for (const char* nome : caso.file)
            writeFile(cartelleCaso.output(nome), "x");
        std::string atteso = caso.atteso;
        for (auto p = atteso.find("<X>"); p != std::string::npos; p = atteso.find("<X>"))
            atteso.replace(p, 3, cartelleCaso.sDirOutput);
        EXPECT_EQ(riepilogoTracciato(stato, caso.contratto, caso.nNonRiuscite), atteso) << caso.contratto;
    }
}

// --- One whole run ---

TEST_F(EsportazioneTracciatoTest, GeneralPractitionerRunWritesTheFilesAndTheSummary)
{
    xml = estratto({ { "1", "abcdef12g34h567i",
        { { "0000023", "2024-01-31", "VISITA ADP" }, { "0000001", "2024-01-10", "MEDICAZIONE" },
            { "0000001", "2024-01-10", "MEDICAZIONE" }, { "0000001", "2024-01-10", "MEDICAZIONE" },
            { "0000019", "2024-01-15", "VACCINAZIONE INFLUENZA" }, { "9999999", "2024-01-20", "MISTERO" },
            { "0000139", "2024-01-21", "SUTURA" } } } });

    EXPECT_TRUE(esegui());

    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "ABCDEF12G34H567I00471100810/01/202400003\r\n");
    EXPECT_EQ(readFile(cartelle.output("VACCINI.DAT")), "ABCDEF12G34H567I00471101615/01/202400001\r\n");
    EXPECT_EQ(readFile(cartelle.output("trx_sconosciuti.txt")),
        "*SCONOSCIUTO: Nome Prestazione*: MISTERO *Data*:2024-01-20 *Codice Orvella*: 9999999"
        "SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA *Data*:2024-01-21 *Codice Orvella*: 0000139");
    EXPECT_FALSE(fs::exists(cartelle.output("BILSALU.DAT")));
    EXPECT_EQ(finestra.memo1,
        sommario("MMG",
            "\r\nVisite: creato file " + cartelle.output("ACCESSI.DAT") + "\r\n\r\nPrestazioni: creato file "
                + cartelle.output("PPIP.DAT") + "\r\nVaccini: creato file " + cartelle.output("VACCINI.DAT")
                + "\r\n\r\n[Sono state scartate 2 ppip] Dettagli in:\r\n" + cartelle.output("trx_sconosciuti.txt")));
    EXPECT_EQ(unita.nRighe, 6);
    EXPECT_EQ(unita.nScartate, 2);

    EXPECT_EQ(finestra.eventi,
        (std::vector<std::string> {
            "cursore occupato",
            "Memo1 nascosto",
            "lblLog: ...Zezavazoza dati ppip in corso...\r\n(Questa operazione pu\xF2 "
            "richiedere alcuni minuti)",
            "Memo1 mostrato",
            "messaggio: Procedura terminata.",
            "cursore normale",
        }));
    EXPECT_EQ(finestra.progressi.back(), "...inserimento record ppip:6");
    EXPECT_FALSE(fs::exists(xmlTemporaneo()));
    EXPECT_FALSE(unita.bEsportazioneInCorso);
    // Nothing was there before the run: nothing to keep.
    EXPECT_TRUE(fs::is_empty(cartelle.sDirStorico));
}

TEST_F(EsportazioneTracciatoTest, HostCallsAndLogLinesOfARun)
{
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "VISITA ADP" } } } });
    esegui();

    const std::string percorsoXml = xmlTemporaneo();
    EXPECT_EQ(server.trace(),
        (std::vector<std::string> {
            R"(genera_xml("prestazioni_empoli", "dalla_data=2024-01-01|alla_data=2024-01-31", ")" + percorsoXml + "\")",
            "get_error(Empty)",
            R"(leggi_attributo("mmg\codice_regionale"))",
            R"(get_opzione("utente", "contratto"))",
        }));
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    const std::vector<std::string> attese = {
        "ov_pipp versione ver. 6",
        "Inizio creazione tracciato...",
        "Filtro data -> dal 2024-01-01 al 2024-01-31",
        "Lista pipp salvata in " + percorsoCopiaDebug(cartelle.sDirOutput),
        "Codice regionale = 4711",
        "Contratto = MMG",
        "--- Pazienti 1 ---",
    };
    ASSERT_GE(righe.size(), attese.size());
    EXPECT_EQ(std::vector<std::string>(righe.begin(), righe.begin() + static_cast<long>(attese.size())), attese);
    EXPECT_EQ(righe.back(), "Procedura terminata");
    EXPECT_EQ(readFile(platform::percorsoNativo(percorsoCopiaDebug(cartelle.sDirOutput))), *xml);
}

TEST_F(EsportazioneTracciatoTest, OutsideDebugModeNoLogAndNoCopy)
{
    log.setDebug(false);
    const fs::path copia = platform::percorsoNativo(percorsoCopiaDebug(cartelle.sDirOutput));
    fs::remove(copia); // where the copy lies outside the test's folder, an earlier run's
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "VISITA ADP" } } } });
    esegui();
    EXPECT_FALSE(fs::exists(unita.sFileLog));
    EXPECT_FALSE(fs::exists(copia));
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
    EXPECT_TRUE(fs::exists(cartelle.output("ACCESSI.DAT")));
}

// --- Patients of the extract ---

TEST_F(EsportazioneTracciatoTest, EachPatientIdIsClassifiedOnceAtItsFirstChild)
{
    const PazienteEstratto p1 { "1", "uno", { { "0000023", "2024-01-01", "V" } } };
    const PazienteEstratto p11 { "11", "undici", { { "0000023", "2024-01-11", "V" } } };
    const PazienteEstratto p12 { "12", "dodici", { { "0000023", "2024-01-12", "V" } } };
    const PazienteEstratto p123 { "123", "centoventitre", { { "0000023", "2024-01-23", "V" } } };
    // Patient 1 comes back after others; 123 stands before 12.
    xml = estratto(elementoPaziente(p1) + elementoPaziente(p11) + elementiServizi(p1) + elementiServizi(p11)
        + elementoPaziente(p123) + elementiServizi(p123) + elementoPaziente(p12) + elementiServizi(p12)
        + "<RITORNO io_id_paziente=\"1\"/>");
    esegui();
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")),
        "UNO             00471101/01/202400011\r\n"
        "UNDICI          00471111/01/202400011\r\n"
        "CENTOVENTITRE   00471123/01/202400011\r\n"
        "DODICI          00471112/01/202400011\r\n");
    EXPECT_TRUE(contiene(logMessages(unita.sFileLog), "--- Pazienti 8 ---"));
}

TEST_F(EsportazioneTracciatoTest, IdHoldingABarHidesNoOtherPatient)
{
    const PazienteEstratto conBarra { "1|2", "barra", { { "0000023", "2024-01-05", "V" } } };
    const PazienteEstratto due { "2", "due", { { "0000023", "2024-01-06", "V" } } };
    const PazienteEstratto uno { "1", "uno", { { "0000023", "2024-01-07", "V" } } };
    xml = estratto(std::vector<PazienteEstratto> { conBarra, due, uno });
    esegui();
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")),
        "BARRA           00471105/01/202400011\r\n"
        "DUE             00471106/01/202400011\r\n"
        "UNO             00471107/01/202400011\r\n");
}

TEST_F(EsportazioneTracciatoTest, ChildWithoutAttributeIsSkipped)
{
    const PazienteEstratto p1 { "1", "uno", { { "0000023", "2024-01-01", "V" } } };
    xml = estratto("<!-- commento -->" + elementoPaziente(p1) + "<SENZA_ID><x>1</x></SENZA_ID>" + elementiServizi(p1));
    esegui();
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "UNO             00471101/01/202400011\r\n");
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    EXPECT_TRUE(contiene(righe, "--- Pazienti 3 ---"));
    EXPECT_EQ(std::count(righe.begin(), righe.end(), "PAZIENTE: uno numero pipp: 1"), 1);
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
}

TEST_F(EsportazioneTracciatoTest, ListWithoutChildrenLogsMinusOneAndWritesNothing)
{
    xml = estratto(std::string());
    esegui();
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    EXPECT_TRUE(contiene(righe, "--- Pazienti -1 ---"));
    EXPECT_EQ(fileIn(cartelle.sDirOutput), fileDiDebug(cartelle));
    EXPECT_EQ(finestra.memo1,
        sommario("MMG",
            "\r\nVisite: nessuna visita trovata nel periodo selezionato"
            "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato"
            "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"));
}

TEST_F(EsportazioneTracciatoTest, ExtractWithoutTheListFindsNoRecord)
{
    xml = "<?xml version=\"1.0\"?><altro><PAZIENTE io_id_paziente=\"1\"/></altro>";
    esegui();
    EXPECT_TRUE(contiene(logMessages(unita.sFileLog), "--- Nessun record ppip trovato ---"));
    EXPECT_FALSE(fs::exists(cartelle.output("ACCESSI.DAT")));

    xml = "questo non \xE8 xml <";
    esegui();
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    EXPECT_EQ(std::count(righe.begin(), righe.end(), "--- Nessun record ppip trovato ---"), 2);
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata.", "Procedura terminata." }));
}

// --- Failures ---

TEST_F(EsportazioneTracciatoTest, FailedExtractionAsksToQuitAndTheRunGoesOn)
{
    server.fail("genera_xml", u"procedura sconosciuta");
    esegui();
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> {
            "Tgate_orvapat.genera_xml(): eccezione",
            "ERRORE: Impossibile generare xml ppip.",
            "ERRORE: File estrazione xml ppip non trovato.",
            "Procedura terminata.",
        }));
    EXPECT_EQ(std::count(finestra.eventi.begin(), finestra.eventi.end(), "uscita richiesta"), 2);
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    EXPECT_TRUE(contiene(righe, "ERRORE: Impossibile generare xml ppip."));
    EXPECT_TRUE(contiene(righe, "ERRORE: File estrazione xml ppip non trovato."));
    EXPECT_TRUE(contiene(righe, "--- Nessun record ppip trovato ---"));
    // The host is still asked about the doctor.
    EXPECT_EQ(server.callCount("get_opzione"), 1);
    EXPECT_TRUE(finestra.memo1.has_value());
}

TEST_F(EsportazioneTracciatoTest, ExtractFileMissingAfterTheHostCall)
{
    xml.reset();
    esegui();
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> { "ERRORE: File estrazione xml ppip non trovato.", "Procedura terminata." }));
    EXPECT_EQ(std::count(finestra.eventi.begin(), finestra.eventi.end(), "uscita richiesta"), 1);
}

TEST_F(EsportazioneTracciatoTest, FailedWritesAddAWarningToTheSummary)
{
    xml = estratto({ { "1", "abcdef12g34h567i",
        { { "0000023", "2024-01-31", "V" }, { "0000001", "2024-01-10", "M" }, { "9999999", "2024-01-20", "?" } } } });
    // The output folder goes while the host writes the extract.
    server.answerWith("genera_xml", [this](const host::Arguments& argomenti) {
        writeFile(utf16ToUtf8(std::get<std::u16string>(argomenti.at(2))), *xml);
        fs::remove_all(cartelle.sDirOutput);
        return host::Variant {};
    });
    log.setDebug(false);
    esegui();
    EXPECT_EQ(finestra.messaggi.size(), 4u);
    EXPECT_EQ(finestra.messaggi[0].rfind("Eccezione in suFile\r\n", 0), 0u);
    EXPECT_EQ(finestra.memo1,
        sommario("MMG",
            "\r\nVisite: nessuna visita trovata nel periodo selezionato"
            "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato"
            "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
            "\r\n\r\nATTENZIONE: 3 scritture non riuscite, il tracciato non \xE8 completo."));
}

TEST_F(EsportazioneTracciatoTest, ErrorInsideTheRunEndsItAndGoesToTheCaller)
{
    xml = estratto(
        { { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" }, { "0000001", "2024-01-10", "M" } } } });
    finestra.alProgresso = [](const std::string&) { throw std::runtime_error("errore di finestra"); };
    EXPECT_THROW(esegui(), std::runtime_error);
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
    EXPECT_FALSE(finestra.memo1.has_value());
    EXPECT_TRUE(finestra.messaggi.empty());
    EXPECT_FALSE(fs::exists(xmlTemporaneo()));
    EXPECT_FALSE(unita.bEsportazioneInCorso);
    // What was written before the error stays.
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
}

TEST_F(EsportazioneTracciatoTest, SecondPressDuringARunIsIgnored)
{
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" } } } });
    std::vector<bool> risposte;
    finestra.alProgresso = [&](const std::string&) { risposte.push_back(esegui()); };
    EXPECT_TRUE(esegui());
    EXPECT_EQ(risposte, std::vector<bool> { false });
    EXPECT_EQ(server.callCount("genera_xml"), 1);
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
}

TEST_F(EsportazioneTracciatoTest, WithoutXmlDocumentTheRunEndsWithAMessage)
{
    unita.oXmlDoc.reset();
    writeFile(cartelle.output("ACCESSI.DAT"), "vecchio\r\n");
    EXPECT_TRUE(esegui());
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> { "ERRORE: Documento XML non disponibile, impossibile creare il tracciato." }));
    EXPECT_TRUE(server.calls().empty());
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "vecchio\r\n");
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
}

TEST_F(EsportazioneTracciatoTest, WithoutHostSessionTheRunEndsWithAMessage)
{
    unita.oOrvapat.reset();
    EXPECT_TRUE(esegui());
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> { "ERRORE: Sessione Orvella non disponibile, impossibile creare il tracciato." }));
    EXPECT_FALSE(finestra.memo1.has_value());
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
}

// --- History ---

TEST_F(EsportazioneTracciatoTest, PreviousFilesMoveToHistoryBeforeTheExtraction)
{
    const testing_support::ScopedTimeZone utc("UTC");
    if (!utc.available())
        GTEST_SKIP() << "local time follows the system's zone only";
    const auto istante = file_clock::from_sys(sys_days { 2024y / May / 17 } + 14h + 30min + 5s);
    for (const char* nome : { "BILSALU.DAT", "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "trx_sconosciuti.txt" }) {
        writeFile(cartelle.output(nome), std::string("vecchio ") + nome);
        fs::last_write_time(cartelle.output(nome), istante);
    }
    xml = estratto(std::string());
    esegui();
    EXPECT_EQ(fileIn(cartelle.sDirStorico),
        (std::vector<std::string> {
            "2024-05-17 14.30.04_ACCESSI.DAT",
            "2024-05-17 14.30.04_PPIP.DAT",
            "2024-05-17 14.30.04_VACCINI.DAT",
            "2024-05-17 14.30.04_trx_sconosciuti.txt",
            "2024-05-17 14.30_BILSALU.DAT",
        }));
    EXPECT_EQ(readFile(cartelle.sDirStorico + "2024-05-17 14.30.04_PPIP.DAT"), "vecchio PPIP.DAT");
    EXPECT_EQ(fileIn(cartelle.sDirOutput), fileDiDebug(cartelle));
}

TEST_F(EsportazioneTracciatoTest, FailedHistoryCopyKeepsTheFileAndEndsTheRunBeforeTheExtraction)
{
    writeFile(cartelle.output("BILSALU.DAT"), "bilanci\r\n");
    writeFile(cartelle.output("PPIP.DAT"), "da non perdere\r\n");
    // A file where the history folder should be: no copy can go there.
    fs::remove_all(cartelle.sDirStorico);
    writeFile(cartelle.output("storico"), "un file al posto della cartella");

    EXPECT_TRUE(esegui());

    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> {
            "ERRORE: Impossibile copiare nello storico il file " + cartelle.output("BILSALU.DAT") + "." }));
    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")), "bilanci\r\n");
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "da non perdere\r\n");
    EXPECT_TRUE(server.calls().empty());
    EXPECT_FALSE(finestra.memo1.has_value());
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
    EXPECT_TRUE(contiene(logMessages(unita.sFileLog),
        "ERRORE: Impossibile copiare nello storico il file " + cartelle.output("BILSALU.DAT") + "."));
}

// --- Paediatrician ---

TEST_F(EsportazioneTracciatoTest, EveryPaediatricianRunWalksEveryPatientFromTheFirst)
{
    contratto = "PLS";
    // Three patients with one health check each; carica starts the list again, skip moves on.
    const std::vector<std::u16string> codiciFiscali = { u"aaaaaa00a00a000a", u"bbbbbb00b00b000b", u"cccccc00c00c000c" };
    std::size_t corrente = 0;
    std::size_t riga = 0;
    server.answerWith("carica", [&](const host::Arguments&) {
        corrente = 0;
        return host::Variant { std::int32_t { 3 } };
    });
    server.answerWith("skip", [&](const host::Arguments&) {
        ++corrente;
        return host::Variant {};
    });
    server.answerWith("leggi_attributo", [&](const host::Arguments& argomenti) {
        const auto& nome = std::get<std::u16string>(argomenti.at(0));
        if (nome == u"codice_fiscale")
            return host::Variant { corrente < codiciFiscali.size() ? codiciFiscali[corrente] : std::u16string() };
        if (nome == u"userid_utente")
            return host::Variant { std::u16string(u"M7") };
        return host::Variant { std::u16string(u"4711") };
    });
    server.answer("new_object", u"h");
    server.answerWith("call_method_pipe", [&](const host::Arguments& argomenti) {
        const auto& metodo = std::get<std::u16string>(argomenti.at(1));
        const auto& parametro = std::get<std::u16string>(argomenti.at(2));
        if (metodo == u"rowcount")
            return host::Variant { std::u16string(corrente < codiciFiscali.size() ? u"1" : u"0") };
        if (metodo == u"setrow")
            riga = std::stoul(utf16ToUtf8(parametro));
        if (metodo == u"leggi_attributo")
            return host::Variant { std::u16string(parametro == u"data_esecuzione" ? u"2024-01-0" : u"352")
                + static_cast<char16_t>((parametro == u"data_esecuzione" ? u'1' : u'2') + corrente) };
        return host::Variant {};
    });
    // Session opening left the list somewhere in the middle, with a stale count.
    unita.nPazienti = 1;
    corrente = 2;

    esegui();
    const std::string righe = "aaaaaa00a00a000a00471101/01/202401\r\n"
                              "bbbbbb00b00b000b00471102/01/202402\r\n"
                              "cccccc00c00c000c00471103/01/202403\r\n";
    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")), righe);
    EXPECT_EQ(unita.nPazienti, 3);
    EXPECT_EQ(finestra.memo1,
        sommario("PLS",
            "\r\nBilanci: creato file " + cartelle.output("BILSALU.DAT")
                + "\r\n\r\nVisite: nessuna visita trovata nel periodo selezionato"
                  "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato"
                  "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"));
    const std::vector<std::string> trace = server.trace();
    const auto carica
        = std::find(trace.begin(), trace.end(), R"(carica("codice_medico =M7|tipo_di_convenzione=S", "alfabetico"))");
    ASSERT_NE(carica, trace.end());
    // The list is reloaded after the doctor's contract is known and before the first patient.
    EXPECT_LT(std::find(trace.begin(), trace.end(), R"(get_opzione("utente", "contratto"))"), carica);
    EXPECT_LT(carica, std::find(trace.begin(), trace.end(), R"(new_object("i_accertamento", ""))"));

    esegui();
    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")), righe);
    EXPECT_EQ(fileIn(cartelle.sDirStorico).size(), 1u);
}

TEST_F(EsportazioneTracciatoTest, ContractOtherThanPlsMakesNoHealthChecks)
{
    for (const char* tipo : { "MMG", "", "pls", "PLS " }) {
        contratto = tipo;
        server.clearCalls();
        esegui();
        EXPECT_EQ(server.callCount("carica"), 0) << tipo;
        EXPECT_EQ(server.callCount("new_object"), 0) << tipo;
        EXPECT_EQ(finestra.memo1->find("Bilanci"), std::string::npos) << tipo;
    }
}

// --- End to end through the stand-in host server ---

namespace {

void esegui(sqlite3* db, const std::string& sql)
{
    char* errore = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &errore) != SQLITE_OK) {
        const std::string testo = errore ? errore : "?";
        sqlite3_free(errore);
        FAIL() << testo << " in " << sql;
    }
}

} // namespace

TEST(EsportazioneTracciatoServer, PaediatricianRunAgainstAPracticeDatabase)
{
    Cartelle cartelle;
    const fs::path db = cartelle.radice / "pratica.sqlite";
    hostserver::creaPraticaVuota(db);
    {
        sqlite3* connessione = nullptr;
        ASSERT_EQ(sqlite3_open(platform::percorsoUtf8(db).c_str(), &connessione), SQLITE_OK);
        esegui(connessione, R"(
            INSERT INTO utenti VALUES ('bianchi', 'segreta', 'P01', 'T', '4711', 'PLS');
            INSERT INTO utenti VALUES ('rossi', 'altra', 'M01', 'T', '815', 'MMG');
            INSERT INTO pazienti VALUES ('7', 'P01', 'S', 'Verdi', 'Anna', 'vrdnna20a41f205x');
            INSERT INTO pazienti VALUES ('12', 'P01', 'S', 'Bruno', 'Luca', 'BRNLCU19B01A662Z');
            INSERT INTO pazienti VALUES ('123', 'P01', 'S', 'Caputo', 'Sara', 'CPTSRA21C55L049Q');
            INSERT INTO pazienti VALUES ('40', 'P01', 'N', 'Neri', 'Ugo', 'NREUGO20D01F205K');
            INSERT INTO pazienti VALUES ('50', 'M01', 'S', 'Gialli', 'Ada', 'GLLDAA50E41F205B');
            INSERT INTO prestazioni_incentivanti VALUES (1, '7', '0000139', 'SUTURA DI FERITA', '2024-01-05');
            INSERT INTO prestazioni_incentivanti VALUES (2, '7', '0000139', 'SUTURA DI FERITA', '2024-01-05');
            INSERT INTO prestazioni_incentivanti VALUES (3, '12', '0000001', 'MEDICAZIONE', '2024-01-31');
            INSERT INTO prestazioni_incentivanti VALUES (4, '12', '0000162', 'VACCINAZ. NON OBBLIG.', '2024-01-01');
            INSERT INTO prestazioni_incentivanti VALUES (6, '123', '0000023', 'VISITA ADP', '2024-01-16');
            INSERT INTO prestazioni_incentivanti VALUES (7, '123', '0000011', 'TETANO', '2024-01-17');
            INSERT INTO prestazioni_incentivanti VALUES (8, '7', '0000140', 'FUORI PERIODO', '2024-02-01');
            INSERT INTO prestazioni_incentivanti VALUES (9, '50', '0000001', 'ALTRO MEDICO', '2024-01-10');
            INSERT INTO accertamenti VALUES (1, '7', '3522', '2024-01-10', 'regolare');
            INSERT INTO accertamenti VALUES (2, '7', '4148', '2024-01-20', 'regolare');
            INSERT INTO accertamenti VALUES (3, '7', '3523', '2024-01-25', '');
            INSERT INTO accertamenti VALUES (4, '12', '4130', '2023-12-31', 'regolare');
            INSERT INTO accertamenti VALUES (5, '123', '3527', '2024-01-31', 'regolare');
        )");
        // The database holds UTF-8; the export files get Windows-1252.
        esegui(connessione,
            "INSERT INTO prestazioni_incentivanti VALUES "
            "(5, '123', 'ZZ9', 'Visita & <controllo> pi\xC3\xB9 rapido', '2024-01-15');");
        sqlite3_close(connessione);
    }
    const testing_support::ScopedEnv dbServer("ORVELLA_SERVER_DB", db.string());
    registraServerOrvella();

    UnitaFormMain unita;
    unita.sDirOutput = cartelle.sDirOutput;
    unita.sDirStorico = cartelle.sDirStorico;
    unita.oXmlDoc = std::make_unique<DocumentoXml>();
    unita.oOrvapat = std::make_unique<Torvapat>();
    unita.oOrvapat->s_utente = "bianchi";
    unita.oOrvapat->s_password = "segreta";
    ASSERT_TRUE(unita.oOrvapat->start());
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();
    FinestraFinta finestra;

    ASSERT_TRUE(creaTracciato(
        unita, tabella, RunLog(), 2024y / January / 1, 2024y / January / 31, cartelle.sDirProgramma, finestra));

    // Patients in alphabetical order: Bruno (12), Caputo (123), Verdi (7), each with its services
    // by date; health-check results newest first, only those with a result and in the period.
    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")),
        "CPTSRA21C55L049Q00471131/01/202405\r\n"
        "vrdnna20a41f205x00471120/01/202410\r\n"
        "vrdnna20a41f205x00471110/01/202401\r\n");
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")),
        "BRNLCU19B01A662Z00471106801/01/202400001\r\n"
        "VRDNNA20A41F205X00471101705/01/202400002\r\n");
    EXPECT_EQ(readFile(cartelle.output("trx_sconosciuti.txt")),
        "*SCARTATO (SOLO PER MMG): Nome Prestazione*: MEDICAZIONE *Data*:2024-01-31 *Codice Orvella*: 0000001"
        "*SCONOSCIUTO: Nome Prestazione*: Visita & <controllo> pi\xF9 rapido *Data*:2024-01-15 *Codice Orvella*: ZZ9"
        "*SCARTATO (SOLO PER MMG): Nome Prestazione*: VISITA ADP *Data*:2024-01-16 *Codice Orvella*: 0000023");
    EXPECT_FALSE(fs::exists(cartelle.output("ACCESSI.DAT")));
    EXPECT_FALSE(fs::exists(cartelle.output("VACCINI.DAT")));
    EXPECT_EQ(finestra.memo1,
        "Operazione completata.       Tipo (PLS)\r\n"
        "\r\nBilanci: creato file "
            + cartelle.output("BILSALU.DAT")
            + "\r\n"
              "\r\nVisite: nessuna visita trovata nel periodo selezionato"
              "\r\nPrestazioni: creato file "
            + cartelle.output("PPIP.DAT")
            + "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
              "\r\n\r\n[Sono state scartate 3 ppip] Dettagli in:\r\n"
            + cartelle.output("trx_sconosciuti.txt"));
    EXPECT_EQ(unita.nPazienti, 3);
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
    EXPECT_EQ(fileIn(cartelle.sDirProgramma), std::vector<std::string> {});
    unita.oOrvapat.reset();
    host::unregisterAutomationClass("Orvella.Server");
}
