// The encoding of DTD and entity files: what a text declaration names is
// read as such, and bytes that are no text in the file's encoding end the
// run with a report instead of turning into replacement characters.
#include <gtest/gtest.h>

#include <string>

#include "travix/readers/dtd/dtdtext.h"
#include "travix/readers/dtd/tests/dtdtestsupport.h"

using DtdTest::ReadDtd;
using DtdTest::SchemaOf;
using TestSupport::TempDir;

using DtdTest::Contains;

TEST(DtdEncoding, DeclaredEncodingIsTranscoded) {
  const std::string latin1 =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
      "<!ENTITY eacute \"\xE9\">\n<!ELEMENT a EMPTY>\n<!ATTLIST a x CDATA \"caf\xE9\">\n";
  EXPECT_NE(SchemaOf(latin1).find("default=\"caf\xC3\xA9\""), std::string::npos) << SchemaOf(latin1);
  // The entities source holds UTF-8, as from any other DTD.
  TempDir dir;
  dir.Write("l.dtd", latin1);
  ASSERT_TRUE(ReadDtd(dir, "l.dtd").parsed);
  EXPECT_TRUE(Contains(dir.Read("entities.cpp"), "{\"eacute\",\"\xC3\xA9\"},"));

  // Any name the Unicode library knows, in either quote, after a
  // byte-order mark; here the euro sign of windows-1252.
  EXPECT_NE(SchemaOf("\xEF\xBB\xBF<?xml encoding = 'windows-1252' ?><!ELEMENT a EMPTY>"
                     "<!ATTLIST a x CDATA \"\x80\">")
                .find("default=\"\xE2\x82\xAC\""),
            std::string::npos);
  // An entity file declares its own encoding.
  dir.Write("m.ent", "<?xml encoding='latin1'?>\n<!ELEMENT \xE9t\xE9 EMPTY>\n");
  dir.Write("m.dtd", "<!ENTITY % m SYSTEM \"m.ent\">\n%m;\n");
  auto included = ReadDtd(dir, "m.dtd");
  EXPECT_TRUE(included.parsed) << included.error;
  EXPECT_TRUE(Contains(included.prep, "<!ELEMENT \xC3\xA9t\xC3\xA9 EMPTY>")) << included.prep;
}

TEST(DtdEncoding, TextThatIsNotInItsEncodingEndsTheRun) {
  TempDir dir;
  dir.Write("u.dtd", "<!ELEMENT a EMPTY>\n<!ATTLIST a x CDATA \"caf\xE9\">\n");
  EXPECT_EQ(ReadDtd(dir, "u.dtd").error,
            "Error: Unable to read DTD input file '" + dir.Path("u.dtd") +
                "': line 2 is not valid UTF-8");
  dir.Write("declared.dtd", "<?xml encoding=\"UTF-8\"?>\n\n\xC0\xAF");
  EXPECT_TRUE(Contains(ReadDtd(dir, "declared.dtd").error, "': line 3 is not valid UTF-8"));
  dir.Write("k.dtd", "<?xml version='1.0' encoding='klingon-8'?>\n<!ELEMENT a EMPTY>\n");
  EXPECT_EQ(ReadDtd(dir, "k.dtd").error,
            "Error: Unable to read DTD input file '" + dir.Path("k.dtd") +
                "': unknown encoding 'klingon-8'");
  // A declaration readable as ASCII cannot be in an encoding of wider units.
  dir.Write("w.dtd", "<?xml encoding='UTF-16'?>\n<!ELEMENT a EMPTY>\n");
  EXPECT_TRUE(Contains(ReadDtd(dir, "w.dtd").error, "': unsupported encoding 'UTF-16'"));
  // Bytes that a declared encoding has no character for.
  dir.Write("a.dtd", "<?xml encoding='US-ASCII'?>\n<!ELEMENT a EMPTY>\n\xE9");
  EXPECT_TRUE(Contains(ReadDtd(dir, "a.dtd").error, "': line 3 is not valid US-ASCII"));

  // In an included file the report names the reference that read it.
  dir.Write("bad.ent", "<!ELEMENT b EMPTY>\n\xFF\n");
  dir.Write("i.dtd", "<!ENTITY % b SYSTEM \"bad.ent\">\n%b;\n");
  EXPECT_EQ(DtdTest::Headline(ReadDtd(dir, "i.dtd").error),
            "Error: i.dtd: line 2: Unable to read include file " + dir.Path("bad.ent") +
                ": line 2 is not valid UTF-8 at token \"%b;\" in the following line:");
}

TEST(DtdEncoding, OnlyTheHeadDeclarationCounts) {
  using Travix::Dtd::DeclaredEncoding;
  EXPECT_EQ(DeclaredEncoding("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"), "ISO-8859-1");
  EXPECT_EQ(DeclaredEncoding("<?xml version='1.0'?><!-- encoding='latin1' -->"), "");
  EXPECT_EQ(DeclaredEncoding(" <?xml encoding='latin1'?>"), "");
  EXPECT_EQ(DeclaredEncoding("<?xml-stylesheet encoding='latin1'?>"), "");
  EXPECT_EQ(DeclaredEncoding("<?xml encodingx='a' encoding='b'?>"), "b");
}
