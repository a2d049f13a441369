#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

class DocumentoXml;

// The groups of identical services (patient, date, code) already reported in the current run.
// Keys are compared whole, field by field: patient 1 and patient 11 never share a key.
class ElencoDuplicati {
public:
    void svuota() { chiavi_.clear(); }
    bool vuoto() const { return chiavi_.empty(); }
    std::size_t size() const { return chiavi_.size(); }

    bool contiene(const std::string& idPaziente, const std::string& data, const std::string& codice) const;
    // False when the key was already there.
    bool aggiungi(const std::string& idPaziente, const std::string& data, const std::string& codice);

private:
    static std::string chiave(const std::string& idPaziente, const std::string& data, const std::string& codice);

    std::unordered_set<std::string> chiavi_;
};

// How many identical services this one stands for: 1 for a single service, n for the first call
// on a group of n >= 2 (whose key then enters the list), 0 for the later calls and for none.
std::int32_t contaPrestazioniUguali(const DocumentoXml& oXmlDoc, ElencoDuplicati& elencoDuplicati,
    const std::string& idPaziente, const std::string& data, const std::string& codice);
