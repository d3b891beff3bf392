// The preprocessing pass, seen through the preprocessor file a run keeps:
// references replaced, external entities spliced in between line markers,
// conditional sections resolved, and the first declaration of an entity
// binding it.
#include <gtest/gtest.h>

#include "travix/readers/dtd/dtdentities.h"
#include "travix/readers/dtd/tests/dtdtestsupport.h"

using DtdTest::ReadDtd;
using TestSupport::TempDir;

TEST(DtdPreprocessor, ReplacesGeneralAndParameterReferences) {
  TempDir dir;
  dir.Write("r.dtd",
            "<!ENTITY e \"v&#160;\">\n"
            "<!ENTITY % e \"(a|b)\">\n"
            "<!ENTITY % list \"%e;*\">\n"
            "<!ELEMENT x %list;>\n"
            "<!ATTLIST x y CDATA \"&e;\">\n"
            "<!ENTITY named \"e\">\n<!ENTITY again \"&e;\">\n");
  auto outcome = ReadDtd(dir, "r.dtd");
  ASSERT_TRUE(outcome.parsed) << outcome.error;
  // A value that reads like an entity's name does not hide the entity
  // (before, "&e;" was then undefined).
  EXPECT_NE(dir.Read("entities.cpp").find("{\"again\",\"v\\xC2\\xA0\"}"), std::string::npos)
      << dir.Read("entities.cpp");
  // A parameter entity and a general one of the same name stay apart; a
  // parameter reference inside a value stands for its text alone, so the
  // occurrence after it still follows the ")".
  EXPECT_NE(outcome.prep.find("<!ELEMENT x (a|b)*>\n"), std::string::npos) << outcome.prep;
  // A general entity's text is written as DTD text: its character in UTF-8.
  EXPECT_NE(outcome.prep.find("<!ATTLIST x y CDATA \"v\xC2\xA0\">\n"), std::string::npos);
  // Declarations are copied as they were written.
  EXPECT_EQ(outcome.prep.substr(0, 24), "<!ENTITY e \"v&#160;\">\n<!");
}

// A general reference in a value is expanded where the entity is used, so
// it may name an entity declared later; one never declared, or a cycle, is
// reported at the value's declaration. Before, "&later;" was refused.
TEST(DtdPreprocessor, ValuesMayReferToEntitiesDeclaredLater) {
  TempDir dir;
  dir.Write("l.dtd",
            "<!ENTITY early \"x &later; y\">\n"
            "<!ENTITY waits \"[&early;]\">\n"
            "<!ENTITY later \"L&#38;#38;&pre;\">\n"
            "<!ENTITY pre \"P\">\n"
            "<!ELEMENT a EMPTY>\n"
            "<!ATTLIST a v CDATA \"&early;\">\n");
  auto outcome = ReadDtd(dir, "l.dtd");
  ASSERT_TRUE(outcome.parsed) << outcome.error;
  EXPECT_NE(outcome.prep.find("v CDATA \"x L&#38;#38;P y\""), std::string::npos) << outcome.prep;
  const std::string entities = dir.Read("entities.cpp");
  for (const char* row : {"{\"early\",\"x L&#38;P y\"}", "{\"waits\",\"[x L&#38;P y]\"}",
                          "{\"later\",\"L&#38;P\"}"}) {
    EXPECT_NE(entities.find(row), std::string::npos) << row << "\n" << entities;
  }
  const std::pair<const char*, const char*> refused[] = {
      {"<!ENTITY a \"&b;\">\n<!ELEMENT e EMPTY>\n", "line 1: Entity reference b undefined"},
      {"<!ENTITY a \"&b;\">\n<!ENTITY b \"&a;\">\n", "line 1: Recursive entity reference"},
  };
  for (const auto& [dtd, message] : refused) {
    dir.Write("bad.dtd", dtd);
    auto bad = ReadDtd(dir, "bad.dtd");
    EXPECT_FALSE(bad.parsed);
    EXPECT_NE(bad.error.find(message), std::string::npos) << bad.error;
  }
}

TEST(DtdPreprocessor, SplicesExternalEntitiesBetweenLineMarkers) {
  TempDir dir;
  dir.Write("main.dtd",
            "<!ENTITY % mod SYSTEM \"mod.ent\">\n"
            "  %mod; <!ELEMENT b EMPTY>\n"
            "<!ELEMENT c EMPTY>\n");
  dir.Write("mod.ent", "<!ELEMENT a EMPTY>\n");
  auto outcome = ReadDtd(dir, "main.dtd");
  ASSERT_TRUE(outcome.parsed) << outcome.error;
  EXPECT_EQ(outcome.prep,
            "<!ENTITY % mod SYSTEM \"mod.ent\">\n"
            "  <?Travix preprocessor file=mod.ent line=1 ?><!ELEMENT a EMPTY>\n"
            "<?Travix preprocessor file=main.dtd line=2 ?> <!ELEMENT b EMPTY>\n"
            "<!ELEMENT c EMPTY>\n");
}

