// Memory contexts, DIB sections, selection and block copies.
#include <algorithm>
#include <limits>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/graphics/objects.h"
#include "platform/resources/gdiobject.h"

namespace platform::graphics {

namespace {

struct Table {
  std::unordered_set<HDC__*> contexts;
  std::unordered_map<const void*, GdiObject*> objects;
};

Table& Objects() {
  static Table* table = new Table;  // never destroyed: handles may outlive static destructors
  return *table;
}

Bitmap* StockBitmap() {
  static Bitmap* stock = [] {
    auto* b = new Bitmap;
    b->stock = true;
    b->width = b->height = 1;
    b->bitsPerPixel = 32;
    b->stride = 4;
    b->pixels.reset(new BYTE[4]());
    Register(b);
    return b;
  }();
  return stock;
}

// Rows can be copied as bytes: equal depth and, with a table, equal colours.
bool SameFormat(const Bitmap& a, const Bitmap& b) {
  if (a.bitsPerPixel != b.bitsPerPixel) return false;
  if (a.bitsPerPixel > 8) return true;
  return std::equal(a.colours.begin(), a.colours.end(), b.colours.begin(), b.colours.end(),
                    [](const RGBQUAD& p, const RGBQUAD& q) {
                      return p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue;
                    });
}

}  // namespace

std::recursive_mutex& SurfaceLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;
  return *lock;
}

HDC__* FindDC(HDC hdc) { return Objects().contexts.count(hdc) ? hdc : nullptr; }

GdiObject* FindObject(HGDIOBJ object) {
  auto& objects = Objects().objects;
  auto it = objects.find(object);
  return it == objects.end() ? nullptr : it->second;
}

// Handles are the addresses of the derived objects, which is what callers
// hold (HBITMAP, HFONT) and pass back as HGDIOBJ.
void Register(GdiObject* object) {
  const void* key = object->kind == GdiObject::Kind::Bitmap ? static_cast<const void*>(static_cast<Bitmap*>(object))
                                                             : static_cast<const void*>(static_cast<Font*>(object));
  Objects().objects[key] = object;
}

DWORD Bitmap::Encode(COLORREF colour) const {
  const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  if (bitsPerPixel > 8) return static_cast<DWORD>(b | (g << 8) | (r << 16));
  DWORD best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < colours.size(); ++i) {
    const int dr = colours[i].rgbRed - r, dg = colours[i].rgbGreen - g, db = colours[i].rgbBlue - b;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<DWORD>(i);
    }
  }
  return best;
}

void Bitmap::Put(LONG x, LONG y, DWORD value) const {
  BYTE* p = Row(y);
  switch (bitsPerPixel) {
    case 8: p[x] = static_cast<BYTE>(value); break;
    case 24:
      p += 3 * static_cast<std::ptrdiff_t>(x);
      p[0] = static_cast<BYTE>(value), p[1] = static_cast<BYTE>(value >> 8), p[2] = static_cast<BYTE>(value >> 16);
      break;
    default:
      p += 4 * static_cast<std::ptrdiff_t>(x);
      p[0] = static_cast<BYTE>(value), p[1] = static_cast<BYTE>(value >> 8), p[2] = static_cast<BYTE>(value >> 16);
      p[3] = 0;
      break;
  }
}

COLORREF Bitmap::Get(LONG x, LONG y) const {
  const BYTE* p = Row(y);
  if (bitsPerPixel == 8) {
    const BYTE index = p[x];
    if (index >= colours.size()) return 0;
    const RGBQUAD& c = colours[index];
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
  }
  p += static_cast<std::ptrdiff_t>(x) * (bitsPerPixel / 8);
  return RGB(p[2], p[1], p[0]);
}

}  // namespace platform::graphics

using namespace platform::graphics;

HDC CreateCompatibleDC(HDC) {
  std::lock_guard guard(SurfaceLock());
  auto* dc = new (std::nothrow) HDC__;
  if (!dc) return nullptr;
  dc->bitmap = StockBitmap();
  dc->font = DefaultFont();
  Objects().contexts.insert(dc);
  return dc;
}

