#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "schematestsupport.h"
#include "tests/support/tempdir.h"
#include "travixexcept.h"

namespace {

using SchemaTest::InlineSchema;
using TestSupport::ReadFile;
using TestSupport::TempDir;
using Travix::XException;

class ParserWriter : public Travix::TqXMLParserSrcWriter {
public:
  using TqXMLParserSrcWriter::GetUniqueParserRuleName;
  using TqXMLParserSrcWriter::IsXMLDatatype;
  using TqXMLParserSrcWriter::XMLTagToParserIdentifier;
  using TqXMLParserSrcWriter::XMLTypeToParserType;
};

// The four files of a schema, written with the options given.
struct Generated {
  std::string lexer;
  std::string grammar;
  std::string importerHeader;
  std::string importerSource;
  std::vector<std::string> files;
};

struct Options {
  bool namespaceDisabled = false;
  bool dllExport = true;
  bool mfc = false;
  bool dtdMode = false;
};

Generated Generate(const std::string& schemaBody, const std::string& ns = "po",
                   const Options& options = {}) {
  Travix::Dom::XercesSession session;
  TempDir directory;
  InlineSchema schema("<schema>" + schemaBody + "</schema>");
  Generated generated;
  {
    ParserWriter writer;
    writer.SetOutputDir(directory.Path());
    writer.SetNamespace(ns);
    writer.SetNamespaceDisabled(options.namespaceDisabled);
    writer.SetDLLExportUsage(options.dllExport);
    writer.SetMFCUsage(options.mfc);
    writer.SetDTDMode(options.dtdMode);
    writer.Interpret(schema.Document());
    EXPECT_TRUE(writer.Emit());
    generated.files.assign(writer.GetGeneratedFilesList().begin(),
                           writer.GetGeneratedFilesList().end());
  }
  const std::string base = directory.Path() + "/" + ns;
  generated.lexer = ReadFile(base + "_lexer.l");
  generated.grammar = ReadFile(base + "_parser.y");
  generated.importerHeader = ReadFile(base + "_xmlimporter.h");
  generated.importerSource = ReadFile(base + "_xmlimporter.cpp");
  return generated;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The text of one grammar rule, from its name to its closing ";".
std::string Rule(const std::string& grammar, const std::string& name) {
  const std::size_t start = grammar.find("\n" + name + "\t:");
  if (start == std::string::npos) return "";
  const std::size_t end = grammar.find("\t\t\t\t;\n", start);
  return grammar.substr(start + 1, end - start - 1);
}

const char* const kOrder =
    "<archetype name='order' order='seq'>"
    "<attribute name='id' type='ID' minOccurs='1'/>"
    "<attribute name='version' type='string' fixed='1.0'/>"
    "<element name='item' type='item' minOccurs='0' maxOccurs='*'/>"
    "<element name='note' type='string' minOccurs='0' maxOccurs='1'/>"
    "</archetype>"
    "<archetype name='item' content='textOnly'/>";

// ---------------------------------------------------------------- naming

TEST(ParserRuleNames, SameStemAndSuffixAreNumberedInOrderOfRequest) {
  ParserWriter writer;
  EXPECT_EQ(writer.GetUniqueParserRuleName("item", "_zeroormore"), "item_zeroormore");
  EXPECT_EQ(writer.GetUniqueParserRuleName("item", "_zeroormore"), "item1_zeroormore");
  EXPECT_EQ(writer.GetUniqueParserRuleName("item", "_zeroormore"), "item2_zeroormore");
  EXPECT_EQ(writer.GetUniqueParserRuleName("item", "_oneormore"), "item_oneormore");
  EXPECT_EQ(writer.GetUniqueParserRuleName("item1", "_zeroormore"), "item11_zeroormore");
}

TEST(ParserRuleNames, NamesBisonWouldMisreadAreChanged) {
  ParserWriter writer;
  // a leading digit, and names that begin like tokens
  EXPECT_EQ(writer.GetUniqueParserRuleName("2nd", "_zeroorone"), "X2nd_zeroorone");
  EXPECT_EQ(writer.GetUniqueParserRuleName("STAGLEFT_a", ""), "XSTAGLEFT_a");
  EXPECT_EQ(writer.GetUniqueParserRuleName("ETAG", "_x"), "XETAG_x");
  EXPECT_EQ(writer.GetUniqueParserRuleName("a-b", ""), "a_b");
}

TEST(ParserRuleNames, FixedRulesAndBisonNamesAreNeverHandedOut) {
  Travix::Dom::XercesSession session;
  InlineSchema schema("<schema/>");
  ParserWriter writer;
  writer.SetNamespace("ns");
  writer.Interpret(schema.Document());
  TempDir directory;
  writer.SetOutputDir(directory.Path());
  ASSERT_TRUE(writer.Emit());
  EXPECT_EQ(writer.GetUniqueParserRuleName("xml_S", ""), "xml_S1");
  EXPECT_EQ(writer.GetUniqueParserRuleName("xml_document", ""), "xml_document1");
  EXPECT_EQ(writer.GetUniqueParserRuleName("error", ""), "error1");
  EXPECT_EQ(writer.GetUniqueParserRuleName("content", ""), "content");
}

TEST(ParserIdentifiers, FollowTheMemberNameRule) {
  ParserWriter writer;
  EXPECT_EQ(writer.XMLTagToParserIdentifier(u"1st-item", false), "X1st_item");
  EXPECT_EQ(writer.XMLTagToParserIdentifier(u"1st-item", true), "1st_item");
  EXPECT_EQ(writer.XMLTagToParserIdentifier(u"a.b:c", true), "a_b_c");
  EXPECT_EQ(writer.XMLTagToParserIdentifier(u"", true), "");
  // keywords stay: they become Set_/Get_ members, which need no renaming
  EXPECT_EQ(writer.XMLTagToParserIdentifier(u"class", true), "class");
}

TEST(ParserTypes, DatatypeNamesAndPlainTypes) {
  ParserWriter writer;
  for (const char16_t* name : {u"boolean", u"non-negative-integer", u"timeInstant", u"NMTOKEN"}) {
    EXPECT_TRUE(writer.IsXMLDatatype(name));
  }
  for (const char16_t* name : {u"uri", u"ID", u"non_negative_integer", u"item"}) {
    EXPECT_FALSE(writer.IsXMLDatatype(name));
  }
  EXPECT_EQ(writer.XMLTypeToParserType(std::string("positive-integer")), "unsigned long");
  EXPECT_EQ(writer.XMLTypeToParserType(std::string("IDREFS")), "std::string");
  EXPECT_THROW(writer.XMLTypeToParserType(std::string("item")), XException);
}

// ---------------------------------------------------------------- Emit

TEST(ParserEmit, WritesTheFourFilesAndListsTheFilesToolsMake) {
  const Generated generated = Generate(kOrder);
  ASSERT_EQ(generated.files.size(), 7u);
  const char* const endings[] = {"/po_lexer.l",     "/po_lexer.c",        "/po_parser.y",
                                 "/po_parser.tab.cpp", "/po_parser.tab.h", "/po_xmlimporter.h",
                                 "/po_xmlimporter.cpp"};
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_TRUE(generated.files[i].size() > std::string(endings[i]).size() &&
                generated.files[i].ends_with(endings[i]))
        << generated.files[i];
  }
}

TEST(ParserEmit, NamespaceEqualToATypeFailsBeforeAnyFile) {
  Travix::Dom::XercesSession session;
  TempDir directory;
  InlineSchema schema("<schema>" + std::string(kOrder) + "</schema>");
  ParserWriter writer;
  writer.SetOutputDir(directory.Path());
  writer.SetNamespace("item");
  writer.Interpret(schema.Document());
  EXPECT_THROW(writer.Emit(), XException);
  EXPECT_TRUE(ReadFile(directory.Path() + "/item_lexer.l").empty());
}

TEST(ParserEmit, WithoutANamespaceSymbolsTakeTheBaseName) {
  Travix::Dom::XercesSession session;
  TempDir directory;
  const std::string path = directory.Write("orders.xsd", "<schema>" + std::string(kOrder) + "</schema>");
  ParserWriter writer;
  writer.SetOutputDir(directory.Path());
  writer.Interpret(path);
  ASSERT_TRUE(writer.Emit());
  const std::string lexer = ReadFile(directory.Path() + "/orders_lexer.l");
  EXPECT_TRUE(Contains(lexer, "int orders_InitParser(FILE *fpIn, const char *szInputFile)"));
  EXPECT_TRUE(Contains(lexer, "#include \"orders_parser.tab.h\""));
}

TEST(ParserEmit, SchemaErrorsAreReported) {
  const std::pair<const char*, const char*> cases[] = {
      {"<archetype name='a'><element type='string'/></archetype>",
       "Error: anonymous element, attribute, or group found in 'a'"},
      {"<archetype name='a'><attribute name=''/></archetype>",
       "Error: anonymous element, attribute, or group found in 'a'"},
      {"<archetype name='a'><element name='b' type='nothing'/></archetype>",
       "Error: element 'b' references unknown type 'nothing'"},
      {"<archetype name='a'><attribute name='b' type='a'/></archetype>",
       "Error: Unrecognized datatype 'a'"},
      {"<archetype name='a'><attribute name='b' type='float'/></archetype>",
       "Error: Unrecognized datatype 'float'"},
      {"<datatype name='d'><basetype name='string'/><enumeration/></datatype>",
       "Error: No literals specified in enumeration for datatype 'd'"},
      {"<datatype name='d'><basetype name='string'/><enumeration><x/></enumeration></datatype>",
       "Error: Unexpected tag 'x' in enumeration for datatype 'd'"},
      {"<datatype name='d'><pattern/></datatype>", "Error: Invalid facet 'pattern' for datatype 'd'"},
      {"<datatype name='d'><basetype/></datatype>",
       "Error: Invalid unnamed basetype for datatype 'd'"},
      {"<archetype name='a' content='lots'/>", "Error: Unknown content model found in 'a'"},
      {"<archetype name='a'/><datatype name='a'><basetype name='string'/></datatype>",
       "Error: the names 'a' and 'a' both become the class identifier 'a'"},
  };
  for (const auto& [body, message] : cases) {
    SCOPED_TRACE(body);
    Travix::Dom::XercesSession session;
    TempDir directory;
    InlineSchema schema(std::string("<schema>") + body + "</schema>");
    ParserWriter writer;
    writer.SetOutputDir(directory.Path());
    writer.SetNamespace("ns");
    writer.Interpret(schema.Document());
    try {
      writer.Emit();
      ADD_FAILURE() << "no exception";
    } catch (const XException& e) {
      EXPECT_EQ(e.GetMsg(), message);
    }
  }
}

// ---------------------------------------------------------------- scanner

TEST(ScannerFile, DefinitionSectionAndBoundedState) {
  const Generated generated = Generate(kOrder);
  const std::string& lexer = generated.lexer;
  EXPECT_EQ(lexer.rfind("%{\n/****", 0), 0u);
  EXPECT_TRUE(Contains(lexer, "File: 'po_lexer.l'"));
  for (const char* line :
       {"#include \"travixsymbol.h\"\t/* symbol table function prototypes */",
        "#include \"po_parser.tab.h\"\t/* yacc/bison generated token definitions */",
        "#define MAX_LINE_SIZE 2048", "#define MAX_LEX_ERRORS 10",
        "#define MAX_STATE_STACK_SIZE 128", "static int nLexerStateStackTop = -1;",
        "int po_nParserError = 0;", "char po_szParserErrorMsg[MAX_LINE_SIZE];",
        "%option never-interactive nounput noinput", "static int PushState(int newState);",
        "static int PopState(void);", "void po_error(const char *szErrorText);"}) {
    EXPECT_TRUE(Contains(lexer, line)) << line;
  }
  // The stack is never written beyond its end nor read below its start.
  EXPECT_TRUE(Contains(lexer, "if (nLexerStateStackTop + 1 >= MAX_STATE_STACK_SIZE)"));
  EXPECT_TRUE(Contains(lexer, "if (nLexerStateStackTop <= 0)"));
  // No unbounded copies into the fixed buffers.
  EXPECT_FALSE(Contains(lexer, "strcpy"));
  EXPECT_FALSE(Contains(lexer, "sprintf(po_"));
  EXPECT_FALSE(Contains(lexer, "REJECT"));
}

TEST(ScannerFile, ElementsGetNoStartConditionOfTheirOwn) {
  // Element names equal to flex's own names and the generic states give
  // tags, never start conditions: no state can collide with them.
  const Generated generated = Generate(
      "<archetype name='text'/><archetype name='in'/><archetype name='COM'/>"
      "<archetype name='INITIAL'/>");
  const std::string& lexer = generated.lexer;
  EXPECT_TRUE(Contains(lexer, "%s po_DOC po_EXTID po_EXTS po_EXTP po_IDN po_STAG\n"));
  EXPECT_FALSE(Contains(lexer, "Schema specific states"));
  EXPECT_FALSE(Contains(lexer, "po_text"));
  EXPECT_FALSE(Contains(lexer, "po_in"));
  EXPECT_FALSE(Contains(lexer, "po_E_"));
  EXPECT_TRUE(Contains(lexer, "<INITIAL>\"<text\"/{NameEnd}\t{ return StartTag(0, STAGLEFT_text); }"));
  EXPECT_TRUE(
      Contains(lexer, "<INITIAL>\"<INITIAL\"/{NameEnd}\t{ return StartTag(0, STAGLEFT_INITIAL_); }"));
}

TEST(ScannerFile, EnumerationStatesFiveToALine) {
  std::string schema;
  for (char name : std::string("abcdef")) {
    schema += std::string("<datatype name='") + name +
              "'><basetype name='NMTOKEN'/><enumeration><literal>x</literal></enumeration></datatype>";
  }
  schema += "<archetype name='x'>";
  for (char name : std::string("abcdef")) {
    schema += std::string("<attribute name='") + name + "' type='" + name + "'/>";
  }
  const Generated generated = Generate(schema + "</archetype>");
  EXPECT_TRUE(Contains(generated.lexer, " /* Schema specific states */\n"
                                        "%x po_V_a po_V_b po_V_c po_V_d po_V_e\n%x po_V_f\n"));
}

TEST(ScannerFile, NoArchetypesNoTagRules) {
  const Generated generated =
      Generate("<datatype name='d'><basetype name='string'/><minInclusive>a</minInclusive></datatype>");
  EXPECT_FALSE(Contains(generated.lexer, "Schema specific states"));
  EXPECT_FALSE(Contains(generated.lexer, "Element start tags"));
  EXPECT_FALSE(Contains(generated.lexer, "ElementTypes[]"));
  EXPECT_FALSE(Contains(generated.lexer, "static int EndElement(void);"));
  EXPECT_TRUE(Contains(generated.grammar, "xml_content\t: TRAVIX_NO_ELEMENT\n"));
}

TEST(ScannerFile, NamesAndLiteralsAreQuotedPatternsOrTableEntries) {
  const Generated generated = Generate(
      "<datatype name='state'><basetype name='NMTOKEN'/><enumeration>"
      "<literal>in stock</literal><literal>a.b</literal><literal>say \"x\"</literal>"
      "</enumeration></datatype>"
      "<archetype name='a.b'><attribute name='x.y' type='state'/>"
      "<attribute name='id' type='ID' minOccurs='1'/><attribute name='n' type='integer'/>"
      "</archetype>");
  const std::string& lexer = generated.lexer;
  EXPECT_TRUE(Contains(lexer, "<INITIAL>\"<a.b\"/{NameEnd}\t{ return StartTag(0, STAGLEFT_a_b); }"));
  EXPECT_TRUE(Contains(lexer, "<INITIAL>\"</a.b\"{S}?{EndTagRight}\t{ if (EndElement() < 0) "
                              "return 0; return ETAG_a_b; }"));
  // attributes by name, each with its number, the start condition of its
  // value and whether it is required
  EXPECT_TRUE(Contains(lexer, "static const AttributeEntry Attributes_a_b[] =\n{\n"
                              "\t{\"id\", 1, po_IDN, 1},\n"
                              "\t{\"n\", 2, po_ATTVALUE, 0},\n"
                              "\t{\"x.y\", 0, po_V_state, 0},\n};"));
  EXPECT_TRUE(Contains(lexer, "static char fAttributeSeen[3];"));
  EXPECT_TRUE(Contains(lexer, "\t{Attributes_a_b, 3, 0},\t/* 0: a_b */"));
  EXPECT_TRUE(Contains(lexer, "<po_V_state>\"in stock\"/{LiteralEnd}"));
  // one rule for a literal that needs no escaping
  EXPECT_EQ(lexer.find("\"in stock\"/"), lexer.rfind("\"in stock\"/"));
  EXPECT_TRUE(Contains(lexer, "<po_V_state>\"a.b\"/{LiteralEnd}"));
  EXPECT_TRUE(Contains(lexer, "<po_V_state>\"say \\\"x\\\"\"/{LiteralEnd}\t{ if (PopState() < 0) "
                              "return 0; return EnterSymbol(TRAVIX_CDATA); }"));
  EXPECT_TRUE(Contains(lexer, "<po_V_state>\"say &quot;x&quot;\"/{LiteralEnd}\t{ if (PopState() "
                              "< 0) return 0; return EnterSymbol(TRAVIX_CDATA); }"));
  EXPECT_TRUE(Contains(lexer, "%x po_V_state\n"));
}

TEST(ScannerFile, WhiteSpaceIsTextOnlyInElementsWithTextContent) {
  const Generated generated = Generate(
      "<archetype name='p' content='mixed'><element name='b' type='b'/></archetype>"
      "<archetype name='b' content='textOnly'/><archetype name='e' content='empty'/>"
      "<archetype name='s'><element name='n' type='integer'/></archetype>");
  const std::string& lexer = generated.lexer;
  // b, n (an integer) and p have text; e and s do not.
  EXPECT_TRUE(Contains(lexer, "ElementTypes[] =\n{\n\t{NULL, 0, 0},\t/* 0: elements */\n"
                              "\t{NULL, 0, 1},\t/* 1: text */\n};"));
  for (const char* tag : {"1, STAGLEFT_b", "0, STAGLEFT_e", "1, STAGLEFT_n", "1, STAGLEFT_p",
                          "0, STAGLEFT_s"}) {
    EXPECT_TRUE(Contains(lexer, std::string("{ return StartTag(") + tag + "); }")) << tag;
  }
  EXPECT_TRUE(Contains(lexer, "if (fTextContent[nLexerStateStackTop])\n"
                              "\t\t\t\treturn EnterSymbol(TRAVIX_PCDATA);"));
  // An end tag leaves the element's content, whatever it holds.
  EXPECT_TRUE(Contains(lexer, "return PopState() < 0 ? -1 : 0;"));
}

TEST(ScannerFile, ProcessingInstructionsEndAtTheFirstEndMark) {
  const Generated generated = Generate(kOrder);
  EXPECT_TRUE(Contains(generated.lexer, "PIData\t([^?]|\"?\"+[^?>])*\"?\"+\">\""));
  EXPECT_TRUE(Contains(generated.lexer, "<po_PIC>{PIData}"));
}

// ---------------------------------------------------------------- grammar

TEST(GrammarFile, DefinitionSection) {
  const Generated generated = Generate(kOrder);
  const std::string& grammar = generated.grammar;
  EXPECT_TRUE(Contains(grammar, "File: 'po_parser.y'"));
  EXPECT_TRUE(Contains(grammar, "#include \"travixsymbol.h\"\n#include \"po.h\"\n"));
  EXPECT_TRUE(Contains(grammar, "\tvoid po_error(const char *szErrorText);\n"));
  EXPECT_TRUE(Contains(grammar, "Travix::XObject * po_GetRootObject();"));
  EXPECT_TRUE(Contains(grammar, "%token TRAVIX_PCDATA TRAVIX_CDATA TRAVIX_IDNAME TRAVIX_ATTRIBUTE\n"));
  EXPECT_TRUE(Contains(grammar, "static int SetAttributeValue(int nAttribute, const char *szValue);"));
  EXPECT_TRUE(Contains(grammar, "/* Text only strings */\nstatic Travix::string sTextOnly;"));
  EXPECT_TRUE(Contains(grammar, "static std::set<std::string> documentIDs;"));
  EXPECT_TRUE(Contains(grammar, "%token STAGLEFT_item STAGLEFT_note STAGLEFT_order\n"));
  EXPECT_TRUE(Contains(grammar, "%token ETAG_item ETAG_note ETAG_order\n"));
  EXPECT_TRUE(Contains(grammar, "%initial-action { po_ResetParser(); }"));
}

TEST(GrammarFile, NoTextNoIDsNoAttributesDeclareNone) {
  const Generated generated =
      Generate("<archetype name='a'><attribute name='n' type='integer'/></archetype>");
  EXPECT_FALSE(Contains(generated.grammar, "sTextOnly"));
  EXPECT_FALSE(Contains(generated.grammar, "documentIDs"));
  const Generated none = Generate("<archetype name='a'/>");
  EXPECT_FALSE(Contains(none.grammar, "xml_Attributes"));
  EXPECT_FALSE(Contains(none.grammar, "SetAttributeValue"));
}

TEST(GrammarFile, FixedRulesCarryThePrefixAndSchemaNamesKeepTheirs) {
  const Generated generated = Generate(
      "<archetype name='content'/><archetype name='document'/><archetype name='S'/>"
      "<archetype name='Misc'/><archetype name='error'/>");
  const std::string& grammar = generated.grammar;
  EXPECT_TRUE(Contains(grammar, "\nxml_content\t: Misc\n\t\t\t| S\n\t\t\t| content\n\t\t\t| "
                                "document\n\t\t\t| error_\n"));
  EXPECT_FALSE(Rule(grammar, "S").empty());
  EXPECT_FALSE(Rule(grammar, "xml_S").empty());
  EXPECT_TRUE(Contains(grammar, "\nerror_\t: STAGLEFT_error_\n"));
}

TEST(GrammarFile, OccurrenceRulesAndWhiteSpaceAfterEveryChild) {
  const Generated generated = Generate(
      "<archetype name='a'>"
      "<element name='one' type='string'/>"
      "<element name='opt' type='string' minOccurs='0' maxOccurs='1'/>"
      "<element name='item' type='string' minOccurs='0' maxOccurs='*'/>"
      "<element name='two' type='string' minOccurs='2' maxOccurs='*'/>"
      "<element name='item' memberName='item1' type='string' minOccurs='0' maxOccurs='*'/>"
      "<element name='maybe' type='string' minOccurs='0'/>"
      "</archetype>");
  const std::string& grammar = generated.grammar;
  const std::string elems = Rule(grammar, "a_elems");
  EXPECT_TRUE(Contains(elems, "SetElement(&po::a::Set_one, &po::a::Adopt_one, pCurrentElement); }"));
  EXPECT_TRUE(Contains(elems, "pCurrentElement); }\n\t\t\t  xml_Misc_zeroormore\n"));
  EXPECT_TRUE(Contains(elems, "opt_zeroorone\n\t\t\t  item_zeroormore\n\t\t\t  two_wildcard\n"
                              "\t\t\t  item1_zeroormore"));
  EXPECT_TRUE(Contains(Rule(grammar, "opt_zeroorone"), "xml_Misc_zeroormore"));
  EXPECT_TRUE(Contains(Rule(grammar, "item_zeroormore"), "| item_oneormore"));
  EXPECT_TRUE(Contains(Rule(grammar, "item1_zeroormore"), "| item1_oneormore"));
  // the second item member appends to its own list
  EXPECT_TRUE(
      Contains(Rule(grammar, "item1_oneormore"), "AppendElement(&po::a::Get_item1List, pCurrentElement);"));
  EXPECT_TRUE(Contains(Rule(grammar, "two_wildcard"), "| two_wildcard xml_Misc"));
  // minOccurs "0" alone: zero or one, as an XDR schema means it
  EXPECT_TRUE(Contains(elems, "item1_zeroormore\n\t\t\t  maybe_zeroorone\n"));
}

TEST(GrammarFile, AttributesByType) {
  const Generated generated = Generate(
      std::string(kOrder) +
      "<datatype name='size'><basetype name='integer'/><enumeration><literal>1</literal>"
      "<literal>2</literal></enumeration></datatype>"
      "<archetype name='t'><attribute name='s' type='size'/>"
      "<attribute name='r' type='real'/><attribute name='k' type='NMTOKENS'/></archetype>");
  const std::string& grammar = generated.grammar;
  // one rule reads every attribute; the scanner names it by its setter
  EXPECT_TRUE(Contains(grammar, "xml_Attribute\t: TRAVIX_ATTRIBUTE TRAVIX_EQUALS xml_AttValue\n"
                                "\t\t\t\t{\tif (SetAttributeValue($1, $3 ? SymbolGetEntry($3) : \"\") "
                                "!= 0)\n\t\t\t\t\t\tYYABORT; }"));
  EXPECT_TRUE(Contains(Rule(grammar, "order"), "xml_Attributes"));
  const std::string id = grammar.substr(grammar.find("/* 0: order id */"));
  EXPECT_TRUE(Contains(id, "static int Attribute0(const char *szValue)\n{\n"
                           "\tif (szValue[0] == '\\0')\n\t{\n"
                           "\t\tpo_error(\"empty ID specified for attribute 'id'\");\n"
                           "\t\treturn 1;\n\t}\n"
                           "\tif (!documentIDs.insert(szValue).second)\n\t{\n"
                           "\t\tpo_error(\"non-unique ID detected for attribute 'id'\");\n"
                           "\t\treturn 1;\n\t}\n\treturn SetAttribute(&po::order::Set_id, szValue);\n}"));
  // fixed: compared, never set
  const std::string version = grammar.substr(grammar.find("/* 1: order version */"), 300);
  EXPECT_TRUE(Contains(version, "if (strcmp(szValue, \"1.0\") != 0)"));
  EXPECT_TRUE(Contains(version, "\"' specified for fixed attribute 'version'\""));
  EXPECT_FALSE(Contains(version, "Set_version"));
  // a numeric enumeration: the datatype built from its base value
  EXPECT_TRUE(
      Contains(grammar, "\treturn SetDatatypeAttribute<Travix::integer>(&po::t::Set_s, szValue, "
                        "\"s\", \"size\", true);"));
  EXPECT_TRUE(Contains(grammar, "\treturn SetAttribute(&po::t::Set_r, szValue);"));
  EXPECT_TRUE(Contains(grammar, "\t\tAttribute0,\n\t\tAttribute1,\n\t\tAttribute2,\n\t\tAttribute3,\n"
                                "\t\tAttribute4,\n\t};"));
  EXPECT_FALSE(Contains(grammar, "return 1;\n\t\t\t"));
  EXPECT_FALSE(Contains(grammar, "\t\t\t\treturn 1;"));
}

TEST(GrammarFile, ChoicesGroupsAndMixedContent) {
  const Generated generated = Generate(
      "<archetype name='q'><element name='p' type='p' minOccurs='1' maxOccurs='*'/></archetype>"
      "<archetype name='p' content='mixed'><element name='b' type='b'/></archetype>"
      "<archetype name='b' content='textOnly'/>"
      "<archetype name='c' order='choice'><element name='x' type='string'/>"
      "<element name='y' type='string' minOccurs='1' maxOccurs='*'/>"
      "<group ref='g'/></archetype>"
      "<group name='g' order='seq' minOccurs='0' maxOccurs='*'>"
      "<element name='z' type='string'/></group>"
      "<group name='unused'><element name='u' type='string'/></group>");
  const std::string& grammar = generated.grammar;
  // p_oneormore is q's list of p; the mixed rule of p is the name handed out
  EXPECT_TRUE(Contains(Rule(grammar, "p_oneormore"), "AppendElement(&po::q::Get_pList"));
  EXPECT_TRUE(Contains(Rule(grammar, "p_elems"), "| p1_oneormore"));
  const std::string mixed = Rule(grammar, "p1_oneormore");
  EXPECT_TRUE(Contains(mixed, "| p1_oneormore p_child"));
  EXPECT_TRUE(Contains(mixed, "->GetMixedList().push_back(pCurrentElement);"));
  EXPECT_TRUE(Contains(Rule(grammar, "p_child"), "p_child\t: b\n"));
  const std::string choice = Rule(grammar, "c_elems");
  EXPECT_TRUE(Contains(choice, "SetChoice<class po::c>(pCurrentElement);"));
  EXPECT_TRUE(Contains(choice, "| y_oneormore"));
  EXPECT_TRUE(Contains(choice, "SetChoice<class po::c>(pChoiceList);"));
  // a group reference renames the rule, not the member
  EXPECT_TRUE(Contains(Rule(grammar, "g_oneormore"), "g_group\n"));
  EXPECT_TRUE(Contains(grammar, "static_cast<Travix::XList<Travix::XObject *> *>(parentStack.top())"));
  EXPECT_TRUE(Contains(Rule(grammar, "g_group"), "CreateObject(\"po::g\")"));
  EXPECT_TRUE(Contains(Rule(grammar, "g_elems"), "SetElement(&po::g::Set_z, &po::g::Adopt_z, pCurrentElement);"));
  EXPECT_FALSE(Contains(grammar, "Set_g_group"));
  // a group nothing refers to leaves no rules
  EXPECT_TRUE(Rule(grammar, "unused_group").empty());
}

TEST(GrammarFile, AllOrderTakesChildrenInAnyOrderOnceEach) {
  const Generated generated = Generate(
      "<archetype name='a' order='all'><element name='x' type='string'/>"
      "<element name='y' type='string' minOccurs='0' maxOccurs='*'/>"
      "<element name='z' type='string' minOccurs='2' maxOccurs='*'/>"
      "<element name='w' type='string' minOccurs='0' maxOccurs='1'/></archetype>");
  const std::string& grammar = generated.grammar;
  EXPECT_TRUE(Contains(Rule(grammar, "a_elems"), "| a_all"));
  EXPECT_TRUE(Contains(Rule(grammar, "a_all"), "a_allitem\n\t\t\t| a_all a_allitem"));
  const std::string item = Rule(grammar, "a_allitem");
  EXPECT_TRUE(Contains(item, "->HasElement(\"x\"))"));
  EXPECT_TRUE(Contains(item, "element 'x' cannot appear more than once"));
  EXPECT_TRUE(Contains(item, "AppendElement(&po::a::Get_yList, pCurrentElement);"));
  // what must be there is checked when the element ends
  const std::string element = Rule(grammar, "a");
  EXPECT_TRUE(Contains(element, "\t\t\t\t\tif (!pCurrentElement->HasElement(\"x\"))\n\t\t\t\t\t{\n"
                                "\t\t\t\t\t\tpo_error(\"required element 'x' not set\");\n"
                                "\t\t\t\t\t\tYYABORT;\n\t\t\t\t\t}\n"));
  EXPECT_TRUE(Contains(element, "if ((dynamic_cast<class po::a *>(pCurrentElement))->Get_zList().size() < 2)"));
  EXPECT_TRUE(Contains(element, "po_error(\"element 'z' must appear at least 2 times\");"));
  EXPECT_FALSE(Contains(element, "'y'"));
  EXPECT_FALSE(Contains(element, "'w'"));
}

TEST(GrammarFile, ElementsUnderOtherNamesKeepTheirTag) {
  const Generated generated = Generate(
      "<datatype name='code'><basetype name='string'/><maxLength>3</maxLength></datatype>"
      "<archetype name='address'><attribute name='zip' type='string'/>"
      "<element name='city' type='string'/></archetype>"
      "<archetype name='o'><element name='shipTo' type='address'/>"
      "<element name='c' type='code'/></archetype>");
  const std::string& grammar = generated.grammar;
  const std::string shipTo = Rule(grammar, "shipTo");
  EXPECT_TRUE(Contains(shipTo, "CreateObject(\"po::address\"));\n\t\t\t\t\tparentStack.top()->SetTag(\"shipTo\");"));
  EXPECT_TRUE(Contains(shipTo, "address_elems") || Contains(Rule(grammar, "shipTo_end"), "address_elems"));
  const std::string code = Rule(grammar, "c");
  EXPECT_TRUE(Contains(code, "parentStack.push(new class po::code);"));
  EXPECT_TRUE(Contains(code, "Travix::string baseDatatype;"));
  EXPECT_TRUE(Contains(code, "->SetValue(baseDatatype);"));
  // the scanner reads its text as character data
  EXPECT_TRUE(Contains(generated.lexer, "\t{NULL, 0, 1},\t/* 2: text */"));
  EXPECT_TRUE(Contains(generated.lexer, "{ return StartTag(2, STAGLEFT_c); }"));
  // and shipTo has the attributes of its type
  EXPECT_TRUE(Contains(generated.lexer, "\t{Attributes_address, 1, 0},\t/* 0: address */"));
  EXPECT_TRUE(Contains(generated.lexer, "{ return StartTag(0, STAGLEFT_shipTo); }"));
  // each tag has elements of one type: the scanner needs no word from the grammar
  EXPECT_FALSE(Contains(grammar, "\t\t\t\t\tpo_SelectElementType("));
}

// p is an A under r and a B under q; t is text under r and holds elements
// under q. The rules of p and t name the scanner's type of their elements.
TEST(GrammarFile, ElementsOfOneTagAndSeveralTypesNameTheirType) {
  const Generated generated = Generate(
      "<archetype name='r'><element name='p' type='A'/><element name='t' type='string'/>"
      "<element name='q' type='q'/><element name='u' type='E'/></archetype>"
      "<archetype name='q'><element name='p' type='B'/><element name='t' type='E'/>"
      "<element name='u' type='F'/></archetype>"
      "<archetype name='A' content='empty'><attribute name='a' type='integer'/></archetype>"
      "<archetype name='B' content='empty'><attribute name='b' type='string'/></archetype>"
      "<archetype name='E'/><archetype name='F' content='empty'/>");
  const std::string& grammar = generated.grammar;
  EXPECT_TRUE(Contains(grammar, "\tvoid po_SelectElementType(int nType);\n"));
  // types: A 0, B 1, elements 2, text 3
  EXPECT_TRUE(Contains(Rule(grammar, "p"), "CreateObject(\"po::A\"));\n\t\t\t\t\tpo_SelectElementType(0);"));
  EXPECT_TRUE(Contains(Rule(grammar, "p1"), "CreateObject(\"po::B\"));\n\t\t\t\t\tpo_SelectElementType(1);"));
  EXPECT_TRUE(Contains(Rule(grammar, "t"), "po_SelectElementType(3);"));
  EXPECT_TRUE(Contains(Rule(grammar, "t1"), "po_SelectElementType(2);"));
  // E and F differ in content, not in what the scanner does with them
  EXPECT_FALSE(Contains(Rule(grammar, "u"), "SelectElementType"));
  EXPECT_FALSE(Contains(Rule(grammar, "u1"), "SelectElementType"));
  EXPECT_FALSE(Contains(Rule(grammar, "r"), "SelectElementType"));
  // the scanner starts with the type of the tag's first rule
  EXPECT_TRUE(Contains(generated.lexer, "{ return StartTag(0, STAGLEFT_p); }"));
  EXPECT_TRUE(Contains(generated.lexer, "{ return StartTag(3, STAGLEFT_t); }"));
  EXPECT_TRUE(Contains(generated.lexer, "void po_SelectElementType(int nType)\n{\n\tnCurrentType = nType;\n}"));
  // the setters refuse an object of another class
  EXPECT_TRUE(Contains(grammar, "\tif (!pObject)\n\t\treturn UnknownAttribute();\n"));
}

TEST(GrammarFile, NamingFormAndMFC) {
  Options options;
  options.namespaceDisabled = true;
  options.mfc = true;
  const Generated generated = Generate(kOrder, "po", options);
  const std::string& grammar = generated.grammar;
  EXPECT_TRUE(Contains(grammar, "Travix_XObjectFactory::CreateObject(\"po_order\")"));
  EXPECT_TRUE(Contains(grammar, "AppendElement(&po_order::Get_itemList, pCurrentElement);"));
  EXPECT_TRUE(Contains(grammar, "(Parent<Object>()->*get)().AddTail(As<Item>(pElement));"));
  EXPECT_TRUE(Contains(grammar, "static Travix_string sTextOnly;"));
  EXPECT_TRUE(Contains(grammar, "Travix_XObject * po_GetRootObject()"));
}

// ---------------------------------------------------------------- importer

TEST(ImporterFiles, NamespaceFormWithExport) {
  const Generated generated = Generate(kOrder);
  const std::string& header = generated.importerHeader;
  EXPECT_EQ(header.rfind("//  \n//  File: 'po_xmlimporter.h'\n", 0), 0u);
  EXPECT_TRUE(Contains(header, "#if !defined(_PO_XMLIMPORTER_H)\n#define _PO_XMLIMPORTER_H\n"));
  EXPECT_TRUE(Contains(header, "#define PO_XMLIMPORTER_API __declspec(dllexport)"));
  EXPECT_TRUE(Contains(header, "#include \"travix.h\"\n#include \"xmlimporterbase.h\"\n"));
  EXPECT_TRUE(Contains(header, "namespace po\n{\n\nclass PO_XMLIMPORTER_API XMLImporter : public "
                               "Travix::XMLImporterBase\n"));
  EXPECT_TRUE(Contains(header, "\tvirtual void Import();\n"));
  EXPECT_TRUE(Contains(header, "} // end of namespace po\n"));
  const std::string& source = generated.importerSource;
  EXPECT_TRUE(Contains(source, "// Functions for class 'po::XMLImporter'\n// Default constructor\n"
                               "po::XMLImporter::XMLImporter() : \n  Travix::XMLImporterBase()\n"));
  EXPECT_TRUE(Contains(source, "\tInitSymbolTable();\n"));
  // the initialisation is checked, and counted errors fail a parse bison accepted
  EXPECT_TRUE(Contains(source, "if (po_InitParser(m_XMLFile, m_sOrigFileName.c_str()) != 0)"));
  EXPECT_TRUE(Contains(source, "if (nResult != 0 || po_nParserError != 0)\n\t{\n\t\tpo_ResetParser();"));
  EXPECT_TRUE(Contains(source, "\tm_pXObjectRoot = po_GetRootObject();\n"));
}

TEST(ImporterFiles, PrefixFormWithoutExportInDTDMode) {
  Options options;
  options.namespaceDisabled = true;
  options.dllExport = false;
  options.dtdMode = true;
  const Generated generated = Generate(kOrder, "po", options);
  const std::string& header = generated.importerHeader;
  EXPECT_TRUE(Contains(header, "#include \"travix_n.h\""));
  EXPECT_TRUE(Contains(header, "class po_XMLImporter : public Travix_XMLImporterBase\n"));
  EXPECT_FALSE(Contains(header, "_XMLIMPORTER_API"));
  EXPECT_FALSE(Contains(header, "namespace"));
  const std::string& source = generated.importerSource;
  EXPECT_TRUE(Contains(source, "extern Travix_TextEntity po_entities[];"));
  EXPECT_TRUE(Contains(source, "\tInitSymbolTable(po_entities);\n"));
  EXPECT_TRUE(Contains(source, "po_XMLImporter::po_XMLImporter() : \n  Travix_XMLImporterBase()"));
  EXPECT_TRUE(Contains(source, "throw Travix_XException("));
}

}  // namespace
