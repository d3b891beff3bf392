#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
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

template <class T> using NumberFacet = TX(XFacet)<T, true>;

// Text kinds take no numbers: only text and their own values.
static_assert(!std::is_constructible_v<StringType::F, StringType::F::FacetKind, int> &&
              !std::is_constructible_v<StringType::F, StringType::F::FacetKind, double> &&
              !std::is_constructible_v<StringType::F, StringType::F::FacetKind, bool>);

template <class F> void ExpectAlike(const F& a, const F& b, bool same, const std::string& label) {
  EXPECT_EQ(a.SameAs(b), same) << label;
  EXPECT_EQ(b.SameAs(a), same) << label;
  EXPECT_EQ(a.Counted().SameAs(b), same) << label;
  EXPECT_EQ(a.SameAs(b.Counted()), same) << label;
  if (same) {
    EXPECT_EQ(a.Hash(), b.Hash()) << label;
  }
}

// Facets of every kind from `a` and from `b` are alike in all that the
// shared lists and the datatype look at: a facet from a number is the facet
// from T made of that number, whichever literal form the number takes.
template <class T, class MakeA, class MakeB>
void ExpectSameFacets(MakeA makeA, MakeB makeB, const std::string& label) {
  using F = NumberFacet<T>;
  for (int k = F::minInclusive; k <= F::literal; ++k) {
    const auto kind = static_cast<typename F::FacetKind>(k);
    const std::string where = label + " kind " + std::to_string(k);
    const F a = makeA(kind), b = makeB(kind);
    ExpectAlike(a, b, true, where);
    const T value = makeB(kind).GetValue();
    for (const T& probe : {T(-2), T(-1), T(0), T(1), T(2), T(3), value}) {
      EXPECT_EQ(makeA(kind).Allows(probe), b.Allows(probe)) << where;
      EXPECT_EQ(makeA(kind).Matches(probe), b.Matches(probe)) << where;
    }
    EXPECT_EQ(static_cast<double>(makeA(kind).GetValue()), static_cast<double>(value)) << where;
    EXPECT_EQ(makeA(kind).GetValue().GetTag(), value.GetTag()) << where;
  }
}

