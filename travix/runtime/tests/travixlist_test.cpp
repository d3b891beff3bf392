#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "formnames.h"
#include "travix.h"

namespace {

using XObject = TX(XObject);
using Integer = TX(integer);
using IntegerList = TX(XList)<Integer*>;

int Value(const Integer* integer) { return static_cast<int>(*integer); }

IntegerList ListOf(std::initializer_list<int> values) {
  IntegerList list;
  for (int value : values)
    list.push_back(new Integer(value));
  return list;
}

TEST(XList, BothNamingFormsReachTheSameElements) {
  IntegerList list;
  EXPECT_EQ(list.GetTag(), "#MIXED");
  EXPECT_TRUE(list.empty());
  list.push_back(new Integer(1));
  list.AddTail(new Integer(2));
  list.push_back(new Integer(3));
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.front(), list.GetHead());
  EXPECT_EQ(list.back(), list.GetTail());
  EXPECT_EQ(Value(list.front()), 1);
  EXPECT_EQ(Value(list.GetTail()), 3);
  int sum = 0;
  for (Integer* element : list)
    sum += Value(element);
  EXPECT_EQ(sum, 6);
  const IntegerList& constant = list;
  EXPECT_EQ(Value(constant.GetHead()), 1);
  EXPECT_EQ(Value(*constant.begin()), 1);
}

TEST(XList, CopiesOwnClonesOfTheElements) {
  IntegerList original = ListOf({1, 2});
  original.SetTag("n");
  IntegerList copy(original);
  EXPECT_EQ(copy.GetTag(), "n");
  ASSERT_EQ(copy.size(), 2u);
  EXPECT_NE(copy.front(), original.front());
  *original.front() = 10;
  EXPECT_EQ(Value(copy.front()), 1);

  IntegerList target = ListOf({7, 8, 9});
  target = original;
  ASSERT_EQ(target.size(), 2u);
  EXPECT_EQ(Value(target.front()), 10);
  EXPECT_EQ(target.GetTag(), "n");

  target = target;
  EXPECT_EQ(target.size(), 2u);
  EXPECT_EQ(Value(target.back()), 2);

  std::unique_ptr<XObject> clone(original.clone());
  auto* list = dynamic_cast<IntegerList*>(clone.get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Value(list->back()), 2);
}

TEST(XList, FreeingTwiceIsHarmless) {
  IntegerList list = ListOf({1, 2, 3});
  list.freeElems();
  EXPECT_EQ(list.size(), 0u);
  list.freeElems();
  list.push_back(new Integer(4));
  EXPECT_EQ(list.GetCount(), 1);
}

// Clones into a different class, as no generated class does.
class Impostor : public Integer {
public:
  XObject* clone() const override { return new TX(string)("not an integer"); }
};

TEST(XList, ACloneOfTheWrongClassIsRefusedWithoutLeaks) {
  IntegerList list = ListOf({1});
  list.push_back(new Impostor);
  try {
    IntegerList copy(list);
    FAIL() << "no exception";
  } catch (const TX(XException)& e) {
    EXPECT_EQ(e.GetMsg(), "Error: A list element's clone is of another type than the element");
  }
  IntegerList target = ListOf({5});
  EXPECT_THROW(target = list, TX(XException));
  EXPECT_EQ(Value(target.front()), 5);
}

TEST(XList, WritesAndValidatesEveryElement) {
  IntegerList list = ListOf({1, 2});
  for (Integer* element : list)
    element->SetTag("i");
  list.push_back(nullptr);
  std::ostringstream out;
  EXPECT_TRUE(list.EmitXML(out, 2));
  EXPECT_EQ(out.str(), "\t\t<i>1</i>\n\t\t<i>2</i>\n");
  EXPECT_FALSE(list.IsValid());

  IntegerList copy(list);
  EXPECT_EQ(copy.back(), nullptr);
}

TEST(XObjPtrList, HoldsObjectsOfAnyClass) {
  TX(XObjPtrList) mixed;
  mixed.push_back(new TX(string)("text "));
  mixed.push_back(new TX(IDREFS));
  mixed.AddTail(new Integer(3));
  mixed.back()->SetTag("n");
  TX(XObjPtrList) copy;
  copy = mixed;
  EXPECT_NE(dynamic_cast<TX(IDREFS)*>(*std::next(copy.begin())), nullptr);
  std::ostringstream out;
  copy.EmitXML(out, 1);
  EXPECT_EQ(out.str(), "text \t<n>3</n>\n");
  EXPECT_TRUE(copy.IsValid());
}

// Content written and read back must come back as it was: no white space
// may appear between text and the elements inside it.
TEST(XObjPtrList, ContentIsWrittenWithoutAddedLayout) {
  TX(XObjPtrList) inner;
  inner.push_back(new TX(string)("a\n\tb "));
  inner.push_back(new Integer(7));
  inner.back()->SetTag("n");
  TX(XObjPtrList) outer;
  outer.push_back(new Integer(1));
  outer.back()->SetTag("first");
  outer.push_back(new TX(string)(" x > y "));
  outer.push_back(inner.clone());
  outer.push_back(nullptr);
  outer.push_back(new TX(string)("\n"));
  std::ostringstream out;
  EXPECT_TRUE(outer.EmitContentXML(out));
  EXPECT_EQ(out.str(), "<first>1</first> x &gt; y a\n\tb <n>7</n>\n");
}

} // namespace
