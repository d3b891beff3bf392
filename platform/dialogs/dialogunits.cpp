#include "platform/dialogs/dialogunits.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/dialogs/dialogconstants.h"
#include "platform/dialogs/dialogtemplate.h"
#include "platform/dialogs/fontconfigsession.h"

namespace Platform {

namespace {

constexpr int kSystemAverageWidth = 8;
constexpr int kSystemHeight = 16;
constexpr int kDotsPerInch = 96;

// The font file fontconfig picks for a face, as the system would pick a
// substitute for a face it does not have.

std::optional<std::pair<std::string, int>> FindFontFile(const std::string& face, int weight, bool italic) {
  if (!FontconfigReady()) return std::nullopt;
  FcConfig* config = FcConfigGetCurrent();
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  std::optional<std::pair<std::string, int>> found;
  FcChar8* file = nullptr;
  int index = 0;
  if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    found = std::make_pair(std::string(reinterpret_cast<const char*>(file)), index);
  }
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return found;
}

std::optional<FontBaseUnits> Measure(const std::string& face, int pointSize, int weight, bool italic) {
  const auto file = FindFontFile(face, weight, italic);
  if (!file) return std::nullopt;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return std::nullopt;
  std::optional<FontBaseUnits> units;
  FT_Face font = nullptr;
  const int pixels = MulDivRounded(pointSize, kDotsPerInch, 72);
  if (pixels > 0 && FT_New_Face(library, file->first.c_str(), file->second, &font) == 0) {
    if (FT_Set_Pixel_Sizes(font, 0, FT_UInt(pixels)) == 0) {
      long sum = 0;
      bool complete = true;
      for (const char* c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"; *c; ++c) {
        if (FT_Load_Char(font, FT_ULong(*c), FT_LOAD_DEFAULT) != 0) {
          complete = false;
          break;
        }
        sum += (font->glyph->advance.x + 32) >> 6;
      }
      const long height = (font->size->metrics.ascender - font->size->metrics.descender + 32) >> 6;
      // The average of the 52 letters, rounded: (sum / 26 + 1) / 2.
      if (complete && height > 0) units = FontBaseUnits{int((sum / 26 + 1) / 2), int(height)};
    }
    FT_Done_Face(font);
  }
  FT_Done_FreeType(library);
  return units;
}

}  // namespace

LONG GetDialogBaseUnits() { return MAKELONG(kSystemAverageWidth, kSystemHeight); }

std::optional<FontBaseUnits> MeasureDialogFont(std::string_view face, int pointSize, int weight, bool italic) {
  static std::mutex lock;
  static std::map<std::tuple<std::string, int, int, bool>, std::optional<FontBaseUnits>> measured;
  std::lock_guard guard(lock);
  const auto key = std::make_tuple(std::string(face), pointSize, weight, italic);
  auto it = measured.find(key);
  if (it == measured.end()) it = measured.emplace(key, Measure(std::get<0>(key), pointSize, weight, italic)).first;
  return it->second;
}

int MulDivRounded(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long product = static_cast<long long>(value) * numerator;
  long long quotient = product / denominator;
  const long long remainder = product % denominator;
  const bool negative = (product < 0) != (denominator < 0);
  if (2 * (remainder < 0 ? -remainder : remainder) >= (denominator < 0 ? -static_cast<long long>(denominator) : denominator))
    quotient += negative ? -1 : 1;
  if (quotient > 0x7FFFFFFFLL || quotient < -0x7FFFFFFFLL - 1) return -1;
  return static_cast<int>(quotient);
}

std::optional<SIZE> DialogTemplateUnits(std::span<const BYTE> templateBytes) {
  const auto header = ReadDialogTemplateHeader(templateBytes);
  if (!header) return std::nullopt;
  return SIZE{header->cx, header->cy};
}

FontBaseUnits DialogTemplateBaseUnits(std::span<const BYTE> templateBytes) {
  const FontBaseUnits system{kSystemAverageWidth, kSystemHeight};
  const auto header = ReadDialogTemplateHeader(templateBytes);
  if (!header || !(header->style & DS_SETFONT)) return system;
  const auto dialogTemplate = ReadDialogTemplate(templateBytes);
  if (!dialogTemplate) return system;
  const auto units = MeasureDialogFont(dialogTemplate->typeface, dialogTemplate->pointSize,
                                       dialogTemplate->weight, dialogTemplate->italic != 0);
  return units.value_or(system);
}

std::optional<SIZE> DialogTemplatePixels(std::span<const BYTE> templateBytes) {
  const auto size = DialogTemplateUnits(templateBytes);
  if (!size) return std::nullopt;
  const FontBaseUnits units = DialogTemplateBaseUnits(templateBytes);
  return SIZE{MulDivRounded(size->cx, units.averageWidth, 4), MulDivRounded(size->cy, units.height, 8)};
}

}  // namespace Platform
