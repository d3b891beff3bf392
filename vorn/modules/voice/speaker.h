// The speaker server's identities: its module class and dual interface,
// its page class and its type library.
#ifndef VORN_MODULES_VOICE_SPEAKER_H
#define VORN_MODULES_VOICE_SPEAKER_H

#include "platform/com/dispimpl.h"

PLATFORM_DEFINE_GUID(CLSID_SpeakerModule, "F7BC38A0-0D30-4722-A12A-60AD02B7842F");
PLATFORM_DEFINE_GUID(CLSID_SpeakerModulePP, "AB5E328A-2273-4821-90EC-5F4B3AC4FA08");
PLATFORM_DEFINE_GUID(LIBID_VORNVOICEMODULELib, "4D2D70EA-0CA6-44AB-ADF6-E1A552AE28BB");

PLATFORM_DEFINE_IID(ISpeakerModule, "6969E1BD-FCE9-4502-A25C-4A2C37AB8766");
struct ISpeakerModule : IDispatch {
  virtual HRESULT get_Enabled(VARIANT_BOOL* pVal) = 0;
  virtual HRESULT put_Enabled(VARIANT_BOOL newVal) = 0;

protected:
  ~ISpeakerModule() = default;
};

// The dispatch table, written from the library's description
// (VornVoiceModule.types).
#include "VornVoiceModule.dispatch.h"

#endif
