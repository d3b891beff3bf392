// Narrowing of the XML parser's UTF-16 text for messages, identifiers and
// file names. The readers, the writers and the generator all narrow through
// this one function so a name reads the same everywhere.
#ifndef TRAVIX_WSTRINGTOSTRING_H
#define TRAVIX_WSTRINGTOSTRING_H

#include <string>
#include <string_view>

#include <xercesc/util/XercesDefs.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix {

// UTF-8 text of text. Independent of the process locale (the toolkit runs
// without LANG on build machines); an unpaired surrogate becomes U+FFFD
// instead of vanishing.
TRAVIX_SCHEMA_API std::string wstringTostring(std::u16string_view text);

// The same for a string handed out by the XML parser, which may be null.
TRAVIX_SCHEMA_API std::string wstringTostring(const XMLCh* text);

}  // namespace Travix

#endif
