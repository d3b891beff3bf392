// A module server as it is installed: the engine library and the test
// server registered through the registration tool, the module made by its
// class ID through the registry. The test links none of the server's code.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/activation/activation.h"
#include "platform/com/com.h"
#include "platform/com/picture.h"
#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/tests/serverregistration.h"
#include "vorn/interfaces/module.h"
#include "vorn/modules/common/tests/testserver/gainmodule.h"

namespace {

using ServerTests::KeyExists;
using ServerTests::RegistryText;
using ServerTests::RunRegServer;

std::string RealPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  std::string text = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return text;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ModuleServer : public ::testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  TestSupport::TempDir m_dir;
};

// First: once the engine library is loaded, its classes are served from
// the process's class table whatever the registry says.
TEST_F(ModuleServer, WithoutTheEngineRegistersNothingAndSaysWhy) {
  void* library = dlopen(TEST_MODULE_SERVER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(library, "DllRegisterServer"));
  ASSERT_NE(registerServer, nullptr);
  MessageBoxRecorder messages;
  EXPECT_EQ(registerServer(), SELFREG_E_CLASS);
  const std::vector<std::string> texts = messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Could not create VornModuleRegistrar object.\nModules in this server will not be "
                           "registered.\nHRESULT = 0x8",
                           0),
            0u)
      << texts[0];
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + Platform::GuidText(CLSID_TestGainModule)));
  dlclose(library);
}

TEST_F(ModuleServer, RegistersTypeAndClassAndServesTheModuleByClassId) {
  ASSERT_EQ(RunRegServer({VORN_ENGINE_SERVER}), 0);
  ASSERT_EQ(RunRegServer({TEST_MODULE_SERVER}), 0);

  const std::string key = "CLSID\\" + Platform::GuidText(CLSID_TestGainModule);
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key), "TestGainModule Class");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\ProgID"), "VornTestModule.TestGainModule.1");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\InprocServer32"), RealPath(TEST_MODULE_SERVER));
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "VornTestModule.TestGainModule\\CurVer"),
            "VornTestModule.TestGainModule.1");

  // One object carries the engine's half and the server's.
  CComPtr<IVornModuleLocal> module;
  ASSERT_EQ(CoCreateInstance(CLSID_TestGainModule, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleLocal,
                             reinterpret_cast<void**>(&module)),
            S_OK);
  CComQIPtr<ITestGainModule> gain(module);
  CComQIPtr<IVornModule> engineSide(module);
  ASSERT_TRUE(gain);
  ASSERT_TRUE(engineSide);
  CComBSTR type;
  ASSERT_EQ(engineSide->get_Type(&type), S_OK);
  EXPECT_EQ(Platform::BstrToUtf8(type), "TestGain");

  // The help page is the resource, byte for byte, beside the server.
  CComBSTR help;
  ASSERT_EQ(module->GetHelpFileName(&help), S_OK);
  const std::string server = RealPath(TEST_MODULE_SERVER);
  EXPECT_EQ(Platform::BstrToUtf8(help), server.substr(0, server.rfind('/') + 1) + "TestGainModuleHelp.htm");
  EXPECT_EQ(FileBytes(Platform::BstrToUtf8(help)), FileBytes(TEST_MODULE_HELP));

  // The icon is the server's bitmap 4000 (16 by 12 pixels).
  CComPtr<IPicture> icon;
  ASSERT_EQ(module->GetIcon(&icon), S_OK);
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  ASSERT_EQ(icon->get_Width(&width), S_OK);
  ASSERT_EQ(icon->get_Height(&height), S_OK);
  EXPECT_EQ(width, (16 * 2540 + 48) / 96);
  EXPECT_EQ(height, (12 * 2540 + 48) / 96);
  module.Release();
  gain.Release();
  engineSide.Release();

  ASSERT_EQ(RunRegServer({"-u", TEST_MODULE_SERVER}), 0);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
}

}  // namespace