#define EXPECT_SAME_FACETS(T, A, B)                                                                \
  ExpectSameFacets<T>([&](auto kind) { return NumberFacet<T>(kind, A); },                          \
                      [&](auto kind) { return NumberFacet<T>(kind, B); }, #T " " #A " " #B)

TEST(XDatatype, FacetsFromNumbersAreFacetsOfTheValuesMadeOfThem) {
  using Unsigned = TX(non_negative_integer);
  EXPECT_SAME_FACETS(TX(integer), 12, TX(integer)(12));
  EXPECT_SAME_FACETS(TX(integer), -7, TX(integer)(-7));
  EXPECT_SAME_FACETS(TX(integer), 5u, TX(integer)(5u));
  EXPECT_SAME_FACETS(TX(integer), true, TX(integer)(true));
  EXPECT_SAME_FACETS(TX(integer), 0, "");
  EXPECT_SAME_FACETS(TX(integer), 0, TX(integer)(0));
  EXPECT_SAME_FACETS(Unsigned, -1, Unsigned(-1));
  EXPECT_SAME_FACETS(Unsigned, 4294967295, Unsigned(4294967295));
  EXPECT_SAME_FACETS(Unsigned, 3000000000u, Unsigned(3000000000u));
  EXPECT_SAME_FACETS(TX(positive_integer), 0, nullptr);
  EXPECT_SAME_FACETS(TX(real), 1.5e3, TX(real)(1.5e3));
  EXPECT_SAME_FACETS(TX(real), 2, TX(real)(2.0));
  EXPECT_SAME_FACETS(TX(real), 7u, TX(real)(7u));
  EXPECT_SAME_FACETS(TX(real), false, TX(real)(false));
  EXPECT_SAME_FACETS(TX(real), 0, "");
  EXPECT_SAME_FACETS(TX(decimal), 0.0, TX(decimal)(0.0));
  EXPECT_SAME_FACETS(TX(decimal), -0.0, TX(decimal)(-0.0));
  EXPECT_SAME_FACETS(TX(decimal), 2, TX(decimal)(2));
  EXPECT_SAME_FACETS(TX(decimal), 2, 2.0);
  EXPECT_SAME_FACETS(TX(boolean), true, TX(boolean)(true));
  EXPECT_SAME_FACETS(TX(boolean), false, TX(boolean)(false));
  EXPECT_SAME_FACETS(TX(boolean), 1, TX(boolean)(true));
  EXPECT_SAME_FACETS(TX(boolean), 0, "");
  // Converted as T's constructor converts them.
  const double fraction = 2.9, half = 0.5;
  EXPECT_SAME_FACETS(TX(integer), fraction, TX(integer)(2));
  EXPECT_SAME_FACETS(TX(boolean), half, TX(boolean)(true));
  EXPECT_SAME_FACETS(TX(real), 0.1f, TX(real)(static_cast<double>(0.1f)));
}

TEST(XDatatype, FacetsAreTheSameOnlyWhenNothingTellsThemApart) {
  using Decimal = NumberFacet<TX(decimal)>;
  using Integer = NumberFacet<TX(integer)>;
  using String = StringType::F;
  ExpectAlike(Decimal(Decimal::minInclusive, "0"), Decimal(Decimal::minInclusive, 0.0), false, "text, number");
  ExpectAlike(Decimal(Decimal::scale, "2"), Decimal(Decimal::scale, "2"), true, "same text");
  ExpectAlike(Decimal(Decimal::scale, "2"), Decimal(Decimal::scale, "2.0"), false, "other text");
  ExpectAlike(Decimal(Decimal::scale, 2), Decimal(Decimal::scale, 2.5), false, "other number");
  ExpectAlike(Decimal(Decimal::minInclusive, 0.0), Decimal(Decimal::minInclusive, -0.0), false, "zeros");
  ExpectAlike(Decimal(Decimal::minInclusive, 1.0), Decimal(Decimal::maxInclusive, 1.0), false, "kinds");
  ExpectAlike(String(String::maxLength, "12"), String(String::maxLength, "12"), true, "same text");
  ExpectAlike(String(String::maxLength, "12"), String(String::length, "12"), false, "kinds");
  ExpectAlike(String(String::literal, "red"), String(String::literal, TX(string)("red")), false, "text, value");
  TX(string) red("red");
  red.SetTag("colour");
  ExpectAlike(String(String::literal, TX(string)("red")), String(String::literal, red), false, "value tags");
  ExpectAlike(String(String::literal, red), String(String::literal, red), true, "same values");

  // Assigning takes what T's assignment takes: a number kind keeps its tag.
  TX(integer) tagged(5);
  tagged.SetTag("size");
  Integer assigned(Integer::maxInclusive, tagged);
  assigned = Integer(Integer::maxInclusive, "5");
  EXPECT_EQ(assigned.GetValue().GetTag(), "size");
  ExpectAlike(assigned, Integer(Integer::maxInclusive, "5"), false, "assigned over a tag");
  Integer retexted(Integer::maxInclusive, "7");
  retexted = Integer(Integer::maxInclusive, "5");
  ExpectAlike(retexted, Integer(Integer::maxInclusive, "5"), true, "assigned text");
  Integer renumbered(Integer::maxInclusive, 7);
  renumbered = Integer(Integer::maxInclusive, 5);
  ExpectAlike(renumbered, Integer(Integer::maxInclusive, TX(integer)(5)), true, "assigned number");
}

// Facets that are not kept hold their text until a value is asked for.
TEST(XDatatype, FacetsReadTheirTextWhenAsked) {
  StringType::F length(StringType::F::maxLength, "3"), red(StringType::F::literal, "red");
  EXPECT_TRUE(length.Allows(TX(string)("abc")) && !length.Allows(TX(string)("abcd")));
  EXPECT_TRUE(red.Matches(TX(string)("red")) && !red.Matches(TX(string)("re")));
  EXPECT_EQ(std::string(red.GetValue().c_str()) + red.GetValue().GetTag(), "red#PCDATA");
  NumberFacet<TX(non_negative_integer)> bound(NumberFacet<TX(non_negative_integer)>::maxInclusive, "5");
  EXPECT_TRUE(bound.Allows(5u) && !bound.Allows(6u) && bound.Matches(5u));
  EXPECT_EQ(static_cast<unsigned>(bound.GetValue()), 5u);
  TX(XFacet)<TX(NMTOKENS), false> tokens(TX(XFacet)<TX(NMTOKENS), false>::literal, "a  b");
  TX(NMTOKENS) value;
  value = "a\tb";
  EXPECT_TRUE(tokens.Matches(value));
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
        StringType text;
        text.With(StringType::F::maxLength, "12").With(StringType::F::literal, i % 2 ? "odd" : "even");
        RealType money;
        money.With(RealType::F::minInclusive, 0.0).With(RealType::F::scale, 2);
        if (!text.Admits(i % 2 ? "odd" : "even") || text.Admits("odd even") ||
            !money.Admits(0.25) || money.Admits(0.125) || money.Admits(-1.0))
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
