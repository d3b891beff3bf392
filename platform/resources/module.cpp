#include "platform/resources/module.h"

#include <dlfcn.h>

namespace Platform {

HINSTANCE ModuleOf(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0)
    return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}

} // namespace Platform
