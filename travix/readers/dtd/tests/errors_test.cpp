// Failures of a run: every one is an XException whose message names the
// file and line the offending text came from; none crashes, exits or hangs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "travix/readers/dtd/tests/dtdtestsupport.h"

using DtdTest::Headline;
using DtdTest::ReadDtd;
using TestSupport::TempDir;

using DtdTest::Contains;

TEST(DtdErrors, NameTheIncludedFileAndItsLine) {
  TempDir dir;
  dir.Write("main.dtd",
            "<!ENTITY % mod SYSTEM \"mod.ent\">\n"
            "%mod;\n"
            "<!ELEMENT after %later;>\n");
  dir.Write("mod.ent", "<!-- one -->\n\n<!ELEMENT a $>\n");
  // Preprocessing pass: the reference after the included file.
  EXPECT_EQ(Headline(ReadDtd(dir, "main.dtd").error),
            "Error: main.dtd: line 3: Reference to undefined symbol at token \"%later;\" in the "
            "following line:");
  // Parsing pass: through the line markers.
  dir.Write("main.dtd", "<!ENTITY % mod SYSTEM \"mod.ent\">\n%mod;\n");
  auto outcome = ReadDtd(dir, "main.dtd");
  EXPECT_EQ(Headline(outcome.error),
            "Error: mod.ent: line 3: Invalid character at token \"$\" in the following line:");
  EXPECT_TRUE(Contains(outcome.error, "following line:\n<!ELEMENT a $>\nFor details"));
  // And back in the including file after the included one has ended.
  dir.Write("mod.ent", "<!ELEMENT a EMPTY>\n");
  dir.Write("main.dtd", "<!ENTITY % mod SYSTEM \"mod.ent\">\n%mod;\n<!ELEMENT b $>\n");
  EXPECT_EQ(Headline(ReadDtd(dir, "main.dtd").error),
            "Error: main.dtd: line 3: Invalid character at token \"$\" in the following line:");
}

TEST(DtdErrors, UndefinedReferenceAndUnreadableEntities) {
  TempDir dir;
  dir.Write("u.dtd", "<!ELEMENT a EMPTY>\n\n<!ATTLIST a x CDATA \"&nope;\">\n");
  auto outcome = ReadDtd(dir, "u.dtd");
  EXPECT_EQ(outcome.error,
            "Error: u.dtd: line 3: Reference to undefined symbol at token \"&nope;\" in the "
            "following line:\n<!ATTLIST a x CDATA \"&nope;\">\n"
            "For details on the source of this error, compare this line against the\n"
            "appropriate production rule in the XML spec at http://www.w3.org/TR/REC-xml.");

  dir.Write("h.dtd", "<!ENTITY % w SYSTEM \"http://www.example.org/x/web.ent\">\n%w;\n");
  outcome = ReadDtd(dir, "h.dtd");
  EXPECT_EQ(Headline(outcome.error),
            "Error: h.dtd: line 2: External entity reference to URL at token \"%w;\" in the "
            "following line:");
  EXPECT_TRUE(Contains(outcome.error,
                       "This version of Travix is unable to resolve external entity URL "
                       "references such as \"http://www.example.org/x/web.ent\".  Please place "
                       "the information from the given URL into the file \"" +
                           dir.Path("web.ent") + "\"."));
  EXPECT_TRUE(outcome.error.ends_with("\".")) << outcome.error;

  dir.Write("m.dtd", "<!ENTITY % f SYSTEM \"missing.ent\">\n%f;\n");
  EXPECT_TRUE(Contains(ReadDtd(dir, "m.dtd").error,
                       "line 2: Failed to open include file " + dir.Path("missing.ent") +
                           " (errno=2)"));

  dir.Write("n.dtd", "<!ENTITY e>\n<!ELEMENT a EMPTY>&e;");
  EXPECT_TRUE(Contains(ReadDtd(dir, "n.dtd").error, "line 2: Defined symbol has no value"));
}

TEST(DtdErrors, ExternalEntityInsideAValueIsRefused) {
  TempDir dir;
  dir.Write("x.ent", "a");
  dir.Write("v.dtd", "<!ENTITY % x SYSTEM \"x.ent\">\n<!ENTITY % y \"(%x;)\">\n");
  EXPECT_EQ(Headline(ReadDtd(dir, "v.dtd").error),
            "Error: v.dtd: line 2: External entity reference %x; inside an entity value at token "
            "\"\"(%x;)\"\" in the following line:");
}

