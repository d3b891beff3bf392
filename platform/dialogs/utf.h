// UTF-8 and UTF-16 conversion for the dialog layer: templates hold UTF-16,
// the model UTF-8. Broken sequences become U+FFFD instead of being dropped
// silently or read past the end.
#ifndef PLATFORM_DIALOGS_UTF_H
#define PLATFORM_DIALOGS_UTF_H

#include <string>
#include <string_view>

namespace Platform::DialogsDetail {

std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace Platform::DialogsDetail

#endif
