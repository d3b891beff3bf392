#include "platform/dialogs/tests/testdialogs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace dialogtest {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<BYTE> TemplateOf(const std::string& script) {
  const auto result = Platform::CompileDialogScript(script, "test.dlg");
  EXPECT_TRUE(result.errors.empty()) << (result.errors.empty() ? "" : result.errors.front());
  if (result.dialogs.empty()) return {};
  return Platform::WriteDialogTemplate(result.dialogs.front().dialogTemplate);
}

std::vector<BYTE> SampleTemplate(WORD id) {
  const auto result = Platform::CompileDialogScript(ReadFile(SAMPLE_SCRIPT), "sample.dlg");
  for (const auto& dialog : result.dialogs) {
    if (dialog.id == id) return Platform::WriteDialogTemplate(dialog.dialogTemplate);
  }
  ADD_FAILURE() << "no sample dialog " << id;
  return {};
}

}  // namespace dialogtest
