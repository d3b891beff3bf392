// Documents imported through importers that travix generated, in one flag
// set of the generator: values read through the generated accessors,
// documents written back with EmitXMLToFile and imported again, broken
// documents refused with a message, and every import after a failed one
// unharmed by it.
//
// The same source is built for every flag set that keeps read capability;
// the generated <NS>_NAMESPACE(x) macros name the classes in either naming
// form, TX(x) the runtime's.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "documents.h"
#include "everything.h"
#include "everything_xmlimporter.h"
#include "notes.h"
#include "notes_xmlimporter.h"
#include "po.h"
#include "po_xmlimporter.h"
#include "tests/support/generatedcode.h"
#include "tests/support/tempdir.h"

namespace {

using namespace E2E;
using TestSupport::Import;
using TestSupport::Imported;
using TestSupport::ReadFile;
using TestSupport::TempDir;
using TestSupport::Text;
using TestSupport::XmlOf;
using OrderImporter = EVERYTHING_NAMESPACE(XMLImporter);
using PurchaseOrderImporter = PO_NAMESPACE(XMLImporter);
using MemoImporter = NOTES_NAMESPACE(XMLImporter);
using Order = EVERYTHING_NAMESPACE(order);
using PurchaseOrder = PO_NAMESPACE(purchaseOrder);

template <class Root, class Importer>
std::unique_ptr<Root> ImportAs(const std::string& path) {
  Imported imported = Import<Importer>(path);
  EXPECT_EQ(imported.error, "") << path;
  auto* root = dynamic_cast<Root*>(imported.root.get());
  EXPECT_NE(root, nullptr) << path;
  if (root) imported.root.release();
  return std::unique_ptr<Root>(root);
}

class EndToEnd : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    EVERYTHING_NAMESPACE(Initialize)();
    PO_NAMESPACE(Initialize)();
    NOTES_NAMESPACE(Initialize)();
  }
  TempDir scratch;
};

TEST_F(EndToEnd, EveryKindOfMarkupReachesTheAccessors) {
  std::unique_ptr<Order> order = ImportAs<Order, OrderImporter>(DocumentPath("order-full.xml"));
  ASSERT_TRUE(order);
  EXPECT_EQ(order->GetTag(), "order");
  EXPECT_EQ(Text(order->Get_id()), "ord-17");
  EXPECT_EQ(Text(order->Get_status().GetValue()), "closed");
  EXPECT_EQ(static_cast<long>(order->Get_priority().GetValue()), 3);
  EXPECT_EQ(Text(order->Get_version()), "1.0");
  EXPECT_EQ(Text(order->Get_ref()), "ln-1");
  EXPECT_EQ(order->Get_refs().GetTokens().size(), 2u);
  EXPECT_EQ(order->Get_tokens().GetTokens().size(), 3u);
  EXPECT_FALSE(static_cast<bool>(order->Get_urgent()));
  EXPECT_EQ(static_cast<double>(order->Get_weight()), -0.25);
  EXPECT_EQ(static_cast<unsigned long>(order->Get_count()), 4000000u);
  EXPECT_EQ(Text(order->Get_code().GetValue()), "q7");

  // references of both kinds, quotes of both kinds, and a CDATA section
  EVERYTHING_NAMESPACE(address) shipTo = order->Get_shipTo();
  EXPECT_EQ(Text(shipTo.Get_name()), "Marta \"M\" O'Neil \xC2\xA9 \xE2\x98\xBA");
  ASSERT_EQ(shipTo.Get_streetList().size(), 1u);
  EXPECT_EQ(Text(*shipTo.Get_streetList().front()), "Quay <7> & Co");
  EXPECT_EQ(Text(shipTo.Get_country()), "US");  // the default
  EVERYTHING_NAMESPACE(address) billTo = order->Get_billTo();
  EXPECT_EQ(Text(billTo.Get_country()), "IE");
  EXPECT_EQ(billTo.Get_streetList().size(), 2u);
  EXPECT_EQ(Text(order->Get_note()), "<fragile> & \"heavy\" &amp; ]");

  // children of an "all" archetype in any order
  ASSERT_EQ(order->Get_lineList().size(), 2u);
  EVERYTHING_NAMESPACE(line)& first = *order->Get_lineList().front();
  EXPECT_EQ(static_cast<unsigned long>(first.Get_number()), 1u);
  EXPECT_EQ(Text(first.Get_key()), "ln-1");
  EXPECT_EQ(Text(first.Get_sku().GetValue()), "k1");
  EXPECT_EQ(static_cast<unsigned long>(first.Get_quantity()), 0u);
  EXPECT_EQ(static_cast<double>(first.Get_price().GetValue()), 12.5);
  EVERYTHING_NAMESPACE(line)& second = *order->Get_lineList().back();
  EXPECT_EQ(Text(second.Get_sku().GetValue()), "k2");
  EXPECT_EQ(static_cast<unsigned long>(second.Get_quantity()), 12u);
  EXPECT_EQ(second.Get_remarkList().size(), 1u);

  // lists, bounded and fixed counts, a repeated group holding a choice
  ASSERT_EQ(order->Get_tagList().size(), 2u);
  EXPECT_EQ(Text(*order->Get_tagList().back()), "beta");
  EXPECT_EQ(Text(order->Get_tag1()), "omega");
  ASSERT_EQ(order->Get_pairList().size(), 2u);
  EXPECT_EQ(static_cast<long>(*order->Get_pairList().front()), -7);
  EXPECT_EQ(static_cast<long>(*order->Get_pairList().back()), 12);
  EXPECT_EQ(order->Get_someList().size(), 1u);
  EXPECT_EQ(static_cast<double>(order->Get_total().GetValue()), 99999.99);
  EXPECT_EQ(order->Get_extrasList().size(), 2u);

  // a choice, text-only, mixed, any and empty content
  EVERYTHING_NAMESPACE(payment) payment = order->Get_payment();
  auto* card = dynamic_cast<EVERYTHING_NAMESPACE(card)*>(payment.GetChoice());
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(Text(card->Get_kind()), "visa");
  EXPECT_EQ(Text(card->GetContent()), "4111 0000");
  EVERYTHING_NAMESPACE(body) body = order->Get_body();
  std::vector<std::string> mixed;
  for (TX(XObject)* part : body.GetMixedList()) mixed.push_back(part->GetTag());
  EXPECT_EQ(mixed, (std::vector<std::string>{"#PCDATA", "b", "#PCDATA", "i", "#PCDATA", "br"}));
  EVERYTHING_NAMESPACE(anything) any = order->Get_any();
  EXPECT_EQ(any.GetAnyContentList().size(), 3u);
  ASSERT_EQ(order->Get_flagList().size(), 2u);
  EXPECT_FALSE(static_cast<bool>(order->Get_flagList().front()->Get_on()));
  EXPECT_FALSE(order->Get_flagList().back()->HasAttribute("on"));
  EXPECT_THROW(order->Get_flagList().back()->Get_on(), TX(XException));
}

