// VornVoiceModule: the server of the module type "Speaker".
#include "vorn/modules/voice/speakermodule.h"

BEGIN_OBJECT_MAP(ObjectMap)
  OBJECT_ENTRY(CLSID_SpeakerModule, VornVoice::SpeakerModule)
  OBJECT_ENTRY(CLSID_SpeakerModulePP, VornVoice::SpeakerModulePP)
END_OBJECT_MAP()

VORN_MODULE_SERVER(ObjectMap, LIBID_VORNVOICEMODULELib, VornVoice::kTypeName, CLSID_SpeakerModule)
