// regdump: prints a subtree of the registry, for looking at what programs
// registered.
//
//   regdump [KEY]
//
// KEY is a root (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,
// or HKLM, HKCU, HKCR), optionally followed by "\" and a subkey path; without
// it all three roots are printed. The registry file is the one every program
// uses (PLATFORM_REGISTRY_FILE, else the user's default).
//
// Each key is printed as "[full path]" followed by its values, one a line:
// "name"="text" for text, "name"=dword:0000002a for numbers, and
// "name"=hex:01,02 (or hex(type):... for other types) for the rest; the
// default value is named @. Keys and values come in the registry's order
// (names without regard to case). Exit code 0, 1 for usage, 2 when the key
// cannot be read.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace {

struct RootName {
  HKEY key;
  const char* name;
  const char* shortName;
};
const RootName kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
};

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data) {
  if (type == REG_SZ && !data.empty() && data.back() == 0)
    return Quoted(std::string(data.begin(), data.end() - 1));
  if (type == REG_DWORD && data.size() == 4) {
    DWORD value;
    std::memcpy(&value, data.data(), 4);
    char text[32];
    std::snprintf(text, sizeof text, "dword:%08x", value);
    return text;
  }
  std::string out = type == REG_BINARY ? "hex:" : "hex(" + std::to_string(type) + "):";
  for (std::size_t at = 0; at < data.size(); ++at) {
    char byte[4];
    std::snprintf(byte, sizeof byte, at ? ",%02x" : "%02x", data[at]);
    out += byte;
  }
  return out;
}

// Prints one key and everything below it; false when a part of it could
// not be read (the rest is still printed).
bool Dump(HKEY key, const std::string& path) {
  bool complete = true;
  std::printf("[%s]\n", path.c_str());
  DWORD values = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &longestName, &longestData,
                      nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  for (DWORD index = 0;; ++index) {
    std::vector<char> name(longestName + 1);
    std::vector<BYTE> data(longestData);
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    LONG result = RegEnumValue(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      complete = false;
      break;
    }
    data.resize(dataSize);
    std::string shown = nameSize == 0 ? "@" : Quoted(std::string(name.data(), nameSize));
    std::printf("%s=%s\n", shown.c_str(), ValueText(type, data).c_str());
  }
  std::printf("\n");
  for (DWORD index = 0;; ++index) {
    char name[PLATFORM_REG_MAX_KEY_NAME + 1];
    LONG result = RegEnumKey(key, index, name, sizeof name);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    HKEY child = nullptr;
    if (result != ERROR_SUCCESS || RegOpenKeyEx(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) {
      complete = false;
      break;
    }
    complete = Dump(child, path + "\\" + name) && complete;
    RegCloseKey(child);
  }
  return complete;
}

int DumpPath(const std::string& text) {
  std::string rootName = text.substr(0, text.find('\\'));
  std::string rest = rootName.size() < text.size() ? text.substr(rootName.size() + 1) : "";
  for (const RootName& root : kRoots) {
    if (strcasecmp(rootName.c_str(), root.name) != 0 && strcasecmp(rootName.c_str(), root.shortName) != 0)
      continue;
    HKEY key = nullptr;
    LONG result = RegOpenKeyEx(root.key, rest.c_str(), 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) {
      std::fprintf(stderr, "regdump: cannot open %s (error %d)\n", text.c_str(), static_cast<int>(result));
      return 2;
    }
    while (!rest.empty() && rest.back() == '\\')
      rest.pop_back();
    bool complete = Dump(key, rest.empty() ? std::string(root.name) : std::string(root.name) + "\\" + rest);
    RegCloseKey(key);
    if (!complete) {
      std::fprintf(stderr, "regdump: %s could not be read completely\n", text.c_str());
      return 2;
    }
    return 0;
  }
  std::fprintf(stderr, "regdump: unknown root in %s\n", text.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::fprintf(stderr, "usage: regdump [KEY]\n");
    return 1;
  }
  if (argc == 2)
    return DumpPath(argv[1]);
  int status = 0;
  for (const RootName& root : kRoots)
    status = std::max(status, DumpPath(root.name));
  return status;
}
