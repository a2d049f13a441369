#include "host/NodoXml.h"

#include <gtest/gtest.h>

#include <string>

#include "host/DocumentoXml.h"

namespace {

TEST(NodoXml, FirstAttributeWhateverItsName)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml("<Elenco_prestazioni_incentivanti><P altro=\"x&amp;&#xE8;\" io_id_paziente=\"1\"/><P/>"
                            "<P vuoto=\"\"/><!-- c --><P xmlns=\"urn:x\"/></Elenco_prestazioni_incentivanti>"));
    const auto figli = doc.selezionaNodo(kQueryElenco).nodiFigli();
    ASSERT_EQ(figli.size(), 5u);
    EXPECT_TRUE(figli[0].haAttributi());
    EXPECT_EQ(figli[0].primoAttributo(), "x&\xE8");
    EXPECT_FALSE(figli[1].haAttributi());
    EXPECT_EQ(figli[1].primoAttributo(), "");
    EXPECT_TRUE(figli[2].haAttributi());
    EXPECT_EQ(figli[2].primoAttributo(), "");
    EXPECT_FALSE(figli[3].haAttributi());
    // A namespace declaration is not an attribute here, as XPath's @* does not see it either.
    EXPECT_FALSE(figli[4].haAttributi());
}

TEST(NodoXml, ChildrenAndTextOfEveryKindOfNode)
{
    DocumentoXml doc;
    ASSERT_TRUE(doc.loadXml("<R><a>1<b>2</b><!--x-->3<![CDATA[<4>]]></a></R>"));
    const NodoXml a = doc.selezionaNodo("/R/a");
    ASSERT_TRUE(a);
    const auto figli = a.nodiFigli();
    ASSERT_EQ(figli.size(), 5u);
    // Comments are no part of an element's text; CDATA is.
    EXPECT_EQ(a.testo(), "123<4>");
    EXPECT_EQ(figli[2].testo(), "x");
    // Only elements and the document have children to give.
    EXPECT_TRUE(figli[0].nodiFigli().empty());
    EXPECT_TRUE(figli[2].nodiFigli().empty());
    EXPECT_EQ(doc.selezionaNodo("/").nodiFigli().size(), 1u);

    EXPECT_FALSE(NodoXml().haAttributi());
    EXPECT_TRUE(NodoXml().nodiFigli().empty());
    EXPECT_EQ(NodoXml().primoAttributo(), "");
    EXPECT_EQ(NodoXml().testo(), "");
}

} // namespace
