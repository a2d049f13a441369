#include "export/Classificazione.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/TestSupport.h"

using testing_support::MessageRecorder;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

const std::string kScartatoZero = "---->SCARTATO: Numero di assitenze \xE8 uguale a 0";

std::string paziente(const std::string& id, const std::string& cf)
{
    return "<PAZIENTE io_id_paziente=\"" + id + "\"><PERSONA><codice_fiscale>" + cf +
           "</codice_fiscale></PERSONA></PAZIENTE>\n";
}

std::string servizio(const std::string& id, const std::string& codice, const std::string& data,
                     const std::string& nome = "Prestazione")
{
    return "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"" + id + "\"><codice_ov_pip>" + codice +
           "</codice_ov_pip><data_esecuzione>" + data + "</data_esecuzione><nome_prestazione>" + nome +
           "</nome_prestazione></PRESTAZIONE_INCENTIVANTE>\n";
}

// One export run's worth of state around faiPrestazioniPaziente, with the files in a fresh folder
// and the log in debug mode.
class Banco {
public:
    explicit Banco(const std::string& corpo, const std::string& intestazione = "<?xml version=\"1.0\"?>")
    {
        tabella.caricaTabellaCodici();
        EXPECT_TRUE(doc.loadXml(intestazione + "<ESTRAZIONE><Elenco_prestazioni_incentivanti/>\n" + corpo +
                                "</ESTRAZIONE>"));
    }

    void classifica(const std::string& id, const std::string& sContratto = "MMG", const std::string& regionale = "123")
    {
        faiPrestazioniPaziente(contesto, regionale, id, sContratto);
    }

    // The file's bytes, or nothing when it was never created.
    std::optional<std::string> file(const std::string& percorso) const
    {
        if (!std::filesystem::exists(percorso))
            return std::nullopt;
        return readFile(percorso);
    }
    std::optional<std::string> accessi() const { return file(sFileAccessi); }
    std::optional<std::string> ppip() const { return file(sFilePpip); }
    std::optional<std::string> vaccini() const { return file(sFileVaccini); }
    std::optional<std::string> sconosciuti() const { return file(sFileSconosciuti); }

    // The log lines without their time stamps.
    std::vector<std::string> righeLog() const
    {
        std::vector<std::string> righe;
        const auto testo = file(log.file());
        if (!testo)
            return righe;
        std::size_t inizio = 0;
        while (inizio < testo->size()) {
            const std::size_t fine = testo->find("\r\n", inizio);
            const std::string riga = testo->substr(inizio, fine - inizio);
            const std::size_t trattino = riga.find(" - ");
            righe.push_back(trattino == std::string::npos ? "<senza timbro>" + riga : riga.substr(trattino + 3));
            if (fine == std::string::npos)
                break;
            inizio = fine + 2;
        }
        return righe;
    }

    TempDir cartella;
    MessageRecorder messaggi;
    DocumentoXml doc;
    TabellaCodici tabella;
    std::string dir = cartella.path().string() + "/";
    RunLog log{true, dir + "karv_log.txt"};
    std::string sFileAccessi = dir + "ACCESSI.DAT";
    std::string sFilePpip = dir + "PPIP.DAT";
    std::string sFileVaccini = dir + "VACCINI.DAT";
    std::string sFileSconosciuti = dir + "trx_sconosciuti.txt";
    std::int32_t nRighe = 0;
    std::int32_t nScartate = 0;
    ElencoDuplicati elencoDuplicati;
    bool bChkVacc = true;
    int letture = 0;
    std::vector<std::string> progressi;
    // A slice passes at every reading of the clock: each known service reaches the label.
    testing_support::ManualSteadyClock orologio{Progresso::kFetta};
    ContestoClassificazione contesto{doc,
                                     tabella,
                                     log,
                                     sFileAccessi,
                                     sFilePpip,
                                     sFileVaccini,
                                     sFileSconosciuti,
                                     nRighe,
                                     nScartate,
                                     elencoDuplicati,
                                     [this] {
                                         ++letture;
                                         return bChkVacc;
                                     },
                                     Progresso([this](const std::string& testo) { progressi.push_back(testo); })};
};

