#include "export/EsportazioneTracciato.h"
#include "export/Riepilogo.h"
#include "storico/RegistroEsportazioni.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include <sqlite3.h>

#include "hostserver/OrvellaServer.h"
#include "hostserver/SchemaPratica.h"
#include "platform/BloccoCartella.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
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
        : precedente_(platform::setMessageBoxHandler(
            [this](const std::string& testo, const std::string&, platform::Gravita grado) {
                messaggi.push_back(testo);
                gravita.push_back(grado);
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
    void attesaOrvella(const std::string& testo) override
    {
        eventi.push_back("attesa: " + testo);
        if (allAttesa)
            allAttesa();
    }

    std::vector<std::string> eventi;
    std::vector<std::string> messaggi;
    std::vector<platform::Gravita> gravita;
    std::vector<std::string> progressi;
    std::optional<std::string> memo1;
    bool vaccini = true;
    std::function<void(const std::string&)> alProgresso;
    std::function<void()> allAttesa;

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

// The folders of one test: the output folder with its history folder, and the temporary folder.
struct Cartelle {
    testing_support::TempDir radice;
    std::string sDirOutput = (radice / "KARV (ADI-PPiP)").string() + "/";
    std::string sDirStorico = sDirOutput + "storico/";
    std::string sDirTemporanea = (radice / "tmp").string() + "/";

    Cartelle()
    {
        fs::create_directories(sDirStorico);
        fs::create_directories(sDirTemporanea);
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

// The previous files' copies in the history folder, without the register of exports beside them.
std::vector<std::string> copieInStorico(const std::string& sDirStorico)
{
    std::vector<std::string> copie = fileIn(sDirStorico);
    std::erase(copie, kFileRegistro);
    return copie;
}

} // namespace

class EsportazioneTracciatoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The month the runs export: no month before it is judged by the register of exports.
        platform::setClock([] { return local_days { 2024y / January / 31 } + 18h; });
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
            percorsoXml = utf16ToUtf8(std::get<std::u16string>(argomenti.at(2)));
            if (xml)
                writeFile(percorsoXml, *xml);
            return host::Variant {};
        });
        unita.oOrvapat = std::make_unique<Torvapat>();
        ASSERT_TRUE(unita.oOrvapat->start());
        server.clearCalls();
    }

    void TearDown() override { platform::setClock({}); }

    bool esegui()
    {
        return creaTracciato(
            unita, tabella, log, 2024y / January / 1, 2024y / January / 31, cartelle.sDirTemporanea, finestra);
    }

    std::string sommario(const std::string& tipo, const std::string& corpo) const
    {
        return "Operazione completata.       Tipo (" + tipo + ")" + kCrLf + corpo;
    }

    Cartelle cartelle;
    ScriptedAutomation server;
    FinestraFinta finestra;
    TabellaCodici tabella;
    UnitaFormMain unita;
    RunLog log;
    // A paediatrician's practice as the host shows it: carica starts the patient list again, skip
    // moves on, and each patient's health checks are read through an i_accertamento object.
    // Past the end of the list a patient has no fiscal code and no checks.
    struct EsamePls {
        std::u16string data;
        std::u16string codice;
    };
    struct PazientePls {
        std::u16string codiceFiscale;
        std::vector<EsamePls> esami;
        std::optional<std::u16string> rowcount {}; // the host's answer, instead of the number of checks
    };
    void praticaPls(std::vector<PazientePls> pazienti)
    {
        pazientiPls = std::move(pazienti);
        server.answerWith("carica", [this](const host::Arguments&) {
            pazienteCorrente = 0;
            return host::Variant { static_cast<std::int32_t>(pazientiPls.size()) };
        });
        server.answerWith("skip", [this](const host::Arguments&) {
            ++pazienteCorrente;
            return host::Variant {};
        });
        server.answerWith("leggi_attributo", [this](const host::Arguments& argomenti) {
            const auto& nome = std::get<std::u16string>(argomenti.at(0));
            if (nome == u"codice_fiscale")
                return host::Variant { corrente() ? corrente()->codiceFiscale : std::u16string() };
            if (nome == u"userid_utente")
                return host::Variant { std::u16string(u"M7") };
            return host::Variant { std::u16string(u"4711") };
        });
        server.answer("new_object", u"h");
        server.answerWith("call_method_pipe", [this](const host::Arguments& argomenti) {
            const auto& metodo = std::get<std::u16string>(argomenti.at(1));
            const auto& parametro = std::get<std::u16string>(argomenti.at(2));
            const std::u16string esami = cp1252ToUtf16(std::to_string(corrente() ? corrente()->esami.size() : 0));
            if (metodo == u"carica")
                return host::Variant { esami };
            if (metodo == u"rowcount")
                return host::Variant { corrente() && corrente()->rowcount ? *corrente()->rowcount : esami };
            if (metodo == u"setrow")
                rigaPls = std::stoul(utf16ToUtf8(parametro));
            if (metodo == u"leggi_attributo") {
                const EsamePls& esame = corrente()->esami.at(rigaPls - 1);
                return host::Variant { parametro == u"data_esecuzione" ? esame.data : esame.codice };
            }
            return host::Variant {};
        });
    }
    const PazientePls* corrente() const
    {
        return pazienteCorrente < pazientiPls.size() ? &pazientiPls[pazienteCorrente] : nullptr;
    }

    std::string contratto = "MMG";
    std::optional<std::string> xml = estratto(std::string());
    std::string percorsoXml; // where the host was asked to write the extract
    std::vector<PazientePls> pazientiPls;
    std::size_t pazienteCorrente = 0;
    std::size_t rigaPls = 0;
};

// --- The summary ---

struct CasoSommario {
    const char* contratto;
    std::vector<const char*> file; // the files that exist when the summary is made
    std::int32_t nScartate;
    std::int32_t nNonRiuscite;
    std::string atteso; // with "<X>" for the output folder
    std::map<std::string, std::int32_t> nonScritti {}; // records that did not go in, per file
    std::string box = "Procedura terminata."; // the box that ends the run
};

