// A module as the engine, the module servers and the front ends see it: the
// engine-side module object (IVornModule for servers, IVornModuleLocal for
// the engine and front ends, IVornModuleCPP for servers' property pages),
// the server's half (IVornDerivedModule), the wrapper form
// (IVornVBModule), the servers' property pages, and their records.
#ifndef VORN_INTERFACES_MODULE_H
#define VORN_INTERFACES_MODULE_H

#include "platform/com/dispimpl.h"
#include "platform/com/picture.h"
#include "platform/com/propertypages.h"
#include "vorn/interfaces/connection.h"
#include "vorn/interfaces/registrar.h"

// The engine server's type library and its plain module class.
PLATFORM_DEFINE_GUID(LIBID_VORNENGINEHOSTLib, "452A12E8-2929-4744-9E39-0330E3F5F625");
PLATFORM_DEFINE_GUID(CLSID_VornModule, "9F91FC40-7E6B-4923-8F75-2B66AB09C63A");

struct IVornEngine;
struct IVornStringList;

struct Vorn3DVector {
  float m_fX;
  float m_fY;
  float m_fZ;
};

enum VornModuleDisplayStyle : int {
  mdsNormal = 0,
  mdsIcon = 1,
  mdsDetail = 2,
};

// What a module type says about itself.
struct VornModuleInfo {
  LONG m_hModule;
  BSTR m_bstrAuthor;
  BSTR m_bstrDescription;
};

// Implemented by the servers' property pages.
PLATFORM_DEFINE_IID(IVornModulePropertyPage, "E141C9CB-C547-4064-9F46-1734DA48A9D7");
struct IVornModulePropertyPage : IDispatch {
  virtual HRESULT UpdateDisplay() = 0;
  virtual HRESULT GetDlgSize(int* pnX, int* pnY) = 0;

protected:
  ~IVornModulePropertyPage() = default;
};

// The module server's half of a module, which the module object forwards to.
PLATFORM_DEFINE_IID(IVornDerivedModule, "AA7FBDE8-F147-44F8-B9A4-79D1F7A5AE8F");
struct IVornDerivedModule : IDispatch {
  virtual HRESULT Run() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Start() = 0;
  virtual HRESULT Save(IDispatch* pVornPersist) = 0;
  virtual HRESULT Load(IDispatch* pVornPersist) = 0;
  virtual HRESULT GetIcon(IDispatch** ppIPicture) = 0;
  virtual HRESULT Initialize() = 0;
  virtual HRESULT GetHelpFileName(BSTR* pbstrFullPath) = 0;
  virtual HRESULT GetModuleInfo(VornModuleInfo* pModuleInfo) = 0;
  virtual HRESULT GetDebugBuildFlag(BOOL* pbDebugBuild) = 0;
  virtual HRESULT Activate() = 0;
  virtual HRESULT Deactivate() = 0;

protected:
  ~IVornDerivedModule() = default;
};

