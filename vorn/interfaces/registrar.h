// The engine server's small objects: the registrar through which module
// servers register their module types, the storage object handed to a
// server's Save and Load, and the list of texts that several operations
// answer.
#ifndef VORN_INTERFACES_REGISTRAR_H
#define VORN_INTERFACES_REGISTRAR_H

#include "platform/com/dispimpl.h"

PLATFORM_DEFINE_GUID(CLSID_VornModuleRegistrar, "B9503F99-DEBD-4E84-B302-52BA7A02F6C6");
PLATFORM_DEFINE_GUID(CLSID_VornPersist, "427E7BC9-8609-4A89-946E-19010A4FA84D");
PLATFORM_DEFINE_GUID(CLSID_VornStringList, "4303D32C-EBE3-48C0-A2B0-DB83FBB2BF96");

PLATFORM_DEFINE_IID(IVornModuleRegistrar, "D9C5550F-8B5A-4371-859D-B7F53C6B8E63");
struct IVornModuleRegistrar : IDispatch {
  virtual HRESULT RegisterModule(BSTR bstrModuleType, CLSID clsid) = 0;
  virtual HRESULT UnRegisterModule(BSTR bstrModuleType) = 0;

protected:
  ~IVornModuleRegistrar() = default;
};

// One module's values in the working file (module ID -1: the model's own).
PLATFORM_DEFINE_IID(IVornPersist, "89D2B480-C6E4-4922-AF07-FEC67956C4AB");
struct IVornPersist : IDispatch {
  virtual HRESULT LoadStringValue(BSTR bstrName, BSTR* pbstrValue) = 0;
  virtual HRESULT SaveStringValue(BSTR bstrName, BSTR bstrValue) = 0;
  virtual HRESULT LoadFloatValue(BSTR bstrName, float* pfValue) = 0;
  virtual HRESULT SaveFloatValue(BSTR bstrName, float fValue) = 0;
  virtual HRESULT LoadFloatArrayVar(BSTR bstrName, VARIANT* pOut) = 0;
  virtual HRESULT LoadStringArrayVar(BSTR bstrName, VARIANT* pOut) = 0;
  virtual HRESULT SaveArrayVar(BSTR bstrName, VARIANT varArray) = 0;
  virtual HRESULT SaveIntValue(BSTR bstrName, int nValue) = 0;
  virtual HRESULT LoadIntValue(BSTR bstrName, int* pValue) = 0;
  virtual HRESULT LoadIntArrayVar(BSTR bstrName, VARIANT* pOut) = 0;
  virtual HRESULT SaveFloatArray(BSTR bstrName, float* pArray, int nSize) = 0;
  virtual HRESULT LoadFloatArray(BSTR bstrName, int nMaxSize, float* pArray, int* pnSize) = 0;
  virtual HRESULT SaveFloatArray2D(BSTR bstrName, int nIdx, float* pArray, int nSize) = 0;
  virtual HRESULT LoadFloatArray2D(BSTR bstrName, int nIdx, int nMaxSize, float* pArray, int* pnSize) = 0;
  virtual HRESULT GetFloatArraySize(BSTR bstrName, int* pnSize) = 0;
  virtual HRESULT SaveStringArray(BSTR bstrName, BSTR* pArray, int nSize) = 0;
  virtual HRESULT LoadStringArray(BSTR bstrName, int nMaxSize, BSTR* pArray, int* pnSize) = 0;
  virtual HRESULT GetStringArraySize(BSTR bstrName, int* pnSize) = 0;
  virtual HRESULT SaveIntArray(BSTR bstrName, int* pArray, int nSize) = 0;
  virtual HRESULT LoadIntArray(BSTR bstrName, int nMaxSize, int* pArray, int* pnSize) = 0;
  virtual HRESULT GetIntArraySize(BSTR bstrName, int* pnSize) = 0;

protected:
  ~IVornPersist() = default;
};

PLATFORM_DEFINE_IID(IVornStringList, "04683199-10A1-4BD6-B145-305DD7D1F76F");
struct IVornStringList : IDispatch {
  virtual HRESULT GetCount(int* pnCount) = 0;
  virtual HRESULT GetAt(int nIdx, BSTR* pbstrVal) = 0;
  virtual HRESULT Add(BSTR bstrVal) = 0;
  virtual HRESULT RemoveAt(int nIdx) = 0;
  virtual HRESULT RemoveAll() = 0;

protected:
  ~IVornStringList() = default;
};

// Their dispatch tables come with the module interfaces, from the same
// type library description.
#include "vorn/interfaces/module.h"

#endif
