// Dialog units and pixels. A horizontal dialog unit is a quarter of the
// dialog font's average character width, a vertical one an eighth of its
// height. A template with DS_SETFONT is measured with its own font (found
// through fontconfig and measured with FreeType at 96 dots per inch);
// every other template uses the system's dialog base units.
#ifndef PLATFORM_DIALOGS_DIALOGUNITS_H
#define PLATFORM_DIALOGS_DIALOGUNITS_H

#include <optional>
#include <span>
#include <string_view>

#include "platform/types.h"

namespace Platform {

struct FontBaseUnits {
  int averageWidth = 0;  // pixels
  int height = 0;        // pixels
  bool operator==(const FontBaseUnits&) const = default;
};

// The system's dialog base units: MAKELONG(average width, height). A
// headless system has no display font of its own, so these are the classic
// system font's 8 by 16 pixels.
PLATFORM_API LONG GetDialogBaseUnits();

// The base units of a font of that face and size, as the system measures
// them: the height of the font's cell, and the average width of the 52
// Latin letters, rounded. Nothing when no font can be loaded.
PLATFORM_API std::optional<FontBaseUnits> MeasureDialogFont(std::string_view face, int pointSize, int weight = 400,
                                                           bool italic = false);

// value × numerator / denominator, rounded half away from zero; -1 for a
// zero denominator or a result beyond 32 bits.
PLATFORM_API int MulDivRounded(int value, int numerator, int denominator);

// The template's width and height in dialog units, from either layout.
PLATFORM_API std::optional<SIZE> DialogTemplateUnits(std::span<const BYTE> templateBytes);
// The template's size in pixels: with its own font when it has DS_SETFONT,
// else with the system's dialog base units.
PLATFORM_API std::optional<SIZE> DialogTemplatePixels(std::span<const BYTE> templateBytes);
// The base units a template's dialog uses.
PLATFORM_API FontBaseUnits DialogTemplateBaseUnits(std::span<const BYTE> templateBytes);

}  // namespace Platform

#endif
