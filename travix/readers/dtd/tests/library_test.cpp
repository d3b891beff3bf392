// The shared library: the reader's symbol table is its own, and neither
// replaces nor is replaced by the runtime's table in the same process.
#include <gtest/gtest.h>

#include <string>

#include "travix/readers/dtd/tqdeclreader.h"
#include "tests/support/tempdir.h"
#include "travixsymbol.h"

TEST(DeclReaderLibrary, KeepsItsSymbolTableApartFromTheRuntimes) {
  TestSupport::TempDir dir;
  dir.Write("e.dtd", "<!ENTITY e \"caf&#233;\">\n<!ELEMENT a EMPTY>\n");
  SymbolResetTable();
  SymbolResolveEntities(1);
  ASSERT_EQ(SymbolInsert("kept", 7), 1);

  Travix::TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  ASSERT_TRUE(reader.Parse(dir.Path("e.dtd")));
  EXPECT_NE(dir.Read("entities.cpp").find("{\"e\",\"caf\\xC3\\xA9\"}"), std::string::npos);

  // The runtime's table saw nothing of the run, and stores the same
  // reference as the UTF-8 bytes themselves.
  EXPECT_EQ(SymbolGetCount(), 1);
  EXPECT_EQ(SymbolLookup("kept"), 1);
  int row = SymbolInsert("caf&#233;", 0);
  ASSERT_EQ(row, 2);
  EXPECT_EQ(std::string(SymbolGetEntry(row)), "caf\xC3\xA9");
  Travix::TqDeclReader::ReleaseDocument();
}
