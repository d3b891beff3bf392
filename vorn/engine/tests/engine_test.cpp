#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/com.h"
#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/module.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/engine/tests/peerstandins.h"
#include "vorn/support/errortext.h"

namespace {

using namespace Vorn;

// Everything the test servers were asked, in order, as "Type.Call".
std::vector<std::string> g_calls;
int g_liveServers = 0;

template <int N>
struct ServerType;
PLATFORM_DEFINE_GUID(CLSID_TestGain, "0B7C6E1A-3D5F-4A8B-9C2D-1E0F3A4B5C61");
PLATFORM_DEFINE_GUID(CLSID_TestSink, "0B7C6E1A-3D5F-4A8B-9C2D-1E0F3A4B5C62");
template <>
struct ServerType<1> {
  static constexpr const char16_t* name = u"Gain";
  static const CLSID& clsid() { return CLSID_TestGain; }
};
template <>
struct ServerType<2> {
  static constexpr const char16_t* name = u"Sink";
  static const CLSID& clsid() { return CLSID_TestSink; }
};

// A module server of one type, with the engine's module object aggregated
// inside it as real servers have it. It defines the output "Out" and the
// input "In".
template <int N>
class ATL_NO_VTABLE TestServer : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<TestServer<N>, &GUID_NULL>,
                                 public IDispatchImpl<IVornDerivedModule> {
public:
  DECLARE_NOT_AGGREGATABLE(TestServer)
  BEGIN_COM_MAP(TestServer)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  TestServer() { ++g_liveServers; }
  ~TestServer() override { --g_liveServers; }

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(this->GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    IVornModule* module = nullptr;
    m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&module));
    module->Release();  // the module object lives inside this one
    m_module = module;
    m_module->SetModuleType(CComBSTR(ServerType<N>::name));
    return m_module->SetDerivedModule(this->GetControllingUnknown());
  }
  void FinalRelease() {
    if (m_inner)
      m_inner->Release();
  }

  HRESULT Run() override { return Note("Run"); }
  HRESULT Stop() override { return Note("Stop"); }
  HRESULT Start() override { return Note("Start"); }
  HRESULT Save(IDispatch*) override { return Note("Save"); }
  HRESULT Load(IDispatch*) override { return Note("Load"); }
  HRESULT GetIcon(IDispatch** icon) override {
    *icon = nullptr;
    return E_NOTIMPL;
  }
  HRESULT Initialize() override {
    m_module->DefineOutput(CComBSTR(u"Out"), ctFloatArray, 1);
    m_module->DefineInput(CComBSTR(u"In"), ctFloatArray, 1);
    return Note("Initialize");
  }
  HRESULT GetHelpFileName(BSTR* path) override {
    *path = nullptr;
    return S_OK;
  }
  HRESULT GetModuleInfo(VornModuleInfo* info) override {
    info->m_bstrAuthor = SysAllocString(ServerType<N>::name);
    return Note("GetModuleInfo");
  }
  HRESULT GetDebugBuildFlag(BOOL* debug) override {
    *debug = FALSE;
    return S_OK;
  }
  HRESULT Activate() override { return S_OK; }
  HRESULT Deactivate() override { return S_OK; }

  IUnknown* m_inner = nullptr;

private:
  HRESULT Note(const char* call) {
    g_calls.push_back(Platform::BstrToUtf8(CComBSTR(ServerType<N>::name)) + "." + call);
    return S_OK;
  }
  IVornModule* m_module = nullptr;
};

std::string Text(BSTR text) {
  std::string result = Platform::BstrToUtf8(text);
  SysFreeString(text);
  return result;
}

std::string NameOf(IVornModuleLocal* module) {
  BSTR name = nullptr;
  module->GetName(&name);
  return Text(name);
}

// A fresh registry with the two test types, a working file, and the engine
// over it, on the computer LAB1.
class EngineTest : public ::testing::Test {
protected:
  EngineTest() {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_COMPUTERNAME", "LAB1", 1);
    Platform::AddInProcessClass(CLSID_VornModule, &CVornModule::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_TestGain, &TestServer<1>::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_TestSink, &TestServer<2>::_CreatorClass::CreateInstance, nullptr);
    ModuleTypeRegistry::Register("Gain", CLSID_TestGain);
    ModuleTypeRegistry::Register("Sink", CLSID_TestSink);
    WorkingDatabase::CreateEmptyWorkingFile(m_path);
    g_calls.clear();
  }
  ~EngineTest() override {
    m_engine.Release();
    EXPECT_EQ(g_liveServers, 0) << "every module server was released";
    unsetenv("PLATFORM_REGISTRY_FILE");
    unsetenv("PLATFORM_COMPUTERNAME");
  }

