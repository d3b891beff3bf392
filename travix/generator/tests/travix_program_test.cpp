// travix watched from outside: what it prints, where, and how it exits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"
#include "travix/generator/tests/childprocess.h"
#include "travix/schema/pathutil.h"

namespace {

using ChildProcess::Outcome;
using TestSupport::ReadFile;
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

class Travix : public ::testing::Test {
protected:
  void SetUp() override {
    std::ofstream(JoinPath(dir, "po.xsd"))
        << "<schema><archetype name='po'><element name='item'><archetype>"
           "<element name='sku' type='string'/></archetype></element></archetype></schema>\n";
    std::ofstream(JoinPath(dir, "broken.xsd")) << "<schema>\n<archetype name='po'>\n</schema>\n";
  }
  Outcome Run(const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment = {}) {
    return ChildProcess::Run(TRAVIX_PROGRAM, arguments, dir, environment);
  }

  TestSupport::TempDir scratch;
  const std::string dir = scratch.Path();
};

// The files a schema input yields, in the order the list names them: the
// binding first, then scanner, grammar and importer, each followed by the
// files flex and bison make of it.
std::vector<std::string> GeneratedNames(const std::string& dir, const std::string& ns,
                                        bool readCapability = true) {
  std::vector<std::string> names = {JoinPath(dir, ns + ".h"), JoinPath(dir, ns + ".cpp")};
  if (readCapability) {
    for (const char* suffix : {"_lexer.l", "_lexer.c", "_parser.y", "_parser.tab.cpp",
                               "_parser.tab.h", "_xmlimporter.h", "_xmlimporter.cpp"}) {
      names.push_back(JoinPath(dir, ns + suffix));
    }
  }
  return names;
}

std::string ListOf(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += name + "\n";
  return list;
}

TEST_F(Travix, SchemaBecomesBindingScannerGrammarAndImporter) {
  Outcome quiet = Run({"-n", "ns", "po.xsd"});
  EXPECT_EQ(quiet.exitCode, 0) << quiet.out;
  EXPECT_EQ(quiet.out + quiet.err, "");
  for (const std::string& name : GeneratedNames(dir, "ns")) {
    if (name.ends_with(".c") || name.find(".tab.") != std::string::npos) continue;  // not yet made
    EXPECT_TRUE(std::filesystem::exists(name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "Travix_ns.xsd")));
  const std::string importer = ReadFile(JoinPath(dir, "ns_xmlimporter.h"));
  EXPECT_NE(importer.find("class XMLImporter : public Travix::XMLImporterBase"), std::string::npos);
  EXPECT_EQ(importer.find("__declspec"), std::string::npos);
  // Not a DTD: no entity table to load.
  EXPECT_NE(ReadFile(JoinPath(dir, "ns_xmlimporter.cpp")).find("\tInitSymbolTable();"),
            std::string::npos);

  std::filesystem::create_directory(JoinPath(dir, "out"));
  Outcome listed = Run({"-DMN", "-dout", "-l", "list.txt", "-nns", "po.xsd", "ignored.xsd"});
  EXPECT_EQ(listed.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_EQ(listed.out + listed.err, "");
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(GeneratedNames("out", "ns")));
  // The flags reached both writers.
  const std::string prefixed = ReadFile(JoinPath(dir, "out/ns_xmlimporter.h"));
  EXPECT_NE(prefixed.find("class NS_XMLIMPORTER_API ns_XMLImporter : public "
                          "Travix_XMLImporterBase"),
            std::string::npos)
      << prefixed;
  EXPECT_NE(ReadFile(JoinPath(dir, "out/ns.h")).find("NS_API"), std::string::npos);
  EXPECT_NE(ReadFile(JoinPath(dir, "out/ns.h")).find("#define TRAVIX_USE_MFC"), std::string::npos);
}

TEST_F(Travix, WithoutReadCapabilityOnlyTheBindingIsWritten) {
  Outcome outcome = Run({"-R", "-l", "list.txt", "-n", "ns", "po.xsd"});
  EXPECT_EQ(outcome.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(GeneratedNames(".", "ns", false)));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "ns_lexer.l")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "ns_xmlimporter.h")));
}

