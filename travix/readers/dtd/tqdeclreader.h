// TqDeclReader: reads a DTD into a schema DOM of the working-draft
// vocabulary, and writes the DTD's general entities as a C++ source.
//
// A run has two passes over the DTD. The preprocessing pass expands entity
// references and included files into one flat text (kept as <name>.prep
// when SetSavePrepOutput asks for it); the parsing pass builds the schema
// from that text. Between them the text-entities source <base>.cpp is
// written. Every failure throws XException carrying the last error
// reported, which names the file and line the offending text came from.
//
// The reader's state is process-wide: one Parse at a time, each starting
// clean. The schema document belongs to the library, not to the reader: it
// stays valid after the reader is gone and is released by the next Parse
// or by ReleaseDocument, never by a destructor at process exit (the XML
// parser may be terminated by then).
#ifndef TRAVIX_TQDECLREADER_H
#define TRAVIX_TQDECLREADER_H

#include <list>
#include <ostream>
#include <string>

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>

#include "travix/readers/dtd/declreaderapi.h"

namespace Travix {

class DECLREADER_API TqDeclReader {
public:
  TqDeclReader() = default;
  TqDeclReader& operator=(const TqDeclReader&) = default;
  ~TqDeclReader() = default;

  // The directory that replaces the directory part of the input name.
  void SetInputDir(const std::string& dir) { m_inputDir = dir; }
  const std::string& GetInputDir() const { return m_inputDir; }
  void SetInputFileName(const std::string& name) { m_inputFileName = name; }
  const std::string& GetInputFileName() const { return m_inputFileName; }
  // Where the kept preprocessor file and the text-entities source go.
  void SetOutputDir(const std::string& dir) { m_outputDir = dir; }
  const std::string& GetOutputDir() const { return m_outputDir; }
  void SetOutputFileName(const std::string& name) { m_outputFileName = name; }
  const std::string& GetOutputFileName() const { return m_outputFileName; }
  void SetSavePrepOutput(bool save) { m_savePrepOutput = save; }
  bool GetSavePrepOutput() const { return m_savePrepOutput; }
  // Base name of the text-entities source; empty means "entities".
  void SetEntitiesFileBaseName(const std::string& base) { m_entitiesFileBaseName = base; }
  const std::string& GetEntitiesFileBaseName() const { return m_entitiesFileBaseName; }
  // No text-entities source: the generated code will not read documents.
  void SetReadDisabled(bool disabled) { m_readDisabled = disabled; }
  bool IsReadDisabled() const { return m_readDisabled; }
  // Spell the entity type without the namespace (Travix_TextEntity).
  void SetNamespaceDisabled(bool disabled) { m_namespaceDisabled = disabled; }
  bool GetNamespaceDisabled() const { return m_namespaceDisabled; }

  // Files the last Parse wrote (the kept preprocessor file is not one).
  const std::list<std::string>& GetGeneratedFilesList() const { return m_generatedFilesList; }

  // Reads the DTD named (standard input when the name is empty). Answers
  // true; failures throw XException.
  bool Parse(const char* fileName);
  bool Parse(const std::string& fileName);
  bool Parse();

  // Writes the schema of the last Parse as XML text, followed by a line
  // end: to OutputDir/name when an output directory is set, else to name,
  // and to standard output when the name is empty. Answers true; failures
  // throw XException.
  bool Print(const char* fileName);
  bool Print(const std::string& fileName);
  bool Print();

  // The schema document of this reader's last Parse and its schema
  // element; null before a Parse and once the document has been released.
  xercesc::DOMDocument* getDocument() const;
  xercesc::DOMElement* getSchema() const;

  // Releases the schema document of the last Parse, if any.
  static void ReleaseDocument();

protected:
  void EmitEntitiesFileProlog(std::ostream& out);
  void EmitEntitiesFileEpilog(std::ostream& out);
  // Merges the content groups that add nothing (nestedgroups.h).
  void EliminateNestedGroups();

private:
  TqDeclReader(const TqDeclReader&) = delete;

  void WriteEntitiesFile();

  std::string m_inputDir;
  std::string m_inputFileName;
  std::string m_outputDir;
  std::string m_outputFileName;
  xercesc::DOMDocument* m_document = nullptr;
  xercesc::DOMElement* m_schema = nullptr;
  unsigned long m_documentGeneration = 0;
  bool m_savePrepOutput = false;
  std::string m_entitiesFileBaseName;
  std::list<std::string> m_generatedFilesList;
  bool m_readDisabled = false;
  bool m_namespaceDisabled = false;
};

}  // namespace Travix

// Prints the reader's own symbol table to standard output (a debugging aid).
extern "C" DECLREADER_API void print_symbol_table(void);

#endif
