#include "vorn/engine/moduletyperegistry.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/activation/activation.h"
#include "platform/com/bstr.h"
#include "platform/com/memory.h"
#include "platform/com/text.h"
#include "platform/kernel/kernel.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"

namespace Vorn {

namespace {

constexpr const char* kModulesKey = "Software\\Corvanth\\Modules";
constexpr const char* kClassIdValue = "ClassID";

// An open key, closed when it goes.
class Key {
public:
  Key(HKEY root, const std::string& path, REGSAM access) {
    if (RegOpenKeyEx(root, path.c_str(), 0, access, &m_key) != ERROR_SUCCESS)
      m_key = nullptr;
  }
  ~Key() {
    if (m_key != nullptr)
      RegCloseKey(m_key);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  explicit operator bool() const { return m_key != nullptr; }
  HKEY get() const { return m_key; }

  // A REG_SZ value (null or empty name: the default value).
  bool ReadText(const char* name, std::string& text) const {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
      return false;
    std::string buffer(size, '\0');
    if (RegQueryValueEx(m_key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
      return false;
    buffer.resize(std::min<std::size_t>(size, buffer.size()));
    while (!buffer.empty() && buffer.back() == '\0')
      buffer.pop_back();
    text = std::move(buffer);
    return true;
  }

private:
  HKEY m_key = nullptr;
};

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string ProgramDirectory() {
  char path[4096] = {};
  DWORD length = GetModuleFileName(nullptr, path, sizeof path);
  std::string text(path, length);
  std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string{} : text.substr(0, slash);
}

// Whether the server file is there, decided the same way wherever the
// engine was started: an absolute path by itself, a bare name where
// activation looks for it (the server search list, then beside the
// program). A relative path with directories would be read against the
// working directory, so it is never taken for missing.
bool ServerFileFound(const std::string& path) {
  if (path.empty())
    return false;
  if (path.front() == '/')
    return Exists(path);
  if (path.find('/') != std::string::npos)
    return true;
  std::vector<std::string> directories = Platform::ServerSearchDirectories();
  directories.push_back(ProgramDirectory());
  for (const std::string& directory : directories) {
    if (!directory.empty() && Exists(directory + "/" + path))
      return true;
  }
  return false;
}

} // namespace

std::string ModuleTypeRegistry::KeyPath(std::string_view type) {
  std::string path = kModulesKey;
  if (!type.empty()) {
    path += '\\';
    path += type;
  }
  return path;
}

void ModuleTypeRegistry::Register(std::string_view type, REFCLSID clsid) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, KeyPath(type).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                     nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  std::string text = Platform::GuidText(clsid);
  RegSetValueEx(key, kClassIdValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

void ModuleTypeRegistry::Unregister(std::string_view type) {
  if (type.empty())
    return;
  Key modules(HKEY_LOCAL_MACHINE, kModulesKey, KEY_ALL_ACCESS);
  if (modules)
    Platform::DeleteKeyTree(modules.get(), std::string(type).c_str());
}

bool ModuleTypeRegistry::GetClassId(std::string_view type, CLSID& clsid) {
  if (type.empty())
    return false;
  Key key(HKEY_LOCAL_MACHINE, KeyPath(type), KEY_READ);
  std::string text;
  if (!key || !key.ReadText(kClassIdValue, text))
    return false;
  std::u16string wide = Platform::Utf8ToUtf16(text);
  CLSID parsed = GUID_NULL;
  if (FAILED(CLSIDFromString(wide.c_str(), &parsed)))
    return false;
  clsid = parsed;
  return true;
}

bool ModuleTypeRegistry::GetServerPath(std::string_view type, std::string& path) {
  CLSID clsid = GUID_NULL;
  if (!GetClassId(type, clsid))
    return false;
  Key server(HKEY_CLASSES_ROOT, "CLSID\\" + Platform::GuidText(clsid) + "\\InprocServer32", KEY_READ);
  return server && server.ReadText(nullptr, path);
}

std::vector<std::string> ModuleTypeRegistry::ListTypes(bool prune) {
  std::vector<std::string> types;
  {
    Key modules(HKEY_LOCAL_MACHINE, kModulesKey, KEY_READ);
    if (!modules)
      return types;
    for (DWORD index = 0;; ++index) {
      char name[PLATFORM_REG_MAX_KEY_NAME + 1] = {};
      DWORD length = sizeof name;
      if (RegEnumKeyEx(modules.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      types.emplace_back(name, length);
    }
  }
  if (!prune)
    return types;
  std::vector<std::string> kept;
  for (const std::string& type : types) {
    std::string path;
    if (GetServerPath(type, path) && ServerFileFound(path))
      kept.push_back(type);
    else
      Unregister(type);
  }
  return kept;
}

} // namespace Vorn
