#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <sqlite3.h>

namespace hostserver {

// Which services go into an extract: those of the doctor's patients, in an inclusive date
// range (YYYY-MM-DD, UTF-8); a missing bound leaves that side open.
struct FiltroEstratto {
    std::string codiceMedico;
    std::optional<std::string> dallaData;
    std::optional<std::string> allaData;
};

// Writes the extract of incentive services to percorso: UTF-8 XML whose root element
// Elenco_prestazioni_incentivanti holds, patient by patient, one PAZIENTE (with PERSONA and its
// codice_fiscale) followed by that patient's PRESTAZIONE_INCENTIVANTE elements. Every child of the
// list carries the patient id as its first attribute, and the list holds no white space, so each
// of its child nodes is an element. A file left half written by a failure is removed.
void scriviEstrattoPrestazioni(sqlite3* db, const FiltroEstratto& filtro, const std::filesystem::path& percorso);

} // namespace hostserver
