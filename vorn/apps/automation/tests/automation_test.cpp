#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/com/text.h"
#include "platform/db/database.h"
#include "platform/resources/module.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/window.h"
#include "tests/support/tempdir.h"
#include "vorn/apps/automation/application.h"
#include "vorn/apps/automation/moduleext.h"
#include "vorn/apps/automation/scriptcalls.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/module.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/engine/registrarobjects.h"

// A module server's own automation interface, reached through the wrapper.
PLATFORM_DEFINE_IID(ITestLevel, "5E0C9A71-2B3D-4C5E-8F60-718293A4B5C6");
struct ITestLevel : IDispatch {
  virtual HRESULT get_Level(float* level) = 0;
  virtual HRESULT put_Level(float level) = 0;

protected:
  ~ITestLevel() = default;
};

BEGIN_DISPATCH_TABLE(ITestLevel)
  DISPATCH_ENTRY_GET(1, "Level", &ITestLevel::get_Level)
  DISPATCH_ENTRY_PUT(1, "Level", &ITestLevel::put_Level)
END_DISPATCH_TABLE()

namespace {

using namespace Vorn;

int g_liveServers = 0;

PLATFORM_DEFINE_GUID(CLSID_TestSource, "7A1B2C3D-4E5F-4061-8273-94A5B6C7D801");
PLATFORM_DEFINE_GUID(CLSID_TestSink, "7A1B2C3D-4E5F-4061-8273-94A5B6C7D802");

// A module server with the engine's module object aggregated inside it, as
// real servers have it. Source has the output "Out", Sink the input "In";
// both answer ITestLevel as their IDispatch.
template <bool IsSource>
class ATL_NO_VTABLE TestServer : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<TestServer<IsSource>, &GUID_NULL>,
                                 public IDispatchImpl<IVornDerivedModule>,
                                 public IDispatchImpl<ITestLevel> {
public:
  DECLARE_NOT_AGGREGATABLE(TestServer)
  BEGIN_COM_MAP(TestServer)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY(ITestLevel)
    COM_INTERFACE_ENTRY2(IDispatch, ITestLevel)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  TestServer() { ++g_liveServers; }
  ~TestServer() override { --g_liveServers; }

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(this->GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&m_module));
    m_module->Release();  // the module object lives inside this one
    m_module->SetModuleType(CComBSTR(IsSource ? "Source" : "Sink"));
    return m_module->SetDerivedModule(this->GetControllingUnknown());
  }
  void FinalRelease() {
    if (m_inner)
      m_inner->Release();
  }

  // "Default" as the bundled example's microphone and speaker have it.
  HRESULT Initialize() override {
    HRESULT (IVornModule::*define)(BSTR, VornConnectionType, int) =
        IsSource ? &IVornModule::DefineOutput : &IVornModule::DefineInput;
    (m_module->*define)(CComBSTR("Default"), ctFloatArray, 4);
    return (m_module->*define)(CComBSTR(IsSource ? "Out" : "In"), ctFloatArray, 4);
  }
  HRESULT Run() override { return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Start() override { return S_OK; }
  HRESULT Save(IDispatch*) override { return S_OK; }
  HRESULT Load(IDispatch*) override { return S_OK; }
  HRESULT GetIcon(IDispatch** icon) override {
    *icon = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetHelpFileName(BSTR* path) override {
    *path = nullptr;
    return S_OK;
  }
  HRESULT GetModuleInfo(VornModuleInfo*) override { return S_OK; }
  HRESULT GetDebugBuildFlag(BOOL* debug) override {
    *debug = FALSE;
    return S_OK;
  }
  HRESULT Activate() override { return S_OK; }
  HRESULT Deactivate() override { return S_OK; }

  HRESULT get_Level(float* level) override {
    *level = m_level;
    return S_OK;
  }
  HRESULT put_Level(float level) override {
    m_level = level;
    return S_OK;
  }

  IUnknown* m_inner = nullptr;

private:
  IVornModule* m_module = nullptr;
  float m_level = 1.0f;
};

using namespace Vorn::Script;

// A registry of the two test types over a fresh directory, on the computer
// LAB1, and automation objects made by their class as a script makes them.
class AutomationTest : public ::testing::Test {
protected:
  AutomationTest() {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_COMPUTERNAME", "LAB1", 1);
    Platform::AddInProcessClass(CLSID_VornEngine, &VornEngine::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_VornModule, &CVornModule::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_VornStringList, &VornStringList::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_VornPersist, &VornPersist::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_TestSource, &TestServer<true>::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_TestSink, &TestServer<false>::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_VornApp, &VornApp::_CreatorClass::CreateInstance,
                                VornApp::GetClassRegistration());
    ModuleTypeRegistry::Register("Source", CLSID_TestSource);
    ModuleTypeRegistry::Register("Sink", CLSID_TestSink);
  }
  ~AutomationTest() override {
    unsetenv("PLATFORM_REGISTRY_FILE");
    unsetenv("PLATFORM_COMPUTERNAME");
  }

  // A new automation object by its ProgID.
  CComPtr<IDispatch> NewApp() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Vorn.Application", &clsid), S_OK);
    CComPtr<IDispatch> app;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&app)), S_OK);
    return app;
  }
  // A new object with a model of a source "src" feeding two sinks.
  CComPtr<IDispatch> Model() {
    CComPtr<IDispatch> app = NewApp();
    EXPECT_EQ(Method(app, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
    for (auto [type, name] : {std::pair{"Source", "src"}, {"Source", "other"}, {"Sink", "sink"}, {"Sink", "sink2"}})
      EXPECT_EQ(Method(app, "AddModule", {CComVariant(type), CComVariant(name), CComVariant("")}).hr, S_OK);
    return app;
  }
  LONG Connect(IDispatch* app, const char* method, const char* src, const char* dest, const char* output,
               const char* input) {
    Call call = Method(app, method, {CComVariant(src), CComVariant(dest), CComVariant(output), CComVariant(input)});
    EXPECT_EQ(call.hr, S_OK) << method;
    return NumberOf(call.result);
  }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("model.vrn");
  MessageBoxRecorder m_messages;
};

// A working file whose module table cannot be read, though the file opens.
std::string DamagedModuleTable(const TestSupport::TempDir& dir, const std::string& from) {
  std::string path = dir.Path("damaged.vrn");
  std::filesystem::copy_file(from, path);
  std::int64_t page = 0, size = 0;
  {
    Platform::Db::Database db(path, {Platform::Db::OpenMode::Existing, Platform::Db::Journal::Rollback});
    for (int id = 0; id < 100; ++id)
      db.Prepare("INSERT INTO Modules VALUES (?1, 'Source', ?2, '')").Bind(1, id).Bind(2, std::string(200, 'n'))
          .Execute();
    page = db.QueryInt64("SELECT rootpage FROM sqlite_schema WHERE name = 'Modules'").value();
    size = db.QueryInt64("PRAGMA page_size").value();
  }
  std::string bytes = TestSupport::ReadFile(path);
  bytes.replace(static_cast<std::size_t>((page - 1) * size), static_cast<std::size_t>(size),
                static_cast<std::size_t>(size), '\xFF');
  return dir.Write("damaged.vrn", bytes);
}

TEST_F(AutomationTest, OpenFileWritesTheTemplateWhereNoFileIsAndPassesOnAFailedOpen) {
  std::string notADatabase = m_dir.Write("text.vrn", "this is not a working file, but some text long enough\n");
  struct Case {
    std::string path;
    bool succeeds;
    std::size_t messages;  // each failure to open is said once
  } cases[] = {
      {m_path, true, 0},                               // written from the template
      {m_path, true, 0},                               // now there: opened as it is
      {notADatabase, false, 1},                        // there, and no working file
      {"damaged", false, 1},                           // its modules cannot be read
      {m_dir.Path("missing/dir/model.vrn"), false, 0}, // cannot be written
      {"", false, 0},
  };
  CComPtr<IDispatch> app = NewApp();
  for (Case& c : cases) {
    if (c.path == "damaged")
      c.path = DamagedModuleTable(m_dir, m_path);
    SCOPED_TRACE(c.path);
    const std::size_t before = m_messages.Texts().size();
    HRESULT hr = Method(app, "OpenFile", {CComVariant(c.path.c_str())}).hr;
    EXPECT_EQ(SUCCEEDED(hr), c.succeeds) << std::hex << hr;
    EXPECT_EQ(m_messages.Texts().size() - before, c.messages);
    if (c.succeeds) {
      EXPECT_TRUE(std::filesystem::exists(c.path));
      EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), 0);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir.Path("missing"))) << "nothing left behind";
  EXPECT_EQ(TestSupport::ReadFile(notADatabase).substr(0, 12), "this is not ") << "the file is left as it was";
}

