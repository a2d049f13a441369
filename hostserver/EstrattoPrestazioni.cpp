#include "hostserver/EstrattoPrestazioni.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hostserver/ScrittoreXml.h"
#include "hostserver/Sqlite.h"

namespace hostserver {
namespace {

constexpr std::string_view kSqlPazienti = R"sql(
SELECT io_id_paziente, cognome, nome, codice_fiscale FROM pazienti
WHERE codice_medico = ?1
ORDER BY cognome, nome, io_id_paziente
)sql";

// One scan of the range in id order (the table's own order, so no sort); grouping by patient
// happens in memory, which is much faster than a join sorted by SQLite for large extracts.
constexpr std::string_view kSqlPrestazioni = R"sql(
SELECT io_id_paziente, id, codice_ov_pip, data_esecuzione, nome_prestazione FROM prestazioni_incentivanti
WHERE (?1 IS NULL OR data_esecuzione >= ?1) AND (?2 IS NULL OR data_esecuzione <= ?2)
ORDER BY id
)sql";

struct Prestazione {
    std::string id;
    std::string codice;
    std::string data;
    std::string nome;
};

struct Paziente {
    std::string id;
    std::string cognome;
    std::string nome;
    std::string codiceFiscale;
    std::vector<Prestazione> prestazioni;
};

// The doctor's patients in the order of the alphabetical patient list, each with the services
// of the range by date, then by id.
std::vector<Paziente> leggiPrestazioni(sqlite3* db, const FiltroEstratto& filtro)
{
    std::vector<Paziente> pazienti;
    std::unordered_map<std::string, std::size_t> posizione;
    IstruzioneSqlite elenco(db, kSqlPazienti);
    elenco.lega(1, filtro.codiceMedico);
    while (elenco.passo()) {
        posizione.emplace(elenco.testo(0), pazienti.size());
        pazienti.push_back({ std::string(elenco.testo(0)), std::string(elenco.testo(1)), std::string(elenco.testo(2)),
            std::string(elenco.testo(3)), {} });
    }

    IstruzioneSqlite prestazioni(db, kSqlPrestazioni);
    prestazioni.legaFacoltativo(1, filtro.dallaData);
    prestazioni.legaFacoltativo(2, filtro.allaData);
    std::string chiave;
    while (prestazioni.passo()) {
        chiave = prestazioni.testo(0);
        const auto trovato = posizione.find(chiave);
        if (trovato == posizione.end())
            continue;
        pazienti[trovato->second].prestazioni.push_back({ std::string(prestazioni.testo(1)),
            std::string(prestazioni.testo(2)), std::string(prestazioni.testo(3)), std::string(prestazioni.testo(4)) });
    }
    for (Paziente& paziente : pazienti) {
        std::stable_sort(paziente.prestazioni.begin(), paziente.prestazioni.end(),
            [](const Prestazione& a, const Prestazione& b) { return a.data < b.data; });
    }
    return pazienti;
}

void scrivi(const std::vector<Paziente>& pazienti, const FiltroEstratto& filtro, ScrittoreXml& xml)
{
    xml.dichiarazione();
    // What was asked rides on the root, for whoever reads a kept copy of the extract.
    xml.apri("Elenco_prestazioni_incentivanti",
        { { "procedura", "prestazioni_empoli" }, { "codice_medico", filtro.codiceMedico },
            { "dalla_data", filtro.dallaData.value_or("") }, { "alla_data", filtro.allaData.value_or("") } });
    for (const Paziente& paziente : pazienti) {
        if (paziente.prestazioni.empty())
            continue;
        xml.apri("PAZIENTE", { { "io_id_paziente", paziente.id } });
        xml.apri("PERSONA");
        xml.foglia("cognome", paziente.cognome);
        xml.foglia("nome", paziente.nome);
        xml.foglia("codice_fiscale", paziente.codiceFiscale);
        xml.chiudi("PERSONA");
        xml.chiudi("PAZIENTE");
        for (const Prestazione& prestazione : paziente.prestazioni) {
            xml.apri("PRESTAZIONE_INCENTIVANTE",
                { { "io_id_paziente", paziente.id }, { "id_prestazione", prestazione.id } });
            xml.foglia("codice_ov_pip", prestazione.codice);
            xml.foglia("data_esecuzione", prestazione.data);
            xml.foglia("nome_prestazione", prestazione.nome);
            xml.chiudi("PRESTAZIONE_INCENTIVANTE");
        }
    }
    xml.chiudi("Elenco_prestazioni_incentivanti");
    xml.acapo();
    xml.termina();
}

} // namespace

void scriviEstrattoPrestazioni(sqlite3* db, const FiltroEstratto& filtro, const std::filesystem::path& percorso)
{
    const std::vector<Paziente> pazienti = leggiPrestazioni(db, filtro);
    ScrittoreXml xml(percorso);
    try {
        scrivi(pazienti, filtro, xml);
    } catch (...) {
        std::error_code ignorato;
        std::filesystem::remove(percorso, ignorato);
        throw;
    }
}

} // namespace hostserver
