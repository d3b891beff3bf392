// Stand-ins for the engine and for a module server, for the module
// object's tests: the engine answers a module collection, a host name and
// records what the module asks of it; the server aggregates a module object
// as real servers do and records every call into it.
#ifndef VORN_ENGINE_TESTS_FAKES_H
#define VORN_ENGINE_TESTS_FAKES_H

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "vorn/engine/module.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/registrar.h"

class FakeEngine final : public IVornEngine {
public:
  // Not reference counted: tests own the engine on the stack.
  HRESULT QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IVornEngine ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  int GetModuleCount() override { return static_cast<int>(modules.size()); }
  IVornModuleLocal* GetModule(int nID) override {
    return nID >= 0 && nID < GetModuleCount() ? modules[static_cast<std::size_t>(nID)] : nullptr;
  }
  // Puts module into the slot of id.
  void Place(int id, IVornModuleLocal* module) {
    if (static_cast<int>(modules.size()) <= id)
      modules.resize(static_cast<std::size_t>(id) + 1, nullptr);
    modules[static_cast<std::size_t>(id)] = module;
  }
  BSTR GetHostName() override { return Platform::AllocBstr(std::string_view(hostName)); }
  BOOL IsMachineLocal() override { return machineLocal; }
  HRESULT SaveModuleParams(IVornModuleLocal*) override {
    log.push_back("SaveModuleParams");
    return S_OK;
  }
  HRESULT BeginDBTrans() override {
    log.push_back("BeginDBTrans");
    return S_OK;
  }
  HRESULT CommitDBTrans() override {
    log.push_back("CommitDBTrans");
    return S_OK;
  }
  HRESULT SendConnectionData(VornConnection* pConnection) override {
    sent.push_back(Platform::BstrToUtf8(pConnection->m_DestMachine) + ":" +
                   Platform::BstrToUtf8(pConnection->m_DestModuleName) + "." +
                   Platform::BstrToUtf8(pConnection->m_DestInputName));
    return sendResult;
  }
  LONGLONG GetCycleStartTime() override { return 1234; }