  // Adds rows to the working file before the engine reads it.
  void Rows(const std::string& sql) { Platform::Db::Database(m_path).Execute(sql); }
  std::string Raw(const std::string& sql) {
    Platform::Db::Database db(m_path);
    auto rows = db.Prepare(sql);
    std::string text;
    while (rows.Step()) {
      for (int column = 0; column < rows.ColumnCount(); ++column)
        text += (column ? "|" : "") + rows.Text(column);
      text += "\n";
    }
    return text;
  }
  VornEngine* Open() {
    CComObject<VornEngine>* engine = nullptr;
    EXPECT_EQ(CComObject<VornEngine>::CreateInstance(&engine), S_OK);
    m_engine.Attach(static_cast<IVornEngine*>(engine));
    m_engine->AddRef();
    m_engine->SetWorkingFilePath(CComBSTR(m_path));
    m_engine->OpenDatabase();
    return engine;
  }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("model.vrn");
  MessageBoxRecorder m_messages;
  CComPtr<IVornEngine> m_engine;
};

TEST_F(EngineTest, AModelKeepsItsIDsAsIndexesAndFindsModulesByNameInAnyCase) {
  Rows("INSERT INTO Modules VALUES (0, 'Gain', 'Gain', 'LAB1'), (5, 'Sink', 'gain', ''), (9, 'Gain', 'g9', 'lab1'),"
       "(-3, 'Gain', 'negative', ''), (7, 'Gain', 'first of two', ''), (7, 'Sink', 'second of two', ''),"
       // No IDs: beyond an int (it would be cut down to 1), beyond the
       // collection's bound, and no integer at all.
       "(4294967297, 'Gain', 'wide', ''), (1048576, 'Gain', 'far', ''), (NULL, 'Gain', 'null', ''),"
       "('x', 'Gain', 'text', ''), (2.5, 'Gain', 'real', '')");
  Rows("INSERT INTO Connections VALUES (0, 'Out', 4294967301, 'In')");
  Open();
  EXPECT_EQ(m_engine->GetModule(1), nullptr);
  int connections = -1;
  m_engine->GetModule(0)->GetConnectionCount(&connections);
  for (int i = 0; i < connections; ++i) {
    VornConnection* connection = nullptr;
    m_engine->GetModule(0)->GetConnection(i, &connection);
    EXPECT_NE(connection->m_iDestID, 5) << "a wide destination is not cut down to module 5";
  }
  EXPECT_EQ(m_engine->GetModuleCount(), 10);
  EXPECT_EQ(m_engine->GetModule(3), nullptr);
  EXPECT_EQ(m_engine->GetModule(10), nullptr);
  EXPECT_EQ(m_engine->GetModule(-1), nullptr);
  EXPECT_EQ(m_engine->GetNewModuleID(), 10);
  ASSERT_NE(m_engine->FindModule(CComBSTR("GAIN")), nullptr);
  EXPECT_EQ(m_engine->FindModule(CComBSTR("GAIN")), m_engine->GetModule(5)) << "the higher ID wins";
  EXPECT_EQ(m_engine->FindModule(CComBSTR("none")), nullptr);
  // Names are found as they are now, every character of them.
  m_engine->GetModule(9)->SetName(CComBSTR("gAIN"));
  EXPECT_EQ(m_engine->FindModule(CComBSTR("Gain")), m_engine->GetModule(9));
  EXPECT_EQ(m_engine->FindModule(CComBSTR("g9")), nullptr);
  BSTR withNul = Platform::AllocBstr(std::string_view("a\0b", 3));
  BSTR otherNul = Platform::AllocBstr(std::string_view("A\0c", 3));
  m_engine->GetModule(0)->SetName(withNul);
  EXPECT_EQ(m_engine->FindModule(withNul), m_engine->GetModule(0));
  EXPECT_EQ(m_engine->FindModule(otherNul), nullptr);
  SysFreeString(withNul);
  SysFreeString(otherNul);

  BSTR processor = nullptr;
  m_engine->GetModule(5)->GetProcessor(&processor);
  EXPECT_EQ(Text(processor), "LAB1") << "an empty processor is this computer";
  EXPECT_EQ(NameOf(m_engine->GetModule(7)), "second of two") << "a second row of an ID replaces the first";
  EXPECT_EQ(g_liveServers, 4) << "the replaced module was released";
  // Each refused row is said once, with its ID as stored.
  const std::vector<std::string> said = {
      "\"negative\" has the ID -3,", "\"wide\" has the ID 4294967297,", "\"far\" has the ID 1048576,",
      "\"null\" has the ID NULL,",    "\"text\" has the ID 'x',",        "\"real\" has the ID 2.5,",
      "the modules \"first of two\" and \"second of two\" are stored with one ID, 7; only \"second of two\" is loaded"};
  const std::vector<std::string> texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), said.size());
  for (const std::string& part : said)
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [&](const std::string& text) {
                              return text.starts_with("Error reading module database--Exception: ") &&
                                     text.find(part) != std::string::npos;
                            }),
              1)
        << part;

  // A module whose ID the collection cannot hold is refused, not written.
  CComPtr<IVornModuleLocal> far;
  ASSERT_EQ(m_engine->CreateModule(CComBSTR("Gain"), &far), S_OK);
  far->SetID(1048576);
  far->SetName(CComBSTR("far added"));
  EXPECT_EQ(m_engine->AddNewModule(far), E_INVALIDARG);
  EXPECT_EQ(Raw("SELECT COUNT(*) FROM Modules WHERE Name = 'far added'"), "0\n");

  EXPECT_EQ(m_engine->RemoveModule(9), S_OK);
  EXPECT_EQ(m_engine->FindModule(CComBSTR("GAIN")), m_engine->GetModule(5)) << "the highest ID left";
}

