#include <gtest/gtest.h>

#include <locale>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "formnames.h"
#include "travix.h"

namespace {

using XObject = TX(XObject);

// Sets a value from text and writes it as the element v at indent 1.
template <class Value> std::string ParseThenEmit(const char* text) {
  Value value;
  value.SetTag("v");
  EXPECT_TRUE(value.SetValueFromString(text)) << text;
  std::ostringstream out;
  EXPECT_TRUE(value.EmitXML(out, 1));
  return out.str();
}

struct Row {
  const char* text;
  const char* written;
};

template <class Value> void ExpectTable(std::initializer_list<Row> rows) {
  for (const Row& row : rows)
    EXPECT_EQ(ParseThenEmit<Value>(row.text), "\t<v>" + std::string(row.written) + "</v>\n")
        << '"' << row.text << '"';
}

TEST(ValueParsing, SignedIntegersReadLikeAtoiAndClamp) {
  ExpectTable<TX(integer)>({{"12abc", "12"},
                            {"abc", "0"},
                            {"", "0"},
                            {" \t\n-7", "-7"},
                            {"+8", "8"},
                            {"- 5", "0"},
                            {"2147483647", "2147483647"},
                            {"2147483648", "2147483647"},
                            {"-2147483648", "-2147483648"},
                            {"-99999999999999999999999", "-2147483648"}});
  ExpectTable<TX(negative_integer)>({{"5", "5"}, {"-3", "-3"}});
  ExpectTable<TX(non_positive_integer)>({{"1x", "1"}});
}

TEST(ValueParsing, UnsignedIntegersReadLikeA32BitStrtoul) {
  ExpectTable<TX(non_negative_integer)>({{"-1", "4294967295"},
                                         {"-5", "4294967291"},
                                         {"4294967295", "4294967295"},
                                         {"4294967296", "4294967295"},
                                         {"-4294967296", "4294967295"},
                                         {"7x", "7"},
                                         {"x7", "0"}});
  ExpectTable<TX(positive_integer)>({{"0", "0"}, {"42", "42"}});
}

TEST(ValueParsing, FloatingNumbersReadBackToTheSameValue) {
  ExpectTable<TX(real)>({{"1234567.5", "1234567.5"},
                         {"0.1", "0.1"},
                         {"  2.5abc", "2.5"},
                         {"+3", "3"},
                         {"+-3", "0"},
                         {"abc", "0"},
                         {"0x10", "0"},
                         {"1e21", "1e+21"},
                         {"-0.000001", "-1e-06"},
                         {"1e400", "inf"},
                         {"-1e400", "-inf"},
                         {"1e-400", "0"},
                         {"1e99999", "inf"}});
  ExpectTable<TX(decimal)>({{"3.14159265358979", "3.14159265358979"}});

  for (double value : {1234567.5, 0.1, 1.0 / 3.0, 6.02214076e23, -2.5e-300, 123456789012345678.0}) {
    TX(real) written(value), read;
    written.SetTag("v");
    std::ostringstream out;
    written.EmitAsAttribute(out);
    std::string text = out.str();
    read.SetValueFromString(text.substr(4, text.size() - 5).c_str());
    EXPECT_EQ(static_cast<double>(read), value) << text;
  }
}

// A locale that groups thousands and writes a decimal comma.
struct GroupingComma : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(ValueParsing, NumbersIgnoreTheStreamsLocale) {
  std::ostringstream out;
  out.imbue(std::locale(std::locale::classic(), new GroupingComma));
  TX(real) real(1234567.5);
  TX(integer) integer(-1234567);
  TX(non_negative_integer) unsignedInteger(4000000000u);
  real.SetTag("r");
  integer.SetTag("i");
  unsignedInteger.SetTag("u");
  real.EmitAsAttribute(out);
  integer.EmitAsAttribute(out);
  unsignedInteger.EmitAsAttribute(out);
  EXPECT_EQ(out.str(), " r='1234567.5' i='-1234567' u='4000000000'");
}

TEST(ValueParsing, BooleanAcceptsExactlyTrueAndFalse) {
  ExpectTable<TX(boolean)>({{"true", "true"}, {"false", "false"}});
  TX(boolean) flag(true);
  for (const char* text : {"yes", "TRUE", "1", " true", "false ", ""})
    EXPECT_FALSE(flag.SetValueFromString(text)) << text;
  EXPECT_TRUE(static_cast<bool>(flag));
}

TEST(ValueParsing, NullTextChangesNothing) {
  TX(string) text("kept");
  TX(integer) number(4);
  TX(real) real(2.5);
  TX(boolean) flag(true);
  TX(NMTOKENS) tokens;
  tokens = "a b";
  EXPECT_FALSE(text.SetValueFromString(nullptr));
  EXPECT_FALSE(number.SetValueFromString(nullptr));
  EXPECT_FALSE(real.SetValueFromString(nullptr));
  EXPECT_FALSE(flag.SetValueFromString(nullptr));
  EXPECT_FALSE(tokens.SetValueFromString(nullptr));
  EXPECT_STREQ(text, "kept");
  EXPECT_EQ(static_cast<int>(number), 4);
  EXPECT_EQ(static_cast<double>(real), 2.5);
  EXPECT_EQ(tokens.GetTokens().size(), 2u);
}

TEST(ValueOutput, StringsAreEscapedAndCharacterDataIsUntagged) {
  TX(string) text("x<y");
  EXPECT_EQ(text.GetTag(), "#PCDATA");
  std::ostringstream data;
  text.EmitXML(data, 3);
  EXPECT_EQ(data.str(), "x&lt;y");

  text.SetTag("name");
  std::ostringstream element;
  text.EmitXML(element, 1);
  EXPECT_EQ(element.str(), "\t<name>x&lt;y</name>\n");

  std::ostringstream attribute;
  text = "it's";
  text.EmitAsAttribute(attribute);
  EXPECT_EQ(attribute.str(), " name='it&apos;s'");
}

TEST(ValueOutput, NumbersAndBooleansAsAttributes) {
  TX(integer) n(-3);
  n.SetTag("n");
  TX(boolean) b(true);
  b.SetTag("b");
  std::ostringstream out;
  n.EmitAsAttribute(out);
  b.EmitAsAttribute(out);
  EXPECT_EQ(out.str(), " n='-3' b='true'");
}

TEST(ValueTokens, SplitAtBlanksTabsCarriageReturnsAndFormFeedsOnly) {
  TX(NMTOKENS) tokens;
  EXPECT_TRUE(tokens.SetValueFromString("  a\tbb  c "));
  ASSERT_EQ(tokens.GetTokens().size(), 3u);
  EXPECT_STREQ(tokens.GetTokens()[0], "a");
  EXPECT_STREQ(tokens.GetTokens()[1], "bb");
  EXPECT_STREQ(tokens.GetTokens()[2], "c");
  EXPECT_EQ(tokens.GetTokens()[0].GetTag(), "#PCDATA");

  EXPECT_TRUE(tokens.SetValueFromString("a\nb\r\fc"));
  ASSERT_EQ(tokens.GetTokens().size(), 2u);
  EXPECT_STREQ(tokens.GetTokens()[0], "a\nb");

  EXPECT_TRUE(tokens.SetValueFromString(" \t "));
  EXPECT_TRUE(tokens.GetTokens().empty());
}

TEST(ValueTokens, WrittenAsElementAndAsAttribute) {
  TX(IDREFS) refs;
  refs.SetTag("t");
  std::ostringstream none;
  refs.EmitXML(none, 1);
  EXPECT_EQ(none.str(), "");

  refs = "a b<";
  std::ostringstream element;
  refs.EmitXML(element, 1);
  EXPECT_EQ(element.str(), "\t<t>a b&lt;</t>\n");

  std::ostringstream attribute;
  refs.EmitAsAttribute(attribute);
  EXPECT_EQ(attribute.str(), " t='a b&lt;'");

  TX(IDREFS) copy;
  copy = refs;
  EXPECT_EQ(copy.GetTag(), "t");
  EXPECT_EQ(copy.GetTokens().size(), 2u);
}

TEST(ValueOperators, IntegerBehavesLikeItsPlainValue) {
  TX(integer) i(5);
  EXPECT_EQ(i++, 5);
  EXPECT_EQ(static_cast<int>(i), 6);
  int& held = ++i;
  EXPECT_EQ(held, 7);
  held = 10;
  EXPECT_EQ(static_cast<int>(i), 10);
  EXPECT_EQ(i--, 10);
  EXPECT_EQ(--i, 8);

  EXPECT_EQ(i + 2, 10);
  EXPECT_EQ(i - 10, -2);
  EXPECT_EQ(i * 3, 24);
  EXPECT_EQ(i / 3, 2);
  EXPECT_EQ(i % 3, 2);
  EXPECT_EQ(i ^ 1, 9);
  EXPECT_EQ(i & 12, 8);
  EXPECT_EQ(i | 1, 9);
  EXPECT_EQ(i && 0, 0);
  EXPECT_EQ(i << 1, 16);
  EXPECT_EQ(i >> 2, 2);
  EXPECT_EQ(~i, -9);
  EXPECT_EQ(!i, 0);
  EXPECT_EQ(i < 9, 1);
  EXPECT_EQ(i <= 7, 0);
  EXPECT_EQ(i > 7, 1);
  EXPECT_EQ(i >= 9, 0);
  EXPECT_EQ(i == 8, 1);
  EXPECT_EQ(i != 8, 0);

  i += 2;
  i *= 3;
  i -= 6;
  i /= 4;
  EXPECT_EQ(static_cast<int>(i), 6);
  i <<= 2;
  i |= 1;
  i ^= 3;
  i &= 0xFE;
  i >>= 1;
  i %= 7;
  EXPECT_EQ(static_cast<int>(i), 6);

  TX(positive_integer) u(1u);
  EXPECT_EQ(u - 2u, 4294967295u);
}

TEST(ValueOperators, AssignmentCopiesTheValueButNotTheTag) {
  TX(integer) a(1), b(2);
  a.SetTag("a");
  b.SetTag("b");
  a = b;
  EXPECT_EQ(static_cast<int>(a), 2);
  EXPECT_EQ(a.GetTag(), "a");

  TX(real) r(1.5), s(2.5);
  r.SetTag("r");
  r = s;
  EXPECT_EQ(r.GetTag(), "r");
  EXPECT_EQ(r * 2.0, 5.0);
  EXPECT_EQ(!r, 0.0);
  EXPECT_EQ(!TX(real)(0.0), 1.0);
  EXPECT_EQ(r && 0.0, 0.0);
  r += 1.0;
  r /= 2.0;
  EXPECT_EQ(r == 1.75, 1);

  TX(boolean) x(false), y(true);
  x.SetTag("x");
  x = y;
  EXPECT_EQ(x.GetTag(), "x");
  EXPECT_EQ(x == true, 1);
  EXPECT_EQ(x != true, 0);
  EXPECT_FALSE(!x);

  // A string takes the other's tag along with its text.
  TX(string) t("one"), u("two");
  t.SetTag("t");
  t = u;
  EXPECT_EQ(t.GetTag(), "#PCDATA");
  EXPECT_STREQ(t, "two");
}

TEST(ValueOperators, StringEditing) {
  TX(string) text(static_cast<const char*>(nullptr));
  EXPECT_STREQ(text.c_str(), "");
  text = "ab";
  text += 'c';
  text += TX(string)("de");
  text += "f";
  text += static_cast<const char*>(nullptr);
  EXPECT_STREQ(text, "abcdef");
  EXPECT_STREQ(text.GetBuffer(0), "abcdef");
  text[0u] = 'A';
  const TX(string)& constant = text;
  EXPECT_EQ(constant[0u], 'A');
  EXPECT_THROW(text[6u], std::out_of_range);
  EXPECT_THROW(constant[99u], std::out_of_range);
  text = 'z';
  EXPECT_STREQ(text, "z");
  TX(string) fromStd(std::string("std"));
  EXPECT_EQ(fromStd.GetTag(), "#PCDATA");
}

TEST(ValueKinds, ClonesKeepTheirKindAndEverythingInIt) {
  TX(negative_integer) n(-4);
  n.SetTag("n");
  TX(string) attribute("x");
  std::unique_ptr<XObject> clone(n.clone());
  EXPECT_EQ(dynamic_cast<TX(integer)*>(clone.get()), nullptr);
  auto* typed = dynamic_cast<TX(negative_integer)*>(clone.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(static_cast<int>(*typed), -4);
  EXPECT_EQ(typed->GetTag(), "n");

  std::unique_ptr<XObject> real(TX(decimal)(2.5).clone());
  EXPECT_EQ(dynamic_cast<TX(real)*>(real.get()), nullptr);
  EXPECT_NE(dynamic_cast<TX(decimal)*>(real.get()), nullptr);

  std::unique_ptr<XObject> id(TX(ID)("id1").clone());
  EXPECT_NE(dynamic_cast<TX(string)*>(id.get()), nullptr);
}

} // namespace
