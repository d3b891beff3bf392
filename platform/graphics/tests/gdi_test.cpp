#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphics/gdi.h"

namespace {

BITMAPINFO Header(LONG width, LONG height, WORD bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bits;
  info.bmiHeader.biCompression = BI_RGB;
  for (int i = 0; i < 256; ++i) info.bmiColors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
  return info;
}

// A context drawing into a fresh DIB section; cleans up after itself.
struct Surface {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  BYTE* bits = nullptr;
  LONG width, height, stride;
  WORD bpp;
  Surface(LONG w, LONG h, WORD b, BYTE fill = 0) : width(w), height(h), bpp(b) {
    BITMAPINFO info = Header(w, h, b);
    void* p = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
    stride = static_cast<LONG>(DibStride(w, b));
    std::fill(bits, bits + stride * h, fill);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  // Pixel bytes of (x, y), y from the top (the section is bottom-up).
  BYTE* At(LONG x, LONG y) const { return bits + (height - 1 - y) * stride + x * (bpp / 8); }
};

TEST(DibSection, RefusesWhatItCannotHoldAndZeroesWhatItMakes) {
  struct Case {
    LONG width, height;
    WORD bits;
    DWORD compression;
    bool made;
  } cases[] = {
      {10, 2, 24, BI_RGB, true},      {10, -2, 8, BI_RGB, true},   {3, 3, 32, BI_RGB, true},
      {0, 2, 24, BI_RGB, false},      {10, 0, 24, BI_RGB, false},  {-4, 2, 24, BI_RGB, false},
      {10, 2, 4, BI_RGB, false},      {10, 2, 24, BI_RLE8, false}, {0x7FFFFFFF, 2, 24, BI_RGB, false},
      {65536, 65536, 8, BI_RGB, false},
  };
  for (const Case& c : cases) {
    BITMAPINFO info = Header(c.width, c.height, c.bits);
    info.bmiHeader.biCompression = c.compression;
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_EQ(bitmap != nullptr, c.made) << c.width << "x" << c.height << " " << c.bits;
    if (!bitmap) {
      EXPECT_EQ(bits, nullptr);
      continue;
    }
    const auto size = DibStride(c.width, c.bits) * (c.height < 0 ? -c.height : c.height);
    const auto* p = static_cast<const BYTE*>(bits);
    EXPECT_TRUE(std::all_of(p, p + size, [](BYTE b) { return b == 0; }));
    EXPECT_TRUE(DeleteObject(bitmap));
  }
}

// A larger header than the classic one still has its colour table after
// it; a header of a size no format has is refused, not read past.
TEST(DibSection, TakesTheColourTableFromAfterAHeaderOfAKnownSize) {
  for (DWORD headerSize : {DWORD{sizeof(BITMAPINFOHEADER)}, DWORD{124}, DWORD{41}, DWORD{4000}}) {
    SCOPED_TRACE(headerSize);
    std::vector<BYTE> block(headerSize + 2 * sizeof(RGBQUAD), 0xAB);
    BITMAPINFOHEADER header = Header(2, 1, 8).bmiHeader;
    header.biSize = headerSize;
    header.biClrUsed = 2;
    std::memcpy(block.data(), &header, sizeof header);
    const RGBQUAD colours[2] = {{0, 0, 0, 0}, {0x30, 0x20, 0x10, 0}};
    std::memcpy(block.data() + headerSize, colours, sizeof colours);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(block.data()), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    if (headerSize != sizeof(BITMAPINFOHEADER) && headerSize != 124) {
      EXPECT_EQ(bitmap, nullptr);
      continue;
    }
    ASSERT_NE(bitmap, nullptr);
    static_cast<BYTE*>(bits)[0] = 1;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x10, 0x20, 0x30));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
}

TEST(Handles, UnknownOrBusyHandlesAreRefused) {
  int junk = 0;
  HDC bogusDC = reinterpret_cast<HDC>(&junk);
  Surface s(4, 4, 24);
  EXPECT_EQ(SelectObject(bogusDC, s.bitmap), nullptr);
  EXPECT_EQ(SelectObject(s.dc, &junk), nullptr);
  EXPECT_FALSE(DeleteObject(&junk));
  EXPECT_FALSE(DeleteDC(bogusDC));
  EXPECT_FALSE(TextOutA(bogusDC, 0, 0, "a", 1));
  EXPECT_FALSE(BitBlt(s.dc, 0, 0, 1, 1, bogusDC, 0, 0, SRCCOPY));
  // A bitmap in use stays: neither deleted nor selected into a second context.
  EXPECT_FALSE(DeleteObject(s.bitmap));
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, s.bitmap), nullptr);
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_EQ(GetPixel(s.dc, 4, 0), CLR_INVALID);
}

