#include "travix/wizard/tests/wizardtest.h"

#include <stdlib.h>

#include <fstream>

#include "platform/registry/registry.h"

namespace wizardtest {

void WizardTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "travixwz-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  m_directory = pattern;
  ::setenv("PLATFORM_REGISTRY_FILE", Path("registry.sqlite").c_str(), 1);
  m_previousHost = Platform::SetDialogHost(&m_host);
}

void WizardTest::TearDown() {
  Platform::SetDialogHost(m_previousHost);
  ::unsetenv("PLATFORM_REGISTRY_FILE");
  std::error_code error;
  std::filesystem::remove_all(m_directory, error);
}

std::string WizardTest::WriteFile(const std::string& name, const std::string& content) const {
  std::filesystem::create_directories((m_directory / name).parent_path());
  std::ofstream(Path(name), std::ios::binary) << content;
  return Path(name);
}

void WizardTest::SetMachineString(const char* key, const char* name, const std::string& value) const {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(handle);
}

std::vector<std::string> WizardTest::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : m_host.Messages()) texts.push_back(message.text);
  return texts;
}

}  // namespace wizardtest
