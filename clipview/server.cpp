// The control's library as an in-process server: its classes join the
// process's class table when it is loaded, activation reaches them through
// DllGetClassObject when the registry names the library, and the library
// writes and removes its own registry keys.
#include <string>

#include "clipview/control.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"

namespace {

CComModule g_module;

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_ClipViewCtl, clipview::ClipViewCtl)
OBJECT_ENTRY(CLSID_ClipViewCtlPropPage, clipview::ClipViewCtlPropPage)
END_OBJECT_MAP()

BOOL WINAPI ServerMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    g_module.Init(ObjectMap, instance, &LIBID_CLIPVIEWCTLLib);
  else if (reason == DLL_PROCESS_DETACH)
    g_module.Term();
  return TRUE;
}

bool SetKey(const std::string& path, const std::string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG set = RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return set == ERROR_SUCCESS;
}

// What containers look for in a control's class key besides the server's
// own keys: that it is a control, how it wants to be placed and drawn
// (its status bits in decimal), its toolbox picture and its version.
// They live below the class key, so unregistering takes them away with it.
HRESULT RegisterControlKeys() {
  const std::string path = Platform::ModuleFilePath(g_module.GetModuleInstance());
  const std::string key = "CLSID\\" + Platform::GuidText(CLSID_ClipViewCtl);
  const bool ok = !path.empty() && SetKey(key + "\\Control", "") && SetKey(key + "\\MiscStatus", "0") &&
                  SetKey(key + "\\MiscStatus\\1", std::to_string(clipview::kMiscStatus)) &&
                  SetKey(key + "\\ToolboxBitmap32", path + ", " + std::to_string(clipview::kBitmapControl)) &&
                  SetKey(key + "\\Version", "1.0");
  return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

PLATFORM_DLL_ENTRY_POINT(ServerMain)

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return g_module.GetClassObject(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return g_module.GetLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  HRESULT hr = g_module.RegisterServer(TRUE);
  if (SUCCEEDED(hr)) hr = RegisterControlKeys();
  if (FAILED(hr)) g_module.UnregisterServer(TRUE);
  return hr;
}

STDAPI DllUnregisterServer() { return g_module.UnregisterServer(TRUE); }
