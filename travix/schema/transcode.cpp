#include "travix/schema/transcode.h"

#include <unicode/ustring.h>

namespace Travix {

namespace {
constexpr UChar32 kReplacement = 0xFFFD;
}

std::string wstringTostring(std::u16string_view text) {
  if (text.empty()) return {};
  // Every UTF-16 unit becomes at most three bytes (a pair: four for two).
  std::string out(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                     static_cast<int32_t>(text.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::string wstringTostring(const XMLCh* text) {
  return text ? wstringTostring(std::u16string_view(text)) : std::string();
}

std::u16string ToUtf16(std::string_view text) {
  if (text.empty()) return {};
  std::u16string out(text.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                       static_cast<int32_t>(text.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace Travix
