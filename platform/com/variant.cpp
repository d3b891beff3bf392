#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/text.h"
#include "platform/com/varianttypes.h"

using namespace Platform::Detail;

namespace {

// The value a VT_BYREF VARIANT points to, as a VARIANT that does not own it
// (a reference to a VARIANT is followed to that VARIANT).
HRESULT Dereference(const VARIANT* src, VARIANT& value) {
  std::memset(&value, 0, sizeof value);
  if (!(src->vt & VT_BYREF)) {
    value = *src;
    return S_OK;
  }
  if (src->byref == nullptr)
    return E_INVALIDARG;
  VARTYPE base = src->vt & ~VT_BYREF;
  if (base == VT_VARIANT) {
    const VARIANT* target = src->pvarVal;
    if (target->vt & VT_BYREF)
      return DISP_E_BADVARTYPE;
    value = *target;
    return S_OK;
  }
  value.vt = base;
  if (base & VT_ARRAY)
    value.parray = *src->pparray;
  else
    std::memcpy(&value.llVal, src->byref, ElementSize(base));
  return S_OK;
}

// dest (already cleared by the caller) := a deep copy of a VARIANT that is
// not a reference.
HRESULT CopyValue(VARIANT* dest, const VARIANT& value) {
  if (value.vt & VT_ARRAY) {
    SAFEARRAY* copy = nullptr;
    HRESULT hr = SafeArrayCopy(value.parray, &copy);
    if (FAILED(hr))
      return hr;
    dest->vt = value.vt;
    dest->parray = copy;
    return S_OK;
  }
  VARIANT result = value;
  if (value.vt == VT_BSTR || value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) {
    HRESULT hr = CopyElement(value.vt, &value.bstrVal, &result.bstrVal);
    if (FAILED(hr))
      return hr;
  }
  *dest = result;
  return S_OK;
}

// A scalar as a number: exactly, for the integer types, or as a double.
struct Number {
  enum Kind { Signed, Unsigned, Real } kind = Signed;
  long long s = 0;
  unsigned long long u = 0;
  double d = 0;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trimmed(BSTR text) {
  std::string utf8 = Platform::BstrToUtf8(text);
  std::size_t begin = 0;
  std::size_t end = utf8.size();
  while (begin < end && IsSpace(utf8[begin]))
    ++begin;
  while (end > begin && IsSpace(utf8[end - 1]))
    --end;
  return utf8.substr(begin, end - begin);
}

// The whole text as a number; whole numbers stay exact.
HRESULT ParseNumber(BSTR text, Number& number) {
  std::string t = Trimmed(text);
  if (Platform::EqualsIgnoringAsciiCase(t, "true")) {
    number = {Number::Signed, -1, 0, 0};
    return S_OK;
  }
  if (Platform::EqualsIgnoringAsciiCase(t, "false")) {
    number = {Number::Signed, 0, 0, 0};
    return S_OK;
  }
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (begin != end && *begin == '+') {
    ++begin;
    if (begin != end && *begin == '-')
      return DISP_E_TYPEMISMATCH;
  }
  if (begin == end || *begin == '+')
    return DISP_E_TYPEMISMATCH;
  auto whole = std::from_chars(begin, end, number.s);
  if (whole.ec == std::errc() && whole.ptr == end) {
    number.kind = Number::Signed;
    return S_OK;
  }
  auto unsignedWhole = std::from_chars(begin, end, number.u);
  if (unsignedWhole.ec == std::errc() && unsignedWhole.ptr == end) {
    number.kind = Number::Unsigned;
    return S_OK;
  }
  auto real = std::from_chars(begin, end, number.d, std::chars_format::general);
  if (real.ptr != end || (real.ec != std::errc() && real.ec != std::errc::result_out_of_range))
    return DISP_E_TYPEMISMATCH;
  if (real.ec == std::errc::result_out_of_range || std::isinf(number.d) || std::isnan(number.d))
    return DISP_E_OVERFLOW;
  number.kind = Number::Real;
  return S_OK;
}

HRESULT ToNumber(const VARIANT& v, Number& n) {
  switch (v.vt) {
  case VT_EMPTY:
    n = {Number::Signed, 0, 0, 0};
    return S_OK;
  case VT_BOOL:
    n = {Number::Signed, v.boolVal != 0 ? -1 : 0, 0, 0};
    return S_OK;
  case VT_I1:
    n = {Number::Signed, static_cast<signed char>(v.cVal), 0, 0};
    return S_OK;
  case VT_UI1:
    n = {Number::Signed, v.bVal, 0, 0};
    return S_OK;
  case VT_I2:
    n = {Number::Signed, v.iVal, 0, 0};
    return S_OK;
  case VT_UI2:
    n = {Number::Signed, v.uiVal, 0, 0};
    return S_OK;
  case VT_I4:
    n = {Number::Signed, v.lVal, 0, 0};
    return S_OK;
  case VT_INT:
    n = {Number::Signed, v.intVal, 0, 0};
    return S_OK;
  case VT_UI4:
    n = {Number::Signed, v.ulVal, 0, 0};
    return S_OK;
  case VT_UINT:
    n = {Number::Signed, v.uintVal, 0, 0};
    return S_OK;
  case VT_I8:
    n = {Number::Signed, v.llVal, 0, 0};
    return S_OK;
  case VT_UI8:
    n = {Number::Unsigned, 0, v.ullVal, 0};
    return S_OK;
  case VT_R4:
    n = {Number::Real, 0, 0, v.fltVal};
    return S_OK;
  case VT_R8:
    n = {Number::Real, 0, 0, v.dblVal};
    return S_OK;
  case VT_BSTR:
    return ParseNumber(v.bstrVal, n);
  default:
    return DISP_E_TYPEMISMATCH;
  }
}

// The number as an integer in [low, high]; fractions round half to even.
template <class Int>
HRESULT ToInteger(const Number& n, Int& out) {
  using Limits = std::numeric_limits<Int>;
  switch (n.kind) {
  case Number::Signed:
    if constexpr (Limits::is_signed) {
      if (n.s < static_cast<long long>(Limits::min()) || n.s > static_cast<long long>(Limits::max()))
        return DISP_E_OVERFLOW;
    } else {
      if (n.s < 0 || static_cast<unsigned long long>(n.s) > static_cast<unsigned long long>(Limits::max()))
        return DISP_E_OVERFLOW;
    }
    out = static_cast<Int>(n.s);
    return S_OK;
  case Number::Unsigned:
    if (n.u > static_cast<unsigned long long>(Limits::max()))
      return DISP_E_OVERFLOW;
    out = static_cast<Int>(n.u);
    return S_OK;
  case Number::Real: {
    if (std::isnan(n.d))
      return DISP_E_OVERFLOW;
    double rounded = std::nearbyint(n.d);
    // The bounds as doubles: max() + 1 is a power of two, exact in a double.
    double below = static_cast<double>(Limits::min());
    double above = static_cast<double>(Limits::max() / 2 + 1) * 2.0;
    if (rounded < below || rounded >= above)
      return DISP_E_OVERFLOW;
    out = static_cast<Int>(rounded);
    return S_OK;
  }
  }
  return DISP_E_TYPEMISMATCH;
}

double ToDouble(const Number& n) {
  switch (n.kind) {
  case Number::Signed:
    return static_cast<double>(n.s);
  case Number::Unsigned:
    return static_cast<double>(n.u);
  case Number::Real:
    break;
  }
  return n.d;
}

bool IsZero(const Number& n) {
  switch (n.kind) {
  case Number::Signed:
    return n.s == 0;
  case Number::Unsigned:
    return n.u == 0;
  case Number::Real:
    break;
  }
  return n.d == 0;
}

template <class Value>
std::string NumberText(Value value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

HRESULT ToText(const VARIANT& v, USHORT flags, std::string& text) {
  switch (v.vt) {
  case VT_EMPTY:
    text.clear();
    return S_OK;
  case VT_BOOL:
    if (flags & VARIANT_ALPHABOOL)
      text = v.boolVal != 0 ? "True" : "False";
    else
      text = v.boolVal != 0 ? "-1" : "0";
    return S_OK;
  case VT_R4:
    text = NumberText(v.fltVal);
    return S_OK;
  case VT_R8:
    text = NumberText(v.dblVal);
    return S_OK;
  default: {
    Number n;
    HRESULT hr = ToNumber(v, n);
    if (FAILED(hr))
      return hr;
    text = n.kind == Number::Unsigned ? NumberText(n.u) : NumberText(n.s);
    return S_OK;
  }
  }
}

// result := value (a scalar, not a reference) converted to vt.
HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& result) {
  std::memset(&result, 0, sizeof result);
  result.vt = vt;
  if (vt == VT_EMPTY)
    return S_OK;
  if (value.vt == VT_NULL || vt == VT_NULL || (value.vt & VT_ARRAY) || (vt & VT_ARRAY))
    return DISP_E_TYPEMISMATCH;
  if (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) {
    if (vt != VT_UNKNOWN && vt != VT_DISPATCH)
      return DISP_E_TYPEMISMATCH;
    if (value.punkVal == nullptr)
      return S_OK;
    if (vt == VT_UNKNOWN) {
      value.punkVal->AddRef();
      result.punkVal = value.punkVal;
      return S_OK;
    }
    HRESULT hr = value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&result.pdispVal));
    return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
  }
  if (value.vt == VT_ERROR || vt == VT_ERROR || vt == VT_UNKNOWN || vt == VT_DISPATCH)
    return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) {
    std::string text;
    HRESULT hr = ToText(value, flags, text);
    if (FAILED(hr))
      return hr;
    result.bstrVal = Platform::AllocBstr(text);
    return result.bstrVal == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  Number n;
  HRESULT hr = ToNumber(value, n);
  if (FAILED(hr))
    return hr;
  switch (vt) {
  case VT_BOOL:
    result.boolVal = IsZero(n) ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
  case VT_R8:
    result.dblVal = ToDouble(n);
    return S_OK;
  case VT_R4: {
    double d = ToDouble(n);
    if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
      return DISP_E_OVERFLOW;
    result.fltVal = static_cast<float>(d);
    return S_OK;
  }
  case VT_I1: {
    signed char c = 0;
    hr = ToInteger(n, c);
    result.cVal = static_cast<CHAR>(c);
    return hr;
  }
  case VT_UI1:
    return ToInteger(n, result.bVal);
  case VT_I2:
    return ToInteger(n, result.iVal);
  case VT_UI2:
    return ToInteger(n, result.uiVal);
  case VT_I4:
    return ToInteger(n, result.lVal);
  case VT_UI4:
    return ToInteger(n, result.ulVal);
  case VT_INT:
    return ToInteger(n, result.intVal);
  case VT_UINT:
    return ToInteger(n, result.uintVal);
  case VT_I8:
    return ToInteger(n, result.llVal);
  case VT_UI8:
    return ToInteger(n, result.ullVal);
  default:
    return DISP_E_BADVARTYPE;
  }
}

} // namespace

