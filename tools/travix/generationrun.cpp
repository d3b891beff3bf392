#include "tools/travix/generationrun.h"

#include <fstream>
#include <iostream>

#include "tools/travix/exitcodes.h"
#include "travixexcept.h"

namespace Travix::Tool {

GenerationRun::GenerationRun(const TravixOptions& options) : m_options(options) {
  ConfigureWriter(m_cppWriter);
  if (ParserWriterInUse()) {
    ConfigureWriter(m_parserWriter);
    m_parserWriter.SetDTDMode(m_options.inputKind == InputKind::Dtd);
  }
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
    return {{"parsing", [] { TRAVIX_THROW("Error: reading DTD files is not available in this build"); }}};
  case InputKind::Xdr:
    return {{"loading XDR Data into DOM",
             [] { TRAVIX_THROW("Error: reading XDR schemas is not available in this build"); }}};
  case InputKind::Schema:
    break;
  }
  // Each writer reads the schema file itself.
  return {InterpretingStage(
      [path = m_options.inputFile](TqSchemaSrcWriter& writer) { writer.Interpret(path.c_str()); })};
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
  return files;
}

}  // namespace Travix::Tool