TEST_F(EsportazioneTracciatoTest, SummaryLayoutForEveryKindOfRun)
{
    const std::string nessunaVisita = "\r\nVisite: nessuna visita trovata nel periodo selezionato";
    const std::string nessunaPrestazione = "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato";
    const std::string nessunVaccino = "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato";
    const std::string nessunBilancio = "\r\nBilanci: nessun bilancio di salute trovato nel periodo selezionato";
    const char* nonCompletata
        = "Operazione non completata: il contratto letto da Orvella non \xE8 n\xE9 MMG n\xE9 PLS.";
    const std::string boxNonCompletata = std::string("Procedura terminata.\r\n") + nonCompletata;
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
        // A contract that lets no service through exported nothing of the period.
        { "", {}, 0, 0,
            std::string(nonCompletata) + "       Tipo ()\r\n" + nessunaVisita + nessunaPrestazione + nessunVaccino, {},
            boxNonCompletata },
        { "pls", { "BILSALU.DAT", "ACCESSI.DAT" }, 0, 0,
            std::string(nonCompletata) + "       Tipo (pls)\r\n\r\nVisite: creato file <X>ACCESSI.DAT\r\n"
                + nessunaPrestazione + nessunVaccino,
            {}, boxNonCompletata },
        { "MMG", { "PPIP.DAT", "trx_sconosciuti.txt" }, 0, 0,
            "Operazione completata.       Tipo (MMG)\r\n" + nessunaVisita + "\r\nPrestazioni: creato file <X>PPIP.DAT"
                + nessunVaccino + "\r\n\r\n[Sono state scartate 0 ppip] Dettagli in:\r\n<X>trx_sconosciuti.txt" },
        { "PLS", { "BILSALU.DAT", "VACCINI.DAT", "trx_sconosciuti.txt" }, 12, 0,
            "Operazione completata.       Tipo (PLS)\r\n\r\nBilanci: creato file <X>BILSALU.DAT\r\n" + nessunaVisita
                + nessunaPrestazione + "\r\nVaccini: creato file <X>VACCINI.DAT"
                + "\r\n\r\n[Sono state scartate 12 ppip] Dettagli in:\r\n<X>trx_sconosciuti.txt" },
        // A failed write never reads as complete, and a file none of whose records went in is no
        // empty period.
        { "PLS", { "ACCESSI.DAT", "trx_sconosciuti.txt" }, 4, 6,
            "ATTENZIONE: 6 scritture non riuscite, il tracciato non \xE8 completo.\r\n\r\n"
            "Operazione non completata: alcuni record non sono stati scritti.       Tipo (PLS)\r\n"
            "\r\nBilanci: <X>BILSALU.DAT (1 record non scritto)"
            "\r\nVisite: creato file <X>ACCESSI.DAT (2 record non scritti)\r\n"
            "\r\nPrestazioni: <X>PPIP.DAT (3 record non scritti)"
                + nessunVaccino + "\r\n\r\n[Sono state scartate 4 ppip] Dettagli in:\r\n<X>trx_sconosciuti.txt",
            { { "BILSALU.DAT", 1 }, { "ACCESSI.DAT", 2 }, { "PPIP.DAT", 3 } },
            "Procedura terminata.\r\nOperazione non completata: alcuni record non sono stati scritti.\r\n"
            "1 record di BILSALU.DAT non scritto.\r\n2 record di ACCESSI.DAT non scritti.\r\n"
            "3 record di PPIP.DAT non scritti." },
        // Failures and not one file: nothing of the export was written.
        { "MMG", {}, 0, 2,
            "ATTENZIONE: 2 scritture non riuscite, il tracciato non \xE8 completo.\r\n\r\n"
            "Operazione non riuscita: nessun file scritto.       Tipo (MMG)\r\n"
                + nessunaVisita + nessunaPrestazione + nessunVaccino,
            {}, "Procedura terminata.\r\nOperazione non riuscita: nessun file scritto.\r\n2 scritture non riuscite." },
        // One failed write is enough for an export that is not complete.
        { "PLS", { "trx_sconosciuti.txt" }, 1, 1,
            "ATTENZIONE: 1 scritture non riuscite, il tracciato non \xE8 completo.\r\n\r\n"
            "Operazione non completata: alcuni record non sono stati scritti.       Tipo (PLS)\r\n"
                + nessunBilancio + nessunaVisita + nessunaPrestazione
                + "\r\nVaccini: <X>VACCINI.DAT (1 record non scritto)"
                + "\r\n\r\n[Sono state scartate 1 ppip] Dettagli in:\r\n<X>trx_sconosciuti.txt",
            { { "VACCINI.DAT", 1 } },
            "Procedura terminata.\r\nOperazione non completata: alcuni record non sono stati scritti.\r\n"
            "1 record di VACCINI.DAT non scritto." },
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
        const auto nonScritti = [&](const std::string& sFile) {
            const auto file = caso.nonScritti.find(fs::path(sFile).filename().string());
            return file == caso.nonScritti.end() ? 0 : file->second;
        };
        const EsitoTracciato esito = riepilogoTracciato(stato, caso.contratto, caso.nNonRiuscite, nonScritti);
        EXPECT_EQ(esito.riepilogo(), atteso) << caso.contratto;
        EXPECT_EQ(esito.messaggioFinale(), caso.box) << caso.contratto;
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
                + "\r\n\r\n[Sono state scartate 2 ppip] Dettagli in:\r\n" + cartelle.output("trx_sconosciuti.txt")
                + "\r\n\r\nContenuto dei file:\r\nACCESSI.DAT: 1 riga, 1 prestazione\r\nPPIP.DAT: 1 riga, 3 prestazioni"
                  "\r\nVACCINI.DAT: 1 riga, 1 prestazione"));
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
    EXPECT_TRUE(fs::is_empty(cartelle.sDirTemporanea));
    EXPECT_FALSE(unita.bEsportazioneInCorso);
    // Nothing was there before the run: nothing to keep, and the run in the register.
    EXPECT_EQ(fileIn(cartelle.sDirStorico), std::vector<std::string> { kFileRegistro });
}

