// Text crosses between the XML parser (UTF-16) and the rest of the toolkit
// (UTF-8) only through these functions, so a name reads the same in every
// reader, writer and message. They are independent of the process locale
// (the toolkit runs without LANG on build machines); unpaired surrogates
// and invalid bytes become U+FFFD instead of vanishing.
#ifndef TRAVIX_TRANSCODE_H
#define TRAVIX_TRANSCODE_H

#include <string>
#include <string_view>

#include <xercesc/util/XercesDefs.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix {

// UTF-8 text of text.
TRAVIX_SCHEMA_API std::string wstringTostring(std::u16string_view text);

// The same for a string handed out by the XML parser, which may be null.
TRAVIX_SCHEMA_API std::string wstringTostring(const XMLCh* text);

TRAVIX_SCHEMA_API std::u16string ToUtf16(std::string_view text);

}  // namespace Travix

#endif
