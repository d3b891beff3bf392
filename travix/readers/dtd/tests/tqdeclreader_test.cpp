// The reader object: where its inputs are looked for, what files a run
// writes, the text-entities source, and the schema document it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <list>

#include "travix/readers/dtd/entitiessource.h"
#include "travix/readers/dtd/tests/dtdtestsupport.h"
#include "travix/schema/transcode.h"

using TestSupport::TempDir;
using Travix::TqDeclReader;
using Travix::XException;

namespace {

std::string ParseError(TqDeclReader& reader, const std::string& name) {
  try {
    reader.Parse(name);
  } catch (const XException& e) {
    return e.GetMsg();
  }
  return std::string();
}

// The fixture of a DTD with one external parameter entity, general
// entities that hold a character reference, a line feed, a quote and a
// backslash, an unparsed entity (no text, no row) and an external one,
// whose file's text the importer reads. Before, the external entities'
// rows held their file names.
void WriteEntityFixture(const TempDir& dir) {
  dir.Write("order.dtd",
            "<!ENTITY % parts SYSTEM \"parts.ent\">\n"
            "%parts;\n"
            "<!ENTITY nbsp \"&#160;\">\n"
            "<!ENTITY two \"first\nsecond\">\n"
            "<!ENTITY q '\"quoted\"'>\n"
            "<!ENTITY bs \"C:\\x41\\dir&#92;x42\">\n"
            "<!ENTITY pic SYSTEM \"pic.gif\" NDATA gif>\n"
            "<!ENTITY chap SYSTEM \"chap.xml\">\n"
            "<!ELEMENT order (#PCDATA)>\n");
  dir.Write("parts.ent", "<!ENTITY euro \"&#8364;5\">\n<!ENTITY % local \"\">\n");
  dir.Write("chap.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>Fish &amp; \"chips\"");
}

}  // namespace

TEST(TqDeclReader, WritesTheTextEntitiesSource) {
  TempDir dir;
  WriteEntityFixture(dir);
  TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  reader.SetEntitiesFileBaseName("ns_entities");
  ASSERT_TRUE(reader.Parse(dir.Path("order.dtd")));
  EXPECT_EQ(reader.GetGeneratedFilesList(), std::list<std::string>{dir.Path("ns_entities.cpp")});
  std::string source = dir.Read("ns_entities.cpp");
  std::string head = "//\n// File: 'ns_entities.cpp'\n//\n//\n//  File generated on: ";
  EXPECT_EQ(source.substr(0, head.size()), head);
  std::string rest = source.substr(source.find("//  Travix Version"));
  EXPECT_EQ(rest,
            "//  Travix Version: 1.2\n"
            "//\n"
            "\n"
            "#include <xmlimporterbase.h> // For Travix::TextEntity type\n"
            "\n"
            "Travix::TextEntity ns_entities[] =\n"
            "{\n"
            "#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)\n"
            "  {\"euro\",\"\\xE2\\x82\\xAC\"\"5\"},\n"
            "  {\"nbsp\",\"\\xC2\\xA0\"},\n"
            "  {\"two\",\"first\\n\"\n\"second\"},\n"
            "  {\"q\",\"\\\"quoted\\\"\"},\n"
            "  {\"bs\",\"C:\\\\x41\\\\dir\\\\x42\"},\n"
            "  {\"chap\",\"Fish &amp; \\\"chips\\\"\"},\n"
            "#endif // _TRAVIX_SUPPRESS_READ_SUPPORT\n"
            "  { 0, 0 }\n"
            "};\n"
            "\n");
}

TEST(TqDeclReader, EntitiesSourceOptions) {
  TempDir dir;
  dir.Write("plain.dtd", "<!ELEMENT a EMPTY>\n");
  TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  reader.SetNamespaceDisabled(true);
  ASSERT_TRUE(reader.Parse(dir.Path("plain.dtd")));
  EXPECT_EQ(reader.GetEntitiesFileBaseName(), "entities");
  std::string source = dir.Read("entities.cpp");
  EXPECT_NE(source.find("#include <xmlimporterbase.h> // For Travix_TextEntity type\n\n"
                        "Travix_TextEntity entities[] =\n{\n"
                        "#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)\n"
                        "#endif // _TRAVIX_SUPPRESS_READ_SUPPORT\n  { 0, 0 }\n};\n"),
            std::string::npos);

  TempDir other;
  other.Write("plain.dtd", "<!ENTITY e \"x\">\n");
  reader.SetOutputDir(other.Path());
  reader.SetReadDisabled(true);
  ASSERT_TRUE(reader.Parse(other.Path("plain.dtd")));
  EXPECT_TRUE(reader.GetGeneratedFilesList().empty());
  EXPECT_FALSE(other.Exists("entities.cpp"));
}