TEST_F(EsportazioneTracciatoTest, HostCallsAndLogLinesOfARun)
{
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "VISITA ADP" } } } });
    esegui();

    // The doctor is read first: without a regional code nothing is moved or extracted.
    EXPECT_EQ(server.trace(),
        (std::vector<std::string> {
            "get_error(Empty)",
            R"(leggi_attributo("mmg\codice_regionale"))",
            R"(get_opzione("utente", "contratto"))",
            R"(genera_xml("prestazioni_empoli", "dalla_data=2024-01-01|alla_data=2024-01-31", ")" + percorsoXml + "\")",
        }));
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    const std::vector<std::string> attese = {
        "ov_pipp versione ver. 6",
        "Inizio creazione tracciato...",
        "Codice regionale = 4711",
        "Contratto = MMG",
        "Filtro data -> dal 2024-01-01 al 2024-01-31",
        "Lista pipp salvata in " + percorsoCopiaDebug(cartelle.sDirOutput),
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

TEST_F(EsportazioneTracciatoTest, ServicesWithManyDatesAndCodesOrEntitiesAreExported)
{
    // Five codes and four dates in one service, identical in its first ones to a plain service.
    std::string ampia = "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\">";
    for (const char* codice : { "0000001", "0000002", "0000003", "0000004", "0000005" })
        ampia += std::string("<codice_ov_pip>") + codice + "</codice_ov_pip>";
    for (const char* data : { "2024-01-10", "2024-01-11", "2024-01-12", "2024-01-13" })
        ampia += std::string("<data_esecuzione>") + data + "</data_esecuzione>";
    ampia += "<nome_prestazione>MEDICAZIONE</nome_prestazione></PRESTAZIONE_INCENTIVANTE>";
    const PazienteEstratto paziente { "1", "abcdef12g34h567i", { { "0000001", "2024-01-10", "MEDICAZIONE" } } };
    xml = estratto(elementoPaziente(paziente) + ampia + elementiServizi(paziente));
    esegui();
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "ABCDEF12G34H567I00471100810/01/202400002\r\n");

    // The fiscal code and the service's code through entities of the extract's own DTD.
    xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<!DOCTYPE Elenco_prestazioni_incentivanti [<!ENTITY cf \"abcdef12g34h567i\"><!ENTITY adp \"0000023\">]>\n"
          "<Elenco_prestazioni_incentivanti><PAZIENTE "
          "io_id_paziente=\"1\"><PERSONA><codice_fiscale>&cf;</codice_fiscale>"
          "</PERSONA></PAZIENTE><PRESTAZIONE_INCENTIVANTE io_id_paziente=\"1\"><codice_ov_pip>&adp;</codice_ov_pip>"
          "<data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE></Elenco_prestazioni_incentivanti>";
    esegui();
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
    // The second run of the month finds the first one's PPIP.DAT, made today.
    EXPECT_EQ(finestra.messaggi.front(), "Procedura terminata.");
    EXPECT_TRUE(finestra.messaggi.back().starts_with("Procedura terminata.\r\nIl periodo comprende date gi\xE0 "
                                                     "esportate il "))
        << finestra.messaggi.back();
    // The box's icon from the outcome: the same first words, nothing more to say or a warning.
    EXPECT_EQ(finestra.gravita, (std::vector { platform::Gravita::Informazione, platform::Gravita::Avviso }));
}

struct CasoEstrattoInutilizzabile {
    const char* nome;
    std::string xml;
    std::string motivo;
};

// The host said it wrote the extract, but nothing can be read from it: one error, no summary of an
// empty month, no file, and no health checks either.
TEST_F(EsportazioneTracciatoTest, UnusableExtractIsAnErrorNotAnEmptyMonth)
{
    const std::string completo = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" } } } });
    std::string profondo = "<Elenco_prestazioni_incentivanti>";
    for (int i = 0; i < 300; ++i)
        profondo += "<a>";
    const std::vector<CasoEstrattoInutilizzabile> casi = {
        { "empty", "", "il file \xE8 vuoto" },
        { "cut short", completo.substr(0, completo.size() - 20), "il file si interrompe prima della fine (riga 2)" },
        { "bytes of no character", completo + "\n<!-- \xE8 -->", "il file contiene caratteri non validi (riga 4)" },
        { "a NUL", completo.substr(0, 60) + std::string(1, '\0') + completo.substr(60),
            "il file contiene caratteri non validi (riga 2)" },
        { "nesting past the parser's depth", profondo, "troppi livelli di elementi annidati (riga 1)" },
        { "a text past the parser's size",
            "<Elenco_prestazioni_incentivanti>\n<a>" + std::string(10'000'001, 'x')
                + "</a></Elenco_prestazioni_incentivanti>",
            "un testo supera la dimensione ammessa, o la memoria non basta (riga 2)" },
        { "an entity bomb",
            "<!DOCTYPE Elenco_prestazioni_incentivanti [<!ENTITY e \"" + std::string(100000, 'A')
                + "\">]>\n<Elenco_prestazioni_incentivanti>" +
                [] {
                    std::string riferimenti;
                    for (int i = 0; i < 1000; ++i)
                        riferimenti += "&e;";
                    return riferimenti;
                }()
                + "</Elenco_prestazioni_incentivanti>",
            "le entit\xE0 del file si espandono oltre il limite ammesso (riga 2)" },
        { "an error page", "<html><body><p>Errore interno del server</p></body></html>",
            "manca l'elenco delle prestazioni (Elenco_prestazioni_incentivanti)" },
    };
    contratto = "PLS";
    for (const CasoEstrattoInutilizzabile& caso : casi) {
        SCOPED_TRACE(caso.nome);
        fs::remove(unita.sFileLog);
        finestra.messaggi.clear();
        finestra.memo1.reset();
        server.clearCalls();
        xml = caso.xml;

        EXPECT_TRUE(esegui());

        const std::string messaggio = "ERRORE: File estrazione xml ppip non utilizzabile: " + caso.motivo + ".";
        EXPECT_EQ(finestra.messaggi, std::vector<std::string> { messaggio });
        EXPECT_EQ(finestra.memo1, messaggio);
        const std::vector<std::string> righe = logMessages(unita.sFileLog);
        EXPECT_EQ(std::count(righe.begin(), righe.end(), messaggio), 1);
        EXPECT_FALSE(contiene(righe, "--- Nessun record ppip trovato ---"));
        EXPECT_FALSE(contiene(righe, "Procedura terminata"));
        EXPECT_EQ(fileIn(cartelle.sDirOutput), fileDiDebug(cartelle));
        EXPECT_EQ(server.callCount("carica"), 0);
        EXPECT_EQ(server.callCount("new_object"), 0);
        EXPECT_TRUE(fs::is_empty(cartelle.sDirTemporanea));
        EXPECT_EQ(finestra.eventi.back(), "cursore normale");
    }
}

TEST_F(EsportazioneTracciatoTest, ExtractWithAnEmptyListIsAMonthWithoutRecords)
{
    xml = "<?xml version=\"1.0\"?>\n<ESTRAZIONE><Elenco_prestazioni_incentivanti>\n</Elenco_prestazioni_incentivanti>"
          "<PAZIENTE io_id_paziente=\"1\"/></ESTRAZIONE>";
    esegui();
    EXPECT_TRUE(contiene(logMessages(unita.sFileLog), "--- Pazienti -1 ---"));
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
    EXPECT_EQ(finestra.memo1,
        sommario("MMG",
            "\r\nVisite: nessuna visita trovata nel periodo selezionato"
            "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato"
            "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"));
}

// --- Failures ---

TEST_F(EsportazioneTracciatoTest, FailedExtractionEndsTheRunAndAsksToQuit)
{
    server.fail("genera_xml", u"procedura sconosciuta");
    esegui();
    // The host's own reason follows the run's message; nothing of an extract the host did not make is read.
    const std::string messaggio = "ERRORE: Impossibile generare xml ppip. Motivo: procedura sconosciuta";
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Tgate_orvapat.genera_xml(): eccezione", messaggio }));
    EXPECT_EQ(finestra.memo1, messaggio);
    EXPECT_EQ(std::count(finestra.eventi.begin(), finestra.eventi.end(), "uscita richiesta"), 1);
    const std::vector<std::string> righe = logMessages(unita.sFileLog);
    EXPECT_TRUE(contiene(righe, messaggio));
    EXPECT_FALSE(contiene(righe, "--- Nessun record ppip trovato ---"));
}

TEST_F(EsportazioneTracciatoTest, ExtractFileMissingAfterTheHostCall)
{
    xml.reset();
    esegui();
    // The host said it wrote the extract: no summary of an empty month, no export file.
    const std::string messaggio = "ERRORE: File estrazione xml ppip non trovato.";
    EXPECT_EQ(finestra.messaggi, std::vector<std::string> { messaggio });
    EXPECT_EQ(finestra.memo1, messaggio);
    EXPECT_EQ(std::count(finestra.eventi.begin(), finestra.eventi.end(), "uscita richiesta"), 1);
    EXPECT_FALSE(contiene(logMessages(unita.sFileLog), "--- Nessun record ppip trovato ---"));
    EXPECT_EQ(server.callCount("carica"), 0);
}

TEST_F(EsportazioneTracciatoTest, UnwritableFolderShowsOneBoxPerFileAndCountsEveryFailure)
{
    xml = estratto({ { "1", "abcdef12g34h567i",
        { { "0000023", "2024-01-31", "V" }, { "0000023", "2024-01-30", "V" }, { "0000023", "2024-01-29", "V" },
            { "0000001", "2024-01-10", "M" }, { "0000001", "2024-01-11", "M" }, { "9999999", "2024-01-20", "?" } } } });
    // The output folder goes while the host writes the extract. The log is elsewhere.
    log.setFile((cartelle.radice / "karv_log.txt").string());
    bool rimossa = false;
    server.answerWith("genera_xml", [&](const host::Arguments& argomenti) {
        writeFile(utf16ToUtf8(std::get<std::u16string>(argomenti.at(2))), *xml);
        std::error_code errore;
        fs::remove_all(cartelle.sDirOutput, errore);
        rimossa = !errore;
        return host::Variant {};
    });
    esegui();
    if (!rimossa)
        GTEST_SKIP() << "Windows keeps a folder that a run holds";
    const auto nonScritto
        = [](const std::string& file) { return "Impossibile scrivere il file " + file + ": la cartella non esiste"; };
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> {
            nonScritto(cartelle.output("ACCESSI.DAT")),
            nonScritto(cartelle.output("PPIP.DAT")),
            nonScritto(cartelle.output("trx_sconosciuti.txt")),
            "Procedura terminata.\r\nOperazione non riuscita: nessun file scritto.\r\n3 record di ACCESSI.DAT non "
            "scritti.\r\n2 record di PPIP.DAT non scritti.\r\n1 record di trx_sconosciuti.txt non scritto.",
        }));
    EXPECT_EQ(finestra.memo1,
        "ATTENZIONE: 6 scritture non riuscite, il tracciato non \xE8 completo.\r\n\r\n"
        "Operazione non riuscita: nessun file scritto.       Tipo (MMG)\r\n"
        "\r\nVisite: "
            + cartelle.output("ACCESSI.DAT") + " (3 record non scritti)"
            + "\r\nPrestazioni: " + cartelle.output("PPIP.DAT") + " (2 record non scritti)"
            + "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
            + "\r\n\r\n[Sono state scartate 1 ppip] Dettagli in:\r\n" + cartelle.output("trx_sconosciuti.txt")
            + " (1 record non scritto)");
}

// Some failures show only when a file is closed: the summary, made before the close, would say
// "Operazione completata." over records that are not on the disk.
TEST_F(EsportazioneTracciatoTest, FailureSeenOnlyAtCloseIsInTheSummary)
{
    xml = estratto({ { "1", "abcdef12g34h567i",
        { { "0000023", "2024-01-31", "V" }, { "0000001", "2024-01-10", "M" }, { "0000001", "2024-01-11", "M" } } } });
    bool eliminato = false;
    finestra.alProgresso = [&](const std::string&) {
        std::error_code errore;
        eliminato = eliminato || fs::remove(cartelle.output("PPIP.DAT"), errore);
    };
    esegui();
    if (!eliminato)
        GTEST_SKIP() << "Windows keeps a file that a run holds open in its folder";

    ASSERT_TRUE(finestra.memo1.has_value());
    EXPECT_NE(
        finestra.memo1->find("\r\nOperazione non completata: alcuni record non sono stati scritti."), std::string::npos)
        << *finestra.memo1;
    EXPECT_NE(finestra.memo1->find("\r\nPrestazioni: " + cartelle.output("PPIP.DAT") + " (2 record non scritti)"),
        std::string::npos)
        << *finestra.memo1;
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
    EXPECT_TRUE(fs::is_empty(cartelle.sDirTemporanea));
    EXPECT_FALSE(unita.bEsportazioneInCorso);
    // What was written before the error stays.
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
}

