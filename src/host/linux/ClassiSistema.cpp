#include "host/ClassiSistema.h"

#include "tools/Cp1252.h"

namespace host {

std::unique_ptr<AutomationObject> creaOggettoDiSistema(const std::string& identificatore)
{
    throw AutomationError(u"Invalid class string: " + utf8ToUtf16(identificatore));
}

} // namespace host
