// The filters against OpenCV on random images of odd widths.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>

#include "clipview/filters.h"
#include "clipview/tests/support.h"

using namespace clipview;
using clipview::testing::Bytes;
using clipview::testing::Equal;
using clipview::testing::RandomImage;
using clipview::testing::TopDown;

namespace {

struct Size {
  LONG w, h;
};
constexpr Size kSizes[] = {{1, 1}, {3, 3}, {5, 2}, {2, 7}, {17, 9}, {33, 31}, {101, 67}, {257, 5}, {641, 33}};

// Gradients as the control defines them: OpenCV's 3 x 3 Sobel sums, an
// eighth truncated toward zero.
void Gradients(const cv::Mat& source, cv::Mat& gx, cv::Mat& gy) {
  cv::Sobel(source, gx, CV_16S, 1, 0, 3);
  cv::Sobel(source, gy, CV_16S, 0, 1, 3);
  // A plain loop: forEach runs on OpenCV's worker threads, which the
  // thread sanitizer cannot see into.
  for (cv::Mat* g : {&gx, &gy})
    for (auto v = g->begin<short>(); v != g->end<short>(); ++v)
      *v = static_cast<short>(*v / 8);
}

TEST(Sobel, InteriorMatchesOpenCVAndBordersStay) {
  for (Size s : kSizes) {
    auto source = RandomImage(s.w, s.h, ImageClass::kGrey);
    auto magnitude = RandomImage(s.w, s.h, ImageClass::kGrey);
    auto direction = RandomImage(s.w, s.h, ImageClass::kGrey);
    const cv::Mat before = TopDown(*magnitude), beforeDirection = TopDown(*direction);
    ASSERT_TRUE(SobelDirection(*source, *magnitude, *direction));
    const cv::Mat mag = TopDown(*magnitude), dir = TopDown(*direction);
    cv::Mat gx, gy;
    Gradients(TopDown(*source), gx, gy);
    for (int y = 0; y < s.h; ++y)
      for (int x = 0; x < s.w; ++x) {
        const bool interior = x > 0 && y > 0 && x < s.w - 1 && y < s.h - 1;
        if (!interior) {
          ASSERT_EQ(mag.at<BYTE>(y, x), before.at<BYTE>(y, x));
          ASSERT_EQ(dir.at<BYTE>(y, x), beforeDirection.at<BYTE>(y, x));
          continue;
        }
        const int a = gx.at<short>(y, x), b = gy.at<short>(y, x);
        ASSERT_EQ(mag.at<BYTE>(y, x), static_cast<int>(std::sqrt(double(a * a + b * b)))) << s.w << "x" << s.h;
        ASSERT_EQ(dir.at<BYTE>(y, x), 4 * DirectionCode(a, b)) << a << "," << b;
      }
    auto alone = RandomImage(s.w, s.h, ImageClass::kGrey);
    magnitude->CopyTo(*alone);
    ASSERT_TRUE(SobelMagnitude(*source, *alone));
    EXPECT_EQ(Bytes(*alone), Bytes(*magnitude));
  }
}

TEST(Sobel, InPlaceEqualsOutOfPlace) {
  for (Size s : kSizes) {
    auto source = RandomImage(s.w, s.h, ImageClass::kGrey);
    auto copy = [&] {
      auto image = RandomImage(s.w, s.h, ImageClass::kGrey);
      source->CopyTo(*image);
      return image;
    };
    auto magnitude = copy(), direction = copy();
    ASSERT_TRUE(SobelDirection(*source, *magnitude, *direction));
    auto alone = copy();
    ASSERT_TRUE(SobelMagnitude(*alone, *alone));
    EXPECT_EQ(Bytes(*alone), Bytes(*magnitude)) << s.w << "x" << s.h;
    auto both = copy(), sideDirection = copy();
    ASSERT_TRUE(SobelDirection(*both, *both, *sideDirection));
    EXPECT_EQ(Bytes(*both), Bytes(*magnitude));
    EXPECT_EQ(Bytes(*sideDirection), Bytes(*direction));
    auto asDirection = copy(), sideMagnitude = copy();
    ASSERT_TRUE(SobelDirection(*asDirection, *sideMagnitude, *asDirection));
    EXPECT_EQ(Bytes(*asDirection), Bytes(*direction));
    EXPECT_EQ(Bytes(*sideMagnitude), Bytes(*magnitude));
  }
}

TEST(Sobel, DirectionCodesFollowTheQuadrantRule) {
  struct Case {
    int gx, gy, code;
  } cases[] = {
      {1, 1, 8},    {1, -1, 24},   {-1, -1, 40}, {-1, 1, 56},   {1, 1000, 0}, {0, 0, 0},     {0, 5, 0},
      {0, -5, 32},  {5, 0, 16},    {-5, 0, 48},  {5, 100, 1},   {4, 100, 0},  {-4, 100, 0},  {-5, 100, 63},
      {21, 1, 16},  {20, 1, 15},   {20, -1, 17}, {-21, -1, 48}, {-21, 1, 48}, {3, 2, 10},    {-3, -2, 42},
      {2, -3, 26},  {127, 127, 8}, {-90, 100, 56},
  };
  for (const Case& c : cases) EXPECT_EQ(DirectionCode(c.gx, c.gy), c.code) << c.gx << "," << c.gy;
}

TEST(Threshold, MatchesOpenCVOnTheLowByte) {
  for (SHORT t : {SHORT(-200), SHORT(-1), SHORT(0), SHORT(44), SHORT(128), SHORT(254), SHORT(255), SHORT(300),
                  SHORT(32767)}) {
    auto source = RandomImage(37, 11, ImageClass::kGrey), result = RandomImage(37, 11, ImageClass::kGrey);
    ASSERT_TRUE(Threshold(*source, t, *result));
    cv::Mat want;
    cv::threshold(TopDown(*source), want, t & 0xFF, 255, cv::THRESH_BINARY);
    EXPECT_TRUE(Equal(TopDown(*result), want)) << t;
  }
}

TEST(Difference, MatchesOpenCVInBothFormats) {
  for (LONG format : {ImageClass::kGrey, ImageClass::kColour})
    for (Size s : kSizes) {
      auto a = RandomImage(s.w, s.h, format), b = RandomImage(s.w, s.h, format), r = RandomImage(s.w, s.h, format);
      ASSERT_TRUE(Difference(*a, *b, *r));
      cv::Mat want;
      cv::absdiff(TopDown(*a), TopDown(*b), want);
      EXPECT_TRUE(Equal(TopDown(*r), want)) << s.w << "x" << s.h;
      ASSERT_TRUE(Difference(*a, *b, *a));  // in place
      EXPECT_EQ(Bytes(*a), Bytes(*r));
    }
}

TEST(Scale, MatchesOpenCVNearestForManySizes) {
  const Size sizes[] = {{1, 1}, {2, 2}, {3, 5}, {4, 4}, {7, 3}, {13, 17}, {31, 9}, {64, 48}, {99, 101}};
  for (LONG format : {ImageClass::kGrey, ImageClass::kColour})
    for (Size from : sizes)
      for (Size to : sizes) {
        auto source = RandomImage(from.w, from.h, format), target = RandomImage(to.w, to.h, format);
        ASSERT_TRUE(Scale(*source, *target));
        cv::Mat want;
        cv::resize(TopDown(*source), want, cv::Size(to.w, to.h), 0, 0, cv::INTER_NEAREST);
        ASSERT_TRUE(Equal(TopDown(*target), want)) << from.w << "x" << from.h << " to " << to.w << "x" << to.h;
      }
  auto source = RandomImage(4, 4, ImageClass::kGrey), target = RandomImage(2, 2, ImageClass::kGrey);
  Scale(*source, *target);
  EXPECT_EQ(target->Row(0)[0], source->Row(0)[0]);
  EXPECT_EQ(target->Row(0)[1], source->Row(0)[2]);
  EXPECT_EQ(target->Row(1)[0], source->Row(2)[0]);
  EXPECT_EQ(target->Row(1)[1], source->Row(2)[2]);
}

TEST(Area, SumsMatchOpenCVOverClippedAreas) {
  auto image = RandomImage(53, 37, ImageClass::kGrey);
  const cv::Mat pixels = TopDown(*image);
  std::uniform_int_distribution<LONG> coordinate(-20, 70);
  for (int i = 0; i < 500; ++i) {
    LONG c[4];
    for (LONG& v : c) v = coordinate(clipview::testing::Random());
    const LONG x0 = std::clamp<LONG>(c[0], 0, 53), x1 = std::clamp<LONG>(c[2], 0, 53);
    const LONG y0 = std::clamp<LONG>(c[1], 0, 37), y1 = std::clamp<LONG>(c[3], 0, 37);
    const bool empty = x0 >= x1 || y0 >= y1;
    const double want = empty ? 0 : cv::sum(pixels(cv::Rect(x0, y0, x1 - x0, y1 - y0)))[0];
    ASSERT_EQ(SumArea(*image, c[0], c[1], c[2], c[3]), static_cast<LONGLONG>(want));
    const LONG mean = empty ? 0 : static_cast<LONG>(static_cast<LONGLONG>(want) / ((x1 - x0) * (y1 - y0)));
    ASSERT_EQ(MeanArea(*image, c[0], c[1], c[2], c[3]), mean) << c[0] << "," << c[1] << " " << c[2] << "," << c[3];
  }
  const LONG kMax = std::numeric_limits<LONG>::max(), kMin = std::numeric_limits<LONG>::min();
  EXPECT_EQ(SumArea(*image, kMin, kMin, kMax, kMax), static_cast<LONGLONG>(cv::sum(pixels)[0]));
  EXPECT_EQ(SumArea(*image, 5, 0, 5, 37), 0);
}

TEST(Area, MeansOfUniformAndLargeImages) {
  ImageClass uniform;
  uniform.Init(9, 9, ImageClass::kGrey);
  std::fill(uniform.m_pData, uniform.m_pData + uniform.m_nSize, BYTE{7});
  EXPECT_EQ(MeanArea(uniform, 2, 2, 6, 5), 7);
  EXPECT_EQ(MeanArea(uniform, -100, -100, 5, 5), 7) << "divided by the pixels inside";
  // More than 2^31 in all: 4096 x 2100 pixels of 255.
  ImageClass large;
  large.Init(4096, 2100, ImageClass::kGrey);
  std::fill(large.m_pData, large.m_pData + large.m_nSize, BYTE{255});
  EXPECT_EQ(SumArea(large, 0, 0, 4096, 2100), 255LL * 4096 * 2100);
  EXPECT_EQ(MeanArea(large, 0, 0, 4096, 2100), 255);
  ImageClass colour;
  colour.Init(4, 4, ImageClass::kColour);
  std::fill(colour.m_pData, colour.m_pData + colour.m_nSize, BYTE{7});
  EXPECT_EQ(SumArea(colour, 0, 0, 4, 4), 0);
  EXPECT_EQ(MeanArea(colour, 0, 0, 4, 4), 0);
}

TEST(Normalize, StretchesThePixelRangeIgnoringPadding) {
  struct Case {
    std::vector<BYTE> pixels;
    SHORT min, max;
    std::vector<BYTE> want;
  } cases[] = {
      {{10, 20, 30}, 0, 100, {0, 50, 100}},
      {{10, 20, 30}, 0, 255, {0, 127, 255}},
      {{10, 20, 30}, 5, 100, {20, 60, 100}},          // (p + 5 - 10) * 100 / 25
      {{10, 20, 30}, 0, 1000, {0, 244, 232}},   // 500 and 1000: their low 8 bits
      {{10, 20, 30}, -10, 100, {156, 0, 100}},  // (p - 20) x 100 / 10: -100 keeps its low 8 bits
      {{77, 77, 77}, 0, 100, {0, 0, 0}},        // divisor 0
      {{0, 255, 128}, 0, -50, {0, 206, 231}},   // -50 and -25.1 truncated to -25
  };
  for (const Case& c : cases) {
    ImageClass source, result;
    source.Init(3, 1, ImageClass::kGrey);
    result.Init(3, 1, ImageClass::kGrey);
    std::copy(c.pixels.begin(), c.pixels.end(), source.m_pData);
    source.m_pData[3] = 0;  // padding outside the pixels' range must not count
    ASSERT_TRUE(Normalize(source, c.min, c.max, result));
    EXPECT_EQ(std::vector<BYTE>(result.m_pData, result.m_pData + 3), c.want) << c.min << " " << c.max;
    source.m_pData[3] = 255;
    ASSERT_TRUE(Normalize(source, c.min, c.max, source));  // in place
    EXPECT_EQ(std::vector<BYTE>(source.m_pData, source.m_pData + 3), c.want);
  }
}

}  // namespace
