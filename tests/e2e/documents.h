// Documents of the end-to-end suite: the files under documents/ and the
// scratch files a test writes into a temporary directory of its own.
#ifndef TRAVIX_TESTS_E2E_DOCUMENTS_H
#define TRAVIX_TESTS_E2E_DOCUMENTS_H

#include <string>

namespace E2E {

// A file of the suite's documents directory.
std::string DocumentPath(const std::string& name);

// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Replaces the first occurrence of from, which must be there.
std::string Replace(std::string text, const std::string& from, const std::string& to);

// Every "\n" as "\r\n".
std::string WithCarriageReturns(const std::string& text);

// A temporary directory, removed with everything in it at the end.
class ScratchDirectory {
public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string Path(const std::string& name) const;
  // Writes text as the file name and answers its path.
  std::string Write(const std::string& name, const std::string& text) const;

private:
  std::string m_directory;
};

}  // namespace E2E

#endif
