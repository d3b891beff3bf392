// The converter on small XDR schemas, one rule at a time, and each of its
// failures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "travix/readers/xdr/xdrturn.h"
#include "travix/schema/tests/schemadocuments.h"
#include "travixexcept.h"

namespace {

using SchemaTest::InlineSchema;
using SchemaTest::Outline;
using Travix::ConvertMSSchemaToW3CSchema;
using Travix::XException;

const std::string kSchemaStart =
    "<?xml version='1.0'?>\n"
    "<Schema name='test' xmlns='urn:schemas-microsoft-com:xml-data'"
    " xmlns:dt='urn:schemas-microsoft-com:datatypes'>\n";
const std::string kSchemaEnd = "</Schema>\n";

class XdrConversion : public ::testing::Test {
protected:
  // Parses the declarations inside an XDR <Schema> element and converts
  // them; the document lives as long as the test.
  xercesc::DOMDocument* Convert(const std::string& declarations) {
    xercesc::DOMDocument* doc = Parse(kSchemaStart + declarations + kSchemaEnd);
    ConvertMSSchemaToW3CSchema(doc, doc);
    return doc;
  }
  std::string Converted(const std::string& declarations) { return Outline(Convert(declarations)); }

  // The XException a conversion throws.
  XException Failure(const std::string& declarations) {
    xercesc::DOMDocument* doc = Parse(kSchemaStart + declarations + kSchemaEnd);
    try {
      ConvertMSSchemaToW3CSchema(doc, doc);
    } catch (const XException& e) {
      return e;
    }
    return XException("(no exception)", "", 0);
  }

  xercesc::DOMDocument* Parse(const std::string& text) {
    return sources.emplace_back(std::make_unique<InlineSchema>(text))->Document();
  }