TEST(DtdPreprocessor, FindsExternalEntitiesByUrlAbsolutePathAndFileUrl) {
  TempDir dir;
  dir.Write("local.ent", "<!ELEMENT l EMPTY>");
  std::string absolute = dir.Write("abs.ent", "<!ELEMENT m EMPTY>");
  dir.Write("u.dtd",
            "<!ENTITY % a SYSTEM \"http://www.example.org/dtd/local.ent\">%a;\n"
            "<!ENTITY % b SYSTEM \"" + absolute + "\">%b;\n"
            "<!ENTITY % c SYSTEM \"file://" + absolute + "\">%c;\n");
  auto outcome = ReadDtd(dir, "u.dtd");
  ASSERT_TRUE(outcome.parsed) << outcome.error;
  EXPECT_NE(outcome.prep.find("local.ent line=1 ?><!ELEMENT l EMPTY>"), std::string::npos);
  EXPECT_NE(outcome.prep.find(absolute + " line=1 ?><!ELEMENT m EMPTY>"), std::string::npos);
  EXPECT_NE(outcome.prep.find("file://" + absolute + " line=1 ?><!ELEMENT m EMPTY>"),
            std::string::npos);
}

TEST(DtdPreprocessor, FirstDeclarationBindsAnEntity) {
  TempDir dir;
  dir.Write("f.dtd",
            "<!ENTITY % a \"first\">\n"
            "<!ENTITY % a \"second &undefined;\">\n"
            "<!ENTITY g \"one\">\n"
            "<!ENTITY g SYSTEM \"nowhere.ent\">\n"
            "<!ELEMENT %a; EMPTY>\n"
            "<!ATTLIST first x CDATA \"&g;\">\n");
  auto outcome = ReadDtd(dir, "f.dtd");
  ASSERT_TRUE(outcome.parsed) << outcome.error;
  EXPECT_NE(outcome.prep.find("<!ELEMENT first EMPTY>"), std::string::npos);
  EXPECT_NE(outcome.prep.find("x CDATA \"one\""), std::string::npos);
  EXPECT_NE(dir.Read("entities.cpp").find("  {\"g\",\"one\"},\n#endif"), std::string::npos);
}

TEST(DtdPreprocessor, ResolvesConditionalSections) {
  TempDir dir;
  dir.Write("c.dtd",
            "<!ENTITY % on \"INCLUDE\">\n"
            "<!ENTITY % off ' IGNORE '>\n"
            "<![%off;[\n"
            "  <!ENTITY % x \"ignored\"> %undefined; <![ INCLUDE [ &more; ]]>\n"
            "]]>\n"
            "<![ %on; [ <!ENTITY % x \"used\"> ]]>\n"
            "<!ELEMENT %x; EMPTY>\n");
  auto outcome = ReadDtd(dir, "c.dtd");
  ASSERT_TRUE(outcome.parsed) << outcome.error;
  EXPECT_NE(outcome.prep.find("<![IGNORE[\n  <!ENTITY % x \"ignored\"> %undefined; "
                              "<![ INCLUDE [ &more; ]]>\n]]>\n"),
            std::string::npos)
      << outcome.prep;
  EXPECT_NE(outcome.prep.find("<![ INCLUDE [ <!ENTITY"), std::string::npos);
  EXPECT_NE(outcome.prep.find("<!ELEMENT used EMPTY>"), std::string::npos);

  dir.Write("bad.dtd", "<!ENTITY % k \"MAYBE\">\n<![%k;[ ]]>\n");
  EXPECT_NE(ReadDtd(dir, "bad.dtd").error.find(
                "line 2: Conditional section keyword is neither INCLUDE nor IGNORE"),
            std::string::npos);
}

TEST(DtdPreprocessor, ConditionalSectionLeftOpenIsAnError) {
  TempDir dir;
  // Each would swallow the declarations after it.
  for (const std::string& opening :
       {std::string("<![IGNORE["), std::string("<![ INCLUDE ["),
        std::string("<![INCLUDE[ <![IGNORE[ ]]>"), std::string("<![IGNORE[ <![INCLUDE[ ]]>")}) {
    SCOPED_TRACE(opening);
    dir.Write("open.dtd", "<!ELEMENT a EMPTY>\n\n" + opening + "\n<!ELEMENT b EMPTY>\n");
    auto outcome = ReadDtd(dir, "open.dtd");
    EXPECT_FALSE(outcome.parsed);
    EXPECT_NE(outcome.error.find(": Conditional section opened at line 3 of open.dtd is not closed"),
              std::string::npos)
        << outcome.error;
  }
  // Closed, nested or one after the other, they are fine.
  dir.Write("closed.dtd",
            "<![INCLUDE[ <![IGNORE[ x ]]> <!ELEMENT a EMPTY> ]]>\n<![IGNORE[ ]]>\n");
  auto closed = ReadDtd(dir, "closed.dtd");
  EXPECT_TRUE(closed.parsed) << closed.error;
}

TEST(DtdPreprocessor, ReplacementTextKeepsTheLineNumbering) {
  TempDir dir;
  dir.Write("l.dtd",
            "<!ENTITY % attrs \"a CDATA #IMPLIED\n"
            "                 b CDATA #IMPLIED\">\n"
            "<!ATTLIST x %attrs;>\n"
            "<!ELEMENT y $>\n");
  auto outcome = ReadDtd(dir, "l.dtd");
  EXPECT_NE(outcome.prep.find("<!ATTLIST x a CDATA #IMPLIED                  b CDATA #IMPLIED>\n"),
            std::string::npos);
  EXPECT_EQ(DtdTest::Headline(outcome.error),
            "Error: l.dtd: line 4: Invalid character at token \"$\" in the following line:");
}

TEST(DtdPreprocessor, MarksParameterReferencesInValuesForTheSymbolTable) {
  EXPECT_EQ(Travix::Dtd::MarkParameterReferences("%a; 50% %b.c;%d"), "&%a; 50% &%b.c;%d");
}
