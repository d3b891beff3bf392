// The external input/output module's property page class. The module has
// no settings, so the page shows only what the module is; it is registered
// with the server but the module adds it to no module.
#ifndef VORN_MODULES_PORTS_EXTERNALIOPAGE_H
#define VORN_MODULES_PORTS_EXTERNALIOPAGE_H

#include "platform/resources/module.h"
#include "vorn/modules/common/modulepropertypage.h"
#include "vorn/modules/ports/externalio.h"

namespace VornPorts {

class ExternalIOPageDialog : public VornModules::ModulePageDialog {
public:
  ExternalIOPageDialog() : ModulePageDialog(IID_IVornExternalIOModule, Platform::ThisModule()) {}
  HRESULT ApplyChanges() override { return S_OK; }
};

class ATL_NO_VTABLE VornExternalIOModulePP : public VornModules::ModulePropertyPage,
                                             public CComCoClass<VornExternalIOModulePP, &CLSID_VornExternalIOModulePP> {
public:
  VornExternalIOModulePP() : ModulePropertyPage(std::make_unique<ExternalIOPageDialog>()) {}
  DECLARE_CLASS_REGISTRATION("VornPortsModule.VornExternalIOModulePP.1", "VornPortsModule.VornExternalIOModulePP",
                             "VornExternalIOModulePP Class")
};

} // namespace VornPorts

#endif
