// Class and interface identifiers in their text form, and the identifier
// that belongs to each interface type.
//
// The text form is the registry's: 38 characters, braces, upper-case
// hexadecimal, "{9F91FC40-7E6B-4923-8F75-2B66AB09C63A}". Interfaces name
// their identifier once with PLATFORM_DEFINE_IID, after which
// __uuidof(Interface) (and IID_Interface) give it, which is how the smart
// pointers and the QueryInterface helpers find it.
#ifndef PLATFORM_COM_GUID_H
#define PLATFORM_COM_GUID_H

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/errors.h"
#include "platform/types.h"

namespace Platform {

namespace Detail {
consteval unsigned HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f')
    return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F')
    return static_cast<unsigned>(c - 'A' + 10);
  throw "a GUID holds hexadecimal digits only";
}
consteval unsigned long long HexField(const char* text, int digits) {
  unsigned long long value = 0;
  for (int i = 0; i < digits; ++i)
    value = value * 16 + HexDigit(text[i]);
  return value;
}
} // namespace Detail

// A GUID written in source, with or without braces; a malformed text does
// not compile.
template <std::size_t N>
consteval GUID GuidFromText(const char (&literal)[N]) {
  const char* text = literal;
  std::size_t length = N - 1;
  if (length == 38) {
    if (text[0] != '{' || text[37] != '}')
      throw "a braced GUID is 38 characters";
    ++text;
    length = 36;
  }
  if (length != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
    throw "a GUID is written 8-4-4-4-12";
  GUID guid{};
  guid.Data1 = static_cast<DWORD>(Detail::HexField(text, 8));
  guid.Data2 = static_cast<WORD>(Detail::HexField(text + 9, 4));
  guid.Data3 = static_cast<WORD>(Detail::HexField(text + 14, 4));
  guid.Data4[0] = static_cast<BYTE>(Detail::HexField(text + 19, 2));
  guid.Data4[1] = static_cast<BYTE>(Detail::HexField(text + 21, 2));
  for (int i = 0; i < 6; ++i)
    guid.Data4[2 + i] = static_cast<BYTE>(Detail::HexField(text + 24 + 2 * i, 2));
  return guid;
}

// The identifier of an interface type; specialised by PLATFORM_DEFINE_IID.
template <class Interface>
struct InterfaceId;

// The registry text form of a GUID, braces included (38 characters).
PLATFORM_API std::string GuidText(const GUID& guid);
// Reads the 38-character braced form; hexadecimal digits of either case.
PLATFORM_API std::optional<GUID> ParseGuid(std::string_view text);
PLATFORM_API std::optional<GUID> ParseGuid(std::u16string_view text);

} // namespace Platform

// Names a GUID constant: PLATFORM_DEFINE_GUID(CLSID_Thing, "...").
#define PLATFORM_DEFINE_GUID(name, text) inline constexpr GUID name = ::Platform::GuidFromText(text)

// Declares an interface type and ties its identifier to it: afterwards
// IID_Interface and __uuidof(Interface) name the same constant.
#define PLATFORM_DEFINE_IID(Interface, text)                            \
  struct Interface;                                                     \
  inline constexpr IID IID_##Interface = ::Platform::GuidFromText(text); \
  template <>                                                           \
  struct Platform::InterfaceId<Interface> {                             \
    static constexpr const IID& value = IID_##Interface;                \
  }

// The same for a dispatch interface that only event sinks implement: its
// constant is DIID_Interface.
#define PLATFORM_DEFINE_DIID(Interface, text)                            \
  struct Interface;                                                      \
  inline constexpr IID DIID_##Interface = ::Platform::GuidFromText(text); \
  template <>                                                            \
  struct Platform::InterfaceId<Interface> {                              \
    static constexpr const IID& value = DIID_##Interface;                \
  }

// The identifier of an interface type (types only, not expressions).
#define __uuidof(Interface) (::Platform::InterfaceId<std::remove_cv_t<Interface>>::value)

// Writes the 38-character form and its terminating zero into buffer;
// answers the characters written (39), or 0 when cchMax is too small.
PLATFORM_API int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int cchMax);
// The text form in a string of the task allocator (CoTaskMemFree).
PLATFORM_API HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
PLATFORM_API HRESULT StringFromIID(REFIID iid, LPOLESTR* text);
// Reads the braced form; anything else answers CO_E_CLASSSTRING (and
// CO_E_IIDSTRING for IIDFromString) and leaves GUID_NULL.
PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, LPIID iid);

#endif
