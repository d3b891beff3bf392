// The text-entities source is compiled by the user's project against the
// runtime's xmlimporterbase.h, in either naming form: check that the
// compiler accepts what the reader writes, escapes and all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "travix/readers/dtd/tqdeclreader.h"
#include "tests/support/tempdir.h"

namespace {

bool Compiles(const std::string& source, const std::string& flags) {
  std::string command = std::string(TEST_CXX_COMPILER) +
                        " -std=c++17 -fsyntax-only -Wall -Wextra -Werror " + flags + " -I" +
                        TEST_RUNTIME_INCLUDE + " '" + source + "' 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace

TEST(EntitiesSource, CompilesAgainstTheImporterBase) {
  TestSupport::TempDir dir;
  dir.Write("parts.ent", "<!ENTITY euro \"&#8364;5\">\n");
  dir.Write("order.dtd",
            "<!ENTITY % parts SYSTEM \"parts.ent\">\n%parts;\n"
            "<!ENTITY nbsp \"&#160;A\">\n<!ENTITY two \"first\nsecond\">\n"
            "<!ENTITY q '\"quoted\" ?\?=' >\n<!ENTITY bs \"C:\\dir\\x41\\\">\n"
            "<!ENTITY tab \"a&#9;b&#13;\">\n<!ELEMENT order (#PCDATA)>\n");
  Travix::TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  reader.SetEntitiesFileBaseName("ns_entities");
  ASSERT_TRUE(reader.Parse(dir.Path("order.dtd")));
  EXPECT_TRUE(Compiles(dir.Path("ns_entities.cpp"), ""));

  reader.SetNamespaceDisabled(true);
  ASSERT_TRUE(reader.Parse(dir.Path("order.dtd")));
  EXPECT_TRUE(Compiles(dir.Path("ns_entities.cpp"), "-DTRAVIX_NO_NAMESPACE"));
  Travix::TqDeclReader::ReleaseDocument();
}
