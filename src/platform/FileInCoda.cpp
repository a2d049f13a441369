#include "platform/FileInCoda.h"

#include "platform/FileSistema.h"

#include <utility>

#include "platform/FileInCodaInterno.h"

namespace platform {

namespace {

GuastoFile& guastoCorrente()
{
    static GuastoFile guasto;
    return guasto;
}

} // namespace

GuastoFile setGuastoFile(GuastoFile guasto)
{
    return std::exchange(guastoCorrente(), std::move(guasto));
}

std::optional<std::string> guastoDiProva(OperazioneFile operazione, const std::string& percorso)
{
    const GuastoFile& guasto = guastoCorrente();
    return guasto ? guasto(operazione, percorso) : std::nullopt;
}

std::optional<std::string> accodaIntero(const std::string& percorso, std::string_view testo)
{
    FileInCoda file;
    if (std::optional<std::string> motivo = file.apri(percorso))
        return motivo;
    if (std::optional<std::string> motivo = file.accoda(testo))
        return motivo;
    return file.chiudi(false);
}

} // namespace platform
