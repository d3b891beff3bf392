#include "vorn/apps/automation/moduleext.h"

#include "platform/com/pointers.h"

namespace Vorn {

namespace {

// IDs of the server's members as the wrapper hands them out: far above the
// wrapper's own, and never one of the reserved negative IDs.
constexpr DISPID kServerIDs = 0x10000;

}  // namespace

HRESULT VornModuleExt::Wrap(IVornEngine* engine, IVornModuleLocal* module, IDispatch** wrapper) {
  if (wrapper == nullptr)
    return E_POINTER;
  *wrapper = nullptr;
  if (module == nullptr)
    return E_INVALIDARG;
  CComPtr<IVornModule> engineSide;
  CComPtr<IUnknown> identity;
  HRESULT hr = module->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&engineSide));
  if (SUCCEEDED(hr))
    hr = module->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
  if (FAILED(hr))
    return hr;
  CComObject<VornModuleExt>* made = nullptr;
  hr = CComObject<VornModuleExt>::CreateInstance(&made);
  if (FAILED(hr))
    return hr;
  made->AddRef();
  module->SetAggregate(made->GetUnknown());
  made->m_module = module;
  module->AddRef();
  made->m_engine = engine;
  *wrapper = static_cast<IVornModuleExt*>(made);
  return S_OK;
}

void VornModuleExt::FinalRelease() {
  if (m_module != nullptr) {
    // The module must not keep an address that is about to go.
    m_module->SetAggregate(nullptr);
    m_module->Release();
    m_module = nullptr;
  }
  m_engine.Release();
}

bool VornModuleExt::InEngine() const {
  if (m_module == nullptr || m_engine == nullptr)
    return false;
  int id = -1;
  m_module->GetID(&id);
  return id >= 0 && m_engine->GetModule(id) == m_module;
}

CComPtr<IDispatch> VornModuleExt::ServerDispatch() const {
  CComPtr<IDispatch> server;
  if (m_module != nullptr)
    m_module->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&server));
  return server;
}

// The wrapper's own members: the server's depend on the module and are
// described by the server's own library.
HRESULT VornModuleExt::GetTypeInfoCount(UINT* count) {
  if (count == nullptr)
    return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT VornModuleExt::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr)
    return E_POINTER;
  *info = nullptr;
  if (index != 0)
    return DISP_E_BADINDEX;
  return Platform::GetTypeInfoOf(LIBID_VORNAPPLib, 1, 0, Platform::ThisModule(), IID_IVornModuleExt, info);
}

HRESULT VornModuleExt::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  HRESULT hr =
      Platform::DispatchGetIDsOfNames(Platform::DispatchTable<IVornModuleExt>::Members(), iid, names, count, ids);
  if (hr != DISP_E_UNKNOWNNAME || count != 1)
    return hr;
  CComPtr<IDispatch> server = ServerDispatch();
  DISPID serverID = DISPID_UNKNOWN;
  if (server == nullptr || FAILED(server->GetIDsOfNames(iid, names, 1, lcid, &serverID)))
    return DISP_E_UNKNOWNNAME;
  CComObjectLockT<VornModuleExt> lock(this);
  std::size_t index = 0;
  while (index < m_serverIDs.size() && m_serverIDs[index] != serverID)
    ++index;
  if (index == m_serverIDs.size())
    m_serverIDs.push_back(serverID);
  ids[0] = kServerIDs + static_cast<DISPID>(index);
  return S_OK;
}

HRESULT VornModuleExt::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError) {
  if (id < kServerIDs)
    return Platform::DispatchInvoke(static_cast<IVornModuleExt*>(this),
                                    Platform::DispatchTable<IVornModuleExt>::Members(), id, iid, flags, params,
                                    result, exception, argumentError);
  DISPID serverID = DISPID_UNKNOWN;
  {
    CComObjectLockT<VornModuleExt> lock(this);
    std::size_t index = static_cast<std::size_t>(id - kServerIDs);
    if (index >= m_serverIDs.size())
      return DISP_E_MEMBERNOTFOUND;
    serverID = m_serverIDs[index];
  }
  CComPtr<IDispatch> server = ServerDispatch();
  if (server == nullptr)
    return DISP_E_MEMBERNOTFOUND;
  return server->Invoke(serverID, iid, lcid, flags, params, result, exception, argumentError);
}

// A wrapper made through its class object has no module until one is given
// to it; it answers E_UNEXPECTED meanwhile.
HRESULT VornModuleExt::get_Name(BSTR* name) { return m_module ? m_module->GetName(name) : E_UNEXPECTED; }
HRESULT VornModuleExt::put_Name(BSTR name) { return m_module ? m_module->SetName(name) : E_UNEXPECTED; }
HRESULT VornModuleExt::get_Type(BSTR* type) { return m_module ? m_module->GetType(type) : E_UNEXPECTED; }

HRESULT VornModuleExt::get_IsLocal(VARIANT_BOOL* local) {
  if (local == nullptr)
    return E_POINTER;
  if (m_module == nullptr)
    return E_UNEXPECTED;
  BOOL isLocal = FALSE;
  HRESULT hr = m_module->IsLocal(&isLocal);
  if (FAILED(hr))
    return hr;
  *local = isLocal ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT VornModuleExt::get_processor(BSTR* processor) {
  return m_module ? m_module->GetProcessor(processor) : E_UNEXPECTED;
}
// The module saves the new processor and starts or stops its server's work
// as it becomes local or not.
HRESULT VornModuleExt::put_processor(BSTR processor) {
  return InEngine() ? m_module->SetProcessor(processor, TRUE, TRUE) : E_UNEXPECTED;
}
HRESULT VornModuleExt::Save() { return InEngine() ? m_module->Save() : E_UNEXPECTED; }

}  // namespace Vorn
