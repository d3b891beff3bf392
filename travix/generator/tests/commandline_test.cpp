#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "travix/generator/commandline.h"
#include "travix/generator/exitcodes.h"

namespace {

using namespace Travix::Tool;

CommandLine Parse(std::vector<std::string> words, std::string* errors = nullptr) {
  words.insert(words.begin(), "travix");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::ostringstream stream;
  CommandLine result = ParseCommandLine(int(words.size()), argv.data(), stream);
  if (errors) *errors = stream.str();
  return result;
}

TEST(Namespace, IsAnAsciiIdentifierAndNoKeyword) {
  for (const char* good : {"_x9", "ns", "Po_Order2", "_", "final", "Class", "main"}) {
    EXPECT_TRUE(IsValidNamespace(good)) << good;
  }
  for (const char* bad : {"", "9abc", "a-b", "a b", "a.b", "a::b", "caf\xC3\xA9", "class",
                          "namespace", "and", "char8_t", "co_await", "nullptr"}) {
    EXPECT_FALSE(IsValidNamespace(bad)) << bad;
  }
}

TEST(InputKind, FirstMarkerInTheLowerCasedFileNameDecides) {
  EXPECT_EQ(InputKindOf("Schema.DTD"), InputKind::Dtd);
  EXPECT_EQ(InputKindOf("x.xml.dtd"), InputKind::Dtd);
  EXPECT_EQ(InputKindOf("a.dtd.xml"), InputKind::Dtd);
  EXPECT_EQ(InputKindOf("dir/po.XDR"), InputKind::Xdr);
  EXPECT_EQ(InputKindOf("order.biz"), InputKind::Xdr);
  EXPECT_EQ(InputKindOf("defs.xml.bak"), InputKind::Xdr);
  EXPECT_EQ(InputKindOf("po.xsd"), InputKind::Schema);
  EXPECT_EQ(InputKindOf("schema.txt"), InputKind::Schema);
  EXPECT_EQ(InputKindOf("defs.xml.d/po.xsd"), InputKind::Schema);
  EXPECT_EQ(InputKindOf("C:\\defs.dtd.d\\po.xsd"), InputKind::Schema);
}

TEST(CommandLineOptions, FlagsAndValuesInEveryForm) {
  CommandLine line = Parse({"-DX", "-M", "-N", "-E", "-P", "-R", "-dout", "-l", "list",
                            "-nfirst", "-n", "second", "In.XSD", "extra"});
  ASSERT_TRUE(line.options);
  const TravixOptions& o = *line.options;
  EXPECT_TRUE(o.dllExport && o.exportSchema && o.mfcClasses && o.noNamespaces &&
              o.keepPreprocessorOutput && o.printDtdSchema && o.noReadCapability);
  EXPECT_EQ(o.outputDir, "out");
  EXPECT_EQ(o.listFile, "list");
  EXPECT_EQ(o.nameSpace, "second");
  EXPECT_EQ(o.inputFile, "In.XSD");
  EXPECT_EQ(o.inputKind, InputKind::Schema);

  CommandLine defaults = Parse({"-n", "ns", "a.dtd"});
  ASSERT_TRUE(defaults.options);
  EXPECT_FALSE(defaults.options->dllExport || defaults.options->exportSchema);
  EXPECT_EQ(defaults.options->outputDir, ".");
  EXPECT_EQ(defaults.options->listFile, "");
  EXPECT_EQ(defaults.options->inputKind, InputKind::Dtd);
}

TEST(CommandLineOptions, ChecksComeInTheirOrder) {
  std::string errors;
  EXPECT_EQ(Parse({"-n", "9abc", "-Q"}, &errors).exitCode, kInvalidNamespace);
  EXPECT_EQ(errors, "Travix error: Namespace must be a valid C++ identifier.\n");
  EXPECT_EQ(Parse({"-Q", "-n", "9abc"}, &errors).exitCode, kBadOption);
  EXPECT_EQ(errors.rfind("Usage:\n", 0), 0u);
  EXPECT_EQ(Parse({}, &errors).exitCode, kNoInputFile);
  EXPECT_EQ(Parse({"po.xsd"}, &errors).exitCode, kNoNamespace);
  EXPECT_EQ(Parse({"-n", "ns"}).exitCode, kNoInputFile);
  EXPECT_FALSE(Parse({"po.xsd", "-n"}).options);
}

}  // namespace
