// What each DTD construct becomes in the schema, seen through the schema
// text of a whole run (groups already merged where nothing is lost).
#include <gtest/gtest.h>

#include <string>

#include "travix/readers/dtd/tests/dtdtestsupport.h"

using DtdTest::Headline;
using DtdTest::SchemaOf;

namespace {

// The schema element's text for a body of lines, each indented once more.
std::string Schema(const std::string& body) { return "<schema>\n" + body + "</schema>\n"; }

}  // namespace

TEST(DtdGrammar, ContentModels) {
  // Nothing of this one can be merged: the outer group repeats a sequence
  // of three, the inner one is a repeated choice inside a sequence.
  EXPECT_EQ(SchemaOf("<!ELEMENT doc (a, (b|c)*, d?)+>"),
            Schema("\t<element name=\"doc\" type=\"doc\"/>\n"
                   "\t<archetype name=\"doc\">\n"
                   "\t\t<group order=\"seq\" minOccurs=\"1\" maxOccurs=\"*\">\n"
                   "\t\t\t<element name=\"a\" type=\"a\"/>\n"
                   "\t\t\t<group order=\"choice\" minOccurs=\"0\" maxOccurs=\"*\">\n"
                   "\t\t\t\t<element name=\"b\" type=\"b\"/>\n"
                   "\t\t\t\t<element name=\"c\" type=\"c\"/>\n"
                   "\t\t\t</group>\n"
                   "\t\t\t<element name=\"d\" type=\"d\" minOccurs=\"0\" maxOccurs=\"1\"/>\n"
                   "\t\t</group>\n"
                   "\t</archetype>\n"));
  // A one-item list is a sequence, merged into the archetype.
  EXPECT_EQ(SchemaOf("<!ELEMENT f ( g )>"),
            Schema("\t<element name=\"f\" type=\"f\"/>\n"
                   "\t<archetype name=\"f\" order=\"seq\">\n"
                   "\t\t<element name=\"g\" type=\"g\"/>\n"
                   "\t</archetype>\n"));
  EXPECT_EQ(SchemaOf("<!ELEMENT b ( #PCDATA | x | y )*>"),
            Schema("\t<element name=\"b\" type=\"b\"/>\n"
                   "\t<archetype name=\"b\" content=\"mixed\">\n"
                   "\t\t<element name=\"x\" type=\"x\"/>\n"
                   "\t\t<element name=\"y\" type=\"y\"/>\n"
                   "\t</archetype>\n"));
  std::string declarations =
      "<!ELEMENT r EMPTY>\n<!ELEMENT s ANY >\n<!ELEMENT t (#PCDATA)>\n<!ELEMENT u (#PCDATA)*>\n";
  EXPECT_EQ(SchemaOf(declarations),
            Schema("\t<element name=\"r\" type=\"r\"/>\n"
                   "\t<archetype name=\"r\" content=\"empty\"/>\n"
                   "\t<archetype name=\"s\" content=\"any\"/>\n"
                   "\t<archetype name=\"t\" content=\"textOnly\"/>\n"
                   "\t<archetype name=\"u\" content=\"textOnly\"/>\n"));
}

TEST(DtdGrammar, EnumeratedAttributeList) {
  EXPECT_EQ(SchemaOf("<!ELEMENT a EMPTY>\n<!ATTLIST a x ( p | q ) 'p'>"),
            Schema("\t<element name=\"a\" type=\"a\"/>\n"
                   "\t<archetype name=\"a\" content=\"empty\">\n"
                   "\t\t<attribute name=\"x\" default=\"p\">\n"
                   "\t\t\t<datatype>\n"
                   "\t\t\t\t<basetype name=\"NMTOKEN\"/>\n"
                   "\t\t\t\t<enumeration>\n"
                   "\t\t\t\t\t<literal>p</literal>\n"
                   "\t\t\t\t\t<literal>q</literal>\n"
                   "\t\t\t\t</enumeration>\n"
                   "\t\t\t</datatype>\n"
                   "\t\t</attribute>\n"
                   "\t</archetype>\n"));
}

