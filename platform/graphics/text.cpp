// Fonts and text: faces found through fontconfig, glyphs rendered by
// FreeType as one bit per pixel, so that what is painted has exactly the
// text colour. Every function here runs under the surface lock.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "platform/dialogs/fontconfigsession.h"
#include "platform/graphics/objects.h"

namespace platform::graphics {

struct FontFace {
  FT_Face face = nullptr;
  int em = 0;
  LONG ascent = 0;
  LONG descent = 0;
  int weight = FW_NORMAL;
  bool italic = false;
  ~FontFace() {
    if (face) FT_Done_Face(face);
  }
};

Font::Font() : GdiObject(Kind::Font) {}
Font::~Font() = default;

namespace {

constexpr int kDefaultEm = 13;
constexpr int kLargestEm = 4096;  // beyond this a single glyph's bitmap is not worth making

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return library;
}


bool FindFontFile(const std::string& family, int weight, bool italic, std::string& file, int& index) {
  if (!Platform::FontconfigReady()) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight == FW_DONTCARE ? FW_NORMAL : weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (found) {
    file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  }
  FcPatternDestroy(match);
  return found;
}

// UTF-8 to code points; a byte that starts no valid sequence stands for
// U+FFFD, so no input stops the text or reads past its end.
std::vector<char32_t> Decode(const char* text, int count) {
  std::vector<char32_t> out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const auto* end = p + count;
  while (p < end) {
    const unsigned char c = *p;
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    char32_t cp = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
    bool valid = length > 0 && end - p >= length;
    for (int i = 1; valid && i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
    out.push_back(valid ? cp : U'\uFFFD');
    p += valid ? length : 1;
  }
  return out;
}

// Loads the glyph of a character as a one-bit bitmap into the face's slot.
bool LoadGlyph(FT_Face face, char32_t cp) {
  return FT_Load_Glyph(face, FT_Get_Char_Index(face, cp), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0;
}

}  // namespace

std::unique_ptr<Font> MakeFont(int height, int weight, bool italic, const std::string& family) {
  FT_Library library = Library();
  std::string file;
  int index = 0;
  if (!library || !FindFontFile(family, weight, italic, file, index)) return nullptr;
  auto face = std::make_unique<FontFace>();
  if (FT_New_Face(library, file.c_str(), index, &face->face) != 0) {
    face->face = nullptr;
    return nullptr;
  }
  FT_Face f = face->face;
  long em = kDefaultEm;
  if (height < 0) {
    em = -static_cast<long>(height);
  } else if (height > 0 && FT_IS_SCALABLE(f) && f->ascender - f->descender > 0) {
    em = std::lround(static_cast<double>(height) * f->units_per_EM / (f->ascender - f->descender));
  } else if (height > 0) {
    em = height;
  }
  em = std::max(em, 1L);
  if (em > kLargestEm || FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(em)) != 0) return nullptr;
  face->em = static_cast<int>(em);
  face->ascent = static_cast<LONG>(f->size->metrics.ascender >> 6);
  face->descent = static_cast<LONG>(-(f->size->metrics.descender >> 6));
  face->weight = weight == FW_DONTCARE ? FW_NORMAL : weight;
  face->italic = italic;
  auto font = std::make_unique<Font>();
  font->face = std::move(face);
  return font;
}

Font* DefaultFont() {
  static Font* font = [] {
    Font* f = MakeFont(-kDefaultEm, FW_NORMAL, false, "sans-serif").release();
    if (f) {
      f->stock = true;
      Register(f);
    }
    return f;
  }();
  return font;
}

bool Extent(const Font& font, const char* text, int count, SIZE& size) {
  FT_Face face = font.face->face;
  LONGLONG advance = 0;
  for (char32_t cp : Decode(text, count))
    if (LoadGlyph(face, cp)) advance += face->glyph->advance.x;
  size.cx = static_cast<LONG>(std::min<LONGLONG>(advance >> 6, std::numeric_limits<LONG>::max()));
  size.cy = font.face->ascent + font.face->descent;
  return true;
}

bool Metrics(const Font& font, TEXTMETRICA& m) {
  const FontFace& f = *font.face;
  m = TEXTMETRICA{};
  m.tmAscent = f.ascent;
  m.tmDescent = f.descent;
  m.tmHeight = f.ascent + f.descent;
  m.tmInternalLeading = std::max<LONG>(m.tmHeight - f.em, 0);
  m.tmMaxCharWidth = static_cast<LONG>(f.face->size->metrics.max_advance >> 6);
  m.tmAveCharWidth = LoadGlyph(f.face, U'x') ? static_cast<LONG>(f.face->glyph->advance.x >> 6) : m.tmMaxCharWidth;
  m.tmWeight = f.weight;
  m.tmItalic = f.italic ? 1 : 0;
  m.tmDigitizedAspectX = m.tmDigitizedAspectY = 96;
  m.tmFirstChar = 0x20;
  m.tmLastChar = 0xFF;
  m.tmDefaultChar = 0x1F;
  m.tmBreakChar = 0x20;
  m.tmCharSet = DEFAULT_CHARSET;
  return true;
}

bool DrawText(HDC__& dc, int x, int y, const char* text, int count) {
  if (!dc.font) return false;
  const Bitmap& bitmap = *dc.bitmap;
  FT_Face face = dc.font->face->face;
  const LONGLONG width = bitmap.width, height = bitmap.height;
  if (dc.backMode == OPAQUE) {
    SIZE extent{};
    Extent(*dc.font, text, count, extent);
    const DWORD back = bitmap.Encode(dc.backColour);
    const LONGLONG top = std::max<LONGLONG>(y, 0), bottom = std::min<LONGLONG>(LONGLONG{y} + extent.cy, height);
    const LONGLONG left = std::max<LONGLONG>(x, 0), right = std::min<LONGLONG>(LONGLONG{x} + extent.cx, width);
    for (LONGLONG py = top; py < bottom; ++py)
      for (LONGLONG px = left; px < right; ++px) bitmap.Put(static_cast<LONG>(px), static_cast<LONG>(py), back);
  }
  const DWORD value = bitmap.Encode(dc.textColour);
  const LONGLONG baseline = LONGLONG{y} + dc.font->face->ascent;
  LONGLONG pen = LONGLONG{x} * 64;
  for (char32_t cp : Decode(text, count)) {
    if (!LoadGlyph(face, cp)) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& glyph = slot->bitmap;
    const LONGLONG left = (pen >> 6) + slot->bitmap_left;
    const LONGLONG top = baseline - slot->bitmap_top;
    pen += slot->advance.x;
    if (glyph.pixel_mode != FT_PIXEL_MODE_MONO) continue;
    const int pitch = glyph.pitch < 0 ? -glyph.pitch : glyph.pitch;
    for (unsigned r = 0; r < glyph.rows; ++r) {
      const LONGLONG py = top + r;
      if (py < 0 || py >= height) continue;
      const unsigned char* row = glyph.buffer + (glyph.pitch >= 0 ? r : glyph.rows - 1 - r) * static_cast<std::size_t>(pitch);
      for (unsigned c = 0; c < glyph.width; ++c) {
        const LONGLONG px = left + c;
        if (px >= 0 && px < width && (row[c >> 3] & (0x80 >> (c & 7))))
          bitmap.Put(static_cast<LONG>(px), static_cast<LONG>(py), value);
      }
    }
  }
  return true;
}

}  // namespace platform::graphics

using namespace platform::graphics;

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  LPCSTR faceName) {
  std::lock_guard guard(SurfaceLock());
  std::unique_ptr<Font> font = MakeFont(height, weight, italic != 0, faceName ? faceName : "");
  if (!font) return nullptr;
  Font* f = font.release();
  Register(f);
  return reinterpret_cast<HFONT>(f);
}
