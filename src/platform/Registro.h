#pragma once

#include <string>

#include "tools/tc_GenTools.h"

namespace platform {

// One value read from the settings store: absent, text (plain or expandable), or another type.
struct RegistryValue {
    enum class Tipo { Assente, Testo, AltroTipo };
    Tipo tipo = Tipo::Assente;
    std::u16string testo;
};

// Looks the value up in the platform's settings store: the registry on Windows, a registry
// export file elsewhere. A key that cannot be opened, or a missing value, gives an absent value.
RegistryValue leggiValoreRegistro(RegistryRoot radice, const std::string& chiave, const std::string& nome);

} // namespace platform
