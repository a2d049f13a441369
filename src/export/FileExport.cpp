#include "export/FileExport.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "export/TimbroLog.h"
#include "platform/FileInCoda.h"
#include "platform/MessageBox.h"

struct FileEsecuzione::Stato {
    struct Aperto {
        platform::FileInCoda file;
        std::int32_t record = 0; // written into it by suFile
    };
    std::unordered_map<std::string, Aperto> aperti;
    std::unordered_set<std::string> segnalati;
    // The log stamp of the system clock's latest second.
    std::optional<std::chrono::sys_seconds> secondoTimbro;
    std::string timbro;
    std::string riga; // of the log
};

namespace {

// The export run under way, if one is.
FileEsecuzione::Stato* esecuzione = nullptr;

std::int32_t suFileFalliti = 0;

// Shown unless the file already showed a failure in this run.
void mostraFallimento(const std::string& percorso, const std::string& motivo)
{
    if (esecuzione == nullptr || esecuzione->segnalati.insert(percorso).second)
        platform::mostraMessaggio("Impossibile scrivere il file " + percorso + ": " + motivo);
}

// True when the text went in; otherwise the failure has been shown, unless the file already
// showed one in this run.
bool accodaOMostra(const std::string& percorso, std::string_view testo, bool bRecord)
{
    std::optional<std::string> motivo;
    if (esecuzione == nullptr) {
        motivo = platform::accodaIntero(percorso, testo);
    } else {
        FileEsecuzione::Stato::Aperto& aperto = esecuzione->aperti[percorso];
        if (!aperto.file.aperto())
            motivo = aperto.file.apri(percorso);
        if (!motivo)
            motivo = aperto.file.accoda(testo);
        if (!motivo && bRecord)
            ++aperto.record;
    }
    if (!motivo)
        return true;
    mostraFallimento(percorso, *motivo);
    return false;
}

// The log stamp of now, at the end of the line.
void aggiungiTimbro(std::string& riga)
{
    if (esecuzione == nullptr) {
        riga += timbroLog();
        return;
    }
    // On Windows reading the local time costs more than writing the line (the zone is looked up
    // each time): the stamp is made again only when the system clock's second changes.
    const auto secondo = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    if (esecuzione->secondoTimbro != secondo) {
        esecuzione->timbro = timbroLog();
        esecuzione->secondoTimbro = secondo;
    }
    riga += esecuzione->timbro;
}

} // namespace

FileEsecuzione::FileEsecuzione()
    : stato_(std::make_unique<Stato>())
    , precedente_(std::exchange(esecuzione, stato_.get()))
{
}

FileEsecuzione::~FileEsecuzione()
{
    for (auto& [percorso, aperto] : stato_->aperti) {
        if (const std::optional<std::string> motivo = aperto.file.chiudi()) {
            try {
                mostraFallimento(percorso, *motivo);
            } catch (...) {
                // A destructor that throws during an unwinding ends the program.
            }
        }
    }
    esecuzione = precedente_;
}

void FileEsecuzione::chiudi(const std::string& percorso)
{
    const auto aperto = stato_->aperti.find(percorso);
    if (aperto == stato_->aperti.end())
        return;
    const std::optional<std::string> motivo = aperto->second.file.chiudi();
    const std::int32_t record = aperto->second.record;
    stato_->aperti.erase(aperto);
    if (motivo) {
        suFileFalliti += record;
        mostraFallimento(percorso, *motivo);
    }
}

void suFile(const std::string& testo, const std::string& percorso)
{
    if (testo.empty())
        return;
    if (!accodaOMostra(percorso, testo, true))
        ++suFileFalliti;
}

std::int32_t suFileNonRiuscite()
{
    return suFileFalliti;
}

void RunLog::suLog(const std::string& msg) const
{
    // Without an output folder there is no log file to write to.
    if (!bDebug_ || sFileLog_.empty())
        return;
    const bool vuoto = std::all_of(msg.begin(), msg.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    // A run makes its lines in one string of its own, a line each time: no allocation per line.
    std::string rigaPropria;
    std::string& riga = esecuzione ? esecuzione->riga : rigaPropria;
    riga.clear();
    if (!vuoto) {
        aggiungiTimbro(riga);
        riga += " - ";
    }
    riga += msg;
    riga += "\r\n";
    accodaOMostra(sFileLog_, riga, false);
}
