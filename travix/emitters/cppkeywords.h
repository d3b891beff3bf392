// The C++ keywords (C++20, alternative operator spellings included): words
// that look like identifiers but can name nothing in generated code.
#ifndef TRAVIX_CPPKEYWORDS_H
#define TRAVIX_CPPKEYWORDS_H

#include <string_view>

#include "travix/emitters/srcwriapi.h"

namespace Travix {

SRCWRI_API bool IsCppKeyword(std::string_view word);

}  // namespace Travix

#endif
