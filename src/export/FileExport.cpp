#include "export/FileExport.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "export/TimbroLog.h"
#include "platform/FileInCoda.h"
#include "platform/MessageBox.h"

namespace {

// The files that have shown a failure in the export run under way, if one is.
std::unordered_set<std::string>* fileSegnalati = nullptr;

// True when the text went in; otherwise the failure has been shown, unless the file already
// showed one in this run.
bool accodaOMostra(const std::string& percorso, std::string_view testo)
{
    const std::optional<std::string> motivo = platform::accodaIntero(percorso, testo);
    if (!motivo)
        return true;
    if (fileSegnalati == nullptr || fileSegnalati->insert(percorso).second)
        platform::mostraMessaggio("Impossibile scrivere il file " + percorso + ": " + *motivo);
    return false;
}

std::int32_t suFileFalliti = 0;

} // namespace

UnaSegnalazionePerFile::UnaSegnalazionePerFile()
    : precedenti_(std::exchange(fileSegnalati, &segnalati_))
{
}

UnaSegnalazionePerFile::~UnaSegnalazionePerFile()
{
    fileSegnalati = precedenti_;
}

void suFile(const std::string& testo, const std::string& percorso)
{
    if (testo.empty())
        return;
    if (!accodaOMostra(percorso, testo))
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
    const std::string riga = vuoto ? msg : timbroLog() + " - " + msg;
    accodaOMostra(sFileLog_, riga + "\r\n");
}
