#include "export/FileExport.h"

#include <algorithm>
#include <optional>

#include "export/TimbroLog.h"
#include "platform/FileInCoda.h"
#include "platform/MessageBox.h"

namespace {

// True when the text went in; otherwise the failure has been shown.
bool accodaOMostra(const std::string& operazione, const std::string& percorso, std::string_view testo)
{
    const std::optional<std::string> errore = platform::accodaIntero(percorso, testo);
    if (errore)
        platform::mostraMessaggio("Eccezione in " + operazione + "\r\n" + *errore);
    return !errore;
}

std::int32_t suFileFalliti = 0;

} // namespace

void suFile(const std::string& testo, const std::string& percorso)
{
    if (testo.empty())
        return;
    if (!accodaOMostra("suFile", percorso, testo))
        ++suFileFalliti;
}

std::int32_t suFileNonRiuscite()
{
    return suFileFalliti;
}

void RunLog::suLog(const std::string& msg) const
{
    if (!bDebug_)
        return;
    const bool vuoto = std::all_of(msg.begin(), msg.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    const std::string riga = vuoto ? msg : timbroLog() + " - " + msg;
    accodaOMostra("suLog", sFileLog_, riga + "\r\n");
}
