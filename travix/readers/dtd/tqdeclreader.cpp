#include "travix/readers/dtd/tqdeclreader.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/dom/DOMImplementation.hpp>
#include <xercesc/dom/DOMImplementationRegistry.hpp>

#include "travix/readers/dtd/dtdgrammar.hpp"
#include "travix/readers/dtd/dtdreport.h"
#include "travix/readers/dtd/dtdscanner.h"
#include "travix/readers/dtd/dtdtext.h"
#include "travix/readers/dtd/entitiessource.h"
#include "travix/readers/dtd/nestedgroups.h"
#include "travix/readers/dtd/schematext.h"
#include "travix/schema/domutil.h"
#include "travix/schema/outputfile.h"
#include "travix/schema/pathutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travixexcept.h"

namespace Travix {

namespace {

constexpr const char* DefaultEntitiesBaseName = "entities";
constexpr const char* Version = "1.2";

// The schema document of the last run. It keeps the XML parser initialised
// for as long as it lives, so whoever terminates the parser first cannot
// pull the document's memory away from under it.
struct SchemaDocument {
  Dom::XercesSession* session = nullptr;
  xercesc::DOMDocument* document = nullptr;
  unsigned long generation = 0;  // counts documents: a new one may reuse an old address
};

SchemaDocument& CurrentDocument() {
  static SchemaDocument current;
  return current;
}

xercesc::DOMDocument* CreateSchemaDocument() {
  SchemaDocument& current = CurrentDocument();
  ++current.generation;
  current.session = new Dom::XercesSession();
  static const XMLCh core[] = u"Core";
  xercesc::DOMImplementation* implementation =
      xercesc::DOMImplementationRegistry::getDOMImplementation(core);
  current.document = implementation->createDocument();
  return current.document;
}

std::string ErrnoText(int error) { return std::to_string(error); }

[[noreturn]] void ThrowLastError() { TRAVIX_THROW(Dtd::LastErrorText()); }

// "%B %d, %Y at %I:%M %p" of the local time, as every generated file says.
std::string GenerationTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[100];
  std::size_t length = std::strftime(text, sizeof text, "%B %d, %Y at %I:%M %p", &local);
  return std::string(text, length);
}

}  // namespace

bool TqDeclReader::Parse(const char* fileName) {
  m_inputFileName = fileName ? fileName : "";
  return Parse();
}

bool TqDeclReader::Parse(const std::string& fileName) {
  m_inputFileName = fileName;
  return Parse();
}

bool TqDeclReader::Parse() {
  m_generatedFilesList.clear();
  m_document = nullptr;
  m_schema = nullptr;
  std::string directory = m_inputDir.empty() ? DirectoryPart(m_inputFileName) : m_inputDir;
  std::string name = FileNamePart(m_inputFileName);
  std::string path = m_inputFileName.empty() ? std::string() : JoinPath(directory, name);

  try {
    std::string text;
    Dtd::TextRead read = m_inputFileName.empty() ? Dtd::ReadTextStream(stdin, text)
                                                 : Dtd::ReadTextFile(path, text);
    if (!read.ok && !read.problem.empty())
      TRAVIX_THROW("Error: Unable to read DTD input file '" + path + "': " + read.problem);
    if (!read.ok)
      TRAVIX_THROW("Error: Unable to open DTD input file '" + path +
                   "', errno=" + ErrnoText(read.error));

    std::unique_ptr<OutputFile> prepFile;
    if (m_savePrepOutput) {
      const std::string prepPath =
          m_outputDir.empty() ? name + ".prep" : JoinPath(m_outputDir, name + ".prep");
      prepFile = std::make_unique<OutputFile>(
          prepPath, "Error: Unable to open DTD preprocessor output file '" + prepPath + "'", true);
    }

    ReleaseDocument();
    Dtd::ResetScanner();
    std::string preprocessed = Dtd::RunPreprocessingPass(text, directory, name, path);
    if (prepFile) {
      *prepFile << preprocessed;
      prepFile->Close("Error: Unable to write DTD preprocessor output file '" + prepFile->Path() +
                      "'");
    }
    if (Dtd::ErrorCount() != 0) ThrowLastError();

    if (!m_readDisabled) WriteEntitiesFile();

    m_document = CreateSchemaDocument();
    m_documentGeneration = CurrentDocument().generation;
    m_schema = m_document->createElement(Vocabulary::Elem::Schema);
    m_document->appendChild(m_schema);

    Dtd::Scanner scanner;
    Dtd::StartParsingPass(scanner, preprocessed, name);
    int result = Dtd::RunGrammar(scanner.Handle(), m_schema);
    if (Dtd::ErrorCount() != 0) ThrowLastError();
    if (result != 0)
      TRAVIX_THROW("Error: Parse failed for DTD file '" + path + "': unable to continue.");
    EliminateNestedGroups();
    // What merging left is what every later walk recurses through.
    Dom::RefuseDeepNesting(m_document, path.empty() ? name : path);
  } catch (const std::bad_alloc&) {
    TRAVIX_THROW("Error: Out of memory while reading DTD file '" + path + "'");
  } catch (const xercesc::DOMException&) {
    TRAVIX_THROW("Error: Unable to build the schema document of DTD file '" + path + "'");
  }
  return true;
}

