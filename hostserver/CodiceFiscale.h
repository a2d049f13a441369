#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace hostserver {

// The Italian fiscal code of a person: three letters of the surname, three of the name, year,
// month letter, day (plus 40 for a woman), the birthplace's cadastral code and the check
// character. Names are UTF-8; accented letters count as their plain letter, and apostrophes,
// blanks and other signs are left out.
std::string codiceFiscale(std::string_view cognome, std::string_view nome, std::chrono::year_month_day nascita,
    bool femmina, std::string_view codiceComune);

// The check character of the first 15 characters (upper-case letters and digits).
char carattereControllo(std::string_view primiQuindici);

} // namespace hostserver
