// The engine as its clients see it: IVornEngine for the front ends, the
// editing program and the module objects; IVornEngineControl for the
// operations that change the whole model, which a peer channel also calls
// for commands from other machines (bBroadcast off).
//
// Operations that answer a value directly ("plain") answer no HRESULT. A
// plain BSTR is a new string that the caller frees; a plain module pointer
// carries no added reference. Module IDs index the engine's collection.
#ifndef VORN_INTERFACES_ENGINE_H
#define VORN_INTERFACES_ENGINE_H

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

struct IVornModuleLocal;
struct IVornStringList;
struct VornConnection;
struct VornModuleInfo;

PLATFORM_DEFINE_GUID(CLSID_VornEngine, "4FEE036F-B2C7-42AF-91ED-0B29DB94D076");

// How the engine runs its modules: not at all, a cycle at a time when a
// client asks, or continuously on its run thread.
enum EngineSpeed : int {
  esStop = 0,
  esSlow = 1,
  esFast = 2,
};

PLATFORM_DEFINE_IID(IVornEngine, "D73F5060-23C0-47C1-A6BD-67AA32077421");
struct IVornEngine : IUnknown {
  virtual int GetModuleCount() = 0;
  virtual IVornModuleLocal* GetModule(int nID) = 0;
  virtual HRESULT LoadStringValue(int nID, BSTR bstrName, BSTR* pbstrValue) = 0;
  virtual HRESULT SaveStringValue(int nID, BSTR bstrName, BSTR bstrValue) = 0;
  virtual HRESULT LoadFloatValue(int nID, BSTR bstrName, float* pfValue) = 0;
  virtual HRESULT SaveFloatValue(int nID, BSTR bstrName, float fValue) = 0;
  virtual HRESULT LoadFloatArrayVar(int nID, BSTR bstrName, VARIANT* pOut) = 0;
  virtual HRESULT LoadStringArrayVar(int nID, BSTR bstrName, VARIANT* pOut) = 0;
  virtual HRESULT LoadIntArrayVar(int nID, BSTR bstrName, VARIANT* pOut) = 0;
  virtual HRESULT SaveArrayVar(int nID, BSTR bstrName, VARIANT varArray) = 0;
  virtual HRESULT SaveIntArray(int nID, BSTR bstrName, int* pArray, int nSize) = 0;
  virtual HRESULT LoadIntArray(int nID, BSTR bstrName, int nMaxSize, int* pArray, int* pnSize) = 0;
  virtual HRESULT GetIntArraySize(int nID, BSTR bstrName, int* pnSize) = 0;
  virtual HRESULT SaveFloatArray(int nID, BSTR bstrName, float* pArray, int nSize) = 0;
  virtual HRESULT LoadFloatArray(int nID, BSTR bstrName, int nMaxSize, float* pArray, int* pnSize) = 0;
  virtual HRESULT SaveFloatArray2D(int nID, BSTR bstrName, int nIdx, float* pArray, int nSize) = 0;
  virtual HRESULT LoadFloatArray2D(int nID, BSTR bstrName, int nIdx, int nMaxSize, float* pArray, int* pnSize) = 0;
  virtual HRESULT GetFloatArraySize(int nID, BSTR bstrName, int* pnSize) = 0;
  virtual HRESULT SaveStringArray(int nID, BSTR bstrName, BSTR* pArray, int nSize) = 0;
  // Fills pArray with up to nMaxSize new strings, which the caller frees.
  virtual HRESULT LoadStringArray(int nID, BSTR bstrName, int nMaxSize, BSTR* pArray, int* pnSize) = 0;
  virtual HRESULT GetStringArraySize(int nID, BSTR bstrName, int* pnSize) = 0;
  virtual HRESULT SaveModuleParams(IVornModuleLocal* pModule) = 0;
  virtual HRESULT SaveConnections(IVornModuleLocal* pModule) = 0;
  virtual HRESULT LoadConnections(IVornModuleLocal* pModule) = 0;
  virtual BSTR GetHostName() = 0;
  virtual BOOL IsMachineLocal() = 0;
  virtual BSTR GetServers() = 0;
  virtual HRESULT ChangeModuleServer(BSTR bstrOldProcessor, BSTR bstrNewProcessor) = 0;
  virtual HRESULT RemoveModule(int nID) = 0;
  virtual HRESULT Flush() = 0;
  virtual EngineSpeed GetRunning() = 0;
  virtual HRESULT SetRunning(EngineSpeed speed) = 0;
  virtual int GetAvailableModuleCount() = 0;
  virtual BSTR GetAvailableModuleType(int nIdx) = 0;
  // Two arrays of *pnCount strings, allocated with CoTaskMemAlloc; the
  // caller frees the strings and the arrays.
  virtual HRESULT GetModuleData(int nID, BSTR** ppNames, BSTR** ppValues, int* pnCount) = 0;
  virtual HRESULT SetWorkingFilePath(BSTR bstrPath) = 0;
  virtual HRESULT OpenDatabase() = 0;
  virtual int GetGenerationCounter() = 0;
  virtual HRESULT RunAll() = 0;
  virtual HRESULT TransferAllOutputs(int* pnTransferCounter) = 0;
  virtual HRESULT CreateModule(BSTR bstrModuleType, IVornModuleLocal** ppModule) = 0;
  virtual int GetNewModuleID() = 0;
  virtual HRESULT AddNewModule(IVornModuleLocal* pModule) = 0;
  virtual BSTR GetWorkingFilePath() = 0;
  virtual HRESULT SaveAll() = 0;
  virtual HRESULT CopyDatabase(BSTR bstrSource, BSTR bstrDestination) = 0;
  virtual BSTR GetLocalHostName() = 0;
  virtual HRESULT ReloadModule(int nID) = 0;
  virtual HRESULT CloseDatabase(BOOL bBroadcast) = 0;
  // The record stays owned by the engine and valid as long as it lives.
  virtual VornModuleInfo* GetModuleInfo(BSTR bstrModuleType) = 0;
  virtual HRESULT SetDebugRunFlag(BOOL bDebugRun) = 0;
  virtual HRESULT SetFileModifiedFlag(BOOL bModified) = 0;
  virtual HRESULT GetFileModifiedFlag(BOOL* pbModified) = 0;
  virtual int OnIdle(int nCount) = 0;
  virtual HRESULT SendConnectionData(VornConnection* pConnection) = 0;
  virtual HRESULT Step() = 0;
  virtual HRESULT ReOpenDatabase() = 0;
  virtual HRESULT SetUIHWnd(HWND hWnd) = 0;
  virtual HRESULT BeginDBTrans() = 0;
  virtual HRESULT CommitDBTrans() = 0;
  virtual HRESULT LoadModuleParams(IVornModuleLocal* pModule) = 0;
  virtual HRESULT CheckRemoteConnections(IVornStringList** ppMachines) = 0;
  virtual HRESULT SyncMachine(BSTR bstrProcessor, int nTimeoutMs, BOOL* pbAcknowledged) = 0;
  virtual HRESULT SetApplicationName(BSTR bstrName) = 0;
  virtual HRESULT GetAllHosts(IVornStringList** ppHosts) = 0;
  virtual HRESULT GetHostsRunningApp(BSTR bstrAppName, BOOL bCheckAppFileName, IVornStringList** ppHosts) = 0;
  virtual BSTR GetApplicationName() = 0;
  virtual IVornModuleLocal* FindModule(BSTR bstrName) = 0;
  virtual HRESULT SetDistributedDBMode(BOOL bDistributed) = 0;
  virtual HRESULT GetDistributedDBMode(BOOL* pbDistributed) = 0;
  virtual HRESULT SetUserName(BSTR bstrUser) = 0;
  virtual HRESULT GetUserName(BSTR* pbstrUser) = 0;
  virtual HRESULT GetUserForMachine(BSTR bstrMachine, BSTR* pbstrUser) = 0;
  virtual LONGLONG GetCycleStartTime() = 0;

protected:
  ~IVornEngine() = default;
};

