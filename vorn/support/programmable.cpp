#include "vorn/support/programmable.h"

#include <string>

#include "platform/registration/registration.h"
#include "platform/registry/registry.h"

namespace Vorn {

HRESULT MarkClassesProgrammable(const Platform::ObjectMapEntry* map) {
  for (const Platform::ObjectMapEntry* entry = map; entry->pclsid != nullptr; ++entry) {
    const std::string path = "CLSID\\" + Platform::GuidText(*entry->pclsid) + "\\Programmable";
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return SELFREG_E_CLASS;
    RegCloseKey(key);
  }
  return S_OK;
}

}  // namespace Vorn