// ---------------------------------------------------------------------------------------------

TEST(Classificazione, AccessiWorkedExample)
{
    Banco banco(paziente("7", "abcdef12g34h567i") + servizio("7", "0000023", "2024-01-31", "VISITA ADP"));
    // The label changes after the record and before the "." line.
    std::string ultimaRigaAlProgresso;
    banco.contesto.progresso = Progresso([&](const std::string& testo) {
        banco.progressi.push_back(testo);
        ultimaRigaAlProgresso = banco.righeLog().back();
    });
    banco.classifica("7", "MMG", "123");
    EXPECT_EQ(ultimaRigaAlProgresso, "->Inserito in ACCESSI.DAT, riga:1");

    EXPECT_EQ(banco.accessi(), "ABCDEF12G34H567I00012331/01/202400011\r\n");
    EXPECT_EQ(banco.ppip(), std::nullopt);
    EXPECT_EQ(banco.vaccini(), std::nullopt);
    EXPECT_EQ(banco.sconosciuti(), std::nullopt);
    EXPECT_EQ(banco.righeLog(), (std::vector<std::string>{
                                    "PAZIENTE: abcdef12g34h567i numero pipp: 1",
                                    "-> Codice_ov_pip = 0000023 - 2024-01-31",
                                    "->Inserito in ACCESSI.DAT, riga:1",
                                    ".",
                                }));
    EXPECT_EQ(banco.nRighe, 1);
    EXPECT_EQ(banco.nScartate, 0);
    EXPECT_EQ(banco.progressi, std::vector<std::string>{"...inserimento record ppip:1"});
    EXPECT_TRUE(banco.messaggi.messaggi().empty());
}

TEST(Classificazione, ThreeIdenticalServicesBecomeOneRecordCountingThree)
{
    const std::string s = servizio("7", "0000001", "2024-01-31", "MEDICAZIONE");
    Banco banco(paziente("7", "abcdef12g34h567i") + s + s + s);
    banco.nRighe = 4;
    banco.classifica("7");

    EXPECT_EQ(banco.ppip(), "ABCDEF12G34H567I" "000123" "008" "31/01/2024" "00003" "\r\n");
    EXPECT_EQ(banco.righeLog(), (std::vector<std::string>{
                                    "PAZIENTE: abcdef12g34h567i numero pipp: 3",
                                    "-> Codice_ov_pip = 0000001 - 2024-01-31",
                                    "->Inserito in PIPP.DAT, riga:5",
                                    ".",
                                    "-> Codice_ov_pip = 0000001 - 2024-01-31",
                                    kScartatoZero,
                                    ".",
                                    "-> Codice_ov_pip = 0000001 - 2024-01-31",
                                    kScartatoZero,
                                    ".",
                                }));
    EXPECT_EQ(banco.nRighe, 7);
    EXPECT_EQ(banco.nScartate, 0);
    EXPECT_EQ(banco.progressi, (std::vector<std::string>{"...inserimento record ppip:5", "...inserimento record ppip:6",
                                                         "...inserimento record ppip:7"}));
}

// ---------------------------------------------------------------------------------------------
// Routing

TEST(Classificazione, RoutingTable)
{
    struct Caso {
        const char* tipo;
        const char* vaccino;
        bool chk;
        Instradamento atteso;
    };
    const std::vector<Caso> casi = {
        {"V", "0", true, Instradamento::Accessi},
        {"V", "1", false, Instradamento::Accessi},
        {"V", "x", true, Instradamento::Accessi},
        {"P", "0", true, Instradamento::Ppip},
        {"P", "0", false, Instradamento::Ppip},
        {"P", "1", true, Instradamento::Vaccini},
        {"P", "1", false, Instradamento::Ppip},
        {"P", "2", false, Instradamento::Ppip},
        {"P", " ", false, Instradamento::Ppip},
        {"P", "2", true, Instradamento::Nessuno},
        {"P", "VACCINO", true, Instradamento::Nessuno},
        {"P", " ", true, Instradamento::Nessuno},
        {"X", "1", true, Instradamento::DaEscludere},
        {"X", "0", false, Instradamento::DaEscludere},
        {"?", "0", true, Instradamento::InAttesaDiChiarimento},
        {"?", "1", false, Instradamento::InAttesaDiChiarimento},
        {"TIPO", "VACCINO", true, Instradamento::Nessuno},
        {"p", "0", true, Instradamento::Nessuno},
        {"v", "0", true, Instradamento::Nessuno},
        {" ", "0", false, Instradamento::Nessuno},
        {"", "0", false, Instradamento::Nessuno},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(std::string(caso.tipo) + "/" + caso.vaccino + (caso.chk ? " checked" : " unchecked"));
        EXPECT_EQ(instradamento(caso.tipo, caso.vaccino, caso.chk), caso.atteso);
    }
}

