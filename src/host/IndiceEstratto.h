#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <libxml/tree.h>

#include "host/NodoXml.h"

// The patients and services of a loaded extract by patient id, gathered in one walk of the tree:
// what the XPath queries by io_id_paziente (and by data_esecuzione and codice_ov_pip) select,
// without a search of the whole document for every service. Values are the UTF-8 texts that XPath
// compares, mostly read in place from the tree, so the index must go before its document does.
class IndiceEstratto {
public:
    static std::unique_ptr<IndiceEstratto> crea(xmlDoc* doc);
    IndiceEstratto(const IndiceEstratto&) = delete;
    IndiceEstratto& operator=(const IndiceEstratto&) = delete;

    // The first PAZIENTE element with that id, in document order; an empty node when none.
    NodoXml paziente(std::string_view id) const;
    // The PRESTAZIONE_INCENTIVANTE elements with that id, in document order.
    const std::vector<NodoXml>& prestazioni(std::string_view id) const;
    // How many of them have any data_esecuzione child equal to data and any codice_ov_pip child
    // equal to codice.
    std::int32_t contaUguali(std::string_view id, std::string_view data, std::string_view codice) const;

private:
    // How many of the patient's services hold this date and this code.
    struct Coppia {
        std::string_view data;
        std::string_view codice;
        std::int32_t quante;
        std::pair<std::string_view, std::string_view> chiave() const { return { data, codice }; }
    };
    // The services with several distinct dates or codes, each by its own values: every date-code
    // combination of theirs would grow with the product of their children. A service counts
    // for a date and a code when it is in both lists.
    struct Multiple {
        using Voce = std::pair<std::string_view, std::uint32_t>; // a value, the service's number
        std::vector<Voce> perData; // sorted, so each value's services come in ascending order
        std::vector<Voce> perCodice;
        std::uint32_t nPrestazioni = 0;
        // Answers already worked out: the classification asks once for every service, and a
        // shared date and code would otherwise cost a walk of both lists each time.
        mutable std::map<std::pair<std::string, std::string>, std::int32_t> risposte;

        std::int32_t conta(std::string_view data, std::string_view codice) const;
    };
    struct Paziente {
        NodoXml nodo;
        std::vector<NodoXml> prestazioni;
        std::vector<Coppia> coppie; // services with one date and one code: sorted by chiave(), each once
        std::unique_ptr<Multiple> multiple; // only when the patient has such services
    };

    IndiceEstratto() = default;
    void aggiungiPaziente(xmlNode* paziente, std::string_view id);
    void aggiungiPrestazione(xmlNode* prestazione, std::string_view id);
    void riunisci();
    std::vector<std::string_view> valoriFigli(const xmlNode* elemento, std::string_view nome);
    std::string_view valore(const xmlNode* nodo);

    // Per patient rather than one table of every triple: far fewer allocations, and each
    // patient's pairs lie together when the classification asks for them.
    std::unordered_map<std::string_view, Paziente> pazienti_;
    // Values that no single text node holds (nested or split text), owned here for the views.
    std::deque<std::string> testiComposti_;
};
