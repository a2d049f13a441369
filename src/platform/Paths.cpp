#include "platform/Paths.h"

#include <charconv>
#include <string_view>
#include <system_error>

namespace platform {

CartellaPrivata::CartellaPrivata(const std::string& sDirBase)
{
    // An empty base would put the folder wherever the program happens to run.
    if (sDirBase.empty())
        return;
    percorso_ = creaCartellaPrivata(sDirBase);
}

CartellaPrivata::~CartellaPrivata()
{
    if (percorso_.empty())
        return;
    std::error_code ignorato;
    std::filesystem::remove_all(percorsoNativo(percorso_), ignorato);
}

void rimuoviCartellePrivateAbbandonate(const std::string& sDirBase)
{
    if (sDirBase.empty())
        return;
    std::error_code errore;
    std::filesystem::directory_iterator voce(percorsoNativo(sDirBase), errore);
    for (; !errore && voce != std::filesystem::directory_iterator(); voce.increment(errore)) {
        // "ov_pip-" + process id + "-" + what makes the name new.
        const std::string nome = voce->path().filename().string();
        constexpr std::string_view kPrefisso = "ov_pip-";
        unsigned long processo = 0;
        const char* inizio = nome.data() + kPrefisso.size();
        const char* fine = nome.data() + nome.size();
        if (!nome.starts_with(kPrefisso))
            continue;
        const auto [dopo, esito] = std::from_chars(inizio, fine, processo);
        if (esito != std::errc() || dopo == inizio || dopo == fine || *dopo != '-')
            continue;
        std::error_code ignorato;
        if (voce->is_directory(ignorato) && cartellaPrivataAbbandonata(voce->path(), processo))
            std::filesystem::remove_all(voce->path(), ignorato);
    }
}

} // namespace platform