// One known service of patient 7 dated 2024-01-31: where it went, as a routing case.
struct CasoInstradamento {
    const char* codice;
    bool chk;
    enum { Accessi, Ppip, Vaccini, Nessuno } file;
    std::string record;   // the bytes of that file
    std::string rigaLog;  // the line between the code line and "."; empty when none
};

void verificaInstradamento(const std::string& cf, const std::string& sContratto, const std::vector<CasoInstradamento>& casi,
                           std::span<const std::string_view> tabella = {})
{
    for (const auto& caso : casi) {
        SCOPED_TRACE(std::string(caso.codice) + (caso.chk ? " checked" : " unchecked"));
        Banco banco(paziente("7", cf) + servizio("7", caso.codice, "2024-01-31"));
        if (!tabella.empty())
            banco.tabella.carica(tabella);
        banco.bChkVacc = caso.chk;
        banco.classifica("7", sContratto);

        const auto atteso = [&](auto file) { return caso.file == file ? std::optional(caso.record) : std::nullopt; };
        EXPECT_EQ(banco.accessi(), atteso(CasoInstradamento::Accessi));
        EXPECT_EQ(banco.ppip(), atteso(CasoInstradamento::Ppip));
        EXPECT_EQ(banco.vaccini(), atteso(CasoInstradamento::Vaccini));
        EXPECT_EQ(banco.sconosciuti(), std::nullopt);
        std::vector<std::string> attese = {"PAZIENTE: " + cf + " numero pipp: 1",
                                           "-> Codice_ov_pip = " + std::string(caso.codice) + " - 2024-01-31"};
        if (!caso.rigaLog.empty())
            attese.push_back(caso.rigaLog);
        attese.push_back(".");
        EXPECT_EQ(banco.righeLog(), attese);
        EXPECT_EQ(banco.nRighe, 1);
        EXPECT_EQ(banco.nScartate, 0);
    }
}

TEST(Classificazione, RoutingThroughTheBuiltInTable)
{
    const std::string cf = "AAABBB00C11D222E";
    verificaInstradamento(cf, "MMG", {
        {"0000023", true, CasoInstradamento::Accessi, cf + "00012331/01/202400011\r\n", "->Inserito in ACCESSI.DAT, riga:1"},
        {"0000196", false, CasoInstradamento::Accessi, cf + "00012331/01/202400015\r\n", "->Inserito in ACCESSI.DAT, riga:1"},
        {"0000001", true, CasoInstradamento::Ppip, cf + "00012300831/01/202400001\r\n", "->Inserito in PIPP.DAT, riga:1"},
        {"0000001", false, CasoInstradamento::Ppip, cf + "00012300831/01/202400001\r\n", "->Inserito in PIPP.DAT, riga:1"},
        {"0000019", true, CasoInstradamento::Vaccini, cf + "00012301631/01/202400001\r\n", "->Inserito in VACCINI.DAT, riga:1"},
        {"0000019", false, CasoInstradamento::Ppip, cf + "00012301631/01/202400001\r\n", "->Inserito in PIPP.DAT, riga:1"},
        // The first row with the key wins: 0000314 is row 31 (112), never row 103 (016).
        {"0000314", true, CasoInstradamento::Vaccini, cf + "00012311231/01/202400001\r\n", "->Inserito in VACCINI.DAT, riga:1"},
        // Row 11 ("X"), never row 101 (a vaccination).
        {"0000011", true, CasoInstradamento::Nessuno, "", "---->SCARTATO: da escludere"},
        {"0000020", true, CasoInstradamento::Nessuno, "", "---->SCARTATO: da escludere"},
        {"0000199", false, CasoInstradamento::Nessuno, "", "---->SCARTATO: da escludere"},
        // The header row, found in any letter case: its TIPO is "TIPO", which goes nowhere.
        {"ROWID", true, CasoInstradamento::Nessuno, "", ""},
        {"rowid", false, CasoInstradamento::Nessuno, "", ""},
    });
}

