// Run states, cycles and the run thread, and the guards and persistence of
// the module object, with module servers that pass a number along a chain.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
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
#include "vorn/interfaces/registrar.h"

namespace {

using namespace Vorn;
using PeerStandIns::Recorder;

PLATFORM_DEFINE_GUID(CLSID_RunTestPass, "3C1F5A2E-6D4B-4E8A-9B7C-0D2E4F6A8B19");

// What a module of the test type does, by module ID.
struct Behaviour {
  bool source = false;          // emits its own count each cycle
  int throwAtRun = 0;           // the Run call that throws (1-based), 0 never
  bool throwText = false;       // throws an exception with a message, else an int
  bool throwOnSave = false;
  std::string throwIn{};        // "Start" or "Stop": that call throws as throwText says
  HRESULT startResult = S_OK;
  BOOL debugBuild = FALSE;
  std::function<void()> atStop = nullptr;  // called as Stop begins
  std::function<void()> atRun = nullptr;   // called as Run begins
  std::function<void()> atLoad = nullptr;  // called as Load begins
};

[[noreturn]] void Throw(bool text) {
  if (text)
    throw std::runtime_error("boom");
  throw 7;
}

std::mutex g_mutex;
std::map<int, Behaviour> g_behaviour;
std::map<int, std::vector<std::string>> g_log;   // server calls by module ID
std::map<int, std::vector<int>> g_received;      // what each module's input held per Run, -1 none

void Note(int id, const std::string& call) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_log[id].push_back(call);
}

Behaviour BehaviourOf(int id) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_behaviour[id];
}

class ATL_NO_VTABLE PassServer : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<PassServer, &CLSID_RunTestPass>,
                                 public IDispatchImpl<IVornDerivedModule> {
public:
  DECLARE_NOT_AGGREGATABLE(PassServer)
  BEGIN_COM_MAP(PassServer)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&m_module));
    m_module->Release();
    m_module->SetModuleType(CComBSTR(u"Pass"));
    return m_module->SetDerivedModule(GetControllingUnknown());
  }
  void FinalRelease() {
    if (m_inner)
      m_inner->Release();
  }

  HRESULT Initialize() override {
    m_module->DefineOutput(CComBSTR(u"Out"), ctFloatArray, 1);
    m_module->DefineInput(CComBSTR(u"In"), ctFloatArray, 1);
    return S_OK;
  }
  HRESULT Start() override {
    Note(Id(), "Start");
    Behaviour behaviour = BehaviourOf(Id());
    if (behaviour.throwIn == "Start")
      Throw(behaviour.throwText);
    return behaviour.startResult;
  }
  HRESULT Stop() override {
    Behaviour behaviour = BehaviourOf(Id());
    if (behaviour.atStop)
      behaviour.atStop();
    Note(Id(), "Stop");
    if (behaviour.throwIn == "Stop")
      Throw(behaviour.throwText);
    return S_OK;
  }
  HRESULT Run() override {
    int id = Id();
    Behaviour behaviour = BehaviourOf(id);
    if (behaviour.atRun)
      behaviour.atRun();
    CComBSTR in(u"In"), out(u"Out");
    VARIANT_BOOL inputHasData = VARIANT_FALSE;
    m_module->InputHasData(in, &inputHasData);
    BOOL outputHasData = TRUE;
    CComPtr<IVornModuleLocal> local;
    m_inner->QueryInterface(IID_IVornModuleLocal, reinterpret_cast<void**>(&local));
    local->OutputHasData(out, &outputHasData);
    Note(id, outputHasData ? "Run" : "PreRun,Run");  // PreRun clears the outputs
    if (behaviour.throwAtRun != 0 && ++m_runs == behaviour.throwAtRun)
      Throw(behaviour.throwText);
    VornConnectionData* input = nullptr;
    VornConnectionData* output = nullptr;
    m_module->GetInputData(in, &input);
    m_module->GetOutputData(out, &output);
    int seen = inputHasData ? static_cast<int>(input->m_pFloatArray[0]) : -1;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_received[id].push_back(seen);
    }
    if (behaviour.source) {
      output->m_pFloatArray[0] = static_cast<float>(++m_emitted);
      m_module->SetOutputHasData(out);
    } else if (inputHasData) {
      output->m_pFloatArray[0] = input->m_pFloatArray[0];
      m_module->SetOutputHasData(out);
    }
    return S_OK;
  }
  HRESULT Save(IDispatch* storage) override {
    Note(Id(), "Save");
    if (BehaviourOf(Id()).throwOnSave)
      throw 3;
    CComPtr<IVornPersist> persist;
    storage->QueryInterface(IID_IVornPersist, reinterpret_cast<void**>(&persist));
    return persist->SaveIntValue(CComBSTR(u"Emitted"), m_emitted);
  }
  HRESULT Load(IDispatch*) override {
    Note(Id(), "Load");
    if (auto atLoad = BehaviourOf(Id()).atLoad)
      atLoad();
    return S_OK;
  }
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
    *debug = m_debugBuild;
    return S_OK;
  }
  HRESULT Activate() override {
    Note(Id(), "Activate");
    return S_OK;
  }
  HRESULT Deactivate() override {
    Note(Id(), "Deactivate");
    return S_OK;
  }

  static inline BOOL s_nextDebugBuild = FALSE;

