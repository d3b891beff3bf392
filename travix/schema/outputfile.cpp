#include "travix/schema/outputfile.h"

#include <cerrno>

#include "travixexcept.h"

namespace Travix {

namespace {

// errno is cleared before the stream opens the file, so that what it holds
// afterwards is the open's own failure.
const std::string& ClearErrno(const std::string& path) {
  errno = 0;
  return path;
}

}  // namespace

OutputFile::OutputFile(std::string path, const std::string& openError, bool withErrno)
    : std::ofstream(ClearErrno(path), std::ios::out | std::ios::trunc | std::ios::binary),
      m_path(std::move(path)) {
  if (!is_open() || fail()) {
    const int error = errno;
    TRAVIX_THROW(withErrno ? openError + ", errno=" + std::to_string(error) : openError);
  }
}

OutputFile::~OutputFile() = default;

void OutputFile::Close(const std::string& writeError) {
  // The stream's failbit stays set once a write failed, also when the
  // flush in close() succeeds after it.
  if (is_open()) close();
  if (fail()) {
    TRAVIX_THROW(writeError.empty() ? "Error: Unable to write file '" + m_path + "'" : writeError);
  }
}

}  // namespace Travix
