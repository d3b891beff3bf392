// The test module server's identities and its dual interface.
#ifndef VORN_MODULES_COMMON_TESTS_TESTSERVER_GAINMODULE_H
#define VORN_MODULES_COMMON_TESTS_TESTSERVER_GAINMODULE_H

#include "platform/com/dispimpl.h"

PLATFORM_DEFINE_GUID(CLSID_TestGainModule, "5B0C2D1E-7A34-4C8F-9E21-3D6F8A0B4C57");
PLATFORM_DEFINE_GUID(LIBID_VORNTESTMODULELib, "8E4A1F60-2B7C-4D93-A5E8-1C0F9B2D6E34");

PLATFORM_DEFINE_IID(ITestGainModule, "C3D9E2A7-5F18-4B6E-8A40-7E2B1C9D0F65");
struct ITestGainModule : IDispatch {
  virtual HRESULT get_Gain(float* pVal) = 0;
  virtual HRESULT put_Gain(float newVal) = 0;

protected:
  ~ITestGainModule() = default;
};

BEGIN_DISPATCH_TABLE(ITestGainModule)
  DISPATCH_ENTRY_GET(1, "Gain", &ITestGainModule::get_Gain)
  DISPATCH_ENTRY_PUT(1, "Gain", &ITestGainModule::put_Gain)
END_DISPATCH_TABLE()

#endif
