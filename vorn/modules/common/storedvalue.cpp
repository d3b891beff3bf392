#include "vorn/modules/common/storedvalue.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/com/pointers.h"
#include "vorn/modules/common/comerror.h"

namespace VornModules {

std::optional<float> StoredNumber(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string_view::npos)
    return std::nullopt;
  if (text[start] == '+' && (start + 1 == text.size() || text[start + 1] != '-'))
    ++start;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error != std::errc() || !std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
    return std::nullopt;
  return static_cast<float>(value);
}

std::optional<float> LoadStoredNumber(IVornPersist* persist, const char16_t* name) {
  CComBSTR valueName(name);
  CComBSTR text;
  const HRESULT hr = persist->LoadStringValue(valueName, &text);
  if (FAILED(hr))
    ThrowComError(hr, IID_IVornPersist);
  return StoredNumber(text.ToUtf8());
}

}  // namespace VornModules
