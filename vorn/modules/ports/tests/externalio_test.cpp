#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/com/com.h"
#include "platform/kernel/kernel.h"
#include "vorn/engine/tests/fakes.h"
#include "vorn/modules/ports/events.h"
#include "vorn/modules/ports/externaliocore.h"
#include "vorn/modules/ports/modulewindow.h"

namespace {

using VornPorts::ExternalIOCore;

// An external input/output module as its server makes it: the engine's
// module object aggregated inside, the core behind the module's interface,
// the hidden window and the events connection point.
class ATL_NO_VTABLE IOServer : public CComObjectRootEx<CComMultiThreadModel>,
                               public IDispatchImpl<IVornExternalIOModule>,
                               public IDispatchImpl<IVornDerivedModule>,
                               public IConnectionPointContainerImpl<IOServer>,
                               public IConnectionPointImpl<IOServer, &DIID__IVornExternalIOModuleEvents> {
public:
  BEGIN_COM_MAP(IOServer)
    COM_INTERFACE_ENTRY(IVornExternalIOModule)
    COM_INTERFACE_ENTRY2(IDispatch, IVornExternalIOModule)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(IOServer)
    CONNECTION_POINT_ENTRY(DIID__IVornExternalIOModuleEvents)
  END_CONNECTION_POINT_MAP()

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    IVornModule* module = nullptr;
    hr = m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&module));
    if (FAILED(hr))
      return hr;
    module->Release();
    m_core.Attach(module);
    module->SetModuleType(CComBSTR(u"VornExternalIO"));
    hr = module->SetDerivedModule(GetControllingUnknown());
    if (SUCCEEDED(hr))
      hr = m_window.Create();
    m_core.SetWindow(m_window.Handle());
    return hr;
  }
  void FinalRelease() {
    if (m_inner != nullptr)
      m_inner->Release();
  }

  // IVornExternalIOModule
  HRESULT GetData(VARIANT* data) override { return m_core.GetData(data); }
  HRESULT SetData(VARIANT data) override { return m_core.SetData(data); }
  HRESULT SetDataProperty(BSTR name, BSTR value) override { return m_core.SetDataProperty(name, value); }
  HRESULT GetDataProperty(BSTR name, BSTR* value) override { return m_core.GetDataProperty(name, value); }
  HRESULT GetDataPropertyNames(VARIANT* names) override { return m_core.GetDataPropertyNames(names); }

  // IVornDerivedModule (its IDispatch half is the module interface's).
  HRESULT Run() override { return m_core.Run(); }
  HRESULT Stop() override { return S_OK; }
  HRESULT Start() override { return S_OK; }
  HRESULT Save(IDispatch*) override { return S_OK; }
  HRESULT Load(IDispatch*) override { return S_OK; }
  HRESULT GetIcon(IDispatch**) override { return E_FAIL; }
  HRESULT Initialize() override { return m_core.Initialize(); }
  HRESULT GetHelpFileName(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetModuleInfo(VornModuleInfo*) override { return S_OK; }
  HRESULT GetDebugBuildFlag(BOOL* flag) override {
    *flag = FALSE;
    return S_OK;
  }
  HRESULT Activate() override { return S_OK; }
  HRESULT Deactivate() override { return S_OK; }

  ExternalIOCore m_core;

private:
  IUnknown* m_inner = nullptr;
  VornPorts::ModuleWindow m_window{[this] { VornPorts::FireNewDataAvailable(*this, *this); }};
};

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
    return fails ? E_FAIL : S_OK;
  }
  ULONG refs = 1;
  int events = 0;
  bool fails = false;
};

void Pump() {
  MSG msg{};
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessage(&msg);
}

struct Graph {
  Graph() {
    for (int id = 0; id < 2; ++id) {
      CComObject<IOServer>* made = nullptr;
      EXPECT_EQ(CComObject<IOServer>::CreateInstance(&made), S_OK);
      server[id] = made;
      unknown[id] = made->GetUnknown();
      unknown[id]->QueryInterface(IID_IVornModuleLocal, reinterpret_cast<void**>(&local[id]));
      unknown[id]->QueryInterface(IID_IVornExternalIOModule, reinterpret_cast<void**>(&io[id]));
      local[id]->SetEngine(&engine);
      local[id]->SetID(id);
      engine.Place(id, local[id]);
      EXPECT_EQ(local[id]->Initialize(), S_OK);
    }
    EXPECT_EQ(local[0]->AddConnection(CComBSTR(u"Default"), 1, CComBSTR(u"Default")), S_OK);
  }
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
  IOServer* server[2] = {};
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
  point->Unadvise(cookie);
  point->Unadvise(failingCookie);
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
