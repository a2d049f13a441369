#include "platform/FileInCoda.h"

namespace platform {

std::optional<std::string> accodaIntero(const std::string& percorso, std::string_view testo)
{
    FileInCoda file;
    if (std::optional<std::string> motivo = file.apri(percorso))
        return motivo;
    if (std::optional<std::string> motivo = file.accoda(testo))
        return motivo;
    return file.chiudi();
}

} // namespace platform