BOOL DeleteDC(HDC hdc) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  if (!dc) return FALSE;
  if (dc->bitmap) --dc->bitmap->selections;
  if (dc->font) --dc->font->selections;
  Objects().contexts.erase(dc);
  delete dc;
  return TRUE;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || section || usage != DIB_RGB_COLORS) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  // The header sizes the format has known: the colour table follows the
  // header, so a size beyond them would be read past what the caller holds.
  const bool knownSize = h.biSize == sizeof(BITMAPINFOHEADER) || h.biSize == 52 || h.biSize == 56 ||
                         h.biSize == 108 || h.biSize == 124;
  if (!knownSize || h.biPlanes != 1 || h.biCompression != BI_RGB) return nullptr;
  if (h.biBitCount != 8 && h.biBitCount != 24 && h.biBitCount != 32) return nullptr;
  const LONGLONG width = h.biWidth;
  const LONGLONG height = h.biHeight < 0 ? -static_cast<LONGLONG>(h.biHeight) : h.biHeight;
  if (width <= 0 || height <= 0) return nullptr;
  const LONGLONG stride = DibStride(width, h.biBitCount);
  if (stride > std::numeric_limits<LONG>::max() / height) return nullptr;
  const DWORD colourCount = h.biBitCount == 8 ? (h.biClrUsed == 0 ? 256 : h.biClrUsed) : 0;
  if (colourCount > 256) return nullptr;

  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = static_cast<LONG>(width);
  bitmap->height = static_cast<LONG>(height);
  bitmap->bottomUp = h.biHeight > 0;
  bitmap->bitsPerPixel = h.biBitCount;
  bitmap->stride = static_cast<LONG>(stride);
  const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + h.biSize);
  bitmap->colours.assign(table, table + colourCount);
  bitmap->pixels.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(stride * height)]());
  if (!bitmap->pixels) return nullptr;
  std::lock_guard guard(SurfaceLock());
  Bitmap* b = bitmap.release();
  Register(b);
  if (bits) *bits = b->pixels.get();
  return reinterpret_cast<HBITMAP>(b);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  GdiObject* o = FindObject(object);
  if (!dc || !o) return nullptr;
  if (o->kind == GdiObject::Kind::Bitmap) {
    auto* bitmap = static_cast<Bitmap*>(o);
    if (bitmap == dc->bitmap) return bitmap;
    if (bitmap->selections > 0 && !bitmap->stock) return nullptr;
    Bitmap* old = dc->bitmap;
    --old->selections;
    ++bitmap->selections;
    dc->bitmap = bitmap;
    return old;
  }
  auto* font = static_cast<Font*>(o);
  Font* old = dc->font;
  if (old) --old->selections;
  ++font->selections;
  dc->font = font;
  return old;
}

namespace {

// DeleteObject (platform/resources/gdiobject.h) asks this for the handles
// of the drawing surface.
BOOL DeleteSurfaceObject(HGDIOBJ object) {
  std::lock_guard guard(SurfaceLock());
  GdiObject* o = FindObject(object);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  if (o->selections > 0) return FALSE;
  Objects().objects.erase(object);
  delete o;
  return TRUE;
}

const bool g_surfaceObjectsHandled = (Platform::AddGdiHandler({&DeleteSurfaceObject, nullptr}), true);

}  // namespace

int SetBkMode(HDC hdc, int mode) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(dc->backMode, mode);
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  return dc ? std::exchange(dc->backColour, colour & 0x00FFFFFF) : CLR_INVALID;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  return dc ? std::exchange(dc->textColour, colour & 0x00FFFFFF) : CLR_INVALID;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  if (!dc || count < 0 || (count > 0 && !text)) return FALSE;
  return DrawText(*dc, x, y, text, count) ? TRUE : FALSE;
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  if (!dc || !metrics || !dc->font) return FALSE;
  return Metrics(*dc->font, *metrics) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* size) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  if (!dc || !size || !dc->font || count < 0 || (count > 0 && !text)) return FALSE;
  return Extent(*dc->font, text, count, *size) ? TRUE : FALSE;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  std::lock_guard guard(SurfaceLock());
  HDC__* d = FindDC(destination);
  HDC__* s = FindDC(source);
  if (!d || !s || rop != SRCCOPY || width < 0 || height < 0) return FALSE;
  const Bitmap& to = *d->bitmap;
  const Bitmap& from = *s->bitmap;
  // Clip in 64 bits: the corners may be anywhere an int reaches.
  LONGLONG x0 = 0, y0 = 0, x1 = width, y1 = height;  // offsets into the block
  x0 = std::max({x0, -static_cast<LONGLONG>(x), -static_cast<LONGLONG>(sourceX)});
  y0 = std::max({y0, -static_cast<LONGLONG>(y), -static_cast<LONGLONG>(sourceY)});
  x1 = std::min({x1, static_cast<LONGLONG>(to.width) - x, static_cast<LONGLONG>(from.width) - sourceX});
  y1 = std::min({y1, static_cast<LONGLONG>(to.height) - y, static_cast<LONGLONG>(from.height) - sourceY});
  const bool sameFormat = SameFormat(to, from);
  const std::ptrdiff_t bytesPerPixel = to.bitsPerPixel / 8;
  for (LONGLONG j = y0; j < y1; ++j) {
    const LONG ty = static_cast<LONG>(y + j), sy = static_cast<LONG>(sourceY + j);
    if (sameFormat && x0 < x1) {
      std::memmove(to.Row(ty) + (x + x0) * bytesPerPixel, from.Row(sy) + (sourceX + x0) * bytesPerPixel,
                   static_cast<std::size_t>((x1 - x0) * bytesPerPixel));
      continue;
    }
    for (LONGLONG i = x0; i < x1; ++i)
      to.Put(static_cast<LONG>(x + i), ty, to.Encode(from.Get(static_cast<LONG>(sourceX + i), sy)));
  }
  return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  std::lock_guard guard(SurfaceLock());
  HDC__* dc = FindDC(hdc);
  if (!dc || x < 0 || y < 0 || x >= dc->bitmap->width || y >= dc->bitmap->height) return CLR_INVALID;
  return dc->bitmap->Get(x, y);
}
