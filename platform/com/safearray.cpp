#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/dispatch.h"
#include "platform/com/varianttypes.h"

namespace Platform::Detail {

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
  case VT_I1:
  case VT_UI1:
    return 1;
  case VT_I2:
  case VT_UI2:
  case VT_BOOL:
    return 2;
  case VT_I4:
  case VT_UI4:
  case VT_INT:
  case VT_UINT:
  case VT_R4:
  case VT_ERROR:
    return 4;
  case VT_I8:
  case VT_UI8:
  case VT_R8:
    return 8;
  case VT_BSTR:
  case VT_DISPATCH:
  case VT_UNKNOWN:
    return sizeof(void*);
  case VT_VARIANT:
    return sizeof(VARIANT);
  default:
    return 0;
  }
}

bool IsScalarType(VARTYPE vt) { return vt == VT_EMPTY || vt == VT_NULL || (vt != VT_VARIANT && ElementSize(vt) != 0); }

bool IsValidVariantType(VARTYPE vt) {
  if ((vt & ~(VT_ARRAY | VT_BYREF | VT_TYPEMASK)) != 0)
    return false;
  VARTYPE base = vt & VT_TYPEMASK;
  if (vt & VT_ARRAY)
    return ElementSize(base) != 0;
  if (vt & VT_BYREF)
    return base == VT_VARIANT || (base != VT_EMPTY && base != VT_NULL && IsScalarType(base));
  return IsScalarType(base);
}

void ClearElement(VARTYPE vt, void* element) {
  switch (vt) {
  case VT_BSTR: {
    BSTR& text = *static_cast<BSTR*>(element);
    SysFreeString(text);
    text = nullptr;
    break;
  }
  case VT_UNKNOWN:
  case VT_DISPATCH: {
    IUnknown*& object = *static_cast<IUnknown**>(element);
    if (object != nullptr)
      object->Release();
    object = nullptr;
    break;
  }
  case VT_VARIANT:
    VariantClear(static_cast<VARIANT*>(element));
    break;
  default:
    break;
  }
}

HRESULT CopyElement(VARTYPE vt, const void* source, void* target) {
  switch (vt) {
  case VT_BSTR: {
    BSTR text = *static_cast<const BSTR*>(source);
    BSTR copy = nullptr;
    if (text != nullptr) {
      copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text));
      if (copy == nullptr)
        return E_OUTOFMEMORY;
    }
    *static_cast<BSTR*>(target) = copy;
    return S_OK;
  }
  case VT_UNKNOWN:
  case VT_DISPATCH: {
    IUnknown* object = *static_cast<IUnknown* const*>(source);
    if (object != nullptr)
      object->AddRef();
    *static_cast<IUnknown**>(target) = object;
    return S_OK;
  }
  case VT_VARIANT:
    VariantInit(static_cast<VARIANT*>(target));
    return VariantCopy(static_cast<VARIANT*>(target), static_cast<const VARIANT*>(source));
  default:
    std::memcpy(target, source, ElementSize(vt));
    return S_OK;
  }
}

} // namespace Platform::Detail

namespace {

using namespace Platform::Detail;

// The element type lives in a block just before the descriptor.
constexpr std::size_t kPrefix = 16;

VARTYPE& StoredType(SAFEARRAY* array) { return *reinterpret_cast<VARTYPE*>(reinterpret_cast<char*>(array) - kPrefix); }

std::size_t ElementCount(const SAFEARRAY* array) {
  std::size_t count = 1;
  for (USHORT i = 0; i < array->cDims; ++i)
    count *= array->rgsabound[i].cElements;
  return count;
}

USHORT FeaturesOf(VARTYPE vt) {
  switch (vt) {
  case VT_BSTR:
    return FADF_HAVEVARTYPE | FADF_BSTR;
  case VT_UNKNOWN:
    return FADF_HAVEVARTYPE | FADF_UNKNOWN;
  case VT_DISPATCH:
    return FADF_HAVEVARTYPE | FADF_DISPATCH;
  case VT_VARIANT:
    return FADF_HAVEVARTYPE | FADF_VARIANT;
  default:
    return FADF_HAVEVARTYPE;
  }
}

// A descriptor with room for dims bounds and zeroed data for them, bounds
// stored as given (already in rgsabound order).
SAFEARRAY* Allocate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* storedBounds) {
  ULONG size = ElementSize(vt);
  if (size == 0 || dims == 0 || dims > 0xFFFF || storedBounds == nullptr)
    return nullptr;
  std::size_t count = 1;
  for (UINT i = 0; i < dims; ++i) {
    std::size_t elements = storedBounds[i].cElements;
    if (elements != 0 && count > std::numeric_limits<std::size_t>::max() / size / elements)
      return nullptr;
    count *= elements;
  }
  std::size_t descriptor = offsetof(SAFEARRAY, rgsabound) + dims * sizeof(SAFEARRAYBOUND);
  auto* block = static_cast<char*>(std::calloc(1, kPrefix + descriptor));
  if (block == nullptr)
    return nullptr;
  auto* array = reinterpret_cast<SAFEARRAY*>(block + kPrefix);
  array->pvData = std::calloc(count == 0 ? 1 : count, size);
  if (array->pvData == nullptr) {
    std::free(block);
    return nullptr;
  }
  StoredType(array) = vt;
  array->cDims = static_cast<USHORT>(dims);
  array->fFeatures = FeaturesOf(vt);
  array->cbElements = size;
  std::memcpy(array->rgsabound, storedBounds, dims * sizeof(SAFEARRAYBOUND));
  return array;
}