TEST_F(EndToEnd, CarriageReturnLineFeedReadsAsLineFeed) {
  const std::string text = ReadFile(DocumentPath("order-full.xml"));
  Imported crlf = Import<OrderImporter>(scratch.Write("crlf.xml", WithCarriageReturns(text)));
  ASSERT_EQ(crlf.error, "");
  Imported lf = Import<OrderImporter>(DocumentPath("order-full.xml"));
  ASSERT_EQ(lf.error, "");
  EXPECT_EQ(XmlOf(*crlf.root), XmlOf(*lf.root));
}

// Written, read again and written again, a document is what it was: its
// values, and the text of mixed and any content to the last blank.
TEST_F(EndToEnd, WrittenBackAndImportedAgainReadsTheSame) {
  const std::pair<std::string, std::string> documents[] = {
      {DocumentPath("order-full.xml"), "order.dtd"},
      {DocumentPath("order-small.xml"), ""},
  };
  for (const auto& [path, doctype] : documents) {
    SCOPED_TRACE(path);
    Imported imported = Import<OrderImporter>(path);
    ASSERT_EQ(imported.error, "");
    const std::string copy = scratch.Path("copy.xml");
    ASSERT_TRUE(imported.root->EmitXMLToFile(copy, doctype));
    Imported again = Import<OrderImporter>(copy);
    ASSERT_EQ(again.error, "");
    EXPECT_EQ(XmlOf(*again.root), XmlOf(*imported.root));
    const std::string second = scratch.Path("second.xml");
    ASSERT_TRUE(again.root->EmitXMLToFile(second, doctype));
    EXPECT_EQ(ReadFile(second), ReadFile(copy));
  }
}

