// The built server as it is installed: copied beside a copy of the engine
// library, registered with the registration tool, then found, shown and
// lost again by the module-type browser, each in a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include <dlfcn.h>

#include "platform/com/com.h"
#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/modules/common/tests/installedserver.h"
#include "vorn/interfaces/module.h"

namespace {

using ServerTests::KeyExists;
using ServerTests::RegistryText;
using ServerTests::RunRegServer;

const std::string kModuleClass = "{1876DB22-6396-45DC-AD1F-4612FFD3A1F1}";
const std::string kPageClass = "{51756EFD-BFEE-4D29-8BA2-445F035A177D}";
PLATFORM_DEFINE_GUID(kModuleClsid, "1876DB22-6396-45DC-AD1F-4612FFD3A1F1");
PLATFORM_DEFINE_GUID(kPageClsid, "51756EFD-BFEE-4D29-8BA2-445F035A177D");

const ServerTests::ModuleServerNames kNames{"VornPortsModule",
                                            "VornExternalIO",
                                            "VornExternalIOModule",
                                            kModuleClass,
                                            "VornExternalIOModulePP",
                                            kPageClass,
                                            "{914951A5-B779-4D1A-A9C2-27118802A377}"};

class PortsServerInstalled : public ::testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  TestSupport::TempDir m_dir;
};

// First: once the engine library is loaded, its classes are served from
// the process's class table whatever the registry says.
TEST_F(PortsServerInstalled, WithoutTheEngineRegistersNothingAndSaysWhy) {
  void* library = dlopen(VORN_PORTS_SERVER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const char* entry : {"DllRegisterServer", "DllUnregisterServer"}) {
    auto call = reinterpret_cast<HRESULT (*)()>(dlsym(library, entry));
    ASSERT_NE(call, nullptr) << entry;
    MessageBoxRecorder messages;
    EXPECT_EQ(call(), SELFREG_E_CLASS) << entry;
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Could not create VornModuleRegistrar object.\nModules in "
                                                         "this server will not be registered.\nHRESULT = 0x80040154"})
        << entry;
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + kModuleClass));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Corvanth\\Modules\\VornExternalIO"));
  dlclose(library);
}

TEST_F(PortsServerInstalled, RegistryRowsThenTheModuleByClassIdWithItsHelpPageAndIcon) {
  // A copy, so that the help page is written beside it and not in the build.
  const std::string copy = m_dir.Path("VornPortsModule.so");
  std::filesystem::copy_file(VORN_PORTS_SERVER, copy);
  ASSERT_EQ(RunRegServer({VORN_ENGINE_SERVER}), 0);
  ASSERT_EQ(RunRegServer({copy}), 0);
  const std::string server = ServerTests::RealPath(copy);
  const auto rows = ServerTests::ModuleServerRows(kNames, server);
  ServerTests::ExpectRowsWritten(rows);
  EXPECT_EQ(server.front(), '/');

  {
    CComPtr<IVornModuleLocal> module;
    ASSERT_EQ(CoCreateInstance(kModuleClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleLocal,
                               reinterpret_cast<void**>(&module)),
              S_OK);
    CComQIPtr<IVornModule> engineSide(module);
    ASSERT_TRUE(engineSide);
    CComBSTR type;
    ASSERT_EQ(engineSide->get_Type(&type), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(type), "VornExternalIO");

    // A page that cannot be written answers no path; once it can, it is
    // written at the next call.
    const std::string helpPage = server.substr(0, server.rfind('/') + 1) + "VornExternalIOModuleHelp.htm";
    std::filesystem::create_directory(helpPage);
    CComBSTR help;
    EXPECT_TRUE(FAILED(module->GetHelpFileName(&help)));
    EXPECT_FALSE(help);
    std::filesystem::remove(helpPage);
    ASSERT_EQ(module->GetHelpFileName(&help), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(help), helpPage);
    EXPECT_EQ(TestSupport::ReadFile(Platform::BstrToUtf8(help)), TestSupport::ReadFile(PORTS_HELP_PAGE));

    ServerTests::ExpectIconOfBitmap(module, PORTS_ICON);
    EXPECT_EQ(ServerTests::ServedPageTitle(kPageClsid), u"Custom");
  }

  ASSERT_EQ(RunRegServer({"-u", copy}), 0);
  ServerTests::ExpectRowsGone(rows);
}

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
