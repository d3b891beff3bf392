// The generated bindings of the corpus, compiled in one flag combination of
// the generator and used as an application uses them: objects made by name,
// filled through the accessors, checked, written out, copied.
//
// The same source is built once per flag combination; the generated
// <STEM>_NAMESPACE(x) macros name the classes in either naming form.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>

#include "choices.h"
#include "content.h"
#include "keywords.h"
#include "po.h"

#ifdef TRAVIX_NO_NAMESPACE
#define TX(name) Travix_##name
#define KEY(ns, name) #ns "_" #name
#else
#define TX(name) Travix::name
#define KEY(ns, name) #ns "::" #name
#endif

namespace {

template <class T>
std::string XmlOf(T& object, int indent = 0) {
  std::ostringstream out;
  EXPECT_TRUE(object.EmitXML(out, indent));
  return out.str();
}

template <class T>
std::string ErrorOf(T& object) {
  try {
    object.IsValid();
  } catch (const TX(XException) & e) {
    return e.GetMsg();
  }
  return "no exception";
}

class Bindings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PO_NAMESPACE(Initialize)();
    CHOICES_NAMESPACE(Initialize)();
    CONTENT_NAMESPACE(Initialize)();
    KEYWORDS_NAMESPACE(Initialize)();
  }
};

// A complete, valid purchase order.
std::unique_ptr<PO_NAMESPACE(purchaseOrder)> MakeOrder() {
  auto order = std::make_unique<PO_NAMESPACE(purchaseOrder)>();
  order->Set_orderDate(TX(date)("2026-12-09"));
  PO_NAMESPACE(address) ship;
  ship.Set_name(TX(string)("Alice & Bob"));
  ship.Get_streetList().push_back(new TX(string)("1 Main St"));
  ship.Get_streetList().push_back(new TX(string)("Flat <2>"));
  ship.Set_zip(TX(non_negative_integer)(90210u));
  order->Set_shipTo(ship);
  PO_NAMESPACE(item) item;
  item.Set_partNum(PO_NAMESPACE(sku)(TX(string)("872-AA")));
  item.Set_productName(TX(string)("Lawnmower"));
  item.Set_price(PO_NAMESPACE(price)(148.5));
  order->Get_itemList().push_back(new PO_NAMESPACE(item)(item));
  return order;
}

const char* const kOrderXml =
    "<purchaseOrder orderDate='2026-12-09' status='new' version='2'>\n"
    "\t<shipTo country='US'>\n"
    "\t\t<name>Alice &amp; Bob</name>\n"
    "\t\t<street>1 Main St</street>\n"
    "\t\t<street>Flat &lt;2&gt;</street>\n"
    "\t\t<zip>90210</zip>\n"
    "\t</shipTo>\n"
    "\t<item partNum='872-AA' rush='false'>\n"
    "\t\t<productName>Lawnmower</productName>\n"
    "\t\t<quantity>1</quantity>\n"
    "\t\t<price>148.5</price>\n"
    "\t\t<gift>true</gift>\n"
    "\t\t<note>say &quot;hi&quot;\nand \\ bye</note>\n"
    "\t\t<rating>-3</rating>\n"
    "\t\t<origin>EU</origin>\n"
    "\t</item>\n"
    "</purchaseOrder>\n";

