// The built server as it is installed: copied beside a copy of the engine
// library, registered with the registration tool, then found, shown and
// lost again by the module-type browser, each in a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "tests/support/tempdir.h"
#include "vorn/engine/tests/serverregistration.h"

namespace {

using ServerTests::RegistryText;
using ServerTests::RunRegServer;

// Standard output of a program run with these arguments, and its status.
struct Output {
  int status = -1;
  std::string text;
};

Output RunGuide(const TestSupport::TempDir& dir, const std::vector<std::string>& arguments) {
  const std::string out = dir.Path("stdout");
  std::vector<const char*> argv{"/bin/sh", "-c", "exec \"$0\" \"$@\" >\"$OUT\"", MODULE_GUIDE};
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  setenv("OUT", out.c_str(), 1);
  Output result;
  PROCESS_INFORMATION process{};
  if (!CreateProcessArgv(argv.data(), nullptr, &process))
    return result;
  DWORD status = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &status))
    result.status = static_cast<int>(status);
  CloseHandle(process.hProcess);
  result.text = dir.Read("stdout");
  return result;
}

TEST(PortsServer, RegisteredTheBrowserListsItShowsItsHelpAndLosesItWithItsFile) {
  TestSupport::TempDir dir;
  setenv("PLATFORM_REGISTRY_FILE", dir.Path("registry.sqlite").c_str(), 1);
  const std::string engine = dir.Path("VornEngineHost.so");
  const std::string server = dir.Path("VornPortsModule.so");
  std::filesystem::copy_file(VORN_ENGINE_SERVER, engine);
  std::filesystem::copy_file(VORN_PORTS_SERVER, server);
  ASSERT_EQ(RunRegServer({engine}), 0);
  ASSERT_EQ(RunRegServer({server}), 0);

  const std::string clsid = "{1876DB22-6396-45DC-AD1F-4612FFD3A1F1}";
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\Corvanth\\Modules\\VornExternalIO", "ClassID"), clsid);
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32"), server);
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "VornPortsModule.VornExternalIOModule\\CurVer"),
            "VornPortsModule.VornExternalIOModule.1");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "VornPortsModule.VornExternalIOModulePP.1\\CLSID"),
            "{51756EFD-BFEE-4D29-8BA2-445F035A177D}");

  Output listed = RunGuide(dir, {"--list"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.text, "VornExternalIO\n");

  // A stub viewer that notes the page it was asked to open.
  const std::string opener = dir.Write("opener.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + dir.Path("opened.tmp") +
                                                        "\"\nmv \"" + dir.Path("opened.tmp") + "\" \"" +
                                                        dir.Path("opened") + "\"\n");
  chmod(opener.c_str(), 0755);
  setenv("VORN_HELP_OPENER", opener.c_str(), 1);
  EXPECT_EQ(RunGuide(dir, {"--show", "VornExternalIO"}).status, 0);
  for (int i = 0; i < 500 && !dir.Exists("opened"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  unsetenv("VORN_HELP_OPENER");
  const std::string page = dir.Path("VornExternalIOModuleHelp.htm");
  EXPECT_EQ(dir.Read("opened"), page);
  EXPECT_EQ(TestSupport::ReadFile(page), TestSupport::ReadFile(PORTS_HELP_PAGE));
  EXPECT_FALSE(TestSupport::ReadFile(page).empty());

  std::filesystem::remove(server);
  listed = RunGuide(dir, {"--list"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.text, "");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\Corvanth\\Modules\\VornExternalIO", "ClassID"), "<none>");
}

}  // namespace
