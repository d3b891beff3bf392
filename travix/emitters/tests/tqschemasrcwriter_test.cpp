#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/tempdir.h"
#include "travix/emitters/tests/schematestsupport.h"
#include "travix/schema/pathutil.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace {

using SchemaTest::FrontEnd;
using SchemaTest::InlineSchema;
using TestSupport::TempDir;
using Travix::JoinPath;
using Travix::TqSchemaSrcWriter;
using Travix::XException;

const std::string kSmallSchema =
    "<?xml version='1.0'?>\n<schema>\n  <archetype name='po'>\n    <element name='item'/>\n"
    "  </archetype>\n</schema>\n";

// Runs body and answers the XException it throws.
template <typename Body>
XException Thrown(Body body) {
  try {
    body();
  } catch (const XException& e) {
    return e;
  }
  return XException("(no exception)", "", 0);
}

class SchemaFile : public ::testing::Test {
protected:
  Travix::Dom::XercesSession session;
  TempDir dir;
};

TEST_F(SchemaFile, BaseNameComesFromTheFileNameWithoutExtension) {
  struct Case {
    std::string name, base;
  } cases[] = {
      {"po.xsd", "po"},            {"po.schema.xsd", "po.schema"}, {"noextension", "noextension"},
      {".hidden", ".hidden"},      {"dir.d/inner", "inner"},       {"dir.d/inner.xsd", "inner"},
      {"Upper.Case.XSD", "Upper.Case"},
  };
  std::filesystem::create_directory(JoinPath(dir.Path(), "dir.d"));
  for (const auto& c : cases) {
    const std::string path = dir.Write(c.name, kSmallSchema);
    FrontEnd writer;
    writer.Interpret(path);
    EXPECT_EQ(writer.GetOutputFileName(), c.base) << c.name;
  }
  // Windows-style names still split at the backslash.
  FrontEnd windows;
  EXPECT_THROW(windows.Interpret(std::string("C:\\schemas\\po.xsd")), XException);
  EXPECT_EQ(windows.GetOutputFileName(), "po");

  FrontEnd preset;
  preset.SetOutputFileName("chosen");
  preset.Interpret(dir.Write("other.xsd", kSmallSchema).c_str());
  EXPECT_EQ(preset.GetOutputFileName(), "chosen");
}

TEST_F(SchemaFile, FileIsParsedAndNormalised) {
  FrontEnd writer;
  EXPECT_TRUE(writer.Interpret(dir.Write("po.xsd", kSmallSchema)));
  ASSERT_NE(writer.GetSchemaNode(), nullptr);
  EXPECT_NE(writer.FindType(u"po"), nullptr);

  // A second file replaces the first entirely.
  writer.Interpret(dir.Write("é€.xsd", "<schema><archetype name='other'/></schema>"));
  EXPECT_EQ(writer.FindType(u"po"), nullptr);
  EXPECT_NE(writer.FindType(u"other"), nullptr);
  EXPECT_EQ(writer.GetOutputFileName(), "po");
}

TEST_F(SchemaFile, MalformedFileNamesParserMessageFileAndLine) {
  const std::string path =
      dir.Write("bad.xsd", "<schema>\n<archetype name='po'>\n<element>\n</archetype>\n</schema>\n");
  FrontEnd writer;
  XException e = Thrown([&] { writer.Interpret(path); });
  EXPECT_EQ(e.GetMsg(), "Error: expected end of tag 'element'");
  EXPECT_EQ(e.GetSourceFile(), path);
  EXPECT_EQ(e.GetSourceLine(), 4);

  // The writer's parser stays usable after a failed parse.
  EXPECT_TRUE(writer.Interpret(dir.Write("good.xsd", kSmallSchema)));

  XException missing = Thrown([&] { writer.Interpret(std::string("missing.xsd")); });
  EXPECT_EQ(missing.GetMsg().rfind("Error: unable to open primary document entity", 0), 0u)
      << missing.GetMsg();
  EXPECT_EQ(missing.GetSourceFile(), "missing.xsd");
}

TEST_F(SchemaFile, ParserReadsNothingButTheGivenFile) {
  dir.Write("secret.txt", "secret");
  dir.Write("defaults.dtd", "<!ATTLIST archetype content CDATA 'textOnly'>");
  FrontEnd writer;
  const std::string external = dir.Write(
      "external.xsd", "<!DOCTYPE schema [<!ENTITY s SYSTEM 'secret.txt'>]>\n"
                      "<schema><archetype name='a'>&s;</archetype>"
                      "</schema>");
  XException e = Thrown([&] { writer.Interpret(external); });
  EXPECT_NE(e.GetMsg().find("unable to open external entity"), std::string::npos) << e.GetMsg();

  writer.Interpret(dir.Write("withdtd.xsd", "<!DOCTYPE schema SYSTEM 'defaults.dtd'>\n"
                                            "<schema><archetype name='a'/></schema>"));
  EXPECT_FALSE(Travix::Dom::GetAttribute(writer.FindType(u"a"), u"content").has_value());

  std::string laughs = "<!DOCTYPE schema [<!ENTITY a0 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx'>";
  for (int i = 1; i < 8; ++i) {
    laughs += "<!ENTITY a" + std::to_string(i) + " '";
    for (int j = 0; j < 10; ++j) laughs += "&a" + std::to_string(i - 1) + ";";
    laughs += "'>";
  }
  laughs += "]><schema><archetype name='a' model='&a7;'/></schema>";
  XException bomb = Thrown([&] { writer.Interpret(dir.Write("bomb.xsd", laughs)); });
  EXPECT_NE(bomb.GetMsg().find("entity expansions"), std::string::npos) << bomb.GetMsg();
}

