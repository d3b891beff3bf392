#include "platform/com/guid.h"

#include "platform/com/memory.h"

namespace Platform {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

template <class Char>
int HexValue(Char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at text[at]; false on anything else.
template <class Char>
bool ReadHex(std::basic_string_view<Char> text, std::size_t at, int digits, unsigned long long& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    int digit = HexValue(text[at + static_cast<std::size_t>(i)]);
    if (digit < 0)
      return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return true;
}

template <class Char>
std::optional<GUID> Parse(std::basic_string_view<Char> text) {
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    return std::nullopt;
  GUID guid{};
  unsigned long long value = 0;
  if (!ReadHex(text, 1, 8, value))
    return std::nullopt;
  guid.Data1 = static_cast<DWORD>(value);
  if (!ReadHex(text, 10, 4, value))
    return std::nullopt;
  guid.Data2 = static_cast<WORD>(value);
  if (!ReadHex(text, 15, 4, value))
    return std::nullopt;
  guid.Data3 = static_cast<WORD>(value);
  static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, kByteAt[i], 2, value))
      return std::nullopt;
    guid.Data4[i] = static_cast<BYTE>(value);
  }
  return guid;
}

std::size_t Length(LPCOLESTR text) {
  std::size_t length = 0;
  while (text[length] != 0)
    ++length;
  return length;
}

HRESULT TextToGuid(LPCOLESTR text, GUID* guid, HRESULT failure) {
  if (guid == nullptr)
    return E_INVALIDARG;
  *guid = GUID_NULL;
  if (text == nullptr)
    return failure;
  std::optional<GUID> parsed = Parse(std::u16string_view(text, Length(text)));
  if (!parsed)
    return failure;
  *guid = *parsed;
  return S_OK;
}

HRESULT GuidToTaskText(REFGUID guid, LPOLESTR* text) {
  if (text == nullptr)
    return E_INVALIDARG;
  *text = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
  if (*text == nullptr)
    return E_OUTOFMEMORY;
  StringFromGUID2(guid, *text, 39);
  return S_OK;
}

} // namespace

std::string GuidText(const GUID& guid) {
  std::string text = "{";
  auto hex = [&text](unsigned long long value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
      text += kHex[(value >> shift) & 0xF];
  };
  hex(guid.Data1, 8);
  text += '-';
  hex(guid.Data2, 4);
  text += '-';
  hex(guid.Data3, 4);
  text += '-';
  hex(guid.Data4[0], 2);
  hex(guid.Data4[1], 2);
  text += '-';
  for (int i = 2; i < 8; ++i)
    hex(guid.Data4[i], 2);
  text += '}';
  return text;
}

std::optional<GUID> ParseGuid(std::string_view text) { return Parse(text); }
std::optional<GUID> ParseGuid(std::u16string_view text) { return Parse(text); }

} // namespace Platform

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int cchMax) {
  if (buffer == nullptr || cchMax < 39)
    return 0;
  std::string text = Platform::GuidText(guid);
  for (std::size_t i = 0; i < text.size(); ++i)
    buffer[i] = static_cast<OLECHAR>(text[i]);
  buffer[text.size()] = 0;
  return 39;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text) { return Platform::GuidToTaskText(clsid, text); }
HRESULT StringFromIID(REFIID iid, LPOLESTR* text) { return Platform::GuidToTaskText(iid, text); }

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) { return Platform::TextToGuid(text, clsid, CO_E_CLASSSTRING); }
HRESULT IIDFromString(LPCOLESTR text, LPIID iid) { return Platform::TextToGuid(text, iid, CO_E_IIDSTRING); }
