#include "MisuraEsportazione.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "export/Classificazione.h"
#include "export/TimbroLog.h"
#include "host/Automation.h"
#include "hostserver/OrvellaServer.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

namespace fs = std::filesystem;
using namespace std::chrono;

namespace bench {
namespace {

class ServerCronometrato : public host::AutomationObject {
public:
    ServerCronometrato(const fs::path& db, std::map<std::string, Orologio::duration>& tempi)
        : server_(platform::percorsoUtf8(db))
        , tempi_(tempi)
    {
    }

    host::Variant invoke(std::string_view metodo, const host::Arguments& argomenti) override
    {
        const auto inizio = Orologio::now();
        host::Variant risposta = server_.invoke(metodo, argomenti);
        tempi_[std::string(metodo)] += Orologio::now() - inizio;
        return risposta;
    }

private:
    hostserver::ServerOrvella server_;
    std::map<std::string, Orologio::duration>& tempi_;
};

// The program's own form of a folder, with its trailing separator.
std::string cartellaProgramma(const fs::path& cartella)
{
    return utf8ToCp1252(platform::percorsoUtf8(cartella)) + platform::separatore;
}

} // namespace

double secondi(Orologio::duration durata)
{
    return duration<double>(durata).count();
}

double mediana(std::vector<double> valori)
{
    if (valori.empty())
        return 0;
    std::sort(valori.begin(), valori.end());
    const std::size_t meta = valori.size() / 2;
    return valori.size() % 2 ? valori[meta] : (valori[meta - 1] + valori[meta]) / 2;
}

const std::vector<double>& Risultati::valori(const std::string& chiave) const
{
    static const std::vector<double> nessuno;
    const auto trovato = valori_.find(chiave);
    return trovato == valori_.end() ? nessuno : trovato->second;
}

std::string Risultati::scrivi() const
{
    std::string testo;
    for (const auto& [chiave, valori] : valori_)
        for (double valore : valori)
            testo += chiave + " " + std::to_string(valore) + "\n";
    return testo;
}

Risultati Risultati::leggi(std::string_view testo)
{
    Risultati risultati;
    while (!testo.empty()) {
        const auto fine = testo.find('\n');
        std::string_view riga = testo.substr(0, fine);
        if (riga.ends_with('\r'))
            riga.remove_suffix(1);
        const auto spazio = riga.find(' ');
        if (spazio != std::string_view::npos)
            risultati.aggiungi(std::string(riga.substr(0, spazio)),
                std::strtod(std::string(riga.substr(spazio + 1)).c_str(), nullptr));
        testo.remove_prefix(fine == std::string_view::npos ? testo.size() : fine + 1);
    }
    return risultati;
}

void generaPraticaBench(const fs::path& db, int prestazioni, int accertamentiPerPazientePls)
{
    hostserver::OpzioniPratica opzioni;
    opzioni.oggi = kOggi;
    opzioni.pazientiPerMedico = prestazioni / kPrestazioniPerPaziente;
    opzioni.prestazioniPerPaziente = kPrestazioniPerPaziente;
    opzioni.accertamentiPerPazientePls = accertamentiPerPazientePls;
    hostserver::generaPratica(db, opzioni);
}

void contaMessaggi(int& inattesi)
{
    platform::setMessageBoxHandler([&inattesi](const std::string& testo, const std::string&, platform::Gravita) {
        // The same practice exported again into one folder ends with the warning on earlier exports.
        if (!testo.starts_with("Procedura terminata.")) {
            ++inattesi;
            std::fprintf(stderr, "messaggio inatteso: %s\n", cp1252ToUtf8(testo).c_str());
        }
    });
}

void registraServerCronometrato(const fs::path& db, std::map<std::string, Orologio::duration>& tempi)
{
    host::registerAutomationClass(
        Torvapat::kIdentificatoreServer, [db, &tempi] { return std::make_unique<ServerCronometrato>(db, tempi); });
}

std::unique_ptr<Torvapat> apriSessione(
    const fs::path& db, const hostserver::UtenteDemo& utente, std::map<std::string, Orologio::duration>& tempi)
{
    registraServerCronometrato(db, tempi);
    auto sessione = std::make_unique<Torvapat>();
    sessione->s_utente = std::string(utente.nomeUtente);
    sessione->s_password = std::string(utente.password);
    if (!sessione->start())
        throw std::runtime_error("sessione non aperta");
    return sessione;
}

std::size_t contaRighe(const fs::path& file)
{
    std::FILE* f = platform::apriFile(file, "rb");
    if (!f)
        return 0;
    std::size_t righe = 0;
    for (int c; (c = std::fgetc(f)) != EOF;)
        righe += c == '\n';
    std::fclose(f);
    return righe;
}

void svuota(const fs::path& cartella)
{
    for (const auto& voce : fs::directory_iterator(cartella))
        fs::remove_all(voce.path());
}

std::string chiave(const std::string& nome, bool bDebug)
{
    return bDebug ? nome + "_debug" : nome;
}

Risultati misuraEsportazione(
    const fs::path& db, const fs::path& lavoro, int ripetizioni, const std::vector<bool>& modiDebug)
{
    int inattesi = 0;
    contaMessaggi(inattesi);
    std::map<std::string, Orologio::duration> tempiHost;
    const fs::path uscita = lavoro / "uscita";
    const fs::path programma = lavoro / "programma";
    fs::create_directories(uscita / "storico");
    fs::create_directories(programma);

    UnitaFormMain unita;
    unita.sDirOutput = cartellaProgramma(uscita);
    unita.sDirStorico = unita.sDirOutput + "storico" + platform::separatore;
    unita.oXmlDoc = std::make_unique<DocumentoXml>();
    unita.oOrvapat = apriSessione(db, hostserver::utentiDemo()[0], tempiHost);
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();
    const std::string sFileLog = unita.sDirOutput + "karv_log.txt";
    const year_month_day dallaData { sys_days(kOggi) - days(365) };
    const std::string sDirProgramma = cartellaProgramma(programma);

    Risultati risultati;
    std::size_t righeLog = 0;
    for (int r = 0; r < ripetizioni; ++r) {
        // The modes take turns at going first, so that both meet the same load of the machine; the
        // ratio is taken within each pair.
        std::map<bool, double> totali;
        for (std::size_t m = 0; m < modiDebug.size(); ++m) {
            const bool bDebug = modiDebug[(m + static_cast<std::size_t>(r)) % modiDebug.size()];
            svuota(uscita);
            fs::create_directories(uscita / "storico");
            tempiHost.clear();
            FinestraMuta finestra;
            const auto inizio = Orologio::now();
            creaTracciato(unita, tabella, RunLog(bDebug, sFileLog), dallaData, kOggi, sDirProgramma, finestra);
            const double totale = secondi(Orologio::now() - inizio);
            risultati.aggiungi(chiave("totale", bDebug), totale);
            totali[bDebug] = totale;
            risultati.aggiungi(chiave("host_genera_xml", bDebug), secondi(tempiHost["genera_xml"]));
            Orologio::duration host {};
            for (const auto& [metodo, tempo] : tempiHost)
                host += tempo;
            risultati.aggiungi(chiave("motore", bDebug), totale - secondi(host));
            if (finestra.uscita)
                ++inattesi;
            if (bDebug)
                righeLog = contaRighe(uscita / "karv_log.txt");
        }
        if (totali.size() == 2)
            risultati.aggiungi("rapporto_debug", totali[true] / totali[false]);
    }
    risultati.aggiungi("righe_log", static_cast<double>(righeLog));
    risultati.aggiungi("scritture",
        static_cast<double>(contaRighe(uscita / "ACCESSI.DAT") + contaRighe(uscita / "PPIP.DAT")
            + contaRighe(uscita / "VACCINI.DAT") + unita.nScartate));
    // The document of the last run goes, so that the measures below do not hold two at once.
    unita.oXmlDoc.reset();

    // The extract alone: written once by the host, then loaded and indexed again and again.
    const std::string estratto = sDirProgramma + "estratto.xml";
    unita.oOrvapat->genera_xml(u"prestazioni_empoli",
        u"dalla_data=" + cp1252ToUtf16(date2string(dallaData)) + u"|alla_data=" + cp1252ToUtf16(date2string(kOggi)),
        estratto);
    risultati.aggiungi("byte_estratto", static_cast<double>(fs::file_size(platform::percorsoNativo(estratto))));
    for (int r = 0; r < ripetizioni; ++r) {
        DocumentoXml documento;
        const auto inizio = Orologio::now();
        documento.load(estratto);
        risultati.aggiungi("caricamento", secondi(Orologio::now() - inizio));
    }
    {
        // As in the runs after the first: the load first releases the previous extract.
        DocumentoXml documento;
        documento.load(estratto);
        for (int r = 0; r < ripetizioni; ++r) {
            const auto inizio = Orologio::now();
            documento.load(estratto);
            risultati.aggiungi("ricaricamento", secondi(Orologio::now() - inizio));
        }
    }

    // The classification alone, records and log included, on a document loaded beforehand.
    DocumentoXml documento;
    documento.load(estratto);
    const std::vector<NodoXml> figli = documento.selezionaNodo(kQueryElenco).nodiFigli();
    risultati.aggiungi(
        "prestazioni", static_cast<double>(documento.selezionaNodi("//PRESTAZIONE_INCENTIVANTE").size()));
    for (int r = 0; r < ripetizioni; ++r) {
        for (const bool bDebug : modiDebug) {
            svuota(uscita);
            unita.nRighe = 0;
            unita.nScartate = 0;
            unita.elencoDuplicati.svuota();
            const RunLog log(bDebug, sFileLog);
            ContestoClassificazione contesto { documento, tabella, log, unita.sFileAccessi, unita.sFilePpip,
                unita.sFileVaccini, unita.sFileSconosciuti, unita.nRighe, unita.nScartate, unita.elencoDuplicati,
                [] { return true; }, {} };
            std::unordered_set<std::string> visti;
            const auto inizio = Orologio::now();
            {
                const FileEsecuzione fileEsecuzione;
                for (const NodoXml& figlio : figli) {
                    const std::string id = figlio.primoAttributo();
                    if (visti.insert(id).second)
                        faiPrestazioniPaziente(contesto, "160741", id, "MMG");
                }
            }
            risultati.aggiungi(chiave("classificazione", bDebug), secondi(Orologio::now() - inizio));
        }
    }

    // The records alone: as many as the run wrote, as a run writes them.
    const std::int32_t record = static_cast<std::int32_t>(risultati.mediana("scritture"));
    const std::string sFileProva = unita.sDirOutput + "PROVA.DAT";
    const std::string recordProva = "ABCDEF12G34H567I16074100810/01/202400001\r\n";
    for (int r = 0; r < ripetizioni; ++r) {
        fs::remove(platform::percorsoNativo(sFileProva));
        const auto inizio = Orologio::now();
        {
            const FileEsecuzione fileEsecuzione;
            for (std::int32_t i = 0; i < record; ++i)
                suFile(recordProva, sFileProva);
        }
        risultati.aggiungi("scrittura", secondi(Orologio::now() - inizio));
    }

    // The time stamps of a debug run's log lines, each made afresh as they were before a run
    // made one a second; the clock's readings alone.
    for (int r = 0; r < ripetizioni && righeLog > 0; ++r) {
        auto inizio = Orologio::now();
        for (std::size_t i = 0; i < righeLog; ++i)
            (void)platform::adesso();
        risultati.aggiungi("orologio", secondi(Orologio::now() - inizio));
        inizio = Orologio::now();
        for (std::size_t i = 0; i < righeLog; ++i)
            (void)timbroLog();
        risultati.aggiungi("timbri", secondi(Orologio::now() - inizio));
    }
    risultati.aggiungi("messaggi_inattesi", inattesi);
    return risultati;
}

bool OpzioniComuni::leggi(int& i, int argc, char** argv)
{
    const std::string_view argomento = argv[i];
    if ((argomento != "--runs" && argomento != "--size") || i + 1 >= argc)
        return false;
    const std::string_view valore = argv[++i];
    std::from_chars(valore.data(), valore.data() + valore.size(), argomento == "--runs" ? ripetizioni : solaDimensione);
    return true;
}

const char* esito(bool riuscito)
{
    return riuscito ? "ok" : "NON RAGGIUNTO";
}

void intestazioneRighe()
{
    std::printf("Esportazione del medico di medicina generale (mediane; prestazioni per paziente: %d)\n",
        kPrestazioniPerPaziente);
    std::printf("%11s %5s %-8s %9s %6s %8s %8s %8s %8s %8s %8s %8s %9s %9s %5s\n", "prestazioni", "debug", "sistema",
        "totale s", "W/L", "debug/no", "estratto", "carica", "classif", "scritt", "timbri", "orologio", "righe log",
        "scritture", "esec.");
}

bool riga(const Riga& r)
{
    const auto misura = [&r](const char* nome) { return r.misure.mediana(chiave(nome, r.bDebug)); };
    const double totale = misura("totale");
    const double rapportoLinux = r.linux ? totale / r.linux->mediana(chiave("totale", r.bDebug)) : 0;
    const double rapportoDebug = r.bDebug ? r.misure.mediana("rapporto_debug") : 1;
    char rapporto[16] = "";
    if (r.linux)
        std::snprintf(rapporto, sizeof rapporto, "%.2f", rapportoLinux);
    std::printf("%11d %5s %-8s %9.3f %6s %8.2f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %9.0f %9.0f %5zu\n", r.prestazioni,
        r.bDebug ? "s\xC3\xAC" : "no", r.sistema, totale, rapporto, rapportoDebug, misura("host_genera_xml"),
        r.misure.mediana("caricamento"), misura("classificazione"), r.misure.mediana("scrittura"),
        r.bDebug ? r.misure.mediana("timbri") : 0.0, r.bDebug ? r.misure.mediana("orologio") : 0.0,
        r.bDebug ? r.misure.mediana("righe_log") : 0.0, r.misure.mediana("scritture"),
        r.misure.valori(chiave("totale", r.bDebug)).size());
    bool riuscita = r.misure.mediana("messaggi_inattesi") == 0 && !r.misure.valori(chiave("totale", r.bDebug)).empty();
    // The same practice must give the same records on both systems.
    if (r.linux && r.linux->mediana("scritture") != r.misure.mediana("scritture")) {
        std::printf("  record diversi da quelli di Linux: NON RAGGIUNTO\n");
        riuscita = false;
    }
    if (r.prestazioni == 100000 && r.linux && !r.bDebug) {
        std::printf("  al massimo x%.1f Linux: %s\n", kRapportoLinux, esito(rapportoLinux <= kRapportoLinux));
        riuscita = riuscita && rapportoLinux <= kRapportoLinux;
    }
    if (r.prestazioni == 100000 && r.bDebug && r.obiettivoDebug) {
        std::printf("  con debug al massimo x%.1f senza: %s\n", kRapportoDebug, esito(rapportoDebug <= kRapportoDebug));
        riuscita = riuscita && rapportoDebug <= kRapportoDebug;
    }
    return riuscita;
}

} // namespace bench