TEST_F(AutomationTest, ModulesAreAddedFoundAndCountedByName) {
  CComPtr<IDispatch> app = Model();
  Call again = Method(app, "AddModule", {CComVariant("Sink"), CComVariant("SRC"), CComVariant("")});
  ASSERT_EQ(again.hr, S_OK);
  ASSERT_NE(ObjectOf(again.result), nullptr);
  EXPECT_EQ(TextOf(Get(ObjectOf(again.result), "Type").result), "Source") << "the existing module, not a new one";
  EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), 4);

  EXPECT_EQ(Method(app, "AddModule", {CComVariant("NoSuchType"), CComVariant("x"), CComVariant("")}).hr,
            REGDB_E_CLASSNOTREG);
  Call none = Method(app, "FindModule", {CComVariant("nobody")});
  EXPECT_EQ(none.hr, S_OK);
  EXPECT_EQ(ObjectOf(none.result), nullptr);

  std::vector<std::string> names;
  for (LONG i = 0; i < 4; ++i)
    names.push_back(TextOf(Get(ObjectOf(Get(app, "Modules", {CComVariant(i)}).result), "Name").result));
  EXPECT_EQ(names, (std::vector<std::string>{"src", "other", "sink", "sink2"}));
  EXPECT_EQ(Get(app, "Modules", {CComVariant(4L)}).hr, E_INVALIDARG);
  EXPECT_EQ(Get(app, "Modules", {CComVariant(-1L)}).hr, E_INVALIDARG);

  CComPtr<IDispatch> module = ObjectOf(Method(app, "FindModule", {CComVariant("Sink")}).result);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(TextOf(Get(module, "processor").result), "<Local>");
  EXPECT_EQ(Get(module, "IsLocal").result.vt, VT_BOOL);
  EXPECT_EQ(Get(module, "IsLocal").result.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Put(module, "Name", CComVariant("renamed")), S_OK);
  EXPECT_NE(ObjectOf(Method(app, "FindModule", {CComVariant("RENAMED")}).result), nullptr);
}