// Messages the engine posts (never sends) to the editing program's window
// (SetUIHWnd), all with wParam 0. Their own numbers, apart from the window
// messages of any module server that may share a value with them.
// lParam: the module ID, or the negative argument for every module.
inline constexpr UINT VWM_MODULE_VALUES_RELOADED = 0x0400 + 0x64;
// lParam 0: another working file is open, or the same one again.
inline constexpr UINT VWM_DATABASE_OPENED = 0x0400 + 0x65;
// lParam: the module ID that was removed or loaded again.
inline constexpr UINT VWM_MODULE_CHANGED = 0x0400 + 0x66;

PLATFORM_DEFINE_IID(IVornEngineControl, "F8EE6F22-6237-41FA-84FE-D860983827A1");
struct IVornEngineControl : IUnknown {
  virtual HRESULT RemoveModule(int nID, BOOL bBroadcast, BOOL bDeleteFromFile) = 0;
  virtual HRESULT Step(BOOL bBroadcast) = 0;
  virtual HRESULT Close(BOOL bBroadcast) = 0;
  virtual HRESULT ReloadModule(int nID, BOOL bBroadcast) = 0;
  virtual HRESULT SetRunning(EngineSpeed speed, BOOL bBroadcast) = 0;
  virtual HRESULT OpenDatabase(BOOL bBroadcast) = 0;
  // bstrNewPath may be null: the same file again.
  virtual HRESULT ReOpenDatabase(BOOL bBroadcast, BSTR bstrNewPath) = 0;
  virtual HRESULT ReloadModuleData(int nID) = 0;

protected:
  ~IVornEngineControl() = default;
};

#endif
