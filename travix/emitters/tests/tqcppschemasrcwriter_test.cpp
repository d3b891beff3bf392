#include "travix/emitters/tqcppschemasrcwriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/tempdir.h"
#include "travix/emitters/tests/schematestsupport.h"
#include "travix/schema/pathutil.h"
#include "travixexcept.h"

namespace {

using SchemaTest::InlineSchema;
using TestSupport::ReadFile;
using TestSupport::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;
using Travix::JoinPath;
using Travix::XException;

struct Options {
  std::string ns = "ns";
  bool noNamespace = false;
  bool dllExport = false;
  bool mfc = false;
};

// Both generated files, or the message of the exception generation threw.
struct Generated {
  std::string header;
  std::string source;
  std::string error;
};

class BindingText : public ::testing::Test {
 protected:
  Generated Generate(const std::string& schema, const Options& options = {}) {
    InlineSchema doc(schema);
    Travix::TqCppSchemaSrcWriter writer;
    writer.SetOutputDir(dir.Path());
    writer.SetOutputFileName("base");
    if (!options.ns.empty()) writer.SetNamespace(options.ns);
    writer.SetNamespaceDisabled(options.noNamespace);
    writer.SetDLLExportUsage(options.dllExport);
    writer.SetMFCUsage(options.mfc);
    Generated generated;
    try {
      writer.Interpret(doc.Document());
      writer.Emit();
    } catch (const XException& e) {
      generated.error = e.GetMsg();
    }
    const std::string base = writer.GetOutputFileName();
    generated.header = ReadFile(JoinPath(dir.Path(), base + ".h"));
    generated.source = ReadFile(JoinPath(dir.Path(), base + ".cpp"));
    return generated;
  }

  // Generation must fail; the message it failed with.
  std::string ErrorOf(const std::string& schema) {
    Generated generated = Generate(schema);
    EXPECT_FALSE(generated.error.empty());
    return generated.error;
  }

