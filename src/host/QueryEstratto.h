#pragma once

#include <string>

// The extract's XPath queries, built from Windows-1252 values.

inline constexpr const char* kQueryElenco = "//Elenco_prestazioni_incentivanti";

// An XPath 1.0 literal holding any text: 'v' normally (as quoteString gives it), "v" when v has an
// apostrophe, concat() of both kinds of piece when it has apostrophes and double quotes.
std::string letteraleXPath(const std::string& valore);

std::string queryPaziente(const std::string& idPaziente);
std::string queryPrestazioniPaziente(const std::string& idPaziente);
std::string queryPrestazioniUguali(const std::string& idPaziente, const std::string& data, const std::string& codice);
