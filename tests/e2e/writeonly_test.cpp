// Bindings generated without read capability (travix -R): no scanner,
// grammar or importer, only classes that are built through their accessors
// and written as XML. What they write is the document the import-capable
// builds read back (WhatTheWriteOnlyBuildWritesImports).
#include <gtest/gtest.h>

#include <string>

#include "documents.h"
#include "po.h"
#include "tests/support/generatedcode.h"
#include "tests/support/tempdir.h"

namespace {

using namespace E2E;
using TestSupport::ReadFile;
using TestSupport::TempDir;

PO_NAMESPACE(address) Address(const char* name, const char* street, const char* postcode,
                              const char* city) {
  PO_NAMESPACE(address) address;
  address.Set_name(TX(string)(name));
  address.Get_streetList().push_back(new TX(string)(street));
  address.Get_streetList().back()->SetTag("street");
  address.Set_postcode(TX(string)(postcode));
  address.Set_city(TX(string)(city));
  return address;
}

PO_NAMESPACE(item)* Item(const char* part, const char* description, unsigned quantity,
                         const char* unitPrice) {
  auto* item = new PO_NAMESPACE(item);
  item->Set_part(PO_NAMESPACE(partNumber)(TX(string)(part)));
  item->Set_description(TX(string)(description));
  item->Set_quantity(TX(positive_integer)(quantity));
  PO_NAMESPACE(money) price;
  EXPECT_TRUE(price.SetValueFromString(unitPrice));
  item->Set_unitPrice(price);
  return item;
}

TEST(WriteOnly, AnOrderBuiltThroughTheAccessorsIsWrittenAsXml) {
  PO_NAMESPACE(purchaseOrder) order;
  order.Set_number(TX(ID)("PO-2001"));
  order.Set_date(TX(date)("2024-05-02"));
  order.Set_currency(PO_NAMESPACE(currency)(TX(NMTOKEN)("GBP")));
  PO_NAMESPACE(address) shipTo = Address("Ravi Menon", "12 <Mill> Lane", "OX1 2JD", "Oxford");
  shipTo.Set_country(TX(NMTOKEN)("GB"));
  order.Set_shipTo(shipTo);
  order.Get_itemList().push_back(Item("TX-7", "Ink, \"deep\" blue", 3, "4.25"));
  order.Get_itemList().push_back(Item("TX-9", "Pen & case", 1, "18"));
  order.Get_itemList().back()->Set_gift(TX(boolean)(true));
  PO_NAMESPACE(payment) payment;
  payment.SetChoice(new PO_NAMESPACE(prepaid));
  order.Set_payment(payment);
  EXPECT_TRUE(order.IsValid());

  TempDir scratch;
  const std::string path = scratch.Path("order.xml");
  ASSERT_TRUE(order.EmitXMLToFile(path, ""));
  EXPECT_EQ(ReadFile(path), ReadFile(DocumentPath("po-written.xml")));
}

TEST(WriteOnly, FacetsRefuseValuesTheSchemaForbids) {
  PO_NAMESPACE(money) price;
  EXPECT_FALSE(price.SetValueFromString("-1"));
  EXPECT_FALSE(price.SetValueFromString("1.005"));
  PO_NAMESPACE(partNumber) part;
  EXPECT_FALSE(part.SetValueFromString("much-too-long-part"));
  PO_NAMESPACE(orderStatus) status;
  EXPECT_TRUE(status.SetValueFromString("shipped"));
  EXPECT_FALSE(status.SetValueFromString("lost"));
  EXPECT_EQ(std::string(status.GetValue().c_str()), "shipped");
}

}  // namespace