TEST_F(EndToEnd, PurchaseOrderChangedThroughTheAccessors) {
  const std::string example = std::string(EXAMPLES_DIR) + "/order.xml";
  std::unique_ptr<PurchaseOrder> order = ImportAs<PurchaseOrder, PurchaseOrderImporter>(example);
  ASSERT_TRUE(order);
  EXPECT_EQ(Text(order->Get_number()), "PO-1047");
  EXPECT_EQ(Text(order->Get_currency().GetValue()), "EUR");
  ASSERT_EQ(order->Get_itemList().size(), 2u);
  PO_NAMESPACE(item)& notebook = *order->Get_itemList().back();
  EXPECT_EQ(Text(notebook.Get_description()), "Notebook, squared & stitched");
  EXPECT_TRUE(static_cast<bool>(notebook.Get_gift()));
  EXPECT_EQ(static_cast<unsigned long>(notebook.Get_quantity()), 4u);
  PO_NAMESPACE(payment) paidBy = order->Get_payment();
  auto* invoice = dynamic_cast<PO_NAMESPACE(invoice)*>(paidBy.GetChoice());
  ASSERT_NE(invoice, nullptr);
  EXPECT_EQ(static_cast<unsigned long>(invoice->Get_dueDays()), 14u);

  notebook.Set_quantity(TX(positive_integer)(6));
  order->Set_status(PO_NAMESPACE(orderStatus)(TX(NMTOKEN)("shipped")));
  PO_NAMESPACE(payment) payment;
  PO_NAMESPACE(card) card;
  card.Set_holder(TX(string)("H. Lindqvist"));
  card.SetContent(TX(string)("5500 0000 0000 0004"));
  payment.SetChoice(card.clone());
  order->Set_payment(payment);
  order->Get_commentList().push_back(new TX(string)("Shipped in two parcels & insured."));
  order->Get_commentList().back()->SetTag("comment");
  ASSERT_TRUE(order->IsValid());

  const std::string copy = scratch.Path("changed.xml");
  ASSERT_TRUE(order->EmitXMLToFile(copy, ""));
  std::unique_ptr<PurchaseOrder> again = ImportAs<PurchaseOrder, PurchaseOrderImporter>(copy);
  ASSERT_TRUE(again);
  EXPECT_EQ(Text(again->Get_status().GetValue()), "shipped");
  EXPECT_EQ(static_cast<unsigned long>(again->Get_itemList().back()->Get_quantity()), 6u);
  EXPECT_EQ(static_cast<unsigned long>(again->Get_itemList().front()->Get_quantity()), 1u);
  PO_NAMESPACE(payment) paidAgain = again->Get_payment();
  auto* cardAgain = dynamic_cast<PO_NAMESPACE(card)*>(paidAgain.GetChoice());
  ASSERT_NE(cardAgain, nullptr);
  EXPECT_EQ(Text(cardAgain->Get_holder()), "H. Lindqvist");
  ASSERT_EQ(again->Get_commentList().size(), 2u);
  EXPECT_EQ(Text(*again->Get_commentList().back()), "Shipped in two parcels & insured.");
  EXPECT_EQ(XmlOf(*again), XmlOf(*order));
}

// The file the write-only build writes reads back as it was written.
TEST_F(EndToEnd, WhatTheWriteOnlyBuildWritesImports) {
  std::unique_ptr<PurchaseOrder> order =
      ImportAs<PurchaseOrder, PurchaseOrderImporter>(DocumentPath("po-written.xml"));
  ASSERT_TRUE(order);
  const std::string copy = scratch.Path("copy.xml");
  ASSERT_TRUE(order->EmitXMLToFile(copy, ""));
  EXPECT_EQ(ReadFile(copy), ReadFile(DocumentPath("po-written.xml")));
}

