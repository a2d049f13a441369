#include "host/QueryEstratto.h"

#include <algorithm>

#include "tools/tc_GenTools.h"

std::string letteraleXPath(const std::string& valore)
{
    if (valore.find('\'') == std::string::npos)
        return quoteString(valore);
    if (valore.find('"') == std::string::npos)
        return "\"" + valore + "\"";
    // Both kinds of quote: each apostrophe in double quotes, every other run in apostrophes.
    std::string risultato = "concat(";
    for (std::size_t inizio = 0; inizio < valore.size();) {
        if (inizio > 0)
            risultato += ", ";
        if (valore[inizio] == '\'') {
            risultato += "\"'\"";
            ++inizio;
            continue;
        }
        const std::size_t apice = std::min(valore.find('\'', inizio), valore.size());
        risultato += quoteString(valore.substr(inizio, apice - inizio));
        inizio = apice;
    }
    return risultato + ")";
}

std::string queryPaziente(const std::string& idPaziente)
{
    return "//PAZIENTE[@io_id_paziente= " + letteraleXPath(idPaziente) + "]";
}

std::string queryPrestazioniPaziente(const std::string& idPaziente)
{
    return "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente=" + letteraleXPath(idPaziente) + "]";
}

std::string queryPrestazioniUguali(const std::string& idPaziente, const std::string& data, const std::string& codice)
{
    return "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente=" + letteraleXPath(idPaziente)
        + " and data_esecuzione=" + letteraleXPath(data) + " and codice_ov_pip=" + letteraleXPath(codice) + "]";
}
