#include "travix/generator/stages.h"

#include <exception>
#include <stdexcept>

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/util/XMLException.hpp>

#include "travix/generator/exitcodes.h"
#include "travix/readers/dtd/schematext.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix::Tool {

int ExitCodeOfStage(std::string_view word) {
  return word == "parsing" || word == "interpreting" ? kReadingFailed : kGenerationFailed;
}

void ReportCurrentException(std::ostream& report, std::string_view word) {
  const std::string stage(word);
  try {
    throw;
  } catch (const XException& e) {
    report << e.GetMsg() << '\n'
           << "in " << e.GetSourceFile() << " at line number " << e.GetSourceLine() << '\n';
  } catch (const std::exception& e) {
    report << "Error: Caught STL exception while " << stage << ". what() = '" << e.what() << "'\n";
  } catch (const xercesc::XMLException& e) {
    report << "Error: XMLException (" << DomText(e.getMessage()) << ") while " << stage
           << ".\n";
  } catch (const xercesc::DOMException& e) {
    report << "Error: Caught a DOM exception with type " << e.code << "\n  Message: "
           << wstringTostring(e.getMessage()) << '\n';
  } catch (const std::string& text) {
    report << "Error: Caught string (" << text << ") while " << stage << '\n';
  } catch (...) {
    report << "Error: Caught an unknown exception while " << stage << ".\n";
  }
  report.flush();
}

int RunStages(const std::vector<Stage>& stages, std::ostream& report) {
  for (const Stage& stage : stages) {
    try {
      stage.work();
    } catch (const EndRun& end) {
      return end.exitCode;
    } catch (...) {
      ReportCurrentException(report, stage.word);
      return ExitCodeOfStage(stage.word);
    }
  }
  return kSuccess;
}

}  // namespace Travix::Tool
