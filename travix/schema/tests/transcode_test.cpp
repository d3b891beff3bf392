#include <gtest/gtest.h>

#include "travix/schema/transcode.h"

using Travix::ToUtf16;
using Travix::wstringTostring;

TEST(Transcode, LongTextWithAccentsConvertsWhole) {
  std::u16string text;
  for (int i = 0; i < 50; ++i) text += u"aé€";
  ASSERT_EQ(text.size(), 150u);
  std::string utf8 = wstringTostring(text);
  EXPECT_EQ(utf8.size(), 50u * (1 + 2 + 3));
  EXPECT_EQ(utf8.substr(0, 6), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(ToUtf16(utf8), text);
}

TEST(Transcode, SurrogatePairsBecomeFourBytes) {
  std::u16string clef = u"\U0001D11E";
  ASSERT_EQ(clef.size(), 2u);
  EXPECT_EQ(wstringTostring(clef), "\xF0\x9D\x84\x9E");
  EXPECT_EQ(ToUtf16("\xF0\x9D\x84\x9E"), clef);
}

TEST(Transcode, LoneSurrogatesAndBadBytesAreReplacedNotDropped) {
  std::u16string trailing = u"ab";
  trailing += char16_t(0xD800);
  EXPECT_EQ(wstringTostring(trailing), "ab\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf16("a\xFF"
                    "b"),
            u"a\uFFFDb");
  EXPECT_EQ(wstringTostring(u""), "");
}
