#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <utility>

#include "platform/com/com.h"
#include "platform/kernel/kernel.h"
#include "vorn/engine/tests/fakes.h"
#include "platform/activation/activation.h"
#include "vorn/modules/ports/externaliomodule.h"

namespace {

using VornPorts::VornExternalIOModule;

// Counts the events it is called with; can be told to fail them.
class Sink : public IDispatch {
public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID__IVornExternalIOModuleEvents ? this : nullptr;
    return *object != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    if (id == DISPID_NewDataAvailable)
      ++events;
    if (onEvent)
      onEvent();
    return fails ? E_FAIL : S_OK;
  }
  ULONG refs = 1;
  int events = 0;
  bool fails = false;
  std::function<void()> onEvent;
};

void Pump() {
  MSG msg{};
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessage(&msg);
}

struct Graph {
  Graph() {
    // The engine's module object, as the engine server would make it.
    Platform::AddInProcessClass(CLSID_VornModule, &CVornModule::_CreatorClass::CreateInstance, nullptr);
    Platform::AddInProcessClass(CLSID_VornExternalIOModule, &VornExternalIOModule::_CreatorClass::CreateInstance,
                                nullptr);
    for (int id = 0; id < 2; ++id) {
      EXPECT_EQ(CoCreateInstance(CLSID_VornExternalIOModule, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 reinterpret_cast<void**>(&unknown[id])),
                S_OK);
      unknown[id]->QueryInterface(IID_IVornModuleLocal, reinterpret_cast<void**>(&local[id]));
      unknown[id]->QueryInterface(IID_IVornExternalIOModule, reinterpret_cast<void**>(&io[id]));
      local[id]->SetEngine(&engine);
      local[id]->SetID(id);
      engine.Place(id, local[id]);
      EXPECT_EQ(local[id]->Initialize(), S_OK);
    }
    EXPECT_EQ(local[0]->AddConnection(CComBSTR(u"Default"), 1, CComBSTR(u"Default")), S_OK);
  }
  void Advise(int id, Sink& sink) {
    CComQIPtr<IConnectionPointContainer> container(unknown[id]);
    CComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IVornExternalIOModuleEvents, &point), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  }
  // Gives up every reference the test holds on a module.
  void Drop(int id) {
    engine.Place(id, nullptr);
    io[id].Release();
    local[id].Release();
    unknown[id].Release();
  }
  HWND Window(int id) { return static_cast<VornExternalIOModule*>(io[id].p)->WindowHandle(); }
  // One engine cycle: every module runs, then A's outputs move to B.
  void Cycle() {
    for (CComPtr<IVornModuleLocal>& module : local) {
      module->PreRun();
      module->Run();
      module->PostRun();
    }
    local[0]->TransferOutputs(nullptr);
  }
  std::u16string Property(int id, const char16_t* name) {
    CComBSTR value;
    EXPECT_EQ(io[id]->GetDataProperty(CComBSTR(name), &value), S_OK);
    return std::u16string(Platform::BstrView(value));
  }
  std::vector<std::u16string> Names(int id) {
    CComVariant names;
    EXPECT_EQ(io[id]->GetDataPropertyNames(&names), S_OK);
    EXPECT_EQ(names.vt, VT_ARRAY | VT_BSTR);
    std::vector<std::u16string> found;
    if (names.vt != (VT_ARRAY | VT_BSTR))
      return found;
    LONG upper = -1;
    SafeArrayGetUBound(names.parray, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
      BSTR name = nullptr;
      SafeArrayGetElement(names.parray, &i, &name);
      found.emplace_back(Platform::BstrView(name));
      SysFreeString(name);
    }
    return found;
  }

  FakeEngine engine;
  CComPtr<IUnknown> unknown[2];
  CComPtr<IVornModuleLocal> local[2];
  CComPtr<IVornExternalIOModule> io[2];
};

