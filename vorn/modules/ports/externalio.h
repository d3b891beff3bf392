// The external input/output module type as scripts and automation clients
// see it: its class, its dual interface (values as VARIANTs, their
// connection properties by name) and its events interface, raised when a
// new value has arrived on the module's input.
#ifndef VORN_MODULES_PORTS_EXTERNALIO_H
#define VORN_MODULES_PORTS_EXTERNALIO_H

#include "platform/com/dispimpl.h"
#include "platform/ui/window.h"

PLATFORM_DEFINE_GUID(LIBID_VORNPORTSMODULELib, "914951A5-B779-4D1A-A9C2-27118802A377");
PLATFORM_DEFINE_GUID(CLSID_VornExternalIOModule, "1876DB22-6396-45DC-AD1F-4612FFD3A1F1");
PLATFORM_DEFINE_GUID(CLSID_VornExternalIOModulePP, "51756EFD-BFEE-4D29-8BA2-445F035A177D");
PLATFORM_DEFINE_IID(IVornExternalIOModule, "3043C251-C418-459B-8B6A-A6CB91FE828F");
PLATFORM_DEFINE_GUID(DIID__IVornExternalIOModuleEvents, "AB896890-CC7D-45A8-8706-C08804FE4C67");

// Posted by the run thread to the module's window when a value arrived, so
// that the event reaches clients on the thread that made the module. The
// module's own number, whatever the engine's private messages use.
inline constexpr UINT VWM_NEW_DATA = WM_USER + 0x65;

// The dispatch id of _IVornExternalIOModuleEvents::NewDataAvailable.
inline constexpr DISPID DISPID_NewDataAvailable = 1;

struct IVornExternalIOModule : IDispatch {
  virtual HRESULT GetData(VARIANT* pVarData) = 0;
  virtual HRESULT SetData(VARIANT VarData) = 0;
  virtual HRESULT SetDataProperty(BSTR name, BSTR value) = 0;
  virtual HRESULT GetDataProperty(BSTR name, BSTR* pValue) = 0;
  virtual HRESULT GetDataPropertyNames(VARIANT* Names) = 0;

protected:
  ~IVornExternalIOModule() = default;
};

// The dispatch table, written from the library's description
// (VornPortsModule.types).
#include "VornPortsModule.dispatch.h"

#endif
