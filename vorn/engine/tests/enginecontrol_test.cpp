// The whole-model operations as another machine's command or the editing
// program sees them: what is reloaded, which messages reach the editing
// program's window, and engines that follow each other through a hub.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/com.h"
#include "platform/kernel/kernel.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/window.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/engine/registrarobjects.h"
#include "vorn/engine/tests/fakes.h"
#include "vorn/engine/tests/peerstandins.h"

namespace {

using namespace Vorn;

std::string Text(BSTR text) {
  std::string result = Platform::BstrToUtf8(text);
  SysFreeString(text);
  return result;
}

// The messages posted to a window of this thread, as (message, lParam).
using Posted = std::vector<std::pair<UINT, LPARAM>>;
Posted Drain(HWND window) {
  Posted posted;
  MSG msg{};
  while (PeekMessage(&msg, window, 0, 0, PM_REMOVE))
    if (msg.message >= WM_USER)
      posted.emplace_back(msg.message, msg.lParam);
  return posted;
}

// A registry with the type "Fake", a working file holding modules 0 and 3,
// and engines over it on the computer LAB1.
class EngineControlTest : public ::testing::Test {
protected:
  EngineControlTest() {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_COMPUTERNAME", "LAB1", 1);
    Platform::AddInProcessClass(CLSID_VornModule, &CVornModule::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_VornStringList, &VornStringList::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_FakeServer, &FakeServer::_CreatorClass::CreateInstance, nullptr);
    ModuleTypeRegistry::Register("Fake", CLSID_FakeServer);
    WorkingDatabase::CreateEmptyWorkingFile(m_path);
    Platform::Db::Database(m_path).Execute(
        "INSERT INTO Modules VALUES (0, 'Fake', 'a', ''), (3, 'Fake', 'b', '');"
        "INSERT INTO ModuleValues VALUES (0, 'v', 0, 'old')");
    WNDCLASS windowClass{};
    windowClass.lpfnWndProc = DefWindowProc;
    windowClass.lpszClassName = "EngineControlTestWindow";
    RegisterClass(&windowClass);
    m_window = CreateWindowEx(0, "EngineControlTestWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                              nullptr);
  }
  ~EngineControlTest() override {
    m_engines.clear();
    DestroyWindow(m_window);
    EXPECT_EQ(FakeServer::live, 0) << "every module server was released";
    unsetenv("PLATFORM_REGISTRY_FILE");
    unsetenv("PLATFORM_COMPUTERNAME");
  }

  VornEngine* Open() {
    CComObject<VornEngine>* engine = nullptr;
    EXPECT_EQ(CComObject<VornEngine>::CreateInstance(&engine), S_OK);
    m_engines.emplace_back(static_cast<IVornEngine*>(engine));
    engine->SetWorkingFilePath(CComBSTR(m_path));
    engine->OpenDatabase(TRUE);
    return engine;
  }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("model.vrn");
  MessageBoxRecorder m_messages;
  HWND m_window = nullptr;
  std::vector<CComPtr<IVornEngine>> m_engines;
};

TEST_F(EngineControlTest, AnyNegativeIDReloadsEveryModule) {
  VornEngine* engine = Open();
  for (int id : {-1, -7}) {
    IVornModuleLocal* before = engine->GetModule(3);
    ASSERT_EQ(engine->ReloadModule(id, FALSE), S_OK) << id;
    ASSERT_NE(engine->GetModule(0), nullptr) << id;
    ASSERT_NE(engine->GetModule(3), nullptr) << id;
    EXPECT_NE(engine->GetModule(3), before) << "made again from the file";
  }
}

TEST_F(EngineControlTest, ReloadingOrRemovingWithoutAnOpenFileOpensItFirst) {
  VornEngine* engine = Open();
  ASSERT_EQ(engine->Close(FALSE), S_OK);
  ASSERT_EQ(engine->ReloadModule(3, FALSE), S_OK);
  EXPECT_NE(engine->GetModule(3), nullptr);
  ASSERT_EQ(engine->Close(FALSE), S_OK);
  ASSERT_EQ(engine->RemoveModule(3, FALSE, TRUE), S_OK);
  EXPECT_EQ(engine->GetModule(3), nullptr);
  ASSERT_EQ(engine->ReloadModule(3, FALSE), S_OK);
  EXPECT_EQ(engine->GetModule(3), nullptr) << "its rows went with it";

  // A file that cannot be opened fails both, and loses nothing in memory.
  engine->SetWorkingFilePath(CComBSTR(m_dir.Path("missing/none.vrn")));
  engine->Close(FALSE);
  EXPECT_EQ(engine->ReloadModule(0, FALSE), E_FAIL);
  EXPECT_EQ(engine->RemoveModule(0, FALSE, TRUE), E_FAIL);
  EXPECT_NE(engine->GetModule(0), nullptr);
}

TEST_F(EngineControlTest, TheEditingProgramHearsWhatChangedOnlyWhenTheChangeCameFromElsewhere) {
  VornEngine* engine = Open();
  engine->SetUIHWnd(m_window);
  std::string copy = m_dir.Path("other.vrn");
  WorkingDatabase::CreateEmptyWorkingFile(copy);
  struct Case {
    const char* what;
    std::function<void()> call;
    Posted posted;
  } cases[] = {
      {"values of one", [&] { engine->ReloadModuleData(3); }, {{VWM_MODULE_VALUES_RELOADED, 3}}},
      {"values of all", [&] { engine->ReloadModuleData(-2); }, {{VWM_MODULE_VALUES_RELOADED, -2}}},
      {"reload here", [&] { engine->ReloadModule(3, TRUE); }, {{VWM_MODULE_CHANGED, 3}}},
      {"reload all", [&] { engine->ReloadModule(-4, FALSE); }, {{VWM_MODULE_CHANGED, -1}}},
      {"remove here", [&] { engine->RemoveModule(0, TRUE, FALSE); }, {}},
      {"remove received", [&] { engine->RemoveModule(3, FALSE, FALSE); }, {{VWM_MODULE_CHANGED, 3}}},
      {"open here", [&] { engine->OpenDatabase(TRUE); }, {}},
      {"open received", [&] { engine->OpenDatabase(FALSE); }, {{VWM_DATABASE_OPENED, 0}}},
      {"reopen same", [&] { engine->ReOpenDatabase(FALSE, CComBSTR(m_path)); }, {}},
      {"reopen other", [&] { engine->ReOpenDatabase(TRUE, CComBSTR(copy)); }, {{VWM_DATABASE_OPENED, 0}}},
      {"reopen null", [&] { engine->ReOpenDatabase(FALSE, nullptr); }, {}},
  };
  for (const Case& c : cases) {
    c.call();
    EXPECT_EQ(Drain(m_window), c.posted) << c.what;
  }
  engine->SetUIHWnd(nullptr);
  engine->ReloadModule(-1, FALSE);
  EXPECT_EQ(Drain(m_window), Posted{}) << "nothing without a window";
}

TEST_F(EngineControlTest, SavesAreAnnouncedAtTheNextFlushAtMostTwiceASecond) {
  VornEngine* engine = Open();
  auto* peer = new PeerStandIns::Recorder;
  engine->SetPeerChannel(peer);
  for (int i = 0; i < 3; ++i)
    engine->SaveFloatValue(3, CComBSTR("v"), 1.0f);
  engine->OnIdle(0);
  EXPECT_EQ(engine->QueuedCommands(), std::vector<std::string>{"RELOADDATA 3"}) << "not due yet";
  Sleep(600);
  engine->OnIdle(0);
  engine->SaveFloatValue(0, CComBSTR("v"), 1.0f);
  engine->OnIdle(0);
  EXPECT_EQ(peer->Commands(), std::vector<std::string>{"RELOADDATA 3"});
  EXPECT_EQ(engine->QueuedCommands(), std::vector<std::string>{"RELOADDATA 0"}) << "waits for the next flush";
  std::vector<std::string> calls = peer->Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "PeerIdle 1"), 3) << "the channel is idle at every call";

