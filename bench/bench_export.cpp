// Times the export engine against practices made by the stand-in host server's generator:
// whole export runs at 1,000, 10,000 and 100,000 services (five per patient), the same runs at
// 10,000 and 100,000 through the real main window (offscreen), and a paediatrician's
// health-check walk of 1,000 patients with ten examinations each.
// Each size runs in a child process of its own, so that its peak memory is its own.
// With --windows, instead: the engine's runs at 10,000 and 100,000 services, debug off and on,
// here and in the Windows build under Wine (its bench_export.exe) on the same practices, side by
// side with the ratios of the targets.
//
//     bench_export [--runs N] [--size S] [--riepilogo]  (--size: only that many services, for profiling;
//                                                   --riepilogo: only the claim report)
//     bench_export --windows build-windows/bench/bench_export.exe [--runs N] [--size S]
// The practices are made under $TMPDIR (or /tmp).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <QApplication>
#include <QDateEdit>
#include <QTimer>

#include "MisuraEsportazione.h"
#include "app/FormMain.h"
#include "export/BilanciSalute.h"
#include "export/Classificazione.h"
#include "export/EsportazioneTracciato.h"
#include "host/AperturaSessione.h"
#include "host/Automation.h"
#include "hostserver/GeneratorePratica.h"
#include "hostserver/OrvellaServer.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "riepilogo/RiepilogoPdf.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

namespace fs = std::filesystem;
using namespace std::chrono;
using namespace bench;

namespace {

constexpr std::int32_t kPazientiBilanci = 1000;
// The window run may take this much longer than the engine's own run of the same practice, and
// its event loop may wait this long at most between two turns.
constexpr double kRapportoFinestra = 1.3;
constexpr double kAttesaMassima = 0.100;

struct Figlio {
    Risultati risultati;
    long piccoKb = 0;
    bool riuscito = false;
};

// The peak resident memory of this process so far, in kB (VmHWM).
long piccoAttualeKb()
{
    std::FILE* stato = std::fopen("/proc/self/status", "r");
    if (!stato)
        return 0;
    long picco = 0;
    char riga[256];
    while (std::fgets(riga, sizeof riga, stato)) {
        if (std::string_view(riga).starts_with("VmHWM:"))
            picco = std::strtol(riga + 6, nullptr, 10);
    }
    std::fclose(stato);
    return picco;
}

// Runs the work in a child process; its peak resident memory comes back from wait4.
Figlio inFiglio(const std::function<Risultati()>& lavoro)
{
    int tubo[2];
    if (pipe(tubo) != 0)
        std::exit(2);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(tubo[0]);
        int codice = 0;
        try {
            const std::string testo = lavoro().scrivi();
            for (std::size_t scritti = 0; scritti < testo.size();) {
                const ssize_t n = write(tubo[1], testo.data() + scritti, testo.size() - scritti);
                if (n <= 0)
                    break;
                scritti += static_cast<std::size_t>(n);
            }
        } catch (const std::exception& errore) {
            std::fprintf(stderr, "errore: %s\n", errore.what());
            codice = 1;
        }
        close(tubo[1]);
        std::fflush(nullptr);
        _exit(codice);
    }
    close(tubo[1]);
    std::string testo;
    char blocco[4096];
    for (ssize_t n; (n = read(tubo[0], blocco, sizeof blocco)) > 0;)
        testo.append(blocco, static_cast<std::size_t>(n));
    close(tubo[0]);
    int stato = 0;
    rusage uso {};
    wait4(pid, &stato, 0, &uso);
    Figlio figlio;
    figlio.risultati = Risultati::leggi(testo);
    figlio.piccoKb = uso.ru_maxrss;
    figlio.riuscito = WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
    return figlio;
}

