#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
  const typename TX(XDatatype)<T, Numeric>::FacetList& GetFacetList() const { return this->m_facets; }
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

// The digits after the point in the shortest text of x, counted as a
// reader of that text would.
int FractionDigits(double x) {
  char text[400];
  auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed);
  std::string digits(text, written.ptr);
  std::size_t point = digits.find('.');
  return point == std::string::npos ? 0 : static_cast<int>(digits.size() - point - 1);
}

TEST(XDatatype, ScaleAgreesWithTheShortestTextOfTheNumber) {
  std::vector<double> values = {0.0, -0.0, 0.1 + 0.2, 0.3, 1.005, 2.675, 0.29, -0.05, 1e-300,
                                123456789.12, 1e20, 1e15 + 0.5, 4503599627370495.5, 0.125,
                                0.5, 1.5, 2.5, -7.25, 9.999999999999999, 1e-7, 5e-324};
  unsigned long long state = 7;
  for (int i = 0; i < 2000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    long long whole = static_cast<long long>(state >> 20) % 100000000 - 50000000;
    double value = static_cast<double>(whole) / std::pow(10.0, static_cast<int>(state % 9));
    values.push_back(value);
    values.push_back(std::nextafter(value, 1e300));
  }
  for (int scale = 0; scale <= 17; ++scale) {
    RealType r;
    r.With(RealType::F::scale, scale);
    for (double value : values)
      EXPECT_EQ(r.Admits(value), FractionDigits(value) <= scale) << value << " scale " << scale;
  }
  RealType half;
  half.With(RealType::F::scale, 2.5);
  EXPECT_TRUE(half.Admits(0.25));
  EXPECT_FALSE(half.Admits(0.125));
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

// Objects that append the same facets share one list; none of them may
// see what another appends later.
TEST(XDatatype, SharedFacetListsStayApartWhenTheyGrow) {
  IntegerType small, large;
  small.With(IntegerType::F::minInclusive, 0).With(IntegerType::F::maxInclusive, 5);
  large.With(IntegerType::F::minInclusive, 0);
  IntegerType copy(large);
  large.With(IntegerType::F::maxInclusive, 50);
  copy.With(IntegerType::F::maxInclusive, 500);
  EXPECT_FALSE(small.Admits(6));
  EXPECT_TRUE(large.Admits(50));
  EXPECT_FALSE(large.Admits(51));
  EXPECT_TRUE(copy.Admits(500));
  EXPECT_FALSE(copy.Admits(-1));

  IntegerType assigned;
  assigned = small;
  assigned.With(IntegerType::F::literal, 3);
  EXPECT_FALSE(assigned.Admits(4));
  EXPECT_TRUE(small.Admits(4));

  // A facet differing only in its text or its value's tag is another facet.
  Datatype<TX(non_negative_integer), false> text, number;
  text.With(decltype(text)::F::maxInclusive, "5");
  number.With(decltype(number)::F::maxInclusive, TX(non_negative_integer)(5u));
  EXPECT_TRUE(text.Admits(5u));
  EXPECT_FALSE(text.Admits(6u));
  EXPECT_TRUE(number.Admits(5u));
  EXPECT_FALSE(number.Admits(6u));
  StringType plain, tagged;
  plain.With(StringType::F::literal, "red");
  TX(string) red("red");
  red.SetTag("colour");
  tagged.With(StringType::F::literal, red);
  auto tagIs = [](const char* tag) {
    return [tag](const StringType::F& facet) { return facet.GetValue().GetTag() == tag; };
  };
  EXPECT_TRUE(plain.GetFacetList().AllOf(tagIs("#PCDATA")));
  EXPECT_TRUE(tagged.GetFacetList().AllOf(tagIs("colour")));
}

// Lists that keep varying stop being shared and stay correct.
TEST(XDatatype, VaryingFacetListsKeepTheirOwnFacets) {
  std::vector<IntegerType> types(300);
  for (int i = 0; i < 300; ++i)
    types[i].With(IntegerType::F::minInclusive, -1).With(IntegerType::F::maxInclusive, i);
  for (int i = 0; i < 300; ++i) {
    IntegerType copy(types[i]);
    copy.With(IntegerType::F::literal, i).With(IntegerType::F::literal, -1);
    EXPECT_TRUE(types[i].Admits(i)) << i;
    EXPECT_FALSE(types[i].Admits(i + 1)) << i;
    EXPECT_TRUE(copy.Admits(-1)) << i;
    EXPECT_FALSE(copy.Admits(0) && i != 0) << i;
    EXPECT_EQ(copy.GetFacetList().size(), 4u);
  }
}

TEST(XDatatype, FacetListsBuiltOnManyThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 500; ++i) {
        IntegerType type;
        type.With(IntegerType::F::minInclusive, 1000 + i % 7).With(IntegerType::F::maxInclusive, 2000 + t);
        if (!type.Admits(2000 + t) || type.Admits(2001 + t) || type.Admits(999 + i % 7))
          ++failures[t];
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  for (int t = 0; t < 8; ++t)
    EXPECT_EQ(failures[t], 0) << t;
}

} // namespace
