#include "storico/Storico.h"

#include <chrono>
#include <optional>

#include "platform/FileSistema.h"
#include "tools/tc_GenTools.h"

namespace {

// The name after the last separator of a path the program built.
std::string nomeFile(const std::string& sFile)
{
    const auto barra = sFile.find_last_of("/\\");
    return barra == std::string::npos ? sFile : sFile.substr(barra + 1);
}

} // namespace

std::string timbroStorico(platform::LocalTime istante, PrecisioneTimbro precisione)
{
    using namespace std::chrono;
    const auto giorno = floor<days>(istante);
    const year_month_day data { giorno };
    const hh_mm_ss ora { istante - giorno };
    std::string timbro = std::to_string(static_cast<int>(data.year())) + "-"
        + dueCifre(static_cast<unsigned>(data.month())) + "-" + dueCifre(static_cast<unsigned>(data.day())) + " "
        + dueCifre(ora.hours().count()) + "." + dueCifre(ora.minutes().count());
    if (precisione == PrecisioneTimbro::Secondo) {
        const long long secondi = ora.seconds().count();
        timbro += "." + dueCifre(secondi - secondi % 2);
    }
    return timbro;
}

std::optional<platform::LocalTime> ultimaScrittura(const std::string& sFile)
{
    const auto scrittura = platform::ultimaScritturaUtc(sFile);
    if (!scrittura)
        return std::nullopt;
    return platform::toLocalTime(std::chrono::floor<std::chrono::seconds>(*scrittura));
}

std::string timbroFile(const std::string& sFile, PrecisioneTimbro precisione)
{
    const std::optional<platform::LocalTime> istante = ultimaScrittura(sFile);
    return istante ? timbroStorico(*istante, precisione) : std::string();
}

std::string nomeLiberoStorico(const std::string& sDirStorico, const std::string& nome)
{
    if (!platform::esiste(sDirStorico + nome))
        return nome;
    // The stamp holds dots of its own, so the extension is the one after the last dot, if any.
    const auto punto = nome.find_last_of('.');
    const std::string radice = punto == std::string::npos ? nome : nome.substr(0, punto);
    const std::string estensione = punto == std::string::npos ? std::string() : nome.substr(punto);
    for (long long n = 2;; ++n) {
        std::string candidato = radice + " (" + std::to_string(n) + ")" + estensione;
        if (!platform::esiste(sDirStorico + candidato))
            return candidato;
    }
}

Storicizzazione spostaInStorico(const std::string& sFile, const std::string& sDirStorico, PrecisioneTimbro precisione)
{
    if (!platform::esiste(sFile))
        return { EsitoStorico::Assente, {} };

    const std::string timbro = timbroFile(sFile, precisione);
    if (timbro.empty())
        return { EsitoStorico::CopiaFallita, {} };
    // The folder may have gone since start-up: it is made again, as then.
    if (std::optional<std::string> motivo = platform::creaCartella(sDirStorico))
        return { EsitoStorico::CopiaFallita, std::move(*motivo) };
    const std::string copia = sDirStorico + nomeLiberoStorico(sDirStorico, timbro + "_" + nomeFile(sFile));
    if (std::optional<std::string> motivo = platform::copiaFile(sFile, copia))
        return { EsitoStorico::CopiaFallita, std::move(*motivo) };
    if (std::optional<std::string> motivo = platform::eliminaFile(sFile))
        return { EsitoStorico::EliminazioneFallita, std::move(*motivo) };
    return { EsitoStorico::Spostato, {} };
}

std::string messaggioStorico(const Storicizzazione& storicizzazione, const std::string& sFile)
{
    switch (storicizzazione.esito) {
    case EsitoStorico::CopiaFallita:
        return "ERRORE: Impossibile copiare nello storico il file " + sFile
            + (storicizzazione.motivo.empty() ? "" : ": " + storicizzazione.motivo) + ".";
    case EsitoStorico::EliminazioneFallita:
        return "ERRORE: Impossibile eliminare il file " + sFile + " dopo la copia nello storico"
            + (storicizzazione.motivo.empty() ? "" : ": " + storicizzazione.motivo) + ".";
    case EsitoStorico::Assente:
    case EsitoStorico::Spostato:
        break;
    }
    return {};
}
