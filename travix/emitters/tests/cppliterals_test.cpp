#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "travix/emitters/cppliterals.h"
#include "travix/emitters/textsplice.h"

namespace {

using Travix::CountLiteral;
using Travix::NumericLiteral;

TEST(NumericLiterals, IntegersAreDecimalWithoutLeadingZerosAndInTheirKindsRange) {
  EXPECT_EQ(NumericLiteral(u"integer", "010"), "10");
  EXPECT_EQ(NumericLiteral(u"integer", " +7\n"), "7");
  EXPECT_EQ(NumericLiteral(u"integer", "-2147483648"), "-2147483648");
  EXPECT_EQ(NumericLiteral(u"integer", "2147483648"), std::nullopt);
  EXPECT_EQ(NumericLiteral(u"non-negative-integer", "4294967295"), "4294967295");
  EXPECT_EQ(NumericLiteral(u"non-negative-integer", "-1"), std::nullopt);
  EXPECT_EQ(NumericLiteral(u"positive-integer", "0"), std::nullopt);
  EXPECT_EQ(NumericLiteral(u"non-positive-integer", "0"), "0");
  EXPECT_EQ(NumericLiteral(u"negative-integer", "0"), std::nullopt);
  for (const char* bad : {"", " ", "12abc", "0x10", "1.0", "+-1", "++1", "1 2", "1e3"}) {
    EXPECT_EQ(NumericLiteral(u"integer", bad), std::nullopt) << bad;
  }
}

TEST(NumericLiterals, FloatingValuesReadBackAndStayFloatingLiterals) {
  EXPECT_EQ(NumericLiteral(u"real", "5"), "5.0");
  EXPECT_EQ(NumericLiteral(u"decimal", "+0.1"), "0.1");
  EXPECT_EQ(NumericLiteral(u"real", "1.5E3"), "1500.0");
  EXPECT_EQ(NumericLiteral(u"real", "1e300"), "1e+300");
  EXPECT_EQ(NumericLiteral(u"real", "-2.5e-10"), "-2.5e-10");
  for (const char* bad : {"inf", "nan", "1e999", "1,5", ".", "0x1p3", "1.5f"}) {
    EXPECT_EQ(NumericLiteral(u"real", bad), std::nullopt) << bad;
  }
}

TEST(NumericLiterals, BooleansAndNonNumericTypes) {
  EXPECT_EQ(NumericLiteral(u"boolean", "true"), "true");
  EXPECT_EQ(NumericLiteral(u"boolean", " false "), "false");
  EXPECT_EQ(NumericLiteral(u"boolean", "1"), std::nullopt);
  EXPECT_EQ(NumericLiteral(u"boolean", "TRUE"), std::nullopt);
  EXPECT_EQ(NumericLiteral(u"string", "1"), std::nullopt);
  EXPECT_EQ(CountLiteral("08"), "8");
  EXPECT_EQ(CountLiteral("-1"), std::nullopt);
}

TEST(Splice, MarkersAreReplacedOnceAndUnknownOnesRefused) {
  EXPECT_EQ(Travix::Splice("a @X@ b @Y@@X@", {{"X", "1"}, {"Y", "@X@"}}), "a 1 b @X@1");
  EXPECT_EQ(Travix::Splice("no markers", {}), "no markers");
  EXPECT_THROW(Travix::Splice("@Z@", {{"X", "1"}}), std::logic_error);
  EXPECT_THROW(Travix::Splice("mail@", {}), std::logic_error);
}

}  // namespace