// The paediatrician's health-check walk, in the child.
Risultati misuraBilanci(const fs::path& db, const fs::path& lavoro, int ripetizioni)
{
    int inattesi = 0;
    contaMessaggi(inattesi);
    std::map<std::string, Orologio::duration> tempiHost;
    std::unique_ptr<Torvapat> sessione = apriSessione(db, hostserver::utentiDemo()[1], tempiHost);
    fs::create_directories(lavoro);
    const std::string sFileBilsalu = utf8ToCp1252((lavoro / "BILSALU.DAT").string());
    const RunLog log;
    const std::string sDallaData = date2string(year_month_day { sys_days(kOggi) - days(365) });
    const std::string sAllaData = date2string(kOggi);

    Risultati risultati;
    for (int r = 0; r < ripetizioni; ++r) {
        fs::remove(lavoro / "BILSALU.DAT");
        tempiHost.clear();
        const auto inizio = Orologio::now();
        const std::int32_t nPazienti = std::min(caricaPazientiMedico(*sessione), kPazientiBilanci);
        faiSingoloPaziente(
            ContestoBilanci { *sessione, nPazienti, sFileBilsalu, log, {} }, sDallaData, sAllaData, "160852");
        const double totale = secondi(Orologio::now() - inizio);
        Orologio::duration host {};
        for (const auto& [metodo, tempo] : tempiHost)
            host += tempo;
        risultati.aggiungi("totale", totale);
        risultati.aggiungi("host", secondi(host));
        risultati.aggiungi("pazienti", nPazienti);
    }
    risultati.aggiungi("righe", static_cast<double>(contaRighe(lavoro / "BILSALU.DAT")));
    risultati.aggiungi("messaggi_inattesi", inattesi);
    return risultati;
}

// A whole export of the practice with the claim report and without, in turns, so that both meet
// the same load; the report's cost is the difference within each pair.
Risultati misuraRiepilogo(
    const fs::path& db, const fs::path& lavoro, int ripetizioni, year_month_day dallaData, year_month_day allaData)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", lavoro.c_str(), 1);
    int argc = 1;
    char nome[] = "bench_export";
    char* argv[] = { nome, nullptr };
    const QApplication applicazione(argc, argv);
    int inattesi = 0;
    contaMessaggi(inattesi);
    std::map<std::string, Orologio::duration> tempiHost;
    const fs::path uscita = lavoro / "uscita";
    fs::create_directories(uscita / "storico");
    UnitaFormMain unita;
    unita.sDirOutput = utf8ToCp1252(uscita.string()) + platform::separatore;
    unita.sDirStorico = unita.sDirOutput + "storico" + platform::separatore;
    unita.oXmlDoc = std::make_unique<DocumentoXml>();
    unita.oOrvapat = apriSessione(db, hostserver::utentiDemo()[0], tempiHost);
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();
    const std::string sDirTemporanea = utf8ToCp1252(lavoro.string()) + platform::separatore;

    Risultati risultati;
    for (int r = 0; r < ripetizioni; ++r) {
        std::map<bool, double> totali;
        for (int m = 0; m < 2; ++m) {
            const bool conRiepilogo = (m + r) % 2 == 0;
            svuota(uscita);
            fs::create_directories(uscita / "storico");
            setScrittoreRiepilogo(conRiepilogo ? ScrittoreRiepilogo(scriviRiepilogoPdf) : ScrittoreRiepilogo());
            FinestraMuta finestra;
            const auto inizio = Orologio::now();
            creaTracciato(unita, tabella, RunLog(), dallaData, allaData, sDirTemporanea, finestra);
            totali[conRiepilogo] = secondi(Orologio::now() - inizio);
            std::error_code assente;
            const auto dimensione = fs::file_size(uscita / "RIEPILOGO.pdf", assente);
            if (finestra.uscita || (conRiepilogo && assente))
                ++inattesi;
            if (conRiepilogo && !assente)
                risultati.aggiungi("pdf_mb", static_cast<double>(dimensione) / 1e6);
        }
        risultati.aggiungi("senza", totali[false]);
        risultati.aggiungi("con", totali[true]);
        risultati.aggiungi("differenza", totali[true] - totali[false]);
    }
    risultati.aggiungi("scritture",
        static_cast<double>(
            contaRighe(uscita / "ACCESSI.DAT") + contaRighe(uscita / "PPIP.DAT") + contaRighe(uscita / "VACCINI.DAT")));
    risultati.aggiungi("messaggi_inattesi", inattesi);
    return risultati;
}

QDate comeQDate(year_month_day data)
{
    return QDate(static_cast<int>(data.year()), static_cast<int>(static_cast<unsigned>(data.month())),
        static_cast<int>(static_cast<unsigned>(data.day())));
}

