#include "travix/schema/wstringtostring.h"

#include "travix/schema/transcode.h"

namespace Travix {

std::string wstringTostring(std::u16string_view text) { return ToUtf8(text); }

std::string wstringTostring(const XMLCh* text) {
  return text ? ToUtf8(std::u16string_view(text)) : std::string();
}

}  // namespace Travix
