// A server library as the module servers are built: an object map, the
// entry point that fills the class table, and the four exports.
#include "platform/com/com.h"
#include "platform/registration/tests/testserver.h"

namespace {

class ATL_NO_VTABLE Thing : public CComObjectRootEx<CComMultiThreadModel>,
                            public CComCoClass<Thing, &CLSID_TestThing>,
                            public ITestThing {
public:
  DECLARE_CLASS_REGISTRATION("PlatformTest.Thing.1", "PlatformTest.Thing", "Thing Class")
  BEGIN_COM_MAP(Thing)
  COM_INTERFACE_ENTRY(ITestThing)
  END_COM_MAP()
  HRESULT GetValue(LONG* value) override {
    *value = kTestThingValue;
    return S_OK;
  }
};

CComModule g_module;
BEGIN_OBJECT_MAP(g_objects)
OBJECT_ENTRY(CLSID_TestThing, Thing)
END_OBJECT_MAP()

BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    g_module.Init(g_objects, instance, &LIBID_TestThingLib);
  else if (reason == DLL_PROCESS_DETACH)
    g_module.Term();
  return TRUE;
}

} // namespace

PLATFORM_DLL_ENTRY_POINT(DllMain)

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return g_module.GetClassObject(clsid, iid, object);
}
STDAPI DllCanUnloadNow() { return g_module.GetLockCount() == 0 ? S_OK : S_FALSE; }
STDAPI DllRegisterServer() { return g_module.RegisterServer(TRUE); }
STDAPI DllUnregisterServer() { return g_module.UnregisterServer(TRUE); }