TEST(DtdErrors, ElevenErrorsEndTheRun) {
  TempDir dir;
  std::string dtd;
  for (int i = 1; i <= 10; ++i) dtd += "<!ENTITY e" + std::to_string(i) + " \"&u;\">\n";
  dir.Write("ten.dtd", dtd);
  auto ten = ReadDtd(dir, "ten.dtd");
  EXPECT_TRUE(Contains(ten.error, "line 10: Entity reference u undefined"));
  EXPECT_FALSE(Contains(ten.error, "Too many errors"));
  dir.Write("eleven.dtd", dtd + "<!ENTITY e11 \"&u;\">\n<!ENTITY e12 \"&u;\">\n");
  auto eleven = ReadDtd(dir, "eleven.dtd");
  EXPECT_TRUE(Contains(eleven.error, "line 11: Entity reference u undefined"));
  EXPECT_TRUE(eleven.error.ends_with("XML spec at http://www.w3.org/TR/REC-xml.\n"
                                     "Error: Too many errors - unable to continue\n"))
      << eleven.error;
}

TEST(DtdErrors, SelfIncludingEntitiesStop) {
  TempDir dir;
  dir.Write("self.dtd", "<!ENTITY % self SYSTEM \"self.dtd\">\n%self;\n");
  EXPECT_TRUE(Contains(ReadDtd(dir, "self.dtd").error,
                       "line 2: Recursive reference to external entity self.dtd"));
  // A chain deeper than the include stack, each file a different one.
  for (int i = 0; i < 130; ++i) {
    std::string next = "f" + std::to_string(i + 1) + ".ent";
    dir.Write("f" + std::to_string(i) + ".ent",
              "<!ENTITY % n" + std::to_string(i) + " SYSTEM \"" + next + "\">%n" +
                  std::to_string(i) + ";");
  }
  EXPECT_TRUE(Contains(ReadDtd(dir, "f0.ent").error,
                       "f127.ent: line 1: External entities nested more than 128 deep"));
}

TEST(DtdErrors, AFullSymbolTableEndsTheRun) {
  TempDir dir;
  std::string value(20000, 'v');
  dir.Write("big.dtd", "<!ENTITY a \"1" + value + "\">\n<!ENTITY b \"2" + value +
                           "\">\n<!ENTITY c \"3" + value + "\">\n<!ENTITY d \"\">\n");
  EXPECT_EQ(ReadDtd(dir, "big.dtd").error, "Error: Lexemes array full\n");
  // A value too long names its entity and line, also when a reference to
  // the entity follows (before, the report named that reference as
  // undefined).
  for (const char* after : {"", "<!ENTITY b \"&a;\">\n<!ELEMENT e (#PCDATA)>\n"}) {
    dir.Write("long.dtd", "<!ENTITY a \"&#65;" + value + value + "\">\n" + after);
    EXPECT_TRUE(Contains(ReadDtd(dir, "long.dtd").error,
                         "Error: long.dtd: line 1: Text too long after entity expansion in the "
                         "value of entity 'a' at token"));
  }
}

// Only regular files are read, each to a bound, and so is what the
// entities of a DTD make together. Before, /dev/zero or a pipe made the
// run read for ever, and nothing bounded the text.
TEST(DtdErrors, ExternalEntitiesAreReadFromRegularFilesToABound) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.Path("pipe").c_str(), 0600), 0);
  dir.Write("huge.ent", "<!-- " + std::string(4u << 20, ' ') + " -->");
  const std::string big(30000, 'b');
  std::string many;
  for (int i = 0; i < 600; ++i) many += "%big;";
  const std::pair<std::string, std::string> cases[] = {
      {"<!ENTITY % z SYSTEM \"/dev/zero\">\n%z;\n",
       "line 2: Unable to read include file /dev/zero: it is not a regular file"},
      {"<!ENTITY % p SYSTEM \"pipe\">\n%p;\n",
       "line 2: Unable to read include file " + dir.Path("pipe") + ": it is not a regular file"},
      {"<!ENTITY % h SYSTEM \"huge.ent\">\n%h;\n",
       "line 2: Unable to read include file " + dir.Path("huge.ent") + ": it is larger than 4 MiB"},
      {"<!ENTITY chap SYSTEM \"chapter.xml\">\n",
       "line 1: Failed to open include file " + dir.Path("chapter.xml") + " (errno=2)"},
      {"<!ENTITY % big \"" + big + "\">\n" + many,
       "line 2: The DTD and its entities make more than 16 MiB of text"},
  };
  for (const auto& [dtd, message] : cases) {
    SCOPED_TRACE(message);
    dir.Write("x.dtd", dtd);
    const std::string error = ReadDtd(dir, "x.dtd").error;
    EXPECT_TRUE(Contains(error, message)) << error;
  }
}

