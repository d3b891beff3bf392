// Module handles: a library or the program, named by the address it is
// loaded at (the base that dladdr reports). Code finds the handle of the
// library it is built into with Platform::ThisModule(), which reads the
// address of a hidden symbol, so a static library linked into several
// libraries gives each its own handle.
#ifndef PLATFORM_RESOURCES_MODULE_H
#define PLATFORM_RESOURCES_MODULE_H

#include "platform/types.h"

namespace Platform {

// The module that holds address; null when no loaded module does.
PLATFORM_API HINSTANCE ModuleOf(const void* address);

namespace Detail {
__attribute__((visibility("hidden"))) inline const char g_moduleAnchor = 0;
}
// The module this code is built into.
__attribute__((visibility("hidden"))) inline HINSTANCE ThisModule() { return ModuleOf(&Detail::g_moduleAnchor); }

} // namespace Platform

#endif
