#include "export/ElencoDuplicati.h"

#include "host/DocumentoXml.h"

std::string ElencoDuplicati::chiave(const std::string& idPaziente, const std::string& data, const std::string& codice)
{
    // Each field prefixed by its length: no id, date or code can run into its neighbour.
    std::string chiave;
    chiave.reserve(idPaziente.size() + data.size() + codice.size() + 24);
    for (const std::string* campo : { &idPaziente, &data, &codice })
        chiave.append(std::to_string(campo->size())).append(1, ':').append(*campo);
    return chiave;
}

bool ElencoDuplicati::contiene(const std::string& idPaziente, const std::string& data, const std::string& codice) const
{
    return chiavi_.contains(chiave(idPaziente, data, codice));
}

bool ElencoDuplicati::aggiungi(const std::string& idPaziente, const std::string& data, const std::string& codice)
{
    return chiavi_.insert(chiave(idPaziente, data, codice)).second;
}

std::int32_t contaPrestazioniUguali(const DocumentoXml& oXmlDoc, ElencoDuplicati& elencoDuplicati,
    const std::string& idPaziente, const std::string& data, const std::string& codice)
{
    const std::int32_t n = oXmlDoc.contaPrestazioni(idPaziente, data, codice);
    if (n <= 1)
        return n;
    return elencoDuplicati.aggiungi(idPaziente, data, codice) ? n : 0;
}