// Export runs through the main window, in the child: the window's own button handler, its status
// label and its event loop, message boxes answered by the seam. Each is paired with an engine run
// of the same practice in the same process, in turn first and second, so that both meet the same
// load of the machine. A zero timer notes every turn of the event loop during a window run; the
// longest gap between two turns is how long the window was starved while it showed progress (the
// host's extract before the first turn blocks it by design).
Risultati misuraFinestra(const fs::path& db, const fs::path& lavoro, int ripetizioni)
{
    const fs::path home = lavoro / "home";
    fs::create_directories(home / "Desktop");
    fs::permissions(home, fs::perms::owner_all);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("OV_PIP_REGISTRY", (lavoro / "assente.reg").c_str(), 1);
    int inattesi = 0;
    contaMessaggi(inattesi);
    std::map<std::string, Orologio::duration> tempiHost;
    registraServerCronometrato(db, tempiHost);

    int argc = 1;
    char nome[] = "bench_export";
    char* argv[] = { nome, nullptr };
    QApplication applicazione(argc, argv);
    TfrmMain finestra;
    UnitaFormMain& unita = unitaFormMain();
    const fs::path uscita = platform::percorsoNativo(unita.sDirOutput);
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();
    const year_month_day dallaData { sys_days(kOggi) - days(365) };

    std::vector<Orologio::time_point> turni;
    QTimer sentinella;
    sentinella.setInterval(0);
    QObject::connect(&sentinella, &QTimer::timeout, [&] {
        if (finestra.esecuzioneInCorso())
            turni.push_back(Orologio::now());
    });
    const auto esecuzioneMotore = [&] {
        svuota(uscita);
        fs::create_directories(uscita / "storico");
        FinestraMuta muta;
        const auto inizio = Orologio::now();
        creaTracciato(unita, tabella, RunLog(), dallaData, kOggi, platform::cartellaTemporanea(), muta);
        return secondi(Orologio::now() - inizio);
    };
    const auto esecuzioneFinestra = [&] {
        svuota(uscita);
        fs::create_directories(uscita / "storico");
        turni.clear();
        const auto inizio = Orologio::now();
        finestra.cmdCreaTracciatoClick();
        return secondi(Orologio::now() - inizio);
    };

    Risultati risultati;
    QTimer::singleShot(0, &finestra, [&] {
        finestra.dtDallaData->setDate(comeQDate(dallaData));
        finestra.dtAllaData->setDate(comeQDate(kOggi));
        sentinella.start();
        for (int r = 0; r < ripetizioni; ++r) {
            double motore = 0;
            double totale = 0;
            if (r % 2 == 0) {
                motore = esecuzioneMotore();
                totale = esecuzioneFinestra();
            } else {
                totale = esecuzioneFinestra();
                motore = esecuzioneMotore();
            }
            risultati.aggiungi("motore", motore);
            risultati.aggiungi("totale", totale);
            risultati.aggiungi("rapporto", totale / motore);
            Orologio::duration attesa {};
            for (std::size_t i = 1; i < turni.size(); ++i)
                attesa = std::max(attesa, turni[i] - turni[i - 1]);
            risultati.aggiungi("attesa_massima", secondi(attesa));
            risultati.aggiungi("turni", static_cast<double>(turni.size()));
        }
        sentinella.stop();
        finestra.close();
    });
    const hostserver::UtenteDemo& utente = hostserver::utentiDemo()[0];
    if (!finestra.inizializza(std::string(utente.nomeUtente), std::string(utente.password)))
        throw std::runtime_error("sessione non aperta");
    risultati.aggiungi("scritture",
        static_cast<double>(contaRighe(uscita / "ACCESSI.DAT") + contaRighe(uscita / "PPIP.DAT")
            + contaRighe(uscita / "VACCINI.DAT") + unita.nScartate));
    risultati.aggiungi("picco_kb", static_cast<double>(piccoAttualeKb()));
    risultati.aggiungi("messaggi_inattesi", inattesi);
    return risultati;
}

// A path of this machine as a program under Wine sees it, through the drive that maps the root.
std::string percorsoWine(const fs::path& percorso)
{
    std::string testo = "Z:" + fs::absolute(percorso).string();
    std::replace(testo.begin(), testo.end(), '/', '\\');
    return testo;
}

// The Windows build's runs of the practice under Wine, as that program hands its measures back.
Figlio inWine(const std::string& programma, const fs::path& db, const fs::path& lavoro, int ripetizioni)
{
    const std::string comando = "wine '" + programma + "' --pratica '" + percorsoWine(db) + "' --lavoro '"
        + percorsoWine(lavoro) + "' --runs " + std::to_string(ripetizioni);
    std::fflush(nullptr);
    Figlio figlio;
    std::FILE* uscita = popen(comando.c_str(), "r");
    if (!uscita)
        return figlio;
    std::string testo;
    char blocco[4096];
    for (std::size_t n; (n = std::fread(blocco, 1, sizeof blocco, uscita)) > 0;)
        testo.append(blocco, n);
    const int stato = pclose(uscita);
    figlio.risultati = Risultati::leggi(testo);
    figlio.riuscito = WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
    return figlio;
}