void TqDeclReader::EliminateNestedGroups() { Dtd::EliminateNestedGroups(getSchema()); }

bool TqDeclReader::Print(const char* fileName) {
  m_outputFileName = fileName ? fileName : "";
  return Print();
}

bool TqDeclReader::Print(const std::string& fileName) {
  m_outputFileName = fileName;
  return Print();
}

bool TqDeclReader::Print() {
  xercesc::DOMDocument* document = getDocument();
  if (!document) TRAVIX_THROW("Error: No schema to print: no DTD has been read.");
  if (m_outputFileName.empty()) {
    std::cout << *document << '\n';
    std::cout.flush();
    return true;
  }
  std::string path = m_outputDir.empty() ? m_outputFileName : JoinPath(m_outputDir, m_outputFileName);
  OutputFile out(path, "Error: Unable to open file '" + path + "' for XML-Schema output.");
  out << *document << '\n';
  out.Close("Error: Unable to write file '" + path + "' for XML-Schema output.");
  return true;
}

void TqDeclReader::WriteEntitiesFile() {
  if (m_entitiesFileBaseName.empty()) m_entitiesFileBaseName = DefaultEntitiesBaseName;
  std::string fileName = m_entitiesFileBaseName + ".cpp";
  std::string path = m_outputDir.empty() ? fileName : JoinPath(m_outputDir, fileName);
  OutputFile out(path, "Error: Unable to open the text entities output file '" + path + "'", true);
  EmitEntitiesFileProlog(out);
  Dtd::WriteEntityRows(out);
  EmitEntitiesFileEpilog(out);
  out.Close("Error: Unable to write the text entities output file '" + path + "'");
  m_generatedFilesList.push_back(path);
}

void TqDeclReader::EmitEntitiesFileProlog(std::ostream& out) {
  const std::string& base = m_entitiesFileBaseName;
  const char* type = m_namespaceDisabled ? "Travix_TextEntity" : "Travix::TextEntity";
  out << "//\n"
      << "// File: '" << base << ".cpp'\n"
      << "//\n"
      << "//\n"
      << "//  File generated on: " << GenerationTime() << "\n"
      << "//  Travix Version: " << Version << "\n"
      << "//\n"
      << "\n"
      << "#include <xmlimporterbase.h> // For " << type << " type\n"
      << "\n"
      << type << " " << base << "[] =\n"
      << "{\n"
      << "#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)\n";
}

void TqDeclReader::EmitEntitiesFileEpilog(std::ostream& out) {
  out << "#endif // _TRAVIX_SUPPRESS_READ_SUPPORT\n"
      << "  { 0, 0 }\n"
      << "};\n"
      << "\n";
}

xercesc::DOMDocument* TqDeclReader::getDocument() const {
  const SchemaDocument& current = CurrentDocument();
  bool isCurrent = m_document != nullptr && m_document == current.document &&
                   m_documentGeneration == current.generation;
  return isCurrent ? m_document : nullptr;
}

xercesc::DOMElement* TqDeclReader::getSchema() const {
  return getDocument() != nullptr ? m_schema : nullptr;
}

void TqDeclReader::ReleaseDocument() {
  SchemaDocument& current = CurrentDocument();
  if (current.document) current.document->release();
  delete current.session;
  current.session = nullptr;
  current.document = nullptr;
}

}  // namespace Travix
