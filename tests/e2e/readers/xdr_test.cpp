// The XDR corpus (readers/xdr/tests/corpus: .xdr, .xml and .biz names)
// through travix, flex and bison; its documents read through the generated
// importers, checked through the generated accessors, written back and
// read again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xcat.h"
#include "xcat_xmlimporter.h"
#include "xpo.h"
#include "xpo_xmlimporter.h"
#include "xship.h"
#include "xship_xmlimporter.h"

#include "documents.h"
#include "imports.h"
#include "reference.h"
#include "tests/support/tempdir.h"

namespace {

using namespace E2E;
using TestSupport::ReadFile;
using TestSupport::TempDir;

const std::string kDocuments = E2E_XDR_DOCUMENTS_DIR;

class Xdr : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    XPO_NAMESPACE(Initialize)();
    XCAT_NAMESPACE(Initialize)();
    XSHIP_NAMESPACE(Initialize)();
  }

  // Imports the corpus document, checks it, writes it back, checks what is
  // read again and that an XML parser finds what the original holds.
  template <class Root, class Importer, class Check>
  void ReadWriteAndReadAgain(const std::string& name, const std::string& doctype, Check check) {
    const std::string original = kDocuments + "/" + name;
    std::string error;
    std::unique_ptr<Root> root = ImportAs<Root, Importer>(original, error);
    ASSERT_TRUE(root) << error;
    {
      SCOPED_TRACE("imported");
      check(*root);
    }
    const std::string copy = scratch.Path(name);
    std::unique_ptr<Root> again = WrittenAndImported<Root, Importer>(*root, copy, doctype, error);
    ASSERT_TRUE(again) << error << "\n" << ReadFile(copy);
    {
      SCOPED_TRACE("written back and imported again");
      check(*again);
    }
    EXPECT_EQ(XmlOf(*again), XmlOf(*root));
    EXPECT_EQ(Difference(ReadReference(original), ReadReference(copy)), "");
  }

  TempDir scratch;
};

std::vector<std::string> TokensOf(const TX(NMTOKENS) & tokens) {
  std::vector<std::string> texts;
  for (const auto& token : tokens.GetTokens()) texts.push_back(Text(token));
  return texts;
}

TEST_F(Xdr, PurchaseOrder) {
  using Order = XPO_NAMESPACE(purchaseOrder);
  ReadWriteAndReadAgain<Order, XPO_NAMESPACE(XMLImporter)>("purchaseorder.xml", "purchaseOrder", [](Order& order) {
    EXPECT_EQ(Text(order.Get_orderDate()), "2024-03-01T09:30:00");
    EXPECT_EQ(Text(order.Get_status().GetValue()), "held");
    XPO_NAMESPACE(address) address = order.Get_address();
    EXPECT_EQ(Text(address.Get_country().GetValue()), "GB");
    EXPECT_EQ(Text(address.Get_fullName()), "Alice Smith");
    std::vector<std::string> streets;
    for (auto* street : address.Get_streetList()) streets.push_back(Text(*street));
    EXPECT_EQ(streets, (std::vector<std::string>{"12 Mill Lane", "Upper Floor"}));
    EXPECT_EQ(Text(address.Get_city()), "Leeds");
    EXPECT_FALSE(address.HasElement("zip"));  // minOccurs "0" alone: optional
    XPO_NAMESPACE(shipping) shipping = order.Get_shipping();
    ASSERT_NE(shipping.GetChoice(), nullptr);
    EXPECT_EQ(shipping.GetChoice()->GetTag(), "express");
    EXPECT_EQ(Text(order.Get_comment()), "Deliver before noon & ring twice.");

    XPO_NAMESPACE(items) items = order.Get_items();
    ASSERT_EQ(items.Get_itemList().size(), 2u);
    XPO_NAMESPACE(item)& mower = *items.Get_itemList().front();
    EXPECT_EQ(Text(mower.Get_partNum()), "p872-AA");
    EXPECT_EQ(Text(mower.Get_productName()), "Lawnmower");
    EXPECT_EQ(static_cast<long>(mower.Get_quantity()), 1);
    XPO_NAMESPACE(price) price = mower.Get_price();
    EXPECT_EQ(Text(price.GetContent()), "148.95");
    EXPECT_EQ(Text(price.Get_currency()), "GBP");
    EXPECT_EQ(Text(mower.Get_comment()), "Confirm this is electric");
    EXPECT_FALSE(mower.HasElement("gift"));
    XPO_NAMESPACE(item)& monitor = *items.Get_itemList().back();
    EXPECT_EQ(static_cast<long>(monitor.Get_quantity()), 2);
    XPO_NAMESPACE(price) monitorPrice = monitor.Get_price();
    EXPECT_EQ(Text(monitorPrice.Get_currency()), "EUR");  // the declaration's default
    EXPECT_EQ(Text(monitor.Get_shipDate()), "2024-03-21T00:00:00");
    EXPECT_TRUE(monitor.HasElement("gift"));
    EXPECT_FALSE(monitor.HasElement("comment"));
  });
}

