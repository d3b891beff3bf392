// The automation object as scripts and other programs see it: IVornApp
// opens a working file, builds and runs its module graph and reaches module
// values by module name; IVornModuleExt is one module handed to a script.
// Both are dual: every member described below is reached by name through
// IDispatch, with the dispatch IDs the type library gives them.
#ifndef VORN_APPS_AUTOMATION_VORNAPP_H
#define VORN_APPS_AUTOMATION_VORNAPP_H

#include "platform/com/dispimpl.h"

PLATFORM_DEFINE_GUID(LIBID_VORNAPPLib, "40EF7B84-FDC2-43C6-8406-F580CAF8986F");
PLATFORM_DEFINE_GUID(CLSID_VornApp, "D8CD6547-3289-4F54-900D-69E9F0F87329");
PLATFORM_DEFINE_GUID(CLSID_VornModuleExt, "493CF39C-A9D0-458F-9A8A-55C7D703FB78");

// The outcome of the members that connect and disconnect modules, answered
// through an out argument (the HRESULT says only whether the call worked).
enum VornErrorCode : int {
  vornOK = 0,
  vornModuleNotFound = 1,
  vornConnectionDatatypeMismatch = 2,
  vornNoConnection = 3,
  vornInvalidInputOrOutput = 4,
  vornSrcNotResponding = 5,
  vornDestNotResponding = 6,
  vornSrcModuleIsNotLocal = 7,
  vornDestMachineNotFound = 8,
};

PLATFORM_DEFINE_IID(IVornApp, "2B5DC879-D7BD-4418-BE88-9B9D04172F23");
struct IVornApp : IDispatch {
  virtual HRESULT OpenFile(BSTR fileName) = 0;
  virtual HRESULT AddModule(BSTR moduleType, BSTR moduleName, BSTR processor, IDispatch** module) = 0;
  virtual HRESULT get_Running(VARIANT_BOOL* running) = 0;
  virtual HRESULT put_Running(VARIANT_BOOL running) = 0;
  virtual HRESULT ConnectModules(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName, BSTR destInputName,
                                 VornErrorCode* code) = 0;
  virtual HRESULT DisconnectModules(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName,
                                    BSTR destInputName, VornErrorCode* code) = 0;
  virtual HRESULT FindModule(BSTR moduleName, IDispatch** module) = 0;
  virtual HRESULT RemoveModule(BSTR moduleName) = 0;
  virtual HRESULT SaveAll() = 0;
  virtual HRESULT get_Modules(LONG index, IDispatch** module) = 0;
  virtual HRESULT get_ModuleCount(LONG* count) = 0;
  virtual HRESULT get_GenerationCounter(LONG* counter) = 0;
  virtual HRESULT get_HostName(BSTR* hostName) = 0;
  virtual HRESULT ModulesAreConnected(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName,
                                      BSTR destInputName, VARIANT_BOOL* connected) = 0;
  virtual HRESULT SaveModuleValue(BSTR moduleName, BSTR valueName, BSTR value) = 0;
  virtual HRESULT LoadModuleValue(BSTR moduleName, BSTR valueName, BSTR* value) = 0;
  // The other machines that run the application (with this working file
  // when checkAppFileName is set), as a one-dimensional array of BSTR.
  virtual HRESULT GetHostsRunningApp(BSTR appName, VARIANT_BOOL checkAppFileName, VARIANT* hosts) = 0;
  virtual HRESULT Wait(float milliseconds) = 0;
  virtual HRESULT ConnectToDistributedModule(BSTR srcModuleName, BSTR destModuleName, BSTR destMachineName,
                                             BSTR srcOutputName, BSTR destInputName, VornErrorCode* code) = 0;
  virtual HRESULT get_DistributedDB(VARIANT_BOOL* distributed) = 0;
  virtual HRESULT put_DistributedDB(VARIANT_BOOL distributed) = 0;
  virtual HRESULT get_UserName(BSTR* userName) = 0;
  virtual HRESULT put_UserName(BSTR userName) = 0;
  virtual HRESULT GetRemoteUserName(BSTR machineName, BSTR* userName) = 0;
  virtual HRESULT get_ApplicationName(BSTR* applicationName) = 0;
  virtual HRESULT put_ApplicationName(BSTR applicationName) = 0;
  // Reached through the vtable only: the type library does not describe them.
  virtual HRESULT GetWorkingFilePath(BSTR* path) = 0;
  virtual HRESULT Step() = 0;

protected:
  ~IVornApp() = default;
};

PLATFORM_DEFINE_IID(IVornModuleExt, "DCD16306-772F-4C88-8039-6947DE82414F");
struct IVornModuleExt : IDispatch {
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Type(BSTR* type) = 0;
  virtual HRESULT get_IsLocal(VARIANT_BOOL* local) = 0;
  virtual HRESULT get_processor(BSTR* processor) = 0;
  virtual HRESULT put_processor(BSTR processor) = 0;
  virtual HRESULT Save() = 0;

protected:
  ~IVornModuleExt() = default;
};

// The dispatch tables, written from the library's description (VornApp.types).
#include "VornApp.dispatch.h"

#endif