TEST(ExternalIO, AValueSetOnOneModuleArrivesOnTheNextWithOneEventAndItsProperties) {
  Graph graph;
  Sink sink, failing;
  failing.fails = true;
  CComPtr<IConnectionPointContainer> container;
  graph.unknown[1]->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  CComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__IVornExternalIOModuleEvents, &point), S_OK);
  DWORD cookie = 0, failingCookie = 0;
  ASSERT_EQ(point->Advise(&failing, &failingCookie), S_OK);
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

  // Nothing yet: an empty value (into an out VARIANT that was never set
  // up) and an empty list of names.
  VARIANT received;
  std::memset(&received, 0xA5, sizeof received);
  received.vt = VT_BSTR;
  EXPECT_EQ(graph.io[1]->GetData(&received), S_OK);
  EXPECT_EQ(received.vt, VT_EMPTY);
  EXPECT_TRUE(graph.Names(1).empty());

  ASSERT_EQ(graph.io[0]->SetDataProperty(CComBSTR(u"Type"), CComBSTR(u"Audio")), S_OK);
  ASSERT_EQ(graph.io[0]->SetData(CComVariant(41)), S_OK);
  ASSERT_EQ(graph.io[0]->SetData(CComVariant(42)), S_OK); // only the last one goes
  graph.Cycle();
  graph.Cycle();
  EXPECT_EQ(sink.events, 0) << "the event comes on the window's thread, not from Run";
  Pump();
  EXPECT_EQ(sink.events, 1);
  EXPECT_EQ(failing.events, 1);

  CComVariant value;
  EXPECT_EQ(graph.io[1]->GetData(&value), S_OK);
  EXPECT_EQ(value.vt, VT_I4);
  EXPECT_EQ(value.lVal, 42);
  EXPECT_EQ(graph.Property(1, u"Type"), u"Audio");
  EXPECT_EQ(graph.Property(1, u"Missing"), u"");
  EXPECT_EQ(graph.Names(1), std::vector<std::u16string>{u"Type"});

  // A property changed without a value waits for the next value.
  ASSERT_EQ(graph.io[0]->SetDataProperty(CComBSTR(u"Range"), CComBSTR(u"-1,1")), S_OK);
  ASSERT_EQ(graph.io[0]->SetDataProperty(CComBSTR(u"Type"), CComBSTR(u"Text")), S_OK);
  graph.Cycle();
  graph.Cycle();
  Pump();
  EXPECT_EQ(graph.Property(1, u"Type"), u"Audio");
  ASSERT_EQ(graph.io[0]->SetData(CComVariant(CComBSTR(u"next"))), S_OK);
  graph.Cycle();
  graph.Cycle();
  Pump();
  EXPECT_EQ(graph.Names(1), (std::vector<std::u16string>{u"Type", u"Range"}));
  EXPECT_EQ(graph.Property(1, u"Type"), u"Text");
  EXPECT_EQ(sink.events, 2);
  CComVariant text;
  EXPECT_EQ(graph.io[1]->GetData(&text), S_OK);
  EXPECT_EQ(text.vt, VT_BSTR);
  EXPECT_EQ(Platform::BstrView(text.bstrVal), u"next");

  EXPECT_EQ(graph.io[1]->GetData(nullptr), E_POINTER);
  VornModuleInfo info{};
  ASSERT_EQ(graph.local[1]->GetModuleInfo(&info), S_OK);
  EXPECT_EQ(Platform::BstrView(info.m_bstrDescription), u"Defines an access point for external application I/O");
  SysFreeString(info.m_bstrAuthor);
  SysFreeString(info.m_bstrDescription);
  point->Unadvise(cookie);
  point->Unadvise(failingCookie);
}

TEST(ExternalIO, ValuesArrivingBeforeTheWindowsThreadLooksAreToldOfByOneEvent) {
  Sink sink; // outlives the graph, which holds it
  Graph graph;
  graph.Advise(1, sink);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(graph.io[0]->SetData(CComVariant(i)), S_OK);
    graph.Cycle();
  }
  graph.Cycle();
  // A value that arrives while the sinks hear of the last one has its own.
  bool sendAnother = true;
  sink.onEvent = [&] {
    if (!std::exchange(sendAnother, false))
      return;
    graph.io[0]->SetData(CComVariant(100));
    graph.Cycle();
    graph.Cycle();
  };
  Pump();
  EXPECT_EQ(sink.events, 2);
  CComVariant value;
  EXPECT_EQ(graph.io[1]->GetData(&value), S_OK);
  EXPECT_EQ(value.lVal, 100);
}

TEST(ExternalIO, TheLastReleaseLeavesNoEventOrWindowBehindOnWhicheverThread) {
  for (bool duringTheEvent : {false, true}) {
    Sink dropping, next;
    Graph graph;
    graph.Advise(1, dropping);
    graph.Advise(1, next);
    ASSERT_EQ(graph.io[0]->SetData(CComVariant(1)), S_OK);
    graph.Cycle();
    graph.Cycle(); // module 1's event is queued
    const HWND window = graph.Window(1);
    if (duringTheEvent)
      dropping.onEvent = [&] { graph.Drop(1); };
    else // the run thread had the last reference
      std::thread([&] { graph.Drop(1); }).join();
    Pump();
    EXPECT_EQ(next.events, duringTheEvent ? 1 : 0) << duringTheEvent;
    EXPECT_FALSE(IsWindow(window)) << duringTheEvent;
  }
}

TEST(ExternalIO, AClientsBadPropertyNameIsAnsweredAndChangesNothing) {
  Graph graph;
  ASSERT_EQ(graph.io[0]->SetDataProperty(CComBSTR(u"Type"), CComBSTR(u"Audio")), S_OK);
  EXPECT_EQ(graph.io[0]->SetDataProperty(CComBSTR(u"1 bad"), CComBSTR(u"x")), E_INVALIDARG);
  ASSERT_EQ(graph.io[0]->SetData(CComVariant(1)), S_OK);
  graph.Cycle();
  graph.Cycle();
  EXPECT_EQ(graph.Names(1), std::vector<std::u16string>{u"Type"});
}

TEST(ExternalIO, PropertyAndValueCallsWaitForTheModulesLock) {
  Graph graph;
  using Call = std::function<void()>;
  const Call calls[] = {
      [&] { graph.io[0]->SetDataProperty(CComBSTR(u"Type"), CComBSTR(u"Audio")); },
      [&] { graph.Property(0, u"Type"); },
      [&] { graph.Names(0); },
      [&] { graph.io[0]->SetData(CComVariant(1)); },
      [&] {
        CComVariant value;
        graph.io[0]->GetData(&value);
      },
  };
  for (const Call& call : calls) {
    std::atomic<bool> held{false}, released{false};
    std::thread run([&] {
      graph.local[0]->Lock();
      held = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      released = true;
      graph.local[0]->Unlock();
    });
    while (!held)
      std::this_thread::yield();
    call();
    EXPECT_TRUE(released);
    run.join();
  }
}

} // namespace
