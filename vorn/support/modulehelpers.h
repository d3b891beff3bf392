// One-line conversions over the engine's module interfaces.
#ifndef VORN_SUPPORT_MODULEHELPERS_H
#define VORN_SUPPORT_MODULEHELPERS_H

#include <string>

#include "vorn/interfaces/connection.h"
#include "vorn/interfaces/module.h"

namespace Vorn {

// "ctFloatArray", "ctString", "ctVariant" or "ctIUnknown"; empty for a
// value that names no kind (a record from another machine may carry one).
const char* ConnectionTypeName(VornConnectionType type);

// Whether the module's input takes several connections; false for an
// unknown input or no module.
bool IsMultipleInput(IVornModuleLocal* module, const std::string& inputName);

// The module's processor; empty when there is no module or it answers none.
std::string ProcessorOf(IVornModuleLocal* module);

} // namespace Vorn

#endif