  Travix::Dom::XercesSession session;
  TempDir dir;
};

std::string Schema(const std::string& body) { return "<schema>" + body + "</schema>"; }

TEST_F(BindingText, FilesAreNamedAfterTheNamespaceAndListedHeaderFirst) {
  InlineSchema doc(Schema("<archetype name='Item'/>"));
  Travix::TqCppSchemaSrcWriter writer;
  writer.SetOutputDir(dir.Path());
  writer.SetOutputFileName("base");
  writer.Interpret(doc.Document());
  writer.SetNamespace("abc");
  EXPECT_TRUE(writer.Emit());
  EXPECT_EQ(
      writer.GetGeneratedFilesList(),
      (std::list<std::string>{JoinPath(dir.Path(), "abc.h"), JoinPath(dir.Path(), "abc.cpp")}));
  EXPECT_THAT(ReadFile(JoinPath(dir.Path(), "abc.cpp")), HasSubstr("#include \"abc.h\"\n"));

  // Without a namespace the base name is one; the list starts afresh.
  Generated generated = Generate(Schema("<archetype name='Item'/>"), Options{.ns = ""});
  EXPECT_THAT(generated.header, HasSubstr("namespace base\n{\n"));
}

TEST_F(BindingText, SkeletonInNamespaceForm) {
  Generated g = Generate(Schema("<archetype name='Item'/>"), Options{.ns = "my-types"});
  EXPECT_EQ(g.error, "");
  EXPECT_THAT(g.header, HasSubstr("#if !defined(_MY_TYPES_H)\n#define _MY_TYPES_H\n\n"
                                  "#include <travix.h>\n\n"));
  // The scope operator is written, never pasted.
  EXPECT_THAT(g.header, HasSubstr("#define MY_TYPES_NAMESPACE(x)\t\t\t\tmy-types::x\n"
                                  "#define MY_TYPES_CLASS(x)\t\t\t\t\tx\n\n"));
  EXPECT_THAT(g.header, HasSubstr("#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)\n"
                                  "void Initialize(void);\n"));
  EXPECT_THAT(g.header, HasSubstr("} // end of namespace my-types\n\n// restore compiler"));
  EXPECT_THAT(g.header, HasSubstr("#endif // !defined(_MY_TYPES_H)\n"));
  EXPECT_THAT(g.header, Not(HasSubstr("_API")));
  EXPECT_THAT(g.header, Not(HasSubstr("TRAVIX_USE_MFC")));
  EXPECT_THAT(g.source, HasSubstr("void my-types::Initialize(void)\n{\n"
                                  "  Travix::XObjectFactory::RegisterCreateFunction("
                                  "\"my-types::Item\", my-types::Item::create);\n\n}\n"));
}

TEST_F(BindingText, SkeletonInPrefixFormWithExportAndMfc) {
  Generated g = Generate(Schema("<archetype name='Item'/>"),
                         Options{.noNamespace = true, .dllExport = true, .mfc = true});
  EXPECT_THAT(g.header, HasSubstr("#define TRAVIX_USE_MFC\n\n#include <travix_n.h>\n"));
  EXPECT_THAT(g.header, HasSubstr("#else // not _WIN32\n#undef NS_API\n#define NS_API\n"));
  EXPECT_THAT(g.header, HasSubstr("#define NS_NAMESPACE(x)\t\t\t\tns ## _ ## x\n"
                                  "#define NS_CLASS(x)\t\t\t\t\tns ## _ ## x\n"));
  EXPECT_THAT(g.header, HasSubstr("void NS_API ns_Initialize(void);"));
  EXPECT_THAT(g.header, Not(HasSubstr("namespace ns")));
  EXPECT_THAT(g.header, HasSubstr("extern const char * ns_Get_targetNS();"));
  EXPECT_THAT(g.header, HasSubstr("class ns_Item;\n"));
  EXPECT_THAT(g.header, HasSubstr("class NS_API ns_Item : public Travix_XObject\n"));
  EXPECT_THAT(g.source, HasSubstr("ns_Item::ns_Item() : \n  Travix_XObject(\"Item\")\n{\n}\n"));
  EXPECT_THAT(g.source, HasSubstr("RegisterCreateFunction(\"ns_Item\", ns_Item::create);"));
  EXPECT_THAT(g.source, HasSubstr("oStrm << Travix_RIGHT_ANGLE << Travix::EndL;"));
}

TEST_F(BindingText, SchemaAttributesAreEscapedLiteralsAndAlwaysDefined) {
  Generated g = Generate("<schema targetNS='urn:&quot;q&quot;\\x&#10;y&#13;' model='m'/>");
  EXPECT_THAT(g.source, HasSubstr("const char * ns::Get_targetNS()\n{\n"
                                  "  return \"urn:\\\"q\\\"\\\\x\\n\"\n\"y\\r\";\n}\n\n"));
  EXPECT_THAT(g.source, HasSubstr("const char * ns::Get_xmlns()\n{\n  return \"\";\n}\n\n"));
  EXPECT_THAT(g.source, HasSubstr("const char * ns::Get_model()\n{\n  return \"m\";\n\n}\n"));
  // A schema without types: the skeleton and an empty list of classes.
  EXPECT_THAT(g.header, HasSubstr("// Forward class declarations\n\n} // end of namespace ns"));
}

TEST_F(BindingText, MembersListsAndAccessorsAgreeBetweenHeaderAndSource) {
  Generated g =
      Generate(Schema("<archetype name='order'>"
                      "<element name='item' type='string' maxOccurs='*'/>"
                      "<element name='note' type='string' minOccurs='0' maxOccurs='1'/>"
                      "<element name='total' type='price'/>"
                      "<element name='part' type='part' minOccurs='2' maxOccurs='5'/>"
                      "</archetype>"
                      "<archetype name='part'/>"
                      "<datatype name='price'><basetype name='real'/></datatype>"));
  ASSERT_EQ(g.error, "");
  EXPECT_THAT(g.header, HasSubstr("    Travix::XList<Travix::string *>  m_itemList;\n"));
  EXPECT_THAT(g.header, HasSubstr("    Travix::XList<Travix::string *> & Get_itemList();\n\n"));
  EXPECT_THAT(g.header, HasSubstr("    Travix::string  *m_pnote;\n"));
  EXPECT_THAT(g.header, HasSubstr("    void Set_note(const Travix::string &);\n"
                                  "    const Travix::string & Get_note();\n\n"));
  // Schema types are named qualified, so no member of the class hides them.
  EXPECT_THAT(g.header, HasSubstr("    ns::price  *m_ptotal;\n"));
  EXPECT_THAT(g.header, HasSubstr("    Travix::XList<ns::part *>  m_partList;\n"));
  // Out-of-class definitions are qualified in the return type as well.
  EXPECT_THAT(g.source, HasSubstr("ns::order & ns::order::operator=(const order & other)\n"));
  EXPECT_THAT(g.source, HasSubstr("const ns::price & ns::order::Get_total()\n"));
  EXPECT_THAT(g.source, HasSubstr("void ns::order::Set_total(const ns::price & value)\n"));
  // The reader hands over a child it built instead of having it copied,
  // only into an unset member and only of exactly the member's class.
  EXPECT_THAT(g.header, HasSubstr("    bool Adopt_note(Travix::string *);\n"));
  EXPECT_THAT(g.source, HasSubstr("bool ns::order::Adopt_total(ns::price * value)\n{\n"
                                  "  if (m_ptotal || !value || typeid(*value) != typeid(ns::price))\n"
                                  "    return false;\n"));
  EXPECT_THAT(g.source, HasSubstr("Travix::XList<ns::part *> & ns::order::Get_partList()\n"));

  EXPECT_THAT(g.source, HasSubstr("  if (m_pnote && (m_pnote->IsValid() == false) )\n"));
  EXPECT_THAT(g.source, HasSubstr("  if (!m_ptotal || (m_ptotal->IsValid() == false) )\n"));
  EXPECT_THAT(g.source, Not(HasSubstr("m_itemList.size() <")));
  EXPECT_THAT(g.source, Not(HasSubstr("m_itemList.size() >")));
  EXPECT_THAT(g.source, HasSubstr("  if (m_partList.size() < 2)\n    throw Travix::XException("
                                  "std::string(\"Error: order:part must contain at least 2 "
                                  "element(s).\"),__FILE__,__LINE__);\n"));
  EXPECT_THAT(g.source, HasSubstr("  if (m_partList.size() > 5)\n"));
  EXPECT_THAT(g.source, HasSubstr("ns::order::order(const order & other) : \n"
                                  "  Travix::XObject(other),\n"
                                  "  m_itemList(other.m_itemList),\n"
                                  "  m_partList(other.m_partList)\n{\n"));
  EXPECT_THAT(g.source, HasSubstr("  for (Travix::string * element : m_itemList)\n"
                                  "    if (element)\n      element->SetTag(\"item\");\n"
                                  "  m_itemList.EmitXML(oStrm,indentLevel+1);\n"
                                  "  if (m_pnote)\n    m_pnote->EmitXML(oStrm,indentLevel+1);\n"));
  EXPECT_THAT(g.source,
              HasSubstr("  if (elemName == \"note\")\n    return (m_pnote ? true : false);"));
  // The assignment operator survives self-assignment.
  EXPECT_THAT(g.source, HasSubstr("{\n  if (this == &other)\n    return (*this);\n  SetTag("));
}

TEST_F(BindingText, ChoiceAndMixedClassesKeepElementsOutOfMembers) {
  Generated g = Generate(
      Schema("<archetype name='pick' order='choice'>"
             "<attribute name='id' type='string' minOccurs='1'/>"
             "<element name='a' type='string'/>"
             "<element name='b' type='string' minOccurs='1' maxOccurs='*'/>"
             "</archetype>"
             "<archetype name='para' content='mixed'><attribute name='lang' type='string'/>"
             "<element name='em' type='string'/></archetype>"));
  ASSERT_EQ(g.error, "");
  EXPECT_THAT(g.header, Not(HasSubstr("Get_a")));
  EXPECT_THAT(g.header, Not(HasSubstr("Get_em")));
  EXPECT_THAT(
      g.header,
      HasSubstr("void Set_id(const Travix::string & attr) { setAttribute(\"id\", &attr); }"));
  EXPECT_THAT(g.header, HasSubstr("void Set_lang("));
  // Keeping the choice it already holds must not delete it.
  EXPECT_THAT(g.header, HasSubstr("void SetChoice(Travix::XObject * choice) { if (m_choice != "
                                  "choice) { delete m_choice; m_choice = choice; } }"));
  // Attributes are no alternatives; a repeated alternative is a list.
  EXPECT_THAT(g.source,
              HasSubstr("  if (m_choice == 0)\n    throw Travix::XException(std::string("
                        "\"Error: ns::pick contains a null choice\"),__FILE__,__LINE__);\n"
                        "  if (m_choice->GetTag() != \"a\" &&\n"
                        "      m_choice->GetTag() != \"#MIXED\")\n"));
  EXPECT_THAT(g.source, Not(HasSubstr("!= \"id\"")));
  EXPECT_THAT(g.source, HasSubstr("  if (m_mixed.IsValid() == false)\n    return false;\n"));
}

TEST_F(BindingText, ChoiceValidityGuardsAnEmptyOrImpossibleChoice) {
  Generated g = Generate(Schema(
      "<archetype name='maybe' order='choice'>"
      "<element name='a' type='string' minOccurs='0' maxOccurs='1'/>"
      "<element name='b' type='string' minOccurs='0'/>"
      "</archetype>"
      "<archetype name='none' order='choice'><attribute name='x' minOccurs='0'/></archetype>"
      "<archetype name='one' order='choice'><element name='a' type='string'/></archetype>"
      "<archetype name='optional' order='choice'>"
      "<element name='a' type='string' minOccurs='0'/></archetype>"
      "<archetype name='text' order='choice' content='textOnly'><element name='c'/></archetype>"));
  ASSERT_EQ(g.error, "");
  // Without counts an alternative stands exactly once; minOccurs "0" alone
  // makes it zero or one, as the grammar reads it.
  EXPECT_THAT(g.source, HasSubstr("\"Error: ns::one contains a null choice\""));
  EXPECT_THAT(g.source, Not(HasSubstr("ns::optional contains a null choice")));
  EXPECT_THAT(g.source, HasSubstr("  if (m_choice == 0)\n    return true;\n"
                                  "  if (m_choice->GetTag() != \"a\" &&\n"));
  EXPECT_THAT(g.source, Not(HasSubstr("if ()")));
  EXPECT_THAT(g.source, HasSubstr("ns::none has invalid (probably missing) attributes\"),__FILE__,"
                                  "__LINE__);\n  if (m_choice == 0)\n    return true;\n  throw "));
  // Text-only content has no choice member, in header and source alike.
  const auto textClass = g.source.substr(g.source.find("class 'ns::text'"));
  EXPECT_THAT(textClass, Not(HasSubstr("m_choice")));
  EXPECT_THAT(g.header.substr(g.header.find("class text :")), Not(HasSubstr("m_choice")));
}

TEST_F(BindingText, AttributesGetACheckedCastAndFixedOnesNoSetter) {
  Generated g =
      Generate(Schema("<archetype name='item'>"
                      "<attribute name='code' type='integer' minOccurs='1'/>"
                      "<attribute name='kind' type='string' fixed='k' default='d'/>"
                      "</archetype>"));
  ASSERT_EQ(g.error, "");
  EXPECT_THAT(
      g.header,
      HasSubstr(
          "      const Travix::integer * pType = dynamic_cast<const Travix::integer *>(pAttr);\n"
          "      if (!pType)\n"
          "        throw Travix::XException(std::string(\"Error: ns::item::Get_code() "
          "failed a cast to 'Travix::integer *' from \")+pAttr->GetTag(),__FILE__,__LINE__);\n"));
  EXPECT_THAT(g.header, Not(HasSubstr("try")));
  EXPECT_THAT(g.header, Not(HasSubstr("Set_kind")));
  EXPECT_THAT(g.source, HasSubstr("  if (!HasAttribute(\"code\"))\n"));
  EXPECT_THAT(g.source, Not(HasSubstr("HasAttribute(\"kind\")")));
  // Fixed wins over default.
  EXPECT_THAT(g.source, HasSubstr("    Travix::string temp;\n    temp.SetTag(\"kind\");\n"
                                  "    temp = \"k\";\n    setAttribute(\"kind\", &temp);\n"));
}

TEST_F(BindingText, ElementValuesAreAllocatedCheckedAndEscaped) {
  Generated g =
      Generate(Schema("<archetype name='part'/>"
                      "<archetype name='item'>"
                      "<element name='count' type='integer' default='007'/>"
                      "<element name='label' type='string' fixed='say &quot;hi&quot;&#10;now'/>"
                      "<element name='tags' type='string' maxOccurs='*' default='x'/>"
                      "<element name='sub' type='part' default='x'/>"
                      "</archetype>"));
  ASSERT_EQ(g.error, "");
  EXPECT_THAT(g.source, HasSubstr("  m_pcount = new Travix::integer;\n  *m_pcount = 7;\n"
                                  "  m_pcount->SetTag(\"count\");\n"));
  EXPECT_THAT(g.source, HasSubstr("  *m_plabel = \"say \\\"hi\\\"\\n\"\n\"now\";\n"));
  EXPECT_THAT(g.source, Not(HasSubstr("m_tagsList = \"")));
  EXPECT_THAT(g.source, Not(HasSubstr("*m_psub = \"")));
  // A fixed element is set like any other: the grammar calls Set_.
  EXPECT_THAT(g.header, HasSubstr("    void Set_label(const Travix::string &);\n"));

  EXPECT_EQ(
      ErrorOf(Schema("<archetype name='item'>"
                     "<attribute name='n' type='positive-integer' default='0'/></archetype>")),
      "Error: The value '0' of 'n' in 'item' is not a value of type 'positive-integer'");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='real'/></datatype>"
                           "<archetype name='item'><element name='v' type='d' default='1,5'/>"
                           "</archetype>")),
            "Error: The value '1,5' of 'v' in 'item' is not a value of type 'real'");
}

