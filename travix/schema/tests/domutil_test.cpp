#include <gtest/gtest.h>

#include <memory>

#include <xercesc/dom/DOM.hpp>

#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"

namespace {

using namespace xercesc;
namespace Dom = Travix::Dom;
namespace V = Travix::Vocabulary;

class DomUtil : public ::testing::Test {
protected:
  void SetUp() override {
    DOMImplementation* impl = DOMImplementationRegistry::getDOMImplementation(u"Core");
    doc = impl->createDocument(nullptr, V::Elem::Schema, nullptr);
    root = doc->getDocumentElement();
  }
  void TearDown() override { doc->release(); }

  Dom::XercesSession session;
  DOMDocument* doc = nullptr;
  DOMElement* root = nullptr;
};

TEST_F(DomUtil, AbsentAttributeDiffersFromEmpty) {
  DOMElement* element = doc->createElement(V::Elem::Element);
  root->appendChild(element);
  EXPECT_FALSE(Dom::GetAttribute(element, V::Attr::Default).has_value());
  EXPECT_EQ(Dom::GetAttributeOr(element, V::Attr::Order, V::Value::Seq), u"seq");

  Dom::SetAttribute(element, V::Attr::Default, u"");
  auto value = Dom::GetAttribute(element, V::Attr::Default);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(*value, u"");
  EXPECT_EQ(Dom::GetAttributeOr(element, V::Attr::Default, u"x"), u"");
}

TEST_F(DomUtil, ChildElementsSkipTextAndFilterByName) {
  root->appendChild(doc->createTextNode(u"\n  "));
  root->appendChild(doc->createElement(V::Elem::Archetype));
  root->appendChild(doc->createComment(u"c"));
  root->appendChild(doc->createElement(V::Elem::Datatype));
  root->appendChild(doc->createElement(V::Elem::Archetype));

  EXPECT_EQ(Dom::ChildElements(root).size(), 3u);
  auto archetypes = Dom::ChildElements(root, V::Elem::Archetype);
  ASSERT_EQ(archetypes.size(), 2u);
  EXPECT_EQ(Dom::FirstChildElement(root), archetypes[0]);
  EXPECT_EQ(Dom::NameOf(Dom::FirstChildElement(root, V::Elem::Datatype)), u"datatype");
  EXPECT_EQ(Dom::FirstChildElement(root, V::Elem::Group), nullptr);
  EXPECT_TRUE(Dom::IsElement(archetypes[1], V::Elem::Archetype));
  EXPECT_FALSE(Dom::IsElement(root->getFirstChild()));
}

TEST_F(DomUtil, VocabularyIsCaseSensitive) {
  EXPECT_TRUE(V::IsBuiltInType(u"non-negative-integer"));
  EXPECT_FALSE(V::IsBuiltInType(u"non_negative_integer"));
  EXPECT_TRUE(V::IsBuiltInType(u"NMTOKENS"));
  EXPECT_FALSE(V::IsBuiltInType(u"nmtokens"));
  EXPECT_TRUE(V::IsFacet(u"maxLength"));
  EXPECT_FALSE(V::IsFacet(u"MaxLength"));
  EXPECT_FALSE(V::IsFacet(u"enumeration"));

  DOMElement* literal = doc->createElement(V::Elem::Literal);
  literal->appendChild(doc->createTextNode(u"in stock"));
  EXPECT_EQ(Dom::TextOf(literal), u"in stock");
}

}  // namespace