TEST(Classificazione, RowsTheBuiltInTableDoesNotHave)
{
    // TIPO "?", a VACCINO other than "0" and "1", an unknown TIPO, a visit code longer than its
    // field, and a PROFESSIONISTA that is neither "M", "P" nor "*".
    static constexpr std::string_view kTabella[] = {
        "TIPO", "CODE_PUGLIA", "DESCRIZ", "ROWID", "PROFESSIONISTA", "VACCINO",
        "?", "001", "IN ATTESA", "Q1", "*", "0",
        "P", "002", "VACCINO STRANO", "Q2", "*", "2",
        "Z", "003", "TIPO IGNOTO", "Q3", "*", "0",
        "V", "12", "VISITA LUNGA", "Q4", "*", "0",
        "P", "005", "CHIUNQUE", "Q5", "?", "0",
    };
    const std::string cf = "CF";
    const std::string inizio = "CF              000123";
    // No contract at all: only a row that needs no check may reach a file.
    verificaInstradamento(cf, "", {
        {"Q1", true, CasoInstradamento::Nessuno, "", "---->SCARTATO: in attesa di chiarimento"},
        {"q1", false, CasoInstradamento::Nessuno, "", "---->SCARTATO: in attesa di chiarimento"},
        {"Q2", true, CasoInstradamento::Nessuno, "", ""},
        {"Q2", false, CasoInstradamento::Ppip, inizio + "00231/01/202400001\r\n", "->Inserito in PIPP.DAT, riga:1"},
        {"Q3", true, CasoInstradamento::Nessuno, "", ""},
        {"Q4", true, CasoInstradamento::Accessi, inizio + "31/01/2024000112\r\n", "->Inserito in ACCESSI.DAT, riga:1"},
        {"Q5", true, CasoInstradamento::Ppip, inizio + "00531/01/202400001\r\n", "->Inserito in PIPP.DAT, riga:1"},
    }, kTabella);
}

TEST(Classificazione, ChkVaccIsReadAfreshForEveryService)
{
    Banco banco(paziente("7", "CF") + servizio("7", "0000019", "2024-01-01") + servizio("7", "0000019", "2024-01-02") +
                servizio("7", "0000019", "2024-01-03"));
    // The user clears and sets the box while the run lets the window breathe.
    banco.contesto.progresso = Progresso([&](const std::string&) { banco.bChkVacc = !banco.bChkVacc; });
    banco.classifica("7");
    const std::string cf = "CF              000123016";
    EXPECT_EQ(banco.vaccini(), cf + "01/01/202400001\r\n" + cf + "03/01/202400001\r\n");
    EXPECT_EQ(banco.ppip(), cf + "02/01/202400001\r\n");
    EXPECT_EQ(banco.letture, 3);
}

// ---------------------------------------------------------------------------------------------
// Who may claim a service

