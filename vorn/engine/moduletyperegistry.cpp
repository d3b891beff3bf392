#include "vorn/engine/moduletyperegistry.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/activation/activation.h"
#include "platform/com/text.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"
#include "vorn/support/utilities.h"

namespace Vorn {

namespace {

constexpr const char* kModulesKey = "Software\\Corvanth\\Modules";
constexpr const char* kClassIdValue = "ClassID";

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
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
  directories.push_back(ProgramDirectory(nullptr));
  for (const std::string& directory : directories) {
    if (!directory.empty() && Exists(MakePath("", directory, path, "")))
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
  RegistryKey key(HKEY_LOCAL_MACHINE, KeyPath(type), true);
  key.WriteText(kClassIdValue, GuidString(clsid, true));
}

void ModuleTypeRegistry::Unregister(std::string_view type) {
  if (type.empty())
    return;
  RegistryKey modules(HKEY_LOCAL_MACHINE, kModulesKey, true);
  modules.DeleteTree(std::string(type));
}

bool ModuleTypeRegistry::GetClassId(std::string_view type, CLSID& clsid) {
  if (type.empty())
    return false;
  RegistryKey key(HKEY_LOCAL_MACHINE, KeyPath(type), false);
  std::string text;
  if (!key.ReadText(kClassIdValue, text))
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
  RegistryKey server(HKEY_CLASSES_ROOT, "CLSID\\" + GuidString(clsid, true) + "\\InProcServer32", false);
  return server.ReadText("", path);
}

std::vector<std::string> ModuleTypeRegistry::ListTypes(bool prune) {
  std::vector<std::string> types = RegistryKey(HKEY_LOCAL_MACHINE, kModulesKey, false).SubkeyNames();
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
