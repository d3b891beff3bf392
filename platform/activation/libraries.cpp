#include "platform/activation/libraries.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/activation/activation.h"
#include "platform/com/guid.h"
#include "platform/registry/registry.h"

namespace Platform {

namespace {

struct SearchList {
  std::mutex lock;
  std::vector<std::string> directories;
};

SearchList& Search() {
  static auto* list = new SearchList;
  return *list;
}

// Loaded server libraries by their real path. Never closed: objects and
// class objects of a server may outlive any caller's view of it, and a
// library's static destructors must not run while its code is still
// referenced.
struct LoadedLibraries {
  // Re-entrant: a library being loaded may itself activate another.
  std::recursive_mutex lock;
  std::map<std::string, void*> handles;
};

LoadedLibraries& Loaded() {
  static auto* loaded = new LoadedLibraries;
  return *loaded;
}

// The default value of HKEY_CLASSES_ROOT\<path>, when it is a text.
std::optional<std::string> ClassesRootText(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  std::optional<std::string> text;
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
    std::string buffer(size, '\0');
    if (size == 0 ||
        RegQueryValueEx(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
      text = buffer.substr(0, buffer.find('\0'));
  }
  RegCloseKey(key);
  return text;
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ProgramDirectory() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0)
    return {};
  std::string path(buffer, static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/'));
}

// Where the library named in the registry is: a name with a directory is
// taken as it is; a bare name is looked for in the search list, then beside
// the program. Empty when it is nowhere.
std::string LocateServer(const std::string& named) {
  if (named.find('/') != std::string::npos)
    return IsFile(named) ? named : std::string{};
  std::vector<std::string> directories = ServerSearchDirectories();
  directories.push_back(ProgramDirectory());
  for (const std::string& directory : directories) {
    if (directory.empty())
      continue;
    std::string candidate = directory.back() == '/' ? directory + named : directory + "/" + named;
    if (IsFile(candidate))
      return candidate;
  }
  return {};
}

// Whether the file is a shared object of this machine's kind that holds
// every segment its header declares. The loader maps segments without
// looking at the file's length, and one cut short (a copy that stopped
// half-way, a truncated install) kills the process with SIGBUS when the
// missing pages are touched.
bool IsWholeSharedObject(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  struct stat info {};
  ElfW(Ehdr) header{};
  constexpr unsigned char kNativeClass = __ELF_NATIVE_CLASS == 64 ? ELFCLASS64 : ELFCLASS32;
  bool whole = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
               pread(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
               std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == kNativeClass &&
               header.e_ident[EI_DATA] == ELFDATA2LSB && header.e_type == ET_DYN &&
               header.e_phentsize == sizeof(ElfW(Phdr)) && header.e_phnum > 0;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  // Offsets and lengths are compared with what is left of the file, so no
  // sum of two stored values can overflow.
  whole = whole && header.e_phoff <= size &&
          static_cast<std::uint64_t>(header.e_phnum) * sizeof(ElfW(Phdr)) <= size - header.e_phoff;
  for (unsigned i = 0; whole && i < header.e_phnum; ++i) {
    ElfW(Phdr) segment{};
    whole = pread(fd, &segment, sizeof segment, static_cast<off_t>(header.e_phoff + i * sizeof segment)) ==
                static_cast<ssize_t>(sizeof segment) &&
            segment.p_offset <= size && segment.p_filesz <= size - segment.p_offset;
  }
  close(fd);
  return whole;
}

HRESULT LoadServer(const std::string& path, void** handle) {
  char real[PATH_MAX];
  std::string key = realpath(path.c_str(), real) != nullptr ? std::string(real) : path;
  LoadedLibraries& loaded = Loaded();
  std::lock_guard<std::recursive_mutex> guard(loaded.lock);
  if (auto found = loaded.handles.find(key); found != loaded.handles.end()) {
    *handle = found->second;
    return S_OK;
  }
  if (!IsWholeSharedObject(key))
    return CO_E_ERRORINDLL;
  void* opened = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (opened == nullptr)
    return CO_E_ERRORINDLL;
  loaded.handles.emplace(key, opened);
  *handle = opened;
  return S_OK;
}

} // namespace

void AddServerSearchDirectory(const std::string& directory) {
  SearchList& list = Search();
  std::lock_guard<std::mutex> guard(list.lock);
  for (const std::string& known : list.directories) {
    if (known == directory)
      return;
  }
  list.directories.push_back(directory);
}

std::vector<std::string> ServerSearchDirectories() {
  SearchList& list = Search();
  std::lock_guard<std::mutex> guard(list.lock);
  return list.directories;
}

namespace Detail {

HRESULT GetServerClassObject(REFCLSID clsid, REFIID iid, void** object) {
  *object = nullptr;
  std::optional<std::string> named = ClassesRootText("CLSID\\" + GuidText(clsid) + "\\InprocServer32");
  if (!named || named->empty())
    return REGDB_E_CLASSNOTREG;
  std::string path = LocateServer(*named);
  if (path.empty())
    return CO_E_DLLNOTFOUND;
  void* library = nullptr;
  HRESULT hr = LoadServer(path, &library);
  if (FAILED(hr))
    return hr;
  auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(library, "DllGetClassObject"));
  if (getClassObject == nullptr)
    return CO_E_ERRORINDLL;
  return getClassObject(clsid, iid, object);
}

HRESULT RegisteredClassOfProgId(const std::string& progId, CLSID* clsid) {
  if (progId.empty() || progId.find('\\') != std::string::npos)
    return CO_E_CLASSSTRING;
  std::optional<std::string> text = ClassesRootText(progId + "\\CLSID");
  // A version-independent ProgID may name its class only through CurVer.
  if (!text) {
    if (std::optional<std::string> current = ClassesRootText(progId + "\\CurVer");
        current && !current->empty() && current->find('\\') == std::string::npos)
      text = ClassesRootText(*current + "\\CLSID");
  }
  if (!text)
    return CO_E_CLASSSTRING;
  std::optional<GUID> parsed = ParseGuid(*text);
  if (!parsed)
    return CO_E_CLASSSTRING;
  *clsid = *parsed;
  return S_OK;
}

HRESULT RegisteredProgIdOfClass(REFCLSID clsid, std::string& progId) {
  std::optional<std::string> text = ClassesRootText("CLSID\\" + GuidText(clsid) + "\\ProgID");
  if (!text || text->empty())
    return REGDB_E_CLASSNOTREG;
  progId = *text;
  return S_OK;
}

} // namespace Detail

} // namespace Platform
