#include <gtest/gtest.h>

#include <tuple>
#include <type_traits>

#include "schematestsupport.h"
#include "travix/emitters/tqcodesrcwriter.h"
#include "travix/emitters/tqcppschemasrcwriter.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/schema/domutil.h"
#include "travixexcept.h"

namespace {

using Travix::TqCodeSrcWriter;
using Travix::XException;

class CodeWriter : public TqCodeSrcWriter {
public:
  bool Emit() override {
    PrepareEmit();
    return true;
  }
  using TqCodeSrcWriter::Emit;
  using TqCodeSrcWriter::ChildOccurrences;
  using TqCodeSrcWriter::ClassIdentifier;
  using TqCodeSrcWriter::ClassName;
  using TqCodeSrcWriter::GetSchemaNode;
  using TqCodeSrcWriter::GetEndL;
  using TqCodeSrcWriter::GetListSizeFunc;
  using TqCodeSrcWriter::GetStringPtr;
  using TqCodeSrcWriter::QualifiedName;
  using TqCodeSrcWriter::RuntimeName;
  using TqCodeSrcWriter::XMLStringToCppString;
  using TqCodeSrcWriter::XMLTagToCppIdentifier;
  using TqCodeSrcWriter::XMLTypeToCppType;
  using TqCodeSrcWriter::XMLTypeToParserType;
  using TqCodeSrcWriter::XMLTypeToTravixType;
  using TqCodeSrcWriter::FindChildType;
  using TqCodeSrcWriter::FindType;
  using TqCodeSrcWriter::IsNumericValue;
};

// Writers own their parser and their document's nodes; a copy would share
// or lose them.
static_assert(!std::is_copy_assignable_v<Travix::TqSrcWriter>);
static_assert(!std::is_copy_assignable_v<Travix::TqSchemaSrcWriter>);
static_assert(!std::is_copy_assignable_v<Travix::TqCppSchemaSrcWriter>);
static_assert(!std::is_copy_assignable_v<Travix::TqXMLParserSrcWriter>);
static_assert(!std::is_copy_constructible_v<Travix::TqSrcWriter>);
static_assert(!std::is_copy_constructible_v<Travix::TqSchemaSrcWriter>);

struct TypeRow {
  const char16_t* schemaType;
  const char* runtimeClass;
  const char* plainType;  // nullptr: the string type
  bool parsedAsString;
};

const TypeRow kRows[] = {
    {u"NMTOKEN", "NMTOKEN", nullptr, true},
    {u"string", "string", nullptr, true},
    {u"NMTOKENS", "NMTOKENS", "NMTOKENS", true},
    {u"timeInstant", "timeInstant", nullptr, true},
    {u"timeDuration", "timeDuration", nullptr, true},
    {u"recurringInstant", "recurringInstant", nullptr, true},
    {u"binary", "binary", nullptr, true},
    {u"uri", "uri", nullptr, true},
    {u"language", "language", nullptr, true},
    {u"Name", "Name", nullptr, true},
    {u"NCName", "NCName", nullptr, true},
    {u"ID", "ID", nullptr, true},
    {u"IDREF", "IDREF", nullptr, true},
    {u"IDREFS", "IDREFS", "IDREFS", true},
    {u"date", "date", nullptr, true},
    {u"time", "time", nullptr, true},
    {u"boolean", "boolean", "bool", false},
    {u"real", "real", "double", false},
    {u"decimal", "decimal", "double", false},
    {u"integer", "integer", "long", false},
    {u"non-negative-integer", "non_negative_integer", "unsigned long", false},
    {u"positive-integer", "positive_integer", "unsigned long", false},
    {u"non-positive-integer", "non_positive_integer", "long", false},
    {u"negative-integer", "negative_integer", "long", false},
};

class TypeMapping : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(TypeMapping, EveryRowInEveryMode) {
  auto [mfc, namespaceDisabled] = GetParam();
  CodeWriter writer;
  writer.SetMFCUsage(mfc);
  writer.SetNamespaceDisabled(namespaceDisabled);
  const std::string runtime = namespaceDisabled ? "Travix_" : "Travix::";
  const std::string stringType = mfc ? "CString" : "std::string";
  for (const TypeRow& row : kRows) {
    SCOPED_TRACE(Travix::wstringTostring(row.schemaType));
    EXPECT_EQ(writer.XMLTypeToTravixType(row.schemaType), runtime + row.runtimeClass);
    EXPECT_EQ(writer.XMLTypeToCppType(row.schemaType), row.plainType ? row.plainType : stringType);
    EXPECT_EQ(writer.XMLTypeToParserType(row.schemaType),
              row.parsedAsString ? stringType : row.plainType);
  }
}

INSTANTIATE_TEST_SUITE_P(MfcAndDelimiter, TypeMapping,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

TEST(TypeMappingErrors, OnlyVocabularySpellingsAreKnown) {
  CodeWriter writer;
  for (const char16_t* unknown : {u"positive_integer", u"String", u"float", u""}) {
    try {
      writer.XMLTypeToTravixType(unknown);
      ADD_FAILURE() << "accepted " << Travix::wstringTostring(unknown);
    } catch (const XException& e) {
      EXPECT_EQ(e.GetMsg(), "Error: Unknown type '" + Travix::wstringTostring(unknown) + "' found");
    }
    EXPECT_THROW(writer.XMLTypeToCppType(unknown), XException);
  }
}

TEST(Identifiers, CharactersDigitsAndEmptyNames) {
  CodeWriter writer;
  EXPECT_EQ(writer.XMLTagToCppIdentifier(u"2nd-item", false), "X2nd_item");
  EXPECT_EQ(writer.XMLTagToCppIdentifier(u"2nd-item", true), "2nd_item");
  EXPECT_EQ(writer.XMLTagToCppIdentifier(u"a.b:c", false), "a_b_c");
  EXPECT_EQ(writer.XMLTagToCppIdentifier(u"", false), "");
  EXPECT_EQ(writer.XMLTagToCppIdentifier(u"Caf\u00e9", false), "Caf__");
  // Keywords stay as they are where they only ever follow a prefix
  // (members: m_p..., Get_..., Set_...).
  EXPECT_EQ(writer.XMLTagToCppIdentifier(u"class", true), "class");
}

TEST(Identifiers, ClassNamesAvoidKeywordsAndGeneratedNames) {
  CodeWriter writer;
  for (const char16_t* name : {u"class", u"default", u"int", u"new", u"union", u"Initialize",
                               u"Get_targetNS", u"std", u"Travix", u"error", u"NULL",
                               // Members a generated class declares or calls.
                               u"create", u"clone", u"SetTag", u"IsValid", u"SetChoice",
                               u"m_pAttributesMap", u"SetValue",
                               // Macros of the runtime and of the generated code.
                               u"TRAVIX_USE_MFC", u"TRAVIX_API", u"_TRAVIX_SUPPRESS_READ_SUPPORT"}) {
    std::string identifier = writer.ClassIdentifier(name);
    EXPECT_EQ(identifier, Travix::wstringTostring(name) + "_");
  }
  EXPECT_EQ(writer.ClassIdentifier(u"item"), "item");
  EXPECT_EQ(writer.ClassIdentifier(u"Class"), "Class");
  EXPECT_EQ(writer.ClassIdentifier(u"time"), "time");
  EXPECT_EQ(writer.ClassIdentifier(u"1"), "X1");
}

TEST(Identifiers, ClassNamesAvoidTheMacrosOfTheGeneratedFiles) {
  CodeWriter writer;
  writer.SetOutputFileName("my-types");
  // Before the namespace is known only the base name's macros count.
  EXPECT_EQ(writer.ClassIdentifier(u"MY_TYPES_API"), "MY_TYPES_API_");
  EXPECT_EQ(writer.ClassIdentifier(u"NS_API"), "NS_API");
  writer.SetNamespace("ns");
  writer.SetOutputFileName("my-types");
  for (const char16_t* name :
       {u"_MY_TYPES_H", u"MY_TYPES_API", u"MY_TYPES_NAMESPACE", u"MY_TYPES_CLASS",
        u"MY_TYPES_EXPORTS", u"_NS_H", u"NS_API", u"NS_CLASS", u"NS_NAMESPACE",
        u"_NS_XMLIMPORTER_H", u"NS_XMLIMPORTER_API", u"NS_EXPORTS"}) {
    EXPECT_EQ(writer.ClassIdentifier(name), writer.XMLTagToCppIdentifier(name, false) + "_");
  }
  for (const char16_t* name : {u"NS_H", u"_NS_API", u"ns_API", u"my-types_API", u"_H", u"API", u"NS_", u"OTHER_API",
                               u"_MY_TYPES_XMLIMPORTER", u"NS_APIS"}) {
    EXPECT_EQ(writer.ClassIdentifier(name), writer.XMLTagToCppIdentifier(name, false));
  }
}

TEST(Escaping, QuotesBackslashesLineBreaksAndControls) {
  CodeWriter writer;
  std::string text = "\"quoted\" and more";
  writer.XMLStringToCppString(text);
  EXPECT_EQ(text, "\\\"quoted\\\" and more");

  text = "a\nb\nc";
  writer.XMLStringToCppString(text);
  EXPECT_EQ(text, "a\\n\"\n\"b\\n\"\n\"c");

  text = "c:\\dir\r\tx\x01" "9\x7f";
  writer.XMLStringToCppString(text);
  EXPECT_EQ(text, "c:\\\\dir\\r\\tx\\0019\\177");

  text = "caf\xC3\xA9";
  writer.XMLStringToCppString(text);
  EXPECT_EQ(text, "caf\xC3\xA9");
}

TEST(Options, NamespaceNamesFilesAndDelimiterFollowsTheFlag) {
  CodeWriter writer;
  EXPECT_TRUE(writer.GetDLLExportUsage());
  EXPECT_FALSE(writer.GetMFCUsage());
  EXPECT_EQ(writer.GetHeaderSuffix(), ".h");
  EXPECT_EQ(writer.GetCppSuffix(), ".cpp");
  writer.SetNamespace("abc");
  EXPECT_EQ(writer.GetOutputFileName(), "abc");
  EXPECT_EQ(writer.RuntimeName("XObject"), "Travix::XObject");
  EXPECT_EQ(writer.QualifiedName("Item"), "abc::Item");
  EXPECT_EQ(writer.ClassName("Item"), "Item");
  writer.SetNamespaceDisabled(true);
  EXPECT_EQ(writer.RuntimeName("XObjectFactory"), "Travix_XObjectFactory");
  EXPECT_EQ(writer.QualifiedName("Item"), "abc_Item");
  EXPECT_EQ(writer.ClassName("Item"), "abc_Item");
  writer.SetNamespaceDisabled(false);
  EXPECT_EQ(writer.QualifiedName("Item"), "abc::Item");
  writer.SetMFCUsage(true);
  EXPECT_STREQ(writer.GetEndL(), "Travix::EndL");
  EXPECT_STREQ(writer.GetListSizeFunc(), "GetCount()");
  EXPECT_STREQ(writer.GetStringPtr(), "GetBuffer(0)");
}

class PrepareEmitTest : public ::testing::Test {
protected:
  std::string EmitError(const std::string& schema, const std::string& ns) {
    SchemaTest::InlineSchema doc(schema);
    CodeWriter writer;
    writer.SetOutputFileName("base");
    if (!ns.empty()) writer.SetNamespace(ns);
    writer.Interpret(doc.Document());
    try {
      writer.Emit();
    } catch (const XException& e) {
      return e.GetMsg();
    }
    return writer.GetNamespace();
  }
  Travix::Dom::XercesSession session;
};

TEST_F(PrepareEmitTest, NamespaceDefaultsToBaseNameAndMustNotNameAType) {
  const std::string schema = "<schema><archetype name='po'/><archetype name='item-x'/></schema>";
  EXPECT_EQ(EmitError(schema, ""), "base");
  EXPECT_EQ(EmitError(schema, "ns"), "ns");
  const std::string conflict =
      "Error: the specified namespace conflicts with an element name in the DTD/schema\n"
      "Retry the Travix tool with a different namespace name.";
  EXPECT_EQ(EmitError(schema, "po"), conflict);
  EXPECT_EQ(EmitError(schema, "item_x"), conflict);
}

TEST_F(PrepareEmitTest, TwoTypesWithOneIdentifierAreNamedInTheError) {
  EXPECT_EQ(EmitError("<schema><archetype name='a-b'/><datatype name='a.b'/></schema>", "ns"),
            "Error: the names 'a-b' and 'a.b' both become the class identifier 'a_b'");
  EXPECT_EQ(EmitError("<schema><archetype name='class'/><archetype name='class_'/></schema>", "ns"),
            "Error: the names 'class' and 'class_' both become the class identifier 'class_'");
  EXPECT_EQ(EmitError("<schema><archetype name='NS_API'/><archetype name='NS_API_'/></schema>",
                      "ns"),
            "Error: the names 'NS_API' and 'NS_API_' both become the class identifier 'NS_API_'");
  // The types map keeps one entry per name; each element would be a class.
  const std::string twice = "Error: the names 'a' and 'a' both become the class identifier 'a'";
  EXPECT_EQ(EmitError("<schema><archetype name='a'/><datatype name='a'>"
                      "<basetype name='string'/></datatype></schema>",
                      "ns"),
            twice);
  EXPECT_EQ(EmitError("<schema><archetype name='a'/><archetype name='a'/></schema>", "ns"), twice);
  EXPECT_EQ(EmitError("<schema><group name='a'/><archetype name='a'/></schema>", "ns"), twice);
  // One anonymous type named after its parent beside a type of that name
  // gets a name of its own.
  EXPECT_EQ(EmitError("<schema><archetype name='a'><element name='a'><archetype/></element>"
                      "</archetype></schema>",
                      "ns"),
            "ns");
}

TEST_F(PrepareEmitTest, OccurrencesAreReadAlikeForBothWriters) {
  SchemaTest::InlineSchema doc(
      "<schema><archetype name='a'>"
      "<element name='plain'/>"
      "<element name='optional' minOccurs='0'/>"
      "<element name='many' maxOccurs='*'/>"
      "<element name='two' minOccurs='0' maxOccurs='2'/>"
      "<element name='sloppy' minOccurs=' 3x' maxOccurs='abc'/>"
      "<group ref='g'/>"
      "</archetype>"
      "<group name='g' minOccurs='0' maxOccurs='*'><element name='x'/></group></schema>");
  CodeWriter writer;
  writer.Interpret(doc.Document());
  auto children = Travix::Dom::ChildElements(
      Travix::Dom::FirstChildElement(writer.GetSchemaNode(), u"archetype"));
  ASSERT_EQ(children.size(), 6u);
  struct Expected {
    int min, max;
    bool unbounded, repeated, mayBeAbsent;
  };
  const Expected expected[] = {{0, 0, false, false, false}, {0, 1, false, false, true},
                               {0, 0, true, true, true},    {0, 2, false, true, true},
                               {3, 0, false, true, false},  {0, 0, true, true, true}};
  for (std::size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE(i);
    auto occurrences = writer.ChildOccurrences(children[i]);
    EXPECT_EQ(occurrences.min, expected[i].min);
    EXPECT_EQ(occurrences.max, expected[i].max);
    EXPECT_EQ(occurrences.unbounded, expected[i].unbounded);
    EXPECT_EQ(occurrences.IsRepeated(), expected[i].repeated);
    EXPECT_EQ(occurrences.MayBeAbsent(), expected[i].mayBeAbsent);
  }
}

// A DTD may declare elements named like built-in types ("string" in
// fontconfig's fonts.dtd); attributes still hold the built-in values.
TEST_F(PrepareEmitTest, AttributeTypesNeverNameArchetypes) {
  SchemaTest::InlineSchema doc(
      "<schema><archetype name='font'>"
      "<attribute name='family' type='string'/><attribute name='size' type='integer'/>"
      "<attribute name='weight' type='weight'/>"
      "<element name='string' type='string'/><element name='w' type='weight'/></archetype>"
      "<archetype name='string' content='textOnly'/><archetype name='integer'/>"
      "<datatype name='weight'><basetype name='integer'/></datatype></schema>");
  CodeWriter writer;
  writer.Interpret(doc.Document());
  auto children = Travix::Dom::ChildElements(writer.FindType(u"font"));
  ASSERT_EQ(children.size(), 5u);
  const auto* family = children[0];
  const auto* size = children[1];
  const auto* weight = children[2];
  const auto* stringElement = children[3];
  EXPECT_EQ(writer.FindChildType(family, u"string"), nullptr);
  EXPECT_EQ(writer.FindChildType(size, u"integer"), nullptr);
  EXPECT_EQ(writer.FindChildType(weight, u"weight"), writer.FindType(u"weight"));
  EXPECT_EQ(writer.FindChildType(stringElement, u"string"), writer.FindType(u"string"));

  EXPECT_TRUE(writer.IsNumericValue(nullptr, u"integer"));
  EXPECT_FALSE(writer.IsNumericValue(nullptr, u"string"));
  EXPECT_TRUE(writer.IsNumericValue(writer.FindType(u"weight"), u"weight"));
  EXPECT_FALSE(writer.IsNumericValue(writer.FindType(u"integer"), u"integer"));
}

}  // namespace
