#include "vorn/support/errortext.h"

#include <cstdio>

#include "platform/com/errortext.h"

namespace Vorn {

std::string FormatHResultText(HRESULT code, bool systemTextOnly) {
  const DWORD value = static_cast<DWORD>(code);
  std::string name;
  std::string systemText;
  if (const Platform::ErrorText* entry = Platform::FindErrorText(value)) {
    name = entry->name;
    // The system's message, as long as 400 characters allow.
    char buffer[400];
    DWORD length = FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, value,
                                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    systemText.assign(buffer, length);
  }
  if (systemTextOnly)
    return systemText;
  char head[32];
  std::snprintf(head, sizeof head, "ERROR = %x \r\n", static_cast<unsigned>(value));
  return head + name + "\r\n\r\n" + systemText;
}

} // namespace Vorn