TEST(Classificazione, ContractDecidesWhoMayClaim)
{
    // 0000001: MMG only, 0000139: PLS only, 0000011: anyone ("X"), 9999999: unlisted.
    const std::string corpo = paziente("7", "cf7") + servizio("7", "0000001", "2024-01-31", "MEDICAZIONE") +
                              servizio("7", "0000139", "2024-01-31", "SUTURA") +
                              servizio("7", "0000011", "2024-01-31", "TETANO") +
                              servizio("7", "9999999", "2024-01-31", "IGNOTA");
    const std::string soloMmg =
        "*SCARTATO (SOLO PER MMG): Nome Prestazione*: MEDICAZIONE *Data*:2024-01-31 *Codice Orvella*: 0000001";
    const std::string soloPls =
        "SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA *Data*:2024-01-31 *Codice Orvella*: 0000139";
    const std::string ignota = "*SCONOSCIUTO: Nome Prestazione*: IGNOTA *Data*:2024-01-31 *Codice Orvella*: 9999999";

    struct Caso {
        const char* contratto;
        std::optional<std::string> ppip;
        std::string sconosciuti;
        std::int32_t nScartate;
    };
    const std::vector<Caso> casi = {
        {"MMG", "CF7             00012300831/01/202400001\r\n", soloPls + ignota, 2},
        {"PLS", "CF7             00012301731/01/202400001\r\n", soloMmg + ignota, 2},
        {"", std::nullopt, soloMmg + soloPls + ignota, 3},
        {"mmg", std::nullopt, soloMmg + soloPls + ignota, 3},
        {"MMG ", std::nullopt, soloMmg + soloPls + ignota, 3},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(std::string("contract '") + caso.contratto + "'");
        Banco banco(corpo);
        banco.classifica("7", caso.contratto);
        EXPECT_EQ(banco.ppip(), caso.ppip);
        EXPECT_EQ(banco.sconosciuti(), caso.sconosciuti);
        EXPECT_EQ(banco.nScartate, caso.nScartate);
        EXPECT_EQ(banco.nRighe, 3);  // the unlisted one does not count
        EXPECT_EQ(banco.accessi(), std::nullopt);
        EXPECT_EQ(banco.vaccini(), std::nullopt);

        const auto righe = banco.righeLog();
        const auto conta = [&](const std::string& riga) { return std::count(righe.begin(), righe.end(), riga); };
        EXPECT_EQ(conta("---->SCARTATO (SOLO PER MMG): Nome Prestazione*: MEDICAZIONE"),
                  caso.sconosciuti.find(soloMmg) != std::string::npos ? 1 : 0);
        EXPECT_EQ(conta("---->SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA"),
                  caso.sconosciuti.find(soloPls) != std::string::npos ? 1 : 0);
        EXPECT_EQ(conta("---->SCARTATO: da escludere"), 1);
        EXPECT_EQ(conta("---->SCONOSCIUTO: Nome Prestazione*: IGNOTA"), 1);
        EXPECT_EQ(conta("."), 3);
    }
}

TEST(Classificazione, DiscardedServiceStillEntersTheDuplicateList)
{
    const std::string s = servizio("7", "0000139", "2024-01-31", "SUTURA");
    Banco banco(paziente("7", "cf7") + s + s);
    banco.classifica("7", "MMG");

    const std::string voce =
        "SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA *Data*:2024-01-31 *Codice Orvella*: 0000139";
    EXPECT_EQ(banco.sconosciuti(), voce + voce);
    EXPECT_EQ(banco.ppip(), std::nullopt);
    EXPECT_TRUE(banco.elencoDuplicati.contiene("7", "2024-01-31", "0000139"));
    EXPECT_EQ(banco.nScartate, 2);
    EXPECT_EQ(banco.nRighe, 2);
    EXPECT_EQ(banco.righeLog(), (std::vector<std::string>{
                                    "PAZIENTE: cf7 numero pipp: 2",
                                    "-> Codice_ov_pip = 0000139 - 2024-01-31",
                                    "---->SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA",
                                    ".",
                                    "-> Codice_ov_pip = 0000139 - 2024-01-31",
                                    "---->SCARTATO (SOLO PER PLS): Nome Prestazione*: SUTURA",
                                    kScartatoZero,
                                    ".",
                                }));
}

// ---------------------------------------------------------------------------------------------
// Unlisted codes

