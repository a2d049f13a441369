#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/tc_GenTools.h"

namespace platform {

// One value read from the registry file: absent, text (plain or expandable), or another type.
struct RegistryValue {
    enum class Tipo { Assente, Testo, AltroTipo };
    Tipo tipo = Tipo::Assente;
    std::u16string testo;
};

// The registry file in the regedit export format: the file named by OV_PIP_REGISTRY,
// else /etc/Corvitel-Amberlo/registry.reg. The program only ever reads it.
std::string percorsoFileRegistro();

// Looks a value up in the registry file. Key and value names compare without regard to case;
// a missing or unreadable file, or one that cannot be parsed, gives an absent value.
RegistryValue leggiValoreRegistro(RegistryRoot radice, const std::string& chiave, const std::string& nome);

// The same lookup in the given export text (the file's raw bytes).
RegistryValue cercaValoreRegistro(
    std::string_view contenutoFile, RegistryRoot radice, const std::string& chiave, const std::string& nome);

} // namespace platform