TEST_F(AutomationTest, ConnectingAndDisconnectingAnswerTheirCodes) {
  CComPtr<IDispatch> app = Model();
  struct Case {
    const char* method;
    const char* src;
    const char* dest;
    const char* output;
    const char* input;
    LONG code;
    bool connectedAfter;  // src.Out -> sink.In
  } cases[] = {
      {"ConnectModules", "src", "sink", "Out", "In", vornOK, true},
      {"ConnectModules", "SRC", "SINK", "Out", "In", vornOK, true},  // already so
      {"ConnectModules", "other", "sink", "Out", "In", vornConnectionDatatypeMismatch, true},
      {"ConnectModules", "src", "sink2", "Out", "Nope", vornConnectionDatatypeMismatch, true},
      {"ConnectModules", "src", "nobody", "Out", "In", vornModuleNotFound, true},
      {"DisconnectModules", "src", "sink", "Out", "in", vornInvalidInputOrOutput, true},  // names match exactly
      {"DisconnectModules", "src", "sink2", "Out", "In", vornNoConnection, true},
      {"DisconnectModules", "nobody", "sink", "Out", "In", vornModuleNotFound, true},
      {"DisconnectModules", "src", "sink", "Out", "In", vornOK, false},
      {"DisconnectModules", "src", "sink", "Out", "In", vornNoConnection, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + " " + c.src + " " + c.dest + " " + c.input);
    EXPECT_EQ(Connect(app, c.method, c.src, c.dest, c.output, c.input), c.code);
    Call connected = Method(app, "ModulesAreConnected",
                            {CComVariant("src"), CComVariant("sink"), CComVariant("Out"), CComVariant("In")});
    EXPECT_EQ(connected.result.vt, VT_BOOL);
    EXPECT_EQ(connected.result.boolVal, c.connectedAfter ? VARIANT_TRUE : VARIANT_FALSE);
  }
}

