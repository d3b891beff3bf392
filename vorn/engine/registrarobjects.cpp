#include "vorn/engine/registrarobjects.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "vorn/engine/moduletyperegistry.h"

namespace Vorn {

// ---- Registrar ---------------------------------------------------------------

// The registry layer stays quiet about failed writes, so each change is read
// back: a module server's registration must not report success when the type
// never reached the registry.
HRESULT VornModuleRegistrar::RegisterModule(BSTR bstrModuleType, CLSID clsid) {
  std::string type = Platform::BstrToUtf8(bstrModuleType);
  // An empty type would name the key that holds every type.
  if (type.empty())
    return E_INVALIDARG;
  ModuleTypeRegistry::Register(type, clsid);
  CLSID written{};
  return ModuleTypeRegistry::GetClassId(type, written) && written == clsid ? S_OK : E_FAIL;
}

HRESULT VornModuleRegistrar::UnRegisterModule(BSTR bstrModuleType) {
  std::string type = Platform::BstrToUtf8(bstrModuleType);
  // Deleting the empty type's key would take every registered type with it.
  if (type.empty())
    return E_INVALIDARG;
  ModuleTypeRegistry::Unregister(type);
  CLSID left{};
  return ModuleTypeRegistry::GetClassId(type, left) ? E_FAIL : S_OK;
}

// ---- Persist -----------------------------------------------------------------

// Every call names this object's module in front of the caller's arguments.
#define VORN_PERSIST_FORWARD(call, ...)    \
  if (m_engine == nullptr)                 \
    return E_UNEXPECTED;                   \
  return m_engine->call(m_moduleId, __VA_ARGS__)

HRESULT VornPersist::LoadStringValue(BSTR bstrName, BSTR* pbstrValue) {
  VORN_PERSIST_FORWARD(LoadStringValue, bstrName, pbstrValue);
}
HRESULT VornPersist::SaveStringValue(BSTR bstrName, BSTR bstrValue) {
  VORN_PERSIST_FORWARD(SaveStringValue, bstrName, bstrValue);
}
HRESULT VornPersist::LoadFloatValue(BSTR bstrName, float* pfValue) {
  VORN_PERSIST_FORWARD(LoadFloatValue, bstrName, pfValue);
}
HRESULT VornPersist::SaveFloatValue(BSTR bstrName, float fValue) {
  VORN_PERSIST_FORWARD(SaveFloatValue, bstrName, fValue);
}
HRESULT VornPersist::LoadFloatArrayVar(BSTR bstrName, VARIANT* pOut) {
  VORN_PERSIST_FORWARD(LoadFloatArrayVar, bstrName, pOut);
}
HRESULT VornPersist::LoadStringArrayVar(BSTR bstrName, VARIANT* pOut) {
  VORN_PERSIST_FORWARD(LoadStringArrayVar, bstrName, pOut);
}
HRESULT VornPersist::SaveArrayVar(BSTR bstrName, VARIANT varArray) {
  VORN_PERSIST_FORWARD(SaveArrayVar, bstrName, varArray);
}
// Single integers are written as their decimal text, which a float value
// reads as well: through a float, any above 2^24 would change.
HRESULT VornPersist::SaveIntValue(BSTR bstrName, int nValue) {
  VORN_PERSIST_FORWARD(SaveStringValue, bstrName, CComBSTR(std::to_string(nValue)));
}
HRESULT VornPersist::LoadIntValue(BSTR bstrName, int* pValue) {
  if (pValue == nullptr)
    return E_POINTER;
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  // A whole number is read exactly; anything else as the float it stands for.
  BSTR text = nullptr;
  HRESULT hr = m_engine->LoadStringValue(m_moduleId, bstrName, &text);
  std::string digits = Platform::BstrToUtf8(text);
  SysFreeString(text);
  if (FAILED(hr))
    return hr;
  int exact = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), exact);
  if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size()) {
    *pValue = exact;
    return hr;
  }
  float value = 0.0f;
  hr = m_engine->LoadFloatValue(m_moduleId, bstrName, &value);
  if (FAILED(hr))
    return hr;
  // Converting NaN or a float beyond int's range is undefined: a file edited
  // by hand must not decide what the server gets.
  double truncated = std::trunc(static_cast<double>(value));
  if (std::isnan(truncated))
    *pValue = 0;
  else if (truncated <= static_cast<double>(std::numeric_limits<int>::min()))
    *pValue = std::numeric_limits<int>::min();
  else if (truncated >= static_cast<double>(std::numeric_limits<int>::max()))
    *pValue = std::numeric_limits<int>::max();
  else
    *pValue = static_cast<int>(truncated);
  return hr;
}
HRESULT VornPersist::LoadIntArrayVar(BSTR bstrName, VARIANT* pOut) {
  VORN_PERSIST_FORWARD(LoadIntArrayVar, bstrName, pOut);
}
// A plain float array is row 0 of the two-dimensional one of the same name.
HRESULT VornPersist::SaveFloatArray(BSTR bstrName, float* pArray, int nSize) {
  return SaveFloatArray2D(bstrName, 0, pArray, nSize);
}
HRESULT VornPersist::LoadFloatArray(BSTR bstrName, int nMaxSize, float* pArray, int* pnSize) {
  return LoadFloatArray2D(bstrName, 0, nMaxSize, pArray, pnSize);
}
HRESULT VornPersist::SaveFloatArray2D(BSTR bstrName, int nIdx, float* pArray, int nSize) {
  VORN_PERSIST_FORWARD(SaveFloatArray2D, bstrName, nIdx, pArray, nSize);
}
HRESULT VornPersist::LoadFloatArray2D(BSTR bstrName, int nIdx, int nMaxSize, float* pArray, int* pnSize) {
  VORN_PERSIST_FORWARD(LoadFloatArray2D, bstrName, nIdx, nMaxSize, pArray, pnSize);
}
HRESULT VornPersist::GetFloatArraySize(BSTR bstrName, int* pnSize) {
  VORN_PERSIST_FORWARD(GetFloatArraySize, bstrName, pnSize);
}
HRESULT VornPersist::SaveStringArray(BSTR bstrName, BSTR* pArray, int nSize) {
  VORN_PERSIST_FORWARD(SaveStringArray, bstrName, pArray, nSize);
}
HRESULT VornPersist::LoadStringArray(BSTR bstrName, int nMaxSize, BSTR* pArray, int* pnSize) {
  VORN_PERSIST_FORWARD(LoadStringArray, bstrName, nMaxSize, pArray, pnSize);
}
HRESULT VornPersist::GetStringArraySize(BSTR bstrName, int* pnSize) {
  VORN_PERSIST_FORWARD(GetStringArraySize, bstrName, pnSize);
}
HRESULT VornPersist::SaveIntArray(BSTR bstrName, int* pArray, int nSize) {
  VORN_PERSIST_FORWARD(SaveIntArray, bstrName, pArray, nSize);
}
HRESULT VornPersist::LoadIntArray(BSTR bstrName, int nMaxSize, int* pArray, int* pnSize) {
  VORN_PERSIST_FORWARD(LoadIntArray, bstrName, nMaxSize, pArray, pnSize);
}
HRESULT VornPersist::GetIntArraySize(BSTR bstrName, int* pnSize) {
  VORN_PERSIST_FORWARD(GetIntArraySize, bstrName, pnSize);
}

#undef VORN_PERSIST_FORWARD

// ---- String list -------------------------------------------------------------

HRESULT VornStringList::GetCount(int* pnCount) {
  if (pnCount == nullptr)
    return E_POINTER;
  *pnCount = static_cast<int>(m_texts.size());
  return S_OK;
}

HRESULT VornStringList::GetAt(int nIdx, BSTR* pbstrVal) {
  if (pbstrVal == nullptr)
    return E_POINTER;
  *pbstrVal = nullptr;
  if (!InRange(nIdx))
    return E_INVALIDARG;
  *pbstrVal = Platform::AllocBstr(std::string_view(m_texts[static_cast<std::size_t>(nIdx)]));
  return *pbstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT VornStringList::Add(BSTR bstrVal) {
  m_texts.push_back(Platform::BstrToUtf8(bstrVal));
  return S_OK;
}

HRESULT VornStringList::RemoveAt(int nIdx) {
  if (!InRange(nIdx))
    return E_INVALIDARG;
  m_texts.erase(m_texts.begin() + nIdx);
  return S_OK;
}

HRESULT VornStringList::RemoveAll() {
  m_texts.clear();
  return S_OK;
}

} // namespace Vorn