void VariantInit(VARIANT* v) {
  if (v != nullptr)
    std::memset(v, 0, sizeof *v);
}

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr)
    return E_INVALIDARG;
  if (!IsValidVariantType(v->vt))
    return DISP_E_BADVARTYPE;
  if (!(v->vt & VT_BYREF)) {
    if (v->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(v->parray);
      if (FAILED(hr))
        return hr;
    } else {
      ClearElement(v->vt, &v->bstrVal);
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (dest == nullptr || src == nullptr)
    return E_INVALIDARG;
  if (!IsValidVariantType(src->vt))
    return DISP_E_BADVARTYPE;
  if (dest == src)
    return S_OK;
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr))
    return hr;
  if (src->vt & VT_BYREF) {
    *dest = *src;
    return S_OK;
  }
  return CopyValue(dest, *src);
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
  if (dest == nullptr || src == nullptr)
    return E_INVALIDARG;
  if (!IsValidVariantType(src->vt))
    return DISP_E_BADVARTYPE;
  VARIANT value;
  HRESULT hr = Dereference(src, value);
  if (FAILED(hr))
    return hr;
  VARIANT copy;
  VariantInit(&copy);
  hr = CopyValue(&copy, value);
  if (FAILED(hr))
    return hr;
  // src may be dest itself: clear only once the copy is made.
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
  if (dest == nullptr || src == nullptr)
    return E_INVALIDARG;
  if (!IsValidVariantType(src->vt))
    return DISP_E_BADVARTYPE;
  if ((vt & VT_BYREF) || !(vt == VT_EMPTY || vt == VT_NULL || IsValidVariantType(vt)))
    return DISP_E_BADVARTYPE;
  VARIANT value;
  HRESULT hr = Dereference(src, value);
  if (FAILED(hr))
    return hr;
  VARIANT result;
  if (value.vt == vt) {
    VariantInit(&result);
    hr = CopyValue(&result, value);
  } else {
    hr = Convert(value, flags, vt, result);
  }
  if (FAILED(hr))
    return hr;
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dest = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID, USHORT flags, VARTYPE vt) {
  return VariantChangeType(dest, src, flags, vt);
}