TEST_F(AutomationTest, ANewObjectOnTheSameFileRestoresModulesConnectionsAndValues) {
  {
    CComPtr<IDispatch> app = Model();
    ASSERT_EQ(Connect(app, "ConnectModules", "src", "sink", "Out", "In"), vornOK);
    EXPECT_EQ(Method(app, "SaveModuleValue", {CComVariant("sink"), CComVariant("Gain"), CComVariant("0.25")}).hr,
              S_OK);
    EXPECT_EQ(TextOf(Method(app, "LoadModuleValue", {CComVariant("SINK"), CComVariant("gain")}).result), "0.25");
    for (const char* member : {"SaveModuleValue", "LoadModuleValue"}) {
      Call call = member[0] == 'S'
                      ? Method(app, member, {CComVariant("nobody"), CComVariant("Gain"), CComVariant("1")})
                      : Method(app, member, {CComVariant("nobody"), CComVariant("Gain")});
      EXPECT_EQ(call.hr, E_INVALIDARG) << member;
    }
    EXPECT_EQ(Method(app, "SaveAll").hr, S_OK);
  }
  EXPECT_EQ(g_liveServers, 0);
  EXPECT_EQ(Platform::Db::Database(m_path).QueryInt64("SELECT count(*) FROM Modules").value_or(0), 4)
      << "every module saved itself";
  CComPtr<IDispatch> app = NewApp();
  ASSERT_EQ(Method(app, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
  EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), 4);
  EXPECT_EQ(Method(app, "ModulesAreConnected",
                   {CComVariant("src"), CComVariant("sink"), CComVariant("Out"), CComVariant("In")})
                .result.boolVal,
            VARIANT_TRUE);
  EXPECT_EQ(TextOf(Method(app, "LoadModuleValue", {CComVariant("sink"), CComVariant("Gain")}).result), "0.25");
}

// The engine as the automation object meets it, counting the calls that
// step through its collection slot by slot; past the bound it answers an
// empty collection, so a walk of every slot ends at once and shows.
class SlotCountingEngine : public VornEngine {
public:
  static constexpr long kBound = 100000;
  static inline long calls = 0;
  int GetModuleCount() override { return ++calls > kBound ? 0 : VornEngine::GetModuleCount(); }
  IVornModuleLocal* GetModule(int nID) override { return ++calls > kBound ? nullptr : VornEngine::GetModule(nID); }
};