TEST_F(EngineTest, AnUnregisteredTypeAsksWhetherToRemoveItsModule) {
  struct Case {
    int answer;
    const char* processor;
    int prompts;
    bool kept;
  } cases[] = {
      {IDNO, "", 1, true},        // kept as a placeholder
      {IDYES, "", 1, false},      // removed with its rows
      {IDYES, "OTHER", 0, true},  // another machine's module is kept without a question
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.processor + std::to_string(c.answer));
    Rows("DELETE FROM Modules; DELETE FROM ModuleValues; DELETE FROM Connections;"
         "INSERT INTO Modules VALUES (2, 'Gone', 'old', '" + std::string(c.processor) + "'), (3, 'Gain', 'g', '');"
         "INSERT INTO ModuleValues VALUES (2, 'v', 0, 'x'); INSERT INTO Connections VALUES (2, 'Out', 3, 'In')");
    MessageBoxRecorder answers({c.answer});
    Open();
    ASSERT_EQ(answers.Texts().size(), static_cast<std::size_t>(c.prompts));
    if (c.prompts) {
      std::string reason = FormatHResultText(REGDB_E_CLASSNOTREG, true);
      EXPECT_FALSE(reason.empty());
      EXPECT_EQ(answers.Texts()[0], "Error creating ModuleType \"Gone\" named \"old\". \n" + reason +
                                        "\n\nWould you like to permanently remove this module from the file?");
    }
    EXPECT_NE(m_engine->GetModule(3), nullptr) << "the row after it is loaded, whatever the answer";
    IVornModuleLocal* module = m_engine->GetModule(2);
    ASSERT_EQ(module != nullptr, c.kept);
    if (c.kept) {
      BSTR type = nullptr;
      module->GetType(&type);
      EXPECT_EQ(Text(type), "Gone");
      EXPECT_EQ(NameOf(module), "old");
      IVornDerivedModule* server = nullptr;
      module->GetDerivedModule(&server);
      EXPECT_EQ(server, nullptr) << "a placeholder of the plain module class";
    }
    std::string rows = c.kept ? "1|1|1\n" : "0|0|0\n";
    EXPECT_EQ(Raw("SELECT (SELECT count(*) FROM Modules WHERE ID = 2), (SELECT count(*) FROM ModuleValues),"
                  "(SELECT count(*) FROM Connections)"),
              rows);
    m_engine.Release();
  }
}

