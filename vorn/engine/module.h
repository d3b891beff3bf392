// The engine-side half of every module. A module server aggregates one of
// these inside each of its module objects and forwards its work to it; the
// engine and the front ends see only these interfaces. The object keeps the
// module's identity, its drawing properties, its inputs and outputs with
// their current data, its outgoing connections, its timing and its flags.
//
// Locking: the module's lock (re-entrant) is held by Lock/Unlock, the define
// operations, the page lists, SetInputData/SetMultipleInputData, the
// connection removals and TransferOutputs, and from PreRun to PostRun, so
// a server's Run always runs under it. Two small inner locks, never held
// while calling out, keep the identity texts and the connection list
// consistent for readers on other threads.
#ifndef VORN_ENGINE_MODULE_H
#define VORN_ENGINE_MODULE_H

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/com.h"
#include "platform/kernel/recursivelock.h"
#include "vorn/engine/collectiongeneration.h"
#include "vorn/engine/modulenames.h"
#include "vorn/engine/connectiondata.h"
#include "vorn/interfaces/module.h"

class CVornModule;

// One outgoing connection; owns the texts of its record.
class CConnectionEntry {
public:
  CConnectionEntry(BSTR srcOutput, int srcId, int destId, BSTR destInput, BSTR destMachine, BSTR destModuleName);
  ~CConnectionEntry();
  CConnectionEntry(const CConnectionEntry&) = delete;
  CConnectionEntry& operator=(const CConnectionEntry&) = delete;

  VornConnection* Record() { return &m_record; }
  bool IsRemote() const { return !Platform::BstrView(m_record.m_DestMachine).empty(); }

  // What the last transfer looked up, so that the next one need not; kept
  // under the source module's lock. Each is good while what it was taken
  // from is unchanged, record fields included (a caller may write them).
  struct Resolved {
    CConnectionData* output = nullptr;
    BSTR outputName = nullptr;  // the record's text the output was found by
    unsigned definitions = 0;   // the source module's definition count then
    bool outputKnown = false;
    IVornModuleLocal* destination = nullptr;  // not counted: the collection holds it
    const void* engine = nullptr;             // whose collection it was found in
    int destinationId = 0;
    unsigned generation = 0;  // the engine's collection generation then
    bool destinationKnown = false;
    CComBSTR sourceKey;  // a multiple input's key for this source
    int keyId = 0;
    BSTR keyOutputName = nullptr;
    // The destination as the engine's own module object, which the transfer
    // fills directly; null for any other implementation.
    CVornModule* direct = nullptr;
    // The destination's input, kept under the destination's lock: good while
    // that module and its definition count and the record's text are.
    CConnectionData* input = nullptr;
    const CVornModule* inputModule = nullptr;
    BSTR inputName = nullptr;
    unsigned inputDefinitions = 0;
  };
  Resolved& Cache() { return m_resolved; }

private:
  VornConnection m_record{};
  Resolved m_resolved;
};

// Inputs or outputs by name, in the order they were first defined.
class CConnectionTable {
public:
  CConnectionData* Find(std::u16string_view name) const;
  // Replaces the value of an existing name in place.
  void Define(std::u16string name, std::unique_ptr<CConnectionData> value);
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& entry : m_entries)
      f(entry.first, *entry.second);
  }

private:
  std::vector<std::pair<std::u16string, std::unique_ptr<CConnectionData>>> m_entries;
};

