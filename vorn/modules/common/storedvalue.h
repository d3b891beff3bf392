// A module's values are kept by the engine as text, and a text that holds
// no number reads as 0 through LoadFloatValue: a gain that was never
// stored, or was overwritten by hand, would silence the module. A module
// that must tell such a value from a stored 0 reads it here.
#ifndef VORN_MODULES_COMMON_STOREDVALUE_H
#define VORN_MODULES_COMMON_STOREDVALUE_H

#include <optional>
#include <string_view>

#include "vorn/interfaces/registrar.h"

namespace VornModules {

// The finite number at the front of a stored text (after blanks and an
// optional "+", as atof reads it); none for an empty text, a text without
// a number in front, NaN or a number beyond a float.
std::optional<float> StoredNumber(std::string_view text);

// The value name of the module's persist object, read as StoredNumber
// reads it; a failed call is raised as a ComError of IVornPersist.
std::optional<float> LoadStoredNumber(IVornPersist* persist, const char16_t* name);

}  // namespace VornModules

#endif