TEST_F(Travix, NormalisedSchemaIsWrittenBetweenInterpretingAndCode) {
  Outcome exported = Run({"-X", "-l", "list.txt", "-n", "ns", "po.xsd"});
  EXPECT_EQ(exported.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
  const std::string schema = ReadFile(JoinPath(dir, "Travix_ns.xsd"));
  EXPECT_NE(schema.find("<element name=\"item\" type=\"item\"/>"), std::string::npos) << schema;
  EXPECT_NE(schema.find("<archetype name=\"item\">"), std::string::npos) << schema;
  // The normalised schema is no generated source: the list does not name it.
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(GeneratedNames(".", "ns")));

  // A namespace that names an archetype fails only when code is emitted:
  // the schema is out by then, and no code.
  std::filesystem::create_directory(JoinPath(dir, "clash"));
  Outcome clash = Run({"-X", "-dclash", "-n", "item", "po.xsd"});
  EXPECT_EQ(clash.exitCode, 7);
  EXPECT_EQ(clash.out.rfind("Error: the specified namespace conflicts with an element name in "
                            "the DTD/schema\nRetry the Travix tool with a different namespace "
                            "name.\nin ",
                            0),
            0u)
      << clash.out;
  EXPECT_TRUE(std::filesystem::exists(JoinPath(dir, "clash/Travix_item.xsd")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "clash/item.h")));

  // Nothing is exported from a schema that could not be interpreted.
  Outcome broken = Run({"-X", "-dclash", "-n", "ns", "broken.xsd"});
  EXPECT_EQ(broken.exitCode, 3);
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "clash/Travix_ns.xsd")));
}

TEST_F(Travix, SchemaFileReadsNothingBesideItself) {
  // Loaded, this DTD would end the run with a syntax error; its entity
  // would pull in a file the schema never names.
  std::ofstream(JoinPath(dir, "defaults.dtd")) << "this is no DTD\n";
  std::ofstream(JoinPath(dir, "secret.txt")) << "<archetype name='leaked'/>";
  std::ofstream(JoinPath(dir, "withdtd.xsd"))
      << "<!DOCTYPE schema SYSTEM 'defaults.dtd'>\n"
         "<schema><archetype name='po'/></schema>\n";
  std::ofstream(JoinPath(dir, "entity.xsd"))
      << "<!DOCTYPE schema [<!ENTITY s SYSTEM 'secret.txt'>]>\n"
         "<schema><archetype name='po'>&s;</archetype></schema>\n";
  Outcome withDtd = Run({"-n", "ns", "withdtd.xsd"});
  EXPECT_EQ(withDtd.exitCode, 0) << withDtd.out;
  Outcome entity = Run({"-n", "ns", "entity.xsd"});
  EXPECT_EQ(entity.exitCode, 3);
  EXPECT_NE(entity.out.find("unable to open external entity"), std::string::npos) << entity.out;
  EXPECT_EQ(entity.out.find("leaked"), std::string::npos) << entity.out;
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
  EXPECT_TRUE(std::filesystem::exists(JoinPath(dir, "_x9.h")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "first.h")));
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

  Outcome noDirectory = Run({"-l", "list.txt", "-d", "absent", "-n", "ns", "po.xsd"});
  EXPECT_EQ(noDirectory.exitCode, 7);
  EXPECT_EQ(noDirectory.out, "");
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt"))
                .rfind("Error: Unable to open header file 'absent/ns.h' for output.\nin ", 0),
            0u);

  Outcome unwritable = Run({"-X", "-d", "absent", "-n", "ns", "po.xsd"});
  EXPECT_EQ(unwritable.exitCode, 7);
  EXPECT_EQ(unwritable.out.rfind("Error: Unable to open file 'absent/Travix_ns.xsd' for schema "
                                 "output.\nin ",
                                 0),
            0u)
      << unwritable.out;
}

