#include "vorn/modules/common/moduleserver.h"

#include <cstdio>

#include "platform/ui/messagebox.h"
#include "vorn/interfaces/registrar.h"

namespace VornModules {

namespace {

// In-process, in-process handler, local and remote: wherever the engine's
// registrar is served from.
constexpr DWORD kRegistrarContext = 0x17;

// The engine's registrar, or null after telling the user why modules will
// not be registered.
CComPtr<IVornModuleRegistrar> ReachRegistrar() {
  CComPtr<IVornModuleRegistrar> registrar;
  const HRESULT hr = CoCreateInstance(CLSID_VornModuleRegistrar, nullptr, kRegistrarContext,
                                      IID_IVornModuleRegistrar, reinterpret_cast<void**>(&registrar));
  if (FAILED(hr) || !registrar) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Could not create VornModuleRegistrar object.\nModules in this server will not be "
                  "registered.\nHRESULT = 0x%X",
                  static_cast<unsigned>(FAILED(hr) ? hr : E_NOINTERFACE));
    MessageBox(nullptr, text, nullptr, MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
  }
  return registrar;
}

CComBSTR TypeBstr(std::u16string_view typeName) {
  CComBSTR bstr;
  bstr.Attach(SysAllocStringLen(typeName.data(), static_cast<UINT>(typeName.size())));
  return bstr;
}

}  // namespace

HRESULT RegisterModuleServer(CComModule& module, std::u16string_view typeName, REFCLSID moduleClass) {
  CComPtr<IVornModuleRegistrar> registrar = ReachRegistrar();
  if (!registrar)
    return SELFREG_E_CLASS;
  CComBSTR type = TypeBstr(typeName);
  if (!type)
    return E_OUTOFMEMORY;
  // A type the engine did not record would leave classes no engine can
  // find by type name.
  HRESULT hr = registrar->RegisterModule(type, moduleClass);
  if (FAILED(hr))
    return hr;
  hr = module.RegisterServer(TRUE);
  if (FAILED(hr)) {
    module.UnregisterServer(TRUE);
    registrar->UnRegisterModule(type);
  }
  return hr;
}

HRESULT UnregisterModuleServer(CComModule& module, std::u16string_view typeName) {
  CComPtr<IVornModuleRegistrar> registrar = ReachRegistrar();
  if (!registrar)
    return SELFREG_E_CLASS;
  CComBSTR type = TypeBstr(typeName);
  if (type)
    registrar->UnRegisterModule(type);
  module.UnregisterServer(TRUE);
  return S_OK;
}

}  // namespace VornModules
