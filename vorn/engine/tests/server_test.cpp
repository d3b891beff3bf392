// The built engine library as an installation gets it: registered with the
// registration tool, made by CLSID through the registry, and taken out of
// the registry again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/activation/activation.h"
#include "platform/com/com.h"
#include "platform/registration/registration.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/tests/serverregistration.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"
#include "vorn/interfaces/registrar.h"

namespace {

using ServerTests::KeyExists;
using ServerTests::RegistryText;

struct ServerClass {
  const CLSID* clsid;
  const char* name;
};

const ServerClass kClasses[] = {
    {&CLSID_VornModule, "VornModule"},
    {&CLSID_VornEngine, "VornEngine"},
    {&CLSID_VornModuleRegistrar, "VornModuleRegistrar"},
    {&CLSID_VornStringList, "VornStringList"},
    {&CLSID_VornPersist, "VornPersist"},
};

std::string RealPath(const char* path) {
  char* real = realpath(path, nullptr);
  std::string text = real != nullptr ? real : "";
  std::free(real);
  return text;
}

class EngineServer : public ::testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  TestSupport::TempDir m_dir;
};

TEST_F(EngineServer, RegistersEveryClassWithItsProgIdsAndAbsolutePath) {
  ASSERT_EQ(ServerTests::RunRegServer({VORN_ENGINE_SERVER}), 0);
  const std::string path = RealPath(VORN_ENGINE_SERVER);
  ASSERT_FALSE(path.empty());
  for (const ServerClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    const std::string key = "CLSID\\" + Platform::GuidText(*c.clsid);
    const std::string independent = std::string("VornEngineHost.") + c.name;
    const std::string versioned = independent + ".1";
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key), std::string(c.name) + " Class");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\ProgID"), versioned);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\VersionIndependentProgID"), independent);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\InprocServer32"), path);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\TypeLib"), "{452A12E8-2929-4744-9E39-0330E3F5F625}");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + "\\Programmable"));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, independent + "\\CurVer"), versioned);
    CLSID named = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID(CComBSTR(versioned.c_str()), &named), S_OK);
    EXPECT_EQ(named, *c.clsid);
  }

  ASSERT_EQ(ServerTests::RunRegServer({"-u", VORN_ENGINE_SERVER}), 0);
  for (const ServerClass& c : kClasses) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + Platform::GuidText(*c.clsid))) << c.name;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("VornEngineHost.") + c.name)) << c.name;
  }
}

TEST_F(EngineServer, LoadedByClsidItServesItsClassesAndLooksForModuleServersBesideItself) {
  ASSERT_EQ(ServerTests::RunRegServer({VORN_ENGINE_SERVER}), 0);
  CComPtr<IVornEngine> engine;
  ASSERT_EQ(CoCreateInstance(CLSID_VornEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IVornEngine,
                             reinterpret_cast<void**>(&engine)),
            S_OK);
  // Once loaded, the library's classes come from the process's class table.
  CComPtr<IVornModuleRegistrar> registrar;
  EXPECT_EQ(CoCreateInstance(CLSID_VornModuleRegistrar, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleRegistrar,
                             reinterpret_cast<void**>(&registrar)),
            S_OK);
  CComPtr<IVornModuleLocal> module;
  EXPECT_EQ(CoCreateInstance(CLSID_VornModule, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleLocal,
                             reinterpret_cast<void**>(&module)),
            S_OK);
  // The plain module has the engine's own icon, from the library's bitmap.
  CComPtr<IPicture> icon;
  ASSERT_EQ(module->GetIcon(&icon), S_OK);
  ASSERT_TRUE(icon);

  std::string path = RealPath(VORN_ENGINE_SERVER);
  const std::string expected = path.substr(0, path.rfind('/')) + "/ModuleCom";
  const std::vector<std::string> directories = Platform::ServerSearchDirectories();
  EXPECT_NE(std::find(directories.begin(), directories.end(), expected), directories.end());
}

}  // namespace
