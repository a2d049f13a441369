#pragma once

#include <string>
#include <vector>

#include <libxml/tree.h>

// A node of the loaded extract. It does not own the node, which lives until the next load.
// Texts come out as Windows-1252 ("?" for what it cannot hold).
class NodoXml {
public:
    NodoXml() = default;
    explicit NodoXml(xmlNode* nodo)
        : nodo_(nodo)
    {
    }

    explicit operator bool() const { return nodo_ != nullptr; }
    xmlNode* get() const { return nodo_; }
    bool operator==(const NodoXml&) const = default;

    // The child nodes in document order: elements, comments and any other node that loading kept.
    std::vector<NodoXml> nodiFigli() const;
    bool haAttributi() const;
    // The text of the first attribute in document order, whatever its name; empty when none.
    std::string primoAttributo() const;
    // The text content of the node and its descendants.
    std::string testo() const;

private:
    xmlNode* nodo_ = nullptr;
};
