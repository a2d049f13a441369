#pragma once

// The export engine's measures that need no window and no Linux: built into the benchmark on
// Linux and into its Windows build, which runs them under Wine on the same practices.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/EsportazioneTracciato.h"
#include "host/AperturaSessione.h"
#include "hostserver/GeneratorePratica.h"

namespace bench {

using Orologio = std::chrono::steady_clock;

inline constexpr std::chrono::year_month_day kOggi { std::chrono::year { 2024 } / std::chrono::June / 30 };
inline constexpr int kPrestazioniPerPaziente = 5;

double secondi(Orologio::duration durata);
double mediana(std::vector<double> valori);

// Measures by name, each measured once or more; written as one "name value" line each, which is
// how a child process or the Windows build hands them back.
class Risultati {
public:
    void aggiungi(const std::string& chiave, double valore) { valori_[chiave].push_back(valore); }
    const std::vector<double>& valori(const std::string& chiave) const;
    double mediana(const std::string& chiave) const { return bench::mediana(valori(chiave)); }

    std::string scrivi() const;
    static Risultati leggi(std::string_view testo);

private:
    std::map<std::string, std::vector<double>> valori_;
};

// A window that shows nothing and never pauses: what is timed is the engine.
class FinestraMuta : public FinestraTracciato {
public:
    void cursoreOccupato() override { }
    void cursoreNormale() override { }
    void nascondiMemo1() override { }
    void scriviLblLog(const std::string&) override { }
    void mostraMemo1(const std::string&) override { }
    bool chkVacc() const override { return true; }
    void progresso(const std::string&) override { }
    void richiediUscita() override { uscita = true; }
    void attesaOrvella(const std::string&) override { }

    bool uscita = false;
};

// The generated practice of that many services, five per patient.
void generaPraticaBench(const std::filesystem::path& db, int prestazioni, int accertamentiPerPazientePls = 0);

// Any box but the closing one counts as unexpected: the run did not go as it should.
void contaMessaggi(int& inattesi);

// A session on the practice through the stand-in server, with the time spent inside each of its
// methods added up in tempi.
std::unique_ptr<Torvapat> apriSessione(const std::filesystem::path& db, const hostserver::UtenteDemo& utente,
    std::map<std::string, Orologio::duration>& tempi);
// The stand-in server of that practice, timed, as the class every session creates.
void registraServerCronometrato(const std::filesystem::path& db, std::map<std::string, Orologio::duration>& tempi);

std::size_t contaRighe(const std::filesystem::path& file);
void svuota(const std::filesystem::path& cartella);

// Whole export runs of the general practitioner of the practice in each of the debug modes, the
// modes taking turns, and each part alone: the host's extract, its loading, the classification
// with its records, the records alone, the log's time stamps alone. The measures of a run with
// debug on end in "_debug"; with both modes, "rapporto_debug" is the ratio of the two runs of a
// turn.
Risultati misuraEsportazione(const std::filesystem::path& db, const std::filesystem::path& lavoro, int ripetizioni,
    const std::vector<bool>& modiDebug);
// The name of a measure of the runs in that debug mode.
std::string chiave(const std::string& nome, bool bDebug);

// What both builds of the benchmark read from their command line: --runs N, --size S.
struct OpzioniComuni {
    int ripetizioni;
    int solaDimensione = 0; // only that many services
    // Reads the option at argv[i] and its value, moving i past them; false when it is none of these.
    bool leggi(int& i, int argc, char** argv);
};

// "ok", or "NON RAGGIUNTO" beside a target missed.
const char* esito(bool riuscito);

// The table of the export runs: one row per practice, debug mode and system, with the parts of the
// run; a Windows row stands beside the Linux run of the same practice when there is one. On
// Windows (under Wine) at 100,000 services the run is at most kRapportoLinux times the Linux run
// with debug off, and with debug on at most kRapportoDebug times its own run without (the median
// of the ratios of the runs taken in turns).
inline constexpr double kRapportoLinux = 3.0;
inline constexpr double kRapportoDebug = 1.5;

struct Riga {
    int prestazioni;
    bool bDebug;
    const char* sistema;
    const Risultati& misure; // of both modes
    const Risultati* linux; // the Linux runs of the same practice, beside a Windows row
    bool obiettivoDebug; // whether the debug target applies to the row
};

void intestazioneRighe();
// Prints the row; whether it meets its targets.
bool riga(const Riga& r);

} // namespace bench
