#include "travix/generator/generationrun.h"

#include <fstream>
#include <iostream>
#include <new>

#include "travix/generator/exitcodes.h"
#include "travix/readers/xdr/xdrturn.h"
#include "travix/schema/domutil.h"
#include "travix/schema/pathutil.h"
#include "travixexcept.h"

namespace Travix::Tool {

GenerationRun::GenerationRun(const TravixOptions& options) : m_options(options) {
  // Without read capability nothing will load the entity table, so the
  // reader writes none.
  m_dtdReader.SetReadDisabled(m_options.noReadCapability);
  m_dtdReader.SetNamespaceDisabled(m_options.noNamespaces);
  ConfigureWriter(m_cppWriter);
  if (ParserWriterInUse()) {
    ConfigureWriter(m_parserWriter);
    m_parserWriter.SetDTDMode(m_options.inputKind == InputKind::Dtd);
  }
}

GenerationRun::~GenerationRun() {
  // The DTD's schema document is the reader library's; it must go while the
  // XML platform is still up.
  TqDeclReader::ReleaseDocument();
}

void GenerationRun::ConfigureWriter(TqCodeSrcWriter& writer) const {
  // The namespace is also the base name of every generated file.
  writer.SetNamespace(m_options.nameSpace);
  writer.SetNamespaceDisabled(m_options.noNamespaces);
  writer.SetDLLExportUsage(m_options.dllExport);
  writer.SetOutputDir(m_options.outputDir);
  writer.SetMFCUsage(m_options.mfcClasses);
}

int GenerationRun::Execute() {
  std::ofstream listFile;
  if (!m_options.listFile.empty()) {
    listFile.open(m_options.listFile, std::ios::trunc);
    if (!listFile) return kListFileUnwritable;
  }
  std::ostream& report = listFile.is_open() ? static_cast<std::ostream&>(listFile) : std::cout;

  std::vector<Stage> stages = ReadingStages();
  for (Stage& stage : WritingStages()) stages.push_back(std::move(stage));
  if (int exitCode = RunStages(stages, report); exitCode != kSuccess) return exitCode;

  if (listFile.is_open()) {
    for (const std::string& name : GeneratedFiles()) listFile << name << '\n';
    listFile.close();
    // The caller trusts the list; a short one must not pass for complete.
    if (!listFile) return kListFileUnwritable;
  }
  return kSuccess;
}

std::vector<Stage> GenerationRun::ReadingStages() {
  switch (m_options.inputKind) {
  case InputKind::Dtd:
    return DtdStages();
  case InputKind::Xdr:
    return XdrStages();
  case InputKind::Schema:
    break;
  }
  // Each writer reads the schema file itself.
  return {InterpretingStage(
      [path = m_options.inputFile](TqSchemaSrcWriter& writer) { writer.Interpret(path.c_str()); })};
}

std::vector<Stage> GenerationRun::DtdStages() {
  // The schema print, when asked for, is part of reading: it records what
  // the DTD became, before any writer has normalised it.
  Stage parsing{"parsing", [this] {
                  m_dtdReader.SetOutputDir(m_options.outputDir);
                  m_dtdReader.SetEntitiesFileBaseName(m_options.nameSpace + "_entities");
                  m_dtdReader.SetSavePrepOutput(m_options.keepPreprocessorOutput);
                  if (!m_dtdReader.Parse(m_options.inputFile)) {
                    std::cerr << "Error: parse failed: unable to continue" << std::endl;
                    throw EndRun{kReadingFailed};
                  }
                  if (m_options.printDtdSchema) {
                    m_dtdReader.Print(FileNamePart(m_options.inputFile) + ".xsd");
                  }
                }};
  return {std::move(parsing), InterpretingStage([this](TqSchemaSrcWriter& writer) {
            writer.Interpret(m_dtdReader.getDocument());
          })};
}

std::vector<Stage> GenerationRun::XdrStages() {
  // Allocation failures are named as such; whatever else goes wrong is
  // reported by the stage in its own form.
  Stage creatingParser{"", [this] {
                         try {
                           m_xdrParser = std::make_unique<SecureDOMParser>();
                         } catch (const std::bad_alloc&) {
                           throw std::string(
                               "Error: could not allocate a DOM Parser. Cannot continue.");
                         }
                       }};
  Stage settingErrorHandler{
      "setting DOM error handler", [this] {
        try {
          m_xdrErrorReporter = std::make_unique<DOMErrorReporter>();
        } catch (const std::bad_alloc&) {
          throw std::string("Error: could not allocate a DOM error reporter. Cannot continue.");
        }
        m_xdrParser->setErrorHandler(m_xdrErrorReporter.get());
      }};
  Stage loading{"loading XDR Data into DOM", [this] {
                  try {
                    m_xdrParser->parse(m_options.inputFile.c_str());
                  } catch (XException& e) {
                    // A file that cannot be opened has no location of its own.
                    if (e.GetSourceFile().empty()) e.SetSourceFile(m_options.inputFile);
                    throw;
                  }
                  Dom::RefuseDeepNesting(m_xdrParser->getDocument(), m_options.inputFile);
                }};
  Stage converting{"converting MS schema", [this] {
                     xercesc::DOMDocument* document = m_xdrParser->getDocument();
                     ConvertMSSchemaToW3CSchema(document, document);
                   }};
  std::vector<Stage> stages;
  stages.push_back(std::move(creatingParser));
  stages.push_back(std::move(settingErrorHandler));
  stages.push_back(std::move(loading));
  stages.push_back(std::move(converting));
  stages.push_back(InterpretingStage(
      [this](TqSchemaSrcWriter& writer) { writer.Interpret(m_xdrParser->getDocument()); }));
  return stages;
}

Stage GenerationRun::InterpretingStage(Interpretation interpret) {
  return {"interpreting", [this, interpret = std::move(interpret)] {
            interpret(m_cppWriter);
            if (ParserWriterInUse()) interpret(m_parserWriter);
          }};
}

std::vector<Stage> GenerationRun::WritingStages() {
  std::vector<Stage> stages;
  if (m_options.exportSchema) {
    stages.push_back({"emitting schema", [this] { m_cppWriter.EmitSchema(); }});
  }
  stages.push_back({"emitting code", [this] {
                      m_cppWriter.Emit();
                      if (ParserWriterInUse()) m_parserWriter.Emit();
                    }});
  return stages;
}

std::list<std::string> GenerationRun::GeneratedFiles() const {
  std::list<std::string> files = m_cppWriter.GetGeneratedFilesList();
  if (ParserWriterInUse()) {
    const std::list<std::string>& parserFiles = m_parserWriter.GetGeneratedFilesList();
    files.insert(files.end(), parserFiles.begin(), parserFiles.end());
  }
  // Empty unless a DTD was read with read capability: its entity table.
  const std::list<std::string>& readerFiles = m_dtdReader.GetGeneratedFilesList();
  files.insert(files.end(), readerFiles.begin(), readerFiles.end());
  return files;
}

}  // namespace Travix::Tool