TEST_F(SchemaFile, InternalEntitiesAreExpandedAndNormalisable) {
  FrontEnd writer;
  writer.Interpret(dir.Write(
      "entities.xsd", "<!DOCTYPE schema [<!ENTITY items \"<element name='a'><archetype/></element>\">]>"
                      "<schema><archetype name='po'>&items;</archetype></schema>"));
  EXPECT_NE(writer.FindType(u"a"), nullptr);
}

TEST_F(SchemaFile, InterpretStartsANewRun) {
  struct Recording : FrontEnd {
    bool Emit() override {
      AddGeneratedFile(OutputPath(GetOutputFileName() + ".h"));
      return true;
    }
    using FrontEnd::Emit;
  } writer;
  writer.SetOutputDir("out");
  writer.Interpret(dir.Write("po.xsd", kSmallSchema));
  EXPECT_TRUE(writer.Emit("named"));
  EXPECT_EQ(writer.GetOutputFileName(), "named");
  EXPECT_EQ(writer.GetGeneratedFilesList(), std::list<std::string>{"out/named.h"});
  writer.Interpret(dir.Write("po.xsd", kSmallSchema));
  EXPECT_TRUE(writer.GetGeneratedFilesList().empty());
}

TEST(SchemaFileWithoutPlatform, FailsInsteadOfCrashing) {
  FrontEnd writer;
  XException e = Thrown([&] { writer.Interpret(std::string("po.xsd")); });
  EXPECT_EQ(e.GetMsg(), "Error: Unable create XML4C DOM Parser.");
}

TEST(ClassReading, KindContentModelAndOrderWithDefaults) {
  Travix::Dom::XercesSession session;
  InlineSchema schema(
      "<schema><archetype name='a'/><archetype name='b' content='mixed' order='choice'/>"
      "<archetype name='c' content='Mixed' order='sequence'/><datatype name='d'/>"
      "<group name='g' order='all'/><element name='e'/></schema>");
  FrontEnd writer;
  writer.Interpret(schema.Document());
  auto a = writer.FindType(u"a"), b = writer.FindType(u"b"), c = writer.FindType(u"c");

  EXPECT_EQ(FrontEnd::ClassTypeOf(a), TqSchemaSrcWriter::archetype);
  EXPECT_EQ(FrontEnd::ClassTypeOf(writer.FindType(u"d")), TqSchemaSrcWriter::datatype);
  EXPECT_EQ(FrontEnd::ClassTypeOf(writer.FindType(u"g")), TqSchemaSrcWriter::group);
  EXPECT_EQ(FrontEnd::ClassTypeOf(writer.GetSchemaNode()->getLastChild()), std::nullopt);

  EXPECT_EQ(FrontEnd::ContentModelOf(a, "a"), TqSchemaSrcWriter::elemOnly);
  EXPECT_EQ(FrontEnd::ContentModelOf(b, "b"), TqSchemaSrcWriter::mixed);
  EXPECT_EQ(FrontEnd::OrderOf(a, "a"), TqSchemaSrcWriter::seq);
  EXPECT_EQ(FrontEnd::OrderOf(b, "b"), TqSchemaSrcWriter::choice);
  EXPECT_EQ(FrontEnd::OrderOf(writer.FindType(u"g"), "g"), TqSchemaSrcWriter::all);
  EXPECT_EQ(Thrown([&] { FrontEnd::ContentModelOf(c, "c_id"); }).GetMsg(),
            "Error: Unknown content model found in 'c_id'");
  EXPECT_EQ(Thrown([&] { FrontEnd::OrderOf(c, "c_id"); }).GetMsg(),
            "Error: Unknown order found in 'c_id'");

  EXPECT_EQ(int(TqSchemaSrcWriter::archetype), 1);
  EXPECT_EQ(int(TqSchemaSrcWriter::any), 5);
  EXPECT_EQ(int(TqSchemaSrcWriter::all), 3);
}

TEST(WstringTostring, ConvertsWholeTextIndependentOfLocale) {
  EXPECT_EQ(Travix::wstringTostring(std::u16string()), "");
  EXPECT_EQ(Travix::wstringTostring(static_cast<const XMLCh*>(nullptr)), "");
  std::u16string text;
  std::string expected;
  for (int i = 0; i < 50; ++i) {
    text += u"aé€";
    expected += "a\xC3\xA9\xE2\x82\xAC";
  }
  EXPECT_EQ(Travix::wstringTostring(text), expected);
  std::u16string trailing = u"x\U0001D11E";
  trailing += char16_t(0xDC00);
  EXPECT_EQ(Travix::wstringTostring(trailing.c_str()), "x\xF0\x9D\x84\x9E\xEF\xBF\xBD");
}

}  // namespace