// Each practice's engine runs, debug off and on, here and in the Windows build under Wine, in this
// invocation. In each program the two modes take turns; the two programs run one after the other.
bool confrontoWindows(
    const fs::path& radice, const std::string& programma, int ripetizioni, const std::vector<int>& dimensioni)
{
    bool tuttoBene = true;
    intestazioneRighe();
    for (const int dimensione : dimensioni) {
        const fs::path db = radice / ("pratica_" + std::to_string(dimensione) + ".sqlite");
        generaPraticaBench(db, dimensione);
        const std::string nome = std::to_string(dimensione);
        const Figlio linux = inFiglio([&] {
            return misuraEsportazione(db, radice / ("linux_" + nome), ripetizioni, { false, true });
        });
        const Figlio windows = inWine(programma, db, radice / ("windows_" + nome), ripetizioni);
        tuttoBene = tuttoBene && linux.riuscito && windows.riuscito;
        for (const bool bDebug : { false, true }) {
            const bool rigaLinux = riga({ dimensione, bDebug, "Linux", linux.risultati, nullptr, false });
            const bool rigaWindows = riga({ dimensione, bDebug, "Windows", windows.risultati, &linux.risultati, true });
            tuttoBene = tuttoBene && rigaLinux && rigaWindows;
        }
    }
    return tuttoBene;
}

} // namespace

