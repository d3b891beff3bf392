#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

#include "platform/activation/activation.h"
#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/moduletyperegistry.h"

namespace {

using Vorn::ModuleTypeRegistry;

PLATFORM_DEFINE_GUID(kFirst, "0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9");
PLATFORM_DEFINE_GUID(kSecond, "1A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9");

class ModuleTypes : public testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }

  static void SetText(HKEY root, const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                  static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }
  static void MakeKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // A type whose class names server as its file (none: no server key).
  static void Type(const std::string& type, const std::string& clsidText, const char* server) {
    SetText(HKEY_LOCAL_MACHINE, ModuleTypeRegistry::KeyPath(type), "ClassID", clsidText);
    if (server != nullptr)
      SetText(HKEY_CLASSES_ROOT, "CLSID\\" + clsidText + "\\InprocServer32", nullptr, server);
  }

  TestSupport::TempDir m_dir;
};

TEST_F(ModuleTypes, ClassIdNeedsAReadableClassText) {
  const std::string modules = ModuleTypeRegistry::KeyPath();
  EXPECT_EQ(modules, "Software\\Corvanth\\Modules");
  SetText(HKEY_LOCAL_MACHINE, modules + "\\Good", "ClassID", Platform::GuidText(kFirst));
  SetText(HKEY_LOCAL_MACHINE, modules + "\\Garbled", "ClassID", "{not a class}");
  MakeKey(HKEY_LOCAL_MACHINE, modules + "\\Empty");
  HKEY key = nullptr;
  RegCreateKeyEx(HKEY_LOCAL_MACHINE, (modules + "\\Number").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                 nullptr);
  DWORD number = 7;
  RegSetValueEx(key, "ClassID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);

  struct Case {
    const char* type;
    bool found;
  };
  for (const Case& c : {Case{"Good", true}, Case{"good", true}, Case{"Garbled", false}, Case{"Empty", false},
                        Case{"Number", false}, Case{"Missing", false}, Case{"", false}}) {
    CLSID clsid = kSecond;
    EXPECT_EQ(ModuleTypeRegistry::GetClassId(c.type, clsid), c.found) << c.type;
    EXPECT_EQ(clsid, c.found ? kFirst : kSecond) << c.type;
  }
}

TEST_F(ModuleTypes, RegisterOverwritesAndUnregisterTakesTheTree) {
  ModuleTypeRegistry::Register("Gain", kFirst);
  ModuleTypeRegistry::Register("Gain", kSecond);
  ModuleTypeRegistry::Register("Mixer", kFirst);
  MakeKey(HKEY_LOCAL_MACHINE, ModuleTypeRegistry::KeyPath("Gain") + "\\Settings\\Deeper");
  CLSID clsid = GUID_NULL;
  ASSERT_TRUE(ModuleTypeRegistry::GetClassId("Gain", clsid));
  EXPECT_EQ(clsid, kSecond);

  ModuleTypeRegistry::Unregister("Nothing");
  EXPECT_EQ(ModuleTypeRegistry::ListTypes(false), (std::vector<std::string>{"Gain", "Mixer"}));
  ModuleTypeRegistry::Unregister("Gain");
  EXPECT_EQ(ModuleTypeRegistry::ListTypes(false), (std::vector<std::string>{"Mixer"}));
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, (ModuleTypeRegistry::KeyPath("Gain") + "\\Settings").c_str(), 0,
                         KEY_READ, &key),
            ERROR_SUCCESS);
}

TEST_F(ModuleTypes, PruningDropsOnlyTypesWhoseServerIsGone) {
  std::string alive = m_dir.Write("alive.so", "server");
  std::filesystem::create_directory(m_dir.Path("servers"));
  m_dir.Write("servers/bare.so", "server");
  Platform::AddServerSearchDirectory(m_dir.Path("servers"));
  struct Case {
    const char* type;
    const char* clsid;
    const char* server;
    bool kept;
  };
  const Case cases[] = {
      {"Alive", "{00000001-0000-0000-0000-000000000001}", alive.c_str(), true},
      {"Removed", "{00000002-0000-0000-0000-000000000001}", "/nonexistent/removed.so", false},
      {"NoServerKey", "{00000003-0000-0000-0000-000000000001}", nullptr, false},
      {"Garbled", "not a class", "/nonexistent/garbled.so", false},
      // Read against no working directory, so never taken for missing.
      {"Relative", "{00000005-0000-0000-0000-000000000001}", "lib/relative.so", true},
      {"OnSearchList", "{00000006-0000-0000-0000-000000000001}", "bare.so", true},
      {"Nowhere", "{00000007-0000-0000-0000-000000000001}", "nowhere.so", false},
  };
  std::vector<std::string> all, kept;
  for (const Case& c : cases) {
    Type(c.type, c.clsid, c.server);
    all.push_back(c.type);
    if (c.kept)
      kept.push_back(c.type);
  }
  MakeKey(HKEY_LOCAL_MACHINE, ModuleTypeRegistry::KeyPath("NoClassId"));
  all.push_back("NoClassId");
  std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  std::sort(kept.begin(), kept.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });

  std::string path;
  EXPECT_TRUE(ModuleTypeRegistry::GetServerPath("Relative", path));
  EXPECT_EQ(path, "lib/relative.so");
  EXPECT_EQ(ModuleTypeRegistry::ListTypes(false), all);
  EXPECT_EQ(ModuleTypeRegistry::ListTypes(true), kept);
  EXPECT_EQ(ModuleTypeRegistry::ListTypes(false), kept);
}

} // namespace
