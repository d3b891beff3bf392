// The sample dialogs of the tests, compiled from sample.dlg at run time
// (the build compiles the same script with dlgc; one test compares them).
#ifndef PLATFORM_DIALOGS_TESTS_TESTDIALOGS_H
#define PLATFORM_DIALOGS_TESTS_TESTDIALOGS_H

#include <string>
#include <vector>

#include "platform/dialogs/dialogscript.h"

namespace dialogtest {

std::string ReadFile(const std::string& path);
// The bytes of one dialog of sample.dlg.
std::vector<BYTE> SampleTemplate(WORD id);
// The bytes of a dialog given as script text; fails the test on errors.
std::vector<BYTE> TemplateOf(const std::string& script);

}  // namespace dialogtest

#endif
