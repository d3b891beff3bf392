// XHTML 1.0 Strict with its three entity sets through travix, and a small
// page (tests/e2e/dtd/page.xhtml, described in expected.txt beside it) read
// by the importer generated from it: entities from the DTD's sets, mixed
// content, tables, written back and read again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#if defined(E2E_XHTML_DTD)
#include "xhtml.h"
#include "xhtml_xmlimporter.h"

#include "documents.h"
#include "imports.h"
#include "tests/support/tempdir.h"
#endif

namespace {

#if !defined(E2E_XHTML_DTD)

TEST(Xhtml, NeedsTheDtd) {
  GTEST_SKIP() << "skipped: " << E2E_MISSING << " is not installed (scripts/bootstrap installs it)";
}

#else

using namespace E2E;
using TestSupport::ReadFile;
using TestSupport::TempDir;
#define X(name) XHTML_NAMESPACE(name)
using Importer = X(XMLImporter);

const std::string kPage = std::string(E2E_PAGES_DIR) + "/page.xhtml";
const std::string kNbsp = "\xC2\xA0";
const std::string kEuro = "\xE2\x82\xAC";

class Xhtml : public ::testing::Test {
protected:
  static void SetUpTestSuite() { X(Initialize)(); }
  TempDir scratch;
};

// The tags of mixed content, text as "#PCDATA".
std::vector<std::string> TagsOf(TX(XObjPtrList) & content) {
  std::vector<std::string> tags;
  for (TX(XObject)* part : content) tags.push_back(part->GetTag());
  return tags;
}

// The text of the n-th part of mixed content, which must be text.
std::string TextAt(TX(XObjPtrList) & content, std::size_t n) {
  auto at = content.begin();
  std::advance(at, n);
  auto* text = at == content.end() ? nullptr : dynamic_cast<TX(string)*>(*at);
  return text ? Text(*text) : "<not text>";
}

template <class Element>
Element* PartAt(TX(XObjPtrList) & content, std::size_t n) {
  auto at = content.begin();
  std::advance(at, n);
  return at == content.end() ? nullptr : dynamic_cast<Element*>(*at);
}

template <class Element, class Choices>
Element* ChoiceAt(Choices& choices, std::size_t n) {
  auto at = choices.begin();
  std::advance(at, n);
  return at == choices.end() ? nullptr : dynamic_cast<Element*>((*at)->GetChoice());
}

// Every value expected.txt lists.
void ExpectPage(X(html) & html) {
  EXPECT_EQ(Text(html.Get_xml_lang()), "en");
  EXPECT_EQ(Text(html.Get_lang()), "en");

  X(head) head = html.Get_head();
  EXPECT_TRUE(head.Get_headChoiceList().empty());
  X(headChoice1) titleFirst = head.Get_headChoice1();
  auto* sequence = dynamic_cast<X(headChoice1Seq)*>(titleFirst.GetChoice());
  ASSERT_NE(sequence, nullptr);
  X(title) title = sequence->Get_title();
  EXPECT_EQ(Text(title.GetContent()), "Price" + kNbsp + "list");
  ASSERT_EQ(sequence->Get_headChoice1SeqChoiceList().size(), 1u);
  auto* meta = ChoiceAt<X(meta)>(sequence->Get_headChoice1SeqChoiceList(), 0);
  ASSERT_NE(meta, nullptr);
  EXPECT_EQ(Text(meta->Get_name()), "generator");
  EXPECT_EQ(Text(meta->Get_content()), "hand");

  X(body) body = html.Get_body();
  auto& blocks = body.Get_bodyChoiceList();
  std::vector<std::string> tags;
  for (auto* block : blocks) tags.push_back(block->GetChoice()->GetTag());
  ASSERT_EQ(tags, (std::vector<std::string>{"h1", "p", "table", "p"}));

  auto* h1 = ChoiceAt<X(h1)>(blocks, 0);
  ASSERT_NE(h1, nullptr);
  EXPECT_EQ(Text(h1->Get_id()), "top");
  EXPECT_EQ(TagsOf(h1->GetMixedList()), std::vector<std::string>{"#PCDATA"});
  EXPECT_EQ(TextAt(h1->GetMixedList(), 0), "Prices");

  auto* note = ChoiceAt<X(p)>(blocks, 1);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(Text(note->Get_class()), "note");
  EXPECT_EQ(TagsOf(note->GetMixedList()), (std::vector<std::string>{"#PCDATA", "em", "#PCDATA"}));
  EXPECT_EQ(TextAt(note->GetMixedList(), 0), "Tea costs 3" + kNbsp + kEuro + " & coffee ");
  auto* em = PartAt<X(em)>(note->GetMixedList(), 1);
  ASSERT_NE(em, nullptr);
  EXPECT_EQ(TextAt(em->GetMixedList(), 0), "more");
  EXPECT_EQ(TextAt(note->GetMixedList(), 2), ".");

  auto* table = ChoiceAt<X(table)>(blocks, 2);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(Text(table->Get_summary()), "prices");
  X(tableChoice1) bodyRows = table->Get_tableChoice1();
  auto* rows = dynamic_cast<TX(XObjPtrList)*>(bodyRows.GetChoice());  // tr+, not tbody+
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(rows->size(), 2u);
  const std::vector<std::vector<std::string>> cells = {{"th", "Item", "th", "Price"},
                                                       {"td", "tea", "td", "3"}};
  std::size_t r = 0;
  for (TX(XObject)* row : *rows) {
    auto* tr = dynamic_cast<X(tr)*>(row);
    ASSERT_NE(tr, nullptr);
    std::vector<std::string> seen;
    for (auto* cell : tr->Get_trChoiceList()) {
      TX(XObject)* element = cell->GetChoice();
      seen.push_back(element->GetTag());
      if (auto* th = dynamic_cast<X(th)*>(element)) seen.push_back(TextAt(th->GetMixedList(), 0));
      if (auto* td = dynamic_cast<X(td)*>(element)) seen.push_back(TextAt(td->GetMixedList(), 0));
    }
    EXPECT_EQ(seen, cells[r++]);
  }

  auto* back = ChoiceAt<X(p)>(blocks, 3);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(TagsOf(back->GetMixedList()), (std::vector<std::string>{"a", "#PCDATA"}));
  auto* link = PartAt<X(a)>(back->GetMixedList(), 0);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(Text(link->Get_href()), "#top");
  EXPECT_EQ(TextAt(link->GetMixedList(), 0), "Back");
  EXPECT_EQ(TextAt(back->GetMixedList(), 1), " <up>");
}

TEST_F(Xhtml, EntityTableHoldsTheSetsInUtf8) {
  const std::string entities = ReadFile(E2E_XHTML_ENTITIES);
  EXPECT_NE(entities.find("  {\"nbsp\",\"\\xC2\\xA0\"},\n"), std::string::npos);
  EXPECT_NE(entities.find("  {\"euro\",\"\\xE2\\x82\\xAC\"},\n"), std::string::npos);
  EXPECT_NE(entities.find("  {\"lt\",\"<\"},\n"), std::string::npos);
}

TEST_F(Xhtml, PageReadsWithTheEntitiesOfTheDtd) {
  std::string error;
  std::unique_ptr<X(html)> html = ImportAs<X(html), Importer>(kPage, error);
  ASSERT_TRUE(html) << error;
  ExpectPage(*html);
}

TEST_F(Xhtml, WrittenBackThePageReadsTheSame) {
  std::string error;
  std::unique_ptr<X(html)> html = ImportAs<X(html), Importer>(kPage, error);
  ASSERT_TRUE(html) << error;
  const std::string copy = scratch.Path("page.xhtml");
  std::unique_ptr<X(html)> again = WrittenAndImported<X(html), Importer>(*html, copy, "html", error);
  ASSERT_TRUE(again) << error << "\n" << ReadFile(copy);
  ExpectPage(*again);
  EXPECT_EQ(XmlOf(*again), XmlOf(*html));
}

#endif

}  // namespace
