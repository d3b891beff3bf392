// The control's methods by handle: refusals change nothing, Motion keeps
// its frame.
#include <gtest/gtest.h>

#include <functional>

#include "clipview/processor.h"
#include "clipview/tests/support.h"

using clipview::ClipViewProcessor;
using clipview::testing::Bytes;
using clipview::testing::RandomImage;

namespace {

// Images of every kind a call can be given wrongly, and a handle no image has.
struct Images {
  std::unique_ptr<ImageClass> grey = RandomImage(15, 9, ImageClass::kGrey);
  std::unique_ptr<ImageClass> grey2 = RandomImage(15, 9, ImageClass::kGrey);
  std::unique_ptr<ImageClass> greyOther = RandomImage(13, 9, ImageClass::kGrey);
  std::unique_ptr<ImageClass> colour = RandomImage(15, 9, ImageClass::kColour);
  std::unique_ptr<ImageClass> empty = std::make_unique<ImageClass>();
  LONG unknown;
  Images() {
    auto gone = std::make_unique<ImageClass>();
    unknown = gone->Handle();
  }
  std::vector<std::vector<BYTE>> Snapshot() const {
    return {Bytes(*grey), Bytes(*grey2), Bytes(*greyOther), Bytes(*colour)};
  }
};

TEST(Processor, RefusedCallsAnswerFalseAndChangeNoImage) {
  Images im;
  const LONG g = im.grey->Handle(), g2 = im.grey2->Handle(), o = im.greyOther->Handle(), c = im.colour->Handle();
  const LONG e = im.empty->Handle(), u = im.unknown;
  ClipViewProcessor p;
  using Call = std::function<LONGLONG()>;
  const std::vector<std::pair<const char*, Call>> calls = {
      {"SobelMagnitude 0", [&] { return p.SobelMagnitude(0, g); }},
      {"SobelMagnitude unknown", [&] { return p.SobelMagnitude(g, u); }},
      {"SobelMagnitude size", [&] { return p.SobelMagnitude(g, o); }},
      {"SobelMagnitude colour", [&] { return p.SobelMagnitude(c, g); }},
      {"SobelMagnitude empty", [&] { return p.SobelMagnitude(g, e); }},
      {"SobelDirection 0", [&] { return p.SobelDirection(g, g2, 0); }},
      {"SobelDirection size", [&] { return p.SobelDirection(g, g2, o); }},
      {"SobelDirection colour", [&] { return p.SobelDirection(g, g2, c); }},
      {"Motion 0", [&] { return p.Motion(0, g); }},
      {"Motion unknown", [&] { return p.Motion(g, u); }},
      {"Motion colour", [&] { return p.Motion(c, g); }},
      {"Motion result size", [&] { return p.Motion(g, o); }},
      {"Motion result colour", [&] { return p.Motion(g, c); }},
      {"Difference 0", [&] { return p.Difference(g, 0, g2); }},
      {"Difference unknown", [&] { return p.Difference(u, g, g2); }},
      {"Difference size", [&] { return p.Difference(g, o, g2); }},
      {"Difference format", [&] { return p.Difference(g, g2, c); }},
      {"Difference empty", [&] { return p.Difference(e, e, e); }},
      {"Threshold 0", [&] { return p.Threshold(g, 5, 0); }},
      {"Threshold size", [&] { return p.Threshold(g, 5, o); }},
      {"Threshold colour", [&] { return p.Threshold(c, 5, g); }},
      {"Normalize unknown", [&] { return p.Normalize(u, 0, 9, g); }},
      {"Normalize size", [&] { return p.Normalize(o, 0, 9, g); }},
      {"Normalize colour", [&] { return p.Normalize(g, 0, 9, c); }},
      {"DrawText 0", [&] { return p.DrawText(0, "x", 1, 1); }},
      {"DrawText empty", [&] { return p.DrawText(e, "x", 1, 1); }},
      {"DrawDateTime unknown", [&] { return p.DrawDateTime(u, 1, 1); }},
      {"SetTextStyle 0", [&] { return p.SetTextStyle(0, "arial", 12, 1, 2, 3); }},
      {"DrawCrosshair 0", [&] { return p.DrawCrosshair(0, 3, 3, 1, 2, 3); }},
      {"DrawCrosshair empty", [&] { return p.DrawCrosshair(e, 3, 3, 1, 2, 3); }},
      {"DrawLine unknown", [&] { return p.DrawLine(u, 0, 0, 5, 5, 1, 2, 3); }},
      {"DrawLine empty", [&] { return p.DrawLine(e, 0, 0, 5, 5, 1, 2, 3); }},
      {"SumArea 0", [&] { return p.SumArea(0, 0, 0, 5, 5); }},
      {"SumArea colour", [&] { return p.SumArea(c, 0, 0, 5, 5); }},
      {"MeanArea unknown", [&] { return p.MeanArea(u, 0, 0, 5, 5); }},
      {"MeanArea empty", [&] { return p.MeanArea(e, 0, 0, 5, 5); }},
      {"Scale 0", [&] { return p.Scale(g, 0); }},
      {"Scale format", [&] { return p.Scale(g, c); }},
      {"Scale empty", [&] { return p.Scale(e, g); }},
  };
  const auto before = im.Snapshot();
  for (const auto& [name, call] : calls) {
    EXPECT_EQ(call(), 0) << name;
    ASSERT_EQ(im.Snapshot(), before) << name;
  }
  // A refused Motion keeps no frame: the next good call is still the first.
  EXPECT_FALSE(p.Motion(g, g2));
}

TEST(Processor, MotionKeepsTheLastFrameAndStartsAgainOnANewSize) {
  ClipViewProcessor p;
  auto source = RandomImage(17, 5, ImageClass::kGrey), result = RandomImage(17, 5, ImageClass::kGrey);
  const auto untouched = Bytes(*result);
  EXPECT_FALSE(p.Motion(source->Handle(), result->Handle()));
  EXPECT_EQ(Bytes(*result), untouched);
  EXPECT_TRUE(p.Motion(source->Handle(), result->Handle()));
  EXPECT_EQ(Bytes(*result), std::vector<BYTE>(untouched.size(), 0));

  const auto first = Bytes(*source);
  for (LONG i = 0; i < source->m_nSize; ++i) source->m_pData[i] = static_cast<BYTE>(first[i] ^ 0x5A);
  EXPECT_TRUE(p.Motion(source->Handle(), result->Handle()));
  for (LONG i = 0; i < source->m_nSize; ++i)
    ASSERT_EQ(result->m_pData[i], std::abs(int(source->m_pData[i]) - first[i]));

  // Another size: kept as the new frame, FALSE; then differences again.
  auto larger = RandomImage(20, 6, ImageClass::kGrey), largerResult = RandomImage(20, 6, ImageClass::kGrey);
  const auto largerUntouched = Bytes(*largerResult);
  EXPECT_FALSE(p.Motion(larger->Handle(), largerResult->Handle()));
  EXPECT_EQ(Bytes(*largerResult), largerUntouched);
  EXPECT_TRUE(p.Motion(larger->Handle(), largerResult->Handle()));
  EXPECT_EQ(Bytes(*largerResult), std::vector<BYTE>(largerUntouched.size(), 0));

  // The source as its own result: the frame kept is the source, not the difference.
  EXPECT_TRUE(p.Motion(larger->Handle(), larger->Handle()));
  EXPECT_EQ(Bytes(*larger), std::vector<BYTE>(largerUntouched.size(), 0));
}

TEST(Processor, CrosshairAndLinesTakeRedGreenBlue) {
  ClipViewProcessor p;
  ImageClass image;
  image.Init(7, 5, ImageClass::kColour);
  ASSERT_TRUE(p.DrawCrosshair(image.Handle(), 2, 3, 10, 20, 30));
  for (LONG y = 0; y < 5; ++y)
    for (LONG x = 0; x < 7; ++x) {
      const BYTE* px = image.Row(y) + 3 * x;
      const bool on = x == 2 || y == 3;
      ASSERT_EQ(px[0], on ? 30 : 0) << x << "," << y;
      ASSERT_EQ(px[2], on ? 10 : 0);
    }
  ImageClass grey;
  grey.Init(4, 2, ImageClass::kGrey);
  ASSERT_TRUE(p.DrawLine(grey.Handle(), 0, 0, 3, 1, 30, 60, 91));
  EXPECT_EQ(grey.Row(0)[1], 60);
  EXPECT_TRUE(p.SetTextStyle(grey.Handle(), "DejaVu Sans", 250, 1, 2, 3));
  EXPECT_EQ(grey.m_nFontSize, 100);
}

}  // namespace
