#include "platform/registration/registration.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/com/guid.h"
#include "platform/com/module.h"
#include "platform/registry/registry.h"

namespace Platform {

namespace {

// One key of the registration: created (or opened) with its default value
// and named values set.
class Writer {
public:
  bool Key(const std::string& path, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return m_ok = false;
    m_ok = m_ok && Set(key, nullptr, text);
    RegCloseKey(key);
    return m_ok;
  }
  bool Value(const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return m_ok = false;
    m_ok = m_ok && Set(key, name, text);
    RegCloseKey(key);
    return m_ok;
  }
  bool Ok() const { return m_ok; }

private:
  static bool Set(HKEY key, const char* name, const std::string& text) {
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  }
  bool m_ok = true;
};

bool Wanted(const ObjectMapEntry& entry, const CLSID* only) { return only == nullptr || *entry.pclsid == *only; }

// A ProgID is one key name: nothing that would make a path of it.
bool UsableProgId(const char* progId) {
  return progId != nullptr && *progId != '\0' && std::strchr(progId, '\\') == nullptr;
}

// Removing a key that is not there is no failure.
bool Removed(const std::string& path) {
  LONG result = DeleteKeyTree(HKEY_CLASSES_ROOT, path.c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace

std::string ModuleFilePath(HINSTANCE module) {
  Dl_info info{};
  if (module == nullptr || dladdr(module, &info) == 0 || info.dli_fbase != static_cast<void*>(module) ||
      info.dli_fname == nullptr || *info.dli_fname == '\0')
    return {};
  char real[PATH_MAX];
  if (realpath(info.dli_fname, real) == nullptr)
    return {};
  return real;
}

HRESULT RegisterServerClasses(const ObjectMapEntry* map, HINSTANCE module, const GUID* libid, const CLSID* only) {
  std::string path = ModuleFilePath(module);
  if (path.empty())
    return SELFREG_E_CLASS;
  Writer writer;
  for (const ObjectMapEntry* entry = map; entry != nullptr && entry->pclsid != nullptr; ++entry) {
    const ClassRegistration* r = entry->registration != nullptr ? entry->registration() : nullptr;
    if (r == nullptr || !Wanted(*entry, only))
      continue;
    std::string clsid = GuidText(*entry->pclsid);
    std::string description = r->description != nullptr ? r->description : "";
    std::string classKey = "CLSID\\" + clsid;
    writer.Key(classKey, description);
    if (UsableProgId(r->progId)) {
      writer.Key(classKey + "\\ProgID", r->progId);
      writer.Key(r->progId, description);
      writer.Key(std::string(r->progId) + "\\CLSID", clsid);
    }
    if (UsableProgId(r->versionIndependentProgId)) {
      writer.Key(classKey + "\\VersionIndependentProgID", r->versionIndependentProgId);
      writer.Key(r->versionIndependentProgId, description);
      writer.Key(std::string(r->versionIndependentProgId) + "\\CLSID", clsid);
      if (UsableProgId(r->progId))
        writer.Key(std::string(r->versionIndependentProgId) + "\\CurVer", r->progId);
    }
    writer.Key(classKey + "\\InprocServer32", path);
    writer.Value(classKey + "\\InprocServer32", "ThreadingModel",
                 r->threadingModel != nullptr ? r->threadingModel : "Apartment");
    if (libid != nullptr)
      writer.Key(classKey + "\\TypeLib", GuidText(*libid));
    if (!writer.Ok())
      return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServerClasses(const ObjectMapEntry* map, const CLSID* only) {
  bool ok = true;
  for (const ObjectMapEntry* entry = map; entry != nullptr && entry->pclsid != nullptr; ++entry) {
    const ClassRegistration* r = entry->registration != nullptr ? entry->registration() : nullptr;
    if (r == nullptr || !Wanted(*entry, only))
      continue;
    if (UsableProgId(r->progId))
      ok = Removed(r->progId) && ok;
    if (UsableProgId(r->versionIndependentProgId))
      ok = Removed(r->versionIndependentProgId) && ok;
    ok = Removed("CLSID\\" + GuidText(*entry->pclsid)) && ok;
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

LONG DeleteKeyTree(HKEY parent, const char* path) {
  if (path == nullptr || *path == '\0')
    return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  LONG result = RegOpenKeyEx(parent, path, 0, KEY_ALL_ACCESS, &key);
  if (result != ERROR_SUCCESS)
    return result;
  // Always the first subkey: each one deleted moves the next to index 0.
  // A subkey that stays (its delete failed) ends the walk, so one stubborn
  // key cannot keep it going forever.
  char name[PLATFORM_REG_MAX_KEY_NAME + 1];
  while ((result = RegEnumKey(key, 0, name, sizeof name)) == ERROR_SUCCESS) {
    result = DeleteKeyTree(key, name);
    if (result != ERROR_SUCCESS)
      break;
  }
  RegCloseKey(key);
  if (result != ERROR_NO_MORE_ITEMS)
    return result;
  return RegDeleteKey(parent, path);
}

} // namespace Platform