  // Nothing is asked of a channel that is not there; user names are empty.
  engine->SetPeerChannel(nullptr);
  peer->Release();
  BSTR user = Platform::AllocBstr("stale");
  BSTR kept = user;
  EXPECT_EQ(engine->GetUserName(&user), S_OK);
  EXPECT_EQ(user, nullptr);
  SysFreeString(kept);
  BOOL acknowledged = TRUE;
  EXPECT_EQ(engine->SyncMachine(CComBSTR("LAB2"), 10, &acknowledged), S_OK);
  EXPECT_FALSE(acknowledged);
}

// A new list of texts, made as the engine makes its own.
IVornStringList* ListOf(const std::vector<std::string>& texts) {
  IVornStringList* list = nullptr;
  CoCreateInstance(CLSID_VornStringList, nullptr, CLSCTX_INPROC_SERVER, IID_IVornStringList,
                   reinterpret_cast<void**>(&list));
  for (const std::string& text : texts)
    list->Add(CComBSTR(text));
  return list;
}

std::vector<std::string> Texts(IVornStringList* list) {
  std::vector<std::string> texts;
  int count = 0;
  list->GetCount(&count);
  for (int i = 0; i < count; ++i) {
    BSTR text = nullptr;
    list->GetAt(i, &text);
    texts.push_back(Text(text));
  }
  return texts;
}

