// One run of travix over one input file, once the command line is
// accepted: the writers and their configuration, the list file and the
// stages that read the input and write the output.
//
// The stages of a run are the reading stages of the input kind followed by
// the writing stages every kind shares; each is a word and its work (see
// stages.h), so a reader or writer joins the run by adding a stage to
// ReadingStages or WritingStages.
#ifndef TRAVIX_TOOL_GENERATIONRUN_H
#define TRAVIX_TOOL_GENERATIONRUN_H

#include <list>
#include <string>
#include <vector>

#include "emitters/tqschemasrcwriter.h"
#include "tools/travix/commandline.h"
#include "tools/travix/stages.h"

namespace Travix::Tool {

class GenerationRun {
public:
  // Needs an initialised XML platform for its whole life.
  explicit GenerationRun(const TravixOptions& options);
  GenerationRun(const GenerationRun&) = delete;
  GenerationRun& operator=(const GenerationRun&) = delete;

  // Opens the list file, runs the stages and lists what they generated.
  // Answers the exit code.
  int Execute();

private:
  // Interprets and normalises the schema; it generates no code of its own.
  class SchemaWriter : public TqSchemaSrcWriter {
  public:
    bool Emit() override { return true; }
    using TqSchemaSrcWriter::Emit;
  };

  std::vector<Stage> ReadingStages();
  std::vector<Stage> WritingStages();
  // Every generated file, in the order the list file names them.
  std::list<std::string> GeneratedFiles() const;

  const TravixOptions& m_options;
  SchemaWriter m_schemaWriter;
};

}  // namespace Travix::Tool

#endif