TEST(DtdGrammar, AttributeTypesAndDefaults) {
  EXPECT_EQ(SchemaOf("<!ELEMENT a EMPTY>\n"
                     "<!ATTLIST a c CDATA #IMPLIED i ID #REQUIRED r IDREF #IMPLIED\n"
                     "  rs IDREFS #IMPLIED e ENTITY #IMPLIED es ENTITIES #IMPLIED\n"
                     "  n NMTOKEN \"v\" ns NMTOKENS '' f CDATA #FIXED \"it's &#60;&#38;#38;>\">"),
            Schema("\t<element name=\"a\" type=\"a\"/>\n"
                   "\t<archetype name=\"a\" content=\"empty\">\n"
                   "\t\t<attribute name=\"c\" type=\"string\"/>\n"
                   "\t\t<attribute name=\"i\" type=\"ID\" minOccurs=\"1\"/>\n"
                   "\t\t<attribute name=\"r\" type=\"IDREF\"/>\n"
                   "\t\t<attribute name=\"rs\" type=\"IDREFS\"/>\n"
                   "\t\t<attribute name=\"e\" type=\"ENTITY\"/>\n"
                   "\t\t<attribute name=\"es\" type=\"ENTITIES\"/>\n"
                   "\t\t<attribute name=\"n\" type=\"NMTOKEN\" default=\"v\"/>\n"
                   "\t\t<attribute name=\"ns\" type=\"NMTOKENS\" default=\"\"/>\n"
                   "\t\t<attribute name=\"f\" type=\"string\" fixed=\"it's &lt;&amp;&gt;\"/>\n"
                   "\t</archetype>\n"));
}

TEST(DtdGrammar, CharacterReferencesInValuesAreCharacters) {
  // The entities source keeps C escapes; the schema holds the characters.
  std::string schema = SchemaOf(
      "<!ENTITY nbsp \"&#160;\">\n<!ELEMENT a EMPTY>\n"
      "<!ATTLIST a s CDATA \"x&nbsp;y&#x1D11E;&#9;\" t CDATA 'C:\\xAB\\x41'>");
  EXPECT_NE(schema.find("default=\"x\xC2\xA0y\xF0\x9D\x84\x9E&#9;\""), std::string::npos)
      << schema;
  // A backslash the DTD wrote stays: no escape the table makes reads so.
  EXPECT_NE(schema.find("default=\"C:\\xAB\\x41\""), std::string::npos) << schema;
}

TEST(DtdGrammar, BackslashesAreNeverTakenForEscapes) {
  // Text that looks like the table's escapes, written by the DTD, by a
  // reference to a backslash, or through an entity, stays text.
  std::string schema = SchemaOf(
      "<!ENTITY path \"C:\\x41\\dir\">\n<!ELEMENT a EMPTY>\n"
      "<!ATTLIST a s CDATA \"\\xC3\\xA9\" t CDATA \"&#92;x41&#x5C;x7F&#38;#92;xC3\\\"\n"
      "            u CDATA \"&path;\">");
  EXPECT_NE(schema.find("default=\"\\xC3\\xA9\""), std::string::npos) << schema;
  EXPECT_NE(schema.find("default=\"\\x41\\x7F\\xC3\\\""), std::string::npos) << schema;
  EXPECT_NE(schema.find("default=\"C:\\x41\\dir\""), std::string::npos) << schema;
  // A text read before, unexpanded, in a declaration is expanded all the
  // same where it is a value.
  EXPECT_NE(SchemaOf("<!ENTITY e \"&#65;\">\n<!ELEMENT a EMPTY>\n<!ATTLIST a x CDATA \"&#65;\">")
                .find("default=\"A\""),
            std::string::npos);
}