// Only a save that reached the file is announced to the other machines: a
// save the file refuses queues no "RELOADDATA".
TEST_F(EngineControlTest, OnlyASaveThatWorkedQueuesItsReload) {
  VornEngine* engine = Open();
  auto refuseWrites = [&](bool refuse) {
    std::string sql;
    for (const char* table : {"Modules", "ModuleValues", "Connections"})
      for (const char* change : {"INSERT", "UPDATE", "DELETE"})
        sql += refuse ? std::string("CREATE TRIGGER refuse") + change + table + " BEFORE " + change + " ON " + table +
                            " BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                      : std::string("DROP TRIGGER refuse") + change + table + ";";
    Platform::Db::Database(m_path).Execute(sql);
  };
  float floats[] = {1.5f};
  int ints[] = {2};
  CComBSTR text(u"t");
  BSTR texts[] = {text};
  CComVariant array;
  array.vt = VT_ARRAY | VT_R4;
  array.parray = SafeArrayCreateVector(VT_R4, 0, 1);
  IVornModuleLocal* module = engine->GetModule(3);
  module->AddConnection(CComBSTR(u"Out"), 0, CComBSTR(u"In"));
  CComBSTR name(u"v");
  // Each save writes values of its own module ID.
  const struct {
    int id;
    std::function<HRESULT()> save;
  } saves[] = {
      {10, [&] { return engine->SaveStringValue(10, name, text); }},
      {11, [&] { return engine->SaveFloatValue(11, name, 1.5f); }},
      {12, [&] { return engine->SaveFloatArray2D(12, name, 1, floats, 1); }},
      {13, [&] { return engine->SaveIntArray(13, name, ints, 1); }},
      {14, [&] { return engine->SaveStringArray(14, name, texts, 1); }},
      {15, [&] { return engine->SaveArrayVar(15, name, array); }},
      {0, [&] { return engine->SaveModuleParams(engine->GetModule(0)); }},
      {3, [&] { return engine->SaveConnections(module); }},
  };
  ASSERT_EQ(engine->QueuedCommands(), std::vector<std::string>{});
  std::vector<std::string> queued;
  for (bool refused : {true, false}) {
    refuseWrites(refused);
    for (const auto& save : saves) {
      SCOPED_TRACE(std::to_string(save.id) + (refused ? " refused" : ""));
      const HRESULT hr = save.save();
      EXPECT_EQ(FAILED(hr), refused);
      if (!refused)
        queued.push_back("RELOADDATA " + std::to_string(save.id));
      EXPECT_EQ(engine->QueuedCommands(), queued);
    }
  }
}

TEST_F(EngineControlTest, MachinesThatModulesSendToAndThatDoNotRunTheFileAreReported) {
  Platform::Db::Database(m_path).Execute(
      "INSERT INTO Modules VALUES (5, 'Fake', 'far', 'lab2'), (6, 'Fake', 'farther', 'LAB3'),"
      "(7, 'Fake', 'here', '<local>')");
  VornEngine* engine = Open();
  engine->SetApplicationName(CComBSTR("Lab"));
  for (int destination : {5, 6, 7})
    engine->GetModule(0)->AddConnection(CComBSTR("Out"), destination, CComBSTR("In"));
  auto* peer = new PeerStandIns::Recorder;
  std::string own = "App \"Lab\" \"//LAB1" + m_path + "\"";
  peer->hosts = [] { return ListOf({"lab2", "LAB3", "LAB4", "LAB1"}); };
  peer->hostApps = [&](const std::string& host) {
    if (host == "lab2")
      return ListOf({"App \"other\" \"x\"", own, "APP \"lab\" \"//LAB1" + m_path + "\""});
    if (host == "LAB3")
      return ListOf({"App \"Lab\" \"elsewhere.vrn\""});
    return ListOf({own});
  };
  engine->SetPeerChannel(peer);

  CComPtr<IVornStringList> running;
  ASSERT_EQ(engine->GetHostsRunningApp(nullptr, TRUE, &running), S_OK);
  EXPECT_EQ(Texts(running), (std::vector<std::string>{"lab2", "lab2", "LAB4", "LAB1"})) << "once per matching identity";
  CComPtr<IVornStringList> anyFile;
  ASSERT_EQ(engine->GetHostsRunningApp(CComBSTR("LAB"), FALSE, &anyFile), S_OK);
  EXPECT_EQ(Texts(anyFile).size(), 5u);

  CComPtr<IVornStringList> missing;
  ASSERT_EQ(engine->CheckRemoteConnections(&missing), S_OK);
  EXPECT_EQ(Texts(missing), std::vector<std::string>{"LAB3"}) << "a <Local> module runs where the file is";
  std::vector<std::string> calls = peer->Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "ReportUnavailableMachines"), calls.end());

  peer->Answer("GetAllHosts", E_FAIL);
  CComPtr<IVornStringList> failed;
  EXPECT_EQ(engine->GetHostsRunningApp(nullptr, TRUE, &failed), E_FAIL);
  engine->SetPeerChannel(nullptr);
  peer->Release();
}

