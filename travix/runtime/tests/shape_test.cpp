// The hand-written binding of shapebinding.h used the way generated
// grammars and user programs use generated classes.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "shapebinding.h"
#include "tests/support/tempdir.h"
#include "travixsymbol.h"

namespace {

using TestSupport::ReadFile;
using TestSupport::TempDir;

using XObject = TXR(XObject);
using XException = TXR(XException);
using Order = SHAPE_NAMESPACE(order);
using Item = SHAPE_NAMESPACE(item);
using Figure = SHAPE_NAMESPACE(figure);
using Para = SHAPE_NAMESPACE(para);
using Size = SHAPE_NAMESPACE(size);
using Color = SHAPE_NAMESPACE(color);
using Code = SHAPE_NAMESPACE(code);
using Circle = SHAPE_NAMESPACE(circle);

const char* const kDocument =
    "<?xml version='1.0'?>\n"
    "<!DOCTYPE order SYSTEM \"shape.dtd\">\n"
    "<!-- created with Travix version 1.2 -->\n"
    "<order>\n"
    "\t<item code='ab&amp;' color='green' id='i&lt;1&gt;'>\n"
    "\t\t<size>3</size>\n"
    "\t\t<note>Tom &amp; Jerry</note>\n"
    "\t\t<tag>a</tag>\n"
    "\t\t<tag>b&apos;</tag>\n"
    "\t</item>\n"
    "\t<item color='red' id='i2'>\n"
    "\t\t<size>10</size>\n"
    "\t</item>\n"
    "\t<figure>\n"
    "\t<circle r='1.5' />\n"
    "\t</figure>\n"
    "\t<para>Hello <b>bold</b> world</para>\n"
    "</order>\n";

TXR(string)* Tagged(const char* text, const char* tag) {
  auto* string = new TXR(string)(text);
  string->SetTag(tag);
  return string;
}

// Builds kDocument's objects as a generated grammar does: objects from the
// factory, values from the symbol table, lists appended to, a choice set.
std::unique_ptr<Order> BuildDocument() {
  SHAPE_NAMESPACE(Initialize)();
  SymbolResetTable();
  std::unique_ptr<Order> order(dynamic_cast<Order*>(TXR(XObjectFactory)::CreateObject(SHAPE_KEY(order))));

  XObject* first = TXR(XObjectFactory)::CreateObject(SHAPE_KEY(item));
  auto* item = dynamic_cast<Item*>(first);
  item->Set_id(TXR(string)(SymbolGetEntry(SymbolInsert("i<1>", 0))));
  Color green;
  green = "green";
  item->Set_color(green);
  Code code;
  EXPECT_TRUE(code.SetValueFromString("ab&"));
  item->Set_code(code);
  TXR(integer) baseDatatype;
  baseDatatype.SetValueFromString("3");
  Size size;
  size.SetValue(baseDatatype);
  item->Set_size(size);
  TXR(string) note;
  note.SetValueFromString("Tom & Jerry");
  item->Set_note(note);
  item->Get_tagList().SHAPE_APPEND(Tagged("a", "tag"));
  item->Get_tagList().SHAPE_APPEND(Tagged("b'", "tag"));
  order->Get_itemList().SHAPE_APPEND(dynamic_cast<Item*>(first));

  auto* second = new Item;
  second->Set_id(TXR(string)("i2"));
  second->Set_size(Size(10L));
  order->Get_itemList().SHAPE_APPEND(second);

  Figure figure;
  auto* circle = new Circle;
  circle->Set_r(TXR(real)(1.5));
  figure.SetChoice(circle);
  order->Set_figure(figure);

  Para para;
  para.GetMixedList().SHAPE_APPEND(new TXR(string)("Hello "));
  para.GetMixedList().SHAPE_APPEND(Tagged("bold", "b"));
  para.GetMixedList().SHAPE_APPEND(new TXR(string)(" world"));
  order->Set_para(para);
  return order;
}

std::string Xml(XObject& object) {
  std::ostringstream out;
  object.EmitXML(out, 0);
  return out.str();
}

std::string MessageOf(XObject& object) {
  try {
    object.IsValid();
  } catch (const XException& e) {
    return e.GetMsg();
  }
  return "valid";
}

TEST(GeneratedShape, WritesTheExactDocument) {
  std::unique_ptr<Order> order = BuildDocument();
  TempDir dir;
  std::string file = dir.Path("order.xml");
  EXPECT_TRUE(order->EmitXMLToFile(file, "shape.dtd"));
  EXPECT_EQ(ReadFile(file), kDocument);
  EXPECT_EQ(MessageOf(*order), "valid");
  EXPECT_TRUE(order->IsValid());
}

TEST(GeneratedShape, CopiesAssignmentsAndClonesAreDeepAndEqual) {
  std::unique_ptr<Order> order = BuildDocument();
  std::string original = Xml(*order);

  Order copy(*order);
  std::unique_ptr<XObject> clone(order->clone());
  Order assigned;
  assigned = *order;
  order->Get_itemList().SHAPE_HEAD->Get_tagList().SHAPE_APPEND(Tagged("late", "tag"));
  order->RemoveElement("para");

  EXPECT_EQ(Xml(copy), original);
  EXPECT_EQ(Xml(*clone), original);
  EXPECT_EQ(Xml(assigned), original);

  assigned = assigned;
  EXPECT_EQ(Xml(assigned), original);
  Item& item = *assigned.Get_itemList().SHAPE_HEAD;
  item = item;
  EXPECT_EQ(Xml(assigned), original);
  Figure figure(assigned.Get_figure());
  figure = figure;
  figure.SetChoice(figure.GetChoice());
  EXPECT_EQ(MessageOf(figure), "valid");

  // Assigning a smaller document frees what the target held.
  assigned = *order;
  EXPECT_FALSE(assigned.HasElement("para"));
  EXPECT_EQ(static_cast<int>(assigned.Get_itemList().SHAPE_HEAD->Get_tagList().SHAPE_SIZE), 3);
}

TEST(GeneratedShape, FacetsDecideDatatypeValidity) {
  Size size(5L);
  EXPECT_TRUE(size.IsValid());
  EXPECT_FALSE(Size(11L).IsValid());
  EXPECT_FALSE(Size(0L).IsValid());
  EXPECT_FALSE(size.SetValueFromString("12"));
  EXPECT_EQ(static_cast<int>(size.GetValue()), 5);
  EXPECT_TRUE(size.SetValueFromString("7"));
  EXPECT_EQ(static_cast<int>(size.GetValue()), 7);

  Color color;
  color = "blue";
  EXPECT_FALSE(color.IsValid());
  EXPECT_TRUE(color.SetValueFromString("red"));
  EXPECT_TRUE(color.IsValid());

  Code code(TXR(string)("abcd"));
  EXPECT_TRUE(code.IsValid());
  EXPECT_FALSE(code.SetValueFromString("abcde"));
  EXPECT_TRUE(code.SetValueFromString("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9")); // four characters
}

TEST(GeneratedShape, InvalidDocumentsAreReported) {
  std::unique_ptr<Order> order = BuildDocument();
  Item& item = *order->Get_itemList().SHAPE_HEAD;
  Color blue;
  blue = "blue";
  item.Set_color(blue);
  EXPECT_EQ(MessageOf(item), "Error: " SHAPE_KEY(item) " has invalid (probably missing) attributes");
  item.RemoveAttribute("color");
  item.RemoveAttribute("id");
  EXPECT_EQ(MessageOf(item), "Error: Required attribute 'id' of object " SHAPE_KEY(item) " was not found");
  item.Set_id(TXR(string)("x"));
  item.Set_size(Size(11L));
  EXPECT_FALSE(item.IsValid());
  EXPECT_FALSE(order->IsValid());

  Order empty;
  EXPECT_EQ(MessageOf(empty), "Error: order:item must contain at least 1 element(s).");
  Figure figure;
  EXPECT_EQ(MessageOf(figure), "Error: " SHAPE_KEY(figure) " contains a null choice");
  figure.SetChoice(Tagged("x", "triangle"));
  EXPECT_EQ(MessageOf(figure), "Error: " SHAPE_KEY(figure) " contains an invalid choice of 'triangle'");

  // A choice of a list, as grammars build it for repeated alternatives.
  auto* choiceList = new TXR(XList)<XObject*>;
  choiceList->SHAPE_APPEND(new Circle);
  figure.SetChoice(choiceList);
  EXPECT_EQ(MessageOf(figure), "Error: " SHAPE_KEY(figure) " contains an invalid choice of '#MIXED'");
}

TEST(GeneratedShape, AccessorsOfAbsentChildrenThrow) {
  Item item;
  EXPECT_THROW(item.Get_size(), XException);
  EXPECT_THROW(item.Get_id(), XException);
  EXPECT_EQ(static_cast<std::string>(item.Get_color().GetValue().c_str()), "red");
  EXPECT_FALSE(item.HasElement("note"));
  item.Set_note(TXR(string)("n"));
  EXPECT_TRUE(item.HasElement("note"));
  EXPECT_STREQ(item.Get_note().SHAPE_STRPTR, "n");
}

TEST(GeneratedShape, EmptyMixedContentIsAnEmptyTag) {
  Para para;
  std::ostringstream out;
  para.EmitXML(out, 1);
  EXPECT_EQ(out.str(), "\t<para />\n");
}

} // namespace