TEST(DtdGrammar, EntityTextStaysInsideItsLiteral) {
  // Quotes in a general entity's text are characters of the value, not
  // the end of the literal the reference stands in.
  EXPECT_EQ(SchemaOf("<!ENTITY evil '\" y CDATA \"v'>\n<!ENTITY quot \"&#34;\">\n"
                     "<!ENTITY apos \"'\">\n<!ELEMENT a EMPTY>\n"
                     "<!ATTLIST a x CDATA \"&evil;\" q CDATA \"&quot;\" p CDATA '&apos;&quot;'>"),
            Schema("\t<element name=\"a\" type=\"a\"/>\n"
                   "\t<archetype name=\"a\" content=\"empty\">\n"
                   "\t\t<attribute name=\"x\" type=\"string\" default=\"&quot; y CDATA &quot;v\"/>\n"
                   "\t\t<attribute name=\"q\" type=\"string\" default=\"&quot;\"/>\n"
                   "\t\t<attribute name=\"p\" type=\"string\" default=\"'&quot;\"/>\n"
                   "\t</archetype>\n"));
  // A parameter entity's quotes still delimit the literals it holds.
  EXPECT_EQ(SchemaOf("<!ENTITY % att 'x CDATA \"v\" y CDATA \"&#9;\"'>\n<!ELEMENT a EMPTY>\n"
                     "<!ATTLIST a %att;>"),
            Schema("\t<element name=\"a\" type=\"a\"/>\n"
                   "\t<archetype name=\"a\" content=\"empty\">\n"
                   "\t\t<attribute name=\"x\" type=\"string\" default=\"v\"/>\n"
                   "\t\t<attribute name=\"y\" type=\"string\" default=\"&#9;\"/>\n"
                   "\t</archetype>\n"));
}

TEST(DtdGrammar, WhereAttributesGo) {
  // Before its element: under schema. After a second declaration of the
  // element: the last one. The root is the first element declared only.
  EXPECT_EQ(SchemaOf("<!ATTLIST late x CDATA #IMPLIED>\n"
                     "<!ELEMENT first EMPTY>\n<!ELEMENT late EMPTY>\n<!ELEMENT late ANY>\n"
                     "<!ATTLIST late y CDATA #IMPLIED>\n"),
            Schema("\t<attribute name=\"x\" type=\"string\"/>\n"
                   "\t<element name=\"first\" type=\"first\"/>\n"
                   "\t<archetype name=\"first\" content=\"empty\"/>\n"
                   "\t<archetype name=\"late\" content=\"empty\"/>\n"
                   "\t<archetype name=\"late\" content=\"any\">\n"
                   "\t\t<attribute name=\"y\" type=\"string\"/>\n"
                   "\t</archetype>\n"));
  // An attribute list that an empty parameter entity left without
  // definitions adds nothing.
  EXPECT_EQ(SchemaOf("<!ENTITY % local.attribs \"\">\n<!ELEMENT a EMPTY>\n"
                     "<!ATTLIST a %local.attribs;>\n<!ATTLIST a>\n<!ATTLIST b >"),
            Schema("\t<element name=\"a\" type=\"a\"/>\n"
                   "\t<archetype name=\"a\" content=\"empty\"/>\n"));
}