TEST_F(EngineControlTest, EnginesJoinedByAHubFollowAddedModulesRunStatesAndClose) {
  PeerStandIns::LoopbackHub hub;
  VornEngine* first = Open();
  VornEngine* second = Open();
  IVornPeerChannel* a = hub.Join(first, first, "LAB1");
  IVornPeerChannel* b = hub.Join(second, second, "LAB2");
  first->SetPeerChannel(a);
  second->SetPeerChannel(b);
  a->Release();
  b->Release();
  second->SetUIHWnd(m_window);

  IVornModuleLocal* added = nullptr;
  ASSERT_EQ(first->CreateModule(CComBSTR("Fake"), &added), S_OK);
  added->SetID(first->GetNewModuleID());
  added->SetName(CComBSTR("new"));
  ASSERT_EQ(first->SaveModuleParams(added), S_OK);
  ASSERT_EQ(first->AddNewModule(added), S_OK);
  added->Release();
  EXPECT_EQ(second->GetModule(4), nullptr) << "nothing arrives before the engine is idle";
  second->OnIdle(0);
  IVornModuleLocal* copy = second->GetModule(4);
  ASSERT_NE(copy, nullptr) << "reloaded from the file";
  BSTR name = nullptr;
  copy->GetName(&name);
  EXPECT_EQ(Text(name), "new");
  EXPECT_EQ(Drain(m_window), (Posted{{VWM_MODULE_CHANGED, 4}}));

  for (EngineSpeed speed : {esSlow, esFast, esSlow, esStop}) {
    ASSERT_EQ(first->SetRunning(speed, TRUE), S_OK);
    second->OnIdle(0);
    EXPECT_EQ(second->GetRunning(), speed);
    first->OnIdle(0);
    EXPECT_EQ(first->GetRunning(), speed) << "a received state is not sent back";
  }

  // The second engine lets go of the file: a file put in its place is the
  // one it reads next.
  ASSERT_EQ(first->CloseDatabase(TRUE), S_OK);
  second->OnIdle(0);
  std::string replacement = m_dir.Path("replacement.vrn");
  WorkingDatabase::CreateEmptyWorkingFile(replacement);
  Platform::Db::Database(replacement).Execute("INSERT INTO ModuleValues VALUES (0, 'v', 0, 'new')");
  ASSERT_EQ(std::rename(replacement.c_str(), m_path.c_str()), 0);
  BSTR value = nullptr;
  second->LoadStringValue(0, CComBSTR("v"), &value);
  EXPECT_EQ(Text(value), "new");
  EXPECT_NE(second->GetModule(4), nullptr) << "the modules stay";

  // Saves made on the way may be announced too, whenever a flush fell due.
  std::vector<std::string> delivered = hub.Delivered();
  std::erase_if(delivered, [](const std::string& command) { return command.find("RELOADDATA") != std::string::npos; });
  std::vector<std::string> expected = {"LAB2: RELOAD 4", "LAB2: RUN",   "LAB2: RUNFAST",        "LAB2: RUN",
                                       "LAB2: STOP",     "LAB2: CLOSE", "LAB2: LEAVINGAPPPOOL"};
  EXPECT_EQ(delivered, expected);
  m_engines.clear();  // the endpoints go with their engines, before the hub
}

}  // namespace
