#pragma once

#include <optional>
#include <string>

#include "platform/FileSistema.h"

namespace platform {

// The failure a test installed for this operation on this path, if any.
std::optional<std::string> guastoDiProva(OperazioneFile operazione, const std::string& percorso);

} // namespace platform
