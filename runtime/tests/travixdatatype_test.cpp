#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "formnames.h"
#include "travix.h"

namespace {

using XObject = TX(XObject);

// A datatype class as the binding writer generates one, facets added by the
// test instead of the constructor.
template <class T, bool Numeric> class Datatype : public TX(XDatatype)<T, Numeric> {
public:
  typedef TX(XFacet)<T, Numeric> F;
  Datatype() : TX(XDatatype)<T, Numeric>("d") {}
  explicit Datatype(const T& value) : TX(XDatatype)<T, Numeric>("d", value) {}
  XObject* clone() const override { return new Datatype(*this); }

  template <class V> Datatype& With(typename F::FacetKind kind, V value) {
    this->m_facets.push_back(F(kind, value));
    return *this;
  }
  template <class V> bool Admits(V value) { return this->Allows(T(value)); }
};

using IntegerType = Datatype<TX(integer), true>;
using RealType = Datatype<TX(real), true>;
using StringType = Datatype<TX(string), false>;

TEST(XDatatype, NumericBounds) {
  IntegerType t;
  t.With(IntegerType::F::minInclusive, 1).With(IntegerType::F::maxExclusive, 10);
  EXPECT_FALSE(t.Admits(0));
  EXPECT_TRUE(t.Admits(1));
  EXPECT_TRUE(t.Admits(9));
  EXPECT_FALSE(t.Admits(10));

  RealType r;
  r.With(RealType::F::minExclusive, -1.5).With(RealType::F::maxInclusive, 2.5);
  EXPECT_FALSE(r.Admits(-1.5));
  EXPECT_TRUE(r.Admits(-1.25));
  EXPECT_TRUE(r.Admits(2.5));

  RealType a;
  a.With(RealType::F::minAbsoluteValue, 1.0).With(RealType::F::maxAbsoluteValue, 3.0);
  EXPECT_TRUE(a.Admits(-2.0));
  EXPECT_FALSE(a.Admits(0.5));
  EXPECT_FALSE(a.Admits(-3.5));
}

TEST(XDatatype, PrecisionAndScaleCountSignificantDigits) {
  RealType p;
  p.With(RealType::F::precision, 4).With(RealType::F::scale, 2);
  EXPECT_TRUE(p.Admits(12.34));
  EXPECT_TRUE(p.Admits(-0.05));
  EXPECT_TRUE(p.Admits(1200.0));
  EXPECT_FALSE(p.Admits(123.45));
  EXPECT_FALSE(p.Admits(0.001));
  EXPECT_FALSE(p.Admits(12345.0));
}

TEST(XDatatype, LiteralsAreAlternatives) {
  StringType s;
  s.With(StringType::F::literal, "red").With(StringType::F::literal, "green");
  EXPECT_TRUE(s.Admits("red"));
  EXPECT_TRUE(s.Admits("green"));
  EXPECT_FALSE(s.Admits("Red"));

  IntegerType i;
  i.With(IntegerType::F::literal, 2).With(IntegerType::F::literal, 4).With(IntegerType::F::maxInclusive, 3);
  EXPECT_TRUE(i.Admits(2));
  EXPECT_FALSE(i.Admits(4)); // a literal, but above the bound
  EXPECT_FALSE(i.Admits(3));

  Datatype<TX(NMTOKENS), false> tokens;
  tokens.With(decltype(tokens)::F::literal, "a  b");
  TX(NMTOKENS) value;
  value = "a\tb";
  EXPECT_TRUE(tokens.Admits(value));
  value = "a b c";
  EXPECT_FALSE(tokens.Admits(value));
}

TEST(XDatatype, LengthsCountCharactersOrTokens) {
  StringType s;
  s.With(StringType::F::maxLength, "3");
  EXPECT_TRUE(s.Admits("abc"));
  EXPECT_TRUE(s.Admits("\xC3\xA9\xC3\xA9\xC3\xA9"));
  EXPECT_FALSE(s.Admits("abcd"));
  StringType exact;
  exact.With(StringType::F::length, TX(string)("2"));
  EXPECT_TRUE(exact.Admits("ab"));
  EXPECT_FALSE(exact.Admits("a"));

  Datatype<TX(IDREFS), false> refs;
  refs.With(decltype(refs)::F::length, "2");
  TX(IDREFS) two;
  two = "x y";
  EXPECT_TRUE(refs.Admits(two));
}

TEST(XDatatype, FacetValuesWrittenAsTextForNumericTypes) {
  // A base type the writers do not count as numeric gets quoted facet values.
  Datatype<TX(non_negative_integer), false> t;
  t.With(decltype(t)::F::maxInclusive, "5").With(decltype(t)::F::literal, "3").With(decltype(t)::F::literal, "6");
  EXPECT_TRUE(t.Admits(3u));
  EXPECT_FALSE(t.Admits(6u));

  Datatype<TX(boolean), true> b;
  b.With(decltype(b)::F::literal, true);
  EXPECT_TRUE(b.Admits(true));
  EXPECT_FALSE(b.Admits(false));

  IntegerType zero;
  zero.With(IntegerType::F::minInclusive, 0);
  EXPECT_TRUE(zero.Admits(0));
  EXPECT_FALSE(zero.Admits(-1));
}

TEST(XDatatype, TextIsTakenOnlyWhenTheFacetsAllowIt) {
  IntegerType t(TX(integer)(5));
  t.With(IntegerType::F::maxInclusive, 9);
  EXPECT_TRUE(t.IsValid());
  EXPECT_FALSE(t.SetValueFromString("12"));
  EXPECT_EQ(static_cast<int>(t.GetValue()), 5);
  EXPECT_FALSE(t.SetValueFromString(nullptr));
  EXPECT_TRUE(t.SetValueFromString("7"));
  EXPECT_EQ(static_cast<int>(t.GetValue()), 7);
  t.SetValue(TX(integer)(20));
  EXPECT_FALSE(t.IsValid());
}

TEST(XDatatype, WrittenUnderItsOwnTag) {
  StringType s(TX(string)("a<b"));
  s.SetTag("label");
  std::ostringstream element, attribute;
  s.EmitXML(element, 1);
  s.EmitAsAttribute(attribute);
  EXPECT_EQ(element.str(), "\t<label>a&lt;b</label>\n");
  EXPECT_EQ(attribute.str(), " label='a&lt;b'");

  IntegerType i(TX(integer)(-4));
  std::ostringstream number;
  i.EmitXML(number, 0);
  EXPECT_EQ(number.str(), "<d>-4</d>\n");
}

TEST(XDatatype, CopiesKeepValueAndFacets) {
  IntegerType t(TX(integer)(5));
  t.With(IntegerType::F::maxInclusive, 9);
  std::unique_ptr<XObject> clone(t.clone());
  auto* copy = dynamic_cast<IntegerType*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(static_cast<int>(copy->GetValue()), 5);
  EXPECT_FALSE(copy->SetValueFromString("10"));

  IntegerType assigned;
  assigned = t;
  EXPECT_EQ(static_cast<int>(assigned.GetValue()), 5);
  EXPECT_FALSE(assigned.SetValueFromString("10"));
}

} // namespace
