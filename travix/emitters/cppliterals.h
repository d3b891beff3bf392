// Numbers from schema text written as C++ literals.
//
// Defaults, fixed values, facets and enumeration literals of numeric types
// are written into generated code without quotes. Schema text is not C++:
// "010" would be read as octal, "1,5" or "12abc" would not compile, and a
// value out of the held type's range would change on the way. So the text
// is parsed as a value of its schema type and written back in canonical
// form, or refused.
#ifndef TRAVIX_CPPLITERALS_H
#define TRAVIX_CPPLITERALS_H

#include <optional>
#include <string>
#include <string_view>

#include "travix/emitters/srcwriapi.h"

namespace Travix {

// The literal for text as a value of the built-in numeric type (boolean,
// real, decimal, integer and its four signed or unsigned kinds, hyphenated
// spelling), or nullopt when text is no such value or the type is not one
// of them. Surrounding XML white space is ignored. Integers keep the range
// of the runtime's held type (int or unsigned int) and the sign their kind
// demands; real and decimal must be finite and are written so that they
// read back to the same double.
SRCWRI_API std::optional<std::string> NumericLiteral(std::u16string_view builtInType,
                                                     std::string_view text);

// The literal for a count (a length, a precision): a non-negative integer
// in the range of unsigned int.
SRCWRI_API std::optional<std::string> CountLiteral(std::string_view text);

}  // namespace Travix

#endif
