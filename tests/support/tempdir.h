// Scratch files for tests: a directory of a test's own, where inputs are
// written and outputs read back, removed with everything in it afterwards.
// Kept to C++17: programs of generated code built as C++17 use it too.
#ifndef TRAVIX_TESTS_SUPPORT_TEMPDIR_H
#define TRAVIX_TESTS_SUPPORT_TEMPDIR_H

#include <string>

namespace TestSupport {

// A fresh directory below the system's temporary directory (TMPDIR, else
// /tmp), removed with this object.
class TempDir {
public:
  // Throws std::runtime_error when no directory can be made.
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // The path of name inside the directory (name may hold subdirectories).
  std::string Path(const std::string& name) const;

  // Writes text as the file name and answers its path.
  std::string Write(const std::string& name, const std::string& text) const;
  // The bytes of the file name; empty when it cannot be read.
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

private:
  std::string m_path;
};

// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace TestSupport

#endif