TEST(Classificazione, UnlistedCodesRunOnInOneLineAndAreNotCounted)
{
    Banco banco(paziente("7", "cf7") + servizio("7", "9999999", "2024-01-31", "UNO") +
                servizio("7", " 0000001", "2024-02-01", "DUE") +
                "<PRESTAZIONE_INCENTIVANTE io_id_paziente=\"7\"><data_esecuzione>2024-02-02</data_esecuzione>"
                "</PRESTAZIONE_INCENTIVANTE>");
    banco.nRighe = 10;
    banco.classifica("7");

    EXPECT_EQ(banco.sconosciuti(), "*SCONOSCIUTO: Nome Prestazione*: UNO *Data*:2024-01-31 *Codice Orvella*: 9999999"
                                   "*SCONOSCIUTO: Nome Prestazione*: DUE *Data*:2024-02-01 *Codice Orvella*:  0000001"
                                   "*SCONOSCIUTO: Nome Prestazione*:  *Data*:2024-02-02 *Codice Orvella*: ");
    EXPECT_EQ(banco.nScartate, 3);
    EXPECT_EQ(banco.nRighe, 10);
    EXPECT_TRUE(banco.progressi.empty());
    EXPECT_TRUE(banco.elencoDuplicati.vuoto());
    EXPECT_EQ(banco.righeLog(), (std::vector<std::string>{
                                    "PAZIENTE: cf7 numero pipp: 3",
                                    "-> Codice_ov_pip = 9999999 - 2024-01-31",
                                    "---->SCONOSCIUTO: Nome Prestazione*: UNO",
                                    "-> Codice_ov_pip =  0000001 - 2024-02-01",
                                    "---->SCONOSCIUTO: Nome Prestazione*: DUE",
                                    "-> Codice_ov_pip =  - 2024-02-02",
                                    "---->SCONOSCIUTO: Nome Prestazione*: ",
                                }));
}

// ---------------------------------------------------------------------------------------------
// Patients

TEST(Classificazione, PatientWithoutServicesOnlyLogsItsCount)
{
    Banco banco(paziente("7", "cf7") + servizio("8", "0000001", "2024-01-31"));
    banco.nRighe = 2;
    banco.nScartate = 1;
    banco.classifica("7");
    EXPECT_EQ(banco.righeLog(), std::vector<std::string>{"PAZIENTE: cf7 numero pipp: 0"});
    EXPECT_EQ(banco.nRighe, 2);
    EXPECT_EQ(banco.nScartate, 1);
    EXPECT_TRUE(banco.progressi.empty());
    EXPECT_EQ(banco.ppip(), std::nullopt);
    EXPECT_EQ(banco.sconosciuti(), std::nullopt);
}

TEST(Classificazione, MissingPatientElementGivesABlankFiscalCode)
{
    Banco banco(servizio("5", "0000001", "2024-01-31") +
                "<PAZIENTE io_id_paziente=\"6\"><codice_fiscale>FUORI POSTO</codice_fiscale></PAZIENTE>" +
                servizio("6", "0000001", "2024-01-31"));
    banco.classifica("5");
    banco.classifica("6");
    EXPECT_EQ(banco.ppip(), "                00012300831/01/202400001\r\n"
                            "                00012300831/01/202400001\r\n");
    EXPECT_EQ(banco.righeLog().front(), "PAZIENTE:  numero pipp: 1");
}

TEST(Classificazione, IdsThatContainOneAnotherAreDifferentPatients)
{
    std::string corpo;
    for (const std::string id : {"1", "11", "12", "123"}) {
        corpo += paziente(id, "CF" + id) + servizio(id, "0000001", "2024-01-31") + servizio(id, "0000001", "2024-01-31") +
                 servizio(id, "0000003", "2024-01-3" + id.substr(0, 1));
    }
    Banco banco(corpo);
    for (const std::string id : {"1", "11", "12", "123"})
        banco.classifica(id);
    EXPECT_EQ(banco.ppip(), "CF1             00012300831/01/202400002\r\n"
                            "CF1             00012300931/01/202400001\r\n"
                            "CF11            00012300831/01/202400002\r\n"
                            "CF11            00012300931/01/202400001\r\n"
                            "CF12            00012300831/01/202400002\r\n"
                            "CF12            00012300931/01/202400001\r\n"
                            "CF123           00012300831/01/202400002\r\n"
                            "CF123           00012300931/01/202400001\r\n");
    EXPECT_EQ(banco.nRighe, 12);
}