TEST(DtdErrors, CarriageReturnsAreLineEnds) {
  TempDir dir;
  dir.Write("crlf.dtd", "\xEF\xBB\xBF<!ELEMENT a EMPTY>\r\n\r<!ELEMENT b $>\r\n");
  auto outcome = ReadDtd(dir, "crlf.dtd");
  EXPECT_EQ(Headline(outcome.error),
            "Error: crlf.dtd: line 3: Invalid character at token \"$\" in the following line:");
  EXPECT_EQ(outcome.prep, "<!ELEMENT a EMPTY>\n\n<!ELEMENT b $>\n");
}

TEST(DtdErrors, EachRunStartsClean) {
  TempDir dir;
  dir.Write("one.dtd", "<!ENTITY e \"one\">\n<!ELEMENT a $>\n");
  dir.Write("two.dtd", "<!ELEMENT b EMPTY>\n<!ATTLIST b x CDATA \"&e;\">\n");
  EXPECT_TRUE(Contains(ReadDtd(dir, "one.dtd").error, "one.dtd: line 2: Invalid character"));
  // The first run's entity is gone, and so are its errors and its state.
  EXPECT_TRUE(Contains(ReadDtd(dir, "two.dtd").error,
                       "two.dtd: line 2: Reference to undefined symbol"));
  dir.Write("two.dtd", "<!ELEMENT b EMPTY>\n");
  EXPECT_TRUE(ReadDtd(dir, "two.dtd").parsed);
}

TEST(DtdErrors, StandardInputThroughAPipe) {
  std::string dtd = "<!ENTITY e \"piped\">\n<!ELEMENT a (#PCDATA)>\n";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], dtd.data(), dtd.size()), static_cast<ssize_t>(dtd.size()));
  close(fds[1]);
  int savedStdin = dup(0);
  dup2(fds[0], 0);
  close(fds[0]);
  TempDir dir;
  Travix::TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  bool parsed = false;
  std::string error;
  try {
    parsed = reader.Parse("");
  } catch (const Travix::XException& e) {
    error = e.GetMsg();
  }
  dup2(savedStdin, 0);
  close(savedStdin);
  clearerr(stdin);
  EXPECT_TRUE(parsed) << error;
  EXPECT_TRUE(Contains(dir.Read("entities.cpp"), "{\"e\",\"piped\"},"));
}

// The five predefined entities are declared whether or not a DTD declares
// them (the XHTML way, its own declaration counts), in defaults and in
// entity values. Before, a DTD had to declare them.
TEST(DtdErrors, PredefinedEntitiesAreAlwaysDeclared) {
  TempDir dir;
  for (const char* declared : {"", "<!ENTITY lt \"&#38;#60;\">\n<!ENTITY amp \"&#38;#38;\">\n"}) {
    SCOPED_TRACE(declared);
    const std::string dtd = std::string(declared) +
                            "<!ENTITY e \"x &amp; y &lt;&gt;&apos;&quot;\">\n<!ELEMENT a EMPTY>\n"
                            "<!ATTLIST a x CDATA \"&lt;\">\n<!ATTLIST a y CDATA \"a&amp;b\">\n";
    dir.Write("d.dtd", dtd);
    auto outcome = ReadDtd(dir, "d.dtd");
    EXPECT_TRUE(outcome.parsed) << outcome.error;
    // the ampersand goes into the literal as a reference to itself, not as
    // a reference to read
    EXPECT_TRUE(Contains(outcome.prep,
                         "<!ATTLIST a x CDATA \"<\">\n<!ATTLIST a y CDATA \"a&#38;#38;b\">"));
    EXPECT_TRUE(Contains(DtdTest::SchemaOf(dtd),
                         "<attribute name=\"x\" type=\"string\" default=\"&lt;\"/>\n"
                         "\t\t<attribute name=\"y\" type=\"string\" default=\"a&amp;b\"/>"));
    EXPECT_TRUE(Contains(dir.Read("entities.cpp"), "{\"e\",\"x &#38; y <>'\\\"\"},"))
        << dir.Read("entities.cpp");
  }
}