TEST_F(BindingText, DatatypesGetFacetsInEveryConstructorAndNoElementOperations) {
  Generated g = Generate(Schema(
      "<datatype name='size'><basetype name='integer'/><minInclusive>01</minInclusive>"
      "<enumeration><literal>1</literal><literal>2</literal><literal>+3</literal></enumeration>"
      "</datatype>"
      "<datatype name='colour'><basetype name='string'/><maxLength>8</maxLength></datatype>"));
  ASSERT_EQ(g.error, "");
  const std::string facet = "Travix::XFacet< Travix::integer, true >";
  const std::string literals = "  m_facets.push_back(" + facet + "(" + facet + "::literal, 1));\n" +
                               "  m_facets.push_back(" + facet + "(" + facet + "::literal, 2));\n" +
                               "  m_facets.push_back(" + facet + "(" + facet + "::literal, 3));\n";
  std::size_t count = 0;
  for (auto at = g.source.find(literals); at != std::string::npos;
       at = g.source.find(literals, at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 3u);
  EXPECT_THAT(g.source, HasSubstr("(" + facet + "::minInclusive, 1));"));
  EXPECT_THAT(g.header, HasSubstr("    size(const Travix::integer);\n"
                                  "    // conversion constructor\n    size(const long);\n"));
  EXPECT_THAT(g.header, HasSubstr("    colour & operator=(Travix::string value) { m_value = value; "
                                  "return (*this); }\n"));
  EXPECT_THAT(g.source, HasSubstr("Travix::XFacet< Travix::string, false >::maxLength, \"8\"));"));
  const auto datatypes = g.source.substr(0, g.source.find("// If XML Read support"));
  EXPECT_THAT(datatypes, Not(HasSubstr("IsValid")));
  EXPECT_THAT(datatypes, Not(HasSubstr("EmitXML")));
  EXPECT_THAT(g.header, Not(HasSubstr("HasElement")));
  EXPECT_THAT(g.source, HasSubstr("  m_value = other.m_value;\n"));
}

TEST_F(BindingText, DatatypeErrorsNameTheFacetAndTheDatatype) {
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='string'/><length/></datatype>")),
            "Error: Facet 'length' of datatype 'd' has no value node");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='string'/><pattern>x</pattern>"
                           "</datatype>")),
            "Error: Invalid facet 'pattern' for datatype 'd'");
  EXPECT_EQ(
      ErrorOf(Schema("<datatype name='d'><basetype name='string'/><enumeration/></datatype>")),
      "Error: No literals specified in enumeration for datatype 'd'");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='string'/>"
                           "<enumeration><value>x</value></enumeration></datatype>")),
            "Error: Unexpected tag 'value' in enumeration for datatype 'd'");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='integer'/>"
                           "<maxInclusive>0x10</maxInclusive></datatype>")),
            "Error: Facet 'maxInclusive' of datatype 'd' has the value '0x10', which is not a "
            "value of type 'integer'");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='real'/>"
                           "<precision>-1</precision></datatype>")),
            "Error: Facet 'precision' of datatype 'd' has the value '-1', which is not a count");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='integer'/>"
                           "<enumeration><literal>one</literal></enumeration></datatype>")),
            "Error: Literal 'one' of datatype 'd' is not a value of type 'integer'");
  EXPECT_EQ(ErrorOf(Schema("<datatype name='d'><basetype name='float'/></datatype>")),
            "Error: Unknown type 'float' found");
}