TEST_F(EsportazioneTracciatoTest, LabelShowsTheServiceAtHandOnATimeSliceAndTheLastAtTheEnd)
{
    PazienteEstratto paziente { "1", "abcdef12g34h567i", {} };
    for (int giorno = 1; giorno <= 28; ++giorno)
        for (const char* codice : { "0000023", "0000001", "0000019", "0000011", "9999999" })
            paziente.servizi.push_back(
                { codice, "2024-01-" + std::string(giorno < 10 ? "0" : "") + std::to_string(giorno), "S" });
    xml = estratto({ paziente });
    // Every reading of the clock is 3 ms later.
    testing_support::ManualSteadyClock orologio(std::chrono::milliseconds(3));
    std::vector<std::string> attesi;
    finestra.alProgresso
        = [&](const std::string&) { attesi.push_back("...inserimento record ppip:" + std::to_string(unita.nRighe)); };
    esegui();
    ASSERT_EQ(unita.nRighe, 28 * 4);
    EXPECT_EQ(finestra.progressi, attesi);
    // Slices while the services are handled, far fewer than the services, and the last one at the end.
    EXPECT_GT(finestra.progressi.size(), 2u);
    EXPECT_LT(finestra.progressi.size(), 28u * 4 / 4);
    EXPECT_EQ(finestra.progressi.back(), "...inserimento record ppip:112");
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
    EXPECT_EQ(finestra.memo1, finestra.messaggi.back());
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
}

// --- The doctor, read before anything moves ---

struct CodiceIllegibile {
    const char* nome;
    std::function<void(ScriptedAutomation&)> prepara;
    std::vector<std::string> messaggi;
};

class CodiceRegionaleTest : public EsportazioneTracciatoTest,
                            public ::testing::WithParamInterface<CodiceIllegibile> { };

TEST_P(CodiceRegionaleTest, UnreadableOrBlankStopsTheRunBeforeAnythingMoves)
{
    writeFile(cartelle.output("ACCESSI.DAT"), "vecchio\r\n");
    GetParam().prepara(server);

    EXPECT_TRUE(esegui());

    EXPECT_EQ(finestra.messaggi, GetParam().messaggi);
    EXPECT_TRUE(contiene(logMessages(unita.sFileLog), GetParam().messaggi.back()));
    EXPECT_EQ(server.callCount("genera_xml"), 0);
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "vecchio\r\n");
    EXPECT_TRUE(fs::is_empty(cartelle.sDirStorico));
    // The pane hidden for the run shows why it ended, not a stale status.
    EXPECT_EQ(finestra.memo1, GetParam().messaggi.back());
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
}

const std::string kCodiceNonValorizzato
    = "ERRORE: Il campo obbligatorio \"Codice Regionale\" medico non \xE8 stato valorizzato in Orvella.";

INSTANTIATE_TEST_SUITE_P(EsportazioneTracciato, CodiceRegionaleTest,
    ::testing::Values(
        CodiceIllegibile { "ReadFails",
            [](ScriptedAutomation& s) {
                s.failFor("leggi_attributo", u"mmg\\codice_regionale", u"attributo non disponibile");
            },
            { "Torvapat.leggi_attributo(): eccezione",
                "ERRORE: Impossibile leggere da Orvella il codice regionale del medico. Motivo: attributo non "
                "disponibile" } },
        CodiceIllegibile { "HostGone", [](ScriptedAutomation& s) { s.fail("get_error", u"sessione scaduta"); },
            { "ERRORE: Impossibile leggere da Orvella il codice regionale del medico. Motivo: sessione scaduta" } },
        CodiceIllegibile { "Empty",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\codice_regionale", u""); },
            { kCodiceNonValorizzato } },
        CodiceIllegibile { "BlanksOnly",
            [](ScriptedAutomation& s) { s.answerFor("leggi_attributo", u"mmg\\codice_regionale", u" \t "); },
            { kCodiceNonValorizzato } }),
    [](const auto& caso) { return std::string(caso.param.nome); });

// --- Warnings that open the summary ---

struct CasoAvvisi {
    const char* nome;
    const char* contratto;
    std::function<void(ScriptedAutomation&)> prepara;
    std::string avvisi; // what comes before the first line
    std::string primaRiga; // the failed calls the first line names, "" for "Operazione completata.", or the line
};

class AvvisiTest : public EsportazioneTracciatoTest, public ::testing::WithParamInterface<CasoAvvisi> { };

TEST_P(AvvisiTest, FailedHostCallsAndAContractThatLetsNothingThroughOpenTheSummary)
{
    contratto = GetParam().contratto;
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "VISITA ADP" } } } });
    GetParam().prepara(server);

    esegui();

    ASSERT_TRUE(finestra.memo1.has_value());
    const std::string& primaRiga = GetParam().primaRiga;
    const std::string inizio = GetParam().avvisi
        + (primaRiga.empty() ? "Operazione completata."
                : primaRiga.starts_with("Operazione")
                ? primaRiga
                : "Operazione non completata: chiamate a Orvella non riuscite: " + primaRiga + ".")
        + "       Tipo (";
    EXPECT_EQ(finestra.memo1->substr(0, inizio.size()), inizio);
    // No patient list read for a doctor the host did not name, and none walked when it did not load.
    EXPECT_EQ(server.callCount("new_object"), 0);
}

const std::string kUnaChiamata
    = "ATTENZIONE: 1 chiamata al gestionale non riuscita, il tracciato non \xE8 completo.\r\n";

INSTANTIATE_TEST_SUITE_P(EsportazioneTracciato, AvvisiTest,
    ::testing::Values(CasoAvvisi { "Ordinary", "MMG", [](ScriptedAutomation&) {}, "", "" },
        CasoAvvisi { "ContractUnreadable", "MMG",
            [](ScriptedAutomation& s) { s.fail("get_opzione", u"opzione non disponibile"); },
            kUnaChiamata
                + "ATTENZIONE: il contratto letto da Orvella (\"\") non \xE8 n\xE9 MMG n\xE9 PLS, tutte le prestazioni "
                  "sono state scartate.\r\n\r\n",
            "get_opzione" },
        CasoAvvisi { "ContractOfNoKind", "pls", [](ScriptedAutomation&) {},
            "ATTENZIONE: il contratto letto da Orvella (\"pls\") non \xE8 n\xE9 MMG n\xE9 PLS, tutte le prestazioni "
            "sono state scartate.\r\n\r\n",
            "Operazione non completata: il contratto letto da Orvella non \xE8 n\xE9 MMG n\xE9 PLS." },
        CasoAvvisi { "PatientListNotLoaded", "PLS",
            [](ScriptedAutomation& s) { s.fail("carica", u"elenco non disponibile"); }, kUnaChiamata + "\r\n",
            "carica" },
        CasoAvvisi { "DoctorIdUnread", "PLS",
            [](ScriptedAutomation& s) {
                s.answer("carica", 3);
                s.failFor("leggi_attributo", u"userid_utente", u"utente non disponibile");
            },
            kUnaChiamata + "\r\n", "leggi_attributo" }),
    [](const auto& caso) { return std::string(caso.param.nome); });

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
    EXPECT_EQ(copieInStorico(cartelle.sDirStorico),
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

// A period exported again and sent twice is every service claimed twice: the earlier exports
// that hold its dates are named, by the day they were made, and only those; an export made before
// the period began is not read.
TEST_F(EsportazioneTracciatoTest, PeriodExportedBeforeIsNamedAtTheTopOfTheSummaryAndInTheBox)
{
    const testing_support::ScopedTimeZone utc("UTC");
    if (!utc.available())
        GTEST_SKIP() << "local time follows the system's zone only";
    platform::setClock([] { return local_days { 2024y / March / 15 } + 10h; });
    const auto ppip = [](const char* data) { return "ABCDEF12G34H567I004711008" + std::string(data) + "00001\r\n"; };
    writeFile(cartelle.output("PPIP.DAT"), ppip("10/01/2024"));
    fs::last_write_time(
        cartelle.output("PPIP.DAT"), file_clock::from_sys(sys_seconds { sys_days { 2024y / February / 5 } + 9h }));
    writeFile(cartelle.sDirStorico + "2024-01-31 09.00.00_ACCESSI.DAT", "ABCDEF12G34H567I00471120/01/202400011\r\n");
    writeFile(cartelle.sDirStorico + "2023-03-14 09.00.00_PPIP.DAT", ppip("10/01/2024")); // over a year ago
    writeFile(cartelle.sDirStorico + "2023-12-31 09.00.00_PPIP.DAT", ppip("10/01/2024")); // before the period
    writeFile(cartelle.sDirStorico + "2024-02-01 08.00.00_VACCINI (2).DAT", ppip("05/02/2024")); // another month
    writeFile(cartelle.sDirStorico + "2024-01-20 08.00.00_PPIP (2).DAT", ppip("20/01/2024"));
    writeFile(cartelle.sDirStorico + "2024-02-10 10.00_BILSALU.DAT", "ABCDEF12G34H567I00471112/01/202401\r\n");
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000001", "2024-01-10", "M" } } } });

    esegui();
    platform::setClock({});

    const std::string quando = "il 20/01/2024 (PPIP.DAT), il 31/01/2024 (ACCESSI.DAT), il 05/02/2024 (PPIP.DAT) e il "
                               "10/02/2024 (BILSALU.DAT)";
    EXPECT_TRUE(finestra.memo1.value_or("").starts_with(
        "ATTENZIONE: il periodo dal 01/01/2024 al 31/01/2024 comprende date gi\xE0 esportate " + quando
        + ": prima di inviare, verificare che quei file non siano gi\xE0 stati inviati.\r\n\r\n"
          "Operazione completata."))
        << finestra.memo1.value_or("");
    EXPECT_EQ(finestra.messaggi,
        std::vector<std::string> {
            "Procedura terminata.\r\nIl periodo comprende date gi\xE0 esportate " + quando + "." });
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), ppip("10/01/2024"));
}

