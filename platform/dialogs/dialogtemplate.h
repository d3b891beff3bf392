// Dialog templates in their two binary layouts, the plain one and the
// extended one (whose second 16-bit word is 0xFFFF), as they are embedded
// in programs and libraries: read into a description, written back, and the
// size fields read directly from the bytes. All text is UTF-8 here and
// UTF-16 in the bytes. Reading checks every length against the bytes it
// was given: a truncated or malformed template is refused, never overrun.
#ifndef PLATFORM_DIALOGS_DIALOGTEMPLATE_H
#define PLATFORM_DIALOGS_DIALOGTEMPLATE_H

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/types.h"

namespace Platform {

// A field that is either absent, a 16-bit ordinal or a text (the menu, the
// window class and the control class and title).
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::string text;

  bool empty() const { return !isOrdinal && text.empty(); }
  static NameOrOrdinal Ordinal(WORD value) { return {true, value, {}}; }
  static NameOrOrdinal Text(std::string value) { return {false, 0, std::move(value)}; }
  bool operator==(const NameOrOrdinal&) const = default;
};

struct DialogItemTemplate {
  DWORD helpId = 0;  // extended layout only
  DWORD exStyle = 0;
  DWORD style = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;  // 16 bits wide in the plain layout
  NameOrOrdinal windowClass;
  NameOrOrdinal title;
  std::vector<BYTE> creationData;
  bool operator==(const DialogItemTemplate&) const = default;
};

struct DialogTemplate {
  bool extended = false;
  DWORD helpId = 0;  // extended layout only
  DWORD exStyle = 0;
  DWORD style = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::string title;
  // Present when the style has DS_SETFONT; weight, italic and character
  // set are stored by the extended layout only.
  WORD pointSize = 0;
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  std::string typeface;
  std::vector<DialogItemTemplate> items;
  bool operator==(const DialogTemplate&) const = default;
};

PLATFORM_API bool IsExtendedDialogTemplate(std::span<const BYTE> bytes);

// The width and height in dialog units and the style, read from the header
// of either layout; nothing when the bytes are too short for a header.
struct DialogTemplateHeader {
  DWORD style = 0;
  SHORT cx = 0, cy = 0;
};
PLATFORM_API std::optional<DialogTemplateHeader> ReadDialogTemplateHeader(std::span<const BYTE> bytes);

// Reads a whole template; on failure nothing, with the reason in *error.
PLATFORM_API std::optional<DialogTemplate> ReadDialogTemplate(std::span<const BYTE> bytes,
                                                              std::string* error = nullptr);

// Writes a template in the layout its `extended` flag names. Text that
// does not fit a 16-bit ordinal's place is written as text.
PLATFORM_API std::vector<BYTE> WriteDialogTemplate(const DialogTemplate& dialogTemplate);

}  // namespace Platform

#endif
