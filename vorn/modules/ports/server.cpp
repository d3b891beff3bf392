// VornPortsModule: the server of the module type "VornExternalIO".
#include "vorn/modules/ports/externaliomodule.h"
#include "vorn/modules/ports/externaliopage.h"

BEGIN_OBJECT_MAP(ObjectMap)
  OBJECT_ENTRY(CLSID_VornExternalIOModule, VornPorts::VornExternalIOModule)
  OBJECT_ENTRY(CLSID_VornExternalIOModulePP, VornPorts::VornExternalIOModulePP)
END_OBJECT_MAP()

VORN_MODULE_SERVER(ObjectMap, LIBID_VORNPORTSMODULELib, VornPorts::kTypeName, CLSID_VornExternalIOModule)