// Faults: the run not set beside the register's months before (or another folder's, or another
// doctor's); the box not sending to the report the run wrote.
TEST_F(EsportazioneTracciatoTest, AMonthShortOfTheMonthsBeforeIsToldAndTheBoxSendsToTheReport)
{
    std::string registro;
    for (const year_month mese : { 2023y / November, 2023y / December }) {
        VoceRegistro voce { local_days { (mese + months { 1 }) / 2 }, { mese / 1, mese / last }, "MMG", "4711",
            EsitoRegistro::Completata, {}, 0 };
        voce.file[1] = { true, 10, 10 };
        registro += rigaRegistro(voce);
    }
    writeFile(cartelle.sDirStorico + kFileRegistro, registro);
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000001", "2024-01-10", "M" } } } });
    const ScrittoreRiepilogo scrittore
        = setScrittoreRiepilogo([](const DatiRiepilogo&, const std::string&) { return std::optional<std::string> {}; });
    esegui();
    setScrittoreRiepilogo(scrittore);

    const std::string avviso
        = "PPIP.DAT: 1 prestazione (dicembre 2023: 10, novembre 2023: 10), meno della met\xE0 dei "
          "mesi precedenti: verificare in Orvella che le prestazioni del periodo siano registrate.";
    EXPECT_TRUE(finestra.memo1.value_or("").starts_with("ATTENZIONE: " + avviso + kCrLf))
        << finestra.memo1.value_or("");
    EXPECT_EQ(finestra.messaggi,
        std::vector<std::string> { "Procedura terminata.\r\n" + avviso + "\r\nDettagli nel riepilogo." });
}

TEST_F(EsportazioneTracciatoTest, FailedHistoryCopyKeepsTheFileAndEndsTheRunBeforeTheExtraction)
{
    writeFile(cartelle.output("BILSALU.DAT"), "bilanci\r\n");
    writeFile(cartelle.output("PPIP.DAT"), "da non perdere\r\n");
    // A file where the history folder should be: no copy can go there.
    fs::remove_all(cartelle.sDirStorico);
    writeFile(cartelle.output("storico"), "un file al posto della cartella");

    EXPECT_TRUE(esegui());

    const std::string messaggio = "ERRORE: Impossibile copiare nello storico il file " + cartelle.output("BILSALU.DAT")
        + ": una parte del percorso non \xE8 una cartella. Nessun file \xE8 stato spostato.";
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { messaggio }));
    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")), "bilanci\r\n");
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "da non perdere\r\n");
    EXPECT_EQ(server.callCount("genera_xml"), 0);
    EXPECT_EQ(finestra.memo1, messaggio);
    EXPECT_EQ(finestra.eventi.back(), "cursore normale");
    EXPECT_TRUE(contiene(logMessages(unita.sFileLog), messaggio));
}

// Each of the six files, at each step of the move: without the stop, a previous file that stays
// would take the new period's records after the old ones, and both periods would be claimed again.
TEST_F(EsportazioneTracciatoTest, EveryPreviousFileThatCannotBeMovedStopsTheRunWithItsBytes)
{
    using platform::OperazioneFile;
    const char* const nomi[]
        = { "BILSALU.DAT", "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "trx_sconosciuti.txt", "RIEPILOGO.pdf" };
    for (const char* nome : nomi) {
        for (const OperazioneFile operazione :
            { OperazioneFile::Verifica, OperazioneFile::Copia, OperazioneFile::Elimina }) {
            const std::string sFile = cartelle.output(nome);
            const char* passo = operazione == OperazioneFile::Verifica ? " verifica"
                : operazione == OperazioneFile::Copia                  ? " copia"
                                                                       : " elimina";
            SCOPED_TRACE(std::string(nome) + passo);
            fs::remove_all(cartelle.sDirOutput);
            fs::create_directories(cartelle.sDirStorico);
            writeFile(sFile, std::string("vecchio ") + nome + "\r\n");
            platform::setGuastoFile([&](OperazioneFile fallita, const std::string& percorso) {
                return fallita == operazione && percorso == sFile ? std::optional<std::string>("accesso negato")
                                                                  : std::nullopt;
            });
            finestra.messaggi.clear();
            server.clearCalls();
            xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" } } } });
            contratto = "PLS";

            esegui();
            platform::setGuastoFile({});

            const std::string messaggio = operazione == OperazioneFile::Verifica
                ? "ERRORE: Impossibile spostare nello storico il file " + sFile + ": accesso negato."
                : operazione == OperazioneFile::Copia
                ? "ERRORE: Impossibile copiare nello storico il file " + sFile + ": accesso negato."
                : "ERRORE: Impossibile eliminare il file " + sFile + " dopo la copia nello storico: accesso negato.";
            EXPECT_EQ(
                finestra.messaggi, (std::vector<std::string> { messaggio + " Nessun file \xE8 stato spostato." }));
            EXPECT_EQ(server.callCount("genera_xml"), 0);
            EXPECT_EQ(readFile(sFile), std::string("vecchio ") + nome + "\r\n");
            EXPECT_TRUE(copieInStorico(cartelle.sDirStorico).empty());
        }
    }
}

// Two runs on one folder: the second would move the first one's files and append its records
// to them, every service claimed twice.
TEST_F(EsportazioneTracciatoTest, FolderHeldByAnotherRunIsLeftAsItIs)
{
    writeFile(cartelle.output("PPIP.DAT"), "dell'altra esportazione\r\n");
    const platform::BloccoCartella altraEsportazione(cartelle.sDirOutput);
    ASSERT_TRUE(altraEsportazione.preso());

    esegui();

    const std::string messaggio = "Un'altra esportazione \xE8 in corso nella cartella "
        + cartelle.sDirOutput.substr(0, cartelle.sDirOutput.size() - 1) + ": attendere che termini.";
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { messaggio }));
    EXPECT_EQ(finestra.memo1, messaggio);
    EXPECT_EQ(server.callCount("genera_xml"), 0);
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "dell'altra esportazione\r\n");
    EXPECT_FALSE(fs::exists(unita.sFileLog));
    EXPECT_TRUE(fs::is_empty(cartelle.sDirStorico));
}

TEST_F(EsportazioneTracciatoTest, HistoryFolderRemovedWhileOpenIsMadeAgain)
{
    writeFile(cartelle.output("ACCESSI.DAT"), "vecchio\r\n");
    fs::remove_all(cartelle.sDirStorico);
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" } } } });

    esegui();

    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
    const std::vector<std::string> storico = copieInStorico(cartelle.sDirStorico);
    ASSERT_EQ(storico.size(), 1u);
    EXPECT_EQ(readFile(cartelle.sDirStorico + storico[0]), "vecchio\r\n");
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
}

// --- Output and temporary folders ---

TEST_F(EsportazioneTracciatoTest, OutputFolderRemovedWhileOpenIsMadeAgainAndTheExportIsWhole)
{
    // The doctor tidied the Desktop with the window open.
    fs::remove_all(cartelle.sDirOutput);
    xml = estratto({ { "1", "abcdef12g34h567i",
        { { "0000023", "2024-01-31", "V" }, { "0000001", "2024-01-10", "M" }, { "0000019", "2024-01-15", "I" },
            { "9999999", "2024-01-20", "?" } } } });

    esegui();

    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "ABCDEF12G34H567I00471100810/01/202400001\r\n");
    EXPECT_EQ(readFile(cartelle.output("VACCINI.DAT")), "ABCDEF12G34H567I00471101615/01/202400001\r\n");
    EXPECT_TRUE(fs::exists(cartelle.output("trx_sconosciuti.txt")));
    EXPECT_EQ(logMessages(unita.sFileLog).front(), "ov_pipp versione ver. 6");
    EXPECT_TRUE(finestra.memo1.value_or("").starts_with("Operazione completata.")) << finestra.memo1.value_or("");
}

