// The built server library: it registers the control and its page, is
// loaded through the registry by ProgID, shows its about box from its own
// resources and takes its keys away again.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <cstdlib>

#include "clipview/control.h"
#include "platform/dialogs/dialoghost.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"

namespace {

std::string Text(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
  char buffer[1024] = "";
  DWORD size = sizeof buffer;
  const LONG read = RegQueryValueEx(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? std::string(buffer) : "<none>";
}

CLSID FromProgId(const char* progId) {
  CLSID clsid = GUID_NULL;
  CLSIDFromProgID(CComBSTR(progId), &clsid);
  return clsid;
}

using Entry = HRESULT (*)();

TEST(Server, RegistersItsClassesAndServesTheControlByProgId) {
  TestSupport::TempDir dir;
  setenv("PLATFORM_REGISTRY_FILE", dir.Path("registry.sqlite").c_str(), 1);
  void* library = dlopen(CLIPVIEW_SERVER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto reg = reinterpret_cast<Entry>(dlsym(library, "DllRegisterServer"));
  auto unreg = reinterpret_cast<Entry>(dlsym(library, "DllUnregisterServer"));
  ASSERT_TRUE(reg && unreg);
  ASSERT_EQ(reg(), S_OK);

  const std::string path = Platform::ModuleFilePath(Platform::ModuleOf(reinterpret_cast<void*>(reg)));
  const std::string control = "CLSID\\" + Platform::GuidText(CLSID_ClipViewCtl);
  const std::string page = "CLSID\\" + Platform::GuidText(CLSID_ClipViewCtlPropPage);
  const std::pair<std::string, std::string> keys[] = {
      {control, "ClipViewCtl"},
      {control + "\\ProgID", "CLIPVIEWCTL.ClipViewCtlCtrl.1"},
      {control + "\\InprocServer32", path},
      {control + "\\Control", ""},
      {control + "\\MiscStatus\\1", "132497"},
      {control + "\\ToolboxBitmap32", path + ", 1"},
      {control + "\\Version", "1.0"},
      {control + "\\TypeLib", Platform::GuidText(LIBID_CLIPVIEWCTLLib)},
      {page, "ClipViewCtl Property Page"},
      {page + "\\ProgID", "CLIPVIEWCTL.ClipViewCtlPropPage.1"},
      {page + "\\InprocServer32", path},
  };
  for (const auto& [key, text] : keys) EXPECT_EQ(Text(key), text) << key;
  EXPECT_EQ(FromProgId("CLIPVIEWCTL.ClipViewCtlCtrl.1"), CLSID_ClipViewCtl);
  EXPECT_EQ(FromProgId("CLIPVIEWCTL.ClipViewCtlPropPage.1"), CLSID_ClipViewCtlPropPage);

  // The about box comes from the library's own dialog.
  CComPtr<IDispatch> made;
  ASSERT_EQ(CoCreateInstance(FromProgId("CLIPVIEWCTL.ClipViewCtlCtrl"), nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDispatch, reinterpret_cast<void**>(&made)),
            S_OK);
  Platform::RecordingHost host;
  {
    Platform::ScopedDialogHost scope(host);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(made->Invoke(DISPID_ABOUTBOX, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
  }
  ASSERT_EQ(host.Dialogs().size(), 1u);
  EXPECT_EQ(host.Dialogs()[0].templateId, 1u);
  EXPECT_EQ(host.Dialogs()[0].caption, "About ClipViewCtl ");
  made.Release();

  ASSERT_EQ(unreg(), S_OK);
  EXPECT_EQ(Text(control), "<none>");
  EXPECT_EQ(Text(page), "<none>");
  EXPECT_EQ(Text("CLIPVIEWCTL.ClipViewCtlCtrl.1"), "<none>");
  unsetenv("PLATFORM_REGISTRY_FILE");
}

}  // namespace
