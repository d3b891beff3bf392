// The XDR corpus converted and handed to the schema front end, as the
// generator does: each schema must normalise into a document both code
// writers can walk, and the sample documents beside the corpus must use only
// what their schema declares.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"
#include "travix/emitters/tests/schematestsupport.h"
#include "travix/readers/xdr/xdrturn.h"
#include "travix/schema/pathutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travixexcept.h"

namespace {

namespace Dom = Travix::Dom;
namespace Schema = Travix::Vocabulary;
using SchemaTest::FrontEnd;
using SchemaTest::Outline;
using Travix::wstringTostring;
using xercesc::DOMElement;
using xercesc::DOMNode;

const std::vector<std::string> kCorpus = {"purchaseorder.xdr", "catalog.xml", "shipnotice.biz"};

std::string CorpusPath(const std::string& name) { return Travix::JoinPath(XDR_CORPUS_DIR, name); }

// Every element of the tree below node, node included.
std::vector<DOMElement*> ElementsOf(DOMNode* node) {
  std::vector<DOMElement*> elements;
  std::function<void(DOMNode*)> collect = [&](DOMNode* at) {
    if (Dom::IsElement(at)) elements.push_back(static_cast<DOMElement*>(at));
    for (DOMNode* child = at->getFirstChild(); child; child = child->getNextSibling()) collect(child);
  };
  collect(node);
  return elements;
}

// A corpus file read as the generator reads it, then converted.
class ConvertedFile {
public:
  explicit ConvertedFile(const std::string& path) {
    m_parser.setErrorHandler(&m_reporter);
    m_parser.parse(path.c_str());
    Travix::ConvertMSSchemaToW3CSchema(Document(), Document());
  }
  xercesc::DOMDocument* Document() { return m_parser.getDocument(); }

private:
  Travix::DOMErrorReporter m_reporter;
  Travix::SecureDOMParser m_parser;
};

class XdrCorpus : public ::testing::TestWithParam<std::string> {
protected:
  Dom::XercesSession session;
};

TEST_P(XdrCorpus, ConvertsIntoASchemaBothWritersCanWalk) {
  ConvertedFile file(CorpusPath(GetParam()));
  // The generator hands one document to both writers in turn.
  FrontEnd first;
  FrontEnd second;
  ASSERT_NO_THROW(first.Interpret(file.Document()));
  const std::string normalised = Outline(file.Document());
  ASSERT_NO_THROW(second.Interpret(file.Document()));
  EXPECT_EQ(Outline(file.Document()), normalised);

  for (const DOMElement* element : ElementsOf(file.Document())) {
    const std::string name = wstringTostring(Dom::NameOf(element));
    for (const char16_t* xdrOnly : {u"ElementType", u"AttributeType", u"Schema", u"description"}) {
      EXPECT_FALSE(Dom::IsElement(element, xdrOnly)) << name;
    }
    for (const char16_t* xdrOnly : {u"dt:type", u"dt:values", u"required", u"xmlns", u"xmlns:dt"}) {
      EXPECT_FALSE(Dom::GetAttribute(element, xdrOnly)) << name << " " << wstringTostring(xdrOnly);
    }
    if (FrontEnd::ClassTypeOf(element) && !Dom::GetAttribute(element, Schema::Attr::Ref)) {
      EXPECT_NO_THROW(FrontEnd::ContentModelOf(element, name));
      EXPECT_NO_THROW(FrontEnd::OrderOf(element, name));
    }
    // Every type a writer will look up exists.
    if (Dom::IsElement(element, Schema::Elem::Element) || Dom::IsElement(element, Schema::Elem::Attribute)) {
      const std::u16string type = Dom::GetAttributeOr(element, Schema::Attr::Type, u"string");
      EXPECT_TRUE(Schema::IsBuiltInType(type) || second.FindType(type)) << wstringTostring(type);
    }
    if (auto ref = Dom::GetAttribute(element, Schema::Attr::Ref)) {
      EXPECT_TRUE(second.FindType(*ref)) << wstringTostring(*ref);
    }
  }

  // The normalised schema file reads back as a schema of its own.
  TestSupport::TempDir dir;
  second.SetOutputDir(dir.Path());
  second.SetOutputFileName("corpus");
  second.EmitSchema();
  FrontEnd reader;
  ASSERT_NO_THROW(reader.Interpret(Travix::JoinPath(dir.Path(), "Travix_corpus.xsd")));
  EXPECT_EQ(reader.GetTypesMap().size(), second.GetTypesMap().size());
}

TEST_P(XdrCorpus, SampleDocumentUsesOnlyDeclaredNames) {
  ConvertedFile file(CorpusPath(GetParam()));
  FrontEnd writer;
  writer.Interpret(file.Document());

  std::set<std::u16string> declaredElements;
  for (const DOMElement* element : ElementsOf(writer.GetSchemaNode())) {
    if (Dom::IsElement(element, Schema::Elem::Element)) {
      declaredElements.insert(Dom::GetAttributeOr(element, Schema::Attr::Name));
    }
  }

  const std::string stem = std::filesystem::path(GetParam()).stem().string();
  SchemaTest::InlineSchema sample(TestSupport::ReadFile(CorpusPath("documents/" + stem + ".xml")));
  ASSERT_NE(sample.Document()->getDocumentElement(), nullptr);
  for (const DOMElement* used : ElementsOf(sample.Document())) {
    const std::u16string name = Dom::NameOf(used);
    // The root has no element declaration of its own, only its archetype.
    if (used != sample.Document()->getDocumentElement()) {
      EXPECT_TRUE(declaredElements.contains(name)) << wstringTostring(name);
    }
    const DOMElement* archetype = writer.FindType(name);
    // Simple element types live on only as typed elements.
    if (!archetype) {
      EXPECT_EQ(used->getAttributes()->getLength(), 0u) << wstringTostring(name);
      continue;
    }
    const xercesc::DOMNamedNodeMap* attributes = used->getAttributes();
    for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
      const std::u16string attribute = attributes->item(i)->getNodeName();
      bool declared = false;
      for (const DOMElement* candidate : Dom::ChildElements(archetype, Schema::Elem::Attribute)) {
        declared = declared || Dom::GetAttribute(candidate, Schema::Attr::Name) == attribute;
      }
      EXPECT_TRUE(declared) << wstringTostring(name) << " " << wstringTostring(attribute);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Schemas, XdrCorpus, ::testing::ValuesIn(kCorpus),
                         [](const auto& info) { return std::filesystem::path(info.param).stem().string(); });

TEST(XdrCorpusPurchaseOrder, NormalisesIntoTheExpectedTypes) {
  Dom::XercesSession session;
  ConvertedFile file(CorpusPath("purchaseorder.xdr"));
  FrontEnd writer;
  writer.Interpret(file.Document());
  EXPECT_EQ(
      SchemaTest::TopLevel(writer.GetSchemaNode()),
      (std::vector<std::string>{
          "archetype[content=textOnly name=price type=decimal]("
          "attribute[default=EUR name=currency type=NMTOKEN])",
          "datatype[name=country](basetype[name=string] enumeration("
          "literal(\"DE\") literal(\"FR\") literal(\"GB\") literal(\"US\")))",
          "archetype[content=elemOnly name=address order=seq]("
          "attribute[default=US minOccurs=0 name=country type=country] "
          "element[name=fullName type=string] element[maxOccurs=* name=street type=string] "
          "element[name=city type=string] element[minOccurs=0 name=zip type=non-negative-integer])",
          "archetype[content=elemOnly name=item order=seq]("
          "attribute[minOccurs=1 name=partNum type=ID] element[name=productName type=string] "
          "element[name=quantity type=integer] element[name=price type=price] "
          "element[minOccurs=0 name=comment type=string] "
          "element[minOccurs=0 name=shipDate type=timeInstant] "
          "element[minOccurs=0 name=gift type=string])",
          "archetype[content=elemOnly name=items](element[maxOccurs=* minOccurs=0 name=item type=item])",
          "archetype[content=elemOnly name=shipping order=choice]("
          "element[name=express type=string] element[name=ground type=string])",
          "datatype[name=status](basetype[name=string] enumeration("
          "literal(\"open\") literal(\"held\") literal(\"shipped\") literal(\"closed\")))",
          "archetype[content=elemOnly name=purchaseOrder order=seq]("
          "attribute[minOccurs=1 name=orderDate type=timeInstant] "
          "attribute[default=open name=status type=status] element[name=address type=address] "
          "element[name=shipping type=shipping] element[minOccurs=0 name=comment type=string] "
          "element[name=items type=items])"}));
}

// The schema front end names the converter's unnamed datatype of an
// enumerated attribute after the attribute.
TEST(XdrFrontEnd, EnumeratedAttributeTypeIsNamedAfterItsAttribute) {
  Dom::XercesSession session;
  SchemaTest::InlineSchema schema(
      "<?xml version='1.0'?>\n"
      "<Schema name='test' xmlns='urn:schemas-microsoft-com:xml-data'"
      " xmlns:dt='urn:schemas-microsoft-com:datatypes'>\n"
      "<AttributeType name='status' dt:type='enumeration' dt:values='a b'/>"
      "<ElementType name='order'><attribute type='status'/></ElementType></Schema>\n");
  Travix::ConvertMSSchemaToW3CSchema(schema.Document(), schema.Document());
  FrontEnd writer;
  writer.Interpret(schema.Document());
  EXPECT_EQ(SchemaTest::TopLevel(writer.GetSchemaNode()),
            (std::vector<std::string>{
                "datatype[name=status](basetype[name=string] enumeration(literal(\"a\") literal(\"b\")))",
                "archetype[name=order](attribute[name=status type=status])"}));
}

}  // namespace