TEST_F(EsportazioneTracciatoTest, WithoutOutputFolderTheRunRefusesBeforeAnyHostCall)
{
    const std::pair<const char*, std::function<void()>> senzaCartella[] = {
        // Its log would be in it too: no box for the log.
        { "a file holds the folder's name",
            [this] {
                fs::remove_all(cartelle.sDirOutput);
                writeFile(cartelle.sDirOutput.substr(0, cartelle.sDirOutput.size() - 1), "non una cartella");
            } },
        // Main-window creation leaves the folders empty when the Desktop's name cannot be spelled.
        { "no folder named",
            [this] {
                unita.sDirOutput.clear();
                unita.sDirStorico.clear();
                unita.sFileLog.clear();
                log = RunLog(true, "");
            } },
    };
    for (const auto& [caso, prepara] : senzaCartella) {
        prepara();
        finestra.messaggi.clear();
        EXPECT_TRUE(esegui());
        EXPECT_EQ(finestra.messaggi,
            (std::vector<std::string> {
                "ERRORE: Cartella di output non disponibile, impossibile creare il tracciato." }))
            << caso;
        EXPECT_TRUE(server.calls().empty()) << caso;
        EXPECT_EQ(finestra.memo1, finestra.messaggi.back()) << caso;
        EXPECT_EQ(finestra.eventi.back(), "cursore normale") << caso;
    }
}

TEST_F(EsportazioneTracciatoTest, ExtractGoesIntoAPrivateFolderOfTheRunThatGoesWithIt)
{
    // Left by another user of the same folder, with another doctor's services.
    const std::string estraneo = estratto({ { "9", "estraneo", { { "0000023", "2024-01-02", "V" } } } });
    writeFile(cartelle.sDirTemporanea + "zzz_xml.tmp", estraneo);
    fs::perms permessi {};
    server.answerWith("genera_xml", [&](const host::Arguments& argomenti) {
        percorsoXml = utf16ToUtf8(std::get<std::u16string>(argomenti.at(2)));
        permessi = fs::status(fs::path(percorsoXml).parent_path()).permissions();
        if (xml)
            writeFile(percorsoXml, *xml);
        return host::Variant {};
    });

    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" } } } });
    esegui();
    const fs::path cartellaEstratto = fs::path(percorsoXml).parent_path();
    EXPECT_EQ(fs::path(percorsoXml).filename(), "zzz_xml.tmp");
    EXPECT_EQ(cartellaEstratto.parent_path().string() + "/", cartelle.sDirTemporanea);
    if (testing_support::folderPermissionBits()) {
        EXPECT_EQ(permessi & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_FALSE(fs::exists(cartellaEstratto));
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I00471131/01/202400011\r\n");

    // A host that writes nothing: the stale file is not taken for the extract, nor touched.
    xml.reset();
    esegui();
    EXPECT_EQ(finestra.messaggi.at(1), "ERRORE: File estrazione xml ppip non trovato.");
    EXPECT_FALSE(fs::exists(cartelle.output("ACCESSI.DAT")));
    EXPECT_EQ(fileIn(cartelle.sDirTemporanea), std::vector<std::string> { "zzz_xml.tmp" });
    EXPECT_EQ(readFile(cartelle.sDirTemporanea + "zzz_xml.tmp"), estraneo);
}

TEST_F(EsportazioneTracciatoTest, NoTemporaryFolderStopsTheRunBeforeAnythingIsMoved)
{
    writeFile(cartelle.output("PPIP.DAT"), "da non perdere\r\n");
    fs::remove_all(cartelle.sDirTemporanea);
    EXPECT_TRUE(esegui());
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> { "ERRORE: Impossibile creare la cartella temporanea per l'estrazione xml ppip." }));
    EXPECT_TRUE(server.calls().empty());
    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")), "da non perdere\r\n");
    EXPECT_TRUE(fs::is_empty(cartelle.sDirStorico));
}

// --- Width of the records ---

TEST_F(EsportazioneTracciatoTest, RecordsOutOfWidthAreNamedAtTheTopOfTheSummaryAndKeepTheirBytes)
{
    xml = estratto({ { "1", "abcdef12g34h567i",
                         { { "0000023", "2024-01-31", "V" }, { "0000001", "2024-01-10", "M" },
                             { "9999999", "2024-01-20", "?" } } },
        { "2", "abcdef12g34h567ixy", { { "0000023", "2024-01-30", "V" } } },
        { "3", "bcdefg12g34h567i", { { "0000023", "2024-01-29", "V" } } },
        { "4", "", { { "0000023", "2024-01-28", "V" }, { "0000023", "2024-01-27", "V" } } } });
    server.answerFor("leggi_attributo", u"mmg\\codice_regionale", u"1234567");

    esegui();

    // Every record carries the seven-digit regional code; patient 2's fiscal code is two too long.
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")),
        "ABCDEF12G34H567I123456731/01/202400011\r\n"
        "ABCDEF12G34H567IXY123456730/01/202400011\r\n"
        "BCDEFG12G34H567I123456729/01/202400011\r\n"
        "                123456728/01/202400011\r\n"
        "                123456727/01/202400011\r\n");
    const std::string memo = finestra.memo1.value_or("");
    EXPECT_TRUE(memo.starts_with(
        "ATTENZIONE: 5 righe di ACCESSI.DAT non conformi al tracciato: lunghezza diversa da 37 caratteri "
        "(righe 1, 2, 3 e altre 2)."
        "\r\nATTENZIONE: 1 riga di PPIP.DAT non conforme al tracciato: lunghezza diversa da 40 caratteri (riga 1)."
        "\r\n\r\nOperazione completata."))
        << memo;
}

TEST_F(EsportazioneTracciatoTest, FaultyRecordsAreNamedPerFileAndKeepTheirBytes)
{
    // A line with two faults counts once among the lines, and under each fault.
    xml = estratto({ { "1", "", { { "0000001", "2023-12-30", "M" } } },
        { "2", "bcdefg12g34h567i",
            { { "0000001", "2023-12-31", "M" }, { "0000001", "2024-02-30", "M" }, { "0000001", "2024-01-15", "M" },
                { "0000001", "2026-02-30", "M" }, { "0000023", "", "V" } } } });

    esegui();

    EXPECT_EQ(readFile(cartelle.output("PPIP.DAT")),
        "                00471100830/12/202300001\r\n"
        "BCDEFG12G34H567I00471100831/12/202300001\r\n"
        "BCDEFG12G34H567I00471100830/02/202400001\r\n"
        "BCDEFG12G34H567I00471100815/01/202400001\r\n"
        "BCDEFG12G34H567I00471100830/02/202600001\r\n");
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "BCDEFG12G34H567I004711//        00011\r\n");
    // The warnings head the summary, and the box that ends the run says them in a few words.
    EXPECT_EQ(finestra.memo1,
        "ATTENZIONE: 1 riga di ACCESSI.DAT non conforme al tracciato: data non valida (riga 1)."
        "\r\nATTENZIONE: 4 righe di PPIP.DAT non conformi al tracciato: codice fiscale vuoto (riga 1), data "
        "non valida (righe 3, 5), data fuori dal periodo scelto (righe 1, 2).\r\n\r\n"
            + sommario("MMG",
                "\r\nVisite: creato file " + cartelle.output("ACCESSI.DAT") + "\r\n\r\nPrestazioni: creato file "
                    + cartelle.output("PPIP.DAT")
                    + "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
                      "\r\n\r\nContenuto dei file:\r\nACCESSI.DAT: 1 riga, 1 prestazione\r\nPPIP.DAT: 5 righe, 5 "
                      "prestazioni"));
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> { "Procedura terminata.\r\n1 riga di ACCESSI.DAT non conforme al tracciato.\r\n"
                                    "4 righe di PPIP.DAT non conformi al tracciato." }));
}