private:
  int Id() {
    LONG id = -1;
    m_module->get_ID(&id);
    return static_cast<int>(id);
  }
  IUnknown* m_inner = nullptr;
  IVornModule* m_module = nullptr;
  int m_runs = 0;
  int m_emitted = 0;
  BOOL m_debugBuild = s_nextDebugBuild;
};

std::vector<std::string> LogOf(int id) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_log[id];
}

// Waits, without any bound that a test could fail on by being slow, for a
// state that a running engine reaches by itself; gives up after a minute.
bool Eventually(const std::function<bool()>& reached) {
  auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!reached()) {
    if (std::chrono::steady_clock::now() > until)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class RunStates : public ::testing::Test {
protected:
  RunStates() {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_COMPUTERNAME", "LAB1", 1);
    Platform::AddInProcessClass(CLSID_VornModule, &CVornModule::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_RunTestPass, &PassServer::_CreatorClass::CreateInstance, nullptr);
    ModuleTypeRegistry::Register("Pass", CLSID_RunTestPass);
    WorkingDatabase::CreateEmptyWorkingFile(m_path);
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_behaviour.clear();
      g_log.clear();
      g_received.clear();
    }
    PassServer::s_nextDebugBuild = FALSE;
    CComObject<VornEngine>* engine = nullptr;
    EXPECT_EQ(CComObject<VornEngine>::CreateInstance(&engine), S_OK);
    m_engine = static_cast<IVornEngine*>(engine);
    m_engine->SetWorkingFilePath(CComBSTR(m_path));
    m_engine->OpenDatabase();
  }
  ~RunStates() override {
    m_engine.Release();
    unsetenv("PLATFORM_REGISTRY_FILE");
    unsetenv("PLATFORM_COMPUTERNAME");
  }

  // A chain of modules 0..count-1 on this machine, each feeding the next.
  void Chain(int count, const std::map<int, Behaviour>& behaviour = {}) {
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_behaviour = behaviour;
    }
    for (int id = 0; id < count; ++id)
      Add(id);
    for (int id = 0; id + 1 < count; ++id)
      m_engine->GetModule(id)->AddConnection(CComBSTR("Out"), id + 1, CComBSTR("In"));
    std::lock_guard<std::mutex> lock(g_mutex);
    g_log.clear();
    g_received.clear();
  }
  CComQIPtr<IVornEngineControl> Control() { return CComQIPtr<IVornEngineControl>(m_engine); }
  bool InputHasData(int id) {
    VARIANT_BOOL hasData = VARIANT_FALSE;
    CComQIPtr<IVornModule>(m_engine->GetModule(id))->InputHasData(CComBSTR(u"In"), &hasData);
    return hasData != VARIANT_FALSE;
  }
  // The messages shown since the last call.
  std::vector<std::string> NewMessages() {
    std::vector<std::string> texts = m_messages.Texts();
    std::vector<std::string> fresh(texts.begin() + static_cast<long>(m_seenMessages), texts.end());
    m_seenMessages = texts.size();
    return fresh;
  }
  std::size_t m_seenMessages = 0;
  void Add(int id, const char* processor = "LAB1") {
    CComPtr<IVornModuleLocal> module;
    ASSERT_EQ(m_engine->CreateModule(CComBSTR("Pass"), &module), S_OK);
    module->SetID(id);
    module->SetName(CComBSTR("m" + std::to_string(id)));
    module->SetProcessor(CComBSTR(processor), FALSE, TRUE);
    m_engine->AddNewModule(module);
  }
  std::string Raw(const std::string& sql) {
    Platform::Db::Database db(m_path);
    auto rows = db.Prepare(sql);
    std::string text;
    while (rows.Step())
      text += rows.Text(0) + ";";
    return text;
  }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("model.vrn");
  MessageBoxRecorder m_messages;
  CComPtr<IVornEngine> m_engine;
};

