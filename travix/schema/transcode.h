// Text crosses between the XML parser (UTF-16) and the rest of the toolkit
// (UTF-8) only through these two functions. Both are independent of the
// process locale; unpaired surrogates and invalid bytes become U+FFFD.
#ifndef TRAVIX_TRANSCODE_H
#define TRAVIX_TRANSCODE_H

#include <string>
#include <string_view>

#include "travix/schema/schemaapi.h"

namespace Travix {

TRAVIX_SCHEMA_API std::string ToUtf8(std::u16string_view text);
TRAVIX_SCHEMA_API std::u16string ToUtf16(std::string_view text);

}  // namespace Travix

#endif
