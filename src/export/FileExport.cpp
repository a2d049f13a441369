#include "export/FileExport.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "export/TimbroLog.h"
#include "platform/FileInCoda.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"

struct FileEsecuzione::Stato {
    struct Aperto {
        platform::FileInCoda file;
        std::int32_t record = 0; // written into it by suFile
    };
    std::unordered_map<std::string, Aperto> aperti;
    // Files whose open, write or close failed: shown once, and written no more in this run, so
    // that a later record cannot land after a gap.
    std::unordered_set<std::string> falliti;
    std::unordered_map<std::string, std::int32_t> nonScritti; // records, per file
    // The log stamp of the clock's latest second.
    std::optional<std::chrono::seconds> secondoTimbro;
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
    if (esecuzione == nullptr || esecuzione->falliti.insert(percorso).second)
        platform::mostraMessaggio("Impossibile scrivere il file " + percorso + ": " + motivo);
}

// True when the text went in; otherwise the failure has been shown, unless the file already
// failed in this run: then nothing more is tried.
bool accodaOMostra(const std::string& percorso, std::string_view testo, bool bRecord)
{
    std::optional<std::string> motivo;
    if (esecuzione == nullptr) {
        motivo = platform::accodaIntero(percorso, testo);
    } else if (esecuzione->falliti.contains(percorso)) {
        return false;
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
    // each time): the stamp is made again only when the clock's second changes.
    const std::chrono::seconds secondo = platform::secondoCorrente();
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
        stato_->nonScritti[percorso] += record;
        mostraFallimento(percorso, *motivo);
    }
}

std::int32_t FileEsecuzione::nonScritti(const std::string& percorso) const
{
    const auto file = stato_->nonScritti.find(percorso);
    return file == stato_->nonScritti.end() ? 0 : file->second;
}

void suFile(const std::string& testo, const std::string& percorso)
{
    if (testo.empty())
        return;
    if (accodaOMostra(percorso, testo, true))
        return;
    ++suFileFalliti;
    if (esecuzione != nullptr)
        ++esecuzione->nonScritti[percorso];
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