// Calls by name or by place cost in the number of modules, not in the
// highest ID: a report of 10,000 modules spread up to the bound of IDs
// steps through few slots, whatever the IDs.
TEST_F(AutomationTest, ModulesAreReachedByNameAndPlaceWithoutWalkingEmptySlots) {
  constexpr int kModules = 10000;
  std::vector<int> ids;
  for (int i = 0; i < kModules; ++i)
    ids.push_back(static_cast<int>((static_cast<long long>(i) * 104729) % kModuleIDLimit));
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  ASSERT_TRUE(WriteWorkingFileTemplate(Platform::ThisModule(), m_path));
  {
    Platform::Db::Database db(m_path, {Platform::Db::OpenMode::Existing, Platform::Db::Journal::Rollback});
    Platform::Db::Transaction rows(db);
    for (int id : ids)
      db.Prepare("INSERT INTO Modules VALUES (?1, 'Sink', ?2, '')").Bind(1, id).Bind(2, "m" + std::to_string(id))
          .Execute();
    rows.Commit();
  }
  const auto engine = &VornEngine::_CreatorClass::CreateInstance;
  const auto counting = &CComCreator<CComObject<SlotCountingEngine>>::CreateInstance;
  Platform::RemoveInProcessClass(CLSID_VornEngine, engine);
  Platform::AddInProcessClass(CLSID_VornEngine, counting, nullptr);
  {
    CComPtr<IDispatch> app = NewApp();
    ASSERT_EQ(Method(app, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
    SlotCountingEngine::calls = 0;
    EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), kModules);
    for (int at = 0; at < kModules; at += 97) {
      const std::string name = "M" + std::to_string(ids[static_cast<std::size_t>(at)]);
      CComPtr<IDispatch> placed = ObjectOf(Get(app, "Modules", {CComVariant(static_cast<LONG>(at))}).result);
      CComPtr<IDispatch> named = ObjectOf(Method(app, "FindModule", {CComVariant(name.c_str())}).result);
      ASSERT_NE(placed, nullptr) << at;
      ASSERT_NE(named, nullptr) << name;
      EXPECT_TRUE(Platform::EqualsIgnoringAsciiCase(TextOf(Get(placed, "Name").result), name));
      EXPECT_EQ(TextOf(Get(named, "Name").result), TextOf(Get(placed, "Name").result));
      EXPECT_EQ(TextOf(Method(app, "LoadModuleValue", {CComVariant(name.c_str()), CComVariant("Gain")}).result), "");
      EXPECT_EQ(Connect(app, "ConnectModules", name.c_str(), name.c_str(), "Out", "In"),
                vornConnectionDatatypeMismatch);
    }
    EXPECT_EQ(Get(app, "Modules", {CComVariant(static_cast<LONG>(kModules))}).hr, E_INVALIDARG);
    EXPECT_LE(SlotCountingEngine::calls, SlotCountingEngine::kBound);
  }
  Platform::RemoveInProcessClass(CLSID_VornEngine, counting);
  Platform::AddInProcessClass(CLSID_VornEngine, engine, nullptr);
}