// Reads a module's connections from the file again, as its Load does.
void Reconnect(IVornEngine* engine, IVornModuleLocal* module) {
  module->RemoveConnections(-1);
  engine->LoadConnections(module);
}

int ConnectionCount(IVornModuleLocal* module) {
  int count = 0;
  module->GetConnectionCount(&count);
  return count;
}

TEST_F(EngineTest, ConnectionsOfAPlaceholderSurviveValidationAndSaves) {
  Rows("INSERT INTO Modules VALUES (1, 'Gone', 'p', ''), (2, 'Gain', 'a', ''), (3, 'Sink', 'b', '');"
       "INSERT INTO Connections VALUES (1, 'Out', 2, 'In'), (2, 'Out', 3, 'In'), (2, 'Out', 3, 'Missing'),"
       "(2, 'Out', 1, 'In')");
  Open();
  IVornModuleLocal* gain = m_engine->GetModule(2);
  Reconnect(m_engine, gain);
  Reconnect(m_engine, m_engine->GetModule(1));
  // Every connection into module 3 is checked again when it is reloaded:
  // the one into an input it lacks goes, in memory and in the file.
  ASSERT_EQ(m_engine->ReloadModule(3), S_OK);
  EXPECT_EQ(ConnectionCount(gain), 2);
  ASSERT_EQ(m_messages.Texts().size(), 2u);
  EXPECT_EQ(m_messages.Texts()[1].rfind("Connection is no longer valid. It will be removed.\n\n", 0), 0u);
  // A placeholder cannot judge a connection into it, nor save its own.
  Reconnect(m_engine, gain);
  ASSERT_EQ(m_engine->ReloadModule(1), S_OK);
  EXPECT_EQ(ConnectionCount(gain), 2);
  EXPECT_EQ(m_messages.Texts().size(), 3u) << "only the repair prompt again";
  EXPECT_EQ(m_engine->SaveConnections(m_engine->GetModule(1)), S_OK);
  EXPECT_EQ(Raw("SELECT SrcModule, DestModule, DestInput FROM Connections ORDER BY rowid"),
            "1|2|In\n2|3|In\n2|1|In\n");
}

TEST_F(EngineTest, SavedConnectionsAreThoseWithinTheModel) {
  Rows("INSERT INTO Modules VALUES (0, 'Gain', 'a', ''), (1, 'Sink', 'b', '')");
  Open();
  IVornModuleLocal* gain = m_engine->GetModule(0);
  gain->AddConnection(CComBSTR("Out"), 1, CComBSTR("In"));
  gain->AddDistributedConnection(CComBSTR("Out"), CComBSTR("LAB2"), CComBSTR("far"), CComBSTR("In"));
  ASSERT_EQ(m_engine->SaveConnections(gain), S_OK);
  EXPECT_EQ(Raw("SELECT * FROM Connections"), "0|Out|1|In\n");
}

TEST_F(EngineTest, ModuleInfoIsCachedFromTheFirstModuleOfItsType) {
  Open();
  VornModuleInfo* info = m_engine->GetModuleInfo(CComBSTR("Gain"));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Platform::BstrToUtf8(info->m_bstrAuthor), "Gain");
  EXPECT_EQ(g_liveServers, 0) << "the module made for it was released";
  EXPECT_EQ(m_engine->GetModuleInfo(CComBSTR("Gain")), info);
  EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), "Gain.GetModuleInfo"), 1);
  VornModuleInfo* none = m_engine->GetModuleInfo(CComBSTR("Unknown"));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->m_bstrAuthor, nullptr);

  IVornModuleLocal* module = nullptr;
  EXPECT_EQ(m_engine->CreateModule(CComBSTR("Unknown"), &module), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(module, nullptr);
}

TEST_F(EngineTest, ASlowEngineStopsItsModulesWhenItGoes) {
  Rows("INSERT INTO Modules VALUES (0, 'Gain', 'a', ''), (1, 'Sink', 'b', 'LAB2')");
  Open();
  g_calls.clear();
  ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
  ASSERT_EQ(m_engine->RunAll(), S_OK);
  EXPECT_EQ(m_engine->GetGenerationCounter(), 1);
  m_engine.Release();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"Gain.Start", "Gain.Run", "Gain.Stop"}))
      << "only local modules run";
}

