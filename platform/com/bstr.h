// BSTR: a UTF-16 text with its byte length stored in the four bytes before
// the first character and a terminating zero after the last. A null BSTR is
// the empty text wherever a BSTR is read.
#ifndef PLATFORM_COM_BSTR_H
#define PLATFORM_COM_BSTR_H

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/types.h"

using BSTR = OLECHAR*;
using LPBSTR = BSTR*;

// A copy of a zero-terminated text; null gives null.
PLATFORM_API BSTR SysAllocString(const OLECHAR* text);
// length characters of text (zeros included), or length zero characters
// when text is null.
PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// length bytes of bytes (or zeros), with a terminating zero character.
PLATFORM_API BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length);
// Replaces *target with a copy of text; TRUE when it could be allocated (the
// old string is then freed; on failure *target is unchanged).
PLATFORM_API INT SysReAllocString(BSTR* target, const OLECHAR* text);
PLATFORM_API INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
PLATFORM_API void SysFreeString(BSTR text);
PLATFORM_API UINT SysStringLen(BSTR text);
PLATFORM_API UINT SysStringByteLen(BSTR text);

namespace Platform {
// A BSTR of UTF-8 text (null only when out of memory).
PLATFORM_API BSTR AllocBstr(std::string_view utf8);
PLATFORM_API BSTR AllocBstr(std::u16string_view text);
// The byte length kept before a BSTR's text (null has none), read inline:
// names are looked up by their length several times a module and cycle.
inline UINT BstrByteLength(BSTR text) {
  if (text == nullptr)
    return 0;
  std::uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(text) - sizeof bytes, sizeof bytes);
  return bytes;
}
// The text of a BSTR (null is empty), as UTF-16 or as UTF-8.
inline std::u16string_view BstrView(BSTR text) {
  if (text == nullptr)
    return {};
  return {text, BstrByteLength(text) / sizeof(OLECHAR)};
}
PLATFORM_API std::string BstrToUtf8(BSTR text);
} // namespace Platform

#endif