TEST_F(EsportazioneTracciatoTest, RecordsOfTheRightWidthAddNothingToTheSummary)
{
    xml = estratto({ { "1", "abcdef12g34h567i", { { "0000023", "2024-01-31", "V" } } } });
    server.answerFor("leggi_attributo", u"mmg\\codice_regionale", u"123456");
    esegui();
    EXPECT_EQ(readFile(cartelle.output("ACCESSI.DAT")), "ABCDEF12G34H567I12345631/01/202400011\r\n");
    EXPECT_EQ(finestra.memo1,
        sommario("MMG",
            "\r\nVisite: creato file " + cartelle.output("ACCESSI.DAT")
                + "\r\n\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato"
                  "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
                  "\r\n\r\nContenuto dei file:\r\nACCESSI.DAT: 1 riga, 1 prestazione"));
}

// --- Paediatrician ---

TEST_F(EsportazioneTracciatoTest, EveryPaediatricianRunWalksEveryPatientFromTheFirst)
{
    contratto = "PLS";
    // Three patients with one health check each.
    praticaPls({ { u"aaaaaa00a00a000a", { { u"2024-01-01", u"3522" } } },
        { u"bbbbbb00b00b000b", { { u"2024-01-02", u"3523" } } },
        { u"cccccc00c00c000c", { { u"2024-01-03", u"3524" } } } });
    // Session opening left the list somewhere in the middle, with a stale count.
    unita.nPazienti = 1;
    pazienteCorrente = 2;

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
                  "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
                  "\r\n\r\nContenuto dei file:\r\nBILSALU.DAT: 3 righe"));
    const std::vector<std::string> trace = server.trace();
    const auto carica
        = std::find(trace.begin(), trace.end(), R"(carica("codice_medico =M7|tipo_di_convenzione=S", "alfabetico"))");
    ASSERT_NE(carica, trace.end());
    // The list is reloaded after the doctor's contract is known and before the first patient.
    EXPECT_LT(std::find(trace.begin(), trace.end(), R"(get_opzione("utente", "contratto"))"), carica);
    EXPECT_LT(carica, std::find(trace.begin(), trace.end(), R"(new_object("i_accertamento", ""))"));

    esegui();
    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")), righe);
    EXPECT_EQ(copieInStorico(cartelle.sDirStorico).size(), 1u);
}

TEST_F(EsportazioneTracciatoTest, EmptyHostAnswersOfTheHealthChecksWarnThatTheFileIsIncomplete)
{
    contratto = "PLS";
    // Four patients: the count, the fiscal code and one date come back empty; the last is sound.
    praticaPls({ { u"aaaaaa00a00a000a", { { u"2024-01-02", u"3522" } }, u"" },
        { u"", { { u"2024-01-03", u"3522" }, { u"2024-01-04", u"3522" } } },
        { u"cccccc00c00c000c", { { u"", u"3522" }, { u"2024-01-05", u"3522" } } },
        { u"dddddd00d00d000d", { { u"2024-01-06", u"3522" } } } });

    esegui();

    EXPECT_EQ(readFile(cartelle.output("BILSALU.DAT")),
        "cccccc00c00c000c00471105/01/202401\r\n"
        "dddddd00d00d000d00471106/01/202401\r\n");
    EXPECT_EQ(finestra.memo1,
        "ATTENZIONE: 1 chiamata al gestionale non riuscita, il tracciato non \xE8 completo.\r\n"
        "ATTENZIONE: 3 bilanci di salute non inseriti in BILSALU.DAT (2 di pazienti senza codice fiscale, 1 senza "
        "data dell'esame), il tracciato non \xE8 completo.\r\n\r\n"
        "Operazione non completata: chiamate a Orvella non riuscite: call_method_pipe rowcount.       Tipo (PLS)"
        "\r\n"
        "\r\nBilanci: creato file "
            + cartelle.output("BILSALU.DAT")
            + "\r\n\r\nVisite: nessuna visita trovata nel periodo selezionato"
              "\r\nPrestazioni: nessuna prestazione trovata nel periodo selezionato"
              "\r\nVaccini: nessuna prestazione trovata nel periodo selezionato"
              "\r\n\r\nContenuto dei file:\r\nBILSALU.DAT: 2 righe");
    EXPECT_EQ(finestra.messaggi,
        (std::vector<std::string> { "Procedura terminata.\r\nOperazione non completata: chiamate a Orvella non "
                                    "riuscite: call_method_pipe rowcount.\r\n1 chiamata al gestionale non riuscita."
                                    "\r\n3 bilanci di salute non inseriti in BILSALU.DAT." }));
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

// A doctor signed in to the practice database through the stand-in server, ready for a run of January 2024.
class SessioneSuPratica {
public:
    SessioneSuPratica(const Cartelle& cartelle, const fs::path& db, const std::string& utente,
        const std::string& password,
        std::chrono::milliseconds attesaOccupato = hostserver::ServerOrvella::kAttesaOccupato)
        : cartelle_(cartelle)
        , dbServer_("ORVELLA_SERVER_DB", db.string())
    {
        registraServerOrvella(attesaOccupato);
        platform::setClock([] { return local_days { 2024y / January / 31 } + 18h; });
        unita.sDirOutput = cartelle.sDirOutput;
        unita.sDirStorico = cartelle.sDirStorico;
        unita.oXmlDoc = std::make_unique<DocumentoXml>();
        unita.oOrvapat = std::make_unique<Torvapat>();
        unita.oOrvapat->s_utente = utente;
        unita.oOrvapat->s_password = password;
        tabella.caricaTabellaCodici();
    }
    ~SessioneSuPratica()
    {
        platform::setClock({});
        unita.oOrvapat.reset();
        host::unregisterAutomationClass("Orvella.Server");
    }
    SessioneSuPratica(const SessioneSuPratica&) = delete;
    SessioneSuPratica& operator=(const SessioneSuPratica&) = delete;

    bool avvia() { return unita.oOrvapat->start(); }
    bool esegui()
    {
        return creaTracciato(
            unita, tabella, RunLog(), 2024y / January / 1, 2024y / January / 31, cartelle_.sDirTemporanea, finestra);
    }

    UnitaFormMain unita;
    TabellaCodici tabella;
    FinestraFinta finestra;

private:
    const Cartelle& cartelle_;
    testing_support::ScopedEnv dbServer_;
};

} // namespace

// Another program holds the practice while the doctor exports: the run says so by name, whether
// the host finds it out at the first call of the run or only at the extraction.
TEST(EsportazioneTracciatoServer, BusyPracticeIsNamedInAnError)
{
    for (const bool conTabellaGuasti : { true, false }) {
        SCOPED_TRACE(conTabellaGuasti ? "con guasti" : "senza guasti");
        Cartelle cartelle;
        const fs::path db = cartelle.radice / "pratica.sqlite";
        hostserver::creaPraticaVuota(db);
        sqlite3* altroProgramma = nullptr;
        ASSERT_EQ(sqlite3_open(platform::percorsoUtf8(db).c_str(), &altroProgramma), SQLITE_OK);
        esegui(altroProgramma, "INSERT INTO utenti VALUES ('rossi', 'altra', 'M01', 'T', '815', 'MMG');");
        if (!conTabellaGuasti)
            esegui(altroProgramma, "DROP TABLE guasti;");
        SessioneSuPratica sessione(cartelle, db, "rossi", "altra", std::chrono::milliseconds(50));
        ASSERT_TRUE(sessione.avvia());

        esegui(altroProgramma, "BEGIN EXCLUSIVE;");
        sessione.esegui();
        esegui(altroProgramma, "ROLLBACK;");
        sqlite3_close(altroProgramma);
        const FinestraFinta& finestra = sessione.finestra;

        const std::string occupato
            = "L'archivio della pratica \"" + db.string() + "\" \xE8 occupato da un altro programma";
        EXPECT_TRUE(std::any_of(finestra.messaggi.begin(), finestra.messaggi.end(), [&](const std::string& testo) {
            return testo.rfind("ERRORE: ", 0) == 0 && testo.find(occupato) != std::string::npos;
        })) << ::testing::PrintToString(finestra.messaggi);
        // A run stopped by the error shows it in the pane; one that went on opens with the warning.
        ASSERT_TRUE(finestra.memo1.has_value());
        if (finestra.memo1->rfind("ERRORE: ", 0) == 0) {
            EXPECT_EQ(finestra.memo1, finestra.messaggi.back());
        } else {
            EXPECT_EQ(finestra.memo1->rfind("ATTENZIONE: ", 0), 0u) << *finestra.memo1;
            EXPECT_EQ(finestra.memo1->find("Tipo ()"), std::string::npos) << *finestra.memo1;
        }
    }
}

namespace {

// A paediatrician's practice: three patients of hers, one of another agreement, one of another doctor.
void praticaPediatra(const fs::path& db, const std::string& altro = {})
{
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
        if (!altro.empty())
            esegui(connessione, altro);
        sqlite3_close(connessione);
    }
}