TEST_F(BindingText, NamesThatWouldClashAreRenamedOrRefused) {
  Generated g =
      Generate(Schema("<archetype name='class'><attribute name='new' type='string'/>"
                      "<element name='2nd-item' type='int'/></archetype>"
                      "<archetype name='int'/>"));
  ASSERT_EQ(g.error, "");
  EXPECT_THAT(g.header, HasSubstr("class class_ : public Travix::XObject"));
  EXPECT_THAT(g.header, HasSubstr("void Set_new("));
  EXPECT_THAT(g.header, HasSubstr("    ns::int_  *m_p2nd_item;\n"));
  EXPECT_THAT(g.source, HasSubstr("Travix::XObject(\"class\")"));
  EXPECT_THAT(g.source, HasSubstr("RegisterCreateFunction(\"ns::class_\", ns::class_::create);"));

  EXPECT_EQ(ErrorOf(Schema("<archetype name='item'><attribute name='id' type='string'/>"
                           "<element name='id' type='string'/></archetype>")),
            "Error: the attribute 'id' and the element 'id' of 'item' both become 'Get_id'");
  EXPECT_EQ(ErrorOf(Schema("<archetype name='item'><element name='a-b' type='string'/>"
                           "<element name='a.b' type='string'/></archetype>")),
            "Error: the element 'a-b' and the element 'a.b' of 'item' both become 'Get_a_b'");
  EXPECT_EQ(
      ErrorOf(Schema("<archetype name='Get_x'><element name='x' type='string'/></archetype>")),
      "Error: the class name and the element 'x' of 'Get_x' both become 'Get_x'");
  EXPECT_EQ(ErrorOf(Schema("<archetype name='a'><element name='AttributesMap' type='string'/>"
                           "</archetype>")),
            "Error: the base class and the element 'AttributesMap' of 'a' both become "
            "'m_pAttributesMap'");
}

