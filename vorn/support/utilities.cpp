#include "vorn/support/utilities.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/com/guid.h"
#include "platform/com/text.h"
#include "platform/kernel/recursivelock.h"

namespace Vorn {

std::string GuidString(REFGUID guid, bool keepBraces) {
  std::string text = Platform::GuidText(guid);
  return keepBraces ? text : text.substr(1, text.size() - 2);
}

bool CheckName(std::string& name) {
  if (name.empty())
    return false;
  static constexpr std::string_view kDelimiters = " .,:;/\\@#$%^&*()+='\"!-<>?~`\t";
  bool replaced = false;
  for (char& c : name) {
    if (kDelimiters.find(c) != std::string_view::npos) {
      c = '_';
      replaced = true;
    }
  }
  name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return !replaced;
}

std::string ReadToken(std::string& text, char open, char close) {
  // A comma left in front by the token before is a separator too; kept, it
  // would end the next token at once and a reader would never get past it.
  std::size_t start = text.find_first_not_of(" ,\t\r\n");
  if (start == std::string::npos) {
    text.clear();
    return {};
  }
  text.erase(0, start);
  if (text[0] == open) {
    std::size_t end = text.find(close, 1);
    if (end != std::string::npos) {
      std::string token = text.substr(1, end - 1);
      text.erase(0, end + 1);
      return token;
    }
    text.erase(0, 1);
  }
  std::size_t end = text.find_first_of(" ,\t\n");
  std::string token = text.substr(0, end);
  text.erase(0, end == std::string::npos ? text.size() : end);
  return token;
}

std::string ProgramDirectory(HMODULE module) {
  // However long the path is: GetModuleFileName answers the length needed.
  std::string path(260, '\0');
  for (;;) {
    DWORD length = GetModuleFileName(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2); // cut short: ask again with more room
  }
  return SplitPath(path).directory;
}

PathParts SplitPath(const std::string& path) {
  PathParts parts;
  std::size_t slash = path.rfind('/');
  std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  parts.directory = path.substr(0, nameAt);
  std::string file = path.substr(nameAt);
  std::size_t dot = file.rfind('.');
  parts.name = file.substr(0, dot);
  if (dot != std::string::npos)
    parts.extension = file.substr(dot);
  return parts;
}

std::string MakePath(const std::string&, const std::string& directory, const std::string& name,
                     const std::string& extension) {
  std::string path = directory;
  if (!path.empty() && path.back() != '/')
    path += '/';
  path += name;
  if (!extension.empty()) {
    if (extension[0] != '.')
      path += '.';
    path += extension;
  }
  return path;
}

std::string ReplacePathParts(const std::string& path, const char* drive, const char* directory, const char* name,
                             const char* extension) {
  PathParts parts = SplitPath(path);
  if (drive != nullptr)
    parts.drive = drive;
  if (directory != nullptr)
    parts.directory = directory;
  if (name != nullptr)
    parts.name = name;
  if (extension != nullptr)
    parts.extension = extension;
  return MakePath(parts.drive, parts.directory, parts.name, parts.extension);
}

std::string SameDirectoryAs(const std::string& path, const std::string& other) {
  PathParts file = SplitPath(path);
  PathParts place = SplitPath(other);
  return MakePath(place.drive, place.directory, file.name, file.extension);
}

std::string FileNameOf(const std::string& path) {
  PathParts parts = SplitPath(path);
  return parts.name + parts.extension;
}

void TickTimer::Start() { m_start = m_due = GetTickCount(); }

void TickTimer::Set(double milliseconds) {
  m_start = GetTickCount();
  DWORD wait = 0;
  if (milliseconds >= 0x7FFFFFFF)
    wait = 0x7FFFFFFF;
  else if (milliseconds > 0) // false for NaN too
    wait = static_cast<DWORD>(milliseconds);
  m_due = m_start + wait;
}

TextHolder::TextHolder(BSTR text) : m_text(Platform::Utf16ToUtf8(text)), m_bstr(text) {}

TextHolder::~TextHolder() { SysFreeString(m_bstr); }

TextHolder& TextHolder::operator=(const std::string& text) {
  SysFreeString(m_bstr);
  m_bstr = nullptr;
  m_text = text;
  return *this;
}

SAFEARRAY* CreateSafeArray1D(VARTYPE vt, ULONG count) { return SafeArrayCreateVector(vt, 0, count); }

namespace {

// The last locker of each object, in slots chosen by the object's address:
// each slot has a little lock of its own, so threads that lock different
// objects do not wait for one another, and a lock taken every cycle costs
// a few stores. Two objects that share a slot take turns in it; the one
// not in it answers no locker.
struct LockerSlot {
  Platform::RecursiveLock lock;
  const void* object = nullptr;
  const char* file = "";
  int line = 0;
};
constexpr std::size_t kLockerSlots = 256;
LockerSlot g_lockers[kLockerSlots];

LockerSlot& SlotOf(const void* object) {
  auto address = reinterpret_cast<std::uintptr_t>(object);
  return g_lockers[(address >> 4 ^ address >> 12) % kLockerSlots];
}

using SlotHold = std::lock_guard<Platform::RecursiveLock>;

// How deep this thread holds each object it holds; only its own thread
// asks, so it needs no lock. Few at a time: a list.
thread_local std::vector<std::pair<const void*, int>> t_depths;

}  // namespace

void ScopedLockBase::NoteLocked(const char* file, int line) {
  LockerSlot& slot = SlotOf(m_object);
  {
    SlotHold hold(slot.lock);
    slot.object = m_object;
    slot.file = file != nullptr ? file : "";
    slot.line = line;
  }
  for (auto& [object, depth] : t_depths) {
    if (object == m_object) {
      ++depth;
      return;
    }
  }
  t_depths.emplace_back(m_object, 0);
}

void ScopedLockBase::NoteUnlocked() {
  for (auto entry = t_depths.begin(); entry != t_depths.end(); ++entry) {
    if (entry->first == m_object) {
      if (--entry->second < 0)
        t_depths.erase(entry);
      return;
    }
  }
}

std::string ScopedLockBase::LastFile() const {
  LockerSlot& slot = SlotOf(m_object);
  SlotHold hold(slot.lock);
  return slot.object == m_object ? std::string(slot.file) : std::string();
}

int ScopedLockBase::LastLine() const {
  LockerSlot& slot = SlotOf(m_object);
  SlotHold hold(slot.lock);
  return slot.object == m_object ? slot.line : 0;
}

int ScopedLockBase::Depth() const {
  for (const auto& [object, depth] : t_depths) {
    if (object == m_object)
      return depth;
  }
  return -1;
}

namespace {

// The registry's side of the tree walk.
struct RegistryKeys {
  using Handle = HKEY;
  HKEY Open(HKEY parent, const std::string& name) {
    HKEY key = nullptr;
    return RegOpenKeyEx(parent, name.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
  }
  bool FirstSubkey(HKEY key, std::string& name) {
    char buffer[261];
    if (RegEnumKey(key, 0, buffer, sizeof buffer) != ERROR_SUCCESS)
      return false;
    name = buffer;
    return true;
  }
  void Close(HKEY key) { RegCloseKey(key); }
  bool Delete(HKEY parent, const std::string& name) { return RegDeleteKey(parent, name.c_str()) == ERROR_SUCCESS; }
};

} // namespace

RegistryKey::RegistryKey(HKEY root, const std::string& subkey, bool create) {
  LONG result;
  if (create) {
    char keyClass[] = "LPCTSTR";
    result = RegCreateKeyEx(root, subkey.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &m_key, nullptr);
  } else {
    result = RegOpenKeyEx(root, subkey.c_str(), 0, KEY_READ, &m_key);
  }
  m_open = result == ERROR_SUCCESS;
  m_writable = m_open && create;
  if (!m_open)
    m_key = nullptr;
}

void RegistryKey::Close() {
  if (m_open)
    RegCloseKey(m_key);
  m_open = false;
  m_writable = false;
  m_key = nullptr;
}

std::string RegistryKey::SubkeyName(DWORD index) const {
  if (!m_open)
    return {};
  char buffer[261];
  return RegEnumKey(m_key, index, buffer, sizeof buffer) == ERROR_SUCCESS ? std::string(buffer) : std::string();
}

std::vector<std::string> RegistryKey::SubkeyNames() const {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    std::string name = SubkeyName(index);
    if (name.empty())
      return names;
    names.push_back(std::move(name));
  }
}

bool RegistryKey::DeleteTree(const std::string& subkey) {
  if (!m_open || subkey.empty())
    return false;
  RegistryKeys keys;
  return Detail::DeleteTree(keys, m_key, subkey);
}

bool RegistryKey::ReadText(const std::string& name, std::string& text) const {
  if (!m_open)
    return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(m_key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
    return false;
  // One byte more than asked for: a stored text need not end in a zero.
  std::string buffer(size + 1, '\0');
  if (RegQueryValueEx(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  buffer.resize(std::strlen(buffer.c_str()));
  text = std::move(buffer);
  return true;
}

bool RegistryKey::WriteText(const std::string& name, const std::string& text) {
  if (!m_open || !m_writable)
    return false;
  return RegSetValueEx(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

} // namespace Vorn
