#pragma once

#include <memory>
#include <string>

#include "host/Automation.h"

namespace host {

// A new instance of a class that the process has not registered, from the system's own object
// registry: COM on Windows; elsewhere there is none, and the identifier is refused.
// Throws AutomationError when the class is unknown or cannot be created.
std::unique_ptr<AutomationObject> creaOggettoDiSistema(const std::string& identificatore);

} // namespace host
