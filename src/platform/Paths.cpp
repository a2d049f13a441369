#include "platform/Paths.h"

#include <system_error>

namespace platform {

bool esiste(const std::string& percorso)
{
    std::error_code errore;
    return std::filesystem::exists(percorsoNativo(percorso), errore);
}

} // namespace platform