  Travix::Dom::XercesSession session;
  std::vector<std::unique_ptr<InlineSchema>> sources;
};

TEST_F(XdrConversion, SchemaElementLosesOnlyItsNamespaceDeclarations) {
  EXPECT_EQ(Converted(""), "schema[name=test]");
}

TEST_F(XdrConversion, SimpleElementTypesBecomeBuiltInTypesOfTheirUses) {
  EXPECT_EQ(
      Converted("<ElementType name='qty' content='textOnly' dt:type='int'/>"
                "<ElementType name='price' content='textOnly'><datatype dt:type='fixed.14.4'/></ElementType>"
                "<ElementType name='note' content='empty'/>"
                "<ElementType name='remark'><description>free text</description></ElementType>"
                "<ElementType name='line' content='eltOnly' order='seq'>"
                "  <element type='qty'/><element type='price' minOccurs='0'/>"
                "  <element type='note' maxOccurs='*'/><element type='remark'/>"
                "</ElementType>"),
      "schema[name=test](archetype[content=elemOnly name=line order=seq]("
      "element[name=qty type=integer] element[minOccurs=0 name=price type=decimal] "
      "element[maxOccurs=* name=note type=string] element[name=remark type=string]))");
}

TEST_F(XdrConversion, ComplexElementTypesStayArchetypesNamedByTheirUses) {
  // Declared after its use: the simple types are gathered before anything
  // is rewritten.
  EXPECT_EQ(Converted("<ElementType name='order' content='eltOnly' model='closed'>"
                      "  <element type='line'/><element type='unknown'/>"
                      "</ElementType>"
                      "<ElementType name='line' content='mixed'><element type='sku'/></ElementType>"
                      "<ElementType name='sku' content='textOnly'/>"),
            "schema[name=test](archetype[content=elemOnly model=closed name=order]("
            "element[name=line type=line] element[name=unknown type=unknown]) "
            "archetype[content=mixed name=line](element[name=sku type=string]))");
}

TEST_F(XdrConversion, TextElementTypeWithAttributesKeepsItsTypeOnTheArchetype) {
  EXPECT_EQ(Converted("<AttributeType name='currency'/>"
                      "<ElementType name='amount' content='textOnly' dt:type='float'>"
                      "  <attribute type='currency'/>"
                      "</ElementType>"
                      "<ElementType name='total' content='textOnly'>"
                      "  <datatype dt:type='ui4'/><attribute type='currency'/>"
                      "</ElementType>"),
            "schema[name=test](archetype[content=textOnly name=amount type=real]("
            "attribute[name=currency type=string]) "
            "archetype[content=textOnly name=total type=non-negative-integer]("
            "attribute[name=currency type=string]))");
}

TEST_F(XdrConversion, OnlyOrderValuesAreRewritten) {
  EXPECT_EQ(Converted("<ElementType name='one' content='empty'/>"
                      "<AttributeType name='kind' default='many'/>"
                      "<ElementType name='a' order='one'>"
                      "  <group order='many' minOccurs='one'><element type='one'/></group>"
                      "  <attribute type='kind'/>"
                      "</ElementType>"
                      "<ElementType name='b' order='seq'><element type='a'/></ElementType>"),
            "schema[name=test](archetype[name=a order=choice]("
            "group[minOccurs=one order=all](element[name=one type=string]) "
            "attribute[default=many name=kind type=string]) "
            "archetype[name=b order=seq](element[name=a type=a]))");
}

TEST_F(XdrConversion, AttributeTakesItsDeclarationsTypeRequirementAndDefault) {
  EXPECT_EQ(Converted("<AttributeType name='code' dt:type='nmtoken' required='no'/>"
                      "<AttributeType name='id' required='yes'><datatype dt:type='id'/></AttributeType>"
                      "<AttributeType name='note' default='none'/>"
                      "<ElementType name='item'>"
                      "  <attribute type='code'/>"
                      "  <attribute type='id'/>"
                      "  <attribute type='note'/>"
                      "</ElementType>"
                      "<ElementType name='other'>"
                      "  <attribute type='code' required='yes'/>"
                      "  <attribute type='id' required='no'/>"
                      "  <attribute type='note' default='some'/>"
                      "</ElementType>"),
            "schema[name=test](archetype[name=item]("
            "attribute[minOccurs=0 name=code type=NMTOKEN] attribute[minOccurs=1 name=id type=ID] "
            "attribute[default=none name=note type=string]) "
            "archetype[name=other]("
            "attribute[minOccurs=1 name=code type=NMTOKEN] attribute[minOccurs=0 name=id type=ID] "
            "attribute[default=some name=note type=string]))");
}

TEST_F(XdrConversion, LocalAttributeTypeHidesGlobalOneInItsOwnElementTypeOnly) {
  EXPECT_EQ(Converted("<AttributeType name='unit' dt:type='string'/>"
                      "<ElementType name='length'>"
                      "  <AttributeType name='unit' dt:type='int'/><attribute type='unit'/>"
                      "</ElementType>"
                      "<ElementType name='width'><attribute type='unit'/></ElementType>"),
            "schema[name=test](archetype[name=length](attribute[name=unit type=integer]) "
            "archetype[name=width](attribute[name=unit type=string]))");

  // Nor is it seen after its element type has been left.
  EXPECT_EQ(Failure("<ElementType name='a'><AttributeType name='x'/><attribute type='x'/></ElementType>"
                    "<attribute type='x'/>")
                .GetMsg(),
            "Error: Found an XML-Data <attribute> declaration of type 'x' without a corresponding "
            "AttributeType declaration. Cannot continue.");
}

TEST_F(XdrConversion, LaterDeclarationOfANameReplacesTheEarlierOne) {
  EXPECT_EQ(Converted("<AttributeType name='n' dt:type='int'/><AttributeType name='n' dt:type='boolean'/>"
                      "<ElementType name='v' dt:type='int'/><ElementType name='v' dt:type='uri'/>"
                      "<ElementType name='e'><element type='v'/><attribute type='n'/></ElementType>"),
            "schema[name=test](archetype[name=e](element[name=v type=uri] "
            "attribute[name=n type=boolean]))");
}

TEST_F(XdrConversion, EnumeratedAttributeGetsAnUnnamedDatatypeOfItsWords) {
  EXPECT_EQ(Converted("<AttributeType name='status' dt:type='enumeration'"
                      " dt:values='  open    held\tclosed  '/>"
                      "<ElementType name='order'><attribute type='status' required='no'/></ElementType>"),
            "schema[name=test](archetype[name=order](attribute[minOccurs=0 name=status]("
            "datatype(basetype[name=string] enumeration("
            "literal(\"open\") literal(\"held\") literal(\"closed\"))))))");
}

TEST_F(XdrConversion, WhiteSpaceTextAndDescriptionsDisappear) {
  xercesc::DOMDocument* doc = Convert(
      "<description>An -- odd remark-</description>\n\t"
      "<ElementType name='para' content='mixed'>\n"
      "  Fixed words\n  <element type='em'/>\n</ElementType>");
  EXPECT_EQ(Outline(doc),
            "schema[name=test](archetype[content=mixed name=para](\"\n  Fixed words\n  \" "
            "element[name=em type=em]))");
  const xercesc::DOMElement* schema = doc->getDocumentElement();
  ASSERT_EQ(schema->getFirstChild()->getNodeType(), xercesc::DOMNode::COMMENT_NODE);
  // Kept as a comment that can still be written out as one.
  EXPECT_EQ(Travix::wstringTostring(schema->getFirstChild()->getNodeValue()), "An - - odd remark- ");
  EXPECT_EQ(schema->getFirstChild()->getNextSibling(), schema->getFirstElementChild());
}

TEST_F(XdrConversion, EachConversionStartsWithoutDeclarations) {
  Convert(
      "<AttributeType name='code'/><ElementType name='qty' dt:type='int'/>"
      "<ElementType name='a'><element type='qty'/><attribute type='code'/></ElementType>");
  EXPECT_EQ(Converted("<ElementType name='b'><element type='qty'/></ElementType>"),
            "schema[name=test](archetype[name=b](element[name=qty type=qty]))");
  EXPECT_EQ(Failure("<ElementType name='b'><attribute type='code'/></ElementType>").GetMsg(),
            "Error: Found an XML-Data <attribute> declaration of type 'code' without a corresponding "
            "AttributeType declaration. Cannot continue.");
}

TEST_F(XdrConversion, SchemaElementAloneCanBeConverted) {
  xercesc::DOMDocument* doc =
      Parse(kSchemaStart +
            "<AttributeType name='c'/><ElementType name='q' dt:type='i2'/>"
            "<ElementType name='a'><element type='q'/><attribute type='c'/></ElementType>" +
            kSchemaEnd);
  ConvertMSSchemaToW3CSchema(nullptr, doc->getDocumentElement());
  EXPECT_EQ(Outline(doc),
            "schema[name=test](archetype[name=a](element[name=q type=integer] "
            "attribute[name=c type=string]))");
  EXPECT_NO_THROW(ConvertMSSchemaToW3CSchema(nullptr, nullptr));
}

TEST_F(XdrConversion, EveryDatatypeNameMapsToItsSchemaType) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"string", "string"},
      {"uuid", "string"},
      {"char", "string"},
      {"entity", "string"},
      {"entities", "string"},
      {"notation", "string"},
      {"number", "real"},
      {"int", "integer"},
      {"i1", "integer"},
      {"i2", "integer"},
      {"i4", "integer"},
      {"i8", "integer"},
      {"r4", "real"},
      {"r8", "real"},
      {"ui1", "non-negative-integer"},
      {"ui2", "non-negative-integer"},
      {"ui4", "non-negative-integer"},
      {"ui8", "non-negative-integer"},
      {"float", "real"},
      {"fixed.14.4", "decimal"},
      {"boolean", "boolean"},
      {"dateTime", "timeInstant"},
      {"dateTime.tz", "timeInstant"},
      {"uri", "uri"},
      {"bin.hex", "binary"},
      {"enumeration", "enumeration"},
      {"id", "ID"},
      {"idref", "IDREF"},
      {"idrefs", "IDREFS"},
      {"nmtoken", "NMTOKEN"},
      {"nmtokens", "NMTOKENS"},
      // Not in the table: other XDR types, other letter case, nothing.
      {"date", "string"},
      {"time.tz", "string"},
      {"Int", "string"},
      {"BOOLEAN", "string"},
      {"", "string"},
  };
  // Each name through a simple element type and through an archetype.
  std::string declarations;
  std::string uses;
  std::string expected = "schema[name=test](archetype[name=all](";
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::string name = "t" + std::to_string(i);
    declarations += "<ElementType name='" + name + "' content='textOnly' dt:type='" + table[i].first + "'/>";
    declarations += "<ElementType name='x" + name + "' dt:type='" + table[i].first +
                    "'><attribute type='a'/></ElementType>";
    uses += "<element type='" + name + "'/>";
    expected += std::string(i ? " " : "") + "element[name=" + name + " type=" + table[i].second + "]";
  }
  expected += ")";
  for (std::size_t i = 0; i < table.size(); ++i) {
    expected += " archetype[name=xt" + std::to_string(i) + " type=" + table[i].second +
                "](attribute[name=a type=string])";
  }
  expected += ")";
  EXPECT_EQ(
      Converted("<AttributeType name='a'/><ElementType name='all'>" + uses + "</ElementType>" + declarations),
      expected);
}