TEST_F(EngineTest, ValuesGoThroughTheWorkingFileAndCopiesReportFailure) {
  Open();
  EXPECT_EQ(m_engine->SaveStringValue(4, CComBSTR("it's"), CComBSTR("v")), S_OK);
  BOOL modified = FALSE;
  m_engine->GetFileModifiedFlag(&modified);
  EXPECT_TRUE(modified);
  BSTR value = nullptr;
  EXPECT_EQ(m_engine->LoadStringValue(4, CComBSTR("IT'S"), &value), S_OK);
  EXPECT_EQ(Text(value), "v");
  float array[] = {1.0f, 2.5f};
  EXPECT_EQ(m_engine->SaveFloatArray(4, CComBSTR("f"), array, 2), S_OK);
  int count = 0;
  EXPECT_EQ(m_engine->LoadFloatArray(4, CComBSTR("f"), 1, array, &count), S_OK);
  EXPECT_EQ(count, 1);
  BSTR* names = nullptr;
  BSTR* values = nullptr;
  ASSERT_EQ(m_engine->GetModuleData(4, &names, &values, &count), S_OK);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(Platform::BstrToUtf8(names[1]), "f");
  for (int i = 0; i < count; ++i) {
    SysFreeString(names[i]);
    SysFreeString(values[i]);
  }
  CoTaskMemFree(names);
  CoTaskMemFree(values);

  EXPECT_EQ(m_engine->CopyDatabase(CComBSTR(m_path), CComBSTR(m_dir.Path("copy.vrn"))), S_OK);
  EXPECT_EQ(m_engine->CopyDatabase(CComBSTR(m_dir.Path("none.vrn")), CComBSTR(m_dir.Path("c.vrn"))), E_FAIL);
  EXPECT_EQ(m_messages.Texts().back().rfind("Couldn't copy database--Exception: ", 0), 0u);

  // Without a working file a value is neither written nor found.
  CComObject<VornEngine>* alone = nullptr;
  CComObject<VornEngine>::CreateInstance(&alone);
  CComPtr<IVornEngine> lone(static_cast<IVornEngine*>(alone));
  EXPECT_EQ(lone->SaveStringValue(1, CComBSTR("v"), CComBSTR("x")), S_OK);
  EXPECT_EQ(lone->SaveModuleParams(m_engine->GetModule(0)), E_POINTER);
  EXPECT_EQ(lone->BeginDBTrans(), E_FAIL);
}

// A save waits for another reader of the file to finish; one that never
// does leaves the file as it was, and the save says so.
TEST_F(EngineTest, ASaveWaitsForAReaderOfTheFileAndOtherwiseSaysItFailed) {
  Rows("INSERT INTO Modules VALUES (0, 'Gain', 'a', '')");
  Open();
  IVornModuleLocal* module = m_engine->GetModule(0);
  ASSERT_NE(module, nullptr);
  // Held for a while, or until the save has given up.
  const struct {
    int heldMs;
    float x;
    HRESULT saved;
    const char* stored;
  } cases[] = {{1500, 1.5f, S_OK, "1.500000\n"}, {-1, 2.5f, E_FAIL, "1.500000\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.heldMs);
    Platform::Db::OpenOptions classic;
    classic.journal = Platform::Db::Journal::Rollback;
    Platform::Db::Database reader(m_path, classic);
    reader.Execute("BEGIN");
    auto rows = reader.Prepare("SELECT * FROM Modules");
    ASSERT_TRUE(rows.Step());
    auto finish = [&] {
      rows.Reset();
      reader.Execute("COMMIT");
    };
    std::thread release([&] {
      if (c.heldMs < 0)
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(c.heldMs));
      finish();
    });
    module->SetPosition({c.x, 0, 0});
    const HRESULT saved = module->Save();
    release.join();
    if (c.heldMs < 0)
      finish();
    EXPECT_EQ(saved, c.saved);
    EXPECT_EQ(Raw("SELECT Value FROM ModuleValues WHERE ModuleID = 0 AND VariableName = 'X'"), c.stored);
  }
  ASSERT_FALSE(m_messages.Texts().empty());
  EXPECT_EQ(m_messages.Texts().back().rfind("Couldn't save changes--Exception: ", 0), 0u);
}

