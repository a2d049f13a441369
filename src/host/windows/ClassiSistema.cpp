#include "host/ClassiSistema.h"

#include "host/windows/OggettoCom.h"

namespace host {

std::unique_ptr<AutomationObject> creaOggettoDiSistema(const std::string& identificatore)
{
    return OggettoCom::crea(identificatore);
}

} // namespace host
