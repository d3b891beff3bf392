// Calls on an automation object made the way a script host makes them: the
// member looked up by name, the arguments passed last first, a property put
// named as such, and an exception's code taken as the call's result. Used
// by the programs and tests that drive VornApp from outside.
#ifndef VORN_APPS_AUTOMATION_SCRIPTCALLS_H
#define VORN_APPS_AUTOMATION_SCRIPTCALLS_H

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/com/com.h"

namespace Vorn::Script {

struct Call {
  HRESULT hr = S_OK;
  CComVariant result;
};

inline Call Invoke(IDispatch* object, const char* name, WORD flags, std::initializer_list<CComVariant> arguments) {
  Call call;
  if (object == nullptr) {
    call.hr = E_POINTER;
    return call;
  }
  std::u16string wide = Platform::Utf8ToUtf16(name);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  call.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(call.hr))
    return call;
  std::vector<VARIANT> reversed(arguments.size());
  std::size_t at = arguments.size();
  for (const CComVariant& argument : arguments)
    reversed[--at] = argument;
  DISPID putID = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putID;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  UINT argumentError = 0;
  call.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &call.result, &exception,
                           &argumentError);
  if (call.hr == DISP_E_EXCEPTION)
    call.hr = exception.scode;
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return call;
}

inline Call Method(IDispatch* object, const char* name, std::initializer_list<CComVariant> arguments = {}) {
  return Invoke(object, name, DISPATCH_METHOD, arguments);
}
inline Call Get(IDispatch* object, const char* name, std::initializer_list<CComVariant> arguments = {}) {
  return Invoke(object, name, DISPATCH_PROPERTYGET, arguments);
}
inline HRESULT Put(IDispatch* object, const char* name, CComVariant value) {
  return Invoke(object, name, DISPATCH_PROPERTYPUT, {value}).hr;
}

// A result as a script reads it: "<not text>", -999 and null when it is
// not of that kind.
inline std::string TextOf(const CComVariant& value) {
  CComVariant text;
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)) || text.vt != VT_BSTR)
    return "<not text>";
  return Platform::BstrToUtf8(text.bstrVal);
}
inline LONG NumberOf(const CComVariant& value) {
  CComVariant number;
  return SUCCEEDED(VariantChangeType(&number, &value, 0, VT_I4)) ? number.lVal : -999;
}
inline IDispatch* ObjectOf(const CComVariant& value) {
  return value.vt == VT_DISPATCH ? value.pdispVal : nullptr;
}

}  // namespace Vorn::Script

#endif
