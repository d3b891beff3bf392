#include <gtest/gtest.h>

#include "platform/dialogs/dialog.h"
#include "platform/dialogs/dialogunits.h"
#include "platform/dialogs/propertypage.h"
#include "platform/dialogs/tests/testdialogs.h"

using namespace Platform;

namespace {

TEST(DialogUnitsTest, MultiplyDivideRoundsHalfAwayFromZero) {
  const struct {
    int value, numerator, denominator, expected;
  } cases[] = {{206, 6, 4, 309}, {5, 1, 2, 3}, {-5, 1, 2, -3}, {7, 1, 4, 2}, {5, 3, -2, -8}, {1, 1, 0, -1},
               {0x40000000, 4, 1, -1}, {0x40000000, 4, 8, 0x20000000}};
  for (const auto& c : cases) {
    EXPECT_EQ(MulDivRounded(c.value, c.numerator, c.denominator), c.expected) << c.value << "*" << c.numerator << "/" << c.denominator;
  }
}

TEST(DialogUnitsTest, TemplatesWithAFontAreSizedByItElseBySystemUnits) {
  EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(8, 16));
  const std::vector<BYTE> plain = dialogtest::SampleTemplate(100);
  const auto plainSize = DialogTemplatePixels(plain);
  ASSERT_TRUE(plainSize);
  EXPECT_EQ(plainSize->cx, 200 * 8 / 4);
  EXPECT_EQ(plainSize->cy, 120 * 16 / 8);

  const auto font = MeasureDialogFont("MS Sans Serif", 8, 700, true);
  if (!font) GTEST_SKIP() << "no font to measure";
  EXPECT_GT(font->averageWidth, 0);
  EXPECT_NE(*font, (FontBaseUnits{8, 16}));
  const std::vector<BYTE> withFont = dialogtest::SampleTemplate(201);
  EXPECT_EQ(DialogTemplateUnits(withFont)->cx, 206);
  const auto size = DialogTemplatePixels(withFont);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->cx, MulDivRounded(206, font->averageWidth, 4));
  EXPECT_EQ(size->cy, MulDivRounded(111, font->height, 8));
  // A larger font gives a larger dialog.
  EXPECT_GT(MeasureDialogFont("MS Sans Serif", 16)->height, MeasureDialogFont("MS Sans Serif", 8)->height);

  PropertyPage page(201, withFont, "Custom");
  EXPECT_EQ(page.PageSize().cx, size->cx);
  ASSERT_TRUE(page.Create());
  const RECT rect = page.GetWindowRect();
  EXPECT_EQ(rect.right - rect.left, size->cx);
}

}  // namespace
