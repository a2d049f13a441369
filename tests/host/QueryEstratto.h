#pragma once

#include <algorithm>
#include <string>

#include "tools/tc_GenTools.h"

// The extract's XPath queries that the document's index answers without a search: the reference
// the index is held against. Values are Windows-1252.

// An XPath 1.0 literal holding any text: 'v' normally (as quoteString gives it), "v" when v has an
// apostrophe, concat() of both kinds of piece when it has apostrophes and double quotes.
inline std::string letteraleXPath(const std::string& valore)
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

inline std::string queryPaziente(const std::string& idPaziente)
{
    return "//PAZIENTE[@io_id_paziente= " + letteraleXPath(idPaziente) + "]";
}

inline std::string queryPrestazioniPaziente(const std::string& idPaziente)
{
    return "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente=" + letteraleXPath(idPaziente) + "]";
}

inline std::string queryPrestazioniUguali(
    const std::string& idPaziente, const std::string& data, const std::string& codice)
{
    return "//PRESTAZIONE_INCENTIVANTE[@io_id_paziente=" + letteraleXPath(idPaziente)
        + " and data_esecuzione=" + letteraleXPath(data) + " and codice_ov_pip=" + letteraleXPath(codice) + "]";
}
