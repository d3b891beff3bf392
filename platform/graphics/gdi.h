// A drawing surface for device-independent bitmaps: memory device contexts,
// DIB sections whose pixels the caller can read and write, fonts found
// through fontconfig and drawn with FreeType, and block copies between
// contexts. There is no screen: every context is a memory context, and a
// context draws into the bitmap selected into it.
//
// Text is drawn without anti-aliasing, so every painted pixel has exactly
// the text colour (on a bitmap with a colour table: the nearest entry), and
// the reference point of a text is the top left of its cell. Text is UTF-8.
#ifndef PLATFORM_GRAPHICS_GDI_H
#define PLATFORM_GRAPHICS_GDI_H

#include "platform/graphics/bitmap.h"
#include "platform/types.h"

using HGDIOBJ = void*;

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Raster operations (only the plain copy is offered).
#define SRCCOPY 0x00CC0020u

// Font weights and the creation parameters the products pass.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0
#define LF_FACESIZE 32

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu

struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

// A memory context; the argument (a context to be compatible with) may be
// null. A new context has a 1 x 1 stock bitmap, the default font (a sans
// serif face, 13 pixels to the em), black text on an opaque white
// background.
PLATFORM_API HDC CreateCompatibleDC(HDC hdc);
PLATFORM_API BOOL DeleteDC(HDC hdc);

// A bitmap of 8, 24 or 32 bits per pixel, uncompressed, rows padded to four
// bytes and ordered as the header's height says; *bits receives the
// zeroed pixel buffer, which lives as long as the bitmap. Sections backed by
// a file mapping are not offered: section must be null.
PLATFORM_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                      DWORD offset);

// height < 0: character height (the em) of -height pixels; height > 0: cell
// height; 0: the default size. Escapement, orientation, underline,
// strike-out, character set, precisions, quality and pitch are accepted and
// not used. Null when no font file can be found or opened.
PLATFORM_API HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                               DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                               DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);

// Selects a bitmap or a font and answers the one it replaces (null when
// either handle is unknown). A bitmap is selected into one context at a
// time; a selected object cannot be deleted.
PLATFORM_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
PLATFORM_API BOOL DeleteObject(HGDIOBJ object);

PLATFORM_API int SetBkMode(HDC hdc, int mode);  // 0 on failure
PLATFORM_API COLORREF SetBkColor(HDC hdc, COLORREF colour);
PLATFORM_API COLORREF SetTextColor(HDC hdc, COLORREF colour);

// Draws count bytes of UTF-8 text with its cell's top left at (x, y),
// clipped to the selected bitmap.
PLATFORM_API BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);
PLATFORM_API BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics);
PLATFORM_API BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* size);

// Copies a block of pixels (SRCCOPY only) from the source context's bitmap
// to the destination's, converting between the bitmaps' formats, clipped to
// both bitmaps.
PLATFORM_API BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                         DWORD rop);

// The colour at a point of the selected bitmap; CLR_INVALID outside it.
PLATFORM_API COLORREF GetPixel(HDC hdc, int x, int y);

#define CreateFont CreateFontA
#define TextOut TextOutA
#define GetTextMetrics GetTextMetricsA
#define GetTextExtentPoint32 GetTextExtentPoint32A

#endif
