// Reads the version note out of an ELF file. The file is input like any
// other: every offset and size in it is checked against the file before it
// is used, and a file that does not add up simply has no version block.
#include "platform/version/version.h"

#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/kernel.h"

namespace {

// Sections longer than this are not read for notes.
constexpr std::uint64_t kMaxNoteSection = 1u << 20;

class File {
public:
  explicit File(LPCSTR path) : m_fd(path ? open(path, O_RDONLY | O_CLOEXEC) : -1) {}
  ~File() {
    if (m_fd >= 0)
      close(m_fd);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool Open() const { return m_fd >= 0; }
  std::uint64_t Size() const {
    struct stat status;
    return fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
  }
  bool Read(std::uint64_t offset, void* target, std::size_t size) const {
    if (offset > Size() || size > Size() - offset)
      return false;
    return pread(m_fd, target, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
  }

private:
  int m_fd;
};

bool BlockIsSound(const void* block, std::size_t available) {
  PlatformVersionHeader header;
  if (available < sizeof header + sizeof(VS_FIXEDFILEINFO))
    return false;
  std::memcpy(&header, block, sizeof header);
  const auto* bytes = static_cast<const char*>(block);
  // The strings end with an empty name inside the block.
  return header.magic == PLATFORM_VERSION_MAGIC && header.size <= available &&
         header.size > sizeof header + sizeof(VS_FIXEDFILEINFO) && bytes[header.size - 1] == '\0';
}

// The description of the version note, if the file has a sound one.
std::optional<std::vector<char>> FindBlock(const File& file) {
  Elf64_Ehdr elf;
  if (!file.Read(0, &elf, sizeof elf) || std::memcmp(elf.e_ident, ELFMAG, SELFMAG) != 0 ||
      elf.e_ident[EI_CLASS] != ELFCLASS64 || elf.e_ident[EI_DATA] != ELFDATA2LSB ||
      elf.e_shentsize != sizeof(Elf64_Shdr))
    return std::nullopt;
  // The whole table of sections must lie in the file.
  const std::uint64_t fileSize = file.Size();
  if (elf.e_shoff > fileSize || std::uint64_t{elf.e_shnum} * sizeof(Elf64_Shdr) > fileSize - elf.e_shoff)
    return std::nullopt;
  const std::string_view wanted(PLATFORM_VERSION_NOTE_NAME, sizeof PLATFORM_VERSION_NOTE_NAME);
  for (std::uint64_t index = 0; index < elf.e_shnum; ++index) {
    Elf64_Shdr section;
    if (!file.Read(elf.e_shoff + index * sizeof section, &section, sizeof section))
      return std::nullopt;
    if (section.sh_type != SHT_NOTE || section.sh_size > kMaxNoteSection)
      continue;
    std::vector<char> notes(section.sh_size);
    if (!file.Read(section.sh_offset, notes.data(), notes.size()))
      continue;
    std::size_t at = 0;
    while (notes.size() - at >= sizeof(Elf64_Nhdr)) {
      Elf64_Nhdr note;
      std::memcpy(&note, notes.data() + at, sizeof note);
      std::uint64_t name = at + sizeof note;
      std::uint64_t desc = name + ((std::uint64_t{note.n_namesz} + 3) & ~std::uint64_t{3});
      std::uint64_t next = desc + ((std::uint64_t{note.n_descsz} + 3) & ~std::uint64_t{3});
      if (desc > notes.size() || note.n_descsz > notes.size() - desc)
        break;
      if (note.n_type == PLATFORM_VERSION_NOTE_TYPE &&
          std::string_view(notes.data() + name, note.n_namesz) == wanted &&
          BlockIsSound(notes.data() + desc, note.n_descsz))
        return std::vector<char>(notes.data() + desc, notes.data() + desc + note.n_descsz);
      at = static_cast<std::size_t>(std::min<std::uint64_t>(next, notes.size()));
    }
  }
  return std::nullopt;
}

std::optional<std::vector<char>> BlockOf(LPCSTR path) {
  File file(path);
  if (!file.Open()) {
    SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  auto block = FindBlock(file);
  if (!block)
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return block;
}

// The next part of a "\"-separated path; empty at the end.
std::string_view NextPart(std::string_view& path) {
  while (!path.empty() && path.front() == '\\')
    path.remove_prefix(1);
  std::size_t end = path.find('\\');
  std::string_view part = path.substr(0, end);
  path.remove_prefix(end == std::string_view::npos ? path.size() : end);
  return part;
}

bool Same(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

BOOL Found(LPVOID* buffer, PUINT length, const void* where, UINT size) {
  *buffer = const_cast<void*>(where);
  *length = size;
  return TRUE;
}

}  // namespace

DWORD GetFileVersionInfoSize(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
  if (lpdwHandle)
    *lpdwHandle = 0;
  auto block = BlockOf(lptstrFilename);
  return block ? static_cast<DWORD>(block->size()) : 0;
}

BOOL GetFileVersionInfo(LPCSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData) {
  if (!lpData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto block = BlockOf(lptstrFilename);
  if (!block)
    return FALSE;
  if (block->size() > dwLen) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(lpData, block->data(), block->size());
  return TRUE;
}

BOOL VerQueryValue(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) {
  if (!pBlock || !lpSubBlock || !lplpBuffer || !puLen)
    return FALSE;
  *lplpBuffer = nullptr;
  *puLen = 0;
  PlatformVersionHeader header;
  std::memcpy(&header, pBlock, sizeof header);
  // The block is the caller's copy from GetFileVersionInfo; its own size
  // bounds every read.
  if (!BlockIsSound(pBlock, header.size))
    return FALSE;
  const char* bytes = static_cast<const char*>(pBlock);
  std::string_view path = lpSubBlock;
  std::string_view first = NextPart(path);
  if (first.empty())
    return Found(lplpBuffer, puLen, bytes + sizeof header, sizeof(VS_FIXEDFILEINFO));
  std::string_view second = NextPart(path);
  std::string_view third = NextPart(path);
  if (!NextPart(path).empty())
    return FALSE;
  if (Same(first, "VarFileInfo") && Same(second, "Translation") && third.empty())
    return Found(lplpBuffer, puLen, &static_cast<const PlatformVersionHeader*>(pBlock)->language, 4);
  char translation[9];
  std::snprintf(translation, sizeof translation, "%04X%04X", header.language, header.codePage);
  if (!Same(first, "StringFileInfo") || !Same(second, translation) || third.empty())
    return FALSE;
  const char* at = bytes + sizeof header + sizeof(VS_FIXEDFILEINFO);
  const char* end = bytes + header.size;
  // Pairs of zero-ended texts up to the empty name; the last byte of the
  // block is a zero, so no text runs past it.
  while (at < end && *at) {
    std::string_view name(at);
    const char* value = at + name.size() + 1;
    if (value >= end)
      break;
    std::string_view text(value);
    if (Same(name, third))
      return Found(lplpBuffer, puLen, value, static_cast<UINT>(text.size() + 1));
    at = value + text.size() + 1;
  }
  return FALSE;
}