TEST_F(RunStates, AStepStartsRunsAndStopsEveryLocalModuleOnce) {
  Add(2, "LAB2");
  Chain(2);
  CComPtr<IVornModule> first;
  m_engine->GetModule(0)->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&first));
  first->SetOutputHasData(CComBSTR("Out"));
  int before = m_engine->GetGenerationCounter();
  ASSERT_EQ(m_engine->Step(), S_OK);
  EXPECT_EQ(m_engine->GetRunning(), esStop);
  EXPECT_EQ(m_engine->GetGenerationCounter(), before + 1);
  for (int id : {0, 1})
    EXPECT_EQ(LogOf(id), (std::vector<std::string>{"Start", "PreRun,Run", "Stop"})) << id;
  EXPECT_EQ(LogOf(2), (std::vector<std::string>{})) << "a module of another machine takes no part";
  BOOL hasData = TRUE;
  m_engine->GetModule(1)->OutputHasData(CComBSTR("Out"), &hasData);
  EXPECT_FALSE(hasData) << "module 1 ran before the transfer filled its input";
}

// A step ends with the modules stopped, after a failed cycle too; each
// module's PostRun has run: the input that module 1's Run read is empty
// again when it stops.
TEST_F(RunStates, AStepStopsTheModulesWhateverItsCycleDid) {
  const struct {
    int throwAtRun;
    HRESULT result;
  } cases[] = {{0, S_OK}, {1, E_FAIL}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.throwAtRun);
    for (int id : {0, 1})
      Control()->RemoveModule(id, FALSE, FALSE);
    auto noteEmptied = [this] {
      if (!InputHasData(1))
        Note(1, "PostRun");
    };
    Chain(2, {{0, Behaviour{.throwAtRun = c.throwAtRun}}, {1, Behaviour{.atStop = noteEmptied}}});
    CComQIPtr<IVornModule>(m_engine->GetModule(0))->SetOutputHasData(CComBSTR("Out"));
    int moved = 0;
    ASSERT_EQ(m_engine->TransferAllOutputs(&moved), S_OK);
    ASSERT_TRUE(InputHasData(1));
    EXPECT_EQ(m_engine->Step(), c.result);
    EXPECT_EQ(m_engine->GetRunning(), esStop);
    EXPECT_EQ(LogOf(0), (std::vector<std::string>{"Start", "PreRun,Run", "Stop"}));
    EXPECT_EQ(LogOf(1), (std::vector<std::string>{"Start", "PreRun,Run", "PostRun", "Stop"}));
    std::lock_guard<std::mutex> lock(g_mutex);
    EXPECT_EQ(g_received[1], std::vector<int>{0}) << "module 1 read its input";
  }
}

