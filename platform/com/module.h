// A library's classes: its object map, and the module object that serves
// them (class objects, the process's class table, registration).
//
//   CComModule _Module;
//   BEGIN_OBJECT_MAP(ObjectMap)
//     OBJECT_ENTRY(CLSID_VornModule, CVornModule)
//   END_OBJECT_MAP()
//
// _Module.Init(ObjectMap, instance, &LIBID_...) adds every class of the map
// to the process's class table, so objects of a library that is already
// loaded are made without the registry; Term takes them out again. A
// library has no DllMain that the loader calls: PLATFORM_DLL_ENTRY_POINT
// calls the library's own with DLL_PROCESS_ATTACH when it is loaded and
// DLL_PROCESS_DETACH at exit.
#ifndef PLATFORM_COM_MODULE_H
#define PLATFORM_COM_MODULE_H

#include "platform/activation/activation.h"
#include "platform/com/objects.h"
#include "platform/com/typeinfo.h"
#include "platform/registration/registration.h"
#include "platform/resources/module.h"

namespace Platform {

struct ObjectMapEntry {
  const CLSID* pclsid;
  CreateInstanceFunction createInstance;
  const ClassRegistration* (*registration)();
};

} // namespace Platform

#define BEGIN_OBJECT_MAP(x) static ::Platform::ObjectMapEntry x[] = {
#define OBJECT_ENTRY(clsid, class) {&(clsid), &class ::_CreatorClass::CreateInstance, &class ::GetClassRegistration},
#define END_OBJECT_MAP() \
  {nullptr, nullptr, nullptr} \
  }                           \
  ;

class CComModule {
public:
  constexpr CComModule() = default;
  CComModule(const CComModule&) = delete;
  CComModule& operator=(const CComModule&) = delete;

  HRESULT Init(Platform::ObjectMapEntry* map, HINSTANCE instance, const GUID* libid = nullptr) {
    m_pObjMap = map;
    m_hInst = m_hInstResource = m_hInstTypeLib = instance;
    m_plibid = libid;
    for (Platform::ObjectMapEntry* entry = map; entry != nullptr && entry->pclsid != nullptr; ++entry)
      Platform::AddInProcessClass(*entry->pclsid, entry->createInstance, entry->registration());
    return S_OK;
  }
  void Term() {
    for (Platform::ObjectMapEntry* entry = m_pObjMap; entry != nullptr && entry->pclsid != nullptr; ++entry)
      Platform::RemoveInProcessClass(*entry->pclsid, entry->createInstance);
    m_pObjMap = nullptr;
  }

  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (object == nullptr)
      return E_POINTER;
    *object = nullptr;
    for (Platform::ObjectMapEntry* entry = m_pObjMap; entry != nullptr && entry->pclsid != nullptr; ++entry) {
      if (*entry->pclsid == clsid)
        return Platform::CreateClassFactory(entry->createInstance, iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  }

  // The registry keys of the map's classes (or of the class pclsid alone),
  // for DllRegisterServer and DllUnregisterServer, and with typeLib the
  // library's TYPELIB 1 after them. The type library's ID given to Init is
  // written as each class's TypeLib.
  HRESULT RegisterServer(BOOL typeLib = FALSE, const CLSID* pclsid = nullptr) {
    HRESULT hr = Platform::RegisterServerClasses(m_pObjMap, m_hInst, m_plibid, pclsid);
    if (SUCCEEDED(hr) && typeLib)
      hr = RegisterTypeLib();
    return hr;
  }
  HRESULT UnregisterServer(BOOL typeLib = FALSE, const CLSID* pclsid = nullptr) {
    HRESULT hr = Platform::UnregisterServerClasses(m_pObjMap, pclsid);
    HRESULT library = typeLib ? UnRegisterTypeLib() : S_OK;
    return FAILED(hr) ? hr : library;
  }
  HRESULT RegisterTypeLib() { return Platform::RegisterModuleTypeLib(m_hInstTypeLib); }
  HRESULT UnRegisterTypeLib() { return Platform::UnRegisterModuleTypeLib(m_hInstTypeLib); }

  // Live objects and server locks of this library.
  LONG Lock() { return ++Platform::Detail::g_moduleLocks; }
  LONG Unlock() { return --Platform::Detail::g_moduleLocks; }
  LONG GetLockCount() const { return Platform::Detail::g_moduleLocks.load(); }

  HINSTANCE GetModuleInstance() const { return m_hInst; }
  HINSTANCE GetResourceInstance() const { return m_hInstResource; }
  HINSTANCE GetTypeLibInstance() const { return m_hInstTypeLib; }

  Platform::ObjectMapEntry* m_pObjMap = nullptr;
  HINSTANCE m_hInst = nullptr;
  HINSTANCE m_hInstResource = nullptr;
  HINSTANCE m_hInstTypeLib = nullptr;
  const GUID* m_plibid = nullptr;
};

#ifndef WINAPI
#define WINAPI
#endif
#ifndef APIENTRY
#define APIENTRY
#endif
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

// Calls function(instance, reason, reserved) as the loader would.
#define PLATFORM_DLL_ENTRY_POINT(function)                                                   \
  namespace {                                                                                \
  struct PlatformDllEntryPoint {                                                             \
    PlatformDllEntryPoint() { function(::Platform::ThisModule(), DLL_PROCESS_ATTACH, nullptr); } \
    ~PlatformDllEntryPoint() { function(::Platform::ThisModule(), DLL_PROCESS_DETACH, nullptr); } \
  } platformDllEntryPoint;                                                                   \
  }

#endif
