// The symbol table as a library's private copy (travix_private_symbol_table)
// stores character references as C escape text of their UTF-8 bytes, and
// reads the text after a reference to "&" again, as XML reads an entity
// value.
#include <gtest/gtest.h>

#include <string>

#include "travixsymbol.h"

namespace {

std::string Stored(const char* text) {
  int row = SymbolInsert(text, 0);
  EXPECT_GT(row, 0) << SymbolGetLastError();
  return row > 0 ? SymbolGetEntry(row) : "";
}

TEST(PrivateSymbolTable, CharacterReferencesBecomeEscapesOfTheirUtf8Bytes) {
  SymbolResetTable();
  int lt = SymbolInsert("lt", 0);
  SymbolAssociate(lt, SymbolInsert("<", 0));
  EXPECT_EQ(Stored("caf&#233;"), "caf\\xC3\\xA9");
  EXPECT_EQ(Stored("&#9;"), "\\x09");
  EXPECT_EQ(Stored("&#xA0;"), "\\xC2\\xA0");
  EXPECT_EQ(Stored("&#x263A;"), "\\xE2\\x98\\xBA");
  EXPECT_EQ(Stored("&#127;"), "\\x7F");
  EXPECT_EQ(Stored("&#65;&#x42;"), "AB");
  EXPECT_EQ(Stored("&#38;lt;"), "<");
  EXPECT_EQ(Stored("&#38;#38;"), "&");
  EXPECT_EQ(Stored("&#38;#38;#38;"), "&#38;");
  EXPECT_EQ(SymbolInsert("&#0;", 0), -1);
  EXPECT_STREQ(SymbolGetLastError(), "Problem with entity reference &#0;");
  EXPECT_EQ(SymbolInsert("a&#38;", 0), -1);
  EXPECT_STREQ(SymbolGetLastError(), "Problem with entity reference a&#38;");
}

} // namespace
