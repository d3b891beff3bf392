#include "tools/travix/generationrun.h"

#include <fstream>
#include <iostream>

#include "tools/travix/exitcodes.h"
#include "travixexcept.h"

namespace Travix::Tool {

GenerationRun::GenerationRun(const TravixOptions& options) : m_options(options) {
  // Every generated file is named after the namespace.
  m_schemaWriter.SetOutputFileName(m_options.nameSpace);
  m_schemaWriter.SetOutputDir(m_options.outputDir);
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
  return {{"interpreting", [this] { m_schemaWriter.Interpret(m_options.inputFile.c_str()); }}};
}

std::vector<Stage> GenerationRun::WritingStages() {
  std::vector<Stage> stages;
  if (m_options.exportSchema) {
    stages.push_back({"emitting schema", [this] { m_schemaWriter.EmitSchema(); }});
  }
  return stages;
}

std::list<std::string> GenerationRun::GeneratedFiles() const {
  return m_schemaWriter.GetGeneratedFilesList();
}

}  // namespace Travix::Tool
