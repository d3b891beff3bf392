#include "platform/resources/resources.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/resources/gdiobject.h"

namespace Platform {

namespace {

struct Block {
  HINSTANCE module;
  const ResourceEntry* entries;
  std::size_t count;
};

struct Table {
  std::mutex lock;
  std::vector<Block> blocks;
};

// Never destroyed: modules remove their blocks from static destructors.
Table& Resources() {
  static auto* table = new Table;
  return *table;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// A name or type as the caller gave it: a number, or a text ("#12" is the
// number 12).
struct Key {
  std::optional<WORD> id;
  std::string_view text;
};

std::optional<Key> KeyOf(LPCSTR given) {
  if (given == nullptr)
    return std::nullopt;
  if (IS_INTRESOURCE(given))
    return Key{static_cast<WORD>(reinterpret_cast<ULONG_PTR>(given)), {}};
  std::string_view text(given);
  if (text.size() > 1 && text.size() <= 6 && text[0] == '#' &&
      std::all_of(text.begin() + 1, text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    unsigned long number = std::strtoul(given + 1, nullptr, 10);
    if (number <= 0xFFFF)
      return Key{static_cast<WORD>(number), {}};
  }
  return Key{std::nullopt, text};
}

bool Matches(const Key& key, const char* name, WORD id) {
  if (key.id)
    return name == nullptr && id == *key.id;
  return name != nullptr && SameText(key.text, name);
}

HINSTANCE ModuleOrProgram(HMODULE module) { return module != nullptr ? module : GetModuleHandle(nullptr); }

// The entry behind a resource handle, when module carries it.
const ResourceEntry* Known(HMODULE module, HRSRC resource) {
  if (resource == nullptr)
    return nullptr;
  auto* wanted = reinterpret_cast<const ResourceEntry*>(resource);
  HINSTANCE owner = ModuleOrProgram(module);
  Table& table = Resources();
  std::lock_guard<std::mutex> guard(table.lock);
  for (const Block& block : table.blocks) {
    if (block.module == owner && wanted >= block.entries && wanted < block.entries + block.count)
      return wanted;
  }
  return nullptr;
}

} // namespace

void AddModuleResources(HINSTANCE module, const ResourceEntry* entries, std::size_t count) {
  if (module == nullptr || entries == nullptr || count == 0)
    return;
  Table& table = Resources();
  std::lock_guard<std::mutex> guard(table.lock);
  table.blocks.push_back({module, entries, count});
}

void RemoveModuleResources(const ResourceEntry* entries) {
  Table& table = Resources();
  std::lock_guard<std::mutex> guard(table.lock);
  std::erase_if(table.blocks, [&](const Block& block) { return block.entries == entries; });
}

std::vector<HINSTANCE> ModulesWithResource(LPCSTR name, LPCSTR type) {
  std::vector<HINSTANCE> modules;
  {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    for (const Block& block : table.blocks)
      if (std::find(modules.begin(), modules.end(), block.module) == modules.end())
        modules.push_back(block.module);
  }
  HINSTANCE program = GetModuleHandle(nullptr);
  std::erase_if(modules, [&](HINSTANCE module) { return FindResource(module, name, type) == nullptr; });
  for (HINSTANCE& module : modules)
    if (module == program)
      module = nullptr;
  return modules;
}

} // namespace Platform

HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type) {
  std::optional<Platform::Key> nameKey = Platform::KeyOf(name);
  std::optional<Platform::Key> typeKey = Platform::KeyOf(type);
  if (!nameKey || !typeKey) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HINSTANCE owner = Platform::ModuleOrProgram(module);
  bool typeSeen = false;
  Platform::Table& table = Platform::Resources();
  std::lock_guard<std::mutex> guard(table.lock);
  for (const Platform::Block& block : table.blocks) {
    if (block.module != owner)
      continue;
    for (std::size_t i = 0; i < block.count; ++i) {
      const Platform::ResourceEntry& entry = block.entries[i];
      if (!Platform::Matches(*typeKey, entry.typeName, entry.typeId))
        continue;
      typeSeen = true;
      if (Platform::Matches(*nameKey, entry.name, entry.id))
        return reinterpret_cast<HRSRC>(const_cast<Platform::ResourceEntry*>(&entry));
    }
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HRSRC FindResourceEx(HMODULE module, LPCSTR type, LPCSTR name, WORD) { return FindResource(module, name, type); }

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  const Platform::ResourceEntry* entry = Platform::Known(module, resource);
  if (entry == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(const_cast<BYTE*>(entry->begin));
}

LPVOID LockResource(HGLOBAL data) { return reinterpret_cast<LPVOID>(data); }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  const Platform::ResourceEntry* entry = Platform::Known(module, resource);
  return entry != nullptr ? static_cast<DWORD>(entry->end - entry->begin) : 0;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name) {
  HRSRC resource = FindResource(instance, name, RT_BITMAP);
  if (resource == nullptr)
    return nullptr;
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
  DWORD size = SizeofResource(instance, resource);
  if (bytes == nullptr)
    return nullptr;
  // A BMP file as it was given, or a bitmap already without its file header.
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
    return Platform::CreateBitmapFromFile(bytes, size);
  return Platform::CreateBitmapFromPackedDib(bytes, size);
}

int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0)
    return 0;
  buffer[0] = '\0';
  if (id > 0xFFFF)
    return 0;
  HRSRC resource = FindResource(instance, MAKEINTRESOURCE(id), RT_STRING);
  if (resource == nullptr)
    return 0;
  const auto* text = static_cast<const char*>(LockResource(LoadResource(instance, resource)));
  std::size_t length = SizeofResource(instance, resource);
  if (text == nullptr)
    return 0;
  std::size_t room = static_cast<std::size_t>(size) - 1;
  if (length > room) {
    length = room;
    // Never half a character.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;
  }
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}