TEST_F(EngineTest, CommandsGoToThePeerChannelUnlessTheFileIsShared) {
  Rows("INSERT INTO Modules VALUES (0, 'Gain', 'a', '')");
  VornEngine* engine = Open();
  for (BOOL distributed : {FALSE, TRUE}) {
    auto* peer = new PeerStandIns::Recorder;
    engine->SetPeerChannel(peer);
    m_engine->SetDistributedDBMode(distributed);
    for (int i = 0; i < 3; ++i)
      m_engine->SaveFloatValue(0, CComBSTR("v"), 1.0f);
    IVornModuleLocal* added = nullptr;
    ASSERT_EQ(m_engine->CreateModule(CComBSTR("Sink"), &added), S_OK);
    added->SetID(m_engine->GetNewModuleID());
    m_engine->AddNewModule(added);
    added->Release();
    BOOL acknowledged = FALSE;
    m_engine->SyncMachine(CComBSTR("<local>"), 100, &acknowledged);  // flushes the queue first
    m_engine->SetRunning(esSlow);
    m_engine->CloseDatabase(TRUE);
    std::vector<std::string> expected = {"RELOAD 1", "RELOADDATA 0", "RUN", "CLOSE", "LEAVINGAPPPOOL"};
    if (distributed)
      expected = {"LEAVINGAPPPOOL"};
    EXPECT_EQ(peer->Commands(), expected) << "distributed " << distributed;
    std::vector<std::string> calls = peer->Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SyncMachine LAB1 100"), calls.end());
    engine->SetPeerChannel(nullptr);
    peer->Release();
    m_engine->SetRunning(esStop);
    m_engine->OpenDatabase();
  }
}

TEST_F(EngineTest, TwoEnginesOnOneFileFollowEachOtherThroughALoopbackHub) {
  Rows("INSERT INTO Modules VALUES (0, 'Gain', 'a', ''), (5, 'Sink', 'b', '')");
  PeerStandIns::LoopbackHub hub;
  VornEngine* first = Open();
  CComPtr<IVornEngine> firstEngine = m_engine;
  VornEngine* second = Open();
  IVornPeerChannel* a = hub.Join(firstEngine, first, "LAB1");
  IVornPeerChannel* b = hub.Join(m_engine, second, "LAB1");
  first->SetPeerChannel(a);
  second->SetPeerChannel(b);
  a->Release();
  b->Release();

  firstEngine->OpenDatabase();
  firstEngine->SetRunning(esSlow);
  firstEngine->RemoveModule(5);
  EXPECT_EQ(m_engine->GetRunning(), esStop) << "nothing arrives before the engine is idle";
  m_engine->OnIdle(0);
  EXPECT_EQ(m_engine->GetRunning(), esSlow);
  EXPECT_EQ(m_engine->GetModule(5), nullptr);
  EXPECT_EQ(hub.Delivered(), (std::vector<std::string>{"LAB1: OPENDATABASE \"//LAB1" + m_path + "\"", "LAB1: RUN",
                                                       "LAB1: REMOVE 5"}));
  EXPECT_EQ(Text(m_engine->GetWorkingFilePath()), m_path);

  IVornModuleLocal* added = nullptr;
  ASSERT_EQ(firstEngine->CreateModule(CComBSTR("Gain"), &added), S_OK);
  added->SetID(7);
  added->SetName(CComBSTR("new"));
  ASSERT_EQ(firstEngine->SaveModuleParams(added), S_OK);  // what the module's own Save writes
  firstEngine->AddNewModule(added);
  added->Release();
  m_engine->OnIdle(0);
  ASSERT_NE(m_engine->GetModule(7), nullptr) << "reloaded from the file";
  EXPECT_EQ(NameOf(m_engine->GetModule(7)), "new");
  firstEngine->SetRunning(esStop);
  m_engine->OnIdle(0);
  EXPECT_EQ(m_engine->GetRunning(), esStop);
  // The endpoints go with their engines, before the hub.
  firstEngine.Release();
  m_engine.Release();
}

}  // namespace