TEST(Classificazione, ApostrophesAndQuotesAreExportedLikeAnyOtherText)
{
    const std::string s = servizio("O'Brien", "0000001", "2024-01-31");
    Banco banco(paziente("O'Brien", "obr") + s + s + paziente("d'a&quot;b", "dab") +
                servizio("d'a&quot;b", "00'0\"1", "2024-0'-31", "NOME'\"") +
                servizio("d'a&quot;b", "0000023", "2024-01-3'") + servizio("d'a&quot;b", "0000023", "2024-01-3'"));
    banco.classifica("O'Brien");
    banco.classifica("d'a\"b");
    EXPECT_EQ(banco.ppip(), "OBR             00012300831/01/202400002\r\n");
    EXPECT_EQ(banco.accessi(), "DAB             0001233'/01/202400021\r\n");
    EXPECT_EQ(banco.sconosciuti(),
              "*SCONOSCIUTO: Nome Prestazione*: NOME'\" *Data*:2024-0'-31 *Codice Orvella*: 00'0\"1");
    EXPECT_EQ(banco.nRighe, 4);
    EXPECT_EQ(banco.nScartate, 1);
}

// ---------------------------------------------------------------------------------------------
// Text, log and write failures

TEST(Classificazione, Windows1252ExtractGivesWindows1252Bytes)
{
    Banco banco(paziente("\xE8" "1", "rss\xE0mr80") + servizio("\xE8" "1", "0000001", "2024-01-31") +
                    servizio("\xE8" "1", "7777777", "2024-01-31", "Medicazione \x80 \xE8"),
                "<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
    banco.classifica("\xE8" "1");
    EXPECT_EQ(banco.ppip(), "RSS\xE0MR80        00012300831/01/202400001\r\n");
    EXPECT_EQ(banco.sconosciuti(),
              "*SCONOSCIUTO: Nome Prestazione*: Medicazione \x80 \xE8 *Data*:2024-01-31 *Codice Orvella*: 7777777");
    EXPECT_EQ(banco.righeLog().front(), "PAZIENTE: rss\xE0mr80 numero pipp: 2");
}

TEST(Classificazione, OutsideDebugModeNothingIsLogged)
{
    Banco banco(paziente("7", "cf7") + servizio("7", "0000001", "2024-01-31"));
    banco.log.setDebug(false);
    banco.classifica("7");
    EXPECT_FALSE(std::filesystem::exists(banco.log.file()));
    EXPECT_EQ(banco.ppip(), "CF7             00012300831/01/202400001\r\n");
}

TEST(Classificazione, FailedWritesAreReportedAndTheRunGoesOn)
{
    Banco banco(paziente("7", "cf7") + servizio("7", "0000001", "2024-01-31") + servizio("7", "0000023", "2024-01-31") +
                servizio("7", "9999999", "2024-01-31"));
    const std::string mancante = banco.dir + "mancante/";
    banco.sFilePpip = mancante + "PPIP.DAT";
    banco.sFileAccessi = mancante + "ACCESSI.DAT";
    banco.sFileSconosciuti = mancante + "trx_sconosciuti.txt";
    banco.classifica("7");

    ASSERT_EQ(banco.messaggi.messaggi().size(), 3u);
    for (const auto& messaggio : banco.messaggi.messaggi())
        EXPECT_EQ(messaggio.rfind("Impossibile scrivere il file " + mancante, 0), 0u) << messaggio;
    EXPECT_FALSE(std::filesystem::exists(mancante));
    EXPECT_EQ(banco.nRighe, 2);
    EXPECT_EQ(banco.nScartate, 1);
    const auto righe = banco.righeLog();
    EXPECT_NE(std::find(righe.begin(), righe.end(), "->Inserito in PIPP.DAT, riga:1"), righe.end());
    EXPECT_NE(std::find(righe.begin(), righe.end(), "->Inserito in ACCESSI.DAT, riga:2"), righe.end());
}

}  // namespace
