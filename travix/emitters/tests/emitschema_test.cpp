#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "tests/support/tempdir.h"
#include "travix/emitters/tests/schematestsupport.h"
#include "travix/schema/emitschema.h"
#include "travix/schema/pathutil.h"
#include "travixexcept.h"

namespace {

using SchemaTest::FrontEnd;
using SchemaTest::InlineSchema;
using TestSupport::ReadFile;
using TestSupport::TempDir;
using Travix::JoinPath;

class SchemaOutput : public ::testing::Test {
protected:
  // The normalised schema file written for text.
  std::string Written(const std::string& text, const std::string& base = "ns") {
    InlineSchema schema(text);
    FrontEnd writer;
    writer.SetOutputDir(dir.Path());
    writer.SetOutputFileName(base);
    writer.Interpret(schema.Document());
    writer.EmitSchema();
    EXPECT_TRUE(writer.GetGeneratedFilesList().empty());
    return ReadFile(JoinPath(dir.Path(), "Travix_" + base + ".xsd"));
  }

  Travix::Dom::XercesSession session;
  TempDir dir;
};

TEST_F(SchemaOutput, ElementsAreIndentedByTabsAndTextStaysOnItsLine) {
  EXPECT_EQ(Written("<!-- about --><schema targetNS='urn:x' version='1'>\n"
                    "  <archetype name='po' order='seq' model='closed'>\n"
                    "    <element maxOccurs='*' name='a' minOccurs='0' type='string'/>\n"
                    "    <element name='a' type='string'/>\n"
                    "  </archetype>\n"
                    "  <datatype name='colour'><basetype name='string'/><maxLength>8</maxLength>"
                    "<enumeration>\n<literal>red</literal><literal> </literal></enumeration>"
                    "</datatype>\n"
                    "</schema>"),
            "<?xml version='1.0' encoding='utf-8' ?>\n"
            "<schema>\n"
            "\t<archetype name=\"po\" order=\"seq\">\n"
            "\t\t<element name=\"a\" type=\"string\" minOccurs=\"0\" maxOccurs=\"*\"/>\n"
            "\t\t<element name=\"a\" type=\"string\"/>\n"
            "\t</archetype>\n"
            "\t<datatype name=\"colour\">\n"
            "\t\t<basetype name=\"string\"/>\n"
            "\t\t<maxLength>8</maxLength>\n"
            "\t\t<enumeration>\n"
            "\t\t\t<literal>red</literal>\n"
            "\t\t\t<literal> </literal>\n"
            "\t\t</enumeration>\n"
            "\t</datatype>\n"
            "</schema>\n"
            "\n");
}

TEST_F(SchemaOutput, MarkupInValuesIsEscapedAndTextIsUtf8) {
  std::string text = Written(
      "<schema><archetype name='caf\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E'>"
      "<element name='q' default='a&amp;b&lt;c\"d&#9;e&#10;f'/>"
      "<element name='r' fixed='x&#13;y'/></archetype>"
      "<datatype name='t'><enumeration><literal>1 &lt; 2 &amp;&amp; 3 &gt; 2</literal>"
      "<literal><![CDATA[<raw>]]></literal></enumeration></datatype></schema>");
  EXPECT_NE(text.find("<archetype name=\"caf\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E\">"),
            std::string::npos);
  EXPECT_NE(text.find("default=\"a&amp;b&lt;c&quot;d&#9;e&#10;f\""), std::string::npos) << text;
  EXPECT_NE(text.find("fixed=\"x&#13;y\""), std::string::npos) << text;
  EXPECT_NE(text.find("<literal>1 &lt; 2 &amp;&amp; 3 &gt; 2</literal>"), std::string::npos);
  EXPECT_NE(text.find("<literal><![CDATA[<raw>]]></literal>"), std::string::npos);
}

TEST_F(SchemaOutput, OtherNodeKindsAreWrittenAsMarkupOrLeftOut) {
  InlineSchema schema("<?top here?><schema><?inner a b?><archetype name='a'>"
                      "<!-- gone --></archetype></schema>");
  std::ostringstream out;
  Travix::EmitDOMNode(out, schema.Document());
  EXPECT_EQ(out.str(),
            "<?xml version='1.0' encoding='utf-8' ?>\n"
            "<?top here?>\n"
            "<schema>\n"
            "\t<?inner a b?>\n"
            "\t<archetype name=\"a\"></archetype>\n"
            "</schema>\n"
            "\n");
}

TEST_F(SchemaOutput, WritingTwiceThroughTheParserGivesTheSameFile) {
  const std::string corpus[] = {
      // nested anonymous types, groups of every order, references, repeats
      "<?xml version='1.0'?>\n<!-- purchase order -->\n<schema targetNS='urn:po'>\n"
      "  <element name='comment' type='string'/>\n"
      "  <archetype name='po' content='elemOnly'>\n"
      "    <element name='shipTo'><archetype><element name='name' type='string'/>\n"
      "      <attribute name='country'><datatype><basetype name='NMTOKEN'/>\n"
      "        <enumeration><literal>US</literal><literal>DE</literal></enumeration>\n"
      "      </datatype></attribute></archetype></element>\n"
      "    <element ref='comment' minOccurs='0'/>\n"
      "    <element ref='comment' maxOccurs='*'/>\n"
      "    <group order='choice'><element name='a'/><group><element name='b'/></group></group>\n"
      "    <element name='item' maxOccurs='*'><archetype content='mixed'><element name='sku'/>"
      "</archetype></element>\n"
      "  </archetype>\n"
      "  <archetype name='tail'><element name='q' type='qty'/></archetype>\n"
      "  <datatype name='qty'><basetype name='positive-integer'/>"
      "<maxInclusive>100</maxInclusive></datatype>\n"
      "</schema>\n",
      // values that need escaping, text and CDATA, non-ASCII names
      "<schema><archetype name='n\xC3\xBC' content='textOnly'>"
      "<attribute name='x' default='&quot;&lt;&amp;&#9;' fixed=' &#10; '/>"
      "<element name='e' type='t'/></archetype>"
      "<datatype name='t'><basetype name='string'/><enumeration><literal>a&amp;b</literal>"
      "<literal><![CDATA[x]]>]]&gt;</literal><literal>\xF0\x9D\x84\x9E</literal>"
      "<literal>  </literal></enumeration></datatype><?keep this?></schema>",
      // an already flat schema
      "<schema><archetype name='only'/></schema>",
  };
  int index = 0;
  for (const std::string& text : corpus) {
    const std::string base = "round" + std::to_string(index++);
    const std::string first = Written(text, base);

    FrontEnd reader;
    reader.SetOutputDir(dir.Path());
    reader.SetOutputFileName(base + "again");
    reader.Interpret(JoinPath(dir.Path(), "Travix_" + base + ".xsd"));
    reader.EmitSchema();
    EXPECT_EQ(ReadFile(JoinPath(dir.Path(), "Travix_" + base + "again.xsd")), first) << first;
  }
}

TEST_F(SchemaOutput, FailuresToOpenOrWriteAreReported) {
  InlineSchema schema("<schema><archetype name='a'/></schema>");
  FrontEnd writer;
  writer.Interpret(schema.Document());
  writer.SetOutputFileName("ns");
  writer.SetOutputDir(JoinPath(dir.Path(), "absent"));
  try {
    writer.EmitSchema();
    ADD_FAILURE() << "wrote into a missing directory";
  } catch (const Travix::XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Unable to open file '" + dir.Path() +
                              "/absent/Travix_ns.xsd' for schema output.");
  }

  std::filesystem::create_symlink("/dev/full", JoinPath(dir.Path(), "Travix_ns.xsd"));
  writer.SetOutputDir(dir.Path());
  try {
    writer.EmitSchema();
    ADD_FAILURE() << "a full device passed for a written schema";
  } catch (const Travix::XException& e) {
    EXPECT_EQ(e.GetMsg(),
              "Error: Unable to write file '" + dir.Path() + "/Travix_ns.xsd' for schema output.");
  }
}

}  // namespace