TEST_F(Bindings, FactoryMakesEveryClassByItsQualifiedName) {
  const char* const keys[] = {KEY(po, price),
                              KEY(po, sku),
                              KEY(po, colour),
                              KEY(po, size),
                              KEY(po, flag),
                              KEY(po, pair),
                              KEY(po, purchaseOrder),
                              KEY(po, address),
                              KEY(po, item),
                              KEY(po, refList),
                              KEY(po, tokens),
                              KEY(choices, circle),
                              KEY(choices, shape),
                              KEY(choices, pick),
                              KEY(choices, nothing),
                              KEY(choices, drawing),
                              KEY(choices, shapes),
                              KEY(choices, extras),
                              KEY(content, para),
                              KEY(content, bag),
                              KEY(content, title),
                              KEY(content, br),
                              KEY(content, doc),
                              KEY(keywords, class_),
                              KEY(keywords, int_),
                              KEY(keywords, union_),
                              KEY(keywords, time),
                              KEY(keywords, Initialize_),
                              KEY(keywords, Get_targetNS_),
                              KEY(keywords, clone_),
                              KEY(keywords, create_),
                              KEY(keywords, SetTag_),
                              KEY(keywords, XObject),
                              KEY(keywords, Travix_),
                              KEY(keywords, std_),
                              KEY(keywords, KEYWORDS_API_),
                              KEY(keywords, _KEYWORDS_H_),
                              KEY(keywords, KEYWORDS_NAMESPACE_),
                              KEY(keywords, TRAVIX_USE_MFC_),
                              KEY(keywords, a_b_c)};
  for (const char* key : keys) {
    SCOPED_TRACE(key);
    std::unique_ptr<TX(XObject)> object(TX(XObjectFactory)::CreateObject(key));
    ASSERT_NE(object, nullptr);
    std::unique_ptr<TX(XObject)> copy(object->clone());
    EXPECT_EQ(typeid(*copy), typeid(*object));
    EXPECT_EQ(copy->GetTag(), object->GetTag());
  }
  std::unique_ptr<TX(XObject)> order(TX(XObjectFactory)::CreateObject(KEY(po, purchaseOrder)));
  EXPECT_NE(dynamic_cast<PO_NAMESPACE(purchaseOrder)*>(order.get()), nullptr);
  EXPECT_EQ(order->GetTag(), "purchaseOrder");
  // The class is renamed, the element keeps its name.
  std::unique_ptr<TX(XObject)> keyword(TX(XObjectFactory)::CreateObject(KEY(keywords, class_)));
  EXPECT_NE(dynamic_cast<KEYWORDS_NAMESPACE(class_)*>(keyword.get()), nullptr);
  EXPECT_EQ(keyword->GetTag(), "class");
  std::unique_ptr<TX(XObject)> dotted(TX(XObjectFactory)::CreateObject(KEY(keywords, a_b_c)));
  EXPECT_EQ(dotted->GetTag(), "a.b-c");
}

TEST_F(Bindings, SchemaAttributesAreReturnedAsWritten) {
  EXPECT_STREQ(PO_NAMESPACE(Get_targetNS)(), "urn:corvanth:\"po\"\\orders");
  EXPECT_STREQ(PO_NAMESPACE(Get_version)(), "1.0");
  EXPECT_STREQ(PO_NAMESPACE(Get_model)(), "closed");
  EXPECT_STREQ(CHOICES_NAMESPACE(Get_targetNS)(), "");
  EXPECT_STREQ(KEYWORDS_NAMESPACE(Get_targetNS)(), "a \"quoted\" \\ value\r\non two lines");
}

TEST_F(Bindings, DefaultsAndFixedValuesAreSetByTheConstructor) {
  PO_NAMESPACE(item) item;
  EXPECT_EQ(std::string(item.Get_rush() ? "true" : "false"), "false");
  EXPECT_EQ(static_cast<unsigned>(item.Get_quantity()), 1u);
  EXPECT_EQ(item.Get_quantity().GetTag(), "quantity");
  EXPECT_EQ(static_cast<int>(item.Get_rating()), -3);
  EXPECT_EQ(std::string(item.Get_note().c_str()), "say \"hi\"\nand \\ bye");
  EXPECT_TRUE(item.HasElement("note"));
  EXPECT_FALSE(item.HasElement("size"));
  EXPECT_EQ(item.Get_tagList().size(), 0u);
  // Fixed elements can be set and appended to, as the grammar does.
  EXPECT_EQ(std::string(item.Get_origin().c_str()), "EU");
  item.Set_origin(TX(string)("EU"));
  item.Get_codeList().push_back(new TX(integer)(7));
  EXPECT_EQ(item.Get_codeList().size(), 1u);
  PO_NAMESPACE(purchaseOrder) order;
  EXPECT_EQ(static_cast<int>(order.Get_version()), 2);
  EXPECT_EQ(std::string(order.Get_status().c_str()), "new");
  KEYWORDS_NAMESPACE(class_) keyword;
  EXPECT_EQ(static_cast<int>(keyword.Get_default()), 0);
}