TEST_F(Xdr, CatalogUnderAnXmlName) {
  using Catalog = XCAT_NAMESPACE(catalog);
  ReadWriteAndReadAgain<Catalog, XCAT_NAMESPACE(XMLImporter)>("catalog.xml", "catalog", [](Catalog& catalog) {
    EXPECT_EQ(static_cast<double>(catalog.Get_edition()), 2.25);
    ASSERT_EQ(catalog.Get_sectionList().size(), 1u);
    XCAT_NAMESPACE(section)& garden = *catalog.Get_sectionList().front();
    EXPECT_EQ(Text(garden.Get_title()), "Garden");
    ASSERT_EQ(garden.Get_productList().size(), 2u);

    XCAT_NAMESPACE(product)& rake = *garden.Get_productList().front();
    EXPECT_EQ(Text(rake.Get_code()), "c1");
    ASSERT_EQ(rake.Get_related().GetTokens().size(), 1u);
    EXPECT_EQ(Text(rake.Get_related().GetTokens().front()), "c2");
    EXPECT_EQ(Text(rake.Get_title()), "Rake");
    XCAT_NAMESPACE(productChoice) measure = rake.Get_productChoice();
    auto* weight = dynamic_cast<TX(real)*>(measure.GetChoice());
    ASSERT_NE(weight, nullptr);
    EXPECT_EQ(weight->GetTag(), "weight");
    EXPECT_EQ(static_cast<double>(*weight), 1.75);
    EXPECT_EQ(TokensOf(rake.Get_keywords()), (std::vector<std::string>{"tools", "garden", "steel"}));
    EXPECT_TRUE(static_cast<bool>(rake.Get_inStock()));
    ASSERT_EQ(rake.Get_paraList().size(), 1u);
    std::vector<std::string> parts;
    for (TX(XObject)* part : rake.Get_paraList().front()->GetMixedList()) {
      auto* text = dynamic_cast<TX(string)*>(part);
      parts.push_back(part->GetTag() + ":" + (text ? Text(*text) : "?"));
    }
    EXPECT_EQ(parts, (std::vector<std::string>{"#PCDATA:A ", "em:sturdy", "#PCDATA: rake for ",
                                               "em:every", "#PCDATA: lawn."}));

    XCAT_NAMESPACE(product)& hose = *garden.Get_productList().back();
    XCAT_NAMESPACE(productChoice) picture = hose.Get_productChoice();
    auto* image = dynamic_cast<XCAT_NAMESPACE(image)*>(picture.GetChoice());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Text(image->Get_href()), "http://example.org/hose.png");
    EXPECT_FALSE(hose.HasElement("keywords"));
    EXPECT_FALSE(static_cast<bool>(hose.Get_inStock()));
    EXPECT_TRUE(hose.Get_paraList().empty());
  });
}

TEST_F(Xdr, ShipNoticeUnderABizName) {
  using Notice = XSHIP_NAMESPACE(shipNotice);
  ReadWriteAndReadAgain<Notice, XSHIP_NAMESPACE(XMLImporter)>("shipnotice.xml", "shipNotice", [](Notice& notice) {
    EXPECT_EQ(Text(notice.Get_shipped()), "2024-03-02T14:00:00+01:00");
    ASSERT_EQ(notice.Get_packageList().size(), 2u);
    // unit, sku and count of every line
    auto linesOf = [](XSHIP_NAMESPACE(package) & package) {
      std::vector<std::string> lines;
      for (auto* line : package.Get_lineList()) {
        lines.push_back(Text(line->Get_unit().GetValue()) + " " + Text(line->Get_sku()) + " " +
                        std::to_string(static_cast<unsigned long>(line->Get_count())));
      }
      return lines;
    };
    XSHIP_NAMESPACE(package)& courier = *notice.Get_packageList().front();
    EXPECT_EQ(Text(courier.Get_carrier().GetValue()), "courier");
    EXPECT_EQ(Text(courier.Get_unit()), "piece");  // the global declaration's default
    EXPECT_EQ(linesOf(courier), (std::vector<std::string>{"box p872-AA 1", "piece p926-AA 2"}));
    XSHIP_NAMESPACE(package)& freight = *notice.Get_packageList().back();
    EXPECT_EQ(Text(freight.Get_carrier().GetValue()), "freight");
    EXPECT_EQ(Text(freight.Get_unit()), "pallet");
    EXPECT_EQ(linesOf(freight), std::vector<std::string>{"pallet x-100 12"});
  });
}

// What the schema does not allow is refused with the importer's message.
TEST_F(Xdr, DocumentsAgainstTheirSchemaAreChecked) {
  std::string error;
  const std::string badCarrier = scratch.Write(
      "bad.xml", Replace(ReadFile(kDocuments + "/shipnotice.xml"), "\"courier\"", "\"pigeon\""));
  EXPECT_FALSE((ImportAs<XSHIP_NAMESPACE(shipNotice), XSHIP_NAMESPACE(XMLImporter)>(badCarrier, error)));
  EXPECT_NE(error, "");
}

}  // namespace
