// TqSrcWriter: the abstract root of every code writer.
//
// Holds what all writers share: the output directory and base name, the
// list of files a run produced (the generator writes it to its list file),
// an owned output stream, the toolkit version and the comment block that
// opens every generated file.
#ifndef TRAVIX_TQSRCWRITER_H
#define TRAVIX_TQSRCWRITER_H

#include <ctime>
#include <list>
#include <memory>
#include <ostream>
#include <string>

#include "travix/emitters/srcwriapi.h"

namespace Travix {
class OutputFile;
}

namespace Travix {

class SRCWRI_API TqSrcWriter {
public:
  // Style of the generated-file header.
  enum COMMENT_STYLE {
    BLOCK_COMMENT = 0,  // boxed /* ... */ comment
    LINE_COMMENT = 1,   // every line starts with "//  "
  };

  TqSrcWriter() = default;
  virtual ~TqSrcWriter();

  // A writer owns its stream: copying or assigning one would let two
  // writers delete the same stream.
  TqSrcWriter(const TqSrcWriter&) = delete;
  TqSrcWriter& operator=(const TqSrcWriter&) = delete;

  virtual bool Emit() = 0;
  virtual bool Emit(const std::string& fileName) = 0;
  virtual bool Emit(const char* fileName) = 0;

  void SetOutputDir(const std::string& dir) { m_outputDir = dir; }
  const std::string& GetOutputDir() const { return m_outputDir; }
  void SetOutputFileName(const std::string& baseName) { m_outputFileName = baseName; }
  const std::string& GetOutputFileName() const { return m_outputFileName; }
  const std::list<std::string>& GetGeneratedFilesList() const { return m_generatedFiles; }
  std::string GetVersionString() const { return "1.2"; }

protected:
  // Writes the generated-file header naming fileName and the current time.
  void EmitFileHeader(std::ostream* stream, std::string& fileName, COMMENT_STYLE style);

  // The path of a generated file: the output directory joined with name.
  std::string OutputPath(const std::string& name) const;
  void AddGeneratedFile(const std::string& name) { m_generatedFiles.push_back(name); }
  // A run starts with an empty list.
  void ClearGeneratedFiles() { m_generatedFiles.clear(); }
  void SetCurrentOutputStream(std::unique_ptr<std::ostream> stream) {
    m_currentOutputFile = nullptr;
    m_currentOutputStream = std::move(stream);
  }
  std::ostream* GetCurrentOutputStream() const { return m_currentOutputStream.get(); }
  // A generated file as the current stream, opened through OutputFile:
  // when it cannot be opened, XException openError is thrown.
  void OpenCurrentOutputFile(const std::string& path, const std::string& openError);
  // Closes the file OpenCurrentOutputFile opened and clears the current
  // stream; a write or close that failed throws (OutputFile::Close).
  void CloseCurrentOutputFile(const std::string& writeError = "");

  // The header's time text, "%B %d, %Y at %I:%M %p" in the process locale.
  static std::string FormatHeaderTime(std::time_t when);

private:
  std::string m_outputDir;
  std::string m_outputFileName;
  std::unique_ptr<std::ostream> m_currentOutputStream;
  OutputFile* m_currentOutputFile = nullptr;  // m_currentOutputStream, when it is one
  std::list<std::string> m_generatedFiles;
};

}  // namespace Travix

#endif
