#pragma once

#include <string>

#include "host/Automation.h"
#include "tools/Cp1252.h"

namespace hostserver {

// Ends the current automation call with the server's message (UTF-8).
[[noreturn]] inline void falliChiamata(const std::string& messaggio)
{
    throw host::AutomationError(utf8ToUtf16(messaggio));
}

} // namespace hostserver
