// The engine server's three small classes: the registrar module servers
// register their types through, the storage object a server's Save and Load
// write through, and the list of texts several engine calls answer.
#ifndef VORN_ENGINE_REGISTRAROBJECTS_H
#define VORN_ENGINE_REGISTRAROBJECTS_H

#include <string>
#include <vector>

#include "platform/com/com.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/registrar.h"

namespace Vorn {

class ATL_NO_VTABLE VornModuleRegistrar : public CComObjectRootEx<CComMultiThreadModel>,
                                          public CComCoClass<VornModuleRegistrar, &CLSID_VornModuleRegistrar>,
                                          public IDispatchImpl<IVornModuleRegistrar, &IID_IVornModuleRegistrar, &LIBID_VORNENGINEHOSTLib> {
public:
  DECLARE_NOT_AGGREGATABLE(VornModuleRegistrar)
  DECLARE_CLASS_REGISTRATION("VornEngineHost.VornModuleRegistrar.1", "VornEngineHost.VornModuleRegistrar",
                             "VornModuleRegistrar Class")
  BEGIN_COM_MAP(VornModuleRegistrar)
    COM_INTERFACE_ENTRY(IVornModuleRegistrar)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  HRESULT RegisterModule(BSTR bstrModuleType, CLSID clsid) override;
  HRESULT UnRegisterModule(BSTR bstrModuleType) override;
};

class ATL_NO_VTABLE VornPersist : public CComObjectRootEx<CComMultiThreadModel>,
                                  public CComCoClass<VornPersist, &CLSID_VornPersist>,
                                  public IDispatchImpl<IVornPersist, &IID_IVornPersist, &LIBID_VORNENGINEHOSTLib> {
public:
  DECLARE_NOT_AGGREGATABLE(VornPersist)
  DECLARE_CLASS_REGISTRATION("VornEngineHost.VornPersist.1", "VornEngineHost.VornPersist", "VornPersist Class")
  BEGIN_COM_MAP(VornPersist)
    COM_INTERFACE_ENTRY(IVornPersist)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  // Set by the module object right after creation; module ID -1 names the
  // model's own values. The engine is kept alive as long as this object.
  void Attach(IVornEngine* engine, int moduleId) {
    m_engine = engine;
    m_moduleId = moduleId;
  }

  HRESULT LoadStringValue(BSTR bstrName, BSTR* pbstrValue) override;
  HRESULT SaveStringValue(BSTR bstrName, BSTR bstrValue) override;
  HRESULT LoadFloatValue(BSTR bstrName, float* pfValue) override;
  HRESULT SaveFloatValue(BSTR bstrName, float fValue) override;
  HRESULT LoadFloatArrayVar(BSTR bstrName, VARIANT* pOut) override;
  HRESULT LoadStringArrayVar(BSTR bstrName, VARIANT* pOut) override;
  HRESULT SaveArrayVar(BSTR bstrName, VARIANT varArray) override;
  HRESULT SaveIntValue(BSTR bstrName, int nValue) override;
  HRESULT LoadIntValue(BSTR bstrName, int* pValue) override;
  HRESULT LoadIntArrayVar(BSTR bstrName, VARIANT* pOut) override;
  HRESULT SaveFloatArray(BSTR bstrName, float* pArray, int nSize) override;
  HRESULT LoadFloatArray(BSTR bstrName, int nMaxSize, float* pArray, int* pnSize) override;
  HRESULT SaveFloatArray2D(BSTR bstrName, int nIdx, float* pArray, int nSize) override;
  HRESULT LoadFloatArray2D(BSTR bstrName, int nIdx, int nMaxSize, float* pArray, int* pnSize) override;
  HRESULT GetFloatArraySize(BSTR bstrName, int* pnSize) override;
  HRESULT SaveStringArray(BSTR bstrName, BSTR* pArray, int nSize) override;
  HRESULT LoadStringArray(BSTR bstrName, int nMaxSize, BSTR* pArray, int* pnSize) override;
  HRESULT GetStringArraySize(BSTR bstrName, int* pnSize) override;
  HRESULT SaveIntArray(BSTR bstrName, int* pArray, int nSize) override;
  HRESULT LoadIntArray(BSTR bstrName, int nMaxSize, int* pArray, int* pnSize) override;
  HRESULT GetIntArraySize(BSTR bstrName, int* pnSize) override;

private:
  CComPtr<IVornEngine> m_engine;
  int m_moduleId = -1;
};

class ATL_NO_VTABLE VornStringList : public CComObjectRootEx<CComMultiThreadModel>,
                                     public CComCoClass<VornStringList, &CLSID_VornStringList>,
                                     public IDispatchImpl<IVornStringList, &IID_IVornStringList, &LIBID_VORNENGINEHOSTLib> {
public:
  DECLARE_NOT_AGGREGATABLE(VornStringList)
  DECLARE_CLASS_REGISTRATION("VornEngineHost.VornStringList.1", "VornEngineHost.VornStringList",
                             "VornStringList Class")
  BEGIN_COM_MAP(VornStringList)
    COM_INTERFACE_ENTRY(IVornStringList)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  HRESULT GetCount(int* pnCount) override;
  HRESULT GetAt(int nIdx, BSTR* pbstrVal) override;
  HRESULT Add(BSTR bstrVal) override;
  HRESULT RemoveAt(int nIdx) override;
  HRESULT RemoveAll() override;

private:
  bool InRange(int index) const { return index >= 0 && static_cast<std::size_t>(index) < m_texts.size(); }
  std::vector<std::string> m_texts;
};

} // namespace Vorn

#endif