TEST_F(Travix, InputKindFollowsTheFileName) {
  // Missing files show which reader was chosen: the DTD reader fails in
  // "parsing" (3), the XDR parser in "loading XDR Data into DOM" (7).
  Outcome dtd = Run({"-n", "ns", "Schema.DTD"});
  EXPECT_EQ(dtd.exitCode, 3) << dtd.out;
  EXPECT_EQ(dtd.out.rfind("Error: Unable to open DTD input file 'Schema.DTD', errno=2\n", 0), 0u)
      << dtd.out;
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

// DTD inputs: the DTD reader builds the schema, and its entity table
// follows the writers' files.
class DtdInput : public Travix {
protected:
  void SetUp() override {
    Travix::SetUp();
    std::filesystem::create_directory(JoinPath(dir, "dtds"));
    std::filesystem::create_directory(JoinPath(dir, "out"));
    std::ofstream(JoinPath(dir, "dtds/order.dtd"))
        << "<!ENTITY company 'Acme &#38;#38; \"Sons\"'>\n"
           "<!ELEMENT order (item+)>\n"
           "<!ATTLIST order placed CDATA #REQUIRED>\n"
           "<!ELEMENT item (#PCDATA)>\n";
    std::ofstream(JoinPath(dir, "dtds/broken.dtd")) << "<!ELEMENT order (item+>\n";
  }

  std::vector<std::string> DtdNames(bool readCapability = true) {
    std::vector<std::string> names = GeneratedNames("out", "ns", readCapability);
    if (readCapability) names.push_back("out/ns_entities.cpp");
    return names;
  }
};

TEST_F(DtdInput, ListNamesBindingThenParserThenEntityTable) {
  Outcome outcome = Run({"-l", "list.txt", "-d", "out", "-n", "ns", "dtds/order.dtd"});
  EXPECT_EQ(outcome.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_EQ(outcome.out + outcome.err, "");
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(DtdNames()));

  const std::string entities = ReadFile(JoinPath(dir, "out/ns_entities.cpp"));
  EXPECT_NE(entities.find("Travix::TextEntity ns_entities[] ="), std::string::npos) << entities;
  EXPECT_NE(entities.find("  {\"company\",\"Acme &#38; \\\"Sons\\\"\"},"), std::string::npos)
      << entities;
  // The importer loads that table, the binding knows the DTD's elements.
  EXPECT_NE(ReadFile(JoinPath(dir, "out/ns_xmlimporter.cpp")).find("InitSymbolTable(ns_entities);"),
            std::string::npos);
  EXPECT_NE(ReadFile(JoinPath(dir, "out/ns.h")).find("class order"), std::string::npos);
  // Nothing kept beyond what was asked for, here or beside the input.
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/order.dtd.prep")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/order.dtd.xsd")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/Travix_ns.xsd")));
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 5u);  // po.xsd, broken.xsd, dtds, out, list.txt

  Outcome prefixed = Run({"-N", "-d", "out", "-n", "ns", "dtds/order.dtd"});
  EXPECT_EQ(prefixed.exitCode, 0) << prefixed.out;
  EXPECT_NE(ReadFile(JoinPath(dir, "out/ns_entities.cpp")).find("Travix_TextEntity ns_entities[] ="),
            std::string::npos);
}

TEST_F(DtdInput, KeptPreprocessorFileSchemaPrintAndNormalisedSchemaAreNotListed) {
  Outcome outcome =
      Run({"-EPX", "-l", "list.txt", "-d", "out", "-n", "ns", "dtds/order.dtd"});
  EXPECT_EQ(outcome.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(DtdNames()));

  // The preprocessor's flat text, named after the input without its
  // directory, in the output directory.
  const std::string prep = ReadFile(JoinPath(dir, "out/order.dtd.prep"));
  EXPECT_NE(prep.find("<!ELEMENT order (item+)>"), std::string::npos) << prep;
  // The schema as the DTD made it, before any writer normalised it.
  const std::string print = ReadFile(JoinPath(dir, "out/order.dtd.xsd"));
  EXPECT_EQ(print.rfind("<?xml version='1.0' encoding='utf-8' ?>\n<schema>\n", 0), 0u) << print;
  EXPECT_NE(print.find("\t<archetype name=\"order\""), std::string::npos) << print;
  EXPECT_EQ(print.substr(print.size() - 2), "\n\n");
  const std::string normalised = ReadFile(JoinPath(dir, "out/Travix_ns.xsd"));
  EXPECT_NE(normalised.find("<archetype name=\"order\""), std::string::npos) << normalised;
}

