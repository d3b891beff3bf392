#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"

namespace {

HRESULT Register(const char* library) {
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    return CO_E_DLLNOTFOUND;
  auto entry = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllRegisterServer"));
  return entry != nullptr ? entry() : CO_E_ERRORINDLL;
}

CComVariant Invoke(IDispatch* object, const char16_t* name, WORD flags, VARIANT* argument, HRESULT* hr) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  CComVariant result;
  *hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(*hr))
    return result;
  DISPPARAMS params{argument, nullptr, argument != nullptr ? 1u : 0u, 0};
  *hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, nullptr);
  return result;
}

TEST(VornAppServer, IsRegisteredForScriptsAndCarriesItsWorkingFileTemplate) {
  TestSupport::TempDir dir;
  setenv("PLATFORM_REGISTRY_FILE", dir.Path("registry.sqlite").c_str(), 1);
  ASSERT_EQ(Register(VORNENGINEHOST_LIBRARY), S_OK);
  ASSERT_EQ(Register(VORNAPP_LIBRARY), S_OK);

  for (const char16_t* progId : {u"Vorn.Application", u"Vorn.Application.1", u"VornApp.VornModuleExt"}) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    HKEY key = nullptr;
    std::string programmable = "CLSID\\" + Platform::GuidText(clsid) + "\\Programmable";
    EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, programmable.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // The wrapper class says what it is for, under its class and its names.
  CLSID wrapper{};
  ASSERT_EQ(CLSIDFromProgID(u"VornApp.VornModuleExt", &wrapper), S_OK);
  for (std::string key : {"CLSID\\" + Platform::GuidText(wrapper), std::string("VornApp.VornModuleExt"),
                          std::string("VornApp.VornModuleExt.1")}) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS) << key;
    char text[128] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueEx(opened, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "for use by external applications for accessing module properties") << key;
    RegCloseKey(opened);
  }

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Vorn.Application", &clsid), S_OK);
  CComPtr<IDispatch> app;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&app)), S_OK);
  std::string path = dir.Path("new.vrn");
  CComVariant file(path.c_str());
  HRESULT hr = E_FAIL;
  Invoke(app, u"OpenFile", DISPATCH_METHOD, &file, &hr);
  EXPECT_EQ(hr, S_OK);
  EXPECT_TRUE(std::filesystem::exists(path));
  CComVariant count = Invoke(app, u"ModuleCount", DISPATCH_PROPERTYGET, nullptr, &hr);
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(count.vt, VT_I4);
  EXPECT_EQ(count.lVal, 0);
  app.Release();
  unsetenv("PLATFORM_REGISTRY_FILE");
}

}  // namespace
