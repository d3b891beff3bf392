#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/registration/registration.h"
#include "platform/registration/tests/testserver.h"
#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"

namespace {

namespace fs = std::filesystem;

int RunTool(const std::vector<std::string>& arguments) {
  pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(REGSERVER_PROGRAM));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(REGSERVER_PROGRAM, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Text(const std::string& path, const char* name = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<no key>";
  char buffer[1024] = {};
  DWORD size = sizeof buffer, type = 0;
  LONG result = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "<no value>";
}

void SetText(const std::string& path, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

class Activation : public testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  TestSupport::TempDir m_dir;
};

HRESULT Create(REFCLSID clsid, LONG* value) {
  ITestThing* thing = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITestThing, reinterpret_cast<void**>(&thing));
  if (SUCCEEDED(hr)) {
    hr = thing->GetValue(value);
    thing->Release();
  }
  return hr;
}

// The whole life of a server library in one process: the library is
// loaded at most once, so the order of the steps matters.
TEST_F(Activation, ServerLibraryRegisteredByTheToolAndLoadedOnDemand) {
  std::string library = m_dir.Path("libthing.so");
  fs::copy_file(TEST_SERVER_LIBRARY, library);
  ASSERT_EQ(RunTool({library}), 0);

  std::string classKey = "CLSID\\" + Platform::GuidText(CLSID_TestThing);
  EXPECT_EQ(Text(classKey), "Thing Class");
  EXPECT_EQ(Text(classKey + "\\InprocServer32"), fs::canonical(library).string());
  EXPECT_EQ(Text(classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Text(classKey + "\\ProgID"), "PlatformTest.Thing.1");
  EXPECT_EQ(Text(classKey + "\\VersionIndependentProgID"), "PlatformTest.Thing");
  EXPECT_EQ(Text(classKey + "\\TypeLib"), Platform::GuidText(LIBID_TestThingLib));
  EXPECT_EQ(Text("PlatformTest.Thing.1\\CLSID"), Platform::GuidText(CLSID_TestThing));
  EXPECT_EQ(Text("PlatformTest.Thing\\CLSID"), Platform::GuidText(CLSID_TestThing));
  EXPECT_EQ(Text("PlatformTest.Thing\\CurVer"), "PlatformTest.Thing.1");

  // Registered but gone from the disk.
  fs::remove(library);
  LONG value = 0;
  EXPECT_EQ(Create(CLSID_TestThing, &value), CO_E_DLLNOTFOUND);

  fs::copy_file(TEST_SERVER_LIBRARY, library);
  ASSERT_EQ(Create(CLSID_TestThing, &value), S_OK);
  EXPECT_EQ(value, kTestThingValue);
  for (const char16_t* progId : {u"PlatformTest.Thing.1", u"platformtest.thing"}) {
    CLSID clsid = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestThing);
    value = 0;
    EXPECT_EQ(Create(clsid, &value), S_OK);
    EXPECT_EQ(value, kTestThingValue);
  }

  ASSERT_EQ(RunTool({"-u", library}), 0);
  EXPECT_EQ(Text(classKey), "<no key>");
  EXPECT_EQ(Text("PlatformTest.Thing.1"), "<no key>");
  EXPECT_EQ(Text("PlatformTest.Thing"), "<no key>");
}

TEST_F(Activation, FailuresNameTheirCause) {
  std::string text = m_dir.Write("notalibrary.so", "plain text, not a library\n");
  std::string classesDir = m_dir.Path("servers");
  fs::create_directory(classesDir);
  fs::copy_file(TEST_SERVER_LIBRARY, classesDir + "/libbare.so");
  Platform::AddServerSearchDirectory(classesDir);
  // Copies cut short after registration: in the ELF header, in the program
  // headers, and in the segments, which the loader would map and touch
  // past the end of the file.
  std::vector<std::string> cut;
  for (std::uintmax_t length : {20, 100, 10000}) {
    cut.push_back(m_dir.Path("libcut" + std::to_string(length) + ".so"));
    fs::copy_file(TEST_SERVER_LIBRARY, cut.back());
    fs::resize_file(cut.back(), length);
  }
  struct Case {
    const char* clsid;
    const char* server; // null: not registered
    HRESULT expected;
  } cases[] = {
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B01}", nullptr, REGDB_E_CLASSNOTREG},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B02}", "", REGDB_E_CLASSNOTREG},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B03}", "/nonexistent/libnothing.so", CO_E_DLLNOTFOUND},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B04}", "libnowhere.so", CO_E_DLLNOTFOUND},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B05}", text.c_str(), CO_E_ERRORINDLL},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B08}", cut[0].c_str(), CO_E_ERRORINDLL},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B09}", cut[1].c_str(), CO_E_ERRORINDLL},
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B0A}", cut[2].c_str(), CO_E_ERRORINDLL},
      // A library, but no server: it has no DllGetClassObject.
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B06}", PLATFORM_LIBRARY, CO_E_ERRORINDLL},
      // Found through the search list; it serves another class only.
      {"{5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6B07}", "libbare.so", CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const Case& c : cases) {
    if (c.server != nullptr)
      SetText(std::string("CLSID\\") + c.clsid + "\\InprocServer32", c.server);
    CLSID clsid = *Platform::ParseGuid(std::string(c.clsid));
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
              c.expected)
        << c.clsid;
    EXPECT_EQ(object, nullptr);
  }
  CLSID clsid = CLSID_TestThing;
  EXPECT_EQ(CLSIDFromProgID(u"PlatformTest.Nothing", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, GUID_NULL);
}

TEST_F(Activation, ToolCommandLine) {
  EXPECT_EQ(RunTool({}), 1);
  EXPECT_EQ(RunTool({"-x", "lib.so"}), 1);
  EXPECT_EQ(RunTool({m_dir.Path("missing.so")}), 2);
  EXPECT_EQ(RunTool({PLATFORM_LIBRARY}), 2);
}

TEST_F(Activation, KeyTreeDelete) {
  for (const char* path : {"Tree\\A\\B\\C", "Tree\\A\\D", "Tree\\E"})
    SetText(path, "x");
  SetText("Kept", "x");
  EXPECT_EQ(Platform::DeleteKeyTree(HKEY_CLASSES_ROOT, "Tree"), ERROR_SUCCESS);
  EXPECT_EQ(Text("Tree"), "<no key>");
  EXPECT_EQ(Text("Kept"), "x");
  EXPECT_EQ(Platform::DeleteKeyTree(HKEY_CLASSES_ROOT, "Tree"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Platform::DeleteKeyTree(HKEY_CLASSES_ROOT, ""), ERROR_INVALID_PARAMETER);
}

} // namespace