template <class Datatype>
std::string TokensOf(const Datatype& value) {
  std::string text;
  for (const auto& token : value.GetValue().GetTokens()) text += std::string(token.c_str()) + "|";
  return text;
}

TEST_F(Bindings, TokenListDatatypesTakeDefaultsAndFixedValues) {
  PO_NAMESPACE(tokens) tokens;
  EXPECT_EQ(TokensOf(tokens.Get_pair()), "a|b|");
  EXPECT_EQ(TokensOf(tokens.Get_refs()), "r1|r2|r3|");
  EXPECT_EQ(TokensOf(tokens.Get_labels()), "x|y|");
  EXPECT_EQ(tokens.Get_labels().GetTag(), "labels");
  EXPECT_EQ(TokensOf(tokens.Get_targets()), "t|");
  EXPECT_TRUE(tokens.IsValid());
  EXPECT_EQ(XmlOf(tokens),
            "<tokens pair='a b' refs='r1 r2 r3'>\n"
            "\t<labels>x y</labels>\n"
            "\t<targets>t</targets>\n"
            "</tokens>\n");
}

TEST_F(Bindings, AccessorsSetGetAndRemoveMembers) {
  PO_NAMESPACE(item) item;
  item.Set_weight(TX(real)(2.25));
  EXPECT_EQ(static_cast<double>(item.Get_weight()), 2.25);
  EXPECT_EQ(item.Get_weight().GetTag(), "weight");
  item.Set_weight(TX(real)(3.5));
  EXPECT_EQ(static_cast<double>(item.Get_weight()), 3.5);
  // Setting a member from itself keeps its value.
  item.Set_weight(item.Get_weight());
  EXPECT_EQ(static_cast<double>(item.Get_weight()), 3.5);
  item.RemoveElement("weight");
  EXPECT_FALSE(item.HasElement("weight"));
  try {
    item.Get_weight();
    ADD_FAILURE() << "read a removed element";
  } catch (const TX(XException) & e) {
    EXPECT_EQ(e.GetMsg(), std::string("Error: ") + KEY(po, item) +
                              "::Get_weight(): attempt to return null object");
  }
  item.Set_colour(PO_NAMESPACE(colour)(TX(string)("red")));
  EXPECT_EQ(std::string(item.Get_colour().GetValue().c_str()), "red");
  try {
    item.Get_partNum();
    ADD_FAILURE() << "read a missing attribute";
  } catch (const TX(XException) & e) {
    EXPECT_EQ(e.GetMsg(), "Error: Attempt to retrieve non-existent attribute 'partNum'");
  }

  KEYWORDS_NAMESPACE(class_) keyword;
  keyword.Set_new(TX(string)("fresh"));
  keyword.Set_2nd_item(TX(string)("second"));
  keyword.Set_time(KEYWORDS_NAMESPACE(time)());
  EXPECT_EQ(std::string(keyword.Get_new().c_str()), "fresh");
  EXPECT_EQ(keyword.Get_time().GetTag(), "time");
}