TEST_F(BindingText, SchemaErrorsStopGenerationWithTheirMessages) {
  EXPECT_EQ(ErrorOf(Schema("<archetype name='a-b' content='open'/>")),
            "Error: Unknown content model found in 'a_b'");
  EXPECT_EQ(ErrorOf(Schema("<archetype name='a' order='any'/>")),
            "Error: Unknown order found in 'a'");
  EXPECT_EQ(ErrorOf(Schema("<archetype name='a'><element name='b' type='c'/></archetype>")),
            "Error: Unknown type 'c' found");
  EXPECT_EQ(ErrorOf(Schema("<archetype name='a' content='any'><element name='b'/></archetype>")),
            "Error: element 'b' not allowed as subelement of 'a' with content 'ANY'");
  EXPECT_EQ(ErrorOf(Schema("<archetype name='a'><element type='string'/></archetype>")),
            "Error: anonymous element, attribute, or group found in 'a'");

  Travix::TqCppSchemaSrcWriter writer;
  try {
    writer.Emit();
    ADD_FAILURE() << "emitted without a schema";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: No schema has been interpreted.");
  }
}

TEST_F(BindingText, UnwritableOutputIsReportedWithItsPath) {
  InlineSchema doc(Schema(""));
  Travix::TqCppSchemaSrcWriter writer;
  const std::string missing = JoinPath(dir.Path(), "missing");
  writer.SetOutputDir(missing);
  writer.SetNamespace("ns");
  writer.Interpret(doc.Document());
  try {
    writer.Emit();
    ADD_FAILURE() << "wrote into a missing directory";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(),
              "Error: Unable to open header file '" + JoinPath(missing, "ns.h") + "' for output.");
  }
}

