#include "storico/Storico.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <optional>

#include "platform/FileSistema.h"
#include "tools/tc_GenTools.h"

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

namespace {

// A previous file on its way into the history folder.
struct Mossa {
    std::string sFile;
    std::string nomeStorico; // stamp + "_" + its name, before a free number is sought
    std::string sCopia;
};

void rimuoviCopie(std::vector<Mossa>::const_iterator prima, std::vector<Mossa>::const_iterator fine)
{
    for (; prima != fine; ++prima)
        (void)platform::eliminaFile(prima->sCopia);
}

bool eRiepilogo(const std::string& sFile)
{
    const std::string nome = platform::nomeFile(sFile);
    return nome.size() >= 4 && std::equal(nome.end() - 4, nome.end(), ".pdf", [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// The cause as the doctor mends it: a file held open names the program to close, and the button
// that tries again.
std::string causa(const std::string& sFile, const std::string& motivo)
{
    if (motivo != platform::kMotivoFileAperto)
        return motivo;
    return eRiepilogo(sFile)
        ? "il file \xE8 aperto in un altro programma, chiudere il visualizzatore PDF e premere di nuovo \"Crea "
          "Tracciato\""
        : "il file \xE8 aperto in un altro programma, chiudere il programma che lo tiene aperto (un foglio di calcolo, "
          "ad esempio) e premere di nuovo \"Crea Tracciato\"";
}

} // namespace

Spostamento spostaInStorico(const std::vector<FileDaSpostare>& file, const std::string& sDirStorico)
{
    // Every file there is, checked and stamped before anything is copied.
    std::vector<Mossa> mosse;
    for (const FileDaSpostare& precedente : file) {
        if (!platform::esiste(precedente.sFile))
            continue;
        if (std::optional<std::string> motivo = platform::verificaSpostabile(precedente.sFile))
            return { EsitoSpostamento::NonSpostabile, precedente.sFile, std::move(*motivo), {} };
        const std::string timbro = timbroFile(precedente.sFile, precedente.precisione);
        if (timbro.empty())
            return { EsitoSpostamento::NonSpostabile, precedente.sFile, {}, {} };
        mosse.push_back({ precedente.sFile, timbro + "_" + platform::nomeFile(precedente.sFile), {} });
    }
    if (mosse.empty())
        return { EsitoSpostamento::Spostati, {}, {}, {} };

    // The folder may have gone since start-up: it is made again, as then.
    if (std::optional<std::string> motivo = platform::creaCartella(sDirStorico))
        return { EsitoSpostamento::CopiaFallita, mosse.front().sFile, std::move(*motivo), {} };
    for (auto mossa = mosse.begin(); mossa != mosse.end(); ++mossa) {
        mossa->sCopia = sDirStorico + nomeLiberoStorico(sDirStorico, mossa->nomeStorico);
        if (std::optional<std::string> motivo = platform::copiaFile(mossa->sFile, mossa->sCopia)) {
            rimuoviCopie(mosse.begin(), mossa);
            return { EsitoSpostamento::CopiaFallita, mossa->sFile, std::move(*motivo), {} };
        }
    }
    // Something may have opened a file since the check: what was deleted comes back by a rename,
    // which keeps the time its next history name is stamped with.
    for (auto mossa = mosse.begin(); mossa != mosse.end(); ++mossa) {
        std::optional<std::string> motivo = platform::eliminaFile(mossa->sFile);
        if (!motivo)
            continue;
        Spostamento spostamento { EsitoSpostamento::EliminazioneFallita, mossa->sFile, std::move(*motivo), {} };
        for (auto eliminata = mosse.cbegin(); eliminata != mossa; ++eliminata)
            if (platform::rinominaFile(eliminata->sCopia, eliminata->sFile))
                spostamento.nonRipristinati.emplace_back(eliminata->sFile, eliminata->sCopia);
        rimuoviCopie(mossa, mosse.cend());
        return spostamento;
    }
    return { EsitoSpostamento::Spostati, {}, {}, {} };
}

std::string messaggioStorico(const Spostamento& spostamento)
{
    const std::string motivo
        = spostamento.motivo.empty() ? std::string() : ": " + causa(spostamento.sFile, spostamento.motivo);
    std::string testo;
    switch (spostamento.esito) {
    case EsitoSpostamento::Spostati:
        return {};
    case EsitoSpostamento::NonSpostabile:
        testo = "ERRORE: Impossibile spostare nello storico il file " + spostamento.sFile + motivo + ".";
        break;
    case EsitoSpostamento::CopiaFallita:
        testo = "ERRORE: Impossibile copiare nello storico il file " + spostamento.sFile + motivo + ".";
        break;
    case EsitoSpostamento::EliminazioneFallita:
        testo = "ERRORE: Impossibile eliminare il file " + spostamento.sFile + " dopo la copia nello storico" + motivo
            + ".";
        break;
    }
    if (spostamento.nonRipristinati.empty())
        return testo + " Nessun file \xE8 stato spostato.";
    for (const auto& [sFile, sCopia] : spostamento.nonRipristinati)
        testo += " Il file " + sFile + " \xE8 rimasto nello storico come " + sCopia
            + ": rimetterlo al suo posto prima di ripetere l'esportazione.";
    return testo;
}
