#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <libxml/tree.h>
#include <libxml/xpath.h>

// The parsed extract as a libxml2 tree: owning handles and the few walks the reader needs.

struct LiberaDocXml {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct LiberaContestoXPath {
    void operator()(xmlXPathContext* contesto) const { xmlXPathFreeContext(contesto); }
};
struct LiberaOggettoXPath {
    void operator()(xmlXPathObject* oggetto) const { xmlXPathFreeObject(oggetto); }
};
using DocXmlPtr = std::unique_ptr<xmlDoc, LiberaDocXml>;
using ContestoXPathPtr = std::unique_ptr<xmlXPathContext, LiberaContestoXPath>;
using OggettoXPathPtr = std::unique_ptr<xmlXPathObject, LiberaOggettoXPath>;

// The next node in document order, not descending below `nodo` when `discendi` is false;
// nullptr after the last one.
xmlNode* nodoSuccessivo(xmlNode* nodo, bool discendi);

// An element that an unprefixed XPath name test selects: that name and no namespace.
bool eElemento(const xmlNode* nodo, std::string_view nome);

// The string value (UTF-8) as XPath compares it: the text of the node and its descendants.
std::string valoreStringa(const xmlNode* nodo);

// Drops every whitespace-only text node, as a DOM that does not preserve white space does.
// False when an entity reference is left: the parser expands the document's own entities, so
// one left is an entity whose text the document does not hold.
bool preparaAlbero(xmlDoc* doc);