TEST(DtdGrammar, DeclarationsThatLeaveNothing) {
  EXPECT_EQ(SchemaOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!-- a DTD -->\n"
                     "<?style sheet=\"x\"?><?empty?><?blank ?>\n"
                     "<!ENTITY e \"v\">\n<!ENTITY % p 'w'>\n"
                     "<!ENTITY s SYSTEM \"s.gif\" NDATA gif>\n"
                     "<!ENTITY u PUBLIC \"-//X//EN\" 'u.gif' NDATA gif >\n"
                     "<!ENTITY g SYSTEM 'g.gif' NDATA gif>\n"
                     "<!NOTATION gif SYSTEM \"image/gif\">\n<!NOTATION png PUBLIC 'png' >\n"
                     "<!NOTATION jpg PUBLIC 'jpg' \"image/jpeg\">\n"),
            "<schema/>\n");
  // An entity file may begin with its own text declaration.
  TestSupport::TempDir dir;
  dir.Write("m.ent", "<?xml encoding='UTF-8'?>\n<!ELEMENT m EMPTY>\n");
  dir.Write("d.dtd", "<!ENTITY % m SYSTEM \"m.ent\">\n<!ELEMENT d (m)>\n%m;\n");
  auto outcome = DtdTest::ReadDtd(dir, "d.dtd");
  EXPECT_TRUE(outcome.parsed) << outcome.error;
}

TEST(DtdGrammar, ParameterEntitiesJoinedToNames) {
  // A reference inside an entity value stands for its text alone.
  EXPECT_EQ(SchemaOf("<!ENTITY % pre \"soc:\">\n<!ENTITY % colon-pre \":soc\">\n"
                     "<!ENTITY % ns \"xmlns%colon-pre;\">\n<!ENTITY % e \"%pre;e\">\n"
                     "<!ELEMENT %e; EMPTY>\n<!ATTLIST %e; %ns; CDATA #IMPLIED>"),
            Schema("\t<element name=\"soc:e\" type=\"soc:e\"/>\n"
                   "\t<archetype name=\"soc:e\" content=\"empty\">\n"
                   "\t\t<attribute name=\"xmlns:soc\" type=\"string\"/>\n"
                   "\t</archetype>\n"));
}

TEST(DtdGrammar, SyntaxErrorsNameTheirPlace) {
  struct Case {
    std::string dtd;
    std::string headline;
  } cases[] = {
      {"<!ELEMENT a EMPTY>\n<!ELEMENT b (c|d,e)>",
       "Error: t.dtd: line 2: parse error at token \",\" in the following line:"},
      {"<!ELEMENT a (b) *>", "Error: t.dtd: line 1: parse error at token \"*\" in the following line:"},
      {"<!ELEMENT a (#PCDATA|b)>",
       "Error: t.dtd: line 1: parse error at token \">\" in the following line:"},
      {"<!ELEMENT a ((#PCDATA))>",
       "Error: t.dtd: line 1: parse error at token \"#PCDATA\" in the following line:"},
      {"<!ELEMENTa EMPTY>", "Error: t.dtd: line 1: parse error at token \"a\" in the following line:"},
      {"<!ATTLIST a x CDATA>", "Error: t.dtd: line 1: parse error at token \">\" in the following line:"},
      // The input ends inside a declaration.
      {"<!ELEMENT a EMPTY>\n<!ELEMENT b", "Error: t.dtd: line 2: parse error at token \"\" in the following line:"},
  };
  for (const Case& c : cases) {
    std::string error = SchemaOf(c.dtd);
    EXPECT_EQ(Headline(error), "error: " + c.headline) << c.dtd;
  }
}

TEST(DtdGrammar, DeepNestingOverflowsTheParserStack) {
  std::string nested = "<!ELEMENT a " + std::string(6000, '(') + "b" + std::string(6000, ')') + ">";
  EXPECT_EQ(Headline(SchemaOf(nested)),
            "error: Error: t.dtd: line 1: parser stack overflow at token \"(\" in the following "
            "line:");
  // Nesting that fits becomes one element after merging.
  std::string fits = "<!ELEMENT a " + std::string(1000, '(') + "b" + std::string(1000, ')') + ">";
  EXPECT_EQ(SchemaOf(fits), Schema("\t<element name=\"a\" type=\"a\"/>\n"
                                   "\t<archetype name=\"a\" order=\"seq\">\n"
                                   "\t\t<element name=\"b\" type=\"b\"/>\n"
                                   "\t</archetype>\n"));
}