TEST_F(Bindings, ValidityFollowsOccurrencesAttributesAndFacets) {
  auto order = MakeOrder();
  EXPECT_TRUE(order->IsValid());

  PO_NAMESPACE(purchaseOrder) empty;
  EXPECT_EQ(ErrorOf(empty), std::string("Error: Required attribute 'orderDate' of object ") +
                                KEY(po, purchaseOrder) + " was not found");
  empty.Set_orderDate(TX(date)("today"));
  EXPECT_FALSE(empty.IsValid());  // no shipTo
  empty.Set_shipTo(order->Get_shipTo());
  EXPECT_EQ(ErrorOf(empty), "Error: purchaseOrder:item must contain at least 1 element(s).");

  PO_NAMESPACE(address) address = order->Get_shipTo();
  for (const char* street : {"a", "b"}) address.Get_streetList().push_back(new TX(string)(street));
  EXPECT_EQ(ErrorOf(address), "Error: address:street can contain no more than 3 element(s)");

  CONTENT_NAMESPACE(bag) bag;
  EXPECT_EQ(ErrorOf(bag), std::string("Error: Required attribute 'kind' of object ") +
                              KEY(content, bag) + " was not found");
  bag.Set_kind(TX(string)("k"));
  bag.GetAnyContentList().push_back(new TX(string)("v"));
  EXPECT_TRUE(bag.IsValid());
  CONTENT_NAMESPACE(bag) bagCopy(bag);
  EXPECT_EQ(XmlOf(bagCopy), "<bag kind='k'>v</bag>\n");

  // A datatype's facets decide its own validity and that of its owner.
  PO_NAMESPACE(item)& item = *order->Get_itemList().front();
  item.Set_price(PO_NAMESPACE(price)(-1.0));
  EXPECT_FALSE(item.IsValid());
  item.Set_price(PO_NAMESPACE(price)(99999.5));
  EXPECT_TRUE(item.IsValid());
  item.Set_size(PO_NAMESPACE(size)(11L));
  EXPECT_FALSE(item.IsValid());
  item.Set_size(PO_NAMESPACE(size)(10L));
  EXPECT_TRUE(item.IsValid());
  item.Set_partNum(PO_NAMESPACE(sku)(TX(string)("123456789")));
  EXPECT_EQ(ErrorOf(item),
            std::string("Error: ") + KEY(po, item) + " has invalid (probably missing) attributes");
}

TEST_F(Bindings, ChoicesAreCheckedByTagAndMayBeEmptyOnlyWhenTheSchemaSaysSo) {
  CHOICES_NAMESPACE(shape) shape;
  shape.Set_id(TX(ID)("s1"));
  EXPECT_EQ(ErrorOf(shape),
            std::string("Error: ") + KEY(choices, shape) + " contains a null choice");
  auto* square = new TX(real)(2.0);
  square->SetTag("square");
  shape.SetChoice(square);
  EXPECT_TRUE(shape.IsValid());
  // The chosen element is written one level inside the choice's tags.
  EXPECT_EQ(XmlOf(shape), "<shape id='s1'>\n\t<square>2</square>\n</shape>\n");
  // Keeping the choice it holds must not free it.
  shape.SetChoice(shape.GetChoice());
  EXPECT_EQ(shape.GetChoice(), square);
  auto* wrong = new TX(string)("x");
  wrong->SetTag("triangle");
  shape.SetChoice(wrong);
  EXPECT_EQ(ErrorOf(shape), std::string("Error: ") + KEY(choices, shape) +
                                " contains an invalid choice of 'triangle'");

  CHOICES_NAMESPACE(pick) pick;
  EXPECT_TRUE(pick.IsValid());
  auto* numbers = new TX(XList)<TX(XObject)*>;
  numbers->push_back(new TX(integer)(1));
  pick.SetChoice(numbers);
  EXPECT_TRUE(pick.IsValid());

  CHOICES_NAMESPACE(nothing) nothing;
  EXPECT_TRUE(nothing.IsValid());
  nothing.SetChoice(new TX(string)("x"));
  EXPECT_EQ(ErrorOf(nothing), std::string("Error: ") + KEY(choices, nothing) +
                                  " contains an invalid choice of '#PCDATA'");
}