int main(int argc, char** argv)
{
    OpzioniComuni opzioni { 5 };
    std::string programmaWindows;
    bool soloRiepilogo = false;
    for (int i = 1; i < argc; ++i) {
        if (opzioni.leggi(i, argc, argv))
            continue;
        if (std::string_view(argv[i]) == "--windows" && i + 1 < argc) {
            programmaWindows = argv[++i];
        } else if (std::string_view(argv[i]) == "--riepilogo") {
            soloRiepilogo = true;
        } else {
            std::fprintf(
                stderr, "Uso: bench_export [--runs N] [--size S] [--riepilogo] [--windows bench_export.exe]\n");
            return 2;
        }
    }
    const int ripetizioni = std::max(opzioni.ripetizioni, 1);
    const int solaDimensione = opzioni.solaDimensione;

    const char* temporanea = std::getenv("TMPDIR");
    std::string modello = std::string(temporanea && *temporanea ? temporanea : "/tmp") + "/bench_export_XXXXXX";
    if (!mkdtemp(modello.data()))
        return 2;
    const fs::path radice = modello;
    bool tuttoBene = true;

    if (!programmaWindows.empty()) {
        tuttoBene = confrontoWindows(radice, programmaWindows, ripetizioni,
            solaDimensione > 0 ? std::vector<int> { solaDimensione } : std::vector<int> { 10000, 100000 });
        std::error_code ignorato;
        fs::remove_all(radice, ignorato);
        return tuttoBene ? 0 : 1;
    }

    // A run of a few milliseconds is at the mercy of the machine's noise: smaller practices run
    // more often, so that each size's median rests on about the same time.
    const auto ripetizioniPer = [ripetizioni](int dimensione) { return ripetizioni * std::max(1, 30000 / dimensione); };
    std::printf("Esportazione completa (mediane; prestazioni per paziente: %d)\n", kPrestazioniPerPaziente);
    std::printf("%11s %7s %9s %8s %9s %9s %10s %9s %9s %9s %9s %6s\n", "prestazioni", "xml MB", "totale s", "host s",
        "motore s", "carica s", "ricarica s", "classif s", "scritt s", "picco MB", "scritture", "esec.");
    std::vector<std::pair<int, double>> tempi;
    // Per size: the records of the engine's runs, which the window's runs must match.
    std::map<int, double> scrittureMotore;
    std::vector<int> dimensioni = { 1000, 10000, 100000 };
    if (solaDimensione > 0 || soloRiepilogo)
        dimensioni = soloRiepilogo ? std::vector<int> {} : std::vector<int> { solaDimensione };
    for (const int dimensione : dimensioni) {
        const fs::path db = radice / ("pratica_" + std::to_string(dimensione) + ".sqlite");
        generaPraticaBench(db, dimensione);

        const int esecuzioni = ripetizioniPer(dimensione);
        const Figlio figlio = inFiglio([&] {
            // Debug off: the log is a debug aid, not part of an export.
            Risultati risultati = misuraEsportazione(db, radice / std::to_string(dimensione), esecuzioni, { false });
            risultati.aggiungi("picco_kb", static_cast<double>(piccoAttualeKb()));
            return risultati;
        });
        const Risultati& r = figlio.risultati;
        tuttoBene = tuttoBene && figlio.riuscito && r.mediana("messaggi_inattesi") == 0;
        std::printf("%11.0f %7.1f %9.3f %8.3f %9.3f %9.3f %10.3f %9.3f %9.3f %9.1f %9.0f %6d\n",
            r.mediana("prestazioni"), r.mediana("byte_estratto") / 1e6, r.mediana("totale"),
            r.mediana("host_genera_xml"), r.mediana("motore"), r.mediana("caricamento"), r.mediana("ricaricamento"),
            r.mediana("classificazione"), r.mediana("scrittura"), r.mediana("picco_kb") / 1024.0,
            r.mediana("scritture"), esecuzioni);
        tempi.emplace_back(dimensione, r.mediana("totale"));
        scrittureMotore[dimensione] = r.mediana("scritture");
        if (dimensione == 100000) {
            const bool sotto3 = r.mediana("totale") < 3.0;
            const bool memoria = r.mediana("picco_kb") < 512 * 1024 && figlio.piccoKb < 512 * 1024;
            std::printf("  100.000 prestazioni sotto 3 s: %s; picco sotto 512 MB: %s\n", esito(sotto3), esito(memoria));
            tuttoBene = tuttoBene && sotto3 && memoria;
        }
    }
    for (std::size_t i = 1; i < tempi.size(); ++i) {
        const double rapporto = tempi[i].second / tempi[i - 1].second;
        std::printf("  da %d a %d prestazioni: tempo x%.2f (al massimo x12): %s\n", tempi[i - 1].first, tempi[i].first,
            rapporto, esito(rapporto <= 12.0));
        tuttoBene = tuttoBene && rapporto <= 12.0;
    }

    bool intestazioneFinestra = false;
    for (const auto& [dimensione, scritture] : scrittureMotore) {
        if (dimensione < 10000)
            continue;
        if (!intestazioneFinestra) {
            std::printf("\nDalla finestra principale (offscreen, \"Crea Tracciato\"; ogni esecuzione accanto a una "
                        "del motore; mediane)\n");
            std::printf("%11s %9s %11s %8s %13s %13s %7s %9s %9s %6s\n", "prestazioni", "motore s", "finestra s",
                "rapporto", "attesa max ms", "peggiore ms", "turni", "picco MB", "scritture", "esec.");
            intestazioneFinestra = true;
        }
        const fs::path db = radice / ("pratica_" + std::to_string(dimensione) + ".sqlite");
        const int esecuzioni = ripetizioniPer(dimensione);
        const Figlio figlio = inFiglio(
            [&] { return misuraFinestra(db, radice / ("finestra_" + std::to_string(dimensione)), esecuzioni); });
        const Risultati& r = figlio.risultati;
        const std::vector<double>& attese = r.valori("attesa_massima");
        const double peggiore = attese.empty() ? 0 : *std::max_element(attese.begin(), attese.end());
        std::printf("%11d %9.3f %11.3f %8.2f %13.1f %13.1f %7.0f %9.1f %9.0f %6d\n", dimensione, r.mediana("motore"),
            r.mediana("totale"), r.mediana("rapporto"), r.mediana("attesa_massima") * 1000, peggiore * 1000,
            r.mediana("turni"), r.mediana("picco_kb") / 1024.0, r.mediana("scritture"), esecuzioni);
        // The same practice must give the same records through the window as through the engine.
        const bool uguali = r.mediana("scritture") == scritture;
        const bool svelta = dimensione != 100000 || r.mediana("rapporto") <= kRapportoFinestra;
        const bool viva = r.mediana("attesa_massima") <= kAttesaMassima;
        std::printf("  %d prestazioni: stessi record del motore: %s; attesa fra due turni al massimo %.0f ms: %s",
            dimensione, esito(uguali), kAttesaMassima * 1000, esito(viva));
        if (dimensione == 100000)
            std::printf("; al massimo x%.1f il motore: %s", kRapportoFinestra, esito(svelta));
        std::printf("\n");
        tuttoBene = tuttoBene && figlio.riuscito && r.mediana("messaggi_inattesi") == 0 && uguali && svelta && viva;
    }

    if (solaDimensione == 0 && !soloRiepilogo) {
        const fs::path db = radice / "pratica_bilanci.sqlite";
        hostserver::OpzioniPratica opzioni;
        opzioni.oggi = kOggi;
        // A few generated patients are under another agreement and stay out of the list.
        opzioni.pazientiPerMedico = kPazientiBilanci + kPazientiBilanci / 10;
        opzioni.prestazioniPerPaziente = 1;
        opzioni.accertamentiPerPazientePls = 10;
        hostserver::generaPratica(db, opzioni);
        const Figlio figlio = inFiglio([&] { return misuraBilanci(db, radice / "bilanci", ripetizioni); });
        const Risultati& r = figlio.risultati;
        const bool sotto2 = r.mediana("totale") < 2.0;
        // A shorter list would make the time look better than it is.
        const bool tutti = r.mediana("pazienti") == kPazientiBilanci;
        tuttoBene = tuttoBene && figlio.riuscito && sotto2 && tutti && r.mediana("messaggi_inattesi") == 0;
        std::printf("\nBilanci di salute (PLS, 10 accertamenti per paziente, mediana di %d esecuzioni)\n", ripetizioni);
        std::printf(
            "%12s %10s %10s %10s %12s %10s\n", "pazienti", "totale s", "host s", "motore s", "picco MB", "righe");
        std::printf("%12.0f %10.3f %10.3f %10.3f %12.1f %10.0f\n", r.mediana("pazienti"), r.mediana("totale"),
            r.mediana("host"), r.mediana("totale") - r.mediana("host"), static_cast<double>(figlio.piccoKb) / 1024.0,
            r.mediana("righe"));
        std::printf("  1.000 pazienti: %s; sotto 2 s: %s\n", esito(tutti), esito(sotto2));
    }

    if (solaDimensione == 0) {
        // The claim report of a practice of 20,000 patients, for the previous month and for the year.
        const fs::path db = radice / "pratica_riepilogo.sqlite";
        hostserver::OpzioniPratica opzioni;
        opzioni.oggi = kOggi;
        opzioni.pazientiPerMedico = 20000;
        hostserver::generaPratica(db, opzioni);
        // Every run writes the report: its cost is every run's, the previous month's above all.
        std::printf("\nRiepilogo PDF (MMG, 20.000 pazienti, mediana di %d coppie di esecuzioni)\n", ripetizioni);
        std::printf("%10s %10s %12s %12s %12s %10s %10s %10s\n", "periodo", "record", "senza s", "con s", "riepilogo s",
            "massimo s", "PDF MB", "picco MB");
        const year_month_day primoDelMese { kOggi.year() / kOggi.month() / 1 };
        const year_month_day fineMesePrima { sys_days(primoDelMese) - days(1) };
        const struct {
            const char* nome;
            year_month_day dalla;
            year_month_day alla;
            double massimo; // the report's cost at most, in seconds
        } periodi[] = {
            { "mese", fineMesePrima.year() / fineMesePrima.month() / 1, fineMesePrima, 0.2 },
            { "anno", year_month_day { sys_days(kOggi) - days(365) }, kOggi, 2.0 },
        };
        for (const auto& periodo : periodi) {
            const Figlio figlio = inFiglio(
                [&] { return misuraRiepilogo(db, radice / "riepilogo", ripetizioni, periodo.dalla, periodo.alla); });
            const Risultati& r = figlio.risultati;
            const bool entro = r.mediana("differenza") <= periodo.massimo;
            tuttoBene = tuttoBene && figlio.riuscito && entro && r.mediana("messaggi_inattesi") == 0;
            std::printf("%10s %10.0f %12.3f %12.3f %12.3f %10.1f %10.1f %10.1f  %s\n", periodo.nome,
                r.mediana("scritture"), r.mediana("senza"), r.mediana("con"), r.mediana("differenza"), periodo.massimo,
                r.mediana("pdf_mb"), static_cast<double>(figlio.piccoKb) / 1024.0, esito(entro));
        }
    }

    std::error_code ignorato;
    fs::remove_all(radice, ignorato);
    return tuttoBene ? 0 : 1;
}
