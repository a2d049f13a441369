#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostserver {

// One item of a host parameter list: "chiave=valore", or a bare key that works as a flag.
struct Parametro {
    std::string chiave;
    std::optional<std::string> valore;
};

// Splits a "|"-separated list (UTF-8). Keys lose their surrounding blanks, so "codice_medico ="
// names codice_medico; values are kept as written. Empty items are skipped.
std::vector<Parametro> leggiListaParametri(std::string_view lista);

// True for a date written as YYYY-MM-DD with digits only.
bool dataValida(std::string_view data);

// The item's value as such a date; an item without one raises host::AutomationError.
std::string valoreData(const Parametro& parametro);

} // namespace hostserver