// The module object as module servers call it.
PLATFORM_DEFINE_IID(IVornModule, "50A9776D-9BF3-47DA-AA90-40D21BEF2E6D");
struct IVornModule : IDispatch {
  virtual HRESULT SetDerivedModule(IUnknown* pDerivedModule) = 0;
  virtual HRESULT SetModuleType(BSTR bstrModuleType) = 0;
  virtual HRESULT GetInputModuleCount(int* pnCount) = 0;
  virtual HRESULT GetInputModule(int nIdx, IDispatch** ppModule) = 0;
  virtual HRESULT GetModuleStorage(IDispatch** ppIVornPersist) = 0;
  virtual HRESULT GetGlobalStorage(IDispatch** ppIVornPersist) = 0;
  virtual HRESULT DefineInput(BSTR bstrName, VornConnectionType type, int nArrayElementCount) = 0;
  virtual HRESULT DefineOutput(BSTR bstrName, VornConnectionType type, int nArrayElementCount) = 0;
  virtual HRESULT InputHasData(BSTR bstrInputName, VARIANT_BOOL* pbHasData) = 0;
  virtual HRESULT DefineMultipleInputs(BSTR bstrName, VornConnectionType type, int nArrayElementCount) = 0;
  virtual HRESULT GetMultipleInputCount(BSTR bstrInputName, int* pnCount) = 0;
  virtual HRESULT MultipleInputHasData(BSTR bstrInputName, int nInputIdx, VARIANT_BOOL* pbHasData) = 0;
  virtual HRESULT SetOutputHasData(BSTR bstrOutputName) = 0;
  virtual HRESULT Lock() = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT get_ID(LONG* pVal) = 0;
  virtual HRESULT get_Name(BSTR* pVal) = 0;
  virtual HRESULT put_Name(BSTR newVal) = 0;
  virtual HRESULT get_Processor(BSTR* pVal) = 0;
  virtual HRESULT put_Processor(BSTR newVal) = 0;
  virtual HRESULT get_Type(BSTR* pVal) = 0;
  virtual HRESULT put_Type(BSTR newVal) = 0;
  virtual HRESULT get_IsLocal(VARIANT_BOOL* pVal) = 0;
  virtual HRESULT get_DirtyFlag(VARIANT_BOOL* pVal) = 0;
  virtual HRESULT put_DirtyFlag(VARIANT_BOOL newVal) = 0;
  virtual HRESULT UpdatePropertyPages() = 0;
  virtual HRESULT GetCycleStartTime(LONGLONG* pTime) = 0;
  virtual HRESULT GetMultipleInputData(BSTR bstrInputName, int nInputIdx, VornConnectionData** ppData) = 0;
  virtual HRESULT GetInputData(BSTR bstrName, VornConnectionData** ppData) = 0;
  virtual HRESULT GetOutputData(BSTR bstrName, VornConnectionData** ppData) = 0;

protected:
  ~IVornModule() = default;
};

