#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "clipview/image.h"
#include "clipview/tests/support.h"

using clipview::testing::Bytes;
using clipview::testing::RandomImage;

namespace {

TEST(Image, InitLaysOutZeroedBottomUpRowsOrRefusesAndKeepsTheImage) {
  struct Case {
    LONG width, height, format;
    bool made;
    LONG stride;
  } cases[] = {
      {10, 2, ImageClass::kColour, true, 32}, {10, 2, ImageClass::kGrey, true, 12}, {1, 1, ImageClass::kGrey, true, 4},
      {7, 5, ImageClass::kColour, true, 24},  {0, 5, ImageClass::kGrey, false, 0},  {5, -1, ImageClass::kGrey, false, 0},
      {5, 5, 2, false, 0},                    {5, 5, -1, false, 0},
      {0x7FFFFFFF, 2, ImageClass::kColour, false, 0},  // the stride alone needs 33 bits
      {50000, 50000, ImageClass::kGrey, false, 0},     // stride x height beyond 2^31 - 1
  };
  for (const Case& c : cases) {
    ImageClass image;
    ASSERT_TRUE(image.Init(3, 3, ImageClass::kGrey));
    std::fill(image.m_pData, image.m_pData + image.m_nSize, BYTE{9});
    const BYTE* before = image.m_pData;
    EXPECT_EQ(image.Init(c.width, c.height, c.format) == TRUE, c.made) << c.width << "x" << c.height;
    if (!c.made) {
      EXPECT_EQ(image.m_pData, before);
      EXPECT_EQ(image.m_nWidth, 3);
      EXPECT_EQ(Bytes(image), std::vector<BYTE>(12, 9));
      continue;
    }
    EXPECT_EQ(image.m_nStride, c.stride);
    EXPECT_EQ(image.m_nSize, c.stride * c.height);
    EXPECT_EQ(Bytes(image), std::vector<BYTE>(static_cast<std::size_t>(image.m_nSize), 0));
    EXPECT_EQ(image.m_pRowOffsets[0], (c.height - 1) * c.stride);
    EXPECT_EQ(image.m_pRowOffsets[c.height - 1], 0);
    const BITMAPINFOHEADER& h = image.m_pInfo->bmiHeader;
    EXPECT_EQ(h.biHeight, c.height);
    EXPECT_EQ(h.biBitCount, c.format == ImageClass::kGrey ? 8 : 24);
    EXPECT_EQ(h.biSizeImage, static_cast<DWORD>(image.m_nSize));
    EXPECT_EQ(h.biClrUsed, c.format == ImageClass::kGrey ? 256u : 0u);
    EXPECT_EQ(image.m_pInfo->bmiColors[200].rgbGreen, c.format == ImageClass::kGrey ? 200 : 0);
  }
}

TEST(Image, HandlesNameLiveImagesOnly) {
  std::set<LONG> handles;
  LONG gone = 0;
  {
    ImageClass a, b;
    gone = a.Handle();
    handles = {a.Handle(), b.Handle()};
    EXPECT_EQ(handles.size(), 2u);
    EXPECT_EQ(ImageClass::FromHandle(a.Handle()), &a);
    EXPECT_EQ(ImageClass::FromHandle(b.Handle()), &b);
  }
  EXPECT_EQ(ImageClass::FromHandle(gone), nullptr);
  EXPECT_EQ(ImageClass::FromHandle(0), nullptr);
  ImageClass c;
  EXPECT_EQ(handles.count(c.Handle()), 0u) << "a handle is not handed out again at once";
}

TEST(Image, CopyToNeedsPixelsOfOneSizeAndFormat) {
  struct Case {
    LONG w, h, format;
    bool copied;
  } cases[] = {
      {9, 4, ImageClass::kGrey, true}, {9, 4, ImageClass::kColour, false}, {9, 5, ImageClass::kGrey, false},
      {8, 4, ImageClass::kGrey, false}, {0, 0, 0, false},
  };
  for (const Case& c : cases) {
    auto source = RandomImage(9, 4, ImageClass::kGrey);
    auto target = c.w ? RandomImage(c.w, c.h, c.format) : std::make_unique<ImageClass>();
    const auto before = Bytes(*target);
    EXPECT_EQ(source->CopyTo(*target) == TRUE, c.copied);
    EXPECT_EQ(Bytes(*target), c.copied ? Bytes(*source) : before);
  }
  ImageClass empty;
  auto target = RandomImage(9, 4, ImageClass::kGrey);
  EXPECT_FALSE(empty.CopyTo(*target));
}

// What text drawing changes: the pixels it paints take exactly the text
// colour (grey images: the nearest grey), nothing outside the image or in
// row padding changes, and the glyphs lie below the reference point.
TEST(Image, TextPaintsTheStyleColourInsideTheImage) {
  struct Case {
    LONG format;
    int r, g, b;
    LONG x, y;
  } cases[] = {
      {ImageClass::kColour, 250, 3, 90, 2, 1}, {ImageClass::kGrey, 30, 60, 91, 0, 0}, {ImageClass::kGrey, 30, 60, 92, 3, 4},
      {ImageClass::kColour, 1, 2, 3, -4, -7},  {ImageClass::kGrey, 255, 255, 255, 30, 14},
  };
  for (const Case& c : cases) {
    auto image = RandomImage(37, 21, c.format);
    const auto before = Bytes(*image);
    image->SetTextStyle("DejaVu Sans", 15, c.r, c.g, c.b);
    ASSERT_TRUE(image->DrawText("Wy8", c.x, c.y));
    const auto after = Bytes(*image);
    const BYTE grey = static_cast<BYTE>((c.r + c.g + c.b + 1) / 3);
    int changed = 0;
    for (LONG y = 0; y < image->m_nHeight; ++y) {
      const LONG offset = image->m_pRowOffsets[y];
      for (LONG i = 0; i < image->m_nStride; ++i) {
        if (after[offset + i] == before[offset + i]) continue;
        ++changed;
        ASSERT_LT(i, image->m_nWidth * image->BytesPerPixel()) << "padding changed";
        ASSERT_GE(y, c.y) << "painted above the text's top";
        const int channel = i % image->BytesPerPixel();
        const BYTE want = c.format == ImageClass::kGrey ? grey : channel == 0 ? c.b : channel == 1 ? c.g : c.r;
        ASSERT_EQ(after[offset + i], want);
      }
    }
    EXPECT_GT(changed, 0);
  }
}

// A snapshot of the grey pixels that text of a style leaves on a black image.
std::vector<BYTE> Drawn(const char* family, LONG size, const char* text = "Hamburg 42") {
  ImageClass image;
  image.Init(120, 40, ImageClass::kGrey);
  image.SetTextStyle(family, size, 255, 255, 255);
  image.DrawText(text, 2, 3);
  return Bytes(image);
}

TEST(Image, TextStyleChoosesFamilyAndClampedSize) {
  EXPECT_NE(Drawn("DejaVu Sans", 14), Drawn("DejaVu Serif", 14));
  EXPECT_NE(Drawn("DejaVu Sans", 14), Drawn("DejaVu Sans", 20));
  EXPECT_EQ(Drawn("DejaVu Sans", 0), Drawn("DejaVu Sans", 1));
  EXPECT_EQ(Drawn("DejaVu Sans", 250), Drawn("DejaVu Sans", 100));
  ImageClass image;
  image.SetTextStyle("x", 0, 0, 0, 0);
  EXPECT_EQ(image.m_nFontSize, 1);
  image.SetTextStyle("x", 250, 300, -1, 7);
  EXPECT_EQ(image.m_nFontSize, 100);
  EXPECT_EQ(image.m_crText, RGB(44, 255, 7));
  // Bytes that are no UTF-8 draw something and stop nothing.
  EXPECT_NE(Drawn("DejaVu Sans", 14, "\xff\xfe"), Drawn("DejaVu Sans", 14, ""));
}

TEST(Image, DrawingWithoutPixelsFails) {
  ImageClass image;
  EXPECT_FALSE(image.DrawText("a", 0, 0));
  EXPECT_FALSE(image.DrawDateTime(0, 0));
  EXPECT_FALSE(image.DrawLine(0, 0, 5, 5, 1, 2, 3));
  ImageClass drawn;
  drawn.Init(200, 30, ImageClass::kGrey);
  drawn.SetTextStyle("DejaVu Sans", 12, 255, 255, 255);
  EXPECT_TRUE(drawn.DrawDateTime(1, 1));
  EXPECT_TRUE(std::any_of(drawn.m_pData, drawn.m_pData + drawn.m_nSize, [](BYTE b) { return b != 0; }));
}

// The plain walk, every point, in 64 bits: what a clipped line must equal.
std::set<std::pair<LONG, LONG>> PlainWalk(LONGLONG x0, LONGLONG y0, LONGLONG x1, LONGLONG y1, LONG w, LONG h) {
  std::set<std::pair<LONG, LONG>> points;
  const LONGLONG sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
  const LONGLONG dx2 = 2 * std::abs(x1 - x0), dy2 = 2 * std::abs(y1 - y0);
  LONGLONG x = x0, y = y0;
  auto plot = [&] {
    if (x >= 0 && y >= 0 && x < w && y < h) points.emplace(static_cast<LONG>(x), static_cast<LONG>(y));
  };
  if (dy2 < dx2) {
    for (LONGLONG e = dy2 - dx2 / 2;; x += sx, e += dy2) {
      plot();
      if (x == x1) break;
      if (e >= 0) y += sy, e -= dx2;
    }
  } else {
    for (LONGLONG e = dx2 - dy2 / 2;; y += sy, e += dx2) {
      plot();
      if (y == y1) break;
      if (e >= 0) x += sx, e -= dy2;
    }
  }
  return points;
}

std::set<std::pair<LONG, LONG>> Plotted(const ImageClass& image) {
  std::set<std::pair<LONG, LONG>> points;
  for (LONG y = 0; y < image.m_nHeight; ++y)
    for (LONG x = 0; x < image.m_nWidth; ++x)
      if (image.Row(y)[x]) points.emplace(x, y);
  return points;
}

TEST(Image, ClippedLinesPlotThePointsOfThePlainWalk) {
  ImageClass image;
  image.Init(4, 2, ImageClass::kGrey);
  image.DrawLine(0, 0, 3, 1, 30, 60, 91);
  EXPECT_EQ(Plotted(image), (std::set<std::pair<LONG, LONG>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(image.Row(1)[2], 60);
  image.Init(4, 2, ImageClass::kGrey);
  image.DrawLine(2, 1, 2, 1, 9, 9, 9);
  EXPECT_EQ(Plotted(image), (std::set<std::pair<LONG, LONG>>{{2, 1}}));

  std::uniform_int_distribution<LONG> coordinate(-120, 160);
  for (int i = 0; i < 3000; ++i) {
    const LONG x0 = coordinate(clipview::testing::Random()), y0 = coordinate(clipview::testing::Random());
    const LONG x1 = coordinate(clipview::testing::Random()), y1 = coordinate(clipview::testing::Random());
    image.Init(41, 29, ImageClass::kGrey);
    image.DrawLine(x0, y0, x1, y1, 255, 255, 255);
    ASSERT_EQ(Plotted(image), PlainWalk(x0, y0, x1, y1, 41, 29)) << x0 << "," << y0 << " " << x1 << "," << y1;
  }
}

// Lines whose ends are far outside: the walk must neither take billions of
// steps nor overflow, and each plotted point lies within half a pixel of
// the true line, one per step of the major axis.
TEST(Image, FarLinesStayOnTheTrueLine) {
  const LONG kMin = std::numeric_limits<LONG>::min(), kMax = std::numeric_limits<LONG>::max();
  struct Case {
    LONG x0, y0, x1, y1;
  } cases[] = {
      {kMin, 10, kMax, 20},       {kMin, kMin, kMax, kMax},    {kMax, kMin + 7, kMin, kMax - 3},
      {17, kMin, 23, kMax},       {-1000000000, 5, 1500000000, 30}, {kMin, 0, kMax, 0},
      {5, 5, kMax, kMax - 1000000}, {kMax, 20, 0, 20},
  };
  for (const Case& c : cases) {
    auto image = std::make_unique<ImageClass>();
    image->Init(64, 48, ImageClass::kColour);
    ASSERT_TRUE(image->DrawLine(c.x0, c.y0, c.x1, c.y1, 1, 2, 3));
    const long double dx = static_cast<long double>(c.x1) - c.x0, dy = static_cast<long double>(c.y1) - c.y0;
    const bool xMajor = std::abs(dy) < std::abs(dx);
    std::set<LONG> majors;
    int plotted = 0;
    for (LONG y = 0; y < 48; ++y)
      for (LONG x = 0; x < 64; ++x) {
        const BYTE* p = image->Row(y) + 3 * x;
        if (!p[0]) continue;
        ASSERT_TRUE(p[0] == 1 && p[1] == 2 && p[2] == 3);
        ++plotted;
        const long double along = xMajor ? x - static_cast<long double>(c.x0) : y - static_cast<long double>(c.y0);
        const long double ideal = (xMajor ? c.y0 + along * dy / dx : c.x0 + along * dx / dy);
        EXPECT_LE(std::abs((xMajor ? y : x) - ideal), 0.5L + 1e-6L) << x << "," << y;
        majors.insert(xMajor ? x : y);
      }
    EXPECT_EQ(static_cast<std::size_t>(plotted), majors.size()) << "one point per major step";
    EXPECT_GT(plotted, 0);
  }
}

}  // namespace