TEST_F(DtdInput, WithoutReadCapabilityNoEntityTableIsWritten) {
  Outcome outcome = Run({"-R", "-l", "list.txt", "-d", "out", "-n", "ns", "dtds/order.dtd"});
  EXPECT_EQ(outcome.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(DtdNames(false)));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/ns_entities.cpp")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/ns_lexer.l")));
  EXPECT_TRUE(std::filesystem::exists(JoinPath(dir, "out/ns.h")));
}

// Each file of a run in turn on a full disk (a link to /dev/full), then
// where a directory stands in its way: the run fails, naming the file.
// Before, the scanner, grammar, importer and entity files passed with 0.
TEST_F(DtdInput, AFileThatCannotBeWrittenFailsTheRunNamingIt) {
  const std::pair<const char*, int> files[] = {
      {"ns.h", 7},           {"ns.cpp", 7},           {"ns_lexer.l", 7},
      {"ns_parser.y", 7},    {"ns_xmlimporter.h", 7}, {"ns_xmlimporter.cpp", 7},
      {"ns_entities.cpp", 3}, {"Travix_ns.xsd", 7},   {"order.dtd.prep", 3},
      {"order.dtd.xsd", 3}};
  for (const auto& [name, exitCode] : files) {
    for (const bool fullDisk : {true, false}) {
      SCOPED_TRACE(std::string(name) + (fullDisk ? " on a full disk" : " behind a directory"));
      std::filesystem::remove_all(JoinPath(dir, "out"));
      std::filesystem::create_directory(JoinPath(dir, "out"));
      const std::string path = JoinPath(dir, std::string("out/") + name);
      if (fullDisk) {
        std::filesystem::create_symlink("/dev/full", path);
      } else {
        std::filesystem::create_directory(path);
      }
      Outcome outcome = Run({"-EPX", "-d", "out", "-n", "ns", "dtds/order.dtd"});
      EXPECT_EQ(outcome.exitCode, exitCode) << outcome.out;
      EXPECT_EQ(outcome.out.rfind("Error: Unable to ", 0), 0u) << outcome.out;
      EXPECT_NE(outcome.out.find(std::string("'out/") + name + "'"), std::string::npos)
          << outcome.out;
    }
  }
}

// A model in which one element can match two particles has no grammar
// that reads it right: refused, naming the element. Before, travix wrote
// a grammar whose conflicts bison resolved silently, and exited 0.
TEST_F(DtdInput, AmbiguousContentModelsAreRefused) {
  const std::pair<const char*, bool> models[] = {
      {"(a?, a)", true},          {"(a*, a)", true},       {"(a | a)", true},
      {"((a,b) | (a,c))", true},  {"((a,b)*, a)", true},   {"(#PCDATA | a | a)*", true},
      {"(a, a)", false},          {"(a?, b, a)", false},   {"((a|b)*, c)", false},
      {"(#PCDATA | a | b)*", false}};
  for (const auto& [model, ambiguous] : models) {
    SCOPED_TRACE(model);
    std::ofstream(JoinPath(dir, "dtds/po.dtd"))
        << "<!ELEMENT po " << model << ">\n<!ELEMENT a (#PCDATA)>\n<!ELEMENT b (#PCDATA)>\n"
        << "<!ELEMENT c (#PCDATA)>\n";
    Outcome outcome = Run({"-d", "out", "-n", "ns", "dtds/po.dtd"});
    EXPECT_EQ(outcome.exitCode, ambiguous ? 7 : 0) << outcome.out;
    EXPECT_EQ(outcome.out.rfind("Error: The content model of 'po' is ambiguous: an element 'a' "
                                "can match more than one of its particles\n",
                                0) == 0,
              ambiguous)
        << outcome.out;
  }
  std::ofstream(JoinPath(dir, "po.xsd"))
      << "<schema><archetype name='po'><element name='a' type='string' minOccurs='0' "
         "maxOccurs='1'/><element name='a' type='string'/></archetype></schema>\n";
  Outcome schema = Run({"-d", "out", "-n", "ns", "po.xsd"});
  EXPECT_EQ(schema.exitCode, 7);
  EXPECT_EQ(schema.out.rfind("Error: The content model of 'po' is ambiguous", 0), 0u) << schema.out;
}

