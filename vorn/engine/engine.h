// The engine object: the one owner of a model, that is of the modules of one
// working file, their connections and their stored values. Clients reach it
// through IVornEngine; the operations that change the whole model, which a
// peer channel also calls for commands from other machines, are on
// IVornEngineControl. It works alone, or linked to the engines of other
// machines through a peer channel (IVornPeerChannelHost).
//
// Module IDs are indexes of the collection: GetModuleCount is one more than
// the highest ID inserted, and empty slots answer null. The collection is
// kept sparse, so a large ID in a file costs nothing.
#ifndef VORN_ENGINE_ENGINE_H
#define VORN_ENGINE_ENGINE_H

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/objects.h"
#include "platform/com/pointers.h"
#include "platform/kernel/recursivelock.h"
#include "vorn/engine/collectiongeneration.h"
#include "vorn/engine/modulenames.h"
#include "vorn/engine/workingdatabase.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"
#include "vorn/interfaces/moduleindex.h"
#include "vorn/interfaces/peerchannel.h"
#include "vorn/support/utilities.h"

class CVornModule;

namespace Vorn {

class ATL_NO_VTABLE VornEngine : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<VornEngine, &CLSID_VornEngine>,
                                 public IVornEngine,
                                 public IVornEngineControl,
                                 public IVornPeerChannelHost,
                                 public IVornModuleIndex,
                                 public CollectionGeneration,
                                 public ModuleNames {
public:
  DECLARE_NOT_AGGREGATABLE(VornEngine)
  DECLARE_CLASS_REGISTRATION("VornEngineHost.VornEngine.1", "VornEngineHost.VornEngine", "VornEngine Class")

  BEGIN_COM_MAP(VornEngine)
    COM_INTERFACE_ENTRY(IVornEngine)
    COM_INTERFACE_ENTRY(IVornEngineControl)
    COM_INTERFACE_ENTRY(IVornPeerChannelHost)
    COM_INTERFACE_ENTRY(IVornModuleIndex)
  END_COM_MAP()

  VornEngine();
  ~VornEngine() override;
  void FinalRelease();

  // IVornEngine
  int GetModuleCount() override;
  IVornModuleLocal* GetModule(int nID) override;
  HRESULT LoadStringValue(int nID, BSTR bstrName, BSTR* pbstrValue) override;
  HRESULT SaveStringValue(int nID, BSTR bstrName, BSTR bstrValue) override;
  HRESULT LoadFloatValue(int nID, BSTR bstrName, float* pfValue) override;
  HRESULT SaveFloatValue(int nID, BSTR bstrName, float fValue) override;
  HRESULT LoadFloatArrayVar(int nID, BSTR bstrName, VARIANT* pOut) override;
  HRESULT LoadStringArrayVar(int nID, BSTR bstrName, VARIANT* pOut) override;
  HRESULT LoadIntArrayVar(int nID, BSTR bstrName, VARIANT* pOut) override;
  HRESULT SaveArrayVar(int nID, BSTR bstrName, VARIANT varArray) override;
  HRESULT SaveIntArray(int nID, BSTR bstrName, int* pArray, int nSize) override;
  HRESULT LoadIntArray(int nID, BSTR bstrName, int nMaxSize, int* pArray, int* pnSize) override;
  HRESULT GetIntArraySize(int nID, BSTR bstrName, int* pnSize) override;
  HRESULT SaveFloatArray(int nID, BSTR bstrName, float* pArray, int nSize) override;
  HRESULT LoadFloatArray(int nID, BSTR bstrName, int nMaxSize, float* pArray, int* pnSize) override;
  HRESULT SaveFloatArray2D(int nID, BSTR bstrName, int nIdx, float* pArray, int nSize) override;
  HRESULT LoadFloatArray2D(int nID, BSTR bstrName, int nIdx, int nMaxSize, float* pArray, int* pnSize) override;
  HRESULT GetFloatArraySize(int nID, BSTR bstrName, int* pnSize) override;
  HRESULT SaveStringArray(int nID, BSTR bstrName, BSTR* pArray, int nSize) override;
  HRESULT LoadStringArray(int nID, BSTR bstrName, int nMaxSize, BSTR* pArray, int* pnSize) override;
  HRESULT GetStringArraySize(int nID, BSTR bstrName, int* pnSize) override;
  HRESULT SaveModuleParams(IVornModuleLocal* pModule) override;
  HRESULT SaveConnections(IVornModuleLocal* pModule) override;
  HRESULT LoadConnections(IVornModuleLocal* pModule) override;
  BSTR GetHostName() override;
  BOOL IsMachineLocal() override;
  BSTR GetServers() override;
  HRESULT ChangeModuleServer(BSTR bstrOldProcessor, BSTR bstrNewProcessor) override;
  HRESULT RemoveModule(int nID) override;
  HRESULT Flush() override;
  EngineSpeed GetRunning() override;
  HRESULT SetRunning(EngineSpeed speed) override;
  int GetAvailableModuleCount() override;
  BSTR GetAvailableModuleType(int nIdx) override;
  HRESULT GetModuleData(int nID, BSTR** ppNames, BSTR** ppValues, int* pnCount) override;
  HRESULT SetWorkingFilePath(BSTR bstrPath) override;
  HRESULT OpenDatabase() override;
  int GetGenerationCounter() override;
  HRESULT RunAll() override;
  HRESULT TransferAllOutputs(int* pnTransferCounter) override;
  HRESULT CreateModule(BSTR bstrModuleType, IVornModuleLocal** ppModule) override;
  int GetNewModuleID() override;
  HRESULT AddNewModule(IVornModuleLocal* pModule) override;
  BSTR GetWorkingFilePath() override;
  HRESULT SaveAll() override;
  HRESULT CopyDatabase(BSTR bstrSource, BSTR bstrDestination) override;
  BSTR GetLocalHostName() override;
  HRESULT ReloadModule(int nID) override;
  HRESULT CloseDatabase(BOOL bBroadcast) override;
  VornModuleInfo* GetModuleInfo(BSTR bstrModuleType) override;
  HRESULT SetDebugRunFlag(BOOL bDebugRun) override;
  HRESULT SetFileModifiedFlag(BOOL bModified) override;
  HRESULT GetFileModifiedFlag(BOOL* pbModified) override;
  int OnIdle(int nCount) override;
  HRESULT SendConnectionData(VornConnection* pConnection) override;
  HRESULT Step() override;
  HRESULT ReOpenDatabase() override;
  HRESULT SetUIHWnd(HWND hWnd) override;
  HRESULT BeginDBTrans() override;
  HRESULT CommitDBTrans() override;
  HRESULT LoadModuleParams(IVornModuleLocal* pModule) override;
  HRESULT CheckRemoteConnections(IVornStringList** ppMachines) override;
  HRESULT SyncMachine(BSTR bstrProcessor, int nTimeoutMs, BOOL* pbAcknowledged) override;
  HRESULT SetApplicationName(BSTR bstrName) override;
  HRESULT GetAllHosts(IVornStringList** ppHosts) override;
  HRESULT GetHostsRunningApp(BSTR bstrAppName, BOOL bCheckAppFileName, IVornStringList** ppHosts) override;
  BSTR GetApplicationName() override;
  IVornModuleLocal* FindModule(BSTR bstrName) override;
  HRESULT SetDistributedDBMode(BOOL bDistributed) override;
  HRESULT GetDistributedDBMode(BOOL* pbDistributed) override;
  HRESULT SetUserName(BSTR bstrUser) override;
  HRESULT GetUserName(BSTR* pbstrUser) override;
  HRESULT GetUserForMachine(BSTR bstrMachine, BSTR* pbstrUser) override;
  LONGLONG GetCycleStartTime() override;

  // IVornEngineControl
  HRESULT RemoveModule(int nID, BOOL bBroadcast, BOOL bDeleteFromFile) override;
  HRESULT Step(BOOL bBroadcast) override;
  HRESULT Close(BOOL bBroadcast) override;
  HRESULT ReloadModule(int nID, BOOL bBroadcast) override;
  HRESULT SetRunning(EngineSpeed speed, BOOL bBroadcast) override;
  HRESULT OpenDatabase(BOOL bBroadcast) override;
  HRESULT ReOpenDatabase(BOOL bBroadcast, BSTR bstrNewPath) override;
  HRESULT ReloadModuleData(int nID) override;

  // IVornPeerChannelHost
  HRESULT SetPeerChannel(IVornPeerChannel* pChannel) override;

  // IVornModuleIndex (moduleindex.cpp)
  int GetPresentModuleCount() override;
  IVornModuleLocal* GetPresentModule(int nIndex) override;

  // ModuleNames (moduleindex.cpp)
  void ModuleRenamed(IVornModuleLocal* module) override;

  // The commands waiting for the next idle flush.
  std::vector<std::string> QueuedCommands() const;

  unsigned CurrentCollectionGeneration() const override {
    return m_collectionGeneration.load(std::memory_order_acquire);
  }

private:
  struct Slot {
    IVornModuleLocal* module = nullptr;  // counted
    IVornVBModule* wrapper = nullptr;    // counted, for a wrapped server
    std::string name{};                  // as indexed in m_idsByName
  };

  // Creation and the collection.
  HRESULT CreateModuleObject(REFCLSID clsid, IVornModuleLocal** ppModule);
  // False, keeping nothing, for a module whose ID the collection cannot hold.
  bool InsertModule(IVornModuleLocal* module);
  void ReleaseSlot(Slot& slot);
  void ReleaseAllModules();
  std::vector<IVornModuleLocal*> Modules();  // referenced copies, in ID order
  // Referenced copies of one generation of the collection, in ID order,
  // shared by the cycles that run while it lasts; released with the last
  // holder, which is never under the engine lock.
  struct Snapshot {
    unsigned generation = 0;
    std::vector<IVornModuleLocal*> modules;
    // Beside each module, the engine's own module object behind it, which
    // a cycle calls directly; null for any other implementation.
    std::vector<CVornModule*> own;
    Snapshot() = default;
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    ~Snapshot();
  };
  // With countCycle, also adds 1 to the generation counter under the same
  // hold of the engine lock, which keeps the cycles of two threads apart.
  std::shared_ptr<const Snapshot> CurrentSnapshot(bool countCycle = false);
  // Every change of the collection, under the engine lock: the next cycle
  // takes a new snapshot. The caller drops the old one after the lock.
  [[nodiscard]] std::shared_ptr<const Snapshot> CollectionChanged();
  HRESULT LoadModel(int id);
  void ValidateLoadedConnections(int id);

  // The working file.
  bool EnsureDatabase();
  using ArrayLoad = HRESULT (WorkingDatabase::*)(int, std::string_view, VARIANT*);
  HRESULT LoadArrayVar(int nID, BSTR bstrName, VARIANT* pOut, ArrayLoad load);
  void OpenWorkingDatabase();
  void CloseWorkingDatabase();
  void Modified() { m_fileModified = true; }
  void QueueReloadData(int id);

  // Commands to the other machines.
  void Broadcast(BOOL bBroadcast, const std::string& command);
  void SendToPeer(const std::string& command);
  std::string NetworkPath() const;
  std::string ApplicationIdentity() const;
  void FlushIdleWork();
  void PostToWindow(UINT message, LPARAM lParam);

  // Run states (runthread.cpp).
  struct RunThread {
    std::thread thread;
    // Set by the engine when the thread is to end, whatever the speed.
    std::atomic<bool> retired{false};
    std::atomic<bool> ended{false};
  };
  HRESULT StartAll();
  HRESULT StopAll();
  // A module's code threw: the call fails, unless the exception carries no
  // text of its own, the module is a debug build and debugRun asks for the
  // exception to reach the caller.
  HRESULT Thrown(IVornModuleLocal* module);
  void RunThreadMain(RunThread* self);
  void StartRunThread();
  // Hands the run thread over for ending; the caller waits for it.
  std::unique_ptr<RunThread> RetireRunThread();
  void AwaitEnd(std::unique_ptr<RunThread> thread);
  void ReapEndedThreads(bool all);

  mutable Platform::RecursiveLock m_lock;  // the collection, held through ScopedLock
  std::map<int, Slot> m_modules;
  // The IDs present under each name, folded as FindModule compares names,
  // so that a lookup by name asks no module for its name (moduleindex.cpp).
  std::map<std::string, std::set<int>> m_idsByName;
  static std::string FoldedText(std::string text);
  // Under the engine lock: the module's name is read as it is indexed.
  void IndexName(int id, Slot& slot);
  void UnindexName(int id, const Slot& slot);
  int m_count = 0;  // highest ID inserted + 1
  std::atomic<unsigned> m_collectionGeneration{0};
  std::shared_ptr<const Snapshot> m_snapshot;  // under m_lock; null when stale
  IVornVBModule* m_pendingWrapper = nullptr;
  // The peer channel is set by clients and read by the run thread too:
  // readers take a counted copy under its lock.
  CComPtr<IVornPeerChannel> Peer() const;
  mutable std::mutex m_peerLock;
  IVornPeerChannel* m_peer = nullptr;  // counted
  std::unique_ptr<WorkingDatabase> m_db;
  std::string m_workingFilePath;
  std::string m_applicationName;
  std::string m_hostName;
  // Run-state changes, one at a time; never held while waiting for the run
  // thread, which may itself ask for a stop.
  std::recursive_mutex m_stateLock;
  // A stop whose StopAll has not run yet (it waits for the run thread to
  // end); paid by whoever takes the state lock next, before any start.
  bool m_stopOwed = false;
  std::atomic<EngineSpeed> m_speed{esStop};
  std::unique_ptr<RunThread> m_runThread;
  // Run threads that stopped themselves or outlived the wait: joined once
  // they have ended, at the latest when the engine goes.
  std::vector<std::unique_ptr<RunThread>> m_endingThreads;
  std::atomic<int> m_generationCounter{0};
  std::atomic<LONGLONG> m_cycleStartTime{0};
  std::atomic<BOOL> m_debugRun{TRUE};  // read by the run thread
  bool m_fileModified = false;
  std::map<std::string, VornModuleInfo> m_moduleInfoCache;
  TickTimer m_idleTimer;  // due at once, every time
  TickTimer m_flushTimer;
  std::vector<std::string> m_queuedCommands;
  std::atomic<BOOL> m_distributedDB{FALSE};  // read by the run thread when it stops the engine
  HWND m_uiWindow = nullptr;
  bool m_suppressReloadData = false;
  bool m_released = false;
};

}  // namespace Vorn

#endif