class ATL_NO_VTABLE CVornModule : public CComObjectRootEx<CComMultiThreadModel>,
                                  public CComCoClass<CVornModule, &CLSID_VornModule>,
                                  public IDispatchImpl<IVornModule, &IID_IVornModule, &LIBID_VORNENGINEHOSTLib>,
                                  public IVornModuleLocal,
                                  public IVornModuleCPP,
                                  public ISpecifyPropertyPages {
public:
  CVornModule();
  ~CVornModule() override;

  DECLARE_CLASS_REGISTRATION("VornEngineHost.VornModule.1", "VornEngineHost.VornModule", "VornModule Class")

  BEGIN_COM_MAP(CVornModule)
    COM_INTERFACE_ENTRY(IVornModule)
    COM_INTERFACE_ENTRY2(IDispatch, IVornModule)
    COM_INTERFACE_ENTRY(IVornModuleLocal)
    COM_INTERFACE_ENTRY(IVornModuleCPP)
    COM_INTERFACE_ENTRY(ISpecifyPropertyPages)
  END_COM_MAP()

  // IVornModule (the operations it shares with IVornModuleLocal are below).
  HRESULT SetDerivedModule(IUnknown* pDerivedModule) override;
  HRESULT SetModuleType(BSTR bstrModuleType) override;
  HRESULT GetInputModuleCount(int* pnCount) override;
  HRESULT GetInputModule(int nIdx, IDispatch** ppModule) override;
  HRESULT GetModuleStorage(IDispatch** ppIVornPersist) override;
  HRESULT GetGlobalStorage(IDispatch** ppIVornPersist) override;
  HRESULT DefineInput(BSTR bstrName, VornConnectionType type, int nArrayElementCount) override;
  HRESULT DefineOutput(BSTR bstrName, VornConnectionType type, int nArrayElementCount) override;
  HRESULT InputHasData(BSTR bstrInputName, VARIANT_BOOL* pbHasData) override;
  HRESULT DefineMultipleInputs(BSTR bstrName, VornConnectionType type, int nArrayElementCount) override;
  HRESULT GetMultipleInputCount(BSTR bstrInputName, int* pnCount) override;
  HRESULT MultipleInputHasData(BSTR bstrInputName, int nInputIdx, VARIANT_BOOL* pbHasData) override;
  HRESULT SetOutputHasData(BSTR bstrOutputName) override;
  HRESULT Lock() override;
  HRESULT Unlock() override;
  HRESULT get_ID(LONG* pVal) override;
  HRESULT get_Name(BSTR* pVal) override;
  HRESULT put_Name(BSTR newVal) override;
  HRESULT get_Processor(BSTR* pVal) override;
  HRESULT put_Processor(BSTR newVal) override;
  HRESULT get_Type(BSTR* pVal) override;
  HRESULT put_Type(BSTR newVal) override;
  HRESULT get_IsLocal(VARIANT_BOOL* pVal) override;
  HRESULT get_DirtyFlag(VARIANT_BOOL* pVal) override;
  HRESULT put_DirtyFlag(VARIANT_BOOL newVal) override;
  HRESULT UpdatePropertyPages() override;
  HRESULT GetCycleStartTime(LONGLONG* pTime) override;
  HRESULT GetMultipleInputData(BSTR bstrInputName, int nInputIdx, VornConnectionData** ppData) override;
  HRESULT GetInputData(BSTR bstrName, VornConnectionData** ppData) override;
  HRESULT GetOutputData(BSTR bstrName, VornConnectionData** ppData) override;

  // IVornModuleLocal
  HRESULT SetAggregate(IUnknown* pUnk) override;
  HRESULT AddDistributedConnection(BSTR srcOutputName, BSTR destMachineName, BSTR destModuleName,
                                   BSTR destInputName) override;
  HRESULT OnActivatePropertyPage(IVornModulePropertyPage* pPage) override;
  HRESULT OnDeactivatePropertyPage(IVornModulePropertyPage* pPage) override;
  HRESULT SetDirtyFlag(BOOL bDirty) override;
  HRESULT GetDirtyFlag(BOOL* pbDirty) override;
  HRESULT GetModuleInfo(VornModuleInfo* pModuleInfo) override;
  HRESULT GetHelpFileName(BSTR* pbstrFullPath) override;
  HRESULT OutputHasData(BSTR bstrOutputName, BOOL* pbHasData) override;
  HRESULT Initialize() override;
  HRESULT SetEngine(IVornEngine* pEngine) override;
  HRESULT GetDerivedModule(IVornDerivedModule** ppDerivedModule) override;
  HRESULT GetIcon(IPicture** ppIPicture) override;
  HRESULT PreRun() override;
  HRESULT PostRun() override;
  HRESULT Run() override;
  HRESULT Start() override;
  HRESULT Stop() override;
  HRESULT TransferOutputs(int* nTransferCounter) override;
  HRESULT SetID(int nID) override;
  HRESULT SetName(BSTR bstrName) override;
  HRESULT SetProcessor(BSTR bstrProcessor, BOOL bSave, BOOL bHandleActivation) override;
  HRESULT Save() override;
  HRESULT Load() override;
  HRESULT GetPosition(Vorn3DVector* pPosition) override;
  HRESULT SetPosition(Vorn3DVector position) override;
  HRESULT GetOutputOffset(Vorn3DVector* pOffset) override;
  HRESULT SetOutputOffset(Vorn3DVector offset) override;
  HRESULT GetDisplayStyle(VornModuleDisplayStyle* pStyle) override;
  HRESULT SetDisplayStyle(VornModuleDisplayStyle style) override;
  HRESULT GetOutputX(int* pnX) override;
  HRESULT GetOutputY(int* pnY) override;
  HRESULT GetInputX(int* pnX) override;
  HRESULT GetInputY(int* pnY) override;
  HRESULT IsLocal(BOOL* pbLocal) override;
  HRESULT GetID(int* pnID) override;
  HRESULT AddConnection(BSTR bstrOutput, int nDestModuleID, BSTR bstrDestInput) override;
  HRESULT ValidateConnection(BSTR bstrOutput, IVornModuleLocal* pDestModule, BSTR bstrDestInput, BSTR* pbstrErrorStr,
                             BOOL* pbValid) override;
  HRESULT RemoveConnection(int nIdx) override;
  HRESULT RemoveConnections(int nID) override;
  HRESULT GetConnectionCount(int* pnCount) override;
  HRESULT GetConnection(int nIdx, VornConnection** ppConnection) override;
  HRESULT GetColor(int* pnColor) override;
  HRESULT GetShowInputs(BOOL* pbShow) override;
  HRESULT GetShowOutputs(BOOL* pbShow) override;
  HRESULT GetType(BSTR* pbstrType) override;
  HRESULT GetName(BSTR* pbstrName) override;
  HRESULT GetProcessor(BSTR* pbstrProcessor) override;
  HRESULT GetAccumulatedTime(LONGLONG* pTime) override;
  HRESULT SetAccumulatedTime(LONGLONG time) override;
  HRESULT GetOutputConnectionDef(BSTR bstrName, VornConnectionDef** ppDef) override;
  HRESULT GetInputConnectionDef(BSTR bstrName, VornConnectionDef** ppDef) override;
  HRESULT SetInputData(BSTR bstrName, VornConnectionData* pData) override;
  HRESULT SetMultipleInputData(BSTR bstrName, BSTR bstrKey, VornConnectionData* pData) override;
  HRESULT GetInputNames(IVornStringList** ppNames) override;
  HRESULT GetOutputNames(IVornStringList** ppNames) override;
  HRESULT GetDebugBuildFlag(BOOL* pbDebugBuild) override;
  HRESULT SetDebugModeFlag(BOOL bDebugMode) override;

  // IVornModuleCPP
  HRESULT AddPropertyPage(REFCLSID clsid, BOOL bShowWhenLocalOnly) override;

  // IsLocal's answer, for the engine's cycle, which calls its own modules
  // directly.
  bool LocalNow() const { return m_local.load(std::memory_order_relaxed) != FALSE; }

  // ISpecifyPropertyPages
  HRESULT GetPages(CAUUID* pPages) override;

private:
  enum class Table { inputs, outputs };
  HRESULT Define(Table table, BSTR name, VornConnectionType type, int count, BOOL multiple);
  CConnectionData* FindInput(BSTR name) const { return m_inputs.Find(Platform::BstrView(name)); }
  CConnectionData* FindOutput(BSTR name) const { return m_outputs.Find(Platform::BstrView(name)); }
  HRESULT ListNames(const CConnectionTable& table, IVornStringList** names);
  HRESULT AppendConnection(std::unique_ptr<CConnectionEntry> entry);
  // One local delivery to a destination of the engine's own kind: what
  // SetInputData or SetMultipleInputData does, with the input found once
  // per change instead of by name every cycle.
  void Deliver(CConnectionEntry& entry, CVornModule& destination, const VornConnectionData* data);
  // Activation follows the local flag; the flag changes before the server
  // is told.
  void FollowLocalFlag();
  // Every call into the server runs here: an exception is shown with the
  // function's name and answered E_FAIL. Run, Start and Stop pass every
  // exception on to the engine; the others pass on only one that carries
  // no text of its own, and only in debug mode. onThrow runs before the
  // message.
  template <class Call, class OnThrow>
  HRESULT Guarded(const char* function, bool alwaysPassOn, Call&& call, OnThrow&& onThrow) {
    try {
      return call();
    } catch (const std::exception& error) {
      onThrow();
      ReportException(function, error.what());
      if (alwaysPassOn)
        throw;
    } catch (...) {
      onThrow();
      ReportException(function, nullptr);
      if (alwaysPassOn || m_debugMode)
        throw;
    }
    return E_FAIL;
  }
  template <class Call>
  HRESULT Guarded(const char* function, bool alwaysPassOn, Call&& call) {
    return Guarded(function, alwaysPassOn, std::forward<Call>(call), [] {});
  }
  void ReportException(const char* function, const char* detail);
  // Save's server step and Load's: the storage object for this module.
  HRESULT CallWithStorage(const char* function, HRESULT (IVornDerivedModule::*call)(IDispatch*));
  // The module's name, processor or type as a new BSTR.
  HRESULT CopyText(const std::u16string& text, BSTR* out) const;
  // The engine's own icon, as a picture that owns its bitmap.
  static HRESULT DefaultIcon(IPicture** picture);

  // What every cycle touches comes first, together, so that a cycle of
  // many modules reads few cache lines of each.
  // The module's lock. PreRun enters it and PostRun leaves it.
  Platform::RecursiveLock m_lock;
  // Whether the running thread's PreRun holds the lock for its PostRun.
  int m_runHolds = 0;
  std::atomic<BOOL> m_local{TRUE};
  LONGLONG m_runStart = 0;
  std::atomic<LONGLONG> m_accumulatedTime{0};
  CConnectionTable m_outputs;
  CConnectionTable m_inputs;
  // The server object, which outlives this one: not counted.
  IVornDerivedModule* m_derivedModule = nullptr;
  IVornEngine* m_engine = nullptr;
  // The engine's change count of its collection, when it keeps one: then a
  // transfer looks a destination up only after a change.
  const Vorn::CollectionGeneration* m_collection = nullptr;
  // Counts the definitions of inputs and outputs (under the module's lock),
  // which replace the values a transfer may have kept.
  unsigned m_definitions = 0;
  // Counts every change of the connection list (under its lock).
  std::atomic<unsigned> m_connectionChanges{0};
  // The entries the last transfer worked through, and the count of changes
  // they were taken at (both under the module's lock).
  std::vector<CConnectionEntry*> m_transferEntries;
  unsigned m_transferEntriesAt = ~0u;

  // Guards the three texts below.
  mutable std::mutex m_textLock;
  std::u16string m_name = u"-1";
  std::u16string m_processor;
  std::u16string m_type = u"BaseClass";
  std::atomic<int> m_id{-1};
  std::atomic<BOOL> m_activated{FALSE};
  // Guards the list's shape; entries stay where they are until removed,
  // which also takes the module's lock.
  mutable std::mutex m_connectionLock;
  std::vector<std::unique_ptr<CConnectionEntry>> m_connections;
  Vorn3DVector m_position{0.0f, 0.0f, 0.0f};
  Vorn3DVector m_outputOffset{0.0f, -1.5f, -1.0f};
  int m_color = 0xFF00FF;
  VornModuleDisplayStyle m_displayStyle = mdsIcon;
  int m_inputY = 0;
  int m_inputX = 0;
  int m_outputY = 0;
  int m_outputX = 0;
  BOOL m_showOutputs = TRUE;
  BOOL m_showInputs = TRUE;
  std::vector<CLSID> m_localPages;
  std::vector<CLSID> m_remotePages;
  Vorn::ModuleNames* m_names = nullptr;  // told of every new name
  BOOL m_debugBuild = FALSE;
  BOOL m_debugMode = FALSE;
  std::atomic<BOOL> m_dirty{FALSE};
  // The automation wrapper that holds this module: only remembered, never
  // counted, since the wrapper holds the module and a counted reference
  // back would keep both alive for ever.
  IUnknown* m_aggregate = nullptr;
  std::vector<IVornModulePropertyPage*> m_activePages;
};

#endif
