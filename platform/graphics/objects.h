// The drawing objects behind the handles of the drawing surface, shared by
// the surface (gdi.cpp) and text drawing (text.cpp). Every handle is checked
// against the table of live objects before it is used.
#ifndef PLATFORM_GRAPHICS_OBJECTS_H
#define PLATFORM_GRAPHICS_OBJECTS_H

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/graphics/gdi.h"

namespace platform::graphics {

struct GdiObject {
  enum class Kind { Bitmap, Font };
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  Kind kind;
  bool stock = false;
  int selections = 0;  // contexts it is selected into
};

struct Bitmap : GdiObject {
  Bitmap() : GdiObject(Kind::Bitmap) {}
  LONG width = 0;
  LONG height = 0;
  bool bottomUp = true;
  int bitsPerPixel = 0;
  LONG stride = 0;
  std::vector<RGBQUAD> colours;  // the colour table of 8-bit bitmaps
  std::unique_ptr<BYTE[]> pixels;

  BYTE* Row(LONG y) const { return pixels.get() + (bottomUp ? height - 1 - y : y) * static_cast<std::ptrdiff_t>(stride); }
  // The value stored for a colour: the colour itself, or the index of the
  // nearest entry of the colour table.
  DWORD Encode(COLORREF colour) const;
  void Put(LONG x, LONG y, DWORD value) const;
  COLORREF Get(LONG x, LONG y) const;
};

struct FontFace;  // FreeType state, text.cpp

struct Font : GdiObject {
  Font();
  ~Font() override;
  std::unique_ptr<FontFace> face;
};

}  // namespace platform::graphics

struct HDC__ {
  platform::graphics::Bitmap* bitmap = nullptr;
  platform::graphics::Font* font = nullptr;
  COLORREF textColour = 0;
  COLORREF backColour = 0x00FFFFFF;
  int backMode = OPAQUE;
};

namespace platform::graphics {

// The lock over the object table; text drawing also holds it, which keeps
// FreeType (not thread-safe per library) to one thread at a time.
std::recursive_mutex& SurfaceLock();
HDC__* FindDC(HDC hdc);
GdiObject* FindObject(HGDIOBJ object);
void Register(GdiObject* object);

// Made once, never deleted: the default font of every context. Null when no
// font at all can be opened.
Font* DefaultFont();
std::unique_ptr<Font> MakeFont(int height, int weight, bool italic, const std::string& family);
bool DrawText(HDC__& dc, int x, int y, const char* text, int count);
bool Metrics(const Font& font, TEXTMETRICA& metrics);
bool Extent(const Font& font, const char* text, int count, SIZE& size);

}  // namespace platform::graphics

#endif
