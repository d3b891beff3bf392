// UTF-8 text inside the system, UTF-16 at the COM boundary: the two
// conversions, exact and independent of the locale. Malformed input (a
// stray byte, a lone surrogate) becomes U+FFFD instead of being dropped.
#ifndef PLATFORM_COM_TEXT_H
#define PLATFORM_COM_TEXT_H

#include <string>
#include <string_view>

#include "platform/types.h"

namespace Platform {

PLATFORM_API std::u16string Utf8ToUtf16(std::string_view text);
PLATFORM_API std::string Utf16ToUtf8(std::u16string_view text);
// A zero-terminated UTF-16 text, null read as empty.
PLATFORM_API std::string Utf16ToUtf8(const char16_t* text);

// A UTF-16 copy of text in memory of the task allocator (CoTaskMemFree),
// for strings an interface hands to its caller; null without memory.
PLATFORM_API LPOLESTR TaskString(std::string_view text);

// Compares ASCII letters without regard to case, everything else exactly.
PLATFORM_API bool EqualsIgnoringAsciiCase(std::u16string_view a, std::string_view b);
PLATFORM_API bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace Platform

#endif
