#include "host/AlberoXml.h"

namespace {

struct LiberaTestoXml {
    void operator()(xmlChar* testo) const { xmlFree(testo); }
};
using TestoXmlPtr = std::unique_ptr<xmlChar, LiberaTestoXml>;

bool soloSpazi(const xmlChar* testo)
{
    if (!testo)
        return true;
    for (; *testo; ++testo) {
        if (*testo != ' ' && *testo != '\t' && *testo != '\n' && *testo != '\r')
            return false;
    }
    return true;
}

bool riferimentoEntita(const xmlNode* primo)
{
    for (const xmlNode* nodo = primo; nodo; nodo = nodo->next) {
        if (nodo->type == XML_ENTITY_REF_NODE)
            return true;
    }
    return false;
}

} // namespace

xmlNode* nodoSuccessivo(xmlNode* nodo, bool discendi)
{
    if (discendi && nodo->children)
        return nodo->children;
    while (nodo) {
        if (nodo->next)
            return nodo->next;
        nodo = nodo->parent;
        if (nodo && nodo->type == XML_DOCUMENT_NODE)
            return nullptr;
    }
    return nullptr;
}

bool eElemento(const xmlNode* nodo, std::string_view nome)
{
    return nodo->type == XML_ELEMENT_NODE && nodo->ns == nullptr
        && std::string_view(reinterpret_cast<const char*>(nodo->name)) == nome;
}

std::string valoreStringa(const xmlNode* nodo)
{
    TestoXmlPtr testo(xmlNodeGetContent(nodo));
    return testo ? std::string(reinterpret_cast<const char*>(testo.get())) : std::string();
}

bool preparaAlbero(xmlDoc* doc)
{
    for (xmlNode* nodo = doc->children; nodo;) {
        if (nodo->type == XML_ENTITY_REF_NODE)
            return false;
        if (nodo->type == XML_ELEMENT_NODE) {
            for (const xmlAttr* attributo = nodo->properties; attributo; attributo = attributo->next) {
                if (riferimentoEntita(attributo->children))
                    return false;
            }
        }
        if (nodo->type == XML_TEXT_NODE && soloSpazi(nodo->content)) {
            xmlNode* vuoto = nodo;
            nodo = nodoSuccessivo(nodo, false);
            xmlUnlinkNode(vuoto);
            xmlFreeNode(vuoto);
            continue;
        }
        nodo = nodoSuccessivo(nodo, nodo->type == XML_ELEMENT_NODE);
    }
    return true;
}