TEST_F(Bindings, EmitXmlWritesTheDocumentExactly) {
  auto order = MakeOrder();
  EXPECT_EQ(XmlOf(*order), kOrderXml);

  CHOICES_NAMESPACE(drawing) drawing;
  drawing.Set_title(TX(string)("Plan"));
  CHOICES_NAMESPACE(shapes) shapes;
  auto* circle = new CHOICES_NAMESPACE(circle);
  circle->Set_r(TX(real)(1.5));
  circle->SetTag("circle");
  shapes.SetChoice(circle);
  drawing.Set_shapes(shapes);
  CHOICES_NAMESPACE(extras) extras;
  extras.Set_author(TX(string)("Ann"));
  drawing.Get_extrasList().push_back(new CHOICES_NAMESPACE(extras)(extras));
  EXPECT_TRUE(drawing.IsValid());
  EXPECT_EQ(XmlOf(drawing),
            "<drawing>\n"
            "\t<title>Plan</title>\n"
            "\t<circle r='1.5' />\n"
            "\t<author>Ann</author>\n"
            "</drawing>\n");

  CONTENT_NAMESPACE(doc) doc;
  CONTENT_NAMESPACE(title) title;
  title.SetContent(TX(string)("A < B"));
  doc.Set_title(title);
  CONTENT_NAMESPACE(para) para;
  auto* em = new TX(string)("word");
  em->SetTag("em");
  para.GetMixedList().push_back(new TX(string)("Some "));
  para.GetMixedList().push_back(em);
  para.GetMixedList().push_back(new TX(string)(" text"));
  doc.Get_paraList().push_back(new CONTENT_NAMESPACE(para)(para));
  doc.Get_paraList().push_back(new CONTENT_NAMESPACE(para)());
  doc.Set_br(CONTENT_NAMESPACE(br)());
  EXPECT_TRUE(doc.IsValid());
  EXPECT_EQ(XmlOf(doc),
            "<doc>\n"
            "\t<title level='1'>A &lt; B</title>\n"
            "\t<para>Some <em>word</em> text</para>\n"
            "\t<para />\n"
            "\t<br />\n"
            "</doc>\n");
}

TEST_F(Bindings, CopiesAreDeepAndAssignmentSurvivesItself) {
  auto order = MakeOrder();
  PO_NAMESPACE(purchaseOrder) copy(*order);
  EXPECT_EQ(XmlOf(copy), kOrderXml);
  copy.Get_itemList().front()->Set_productName(TX(string)("Rake"));
  copy.Set_comment(TX(string)("rush"));
  EXPECT_EQ(XmlOf(*order), kOrderXml);

  PO_NAMESPACE(purchaseOrder) assigned;
  assigned = copy;
  EXPECT_EQ(XmlOf(assigned), XmlOf(copy));
  assigned = *order;
  EXPECT_EQ(XmlOf(assigned), kOrderXml);
  PO_NAMESPACE(purchaseOrder)& same = assigned;
  assigned = same;
  EXPECT_EQ(XmlOf(assigned), kOrderXml);

  std::unique_ptr<TX(XObject)> clone(order->clone());
  order.reset();
  EXPECT_EQ(XmlOf(*clone), kOrderXml);

  CHOICES_NAMESPACE(shape) shape;
  shape.Set_id(TX(ID)("s"));
  auto* circle = new CHOICES_NAMESPACE(circle);
  circle->SetTag("circle");
  circle->Set_r(TX(real)(2));
  shape.SetChoice(circle);
  CHOICES_NAMESPACE(shape) shapeCopy(shape);
  CHOICES_NAMESPACE(shape)& shapeSame = shapeCopy;
  shapeCopy = shapeSame;
  EXPECT_NE(shapeCopy.GetChoice(), nullptr);
  EXPECT_NE(shapeCopy.GetChoice(), shape.GetChoice());
  EXPECT_EQ(XmlOf(shapeCopy), XmlOf(shape));
  EXPECT_TRUE(shapeCopy.IsValid());

  CONTENT_NAMESPACE(para) para;
  para.GetMixedList().push_back(new TX(string)("text"));
  CONTENT_NAMESPACE(para) paraCopy;
  paraCopy = para;
  CONTENT_NAMESPACE(para)& paraSame = paraCopy;
  paraCopy = paraSame;
  EXPECT_EQ(XmlOf(paraCopy), "<para>text</para>\n");

  PO_NAMESPACE(price) price(3.0);
  PO_NAMESPACE(price) priceCopy(price);
  priceCopy = priceCopy;
  EXPECT_EQ(XmlOf(priceCopy), "<price>3</price>\n");
}

}  // namespace