TEST(TqDeclReader, EscapesEntityTexts) {
  using Travix::Dtd::EscapeEntityText;
  // A stored escape is kept, and the literal is reopened before a hex digit.
  EXPECT_EQ(EscapeEntityText("\\xA0abc\\xA0-\\xC2\\xA0"), "\\xA0\"\"abc\\xA0-\\xC2\\xA0");
  // Control characters become escapes with the same care.
  EXPECT_EQ(EscapeEntityText("a\rb\tc\x7F" "1"), "a\\x0D\"\"b\\x09\"\"c\\x7F\"\"1");
  // A backslash that starts no complete escape is doubled.
  EXPECT_EQ(EscapeEntityText("\\x4\\n\\"), "\\\\x4\\\\n\\\\");
  EXPECT_EQ(EscapeEntityText("\n\n"), "\\n\"\n\"\\n\"\n\"");
  EXPECT_EQ(EscapeEntityText("a??" "?=b?"), "a?\\?\\?=b?");
  // Text beyond ASCII is UTF-8 already and stays as it is.
  EXPECT_EQ(EscapeEntityText("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(TqDeclReader, LooksForItsInputAndWritesItsOutputs) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path("dtds"));
  dir.Write("dtds/order.dtd", "<!ELEMENT order EMPTY>\n");
  TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  reader.SetSavePrepOutput(true);
  // A Windows-style directory part works as well.
  std::filesystem::path working = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  std::string windowsStyle = ParseError(reader, "dtds\\order.dtd");
  std::filesystem::current_path(working);
  EXPECT_EQ(windowsStyle, "");
  EXPECT_EQ(dir.Read("order.dtd.prep"), "<!ELEMENT order EMPTY>\n");
  // The input directory replaces the name's own directory part.
  reader.SetInputDir(dir.Path("dtds"));
  ASSERT_TRUE(reader.Parse("elsewhere/order.dtd"));

  reader.SetInputDir("");
  EXPECT_EQ(ParseError(reader, dir.Path("none.dtd")),
            "Error: Unable to open DTD input file '" + dir.Path("none.dtd") + "', errno=2");
  EXPECT_EQ(ParseError(reader, dir.Path()),
            "Error: Unable to open DTD input file '" + dir.Path() + "', errno=21");
  reader.SetOutputDir(dir.Path("missing"));
  EXPECT_EQ(ParseError(reader, dir.Path("dtds/order.dtd")),
            "Error: Unable to open DTD preprocessor output file '" +
                dir.Path("missing/order.dtd.prep") + "', errno=2");
  reader.SetSavePrepOutput(false);
  EXPECT_EQ(ParseError(reader, dir.Path("dtds/order.dtd")),
            "Error: Unable to open the text entities output file '" +
                dir.Path("missing/entities.cpp") + "', errno=2");
}

TEST(TqDeclReader, OwnsNoDocumentItLeaves) {
  TempDir dir;
  dir.Write("a.dtd", "<!ELEMENT a EMPTY>\n");
  dir.Write("bad.dtd", "<!ELEMENT a $>\n");
  TqDeclReader first;
  first.SetReadDisabled(true);
  EXPECT_EQ(first.getDocument(), nullptr);
  ASSERT_TRUE(first.Parse(dir.Path("a.dtd")));
  ASSERT_NE(first.getDocument(), nullptr);
  EXPECT_EQ(first.getDocument()->getDocumentElement(), first.getSchema());
  EXPECT_EQ(Travix::wstringTostring(first.getSchema()->getTagName()), "schema");
  // The next run releases the document; the first reader no longer hands it out.
  TqDeclReader second;
  second.SetReadDisabled(true);
  EXPECT_FALSE(ParseError(second, dir.Path("bad.dtd")).empty());
  EXPECT_EQ(first.getDocument(), nullptr);
  EXPECT_EQ(first.getSchema(), nullptr);
  TqDeclReader::ReleaseDocument();
  EXPECT_EQ(second.getDocument(), nullptr);
}