void FreeDescriptor(SAFEARRAY* array) {
  std::free(array->pvData);
  std::free(reinterpret_cast<char*>(array) - kPrefix);
}

} // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
  if (bounds == nullptr || dims == 0 || dims > 0xFFFF)
    return nullptr;
  SAFEARRAYBOUND stored[64];
  if (dims > 64)
    return nullptr;
  for (UINT i = 0; i < dims; ++i)
    stored[dims - 1 - i] = bounds[i];
  return Allocate(vt, dims, stored);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
  SAFEARRAYBOUND bound{elements, lowerBound};
  return Allocate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr)
    return S_OK;
  if (array->cLocks != 0)
    return DISP_E_ARRAYISLOCKED;
  VARTYPE vt = StoredType(array);
  std::size_t count = ElementCount(array);
  for (std::size_t i = 0; i < count; ++i)
    ClearElement(vt, static_cast<char*>(array->pvData) + i * array->cbElements);
  FreeDescriptor(array);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
  if (copy == nullptr)
    return E_INVALIDARG;
  *copy = nullptr;
  if (array == nullptr)
    return S_OK;
  VARTYPE vt = StoredType(array);
  SAFEARRAY* result = Allocate(vt, array->cDims, array->rgsabound);
  if (result == nullptr)
    return E_OUTOFMEMORY;
  std::size_t count = ElementCount(array);
  for (std::size_t i = 0; i < count; ++i) {
    HRESULT hr = CopyElement(vt, static_cast<char*>(array->pvData) + i * array->cbElements,
                             static_cast<char*>(result->pvData) + i * result->cbElements);
    if (FAILED(hr)) {
      SafeArrayDestroy(result);
      return hr;
    }
  }
  *copy = result;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) { return array == nullptr ? 0 : array->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY* array) { return array == nullptr ? 0 : array->cbElements; }

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  if (array == nullptr || vt == nullptr)
    return E_INVALIDARG;
  *vt = StoredType(array);
  return S_OK;
}

static HRESULT Bound(SAFEARRAY* array, UINT dim, LONG* bound, bool upper) {
  if (array == nullptr || bound == nullptr)
    return E_INVALIDARG;
  if (dim < 1 || dim > array->cDims)
    return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = array->rgsabound[array->cDims - dim];
  *bound = upper ? static_cast<LONG>(static_cast<long long>(b.lLbound) + b.cElements - 1) : b.lLbound;
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound) { return Bound(array, dim, bound, false); }
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound) { return Bound(array, dim, bound, true); }

HRESULT SafeArrayLock(SAFEARRAY* array) {
  if (array == nullptr)
    return E_INVALIDARG;
  if (array->cLocks == 0xFFFFFFFFu)
    return E_UNEXPECTED;
  ++array->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
  if (array == nullptr)
    return E_INVALIDARG;
  if (array->cLocks == 0)
    return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (array == nullptr || data == nullptr)
    return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(array);
  *data = SUCCEEDED(hr) ? array->pvData : nullptr;
  return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) { return SafeArrayUnlock(array); }

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* array, LONG* indices, void** element) {
  if (array == nullptr || indices == nullptr || element == nullptr)
    return E_INVALIDARG;
  std::size_t offset = 0;
  std::size_t stride = 1;
  for (USHORT i = 0; i < array->cDims; ++i) {
    const SAFEARRAYBOUND& b = array->rgsabound[i];
    long long position = static_cast<long long>(indices[i]) - b.lLbound;
    if (position < 0 || position >= static_cast<long long>(b.cElements))
      return DISP_E_BADINDEX;
    offset += static_cast<std::size_t>(position) * stride;
    stride *= b.cElements;
  }
  *element = static_cast<char*>(array->pvData) + offset * array->cbElements;
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (value == nullptr)
    return E_INVALIDARG;
  void* element = nullptr;
  HRESULT hr = SafeArrayPtrOfIndex(array, indices, &element);
  if (FAILED(hr))
    return hr;
  return CopyElement(StoredType(array), element, value);
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
  void* element = nullptr;
  HRESULT hr = SafeArrayPtrOfIndex(array, indices, &element);
  if (FAILED(hr))
    return hr;
  VARTYPE vt = StoredType(array);
  // Strings and interfaces are passed as themselves, everything else by
  // address; a null string or interface is a valid element.
  const void* source = value;
  if (vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH)
    source = &value;
  else if (value == nullptr)
    return E_INVALIDARG;
  alignas(VARIANT) unsigned char copy[sizeof(VARIANT)];
  hr = CopyElement(vt, source, copy);
  if (FAILED(hr))
    return hr;
  ClearElement(vt, element);
  std::memcpy(element, copy, array->cbElements);
  return S_OK;
}
