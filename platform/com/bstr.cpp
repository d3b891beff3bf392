#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>

#include "platform/com/text.h"

namespace {

// The length prefix counts bytes in 32 bits; longer texts are refused.
constexpr std::size_t kMaxBytes = 0x7FFFFFF0u;

BSTR Allocate(std::size_t bytes) {
  if (bytes > kMaxBytes)
    return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(DWORD) + bytes + sizeof(OLECHAR) + 1));
  if (block == nullptr)
    return nullptr;
  DWORD length = static_cast<DWORD>(bytes);
  std::memcpy(block, &length, sizeof length);
  // Two zero bytes after the text, plus one so that an odd byte length still
  // ends in a whole zero character.
  std::memset(block + sizeof(DWORD) + bytes, 0, sizeof(OLECHAR) + 1);
  return reinterpret_cast<BSTR>(block + sizeof(DWORD));
}

std::size_t TextLength(const OLECHAR* text) {
  std::size_t length = 0;
  while (text[length] != 0)
    ++length;
  return length;
}

} // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr)
    return nullptr;
  std::size_t length = TextLength(text);
  if (length > kMaxBytes / sizeof(OLECHAR))
    return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(length));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  BSTR result = Allocate(std::size_t{length} * sizeof(OLECHAR));
  if (result == nullptr)
    return nullptr;
  if (text != nullptr)
    std::memcpy(result, text, std::size_t{length} * sizeof(OLECHAR));
  else
    std::memset(result, 0, std::size_t{length} * sizeof(OLECHAR));
  return result;
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length) {
  BSTR result = Allocate(length);
  if (result == nullptr)
    return nullptr;
  if (bytes != nullptr)
    std::memcpy(result, bytes, length);
  else
    std::memset(result, 0, length);
  return result;
}

INT SysReAllocString(BSTR* target, const OLECHAR* text) {
  if (target == nullptr)
    return FALSE;
  if (text == nullptr) {
    SysFreeString(*target);
    *target = nullptr;
    return TRUE;
  }
  return SysReAllocStringLen(target, text, static_cast<UINT>(TextLength(text)));
}

INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length) {
  if (target == nullptr)
    return FALSE;
  // The new text may lie inside the old string: copy before freeing.
  BSTR copy = SysAllocStringLen(text, length);
  if (copy == nullptr)
    return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text != nullptr)
    std::free(reinterpret_cast<unsigned char*>(text) - sizeof(DWORD));
}

UINT SysStringByteLen(BSTR text) { return Platform::BstrByteLength(text); }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

namespace Platform {

BSTR AllocBstr(std::u16string_view text) {
  if (text.size() > kMaxBytes / sizeof(OLECHAR))
    return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

BSTR AllocBstr(std::string_view utf8) { return AllocBstr(std::u16string_view(Utf8ToUtf16(utf8))); }

std::string BstrToUtf8(BSTR text) { return Utf16ToUtf8(BstrView(text)); }

} // namespace Platform