TEST(Text, CapitalsStandOnTheBaselineAndGrowWithTheFontSize) {
  int previousHeight = 0;
  for (int em : {10, 20, 40}) {
    Surface s(200, 80, 8, 0);
    HFONT font = CreateFontA(-em, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    HGDIOBJ oldFont = SelectObject(s.dc, font);
    SetBkMode(s.dc, TRANSPARENT);
    SetTextColor(s.dc, RGB(255, 255, 255));
    TextOutA(s.dc, 3, 5, "HH", 2);
    TEXTMETRICA tm{};
    GetTextMetricsA(s.dc, &tm);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, em);
    int first = -1, last = -1;
    for (LONG y = 0; y < s.height; ++y)
      for (LONG x = 0; x < s.width; ++x)
        if (*s.At(x, y)) {
          if (first < 0) first = y;
          last = y;
        }
    EXPECT_EQ(last, 5 + tm.tmAscent - 1) << "H ends on the baseline";
    EXPECT_GT(last - first + 1, previousHeight);
    previousHeight = last - first + 1;
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(s.dc, "HH", 2, &extent));
    EXPECT_EQ(extent.cy, tm.tmHeight);
    SelectObject(s.dc, oldFont);
    DeleteObject(font);
  }
}

TEST(Text, OpaqueBackgroundFillsTheCell) {
  Surface s(40, 30, 24, 0);
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, RGB(0, 0, 255));
  SetTextColor(s.dc, RGB(255, 0, 0));
  TextOutA(s.dc, 2, 3, "ab", 2);
  SIZE extent{};
  GetTextExtentPoint32A(s.dc, "ab", 2, &extent);
  for (LONG y = 0; y < s.height; ++y)
    for (LONG x = 0; x < s.width; ++x) {
      const bool inCell = x >= 2 && x < 2 + extent.cx && y >= 3 && y < 3 + extent.cy;
      const COLORREF c = GetPixel(s.dc, x, y);
      if (inCell) {
        EXPECT_TRUE(c == RGB(0, 0, 255) || c == RGB(255, 0, 0)) << x << "," << y;
      } else {
        EXPECT_EQ(c, 0u) << x << "," << y;
      }
    }
}

TEST(BitBlt, CopiesColoursAcrossFormatsClippedToBoth) {
  Surface grey(6, 5, 8);
  for (LONG y = 0; y < 5; ++y)
    for (LONG x = 0; x < 6; ++x) *grey.At(x, y) = static_cast<BYTE>(10 * y + x);
  Surface colour(4, 4, 24, 0xEE);
  ASSERT_TRUE(BitBlt(colour.dc, -1, 1, 6, 6, grey.dc, 0, 0, SRCCOPY));
  for (LONG y = 0; y < 4; ++y)
    for (LONG x = 0; x < 4; ++x) {
      const COLORREF want = y == 0 ? RGB(0xEE, 0xEE, 0xEE) : RGB(10 * (y - 1) + x + 1, 10 * (y - 1) + x + 1, 10 * (y - 1) + x + 1);
      EXPECT_EQ(GetPixel(colour.dc, x, y), want) << x << "," << y;
    }
  // And back: a colour lands on the nearest grey of the table.
  Surface target(2, 2, 8);
  *colour.At(0, 0) = 91, colour.At(0, 0)[1] = 60, colour.At(0, 0)[2] = 30;
  ASSERT_TRUE(BitBlt(target.dc, 0, 0, 1, 1, colour.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(*target.At(0, 0), 60);
  EXPECT_FALSE(BitBlt(target.dc, 0, 0, 1, 1, colour.dc, 0, 0, 0x00EE0086));
}

}  // namespace