// Deterministic models that repeat a group of optional or repeated
// particles, as real DTDs do: read, with a grammar bison takes without a
// conflict. A model whose grammar would still conflict is refused, naming
// the element. Before, travix exited 0 and bison failed on the grammar.
TEST_F(DtdInput, RepeatedGroupsOfOptionalParticlesAreRead) {
  const std::pair<std::string, bool> models[] = {
      {"<!ELEMENT po ((a|b?)*)>", true},
      {"<!ELEMENT po ((a*|b)+, c)>", true},
      {"<!ELEMENT po ((a|(b|c+)*)*)>", true},
      {"<!ELEMENT po ((a|(b,c)?)*)>", true},
      {"<!ELEMENT po ((a?,b?)?, c)>", true},
      {"<!ELEMENT po ((a?,b?)*)>", false},
      {"<!ELEMENT po ((b?|a)|c*)>", false},
  };
  for (const auto& [declaration, read] : models) {
    SCOPED_TRACE(declaration);
    std::filesystem::remove_all(JoinPath(dir, "out"));
    std::filesystem::create_directory(JoinPath(dir, "out"));
    std::ofstream(JoinPath(dir, "dtds/po.dtd"))
        << declaration << "\n<!ELEMENT a EMPTY>\n<!ELEMENT b EMPTY>\n<!ELEMENT c EMPTY>\n";
    Outcome outcome = Run({"-d", "out", "-n", "ns", "dtds/po.dtd"});
    EXPECT_EQ(outcome.exitCode, read ? 0 : 7) << outcome.out;
    if (!read) {
      EXPECT_EQ(outcome.out.rfind("Error: The content model of 'po' cannot be read as written: ", 0),
                0u)
          << outcome.out;
      continue;
    }
    Outcome bison = ChildProcess::Run(
        BISON_PROGRAM, {"-Werror=conflicts-sr", "-Werror=conflicts-rr", "-o", "out/p.cpp",
                        "out/ns_parser.y"},
        dir);
    EXPECT_EQ(bison.exitCode, 0) << bison.err;
  }
}

TEST_F(DtdInput, ParseFailureEndsTheRunInParsing) {
  Outcome outcome = Run({"-P", "-d", "out", "-n", "ns", "dtds/broken.dtd"});
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.out.rfind("Error: broken.dtd: line 1: ", 0), 0u) << outcome.out;
  EXPECT_NE(outcome.out.find("\nin travix/readers/dtd/"), std::string::npos) << outcome.out;
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/broken.dtd.xsd")));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/ns.h")));

  Outcome listed = Run({"-l", "list.txt", "-d", "out", "-n", "ns", "dtds/broken.dtd"});
  EXPECT_EQ(listed.exitCode, 3);
  EXPECT_EQ(listed.out, "");
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), outcome.out);
}

