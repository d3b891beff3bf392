// The image that a container hands to the control: an 8-bit grey or 24-bit
// colour device-independent bitmap, stored bottom-up with rows padded to
// four bytes, with its header, a table of row offsets for top-down
// addressing and a text style for annotations.
//
// Containers and the control meet through handles: every image has a
// 32-bit handle from the moment it is constructed until it is destroyed,
// and ImageClass::FromHandle finds the live image of a handle (null for 0
// and for any handle no live image has). A handle is not an address, so it
// fits the control's 32-bit arguments and an unknown one is never followed.
#ifndef CLIPVIEW_IMAGE_H
#define CLIPVIEW_IMAGE_H

#include <string>

#include "clipview/api.h"
#include "platform/graphics/bitmap.h"
#include "platform/types.h"

class CLIPVIEW_API ImageClass {
 public:
  enum : LONG { kColour = 0, kGrey = 1 };

  ImageClass();
  ~ImageClass();
  ImageClass(const ImageClass&) = delete;
  ImageClass& operator=(const ImageClass&) = delete;

  LONG Handle() const { return m_nHandle; }
  static ImageClass* FromHandle(LONG handle);

  // Allocates a zeroed buffer for width x height pixels of the format
  // (kColour or kGrey). Refused, leaving the image as it was, for a
  // non-positive size, an unknown format or a buffer beyond 2^31 - 1 bytes.
  BOOL Init(LONG width, LONG height, LONG format);
  BOOL InitLike(const ImageClass& other);
  BOOL SameSize(const ImageClass& other) const;
  // Copies the pixels into an image of the same size and format.
  BOOL CopyTo(ImageClass& other) const;

  // The colour is taken byte by byte; the size is kept between 1 and 100.
  BOOL SetTextStyle(const char* fontName, LONG fontSize, int red, int green, int blue);
  // UTF-8 text with its cell's top left at (x, y), y from the top, clipped.
  BOOL DrawText(const char* text, LONG x, LONG y);
  BOOL DrawDateTime(LONG x, LONG y);
  // Bresenham, end points included, clipped; grey images get the mean of
  // the three bytes.
  BOOL DrawLine(LONG x0, LONG y0, LONG x1, LONG y1, int blue, int green, int red);

  bool HasPixels() const { return m_pData != nullptr; }
  BYTE* Row(LONG y) const { return m_pData + m_pRowOffsets[y]; }
  int BytesPerPixel() const { return m_nFormat == kGrey ? 1 : 3; }

  // The layout containers read and write (pixels through m_pData and the
  // row offsets); only Init changes the sizes.
  BYTE* m_pData = nullptr;
  LONG m_nWidth = 0;
  LONG m_nStride = 0;
  LONG m_nHeight = 0;
  LONG m_nSize = 0;
  LONG m_nFormat = kColour;
  BITMAPINFO* m_pInfo = nullptr;
  LONG* m_pRowOffsets = nullptr;
  COLORREF m_crText = 0;
  std::string m_strFontName = "arial";
  LONG m_nFontSize = 12;
  HFONT m_pFont = nullptr;

 private:
  LONG m_nHandle = 0;
};

// Reports of the diagnostic trace channel: "%s %d " after the date and time.
// The channel starts switched off and nothing in the control switches it
// on; a program that does receives the messages through its sink.
class CLIPVIEW_API TraceChannel {
 public:
  using Sink = void (*)(const std::string& message);
  static TraceChannel& Instance();
  void Enable(bool on, Sink sink);
  void SetTimestamp(bool on);
  void Report(const char* text, int number);

 private:
  bool m_on = false;
  bool m_timestamp = true;
  Sink m_sink = nullptr;
};

#endif
