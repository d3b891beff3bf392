// The automation object: a script's way to the module-graph engine without
// the editing program. Each object makes an engine of its own, opens a
// working file (writing the empty one it carries where none exists), adds,
// finds, connects and removes modules by name, runs and stops the engine
// and reaches module values.
//
// The engine's idle work (saving changed modules, sending queued commands)
// runs on the object's thread: from a 100 ms timer of a hidden window of its
// own whenever that thread handles its messages, and during Wait, which
// handles them itself.
#ifndef VORN_APPS_AUTOMATION_APPLICATION_H
#define VORN_APPS_AUTOMATION_APPLICATION_H

#include <string>
#include <vector>

#include "platform/com/errorinfo.h"
#include "platform/com/objects.h"
#include "platform/com/pointers.h"
#include "vorn/apps/automation/vornapp.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"
#include "vorn/interfaces/moduleindex.h"

namespace Vorn {

// The working file's template: resource 201 of type "DATAFILES".
inline constexpr int kWorkingFileTemplateID = 201;
inline constexpr const char* kWorkingFileTemplateType = "DATAFILES";

class ATL_NO_VTABLE VornApp : public CComObjectRootEx<CComMultiThreadModel>,
                              public CComCoClass<VornApp, &CLSID_VornApp>,
                              public IDispatchImpl<IVornApp, &IID_IVornApp, &LIBID_VORNAPPLib>,
                              public ISupportErrorInfoImpl<&IID_IVornApp> {
public:
  DECLARE_CLASS_REGISTRATION("Vorn.Application.1", "Vorn.Application", "VornApp Class")

  BEGIN_COM_MAP(VornApp)
    COM_INTERFACE_ENTRY(IVornApp)
    COM_INTERFACE_ENTRY2(IDispatch, IVornApp)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
  END_COM_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

  // IVornApp
  HRESULT OpenFile(BSTR fileName) override;
  HRESULT AddModule(BSTR moduleType, BSTR moduleName, BSTR processor, IDispatch** module) override;
  HRESULT get_Running(VARIANT_BOOL* running) override;
  HRESULT put_Running(VARIANT_BOOL running) override;
  HRESULT ConnectModules(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName, BSTR destInputName,
                         VornErrorCode* code) override;
  HRESULT DisconnectModules(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName, BSTR destInputName,
                            VornErrorCode* code) override;
  HRESULT FindModule(BSTR moduleName, IDispatch** module) override;
  HRESULT RemoveModule(BSTR moduleName) override;
  HRESULT SaveAll() override;
  HRESULT get_Modules(LONG index, IDispatch** module) override;
  HRESULT get_ModuleCount(LONG* count) override;
  HRESULT get_GenerationCounter(LONG* counter) override;
  HRESULT get_HostName(BSTR* hostName) override;
  HRESULT ModulesAreConnected(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName, BSTR destInputName,
                              VARIANT_BOOL* connected) override;
  HRESULT SaveModuleValue(BSTR moduleName, BSTR valueName, BSTR value) override;
  HRESULT LoadModuleValue(BSTR moduleName, BSTR valueName, BSTR* value) override;
  HRESULT GetHostsRunningApp(BSTR appName, VARIANT_BOOL checkAppFileName, VARIANT* hosts) override;
  HRESULT Wait(float milliseconds) override;
  HRESULT ConnectToDistributedModule(BSTR srcModuleName, BSTR destModuleName, BSTR destMachineName,
                                     BSTR srcOutputName, BSTR destInputName, VornErrorCode* code) override;
  HRESULT get_DistributedDB(VARIANT_BOOL* distributed) override;
  HRESULT put_DistributedDB(VARIANT_BOOL distributed) override;
  HRESULT get_UserName(BSTR* userName) override;
  HRESULT put_UserName(BSTR userName) override;
  HRESULT GetRemoteUserName(BSTR machineName, BSTR* userName) override;
  HRESULT get_ApplicationName(BSTR* applicationName) override;
  HRESULT put_ApplicationName(BSTR applicationName) override;
  HRESULT GetWorkingFilePath(BSTR* path) override;
  HRESULT Step() override;

  // The timer's work: one round of the engine's idle processing.
  void OnTimer();
  HWND TimerWindow() const { return m_window; }

private:
  // The module of that name in the engine's collection (the highest ID of
  // several), without an added reference; null when there is none.
  IVornModuleLocal* Find(BSTR moduleName) const;
  // Whether one of source's connections leads to dest (by ID when dest is a
  // module here, else by name) with exactly those output and input names;
  // index receives its position.
  bool FindConnection(IVornModuleLocal* source, BSTR destModuleName, const std::string& output,
                      const std::string& input, int* index, bool* anyToDest) const;
  // Whether some module already feeds input of dest.
  bool InputIsFed(IVornModuleLocal* dest, const std::string& input) const;
  // The modules present, in ID order, without added references: from the
  // engine's index when it has one, else by a walk of every slot.
  std::vector<IVornModuleLocal*> PresentModules() const;
  // The other machines that run the application, in the engine's order.
  HRESULT OtherHosts(BSTR appName, BOOL checkAppFileName, std::vector<std::string>* hosts);
  // Runs every message waiting on this thread.
  void PumpMessages();

  CComPtr<IVornEngine> m_engine;
  CComPtr<IVornModuleIndex> m_index;  // the engine's, when it offers one
  HWND m_window = nullptr;
};

// Writes the template carried by module to path (which must not exist);
// false when it cannot be written, with nothing left behind.
bool WriteWorkingFileTemplate(HINSTANCE module, const std::string& path);

}  // namespace Vorn

#endif