  HRESULT LoadStringValue(int, BSTR, BSTR*) override { return E_NOTIMPL; }
  HRESULT SaveStringValue(int, BSTR, BSTR) override { return E_NOTIMPL; }
  HRESULT LoadFloatValue(int, BSTR, float*) override { return E_NOTIMPL; }
  HRESULT SaveFloatValue(int, BSTR, float) override { return E_NOTIMPL; }
  HRESULT LoadFloatArrayVar(int, BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT LoadStringArrayVar(int, BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT LoadIntArrayVar(int, BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT SaveArrayVar(int, BSTR, VARIANT) override { return E_NOTIMPL; }
  HRESULT SaveIntArray(int, BSTR, int*, int) override { return E_NOTIMPL; }
  HRESULT LoadIntArray(int, BSTR, int, int*, int*) override { return E_NOTIMPL; }
  HRESULT GetIntArraySize(int, BSTR, int*) override { return E_NOTIMPL; }
  HRESULT SaveFloatArray(int, BSTR, float*, int) override { return E_NOTIMPL; }
  HRESULT LoadFloatArray(int, BSTR, int, float*, int*) override { return E_NOTIMPL; }
  HRESULT SaveFloatArray2D(int, BSTR, int, float*, int) override { return E_NOTIMPL; }
  HRESULT LoadFloatArray2D(int, BSTR, int, int, float*, int*) override { return E_NOTIMPL; }
  HRESULT GetFloatArraySize(int, BSTR, int*) override { return E_NOTIMPL; }
  HRESULT SaveStringArray(int, BSTR, BSTR*, int) override { return E_NOTIMPL; }
  HRESULT LoadStringArray(int, BSTR, int, BSTR*, int*) override { return E_NOTIMPL; }
  HRESULT GetStringArraySize(int, BSTR, int*) override { return E_NOTIMPL; }
  HRESULT SaveConnections(IVornModuleLocal*) override { return E_NOTIMPL; }
  HRESULT LoadConnections(IVornModuleLocal*) override { return E_NOTIMPL; }
  BSTR GetServers() override { return nullptr; }
  HRESULT ChangeModuleServer(BSTR, BSTR) override { return E_NOTIMPL; }
  HRESULT RemoveModule(int) override { return E_NOTIMPL; }
  HRESULT Flush() override { return E_NOTIMPL; }
  EngineSpeed GetRunning() override { return esStop; }
  HRESULT SetRunning(EngineSpeed) override { return E_NOTIMPL; }
  int GetAvailableModuleCount() override { return 0; }
  BSTR GetAvailableModuleType(int) override { return nullptr; }
  HRESULT GetModuleData(int, BSTR**, BSTR**, int*) override { return E_NOTIMPL; }
  HRESULT SetWorkingFilePath(BSTR) override { return E_NOTIMPL; }
  HRESULT OpenDatabase() override { return E_NOTIMPL; }
  int GetGenerationCounter() override { return 0; }
  HRESULT RunAll() override { return E_NOTIMPL; }
  HRESULT TransferAllOutputs(int*) override { return E_NOTIMPL; }
  HRESULT CreateModule(BSTR, IVornModuleLocal**) override { return E_NOTIMPL; }
  int GetNewModuleID() override { return 0; }
  HRESULT AddNewModule(IVornModuleLocal*) override { return E_NOTIMPL; }
  BSTR GetWorkingFilePath() override { return nullptr; }
  HRESULT SaveAll() override { return E_NOTIMPL; }
  HRESULT CopyDatabase(BSTR, BSTR) override { return E_NOTIMPL; }
  BSTR GetLocalHostName() override { return nullptr; }
  HRESULT ReloadModule(int) override { return E_NOTIMPL; }
  HRESULT CloseDatabase(BOOL) override { return E_NOTIMPL; }
  VornModuleInfo* GetModuleInfo(BSTR) override { return nullptr; }
  HRESULT SetDebugRunFlag(BOOL) override { return E_NOTIMPL; }
  HRESULT SetFileModifiedFlag(BOOL) override { return E_NOTIMPL; }
  HRESULT GetFileModifiedFlag(BOOL*) override { return E_NOTIMPL; }
  int OnIdle(int) override { return 0; }
  HRESULT Step() override { return E_NOTIMPL; }
  HRESULT ReOpenDatabase() override { return E_NOTIMPL; }
  HRESULT SetUIHWnd(HWND) override { return E_NOTIMPL; }
  HRESULT LoadModuleParams(IVornModuleLocal*) override { return E_NOTIMPL; }
  HRESULT CheckRemoteConnections(IVornStringList**) override { return E_NOTIMPL; }
  HRESULT SyncMachine(BSTR, int, BOOL*) override { return E_NOTIMPL; }
  HRESULT SetApplicationName(BSTR) override { return E_NOTIMPL; }
  HRESULT GetAllHosts(IVornStringList**) override { return E_NOTIMPL; }
  HRESULT GetHostsRunningApp(BSTR, BOOL, IVornStringList**) override { return E_NOTIMPL; }
  BSTR GetApplicationName() override { return nullptr; }
  IVornModuleLocal* FindModule(BSTR) override { return nullptr; }
  HRESULT SetDistributedDBMode(BOOL) override { return E_NOTIMPL; }
  HRESULT GetDistributedDBMode(BOOL*) override { return E_NOTIMPL; }
  HRESULT SetUserName(BSTR) override { return E_NOTIMPL; }
  HRESULT GetUserName(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetUserForMachine(BSTR, BSTR*) override { return E_NOTIMPL; }

  std::vector<IVornModuleLocal*> modules;
  std::string hostName = "Host1";
  BOOL machineLocal = TRUE;
  std::vector<std::string> log;
  std::vector<std::string> sent;
  HRESULT sendResult = S_OK;
};

PLATFORM_DEFINE_GUID(CLSID_FakeServer, "6B1D2C3E-8F4A-4B5C-9D6E-7F8091A2B3C4");

// A module server's object with the module object aggregated inside it.
class ATL_NO_VTABLE FakeServer : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<FakeServer, &CLSID_FakeServer>,
                                 public IDispatchImpl<IVornDerivedModule> {
public:
  DECLARE_NOT_AGGREGATABLE(FakeServer)
  BEGIN_COM_MAP(FakeServer)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  FakeServer() { ++live; }
  ~FakeServer() override { --live; }

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    // Held without a reference: the module object lives inside this one.
    hr = m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&module));
    if (FAILED(hr))
      return hr;
    module->Release();
    m_inner->QueryInterface(IID_IVornModuleLocal, reinterpret_cast<void**>(&local));
    local->Release();
    CComBSTR type(u"Fake");
    module->SetModuleType(type);
    return module->SetDerivedModule(GetControllingUnknown());
  }
  void FinalRelease() {
    if (m_inner != nullptr)
      m_inner->Release();
  }

  // A new server; the caller holds its one reference.
  static CComPtr<IUnknown> Make(FakeServer** server = nullptr) {
    CComObject<FakeServer>* made = nullptr;
    EXPECT_EQ(CComObject<FakeServer>::CreateInstance(&made), S_OK);
    CComPtr<IUnknown> unknown(made->GetUnknown());
    if (server != nullptr)
      *server = made;
    return unknown;
  }

  HRESULT Run() override { return Record("Run"); }
  HRESULT Stop() override { return Record("Stop"); }
  HRESULT Start() override { return Record("Start"); }
  HRESULT Save(IDispatch*) override { return Record("Save"); }
  HRESULT Load(IDispatch*) override { return Record("Load"); }
  HRESULT GetIcon(IDispatch** ppIPicture) override {
    *ppIPicture = icon;
    if (icon != nullptr)
      icon->AddRef();
    return Record("GetIcon");
  }
  HRESULT Initialize() override { return Record("Initialize"); }
  HRESULT GetHelpFileName(BSTR* pbstrFullPath) override {
    HRESULT hr = Record("GetHelpFileName");
    *pbstrFullPath = SysAllocString(u"/help/fake.html");
    return hr;
  }
  HRESULT GetModuleInfo(VornModuleInfo* pModuleInfo) override {
    HRESULT hr = Record("GetModuleInfo");
    pModuleInfo->m_bstrAuthor = SysAllocString(u"Author");
    return hr;
  }
  HRESULT GetDebugBuildFlag(BOOL* pbDebugBuild) override {
    *pbDebugBuild = debugBuild;
    return Record("GetDebugBuildFlag");
  }
  HRESULT Activate() override { return Record("Activate"); }
  HRESULT Deactivate() override { return Record("Deactivate"); }

  // Throws in the call named throwIn: an exception with a text of its own
  // when throwText is set, else one without.
  HRESULT Record(const char* call) {
    log.emplace_back(call);
    if (throwIn == call) {
      if (throwText)
        throw std::runtime_error("boom");
      throw 7;
    }
    return S_OK;
  }

  static inline int live = 0;
  static inline BOOL debugBuild = TRUE;
  IUnknown* m_inner = nullptr;
  IVornModule* module = nullptr;
  IVornModuleLocal* local = nullptr;
  IDispatch* icon = nullptr;
  std::vector<std::string> log;
  std::string throwIn;
  bool throwText = false;
};

#endif
