// travix given inputs made to hurt it: nesting deep enough to exhaust any
// recursion, and XML that points outside itself. Whatever it reads, a run
// ends with a report and an exit code, never a crash or a hang.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/tempdir.h"
#include "travix/generator/tests/childprocess.h"

namespace {

using ChildProcess::Outcome;

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  repeated.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

class UntrustedInput : public ::testing::Test {
protected:
  void Write(const std::string& name, const std::string& text) { scratch.Write(name, text); }

  Outcome Run(const std::string& input) {
    return ChildProcess::Run(TRAVIX_PROGRAM, {"-n", "ns", input}, scratch.Path());
  }

  bool Generated() const { return scratch.Exists("ns.h"); }

  TestSupport::TempDir scratch;
};

std::string NestingReport(const std::string& name) {
  return "Error: Elements in '" + name +
         "' are nested more than 1000 levels deep. Cannot continue.\nin ";
}

TEST_F(UntrustedInput, DeepNestingIsRefusedWhereTheDocumentIsRead) {
  // XDR: refused while loading, before the conversion walks the tree.
  Write("deep.xdr", "<Schema><ElementType name='a' content='eltOnly'>" +
                        Repeat("<group order='seq'>", 50000) + "<element type='b'/>" +
                        Repeat("</group>", 50000) + "</ElementType></Schema>\n");
  Outcome xdr = Run("deep.xdr");
  EXPECT_EQ(xdr.exitCode, 7) << xdr.out;
  EXPECT_EQ(xdr.out.rfind(NestingReport("deep.xdr"), 0), 0u) << xdr.out;

  // A working-draft schema: refused while interpreting.
  Write("deep.xsd", "<schema><archetype name='a'>" + Repeat("<group order='seq'>", 50000) +
                        "<element name='b' type='string'/>" + Repeat("</group>", 50000) +
                        "</archetype></schema>\n");
  Outcome xsd = Run("deep.xsd");
  EXPECT_EQ(xsd.exitCode, 3) << xsd.out;
  EXPECT_EQ(xsd.out.rfind(NestingReport("deep.xsd"), 0), 0u) << xsd.out;

  // A DTD whose groups cannot be merged away: refused while parsing.
  Write("deep.dtd", "<!ELEMENT a " + Repeat("(x,(y|", 520) + "z" + Repeat("))", 520) +
                        ">\n<!ELEMENT x EMPTY>\n<!ELEMENT y EMPTY>\n<!ELEMENT z EMPTY>\n");
  Outcome dtd = Run("deep.dtd");
  EXPECT_EQ(dtd.exitCode, 3) << dtd.out;
  EXPECT_EQ(dtd.out.rfind(NestingReport("deep.dtd"), 0), 0u) << dtd.out;
  EXPECT_FALSE(Generated());

}

TEST_F(UntrustedInput, DeepContentModelsOverflowTheDtdGrammarCleanly) {
  for (int depth : {6000, 100000}) {
    SCOPED_TRACE(depth);
    Write("parens.dtd", "<!ELEMENT a " + std::string(depth, '(') + "b" +
                            std::string(depth, ')') + ">\n<!ELEMENT b EMPTY>\n");
    Outcome outcome = Run("parens.dtd");
    EXPECT_EQ(outcome.exitCode, 3) << outcome.out;
    EXPECT_EQ(outcome.out.rfind("Error: parens.dtd: line 1: parser stack overflow at token \"(\"", 0),
              0u)
        << outcome.out.substr(0, 300);
    // The reader's report ends its own last line; "in" follows directly.
    EXPECT_NE(outcome.out.find("/REC-xml.\nin travix/readers/dtd/"), std::string::npos)
        << outcome.out.substr(0, 300);
  }
  EXPECT_FALSE(Generated());
}

TEST_F(UntrustedInput, XdrFileReadsNothingBesideItself) {
  // Loaded, this DTD would end the run with a syntax error; the entity
  // would pull a declaration in from a file the schema never names.
  Write("defaults.dtd", "this is no DTD\n");
  Write("secret.txt", "<ElementType name='leaked' content='empty'/>");
  const std::string body =
      "<Schema><ElementType name='a' content='eltOnly'><element type='b'/></ElementType>"
      "<ElementType name='b' content='textOnly'/>";
  Write("withdtd.xdr", "<!DOCTYPE Schema SYSTEM 'defaults.dtd'>\n" + body + "</Schema>\n");
  Write("missingdtd.xdr", "<!DOCTYPE Schema SYSTEM 'absent/none.dtd'>\n" + body + "</Schema>\n");
  Write("entity.xdr", "<!DOCTYPE Schema [<!ENTITY s SYSTEM 'secret.txt'>]>\n" + body +
                          "&s;</Schema>\n");
  for (const char* name : {"withdtd.xdr", "missingdtd.xdr"}) {
    Outcome outcome = Run(name);
    EXPECT_EQ(outcome.exitCode, 0) << name << ": " << outcome.out;
  }
  Outcome entity = Run("entity.xdr");
  EXPECT_EQ(entity.exitCode, 7) << entity.out;
  EXPECT_NE(entity.out.find("unable to open external entity"), std::string::npos) << entity.out;
  EXPECT_EQ(entity.out.find("leaked"), std::string::npos) << entity.out;
}

}  // namespace
