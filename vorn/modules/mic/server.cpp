// VornMicModule: the server of the module type "Microphone".
#include "vorn/modules/mic/micmodule.h"

BEGIN_OBJECT_MAP(ObjectMap)
  OBJECT_ENTRY(CLSID_MicrophoneModule, VornMic::MicrophoneModule)
  OBJECT_ENTRY(CLSID_MicrophoneModulePP, VornMic::MicrophoneModulePP)
END_OBJECT_MAP()

VORN_MODULE_SERVER(ObjectMap, LIBID_VORNMICMODULELib, VornMic::kTypeName, CLSID_MicrophoneModule)
