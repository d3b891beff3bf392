// The external input/output module: an access point through which a
// program outside the module graph reads the value that arrives on the
// input "Default" and sends values out on the output "Default". A value a
// client sets goes out once, in the next cycle; the properties text of each
// value travels with it and is read and written by name.
//
// Run runs on the engine's run thread, which holds the engine module's lock
// around it; the client's calls come on the thread that made the module, so
// every one of them works under that lock too, values and properties
// alike. A new value is announced by posting VWM_NEW_DATA to the module's
// hidden window, whose thread then raises NewDataAvailable on the sinks.
#ifndef VORN_MODULES_PORTS_EXTERNALIOMODULE_H
#define VORN_MODULES_PORTS_EXTERNALIOMODULE_H

#include <atomic>
#include <string>

#include "platform/com/classinfo.h"
#include "platform/com/connimpl.h"
#include "vorn/modules/common/moduleserver.h"
#include "vorn/modules/ports/externalio.h"
#include "vorn/modules/ports/modulewindow.h"

namespace VornPorts {

inline constexpr char16_t kTypeName[] = u"VornExternalIO";

class ATL_NO_VTABLE VornExternalIOModule
    : public CComObjectRootEx<CComMultiThreadModel>,
      public CComCoClass<VornExternalIOModule, &CLSID_VornExternalIOModule>,
      public IDispatchImpl<IVornExternalIOModule, &IID_IVornExternalIOModule, &LIBID_VORNPORTSMODULELib>,
      public VornModules::DerivedModuleBase,
      public IConnectionPointContainerImpl<VornExternalIOModule>,
      public IConnectionPointImpl<VornExternalIOModule, &DIID__IVornExternalIOModuleEvents>,
      public IProvideClassInfo2Impl<&CLSID_VornExternalIOModule, &DIID__IVornExternalIOModuleEvents,
                                    &LIBID_VORNPORTSMODULELib> {
public:
  VornExternalIOModule();
  ~VornExternalIOModule() override;

  DECLARE_CLASS_REGISTRATION("VornPortsModule.VornExternalIOModule.1", "VornPortsModule.VornExternalIOModule",
                             "VornExternalIOModule Class")

  BEGIN_COM_MAP(VornExternalIOModule)
    COM_INTERFACE_ENTRY(IVornExternalIOModule)
    COM_INTERFACE_ENTRY2(IDispatch, IVornExternalIOModule)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY(IProvideClassInfo2)
    COM_INTERFACE_ENTRY(IProvideClassInfo)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_pInner)
  END_COM_MAP()

  BEGIN_CONNECTION_POINT_MAP(VornExternalIOModule)
    CONNECTION_POINT_ENTRY(DIID__IVornExternalIOModuleEvents)
  END_CONNECTION_POINT_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

  // IVornExternalIOModule
  HRESULT GetData(VARIANT* pVarData) override;
  HRESULT SetData(VARIANT VarData) override;
  HRESULT SetDataProperty(BSTR name, BSTR value) override;
  HRESULT GetDataProperty(BSTR name, BSTR* pValue) override;
  HRESULT GetDataPropertyNames(VARIANT* Names) override;

  // IVornDerivedModule
  HRESULT Run() override;
  HRESULT Stop() override { return S_OK; }
  HRESULT Start() override { return S_OK; }
  HRESULT Save(IDispatch* pVornPersist) override;
  HRESULT Load(IDispatch* pVornPersist) override;
  HRESULT Initialize() override;

  HWND WindowHandle() const { return m_window.Handle(); }

private:
  // Calls every sink present when the firing starts; one that fails is
  // skipped.
  void FireNewDataAvailable();

  // Set while a VWM_NEW_DATA is queued: however many values arrive before
  // the window's thread gets to it, one message and one event tell of them.
  std::atomic<bool> m_eventPending{false};
  ModuleWindow m_window;
  VARIANT m_varInput;
  VARIANT m_varOutput;
  std::u16string m_strInProps;
  std::u16string m_strOutProps;
  std::u16string m_strOutPropsSent;
};

} // namespace VornPorts

#endif
