#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace hostserver {

// Today's date on the local clock (platform::adesso()).
std::chrono::year_month_day dataDiOggi();

// The size and shape of a generated practice. The same options give the same database.
struct OpzioniPratica {
    // Services and examinations fall in the year up to this day.
    std::chrono::year_month_day oggi = dataDiOggi();
    // For each of the two main doctors, the MMG and the PLS.
    int pazientiPerMedico = 300;
    int prestazioniPerPaziente = 6;
    int accertamentiPerPazientePls = 4;
    std::uint64_t seme = 1;
};

// A sign-in of the generated practice.
struct UtenteDemo {
    std::string_view nomeUtente;
    std::string_view password;
    std::string_view descrizione;
};

// The generated practice's users: the MMG and the PLS doctor first, then three users that the
// sign-in refuses (a substitute, one without regional code, one without patients).
std::span<const UtenteDemo> utentiDemo();

// Creates a fresh practice database at percorso (an existing file is replaced): the schema, the
// users above, the two doctors' patients with Italian names and valid fiscal codes, a year of
// incentive services (visits, services, vaccinations, excluded and unknown codes, identical
// services of one patient and day, services of the other doctor's kind) and, for the PLS
// doctor's patients, health-check examinations with and without result.
void generaPratica(const std::filesystem::path& percorso, const OpzioniPratica& opzioni);

} // namespace hostserver
