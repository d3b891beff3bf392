#include "vorn/modules/common/helpfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace VornModules {

namespace {

HRESULT FromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOENT:
    case ENOTDIR:
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case ENOSPC:
    case EDQUOT:
      return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    default:
      return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
  }
}

bool WriteAll(int fd, const BYTE* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

HRESULT ReplaceFile(const std::string& path, const BYTE* data, std::size_t size) {
  if (path.empty())
    return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  std::vector<char> temporary(path.begin(), path.end());
  for (char c : std::string_view(".XXXXXX"))
    temporary.push_back(c);
  temporary.push_back('\0');
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0)
    return FromErrno(errno);
  // A page for people and their browsers: readable by all (the temporary
  // file starts readable by its owner only).
  bool ok = fchmod(fd, 0644) == 0 && WriteAll(fd, data, size);
  int error = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temporary.data(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temporary.data());
    return FromErrno(error);
  }
  return S_OK;
}

}  // namespace VornModules