TEST_F(XdrConversion, EveryFailureNamesItsCauseAndStopsTheConversion) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<ElementType name='a'><datatype/></ElementType>",
       "Error: Found an XML-Data <datatype> declaration for ElementType 'a' without a dt:type attribute. "
       "Cannot continue."},
      {"<ElementType name='gr\xC3\xB6\xC3\x9F\x65'><datatype dt:values='x'/></ElementType>",
       "Error: Found an XML-Data <datatype> declaration for ElementType 'gr\xC3\xB6\xC3\x9F\x65' without a "
       "dt:type attribute. Cannot continue."},
      {"<ElementType content='empty'/>",
       "Error: Found an XML-Data ElementType without a name. Cannot continue."},
      // The name is the first thing wrong with a nameless type, simple or not.
      {"<ElementType><datatype/><element type='x'/></ElementType>",
       "Error: Found an XML-Data ElementType without a name. Cannot continue."},
      {"<ElementType name=''/>",
       "Error: Found an XML-Data ElementType declaration with a null name. Cannot continue."},
      {"<AttributeType dt:type='int'/>",
       "Error: Found an XML-Data AttributeType declaration without a name. Cannot continue."},
      {"<ElementType name='e'><AttributeType/><attribute type='a'/></ElementType>",
       "Error: Found an XML-Data AttributeType declaration without a name. Cannot continue."},
      {"<AttributeType name=''/>",
       "Error: Found an XML-Data AttributeType declaration with a null name. Cannot continue."},
      {"<AttributeType name='b'><datatype/></AttributeType>",
       "Error: Found an XML-Data <datatype> declaration for AttributeType 'b' without a dt:type attribute. "
       "Cannot continue."},
      {"<ElementType name='e'><AttributeType name='b'><datatype/></AttributeType></ElementType>",
       "Error: Found an XML-Data <datatype> declaration for AttributeType 'b' without a dt:type attribute. "
       "Cannot continue."},
      {"<AttributeType name='b'/><ElementType name='e'><attribute/></ElementType>",
       "Error: Found an XML-Data <attribute> declaration with a type specification. Cannot continue."},
      {"<ElementType name='e'><attribute type='missing'/></ElementType>",
       "Error: Found an XML-Data <attribute> declaration of type 'missing' without a corresponding "
       "AttributeType declaration. Cannot continue."},
      {"<AttributeType name='s' dt:type='enumeration'/><ElementType name='e'><attribute "
       "type='s'/></ElementType>",
       "Error: Found an XML-Data enumeration declaration for AttributeType 's' without a dt:values "
       "attribute. "
       "Cannot continue."},
      {"<AttributeType name='s' dt:type='enumeration' dt:values=''/>"
       "<ElementType name='e'><attribute type='s'/></ElementType>",
       "Error: Found an XML-Data enumeration declaration for AttributeType 's' without a dt:values "
       "attribute. "
       "Cannot continue."},
      {"<ElementType name='e'><element minOccurs='0'/></ElementType>",
       "Error: Found an XML-Data <element> declaration without a type attribute. Cannot continue."},
      {"<ElementType name='e'><element type=''/></ElementType>",
       "Error: Found an XML-Data <element> declaration without a type attribute. Cannot continue."},
  };
  for (const auto& [declarations, message] : cases) {
    const XException failure = Failure(declarations);
    EXPECT_EQ(failure.GetMsg(), message) << declarations;
    EXPECT_NE(failure.GetSourceFile().find("xdrturn"), std::string::npos) << failure.GetSourceFile();
  }
}

TEST_F(XdrConversion, FailureLeavesTheDocumentAsFarAsItWasRewritten) {
  xercesc::DOMDocument* doc =
      Parse(kSchemaStart +
            "<AttributeType name='s' dt:type='enumeration'/>"
            "<ElementType name='e' content='eltOnly'><attribute type='s'/><element type='f'/></ElementType>" +
            kSchemaEnd);
  EXPECT_THROW(ConvertMSSchemaToW3CSchema(doc, doc), XException);
  EXPECT_EQ(Outline(doc),
            "schema[name=test](archetype[content=elemOnly name=e](attribute[name=s](datatype("
            "basetype[name=string] enumeration)) element[type=f]))");
}

}  // namespace