TEST_F(RunStates, ManualCyclesOfASlowEngineMoveDataOneHopPerCycle) {
  Chain(4, {{0, Behaviour{.source = true}}});
  ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
  EXPECT_EQ(m_engine->GetGenerationCounter(), 0) << "a slow engine runs no cycle by itself";
  for (int cycle = 0; cycle < 6; ++cycle) {
    ASSERT_EQ(m_engine->RunAll(), S_OK);
    int moved = 0;
    ASSERT_EQ(m_engine->TransferAllOutputs(&moved), S_OK);
    EXPECT_EQ(moved, std::min(cycle + 1, 3)) << cycle;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  EXPECT_EQ(g_received[1], (std::vector<int>{-1, 1, 2, 3, 4, 5}));
  EXPECT_EQ(g_received[3], (std::vector<int>{-1, -1, -1, 1, 2, 3}));
}

TEST_F(RunStates, AFailingStartLeavesNoModuleStarted) {
  Chain(3, {{1, Behaviour{.startResult = E_FAIL}}});
  EXPECT_EQ(m_engine->SetRunning(esSlow), E_FAIL);
  EXPECT_EQ(m_engine->GetRunning(), esStop);
  EXPECT_EQ(LogOf(0), (std::vector<std::string>{"Start", "Stop"}));
  EXPECT_EQ(LogOf(1), (std::vector<std::string>{"Start"}));
  EXPECT_EQ(LogOf(2), (std::vector<std::string>{"Start", "Stop"}));
}

TEST_F(RunStates, AFastEngineCyclesOnOneThreadUntilSlowedOrStopped) {
  Recorder& peer = *new Recorder;
  CComQIPtr<IVornPeerChannelHost>(m_engine)->SetPeerChannel(&peer);
  Chain(3, {{0, Behaviour{.source = true}}});
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  ASSERT_TRUE(Eventually([&] { return m_engine->GetGenerationCounter() > 30; }));
  int beforeThread = 0;
  for (const std::string& call : peer.Calls())
    beforeThread += call == "BeforeRunThread";
  EXPECT_EQ(beforeThread, 1) << "a second esFast starts no second thread";
  ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
  int counter = m_engine->GetGenerationCounter();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(m_engine->GetGenerationCounter(), counter) << "the thread has ended";
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  ASSERT_TRUE(Eventually([&] { return m_engine->GetGenerationCounter() > counter + 5; }));
  ASSERT_EQ(m_engine->SetRunning(esStop), S_OK);
  std::vector<std::string> log = LogOf(1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Start"), 1) << "slow to fast starts nothing again";
  EXPECT_EQ(log.back(), "Stop");
  EXPECT_EQ(peer.Commands(), (std::vector<std::string>{"RELOAD 0", "RELOAD 1", "RELOAD 2", "RUNFAST", "RUNFAST", "RUN",
                                                     "RUNFAST", "STOP"}));
  CComQIPtr<IVornPeerChannelHost>(m_engine)->SetPeerChannel(nullptr);
  peer.Release();
}

// A client that starts the engine again while its run thread is still
// stopping the modules after a failed cycle gets them started, not stopped
// behind it.
TEST_F(RunStates, AStartDuringTheRunThreadsOwnStopLeavesTheModulesStarted) {
  std::atomic<int> stops{0};
  std::atomic<bool> released{false};
  auto holdFirstStop = [&] {
    if (stops++ == 0)
      while (!released)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  Chain(2, {{0, Behaviour{.source = true, .atStop = holdFirstStop}}, {1, Behaviour{.throwAtRun = 3}}});
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  ASSERT_TRUE(Eventually([&] { return stops > 0; }));
  EXPECT_EQ(m_engine->GetRunning(), esStop);
  NewMessages();
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    released = true;
  });
  EXPECT_EQ(m_engine->SetRunning(esFast), S_OK);
  release.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // Starts and stops alternate, and the last is a start.
  auto startsAndStops = [](const std::vector<std::string>& log) {
    std::string calls;
    for (const std::string& call : log)
      if (call == "Start" || call == "Stop")
        calls += call[2] == 'a' ? 'a' : 'o';
    return calls;
  };
  EXPECT_EQ(m_engine->GetRunning(), esFast);
  for (int id : {0, 1})
    EXPECT_EQ(startsAndStops(LogOf(id)), "aoa") << id;
  m_engine->SetRunning(esStop);
  NewMessages();
}

TEST_F(RunStates, AThrowingRunStopsAFastEngineFromItsOwnThread) {
  struct Case {
    bool text;
    std::string message;
  } cases[] = {
      {false, "An exception occured in the Run function of module \"m1\", Type \"Pass\""},
      {true, "An exception occured in the Run function of module \"m1\", Type \"Pass\"\n\nboom"},
  };
  for (const Case& c : cases) {
    Recorder& peer = *new Recorder;
    CComQIPtr<IVornPeerChannelHost>(m_engine)->SetPeerChannel(&peer);
    for (int id : {0, 1, 2})
      Control()->RemoveModule(id, FALSE, FALSE);
    NewMessages();
    Chain(3, {{0, Behaviour{.source = true}}, {1, Behaviour{.throwAtRun = 5, .throwText = c.text}}});
    ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
    ASSERT_TRUE(Eventually([&] { return m_engine->GetRunning() == esStop; }));
    ASSERT_TRUE(Eventually([&] { return !LogOf(2).empty() && LogOf(2).back() == "Stop"; }));
    EXPECT_EQ(NewMessages(), (std::vector<std::string>{c.message}));
    EXPECT_EQ(peer.Commands(), (std::vector<std::string>{"RELOAD 0", "RELOAD 1", "RELOAD 2", "RUNFAST", "STOP"}));
    CComQIPtr<IVornPeerChannelHost>(m_engine)->SetPeerChannel(nullptr);
    peer.Release();
  }
}

// The engine's guard around Start, Run and Stop fails the call; only an
// exception without a text of its own, from a debug build of a module in
// an engine running in debug mode, reaches the engine's caller.
TEST_F(RunStates, AModulesExceptionReachesTheEnginesCallerOnlyInDebugMode) {
  const char* const calls[] = {"Start", "Run", "Stop"};
  const struct {
    bool text;
    BOOL debugBuild;
    BOOL debugRun;
    bool passedOn;
  } kinds[] = {{false, TRUE, TRUE, true}, {true, TRUE, TRUE, false}, {false, FALSE, TRUE, false},
               {false, TRUE, FALSE, false}};
  for (const char* name : calls) {
    const std::string call = name;
    for (const auto& kind : kinds) {
      SCOPED_TRACE(call + (kind.text ? " text" : " int") + (kind.debugBuild ? " debug build" : "") +
                   (kind.debugRun ? " debug run" : ""));
      Control()->RemoveModule(0, FALSE, FALSE);
      PassServer::s_nextDebugBuild = kind.debugBuild;
      m_engine->SetDebugRunFlag(kind.debugRun);
      Chain(1, {{0, Behaviour{.throwAtRun = call == "Run" ? 1 : 0, .throwText = kind.text,
                              .throwIn = call != "Run" ? call : ""}}});
      bool passedOn = false;
      HRESULT hr = S_OK;
      try {
        if (call != "Start") {
          ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
        }
        hr = call == "Start" ? m_engine->SetRunning(esSlow)
             : call == "Run" ? m_engine->RunAll()
                             : m_engine->SetRunning(esStop);
      } catch (...) {
        passedOn = true;
      }
      EXPECT_EQ(passedOn, kind.passedOn);
      if (!passedOn) {
        EXPECT_EQ(hr, call == "Stop" ? S_OK : E_FAIL) << "a stop answers success whatever the modules do";
      }
      {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_behaviour[0] = Behaviour{};
      }
      m_engine->SetRunning(esStop);
      EXPECT_EQ(m_engine->GetRunning(), esStop);
      NewMessages();
    }
  }
}

TEST_F(RunStates, CyclesFollowChangesOfTheModelBetweenThem) {
  Chain(2, {{0, Behaviour{.source = true}}});
  ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
  auto cycle = [&] {
    ASSERT_EQ(m_engine->RunAll(), S_OK);
    int moved = 0;
    ASSERT_EQ(m_engine->TransferAllOutputs(&moved), S_OK);
  };
  cycle();
  cycle();
  // A new module in the destination's place, and the source's output
  // defined anew: the next transfers reach the new module from the new output.
  Add(1);
  CComQIPtr<IVornModule>(m_engine->GetModule(0))->DefineOutput(CComBSTR(u"Out"), ctFloatArray, 1);
  cycle();
  cycle();
  // A module removed (and its connections with it) and one added after it.
  Control()->RemoveModule(1, FALSE, FALSE);
  Add(1);
  m_engine->GetModule(0)->AddConnection(CComBSTR("Out"), 1, CComBSTR("In"));
  cycle();
  cycle();
  // The destination's input defined anew: the transfer fills the new one.
  CComQIPtr<IVornModule>(m_engine->GetModule(1))->DefineInput(CComBSTR(u"In"), ctFloatArray, 1);
  cycle();
  cycle();
  std::lock_guard<std::mutex> lock(g_mutex);
  EXPECT_EQ(g_received[1], (std::vector<int>{-1, 1, -1, 3, -1, 5, -1, 7}));
}

TEST_F(RunStates, ARemovedModuleIsStoppedWhenItWasStarted) {
  struct Case {
    EngineSpeed speed;
    std::vector<std::string> log;
  };
  const Case cases[] = {{esStop, {}}, {esSlow, {"Start", "Stop"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    Chain(2);
    ASSERT_EQ(m_engine->SetRunning(c.speed), S_OK);
    ASSERT_EQ(Control()->RemoveModule(1, FALSE, FALSE), S_OK);
    EXPECT_EQ(LogOf(1), c.log);
    EXPECT_EQ(m_engine->SetRunning(esStop), S_OK);
    EXPECT_EQ(LogOf(1), c.log) << "the engine's stop no longer reaches it";
  }
}

TEST_F(RunStates, ThePeerChannelAndDebugFlagMayChangeWhileTheEngineRuns) {
  Chain(2, {{0, Behaviour{.source = true}}});
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  CComQIPtr<IVornPeerChannelHost> host(m_engine);
  for (int round = 0; round < 20; ++round) {
    Recorder* peer = new Recorder;
    host->SetPeerChannel(peer);
    peer->Release();  // the engine holds the only reference now
    m_engine->SetDebugRunFlag(round % 2);
    int counter = m_engine->GetGenerationCounter();
    ASSERT_TRUE(Eventually([&] { return m_engine->GetGenerationCounter() > counter + 1; }));
    host->SetPeerChannel(nullptr);
  }
  EXPECT_EQ(m_engine->SetRunning(esStop), S_OK);
}

TEST_F(RunStates, ClientsMayAddAndRemoveModulesWhileTheEngineRuns) {
  Chain(2, {{0, Behaviour{.source = true}}});
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  for (int round = 0; round < 40; ++round) {
    Add(2 + round % 3);
    m_engine->GetModule(1)->AddConnection(CComBSTR("Out"), 2 + round % 3, CComBSTR("In"));
    Control()->RemoveModule(2 + (round + 1) % 3, FALSE, FALSE);
  }
  EXPECT_EQ(m_engine->SetRunning(esStop), S_OK);
  EXPECT_GT(m_engine->GetGenerationCounter(), 0);
}

// A module whose Run does not return holds the run thread past the five
// seconds a stop waits for it: the stop goes on without it, and the thread,
// once it has ended, is joined by the engine rather than left running or
// deleted while it runs.
TEST_F(RunStates, ARunThreadThatOutlivesTheStopsWaitIsJoinedLater) {
  std::atomic<bool> entered{false}, released{false}, returned{false};
  auto hold = [&] {
    entered = true;
    while (!released)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    returned = true;
  };
  Chain(1, {{0, Behaviour{.atRun = hold}}});
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  ASSERT_TRUE(Eventually([&] { return entered.load(); }));
  EXPECT_EQ(m_engine->SetRunning(esStop), S_OK);
  EXPECT_EQ(m_engine->GetRunning(), esStop);
  EXPECT_FALSE(returned) << "the stop did not wait for the module to return";
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_behaviour[0] = Behaviour{};
  }
  released = true;
  ASSERT_TRUE(Eventually([&] { return returned.load(); }));
  EXPECT_EQ(m_engine->SetRunning(esSlow), S_OK);
  EXPECT_EQ(m_engine->SetRunning(esStop), S_OK);
  std::vector<std::string> log = LogOf(0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Start"), 2);
  EXPECT_EQ(log.back(), "Stop");
}

// No engine lock is held while a module loads: the run thread, which
// holds a module's lock while it asks the engine for modules, would wait
// for the load, and the load for the module's lock.
TEST_F(RunStates, NoModuleLoadsUnderTheEngineLock) {
  Chain(1);
  int loads = 0;
  int blocked = 0;
  std::vector<std::thread> waiting;
  auto probe = [&] {
    ++loads;
    auto asked = std::make_shared<std::atomic<bool>>(false);
    std::thread other([this, asked] {
      m_engine->GetModuleCount();
      *asked = true;
    });
    if (Eventually([&] { return asked->load(); })) {
      other.join();
    } else {
      ++blocked;
      waiting.push_back(std::move(other));
    }
  };
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_behaviour[0] = Behaviour{.atLoad = probe};
  }
  const struct {
    const char* what;
    std::function<void()> load;
  } cases[] = {
      {"open", [&] { m_engine->OpenDatabase(); }},
      {"reload one", [&] { Control()->ReloadModule(0, FALSE); }},
      {"reload all", [&] { Control()->ReloadModule(-1, FALSE); }},
      {"values of one", [&] { Control()->ReloadModuleData(0); }},
      {"values of all", [&] { Control()->ReloadModuleData(-1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    loads = blocked = 0;
    c.load();
    for (std::thread& thread : waiting)
      thread.join();
    waiting.clear();
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(blocked, 0);
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  g_behaviour.clear();
}

TEST_F(RunStates, ASaveEndsItsTransactionHoweverTheServerFails) {
  struct Case {
    bool throwOnSave;
    BOOL debugBuild;
    HRESULT result;
    bool passedOn;
  } cases[] = {{false, FALSE, S_OK, false}, {true, FALSE, E_FAIL, false}, {true, TRUE, E_FAIL, true}};
  int id = 0;
  for (const Case& c : cases) {
    PassServer::s_nextDebugBuild = c.debugBuild;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_behaviour[id] = Behaviour{.throwOnSave = c.throwOnSave};
    }
    CComPtr<IVornModuleLocal> module;
    ASSERT_EQ(m_engine->CreateModule(CComBSTR("Pass"), &module), S_OK);
    module->SetID(id);
    module->SetName(CComBSTR("m" + std::to_string(id)));
    module->SetDebugModeFlag(TRUE);
    module->SetDirtyFlag(TRUE);
    NewMessages();
    HRESULT hr = S_OK;
    bool passedOn = false;
    try {
      hr = module->Save();
    } catch (int) {
      passedOn = true;
    }
    EXPECT_EQ(passedOn, c.passedOn) << id;
    if (!passedOn) {
      EXPECT_EQ(hr, c.result) << id;
    }
    BOOL dirty = TRUE;
    module->GetDirtyFlag(&dirty);
    EXPECT_FALSE(dirty) << id;
    EXPECT_EQ(NewMessages().size(), c.throwOnSave ? 1u : 0u) << id;
    // Another connection sees the rows only once the transaction has ended.
    EXPECT_EQ(Raw("SELECT Value FROM ModuleValues WHERE ModuleID = " + std::to_string(id) +
                  " AND VariableName = 'Color'"),
              "16711935.000000;")
        << id;
    ++id;
  }
  EXPECT_EQ(Raw("SELECT Value FROM ModuleValues WHERE ModuleID = 0 AND VariableName = 'Emitted'"), "0;");
}

TEST_F(RunStates, ALoadReadsTheDrawingValuesAndFollowsTheProcessor) {
  Chain(1);
  IVornModuleLocal* module = m_engine->GetModule(0);
  module->SetPosition(Vorn3DVector{1.5f, -2.0f, 3.25f});
  module->SetDisplayStyle(mdsDetail);
  ASSERT_EQ(module->Save(), S_OK);
  module->SetPosition(Vorn3DVector{});
  module->SetDisplayStyle(mdsNormal);
  m_engine->SaveFloatValue(0, CComBSTR("Color"), 255.9f);
  ASSERT_EQ(module->Load(), S_OK);
  Vorn3DVector position{};
  module->GetPosition(&position);
  EXPECT_EQ(position.m_fZ, 3.25f);
  VornModuleDisplayStyle style = mdsNormal;
  module->GetDisplayStyle(&style);
  EXPECT_EQ(style, mdsDetail);
  int color = 0;
  module->GetColor(&color);
  EXPECT_EQ(color, 255) << "truncated";

  // The row now names another machine: the module is deactivated.
  Platform::Db::Database(m_path).Execute("UPDATE Modules SET Processor = 'LAB2' WHERE ID = 0");
  ASSERT_EQ(module->Load(), S_OK);
  EXPECT_EQ(LogOf(0), (std::vector<std::string>{"Save", "Load", "Load", "Deactivate"}));
}

}  // namespace