// DTDs beyond what the reader takes end the run in "parsing" with the
// reader's message: no crash, no code, no list.
TEST_F(DtdInput, DtdsBeyondTheReaderFailCleanly) {
  {
    // More name text than the fixed symbol table holds.
    std::ofstream big(JoinPath(dir, "dtds/big.dtd"));
    for (int i = 0; i < 3000; ++i) big << "<!ELEMENT an_element_with_a_long_name_" << i << " EMPTY>\n";
  }
  Outcome overflow = Run({"-l", "list.txt", "-d", "out", "-n", "ns", "dtds/big.dtd"});
  EXPECT_EQ(overflow.exitCode, 3);
  EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")).rfind("Error: Lexemes array full\n", 0), 0u)
      << ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/ns.h")));

  const std::string docbook = "/usr/share/xml/docbook/schema/dtd/4.5/docbookx.dtd";
  if (!std::filesystem::exists(docbook)) GTEST_SKIP() << "skipped: docbook-xml is not installed";
  Outcome outcome = Run({"-d", "out", "-n", "ns", docbook});
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_EQ(outcome.out.rfind("Error: ", 0), 0u) << outcome.out;
  EXPECT_NE(outcome.out.find("\nin travix/readers/dtd/"), std::string::npos) << outcome.out;
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "out/ns.h")));
}

// XDR inputs: parsed, converted in place, then read like any schema.
class XdrInput : public Travix {
protected:
  void SetUp() override {
    Travix::SetUp();
    std::ofstream(JoinPath(dir, "malformed.xdr")) << "<Schema>\n<ElementType name='a'>\n</Schema>\n";
    std::ofstream(JoinPath(dir, "undeclared.xdr"))
        << "<Schema><ElementType name='a' content='eltOnly'><attribute type='zz'/>"
           "</ElementType></Schema>\n";
  }
};

TEST_F(XdrInput, EveryXdrNameIsConvertedAndGenerated) {
  for (const char* name : {"purchaseorder.xdr", "catalog.xml", "shipnotice.biz"}) {
    SCOPED_TRACE(name);
    std::filesystem::copy_file(JoinPath(XDR_CORPUS_DIR, name), JoinPath(dir, name));
    std::filesystem::remove(JoinPath(dir, "list.txt"));
    Outcome outcome = Run({"-l", "list.txt", "-n", "ns", name});
    EXPECT_EQ(outcome.exitCode, 0) << ReadFile(JoinPath(dir, "list.txt"));
    EXPECT_EQ(ReadFile(JoinPath(dir, "list.txt")), ListOf(GeneratedNames(".", "ns")));
    // No entity table to load for an XDR schema.
    EXPECT_NE(ReadFile(JoinPath(dir, "ns_xmlimporter.cpp")).find("\tInitSymbolTable();"),
              std::string::npos);
  }
  EXPECT_NE(ReadFile(JoinPath(dir, "ns.h")).find("class shipNotice"), std::string::npos);
}

TEST_F(XdrInput, MissingOrMalformedFileFailsWhileLoading) {
  Outcome missing = Run({"-n", "ns", "absent.xdr"});
  EXPECT_EQ(missing.exitCode, 7);
  EXPECT_EQ(missing.out.rfind("Error: unable to open primary document entity '", 0), 0u)
      << missing.out;
  EXPECT_NE(missing.out.find("absent.xdr'\nin absent.xdr at line number 0\n"), std::string::npos)
      << missing.out;

  Outcome malformed = Run({"-l", "list.txt", "-n", "ns", "malformed.xdr"});
  EXPECT_EQ(malformed.exitCode, 7);
  EXPECT_EQ(malformed.out, "");
  const std::string report = ReadFile(JoinPath(dir, "list.txt"));
  EXPECT_EQ(report.rfind("Error: ", 0), 0u) << report;
  EXPECT_NE(report.find("malformed.xdr at line number 3\n"), std::string::npos) << report;
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "ns.h")));
}

TEST_F(XdrInput, ConverterErrorEndsTheRunWithItsMessage) {
  Outcome outcome = Run({"-n", "ns", "undeclared.xdr"});
  EXPECT_EQ(outcome.exitCode, 7);
  EXPECT_EQ(outcome.out.rfind("Error: Found an XML-Data <attribute> declaration of type 'zz' "
                              "without a corresponding AttributeType declaration. Cannot "
                              "continue.\nin ",
                              0),
            0u)
      << outcome.out;
  EXPECT_EQ(outcome.err, "");
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir, "ns.h")));
}

}  // namespace
