// travix watched from outside: what it prints, where, and how it exits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emitters/pathutil.h"
#include "tools/travix/tests/childprocess.h"

namespace {

using ChildProcess::Outcome;
using Travix::JoinPath;

const std::string kUsage =
    "Usage:\n"
    "  travix [-DMNRX] [-ddirectory] [-llistfile] -nnamespace filename\n"
    "   -D: Create a DLL (i.e. _declspec(dllexport))\n"
    "   -M: Reference MFC classes (CString, CFile, ...) instead of STL classes\n"
    "   -N: Do not emit classes using C++ namespaces\n"
    "   -R: Do not generate XML read capability in the output classes\n"
    "   -X: Export normalized schema\n"
    "   -d: Create all output files in the specified directory\n"
    "   -l: List output files to specified file\n"
    "   -n: Place all classes in the specified namespace\n";

const std::string kBadNamespace = "Travix error: Namespace must be a valid C++ identifier.\n";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Travix : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "travix-run-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    std::ofstream(JoinPath(dir, "po.xsd"))
        << "<schema><archetype name='po'><element name='item'><archetype>"
           "<element name='sku' type='string'/></archetype></element></archetype></schema>\n";
    std::ofstream(JoinPath(dir, "broken.xsd")) << "<schema>\n<archetype name='po'>\n</schema>\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  Outcome Run(const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment = {}) {
    return ChildProcess::Run(TRAVIX_PROGRAM, arguments, dir, environment);
  }

  std::string dir;
};

TEST_F(Travix, SchemaIsInterpretedAndNormalisedSchemaExported) {
  Outcome quiet = Run({"-n", "ns", "po.xsd"});
  EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "");
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "Travix_ns.xsd")));

  std::filesystem::create_directory(JoinPath(dir, "out"));
  Outcome exported = Run({"-XDMN", "-dout", "-l", "list.txt", "-nns", "po.xsd", "ignored.xsd"});
  EXPECT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_EQ(exported.out + exported.err, "");
  const std::string schema = ReadFile(JoinPath(dir, "out/Travix_ns.xsd"));
  EXPECT_NE(schema.find("<element name=\"item\" type=\"item\"/>"), std::string::npos) << schema;
  EXPECT_NE(schema.find("<archetype name=\"item\">"), std::string::npos) << schema;
  // The normalised schema is no generated source: the list names nothing.
  EXPECT_TRUE(std::filesystem::exists(JoinPath(dir, "list.txt")));
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), "");
}

TEST_F(Travix, MissingNamespaceOrInputShowsUsage) {
  Outcome noNamespace = Run({"po.xsd"});
  EXPECT_EQ(noNamespace.exitCode, 1);
  EXPECT_EQ(noNamespace.err, kUsage);
  EXPECT_EQ(noNamespace.out, "");

  Outcome noInput = Run({"-n", "ns"});
  EXPECT_EQ(noInput.exitCode, 5);
  EXPECT_EQ(noInput.err, kUsage);

  Outcome nothing = Run({});
  EXPECT_EQ(nothing.exitCode, 5);
  EXPECT_EQ(nothing.err, kUsage);
}