// The stand-in as the session meets it, each method's name noted as it is called.
class ServerAnnotato : public host::AutomationObject {
public:
    ServerAnnotato(const fs::path& db, std::vector<std::string>& chiamate)
        : server_(db.string())
        , chiamate_(chiamate)
    {
    }
    host::Variant invoke(std::string_view metodo, const host::Arguments& argomenti) override
    {
        chiamate_.emplace_back(metodo);
        return server_.invoke(metodo, argomenti);
    }

private:
    hostserver::ServerOrvella server_;
    std::vector<std::string>& chiamate_;
};

} // namespace

// Orvella goes away at any call of a paediatrician's run, those between two patients included:
// one box says so, the server gets no other call, the run stops there and its summary names
// exactly the patients whose health checks are missing; the previous export stays whole in the
// history folder. With the host back, a new session exports what an undisturbed run does.
TEST(EsportazioneTracciatoServer, HostGoneAtAnyCallStopsTheRunThereAndNamesThePatientsMissing)
{
    constexpr int kPazienti = 8;
    std::string pazienti;
    for (int k = 1; k <= kPazienti; ++k) {
        const std::string id = std::to_string(200 + k);
        pazienti += "INSERT INTO pazienti VALUES ('" + id + "', 'P01', 'S', 'Paziente" + char('A' + k)
            + "', 'X', 'PZNXXX00A0100" + id + "');INSERT INTO accertamenti VALUES (" + id + ", '" + id
            + "', '3522', '2024-01-0" + std::to_string(k) + "', 'regolare');";
    }
    // The lines of an undisturbed run: theirs, and one per patient of hers, in the walk's order.
    Cartelle indisturbate;
    const fs::path dbIndisturbato = indisturbate.radice / "pratica.sqlite";
    praticaPediatra(dbIndisturbato, pazienti);
    {
        SessioneSuPratica sessione(indisturbate, dbIndisturbato, "bianchi", "segreta");
        ASSERT_TRUE(sessione.avvia());
        ASSERT_TRUE(sessione.esegui());
    }
    const std::string bilsalu = readFile(indisturbate.output("BILSALU.DAT"));
    const auto primeRighe = [&bilsalu](int n) {
        std::size_t fine = 0;
        for (int i = 0; i < n; ++i)
            fine = bilsalu.find("\r\n", fine) + 2;
        return bilsalu.substr(0, fine);
    };
    const int nPazienti = kPazienti + 3;

    struct Caso {
        const char* dove;
        const char* metodo;
        int chiusoDopo;
        const char* chiamata; // the call the first line names
        int dalPaziente; // the first patient whose checks are missing
    };
    const Caso casi[] = {
        { "the extract", "genera_xml", 0, "genera_xml", 1 },
        { "the patient list", "carica", 0, "carica", 1 },
        { "a health-check call of patient 6", "call_method_pipe:carica", 5, "call_method_pipe carica", 6 },
        { "the skip after patient 6", "skip", 5, "skip", 7 },
        { "the destroy_object of patient 6", "destroy_object", 5, "destroy_object", 7 },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(caso.dove);
        Cartelle cartelle;
        const fs::path db = cartelle.radice / "pratica.sqlite";
        praticaPediatra(db,
            pazienti + "INSERT INTO guasti (metodo, chiuso_dopo) VALUES ('" + caso.metodo + "', "
                + std::to_string(caso.chiusoDopo) + ");");
        writeFile(cartelle.output("PPIP.DAT"), "esportazione precedente\r\n");
        // Before the session, whose end still calls the server that writes into it.
        std::vector<std::string> chiamate;
        SessioneSuPratica sessione(cartelle, db, "bianchi", "segreta");
        host::registerAutomationClass("Orvella.Server", [&] { return std::make_unique<ServerAnnotato>(db, chiamate); });
        ASSERT_TRUE(sessione.avvia());
        sessione.unita.nPazienti = nPazienti;

        ASSERT_TRUE(sessione.esegui());

        const std::string primaRiga
            = std::string("Operazione non completata: chiamate a Orvella non riuscite: ") + caso.chiamata + ".";
        EXPECT_EQ(sessione.finestra.messaggi,
            (std::vector<std::string> { kErroreOrvellaChiuso,
                "Procedura terminata.\r\n" + primaRiga
                    + "\r\nOrvella si \xE8 chiuso: l'esportazione si \xE8 fermata prima della fine." }));
        const std::string ultima
            = caso.metodo == std::string("call_method_pipe:carica") ? "call_method_pipe" : std::string(caso.metodo);
        EXPECT_EQ(chiamate.back(), ultima) << "no call after the one that found the host gone";
        // The first patient, Bruno, has no check in the period: one line for each of the others before.
        const std::string righe = primeRighe(std::max(0, caso.dalPaziente - 2));
        EXPECT_EQ(fs::exists(cartelle.output("BILSALU.DAT")) ? readFile(cartelle.output("BILSALU.DAT")) : "", righe);
        for (const char* nome : { "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "trx_sconosciuti.txt" })
            EXPECT_FALSE(fs::exists(cartelle.output(nome))) << nome;
        const std::vector<std::string> storico = copieInStorico(cartelle.sDirStorico);
        ASSERT_EQ(storico.size(), 1u);
        EXPECT_EQ(readFile(fs::path(cartelle.sDirStorico) / storico[0]), "esportazione precedente\r\n");
        EXPECT_EQ(leggiRegistro(cartelle.sDirStorico).back().esito, EsitoRegistro::Interrotta);
        ASSERT_TRUE(sessione.finestra.memo1.has_value());
        EXPECT_EQ(sessione.finestra.memo1->substr(0, sessione.finestra.memo1->find("\r\n\r\nContenuto dei file")),
            "ATTENZIONE: Orvella si \xE8 chiuso durante l'esportazione, che si \xE8 fermata l\xEC: riaprire Orvella "
            "e ripetere l'esportazione.\r\n\r\n"
                + primaRiga + "       Tipo (PLS)\r\n\r\nBilanci: "
                + (righe.empty() ? "nessun file" : "file " + cartelle.output("BILSALU.DAT") + " incompleto")
                + ": mancano i bilanci di salute dal paziente " + std::to_string(caso.dalPaziente) + " al paziente "
                + std::to_string(nPazienti)
                + ".\r\nNon creati, l'esportazione si \xE8 fermata prima: ACCESSI.DAT, PPIP.DAT, VACCINI.DAT.");

        // Orvella open again: a new session, and the run is whole.
        sqlite3* connessione = nullptr;
        ASSERT_EQ(sqlite3_open(platform::percorsoUtf8(db).c_str(), &connessione), SQLITE_OK);
        esegui(connessione, "DELETE FROM guasti;");
        sqlite3_close(connessione);
        sessione.unita.oOrvapat = std::make_unique<Torvapat>();
        sessione.unita.oOrvapat->s_utente = "bianchi";
        sessione.unita.oOrvapat->s_password = "segreta";
        ASSERT_TRUE(sessione.avvia());
        sessione.finestra.messaggi.clear();
        ASSERT_TRUE(sessione.esegui());
        EXPECT_EQ(sessione.finestra.messaggi.back().rfind("Procedura terminata.", 0), 0u);
        for (const char* nome : { "BILSALU.DAT", "PPIP.DAT", "trx_sconosciuti.txt" })
            EXPECT_EQ(readFile(cartelle.output(nome)), readFile(indisturbate.output(nome))) << nome;
    }
}

TEST(EsportazioneTracciatoServer, PaediatricianRunAgainstAPracticeDatabase)
{
    Cartelle cartelle;
    const fs::path db = cartelle.radice / "pratica.sqlite";
    praticaPediatra(db);
    SessioneSuPratica sessione(cartelle, db, "bianchi", "segreta");
    ASSERT_TRUE(sessione.avvia());
    ASSERT_TRUE(sessione.esegui());
    const FinestraFinta& finestra = sessione.finestra;

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
            + cartelle.output("trx_sconosciuti.txt")
            + "\r\n\r\nContenuto dei file:\r\nBILSALU.DAT: 3 righe\r\nPPIP.DAT: 2 righe, 3 prestazioni");
    EXPECT_EQ(sessione.unita.nPazienti, 3);
    EXPECT_EQ(finestra.messaggi, (std::vector<std::string> { "Procedura terminata." }));
    EXPECT_EQ(fileIn(cartelle.sDirTemporanea), std::vector<std::string> {});
}