// The module object as the engine and the front ends drive it.
PLATFORM_DEFINE_IID(IVornModuleLocal, "CCF1B5D4-FDF2-45BB-AB4A-78BA117058E0");
struct IVornModuleLocal : IUnknown {
  virtual HRESULT SetAggregate(IUnknown* pUnk) = 0;
  virtual HRESULT AddDistributedConnection(BSTR srcOutputName, BSTR destMachineName, BSTR destModuleName,
                                           BSTR destInputName) = 0;
  virtual HRESULT OnActivatePropertyPage(IVornModulePropertyPage* pPage) = 0;
  virtual HRESULT OnDeactivatePropertyPage(IVornModulePropertyPage* pPage) = 0;
  virtual HRESULT SetDirtyFlag(BOOL bDirty) = 0;
  virtual HRESULT GetDirtyFlag(BOOL* pbDirty) = 0;
  virtual HRESULT GetModuleInfo(VornModuleInfo* pModuleInfo) = 0;
  virtual HRESULT GetHelpFileName(BSTR* pbstrFullPath) = 0;
  virtual HRESULT OutputHasData(BSTR bstrOutputName, BOOL* pbHasData) = 0;
  virtual HRESULT Initialize() = 0;
  virtual HRESULT SetEngine(IVornEngine* pEngine) = 0;
  virtual HRESULT GetDerivedModule(IVornDerivedModule** ppDerivedModule) = 0;
  virtual HRESULT GetIcon(IPicture** ppIPicture) = 0;
  virtual HRESULT PreRun() = 0;
  virtual HRESULT PostRun() = 0;
  virtual HRESULT Run() = 0;
  virtual HRESULT Start() = 0;
  virtual HRESULT Stop() = 0;
  // nTransferCounter may be null.
  virtual HRESULT TransferOutputs(int* nTransferCounter) = 0;
  virtual HRESULT SetID(int nID) = 0;
  virtual HRESULT SetName(BSTR bstrName) = 0;
  virtual HRESULT SetProcessor(BSTR bstrProcessor, BOOL bSave, BOOL bHandleActivation) = 0;
  virtual HRESULT SetModuleType(BSTR bstrModuleType) = 0;
  virtual HRESULT Save() = 0;
  virtual HRESULT Load() = 0;
  virtual HRESULT GetPosition(Vorn3DVector* pPosition) = 0;
  virtual HRESULT SetPosition(Vorn3DVector position) = 0;
  virtual HRESULT GetOutputOffset(Vorn3DVector* pOffset) = 0;
  virtual HRESULT SetOutputOffset(Vorn3DVector offset) = 0;
  virtual HRESULT GetDisplayStyle(VornModuleDisplayStyle* pStyle) = 0;
  virtual HRESULT SetDisplayStyle(VornModuleDisplayStyle style) = 0;
  virtual HRESULT GetOutputX(int* pnX) = 0;
  virtual HRESULT GetOutputY(int* pnY) = 0;
  virtual HRESULT GetInputX(int* pnX) = 0;
  virtual HRESULT GetInputY(int* pnY) = 0;
  virtual HRESULT IsLocal(BOOL* pbLocal) = 0;
  virtual HRESULT GetID(int* pnID) = 0;
  virtual HRESULT AddConnection(BSTR bstrOutput, int nDestModuleID, BSTR bstrDestInput) = 0;
  virtual HRESULT ValidateConnection(BSTR bstrOutput, IVornModuleLocal* pDestModule, BSTR bstrDestInput,
                                     BSTR* pbstrErrorStr, BOOL* pbValid) = 0;
  virtual HRESULT RemoveConnection(int nIdx) = 0;
  virtual HRESULT RemoveConnections(int nID) = 0;
  virtual HRESULT GetConnectionCount(int* pnCount) = 0;
  virtual HRESULT GetConnection(int nIdx, VornConnection** ppConnection) = 0;
  virtual HRESULT GetColor(int* pnColor) = 0;
  virtual HRESULT GetShowInputs(BOOL* pbShow) = 0;
  virtual HRESULT GetShowOutputs(BOOL* pbShow) = 0;
  virtual HRESULT GetType(BSTR* pbstrType) = 0;
  virtual HRESULT GetName(BSTR* pbstrName) = 0;
  virtual HRESULT GetProcessor(BSTR* pbstrProcessor) = 0;
  virtual HRESULT GetAccumulatedTime(LONGLONG* pTime) = 0;
  virtual HRESULT SetAccumulatedTime(LONGLONG time) = 0;
  virtual HRESULT GetOutputConnectionDef(BSTR bstrName, VornConnectionDef** ppDef) = 0;
  virtual HRESULT GetInputConnectionDef(BSTR bstrName, VornConnectionDef** ppDef) = 0;
  virtual HRESULT GetMultipleInputData(BSTR bstrInputName, int nInputIdx, VornConnectionData** ppData) = 0;
  virtual HRESULT GetInputData(BSTR bstrName, VornConnectionData** ppData) = 0;
  virtual HRESULT GetOutputData(BSTR bstrName, VornConnectionData** ppData) = 0;
  virtual HRESULT SetInputData(BSTR bstrName, VornConnectionData* pData) = 0;
  virtual HRESULT SetMultipleInputData(BSTR bstrName, BSTR bstrKey, VornConnectionData* pData) = 0;
  virtual HRESULT GetInputNames(IVornStringList** ppNames) = 0;
  virtual HRESULT GetOutputNames(IVornStringList** ppNames) = 0;
  virtual HRESULT Lock() = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDebugBuildFlag(BOOL* pbDebugBuild) = 0;
  virtual HRESULT SetDebugModeFlag(BOOL bDebugMode) = 0;

protected:
  ~IVornModuleLocal() = default;
};

// Property pages of a module server, added from its Initialize.
PLATFORM_DEFINE_IID(IVornModuleCPP, "51DFD1AD-6172-4A46-871C-0BB2710FDAB3");
struct IVornModuleCPP : IUnknown {
  virtual HRESULT AddPropertyPage(REFCLSID clsid, BOOL bShowWhenLocalOnly) = 0;

protected:
  ~IVornModuleCPP() = default;
};

// Answered by a server object that wraps a module object instead of
// aggregating it.
PLATFORM_DEFINE_IID(IVornVBModule, "64614164-BBA9-45A0-82A4-476F7F4228C0");
struct IVornVBModule : IDispatch {
  virtual HRESULT GetBaseModule(IDispatch** ppIVornModule) = 0;

protected:
  ~IVornVBModule() = default;
};

// The dispatch tables of the dual interfaces above and of registrar.h's,
// written from the engine server's type library description
// (VornEngineHost.types).
#include "VornEngineHost.dispatch.h"

#endif
