#include "platform/Paths.h"

#include <system_error>

namespace platform {

bool esiste(const std::string& percorso)
{
    std::error_code errore;
    return std::filesystem::exists(percorsoNativo(percorso), errore);
}

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

} // namespace platform
