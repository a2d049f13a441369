#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/Automation.h"

namespace host {

// A new instance of a class that the process has not registered, from the system's own object
// registry: COM on Windows; elsewhere there is none, and the identifier is refused.
// Throws AutomationError when the class is unknown or cannot be created.
std::unique_ptr<AutomationObject> creaOggettoDiSistema(const std::string& identificatore);

// What the system's class registry holds for an identifier, as a technician would look it up.
struct RegistrazioneClasse {
    // One line per fact (Windows-1252): the name's class and each server's file, whether it
    // exists and its bitness, in each view of the registry.
    std::vector<std::string> righe;
    // A 64-bit in-process library is all there is: no 32-bit program can load it.
    bool soloInProcesso64 = false;
    // The out-of-process server's program as registered (its arguments left out); empty for none.
    std::string programmaServer;
    bool programmaEsiste = false;
};

RegistrazioneClasse leggiRegistrazione(const std::string& identificatore);

} // namespace host
