#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLExceptMsgs.hpp>

#include "travix/generator/exitcodes.h"
#include "travix/generator/stages.h"
#include "travix/schema/domutil.h"
#include "travixexcept.h"

namespace {

using namespace Travix::Tool;

// What the run reports when a stage named word throws what throwing throws.
template <typename Throw>
std::string Report(const std::string& word, Throw throwing, int* exitCode = nullptr) {
  std::ostringstream report;
  int code = RunStages({{word, throwing}}, report);
  if (exitCode) *exitCode = code;
  return report.str();
}

TEST(StageReports, EachExceptionTypeHasItsForm) {
  EXPECT_EQ(Report("interpreting", [] { throw Travix::XException("Error: bad", "po.xsd", 7); }),
            "Error: bad\nin po.xsd at line number 7\n");
  EXPECT_EQ(Report("emitting code", [] { throw std::out_of_range("map::at"); }),
            "Error: Caught STL exception while emitting code. what() = 'map::at'\n");
  EXPECT_EQ(Report("parsing", [] { throw std::string("Error: no parser"); }),
            "Error: Caught string (Error: no parser) while parsing\n");
  EXPECT_EQ(Report("emitting schema", [] { throw 42; }),
            "Error: Caught an unknown exception while emitting schema.\n");

  Travix::Dom::XercesSession session;
  EXPECT_EQ(Report("loading XDR Data into DOM",
                   [] {
                     ThrowXML(xercesc::XMLPlatformUtilsException,
                              xercesc::XMLExcepts::CPtr_PointerIsZero);
                   })
                .rfind("Error: XMLException (", 0),
            0u);
  const std::string dom = Report("converting MS schema", [] {
    throw xercesc::DOMException(xercesc::DOMException::HIERARCHY_REQUEST_ERR, 0);
  });
  EXPECT_EQ(dom.rfind("Error: Caught a DOM exception with type 3\n  Message: ", 0), 0u) << dom;
}

TEST(StageReports, ReadingStagesExitWithThreeOthersWithSeven) {
  auto fail = [] { throw std::runtime_error("x"); };
  int code = 0;
  Report("parsing", fail, &code);
  EXPECT_EQ(code, kReadingFailed);
  Report("interpreting", fail, &code);
  EXPECT_EQ(code, kReadingFailed);
  for (const char* word : {"emitting schema", "emitting code", "setting DOM error handler",
                           "loading XDR Data into DOM", "converting MS schema", ""}) {
    Report(word, fail, &code);
    EXPECT_EQ(code, kGenerationFailed) << word;
  }
}

TEST(StageRun, StopsAtTheFirstFailureAndEndRunIsNotReported) {
  std::vector<std::string> ran;
  std::ostringstream report;
  auto step = [&ran](const char* name) { return [&ran, name] { ran.push_back(name); }; };
  EXPECT_EQ(RunStages({{"a", step("a")},
                       {"b", [&] { ran.push_back("b"); throw EndRun{kReadingFailed}; }},
                       {"c", step("c")}},
                      report),
            kReadingFailed);
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(report.str(), "");
  EXPECT_EQ(RunStages({{"a", step("a")}, {"c", step("c")}}, report), kSuccess);
}

}  // namespace