TEST_F(AutomationTest, TheBundledExampleOpensWithItsModules) {
  ModuleTypeRegistry::Register("Microphone", CLSID_TestSource);
  ModuleTypeRegistry::Register("Speaker", CLSID_TestSink);
  std::filesystem::copy_file(VORN_EXAMPLES_DIR "/microphone-to-speaker.vrn", m_path);
  CComPtr<IDispatch> app = NewApp();
  ASSERT_EQ(Method(app, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
  EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), 2);
  for (auto [name, type] : {std::pair{"mic", "Microphone"}, {"spk", "Speaker"}}) {
    CComPtr<IDispatch> module = ObjectOf(Method(app, "FindModule", {CComVariant(name)}).result);
    ASSERT_NE(module, nullptr) << name;
    EXPECT_EQ(TextOf(Get(module, "Type").result), type);
    EXPECT_EQ(Get(module, "IsLocal").result.boolVal, VARIANT_TRUE) << name;
  }
  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(AutomationTest, TheWrapperReachesTheServersOwnMembersAndDoesNotKeepARemovedModule) {
  CComPtr<IDispatch> app = Model();
  CComPtr<IDispatch> module = ObjectOf(Method(app, "FindModule", {CComVariant("src")}).result);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(Put(module, "level", CComVariant(2.5f)), S_OK);
  EXPECT_EQ(Get(module, "Level").result.fltVal, 2.5f);
  EXPECT_EQ(TextOf(Get(module, "Name").result), "src") << "the wrapper's own members come first";
  EXPECT_EQ(Get(module, "NoSuchMember").hr, DISP_E_UNKNOWNNAME);

  EXPECT_EQ(Method(app, "RemoveModule", {CComVariant("src")}).hr, S_OK);
  EXPECT_EQ(Method(app, "RemoveModule", {CComVariant("src")}).hr, S_OK) << "no module: nothing to do";
  EXPECT_EQ(g_liveServers, 4) << "the script still holds it";
  // A removed module does not write itself back into the working file.
  EXPECT_EQ(Method(module, "Save").hr, E_UNEXPECTED);
  EXPECT_EQ(Put(module, "processor", CComVariant("<Local>")), E_UNEXPECTED);
  module.Release();
  EXPECT_EQ(g_liveServers, 3) << "gone with the script's last reference";

  // A module let go of after the application still reaches its engine.
  CComPtr<IDispatch> other = ObjectOf(Method(app, "FindModule", {CComVariant("other")}).result);
  ASSERT_NE(other, nullptr);
  app.Release();
  EXPECT_EQ(Get(other, "IsLocal").result.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Method(other, "Save").hr, S_OK);
  other.Release();
  CComPtr<IDispatch> reopened = NewApp();
  ASSERT_EQ(Method(reopened, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
  EXPECT_EQ(ObjectOf(Method(reopened, "FindModule", {CComVariant("src")}).result), nullptr);
  EXPECT_NE(ObjectOf(Method(reopened, "FindModule", {CComVariant("other")}).result), nullptr);
}

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER)
    ++*reinterpret_cast<int*>(GetWindowLongPtr(window, GWLP_USERDATA));
  return DefWindowProc(window, message, wParam, lParam);
}

TEST_F(AutomationTest, WaitHandlesTheThreadsMessagesAndRunningFollowsTheEngine) {
  CComPtr<IDispatch> app = Model();
  WNDCLASS windowClass{};
  windowClass.lpfnWndProc = CountingWindowProc;
  windowClass.lpszClassName = "AutomationTestWindow";
  RegisterClass(&windowClass);
  HWND window = CreateWindowEx(0, "AutomationTestWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                               nullptr);
  ASSERT_NE(window, nullptr);
  int handled = 0;
  SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
  PostMessage(window, WM_USER, 0, 0);
  EXPECT_EQ(Method(app, "Wait", {CComVariant(20.0f)}).hr, S_OK);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(Method(app, "Wait", {CComVariant(-5.0f)}).hr, S_OK) << "a time already past ends at once";
  DestroyWindow(window);

  // As a script writes it: only -1 (true) runs.
  struct Case {
    LONG put;
    VARIANT_BOOL running;
  } cases[] = {{-1, VARIANT_TRUE}, {1, VARIANT_FALSE}, {-1, VARIANT_TRUE}, {0, VARIANT_FALSE}};
  for (const Case& c : cases) {
    EXPECT_EQ(Put(app, "Running", CComVariant(c.put)), S_OK);
    EXPECT_EQ(Get(app, "Running").result.boolVal, c.running) << c.put;
  }
}

TEST_F(AutomationTest, WithoutOtherMachinesTheHostListIsEmptyAndNoRemoteConnectionIsMade) {
  CComPtr<IDispatch> app = Model();
  Call hosts = Method(app, "GetHostsRunningApp", {CComVariant(""), CComVariant(true)});
  ASSERT_EQ(hosts.hr, S_OK);
  ASSERT_EQ(hosts.result.vt, VT_ARRAY | VT_BSTR);
  LONG upper = 0;
  SafeArrayGetUBound(hosts.result.parray, 1, &upper);
  EXPECT_EQ(upper, -1);
  Call remote = Method(app, "ConnectToDistributedModule", {CComVariant("src"), CComVariant("far"),
                                                           CComVariant("LAB2"), CComVariant("Out"), CComVariant("In")});
  EXPECT_EQ(remote.hr, S_OK);
  EXPECT_EQ(NumberOf(remote.result), vornDestMachineNotFound);
  EXPECT_EQ(TextOf(Get(app, "HostName").result), "LAB1");
}

}  // namespace
