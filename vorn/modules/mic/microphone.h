// The microphone server's identities: its module class and dual interface,
// its page class and its type library.
#ifndef VORN_MODULES_MIC_MICROPHONE_H
#define VORN_MODULES_MIC_MICROPHONE_H

#include "platform/com/dispimpl.h"

PLATFORM_DEFINE_GUID(CLSID_MicrophoneModule, "B0ED2FCD-C84F-4369-856B-01A7D845EB14");
PLATFORM_DEFINE_GUID(CLSID_MicrophoneModulePP, "655F0E5C-1CC5-49F6-B501-4788F722D083");
PLATFORM_DEFINE_GUID(LIBID_VORNMICMODULELib, "D33D41F8-F959-4155-B2F0-BFFA632CD1FF");

PLATFORM_DEFINE_IID(IMicrophoneModule, "EEA9A9BB-C84F-4AD7-A511-AE191FB5B24E");
struct IMicrophoneModule : IDispatch {
  virtual HRESULT get_AudioLevel(float* pVal) = 0;
  virtual HRESULT put_AudioLevel(float newVal) = 0;
  virtual HRESULT get_CurrentAudioEnergy(float* pVal) = 0;
  virtual HRESULT get_Enabled(VARIANT_BOOL* pVal) = 0;
  virtual HRESULT put_Enabled(VARIANT_BOOL newVal) = 0;

protected:
  ~IMicrophoneModule() = default;
};

// The dispatch table, written from the library's description
// (VornMicModule.types).
#include "VornMicModule.dispatch.h"

#endif
