// Drawing objects behind handles (HBITMAP and the other GDI handles): each
// is a Platform::GdiObject kept in a process-wide table, so GetObject and
// DeleteObject work for every kind and refuse handles that name nothing.
// The drawing surface (platform_graphics), a library of its own, keeps its
// contexts, sections and fonts itself and answers for them through a
// handler it adds here. The bitmap records are the drawing surface's
// (platform/graphics/bitmap.h, a header of records only).
//
// A bitmap here is always device-independent: its bits stay in memory in
// the layout of a BMP file (rows bottom-up unless the height is negative,
// each row padded to four bytes).
#ifndef PLATFORM_RESOURCES_GDIOBJECT_H
#define PLATFORM_RESOURCES_GDIOBJECT_H

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/types.h"

using HGDIOBJ = void*;

// What GetObject answers for a bitmap.
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

// Copies the object's description (a BITMAP for a bitmap) into buffer, at
// most size bytes; answers the bytes written, or the size needed when
// buffer is null; 0 for a handle that names no object.
PLATFORM_API int GetObject(HGDIOBJ object, int size, LPVOID buffer);
// Destroys the object; FALSE for a handle that names none.
PLATFORM_API BOOL DeleteObject(HGDIOBJ object);

namespace Platform {

// A library that keeps drawing objects of its own: asked in turn about
// every handle this table does not hold (either function may be null).
struct GdiHandler {
  BOOL (*deleteObject)(HGDIOBJ object);
  int (*getObject)(HGDIOBJ object, int size, LPVOID buffer);
};
PLATFORM_API void AddGdiHandler(const GdiHandler& handler);

class PLATFORM_API GdiObject {
public:
  virtual ~GdiObject();
  // GetObject's answer for this object.
  virtual int Describe(int size, void* buffer) const = 0;
};

// Takes over object and answers its handle (null when object is null).
PLATFORM_API HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object);
// The object behind a handle; null when the handle names none. The object
// stays valid until DeleteObject.
PLATFORM_API GdiObject* FindGdiObject(HGDIOBJ handle);

class PLATFORM_API DibBitmap final : public GdiObject {
public:
  // The header is taken with its height; colours may be empty for 16, 24
  // and 32 bits; bits hold Stride() * |height| bytes.
  DibBitmap(const BITMAPINFOHEADER& header, std::vector<RGBQUAD> colours, std::vector<BYTE> bits);
  int Describe(int size, void* buffer) const override;

  const BITMAPINFOHEADER& Header() const { return m_header; }
  const std::vector<RGBQUAD>& Colours() const { return m_colours; }
  std::vector<BYTE>& Bits() { return m_bits; }
  const std::vector<BYTE>& Bits() const { return m_bits; }
  LONG Width() const { return m_header.biWidth; }
  // Always positive; the header's sign says which way the rows run.
  LONG Height() const { return m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight; }
  LONG Stride() const;

private:
  BITMAPINFOHEADER m_header;
  std::vector<RGBQUAD> m_colours;
  std::vector<BYTE> m_bits;
};

// The bitmap behind a handle; null for another kind or no object.
PLATFORM_API DibBitmap* FindBitmap(HBITMAP handle);

// A bitmap from a packed DIB (an info header, its colour table or bit
// masks, then the bits: what a BMP file holds after its file header and
// what a bitmap resource holds). Null for malformed or truncated data, or
// a picture larger than 32768 pixels on a side.
PLATFORM_API HBITMAP CreateBitmapFromPackedDib(const void* data, std::size_t size);
// The same from the bytes of a whole BMP file.
PLATFORM_API HBITMAP CreateBitmapFromFile(const void* data, std::size_t size);

} // namespace Platform

#endif
