// One run of travix over one input file, once the command line is
// accepted: the writers and their configuration, the list file and the
// stages that read the input and write the output.
//
// The stages of a run are the reading stages of the input kind followed by
// the writing stages every kind shares; each is a word and its work (see
// stages.h). A DTD is read by the DTD reader, an XDR schema is parsed and
// converted in place, a schema file is read by each writer itself; every
// kind's reading ends with InterpretingStage, which hands the schema to
// every writer in use, whatever reader produced it.
#ifndef TRAVIX_TOOL_GENERATIONRUN_H
#define TRAVIX_TOOL_GENERATIONRUN_H

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "travix/emitters/tqcppschemasrcwriter.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/generator/commandline.h"
#include "travix/generator/stages.h"
#include "travix/readers/dtd/tqdeclreader.h"
#include "travix/schema/domerrorreporter.h"
#include "travix/schema/secureparser.h"

namespace Travix::Tool {

class GenerationRun {
public:
  // Creates and configures the writers and the DTD reader. Needs an
  // initialised XML platform for its whole life.
  explicit GenerationRun(const TravixOptions& options);
  ~GenerationRun();
  GenerationRun(const GenerationRun&) = delete;
  GenerationRun& operator=(const GenerationRun&) = delete;

  // Opens the list file, runs the stages and lists what they generated.
  // Answers the exit code.
  int Execute();

private:
  // Gives one writer the schema: Interpret with a file name or with the
  // document a reader built.
  using Interpretation = std::function<void(TqSchemaSrcWriter&)>;

  void ConfigureWriter(TqCodeSrcWriter& writer) const;
  // Only without -R is anything read back, so only then does the parser
  // writer take part.
  bool ParserWriterInUse() const { return !m_options.noReadCapability; }

  std::vector<Stage> ReadingStages();
  std::vector<Stage> DtdStages();
  std::vector<Stage> XdrStages();
  Stage InterpretingStage(Interpretation interpret);
  std::vector<Stage> WritingStages();
  // Every generated file, in the order the list file names them.
  std::list<std::string> GeneratedFiles() const;

  const TravixOptions& m_options;
  // The XDR document belongs to its parser, which the parser's error
  // handler must outlive; both outlive the writers that were handed it.
  std::unique_ptr<DOMErrorReporter> m_xdrErrorReporter;
  std::unique_ptr<SecureDOMParser> m_xdrParser;
  TqCppSchemaSrcWriter m_cppWriter;
  TqXMLParserSrcWriter m_parserWriter;
  TqDeclReader m_dtdReader;
};

}  // namespace Travix::Tool

#endif
