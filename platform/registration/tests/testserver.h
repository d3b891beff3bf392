// The class of the test server library.
#ifndef PLATFORM_REGISTRATION_TESTS_TESTSERVER_H
#define PLATFORM_REGISTRATION_TESTS_TESTSERVER_H

#include "platform/com/unknown.h"

PLATFORM_DEFINE_IID(ITestThing, "5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6A01");
struct ITestThing : IUnknown {
  virtual HRESULT GetValue(LONG* value) = 0;
};
PLATFORM_DEFINE_GUID(CLSID_TestThing, "5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6A10");
PLATFORM_DEFINE_GUID(LIBID_TestThingLib, "5B0C7E21-93A4-4F6D-8E1B-2C3D4E5F6A20");
inline constexpr LONG kTestThingValue = 99;

#endif