TEST_F(BindingText, SchemaValuesInCommentsCannotEndTheComment) {
  Generated g =
      Generate(Schema("<archetype name='a' schemaName='x&#10;#error y' "
                      "content='elemOnly'/>"));
  EXPECT_THAT(g.header, HasSubstr("// content      = 'elemOnly'\n"
                                  "// schemaName   = 'x #error y'\n"));
}

TEST_F(BindingText, GroupsWriteTheirChildrenWithoutTagsOfTheirOwn) {
  Generated g =
      Generate(Schema("<archetype name='a'><group ref='g'/></archetype>"
                      "<group name='g' order='choice' minOccurs='0' maxOccurs='1'>"
                      "<element name='x' type='string'/></group>"));
  ASSERT_EQ(g.error, "");
  EXPECT_THAT(g.header, HasSubstr("    ns::g  *m_pg;\n"));
  EXPECT_THAT(g.source, HasSubstr("bool ns::g::EmitXML(std::ostream & oStrm, int indentLevel)\n{\n"
                                  "  if (m_choice)\n    m_choice->EmitXML(oStrm, indentLevel);\n"
                                  "  return true;\n}\n"));
  EXPECT_THAT(g.source, HasSubstr("  if (m_pg && (m_pg->IsValid() == false) )\n"));
}

}  // namespace
