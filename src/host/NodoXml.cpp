#include "host/NodoXml.h"

#include "host/AlberoXml.h"
#include "tools/Cp1252.h"

std::vector<NodoXml> NodoXml::nodiFigli() const
{
    std::vector<NodoXml> figli;
    if (!nodo_ || (nodo_->type != XML_ELEMENT_NODE && nodo_->type != XML_DOCUMENT_NODE))
        return figli;
    for (xmlNode* figlio = nodo_->children; figlio; figlio = figlio->next)
        figli.emplace_back(figlio);
    return figli;
}

bool NodoXml::haAttributi() const
{
    return nodo_ && nodo_->type == XML_ELEMENT_NODE && nodo_->properties;
}

std::string NodoXml::primoAttributo() const
{
    if (!haAttributi())
        return {};
    return utf8ToCp1252(valoreStringa(reinterpret_cast<const xmlNode*>(nodo_->properties)));
}

std::string NodoXml::testo() const
{
    return nodo_ ? utf8ToCp1252(valoreStringa(nodo_)) : std::string();
}
