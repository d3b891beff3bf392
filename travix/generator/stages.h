// Stages of a travix run.
//
// A run is a list of stages, each named by its word ("parsing",
// "interpreting", "emitting schema", ...). The stages run in order; an
// exception that leaves one ends the run: it is reported on the report
// stream in the form that fits its type, and the stage's word decides the
// exit code (reading stages 3, every other stage 7). To add a stage, add
// its word and its work to the run's list.
#ifndef TRAVIX_TOOL_STAGES_H
#define TRAVIX_TOOL_STAGES_H

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Travix::Tool {

struct Stage {
  std::string word;
  std::function<void()> work;
};

// Thrown by a stage that has already said what went wrong and must end the
// run with this exit code, unreported.
struct EndRun {
  int exitCode;
};

// Runs stages in order. Answers 0 when all of them succeeded, otherwise the
// exit code of the one that failed.
int RunStages(const std::vector<Stage>& stages, std::ostream& report);

// The exit code of a failure in the stage named word.
int ExitCodeOfStage(std::string_view word);

// Writes the report of the exception being handled; call inside a catch.
void ReportCurrentException(std::ostream& report, std::string_view word);

}  // namespace Travix::Tool

#endif
