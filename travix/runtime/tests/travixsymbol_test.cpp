#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "travixsymbol.h"

namespace {

class SymbolTable : public ::testing::Test {
protected:
  void SetUp() override {
    SymbolResolveEntities(1);
    SymbolResetTable();
  }

  static void DefineEntity(const char* name, const char* value) {
    int nameRow = SymbolInsert(name, 0);
    int valueRow = SymbolInsert(value, 0);
    ASSERT_GT(nameRow, 0);
    ASSERT_GT(valueRow, 0);
    SymbolAssociate(nameRow, valueRow);
  }

  static std::string Stored(const std::string& text) {
    int row = SymbolInsert(text.c_str(), 0);
    EXPECT_GT(row, 0) << SymbolGetLastError();
    return row > 0 ? SymbolGetEntry(row) : "";
  }

  // The message of an insert that must fail and leave the table as it was.
  static std::string Refusal(const std::string& text) {
    int countBefore = SymbolGetCount();
    EXPECT_EQ(SymbolInsert(text.c_str(), 0), -1) << text;
    EXPECT_EQ(SymbolGetCount(), countBefore);
    return SymbolGetLastError();
  }
};

TEST_F(SymbolTable, RowsCarryTokensAndLookupFindsTheNewest) {
  EXPECT_EQ(SymbolInsert("a", 7), 1);
  EXPECT_EQ(SymbolGetToken(1), 7);
  EXPECT_EQ(SymbolLookup("a"), 1);
  EXPECT_EQ(SymbolLookup("b"), 0);
  EXPECT_EQ(SymbolInsert("x", 1), 2);
  EXPECT_EQ(SymbolInsert("x", 2), 3);
  EXPECT_EQ(SymbolLookup("x"), 3);
  EXPECT_EQ(SymbolLookup("xx"), 0);
  EXPECT_EQ(SymbolLookup(""), 0);
  EXPECT_EQ(SymbolLookup(nullptr), 0);
  EXPECT_EQ(SymbolGetCount(), 3);
  EXPECT_STREQ(SymbolGetEntry(2), "x");
}

TEST_F(SymbolTable, ResetStartsOverAndKeepsFlagAndLastError) {
  SymbolInsert("a", 1);
  SymbolInsert("b", 2);
  SymbolGetEntry(99);
  std::string error = SymbolGetLastError();
  SymbolResolveEntities(0);
  SymbolResetTable();
  EXPECT_EQ(SymbolGetCount(), 0);
  EXPECT_EQ(SymbolLookup("a"), 0);
  EXPECT_EQ(SymbolGetLastError(), error);
  EXPECT_EQ(SymbolInsert("a&lt;", 3), 1);
  EXPECT_STREQ(SymbolGetEntry(1), "a&lt;"); // resolution stayed off
  EXPECT_EQ(SymbolLookup("a&lt;"), 1);
}

TEST_F(SymbolTable, AtMost49999Rows) {
  for (int i = 1; i < TRAVIX_SYMBOL_ROWS; ++i)
    ASSERT_EQ(SymbolInsert("", i), i);
  EXPECT_EQ(SymbolInsert("", 0), -1);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Symbol table full\n");
  EXPECT_EQ(SymbolGetCount(), TRAVIX_SYMBOL_ROWS - 1);
  EXPECT_EQ(SymbolGetToken(TRAVIX_SYMBOL_ROWS - 1), TRAVIX_SYMBOL_ROWS - 1);
}

TEST_F(SymbolTable, NamesMayFillThePoolExactly) {
  SymbolResolveEntities(0);
  std::string longest(TRAVIX_SYMBOL_POOL_SIZE - 1, 'n');
  EXPECT_EQ(SymbolInsert(longest.c_str(), 0), 1);
  EXPECT_EQ(SymbolInsert("", 0), -1);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Lexemes array full\n");

  SymbolResetTable();
  EXPECT_EQ(SymbolInsert((longest + "n").c_str(), 0), -1);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Lexemes array full\n");

  std::string half(TRAVIX_SYMBOL_POOL_SIZE / 2 - 1, 'h');
  EXPECT_EQ(SymbolInsert(half.c_str(), 0), 1);
  EXPECT_EQ(SymbolInsert(half.c_str(), 0), 2);
  EXPECT_EQ(SymbolInsert("", 0), -1);
  EXPECT_EQ(SymbolLookup(half.c_str()), 2);
}

TEST_F(SymbolTable, ReferencesAreExpandedOnInsert) {
  DefineEntity("lt", "<");
  DefineEntity("%pe", "x y");
  SymbolResolveEntities(0);
  DefineEntity("amp", "&");
  SymbolResolveEntities(1);
  struct Case {
    const char* text;
    const char* stored;
  } const cases[] = {
      {"a&lt;b", "a<b"},
      {"&lt;&lt;", "<<"},
      {"&#65;&#x42;", "AB"},
      {"&#65abc;", "A"},                    // the number ends at the first non-digit
      {"&#9;", "\t"},                       // control characters as themselves
      {"caf&#233;", "caf\xC3\xA9"},         // UTF-8 of the code point
      {"&#x263A;", "\xE2\x98\xBA"},         // above 255
      {"&#x1F600;", "\xF0\x9F\x98\x80"},    // beyond the basic plane
      {"&#127;", "\x7F"},
      {"a&#38;b", "a&b"},                   // the ampersand reference is the character
      {"&#38;lt;", "&lt;"},                 // and is never read again (in a DTD's table it is)
      {"&#38;#38;", "&#38;"},
      {"a&%pe;b", "a x y b"},               // parameter entities are padded with blanks
      {"&amp;lt;", "&lt;"},                 // replacement texts are not expanded again
      {"plain text", "plain text"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Stored(c.text), c.stored) << c.text;
}

TEST_F(SymbolTable, BadReferencesAreRefused) {
  DefineEntity("lt", "<");
  struct Case {
    const char* text;
    const char* message;
  } const cases[] = {
      {"ends with &", "Problem with entity reference ends with &"},
      {"a&;b", "Problem with entity reference a&;b"},
      {"a&ltb", "Problem with entity reference a&ltb"},
      {"&#0;", "Problem with entity reference &#0;"},
      {"&#xD800;", "Problem with entity reference &#xD800;"},
      {"&#x110000;", "Problem with entity reference &#x110000;"},
      {"&#99999999999999999999999;", "Problem with entity reference &#99999999999999999999999;"},
      {"&#xZZ;", "Problem with entity reference &#xZZ;"},
      {"a&gt;b", "Entity reference gt undefined"},
      {"&%lt;", "Entity reference %lt undefined"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Refusal(c.text), c.message) << c.text;
}

TEST_F(SymbolTable, TextStoredAsItStandsWhenResolutionIsOff) {
  DefineEntity("lt", "<");
  EXPECT_EQ(SymbolResolveEntities(0), 0);
  EXPECT_EQ(Stored("a&lt;b"), "a&lt;b");
  EXPECT_EQ(Stored("a&"), "a&");
  EXPECT_EQ(SymbolResolveEntities(5), 1);
  EXPECT_EQ(Stored("a&lt;b"), "a<b");
}

// A text is found as SymbolInsert stores it: expanded while the flag is
// on, as it stands while it is off; a bad reference fails as the insert would.
TEST_F(SymbolTable, LookupExpandedFindsTheTextAsStored) {
  SymbolResolveEntities(0);
  DefineEntity("amp", "&");
  SymbolResolveEntities(1);
  const int expanded = SymbolInsert("a&amp;b", 0);
  SymbolResolveEntities(0);
  const int raw = SymbolInsert("a&amp;b", 0);
  SymbolResolveEntities(1);
  const std::pair<const char*, int> cases[] = {
      {"a&amp;b", expanded}, {"a&#38;b", expanded}, {"a&amp;amp;b", raw}, {"x&amp;y", 0},
      {"plain", 0},         {nullptr, 0}};
  for (const auto& [text, row] : cases) EXPECT_EQ(SymbolLookupExpanded(text), row) << text;
  EXPECT_EQ(SymbolLookupExpanded("a&none;"), -1);
  EXPECT_STREQ(SymbolGetLastError(), "Entity reference none undefined");
  SymbolResolveEntities(0);
  EXPECT_EQ(SymbolLookupExpanded("a&amp;b"), raw);
  EXPECT_EQ(SymbolLookupExpanded("a&none;"), 0);
  SymbolResolveEntities(1);
}

// A text inserted later under an entity's name (an element named like it,
// an entity value that reads like the name) is the newest row of that name
// but no entity: the entity stays what the reference reads. Before, the
// reference was refused as undefined. A name with no entity row is.
TEST_F(SymbolTable, NameRowWithoutReplacementTextLeavesTheEntity) {
  DefineEntity("lt", "<");
  SymbolInsert("lt", 42);
  EXPECT_EQ(SymbolGetAssociatedVal(SymbolLookup("lt")), nullptr);
  EXPECT_EQ(Stored("&lt;"), "<");
  SymbolInsert("gt", 42);
  EXPECT_EQ(Refusal("&gt;"), "Entity reference gt undefined");
}

TEST_F(SymbolTable, ExpandedTextMustStayBelowTheBufferSize) {
  const std::string tooLong = "Error: Text too long after entity expansion\n";
  std::string longest(TRAVIX_SYMBOL_EXPANSION_SIZE - 1, 'a');
  EXPECT_GT(SymbolInsert(longest.c_str(), 0), 0);
  EXPECT_EQ(Refusal(longest + "&#65;"), tooLong);
  EXPECT_EQ(Refusal(longest.substr(1) + "&#233;"), tooLong);

  SymbolResetTable();
  std::string big(20000, 'b');
  DefineEntity("big", big.c_str());
  EXPECT_EQ(Refusal("&big;&big;"), tooLong);
  // References that shrink the text: only the expanded size counts.
  DefineEntity("e", "");
  std::string manyEmpty;
  for (int i = 0; i < 12000; ++i)
    manyEmpty += "&e;";
  EXPECT_EQ(Stored(manyEmpty + "end"), "end");

  // A text without references needs no expansion: only the pool bounds it.
  SymbolResetTable();
  EXPECT_EQ(Stored(longest + "a"), longest + "a");
  SymbolResetTable();
  SymbolResolveEntities(0);
  EXPECT_GT(SymbolInsert((longest + "a").c_str(), 0), 0);
}

TEST_F(SymbolTable, LongQuotedTextsAreCutToFitTheLastError) {
  std::string name(5000, 'n');
  Refusal("&" + name + ";");
  std::string message = SymbolGetLastError();
  EXPECT_EQ(message.size(), TRAVIX_SYMBOL_ERROR_SIZE - 1u);
  EXPECT_EQ(message.rfind("Entity reference nnn", 0), 0u);
  EXPECT_EQ(message.substr(message.size() - 13), "... undefined");

  // The cut never splits a character.
  std::string text = "&";
  for (int i = 0; i < 2000; ++i)
    text += "\xC3\xA9";
  message = Refusal(text);
  ASSERT_EQ(message.substr(message.size() - 3), "...");
  std::string quoted = message.substr(0, message.size() - 3);
  EXPECT_EQ(quoted.back(), '\xA9');
  EXPECT_LE(message.size(), TRAVIX_SYMBOL_ERROR_SIZE - 1u);
}

TEST_F(SymbolTable, IndexesOutsideTheTableAreRefused) {
  SymbolInsert("a", 1);
  SymbolInsert("b", 2);
  EXPECT_EQ(SymbolGetEntry(0), nullptr);
  EXPECT_EQ(SymbolGetEntry(-1), nullptr);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Invalid symbol table index '-1'\n");
  EXPECT_EQ(SymbolGetEntry(3), nullptr);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Invalid symbol table index '3'\n");

  SymbolAssociate(1, -1);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Invalid symbol table index '-1'\n");
  SymbolAssociate(7, 1);
  EXPECT_STREQ(SymbolGetLastError(), "Error: Invalid symbol table index '7'\n");
  EXPECT_EQ(SymbolGetAssociatedIndex(1), 0);
  EXPECT_EQ(SymbolGetAssociatedIndex(7), 0);

  SymbolAssociate(1, 2);
  EXPECT_EQ(SymbolGetAssociatedIndex(1), 2);
  EXPECT_STREQ(SymbolGetAssociatedVal(1), "b");
  EXPECT_EQ(SymbolGetAssociatedVal(2), nullptr);
  EXPECT_EQ(SymbolGetAssociatedVal(-5), nullptr);
  EXPECT_EQ(SymbolGetToken(3), 0);
  EXPECT_EQ(SymbolGetToken(-1), 0);
}

TEST_F(SymbolTable, InsertsNamesThatLieInThePool) {
  int row = SymbolInsert("again", 1);
  EXPECT_EQ(SymbolInsert(SymbolGetEntry(row), 2), 2);
  EXPECT_STREQ(SymbolGetEntry(2), "again");
}

TEST_F(SymbolTable, LookupAgreesWithABackwardScan) {
  std::mt19937 random(12345);
  auto scan = [](const std::string& name) {
    for (int row = SymbolGetCount(); row > 0; --row)
      if (name == SymbolGetEntry(row))
        return row;
    return 0;
  };
  for (int round = 0; round < 2; ++round) {
    SymbolResetTable();
    std::vector<std::string> names;
    // 2500 names of up to 18 pool bytes each fit the pool whatever the draw.
    for (int i = 0; i < 2500; ++i) {
      // Lengths on both sides of the hash's eight-byte steps.
      std::string name = std::string(random() % 3 * 7, 'x') + std::to_string(random() % 1000);
      names.push_back(name);
      ASSERT_GT(SymbolInsert(name.c_str(), i), 0);
    }
    for (int i = 0; i < 4000; ++i) {
      std::string probe = std::string(random() % 3 * 7, 'x') + std::to_string(random() % 1300);
      ASSERT_EQ(SymbolLookup(probe.c_str()), scan(probe)) << probe;
      // The same text as the start of a longer one, by its length.
      const std::string longer = probe + "0";
      ASSERT_EQ(SymbolLookupLength(longer.c_str(), static_cast<int>(probe.size())), scan(probe)) << probe;
    }
  }
}

// A scanner's one call does what a lookup of the stored text and, where it
// finds none, an insert would: for every length and position of an "&",
// beside bytes next to it in value, with expansion on and off.
TEST_F(SymbolTable, EnterFindsOrInsertsAsLookupAndInsertWould) {
  for (int resolve : {1, 0})
    for (char filler : {'a', '\'', '%'}) {
      SymbolResetTable();
      SymbolResolveEntities(resolve);
      DefineEntity("e", "E");
      std::vector<std::string> texts = {"", "e", "&e;", "a&e;b", "&#233;", "&e", "&none;"};
      for (std::size_t length = 1; length <= 40; ++length)
        for (std::size_t at = 0; at <= length; ++at) {
          std::string text(length, filler);
          if (at < length)
            text[at] = '&';
          texts.push_back(text);
        }
      for (int pass = 0; pass < 2; ++pass)
        for (const std::string& text : texts) {
          const int found = SymbolLookupExpanded(text.c_str());
          const int count = SymbolGetCount();
          const int row = SymbolEnter(text.c_str(), static_cast<int>(text.size()), 5);
          if (found != 0) {
            EXPECT_EQ(row, found) << text;
            EXPECT_EQ(SymbolGetCount(), count) << text;
            continue;
          }
          const int reference = SymbolInsert(text.c_str(), 5);
          ASSERT_EQ(row, reference - 1) << text << " " << SymbolGetLastError();
          EXPECT_STREQ(SymbolGetEntry(row), SymbolGetEntry(reference)) << text;
          EXPECT_EQ(SymbolGetToken(row), 5);
          EXPECT_EQ(SymbolLookupExpanded(text.c_str()), reference);
        }
    }
  EXPECT_EQ(SymbolEnter(nullptr, 0, 1), -1);
  EXPECT_EQ(SymbolEnter("a", -1, 1), -1);
}

TEST_F(SymbolTable, PrintsEveryRow) {
  SymbolInsert("alpha", 3);
  SymbolInsert("b", 12);
  SymbolAssociate(2, 1);
  ::testing::internal::CaptureStdout();
  SymbolPrintTable();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\nFinal Symbol Table\n"
            "Index     Token     Symbol Name             Association\n"
            "  1       3                     alpha       0\n"
            "  2      12                         b       1\n");
}

} // namespace
