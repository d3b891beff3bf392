#include "travix/wizard/installpath.h"

#include <unistd.h>

#include <vector>

#include "platform/dialogs/dialoghost.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"
#include "travix/wizard/generatorrun.h"

namespace Travix::Wizard {

namespace {

class OpenKey {
 public:
  explicit OpenKey(const char* key) { m_ok = RegOpenKeyEx(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &m_key) == ERROR_SUCCESS; }
  ~OpenKey() {
    if (m_ok) RegCloseKey(m_key);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  bool ok() const { return m_ok; }
  HKEY get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
  bool m_ok = false;
};

std::string ParentDirectory(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

}  // namespace

RegistryText ReadMachineString(const char* key, const char* name) {
  OpenKey open(key);
  if (!open.ok()) return {RegistryStatus::CannotOpen, {}};
  // The value is read whole, whatever its length: a path is cut nowhere.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(open.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return {RegistryStatus::CannotQuery, {}};
    std::vector<BYTE> data(size + 1, 0);
    const LONG result = RegQueryValueEx(open.get(), name, nullptr, &type, data.data(), &size);
    if (result == ERROR_MORE_DATA) continue;  // it grew in between
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {RegistryStatus::CannotQuery, {}};
    std::string text(reinterpret_cast<const char*>(data.data()), size);
    if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return {RegistryStatus::Ok, text};
  }
  return {RegistryStatus::CannotQuery, {}};
}

bool WriteInstallPath(const std::string& installPath, std::string& failure) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyEx(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) {
    result = RegSetValueEx(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(installPath.c_str()),
                           static_cast<DWORD>(installPath.size() + 1));
    RegCloseKey(key);
  }
  if (result == ERROR_SUCCESS) return true;
  failure = "HKEY_LOCAL_MACHINE\\" + std::string(kAppPathsKey) + " cannot be written (error " + std::to_string(result) + ")";
  return false;
}

RegistryStatus ProbeMachineValue(const char* key, const char* name) {
  OpenKey open(key);
  if (!open.ok()) return RegistryStatus::CannotOpen;
  DWORD size = 0;
  return RegQueryValueEx(open.get(), name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS ? RegistryStatus::Ok
                                                                                              : RegistryStatus::CannotQuery;
}

std::string RegistryFailureText(RegistryStatus status, std::string_view key) {
  const char* lead = status == RegistryStatus::CannotOpen ? "Can't open key: HKEY_LOCAL_MACHINE\\"
                                                          : "Can't query key: HKEY_LOCAL_MACHINE\\";
  return std::string(lead) + std::string(key);
}

std::string RunningProgramInstallPath() {
  std::vector<char> buffer(4096);
  while (true) {
    const DWORD length = GetModuleFileName(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return ".";
    if (length < buffer.size()) return ParentDirectory(ParentDirectory(std::string_view(buffer.data(), length)));
    buffer.resize(buffer.size() * 2);
  }
}

std::string LookUpInstallPath(std::string_view caption, const std::string& runningPlace) {
  const RegistryText path = ReadMachineString(kAppPathsKey, "Path");
  if (path.status == RegistryStatus::Ok) return path.value;
  if (::access(GeneratorProgram(runningPlace).c_str(), X_OK) != 0)
    Platform::CurrentDialogHost().ShowMessage(RegistryFailureText(path.status, kAppPathsKey), caption, MB_OK);
  return runningPlace;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string out(directory);
  if (out.back() != '/' && out.back() != '\\') out += '/';
  out += name;
  return out;
}

}  // namespace Travix::Wizard