TEST_F(Travix, UnknownOptionOrMissingValueShowsDiagnosticAndUsage) {
  Outcome unknown = Run({"-Q", "-n", "ns", "po.xsd"});
  EXPECT_EQ(unknown.exitCode, 4);
  EXPECT_NE(unknown.err.find("invalid option -- 'Q'"), std::string::npos) << unknown.err;
  EXPECT_EQ(unknown.err.substr(unknown.err.size() - kUsage.size()), kUsage);

  Outcome missing = Run({"po.xsd", "-n"});
  EXPECT_EQ(missing.exitCode, 4);
  EXPECT_NE(missing.err.find("requires an argument -- 'n'"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.err.substr(missing.err.size() - kUsage.size()), kUsage);
  EXPECT_EQ(missing.out, "");
}

TEST_F(Travix, NamespaceMustBeACppIdentifier) {
  for (const char* bad : {"9abc", "a-b", "class", "", "caf\xC3\xA9"}) {
    Outcome outcome = Run({"-n", bad});  // before the input file is looked at
    EXPECT_EQ(outcome.exitCode, 11) << bad;
    EXPECT_EQ(outcome.err, kBadNamespace) << bad;
  }
  Outcome laterWrong = Run({"-n9abc", "-Q"});
  EXPECT_EQ(laterWrong.exitCode, 11);
  EXPECT_EQ(laterWrong.err, kBadNamespace);

  Outcome lastWins = Run({"-n", "first", "-n", "_x9", "po.xsd"});
  EXPECT_EQ(lastWins.exitCode, 0) << lastWins.err;
}

TEST_F(Travix, UnwritableListFileEndsSilently) {
  Outcome outcome = Run({"-l", "absent/list.txt", "-n", "ns", "po.xsd"});
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_EQ(outcome.out + outcome.err, "");
}

TEST_F(Travix, FailuresInStagesAreReportedOnTheReportStream) {
  Outcome broken = Run({"-n", "ns", "broken.xsd"});
  EXPECT_EQ(broken.exitCode, 3);
  EXPECT_EQ(broken.out,
            "Error: expected end of tag 'archetype'\nin " + JoinPath(dir, "broken.xsd") +
                " at line number 3\n");
  EXPECT_EQ(broken.err, "");

  Outcome listed = Run({"-l", "list.txt", "-n", "ns", "broken.xsd"});
  EXPECT_EQ(listed.exitCode, 3);
  EXPECT_EQ(listed.out, "");
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), broken.out);

  Outcome unwritable = Run({"-X", "-d", "absent", "-n", "ns", "po.xsd"});
  EXPECT_EQ(unwritable.exitCode, 7);
  EXPECT_EQ(unwritable.out.rfind("Error: Unable to open file 'absent/Travix_ns.xsd' for schema "
                                 "output.\nin ",
                                 0),
            0u)
      << unwritable.out;
}

TEST_F(Travix, InputKindFollowsTheFileName) {
  // Until the readers are built in, a DTD fails where parsing would and an
  // XDR schema where loading would; the exit codes are theirs already.
  Outcome dtd = Run({"-n", "ns", "Schema.DTD"});
  EXPECT_EQ(dtd.exitCode, 3) << dtd.out;
  Outcome dtdFirst = Run({"-n", "ns", "x.xml.dtd"});
  EXPECT_EQ(dtdFirst.exitCode, 3);
  Outcome xdr = Run({"-n", "ns", "a.biz"});
  EXPECT_EQ(xdr.exitCode, 7) << xdr.out;

  // A directory name does not decide: this is a schema, and missing.
  std::filesystem::create_directory(JoinPath(dir, "defs.xml.d"));
  std::filesystem::copy_file(JoinPath(dir, "po.xsd"), JoinPath(dir, "defs.xml.d/po.xsd"));
  Outcome inDirectory = Run({"-n", "ns", "defs.xml.d/po.xsd"});
  EXPECT_EQ(inDirectory.exitCode, 0) << inDirectory.out;
  Outcome anyExtension = Run({"-n", "ns", "schema.txt"});
  EXPECT_EQ(anyExtension.exitCode, 3);
  EXPECT_NE(anyExtension.out.find("\nin schema.txt at line number 0\n"), std::string::npos)
      << anyExtension.out;
}

TEST_F(Travix, XmlParserThatCannotStartEndsTheProgram) {
  Outcome outcome =
      Run({"-n", "ns", "po.xsd"},
          {"LD_PRELOAD=" XML_INIT_FAILURE_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0"});
  EXPECT_EQ(outcome.exitCode, 10) << outcome.err;
  const std::string first = "Travix error: Unable to initialize XML4C2 parser.\n"
                            "       Exception message is \"";
  EXPECT_EQ(outcome.err.rfind(first, 0), 0u) << outcome.err;
  EXPECT_GT(outcome.err.size(), first.size() + 4);
  EXPECT_EQ(outcome.err.substr(outcome.err.size() - 3), "\"\n\n");
  EXPECT_EQ(outcome.out, "");
}

}  // namespace
