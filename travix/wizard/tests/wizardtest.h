// What the wizard's tests share: a scratch directory, a registry of their
// own, and a recording dialog host.
#ifndef TRAVIX_WIZARD_TESTS_WIZARDTEST_H
#define TRAVIX_WIZARD_TESTS_WIZARDTEST_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/dialogs/dialoghost.h"

namespace wizardtest {

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return (m_directory / name).string(); }
  std::string WriteFile(const std::string& name, const std::string& content) const;
  // Sets a text value under HKEY_LOCAL_MACHINE in the test's registry.
  void SetMachineString(const char* key, const char* name, const std::string& value) const;
  std::vector<std::string> MessageTexts() const;

  std::filesystem::path m_directory;
  Platform::RecordingHost m_host;

 private:
  Platform::DialogHost* m_previousHost = nullptr;
};

}  // namespace wizardtest

#endif