// An importer generated from a DTD loads the DTD's text entities, one
// defined through another, before it reads a document; an unparsed entity
// (before, read as its file's name) is none.
TEST_F(EndToEnd, TextEntitiesOfTheDtdAreExpanded) {
  std::unique_ptr<NOTES_NAMESPACE(memo)> memo =
      ImportAs<NOTES_NAMESPACE(memo), MemoImporter>(DocumentPath("memo.xml"));
  ASSERT_TRUE(memo);
  EXPECT_EQ(Text(memo->Get_date()), "2024-03-18");
  EXPECT_EQ(Text(memo->Get_priority().GetValue()), "high");
  ASSERT_EQ(memo->Get_toList().size(), 2u);
  EXPECT_EQ(Text(memo->Get_toList().back()->GetContent()), "Ravi");
  NOTES_NAMESPACE(from) from = memo->Get_from();
  EXPECT_EQ(Text(from.GetContent()), "Corvanth Instruments, Bremen");
  NOTES_NAMESPACE(subject) subject = memo->Get_subject();
  EXPECT_EQ(Text(subject.GetContent()), "Visit of Corvanth Instruments");
  NOTES_NAMESPACE(body) body = memo->Get_body();
  ASSERT_EQ(body.GetMixedList().size(), 5u);
  auto* em = dynamic_cast<NOTES_NAMESPACE(em)*>(*std::next(body.GetMixedList().begin()));
  ASSERT_NE(em, nullptr);
  EXPECT_EQ(Text(em->GetContent()), "Corvanth Instruments");
  // an entity value with a predefined entity in it (before, the DTD was
  // refused)
  EXPECT_EQ(Text(*dynamic_cast<TX(string)*>(body.GetMixedList().back())),
            "Coffee & tea at 10. Quality & care.");

  const std::string copy = scratch.Path("memo.xml");
  ASSERT_TRUE(memo->EmitXMLToFile(copy, "memo.dtd"));
  Imported again = Import<MemoImporter>(copy);
  ASSERT_EQ(again.error, "");
  EXPECT_EQ(XmlOf(*again.root), XmlOf(*memo));

  // Only the DTD's entities and the predefined ones are known.
  const std::string unknown =
      Replace(ReadFile(DocumentPath("memo.xml")), "&signature;", "&nbsp;");
  Imported failed = Import<MemoImporter>(scratch.Write("unknown.xml", unknown));
  EXPECT_NE(failed.error.find("Entity reference nbsp undefined"), std::string::npos)
      << failed.error;
  const std::string unparsed = Replace(ReadFile(DocumentPath("memo.xml")), "&signature;", "&logo;");
  EXPECT_NE(Import<MemoImporter>(scratch.Write("unparsed.xml", unparsed))
                .error.find("Entity reference logo undefined"),
            std::string::npos);
  EXPECT_EQ(Import<MemoImporter>(DocumentPath("memo.xml")).error, "");
}

TEST_F(EndToEnd, BrokenDocumentsFailWithAMessageAndHarmNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"missing-attribute.xml", "required attribute 'number' not set"},
      {"duplicate-attribute.xml", "attribute 'id' cannot be set more than once"},
      {"duplicate-id.xml", "non-unique ID detected for attribute 'key'"},
      {"bad-literal.xml", "value 'pending' of attribute 'status' is not a literal of datatype 'status'"},
      {"undefined-entity.xml", "Entity reference eacute undefined"},
      {"trailing-garbage.xml", "and then some text"},
      {"stray-end-tag.xml", "syntax error"},
      {"end-tag-first.xml", "Stack Underflow"},
  };
  const std::string valid = DocumentPath("order-small.xml");
  for (const auto& [document, message] : cases) {
    SCOPED_TRACE(document);
    Imported imported = Import<OrderImporter>(DocumentPath(document));
    EXPECT_EQ(imported.root, nullptr);
    EXPECT_EQ(imported.error.rfind("Error: ", 0), 0u) << imported.error;
    EXPECT_NE(imported.error.find(message), std::string::npos) << imported.error;
    Imported next = Import<OrderImporter>(valid);
    EXPECT_EQ(next.error, "");
    EXPECT_NE(next.root, nullptr);
  }
  // A document of the other schema is no order, and no order one of it.
  EXPECT_NE(Import<PurchaseOrderImporter>(valid).error, "");
  EXPECT_EQ(Import<OrderImporter>(valid).error, "");
}

TEST_F(EndToEnd, LimitsOfScannerAndSymbolTableAreErrors) {
  const std::string small = ReadFile(DocumentPath("order-small.xml"));
  std::string deep;
  for (int i = 0; i < 500; ++i) deep += "<any>";
  for (int i = 0; i < 500; ++i) deep += "</any>";
  const std::string longLine = "<note>" + std::string(6000, 'x') + "<bad/></note>";
  std::string large = "<body>";
  for (int i = 0; i < 12000; ++i) large += "<b>text number " + std::to_string(i) + "</b>";
  large += "</body>";
  const std::pair<std::string, const char*> cases[] = {
      {Replace(small, "</order>", deep + "</order>"), "Stack Overflow"},
      {Replace(small, "</shipTo>", "</shipTo>" + longLine), "at token \"<\""},
      {Replace(small, "</payment>", "</payment>" + large), "full"},
  };
  const std::string valid = DocumentPath("order-small.xml");
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(message);
    Imported imported = Import<OrderImporter>(scratch.Write("limit.xml", text));
    EXPECT_EQ(imported.root, nullptr);
    EXPECT_EQ(imported.error.rfind("Error: ", 0), 0u) << imported.error.substr(0, 200);
    EXPECT_NE(imported.error.find(message), std::string::npos) << imported.error.substr(0, 200);
    EXPECT_LT(imported.error.size(), 4096u);
    EXPECT_EQ(Import<OrderImporter>(valid).error, "");
  }
}

}  // namespace
