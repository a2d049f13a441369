#pragma once

#include <optional>
#include <ostream>

// The options the program answers on the terminal, before any window or display is needed:
// --help and --version. Returns the exit status when the program has answered, else nothing.
std::optional<int> rispostaRigaDiComando(int argc, char** argv, std::ostream& uscita);
