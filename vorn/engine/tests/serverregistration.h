// For tests of server libraries as they are installed: registration through
// the registration tool in a process of its own (with this process's
// registry file), and the registry text it leaves.
#ifndef VORN_ENGINE_TESTS_SERVERREGISTRATION_H
#define VORN_ENGINE_TESTS_SERVERREGISTRATION_H

#include <string>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"

namespace ServerTests {

// The registration tool's exit status for these arguments; -1 when it
// cannot be started or does not end within a minute.
inline int RunRegServer(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{REGSERVER_TOOL};
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  PROCESS_INFORMATION process{};
  if (!CreateProcessArgv(argv.data(), nullptr, &process))
    return -1;
  DWORD status = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &status))
    status = static_cast<DWORD>(-1);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

// The text value name (null: the default value) of key path below root;
// "<none>" when the key or the value is not there or is no text.
inline std::string RegistryText(HKEY root, const std::string& path, const char* name = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<none>";
  char buffer[2048] = "";
  DWORD size = sizeof buffer;
  DWORD type = 0;
  const LONG read = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "<none>";
}

inline bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

}  // namespace ServerTests

#endif
