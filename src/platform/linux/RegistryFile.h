#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Registro.h"

namespace platform {

// The registry file in the regedit export format: the file named by OV_PIP_REGISTRY,
// else /etc/Corvitel-Amberlo/registry.reg. The program only ever reads it.
std::string percorsoFileRegistro();

// leggiValoreRegistro looks the value up in that file; this is the same lookup in the given export
// text (the file's raw bytes). Key and value names compare without regard to case; a missing or
// unreadable file, or one that cannot be parsed, gives an absent value.
RegistryValue cercaValoreRegistro(
    std::string_view contenutoFile, RegistryRoot radice, const std::string& chiave, const std::string& nome);

} // namespace platform
