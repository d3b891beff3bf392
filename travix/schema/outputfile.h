// OutputFile: how the toolkit writes every file it generates.
//
// A generated file that is cut short by a full disk, or never written to
// a directory that refuses it, must fail the run instead of passing for a
// good file: the stream is opened, written and closed like any ofstream,
// and Close() reports a write or close that failed, naming the file.
#ifndef TRAVIX_OUTPUTFILE_H
#define TRAVIX_OUTPUTFILE_H

#include <fstream>
#include <string>

#include "travix/schema/schemaapi.h"

namespace Travix {

class TRAVIX_SCHEMA_API OutputFile : public std::ofstream {
public:
  // Opens path for writing, truncated (binary: line ends as written).
  // When it cannot be opened, throws XException with openError, followed
  // by ", errno=" and the decimal errno of the failure when withErrno.
  OutputFile(std::string path, const std::string& openError, bool withErrno = false);

  // A file that was not closed is closed without a check: the run that
  // dropped it has already failed.
  ~OutputFile() override;

  const std::string& Path() const { return m_path; }

  // Flushes and closes the file. Any write or the close that failed
  // throws XException with writeError, by default
  // "Error: Unable to write file '<path>'".
  void Close(const std::string& writeError = "");

private:
  std::string m_path;
};

}  // namespace Travix

#endif
