// Device-independent bitmaps: the header and colour-table records that
// describe a pixel buffer, laid out as stored in bitmap files and passed to
// the drawing surface.
#ifndef PLATFORM_GRAPHICS_BITMAP_H
#define PLATFORM_GRAPHICS_BITMAP_H

#include "platform/types.h"

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: rows stored bottom-up; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;  // 0: the full table of 2^bits entries
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the bitmap header keeps its stored size");

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

// A header with room for a full 8-bit colour table, so that no code indexes
// past a one-entry array.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;  // "BM"
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14, "the file header keeps its stored size");

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

// Bytes per row of a DIB: rows are padded to a multiple of four bytes.
constexpr LONGLONG DibStride(LONGLONG width, LONGLONG bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

#endif
