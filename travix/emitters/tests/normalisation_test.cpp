#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "travix/emitters/tests/schematestsupport.h"
#include "travixexcept.h"

namespace {

using SchemaTest::FrontEnd;
using SchemaTest::InlineSchema;
using SchemaTest::Outline;
using SchemaTest::TopLevel;
using Strings = std::vector<std::string>;

class Normalisation : public ::testing::Test {
protected:
  // Parses text, normalises it and answers the outlines of <schema>'s children.
  Strings Normalised(const std::string& text) {
    schema = std::make_unique<InlineSchema>(text);
    writer.Interpret(schema->Document());
    return TopLevel(writer.GetSchemaNode());
  }

  // The message of the XException that normalising text throws.
  std::string Failure(const std::string& text) {
    schema = std::make_unique<InlineSchema>(text);
    try {
      writer.Interpret(schema->Document());
    } catch (const Travix::XException& e) {
      return e.GetMsg();
    }
    return "(no exception)";
  }

  Travix::Dom::XercesSession session;
  std::unique_ptr<InlineSchema> schema;
  FrontEnd writer;
};

TEST_F(Normalisation, AlreadyFlatSchemaIsUnchanged) {
  const std::string text =
      "<schema targetNS='urn:x'>"
      "<datatype name='size'><basetype name='integer'/></datatype>"
      "<archetype name='po' order='choice'><element name='a' type='size'/>"
      "<attribute name='id' type='ID'/></archetype>"
      "<archetype name='item'><element name='b' type='string' maxOccurs='*'/></archetype>"
      "</schema>";
  InlineSchema original(text);
  const std::string before = Outline(original.Document());
  Normalised(text);
  EXPECT_EQ(Outline(writer.GetDocument()), before);
  EXPECT_EQ(writer.GetTypesMap().size(), 3u);
}

TEST_F(Normalisation, AnonymousTypesAreNamedAfterTheirParentAndMovedOut) {
  // (The datatype then moves before the archetype that uses it.)
  auto top = Normalised(
      "<schema>"
      "<archetype name='po'>"
      "<element name='item'><archetype><element name='sku'/>"
      "<attribute name='colour'><datatype><basetype name='string'/></datatype></attribute>"
      "</archetype></element>"
      "</archetype>"
      "<archetype name='order'><element name='item'><archetype/></element></archetype>"
      "<archetype name='list'><element name='item'><archetype/></element></archetype>"
      "</schema>");
  EXPECT_EQ(top, (Strings{
                     "archetype[name=po](element[name=item type=item])",
                     "archetype[name=order](element[name=item type=item1])",
                     "archetype[name=list](element[name=item type=item2])",
                     "datatype[name=colour](basetype[name=string])",
                     "archetype[name=item](element[name=sku] attribute[name=colour type=colour])",
                     "archetype[name=item1]",
                     "archetype[name=item2]",
                 }));
  EXPECT_NE(writer.FindType(u"colour"), nullptr);
  EXPECT_EQ(writer.FindType(u"item2"), writer.GetSchemaNode()->getLastChild());
}

// Named types nested in a declaration move out too, so that their classes
// are written; before, such a class was only declared.
TEST_F(Normalisation, NamedNestedTypesAreMovedOut) {
  auto top = Normalised(
      "<schema>"
      "<archetype name='po'>"
      "<element name='item'><archetype name='Item'><element name='sku'/>"
      "<attribute name='colour'><datatype name='Colour'><basetype name='string'/></datatype>"
      "</attribute></archetype></element>"
      "<element name='note' type='string'><archetype name='Unused'/></element>"
      "</archetype>"
      "</schema>");
  EXPECT_EQ(top, (Strings{
                     "archetype[name=po](element[name=item type=Item] element[name=note type=string])",
                     "datatype[name=Colour](basetype[name=string])",
                     "archetype[name=Item](element[name=sku] attribute[name=colour type=Colour])",
                     "archetype[name=Unused]",
                 }));
  EXPECT_EQ(writer.FindType(u"Item"), writer.GetSchemaNode()->getChildNodes()->item(2));
}

TEST_F(Normalisation, AnonymousTypeTakesNoNameOfAGroup) {
  auto top = Normalised(
      "<schema><group name='item'><element name='a'/></group>"
      "<archetype name='po'><element name='item'><archetype/></element><group ref='item'/>"
      "</archetype></schema>");
  EXPECT_EQ(top[1], "archetype[name=po](element[name=item type=item1] group[ref=item])");
  EXPECT_EQ(top[2], "archetype[name=item1]");
  EXPECT_EQ(writer.FindType(u"item"), writer.GetSchemaNode()->getFirstChild());
}

TEST_F(Normalisation, NamelessThingsFailClearly) {
  EXPECT_EQ(Failure("<schema><element ref='x'><archetype/></element></schema>"),
            "Error: Found an anonymous archetype with a nameless parent");
  EXPECT_EQ(Failure("<schema><archetype name='a'><element ref='x'><datatype/></element>"
                    "</archetype></schema>"),
            "Error: Found an anonymous archetype with a nameless parent");
  EXPECT_EQ(Failure("<schema><archetype><group/></archetype></schema>"),
            "Error: Found an anonymous archetype with a nameless parent");
  EXPECT_EQ(Failure("<schema><archetype name='a'><element ref='x'><group/></element>"
                    "</archetype></schema>"),
            "Error: Found an anonymous group with a nameless parent");
  EXPECT_EQ(Failure("<schema><group order='seq'><element name='a'/></group></schema>"),
            "Error: Found a group without a name in the schema definition");
  EXPECT_EQ(Failure("<schema><archetype name=''/></schema>"),
            "Error: Found an archetype or datatype with a null string for the name");
  // An anonymous type takes its parent's name, so an empty one is refused
  // as if the type had been given it.
  EXPECT_EQ(Failure("<schema><archetype name='a'><element name=''><archetype/></element>"
                    "</archetype></schema>"),
            "Error: Found an archetype or datatype with a null string for the name");
  EXPECT_EQ(Failure("<schema><archetype name='a'><attribute name=''><datatype>"
                    "<basetype name='string'/></datatype></attribute></archetype></schema>"),
            "Error: Found an archetype or datatype with a null string for the name");
  EXPECT_EQ(Failure("<schema><archetype name='a'><element name=''><group/></element>"
                    "</archetype></schema>"),
            "Error: Found an anonymous group with a nameless parent");
  EXPECT_EQ(Failure("<root><datatype name='d'/><schema/></root>"),
            "Error: Found an archetype or datatype before the schema definition");
  EXPECT_EQ(Failure("<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'/>"),
            "Error: No valid <schema> node found. This may be an unsupported schema format. See "
            "'XML Schema Support' in the Travix Help for more details.");
}

TEST_F(Normalisation, AnonymousGroupsAreNamedByOrderAndReplacedByReferences) {
  auto top = Normalised(
      "<schema><archetype name='po'>"
      "<group order='choice'><element name='a'/><group><element name='b'/></group></group>"
      "<group order='choice'><element name='c'/></group>"
      "<group order='seq'/><group order='all'/><group/>"
      "<group name='named'><element name='d'/></group>"
      "<group ref='elsewhere'/>"
      "</archetype></schema>");
  EXPECT_EQ(top, (Strings{
                     "archetype[name=po](group[ref=poChoice] group[ref=poChoice1] group[ref=poSeq] "
                     "group[ref=poGroup] group[ref=poGroup1] group[ref=named] group[ref=elsewhere])",
                     "group[name=poChoiceGroup](element[name=b])",
                     "group[name=poChoice order=choice](element[name=a] group[ref=poChoiceGroup])",
                     "group[name=poChoice1 order=choice](element[name=c])",
                     "group[name=poSeq order=seq]",
                     "group[name=poGroup order=all]",
                     "group[name=poGroup1]",
                     "group[name=named](element[name=d])",
                 }));
  for (auto name : {u"poChoice", u"poChoiceGroup", u"named"}) {
    EXPECT_NE(writer.FindType(name), nullptr) << Travix::wstringTostring(name);
  }
  EXPECT_EQ(writer.FindType(u"elsewhere"), nullptr);
}

TEST_F(Normalisation, RepeatedSubelementNamesGetMemberNames) {
  auto top = Normalised(
      "<schema>"
      "<archetype name='a'><element name='x'/><element name='x'/><element name='y'/>"
      "<element name='x'/><element name='x1'/><attribute name='x'/></archetype>"
      "<group name='g'><element name='x'/><element name='x'/></group>"
      "<archetype name='b'><element name='x'/><element name='y'/></archetype>"
      "</schema>");
  EXPECT_EQ(top, (Strings{
                     "archetype[name=a](element[name=x] element[memberName=x1 name=x] "
                     "element[name=y] element[memberName=x2 name=x] element[memberName=x11 name=x1] "
                     "attribute[name=x])",
                     "group[name=g](element[name=x] element[memberName=x1 name=x])",
                     "archetype[name=b](element[name=x] element[name=y])",
                 }));
}

TEST_F(Normalisation, ReferencesAreReplacedByCopiesWithTheirOwnOccurrences) {
  auto top = Normalised(
      "<schema>"
      "<element name='note' type='string' minOccurs='1' maxOccurs='1'/>"
      "<element name='line'><archetype><element ref='note'/></archetype></element>"
      "<archetype name='po'>"
      "<element ref='note' maxOccurs='*'/><element ref='note' minOccurs='0'/>"
      "<element ref='line'/><element ref='unknown' minOccurs='0'/>"
      "</archetype></schema>");
  EXPECT_EQ(top[2],
            "archetype[name=po](element[maxOccurs=* minOccurs=1 name=note type=string] "
            "element[maxOccurs=1 memberName=note1 minOccurs=0 name=note type=string] "
            "element[name=line type=line] element[minOccurs=0 ref=unknown])");
  EXPECT_EQ(top[3], "archetype[name=line](element[maxOccurs=1 minOccurs=1 name=note type=string])");
  EXPECT_EQ(writer.GetReferableMap().size(), 2u);
}

TEST_F(Normalisation, CircularReferencesFailNamingTheElement) {
  // What stays inside an element (here a child element, not a type, which
  // moves out) makes the copy carry the reference back to the element.
  const std::string circular =
      "<schema><element name='a'><element ref='a'/></element>"
      "<archetype name='po'><element ref='a'/></archetype></schema>";
  EXPECT_EQ(Failure(circular), "Error: Found circular reference to <a> while resolving references.");

  // Nothing of the failed run is left over for the next one.
  auto top = Normalised(
      "<schema><element name='a' type='string'/>"
      "<archetype name='po'><element ref='a'/><element ref='a'/></archetype></schema>");
  EXPECT_EQ(top[1], "archetype[name=po](element[name=a type=string] "
                    "element[memberName=a1 name=a type=string])");
}

TEST_F(Normalisation, DatatypesMoveBeforeTheirFirstUser) {
  auto top = Normalised(
      "<schema>"
      "<datatype name='early'><basetype name='string'/></datatype>"
      "<archetype name='b'><element name='e' type='late'/><attribute name='f' type='early'/></archetype>"
      "<archetype name='a'><attribute name='g' type='late'/><element name='h' type='b'/></archetype>"
      "<datatype name='late'><basetype name='integer'/></datatype>"
      "<datatype name='unused'/>"
      "</schema>");
  Strings names;
  for (const auto& outline : top) names.push_back(outline.substr(0, outline.find('(')));
  EXPECT_EQ(names, (Strings{"datatype[name=early]", "datatype[name=late]", "archetype[name=b]",
                            "archetype[name=a]", "datatype[name=unused]"}));
}

TEST_F(Normalisation, GroupReferencesToADatatypeCountAsUse) {
  // Odd, but the rule is by name: a group child that names a datatype
  // still pulls it forward, and a type that uses itself moves nothing.
  auto top = Normalised(
      "<schema><archetype name='a'><group ref='d'/></archetype>"
      "<datatype name='d'><element name='x' type='d'/></datatype></schema>");
  EXPECT_EQ(top[0].substr(0, 16), "datatype[name=d]");
}

TEST_F(Normalisation, SecondPassOverTheSameDocumentChangesNothing) {
  Normalised(
      "<schema><element name='n' type='string'/>"
      "<archetype name='po'><element ref='n'/><element ref='n'/>"
      "<element name='item'><archetype><group order='choice'><element name='x'/></group></archetype>"
      "</element></archetype></schema>");
  const std::string first = Outline(writer.GetDocument());
  FrontEnd second;
  second.Interpret(writer.GetDocument());
  EXPECT_EQ(Outline(second.GetDocument()), first);
  EXPECT_EQ(second.GetTypesMap().size(), writer.GetTypesMap().size());
}

TEST_F(Normalisation, InterpretingAnotherDocumentForgetsTheFirst) {
  Normalised("<schema><archetype name='first'/></schema>");
  EXPECT_NE(writer.FindType(u"first"), nullptr);
  Normalised("<schema><archetype name='second'/></schema>");
  EXPECT_EQ(writer.FindType(u"first"), nullptr);
  EXPECT_EQ(writer.GetTypesMap().size(), 1u);
  EXPECT_EQ(Failure("<notaschema/>").substr(0, 31), "Error: No valid <schema> node f");
  EXPECT_EQ(writer.GetSchemaNode(), nullptr);
}

TEST_F(Normalisation, BasetypesAndNumericTypes) {
  Normalised(
      "<schema>"
      "<datatype name='count'><basetype name='integer'/><basetype name='string'/></datatype>"
      "<datatype name='size'><basetype name='count'/></datatype>"
      "<datatype name='flag'><basetype name='boolean'/></datatype>"
      "<datatype name='plain'><enumeration/></datatype>"
      "<datatype name='broken'><basetype/></datatype>"
      "<datatype name='positive'><basetype name='positive-integer'/></datatype>"
      "</schema>");
  EXPECT_EQ(writer.GetBasetype("count", writer.FindType(u"count")), u"integer");
  EXPECT_EQ(writer.GetBasetype("plain", writer.FindType(u"plain")), u"<none>");
  try {
    writer.GetBasetype("broken", writer.FindType(u"broken"));
    ADD_FAILURE() << "an unnamed basetype passed";
  } catch (const Travix::XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Invalid unnamed basetype for datatype 'broken'");
  }

  EXPECT_TRUE(writer.IsNumericType(std::string("count")));
  EXPECT_TRUE(writer.IsNumericType(u"flag"));
  EXPECT_TRUE(writer.IsNumericType(u"positive"));
  EXPECT_FALSE(writer.IsNumericType(u"size"));  // one level only
  EXPECT_FALSE(writer.IsNumericType(u"plain"));
  for (auto name : {"real", "decimal", "integer", "boolean", "non-negative-integer",
                    "non_negative_integer", "positive-integer", "non-positive-integer",
                    "negative-integer", "negative_integer"}) {
    EXPECT_TRUE(writer.IsNumericType(std::string(name))) << name;
  }
  for (auto name : {"string", "Integer", "ID", "timeInstant", ""}) {
    EXPECT_FALSE(writer.IsNumericType(std::string(name))) << name;
  }
}

}  // namespace
