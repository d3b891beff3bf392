#include "platform/com/objects.h"

namespace Platform {

HRESULT InternalQueryInterface(void* object, const InterfaceEntry* entries, REFIID iid, void** result) {
  if (result == nullptr)
    return E_POINTER;
  *result = nullptr;
  // Interfaces derive from IUnknown alone, so an interface pointer is also
  // its IUnknown.
  if (InlineIsEqualUnknown(iid)) {
    auto* unknown = static_cast<IUnknown*>(entries[0].cast(object));
    unknown->AddRef();
    *result = unknown;
    return S_OK;
  }
  for (const InterfaceEntry* entry = entries; entry->cast != nullptr || entry->inner != nullptr; ++entry) {
    if (entry->cast != nullptr) {
      if (*entry->iid == iid) {
        auto* unknown = static_cast<IUnknown*>(entry->cast(object));
        unknown->AddRef();
        *result = unknown;
        return S_OK;
      }
      continue;
    }
    if (entry->iid != nullptr && *entry->iid != iid)
      continue;
    IUnknown* inner = entry->inner(object);
    if (inner == nullptr)
      continue;
    HRESULT hr = inner->QueryInterface(iid, result);
    if (SUCCEEDED(hr) || entry->iid != nullptr)
      return hr;
    *result = nullptr;
  }
  return E_NOINTERFACE;
}

namespace {

class ATL_NO_VTABLE ClassFactory : public CComObjectRootEx<CComMultiThreadModel>, public IClassFactory {
public:
  BEGIN_COM_MAP(ClassFactory)
  COM_INTERFACE_ENTRY(IClassFactory)
  END_COM_MAP()

  void SetVoid(void* create) { m_create = reinterpret_cast<CreateInstanceFunction>(create); }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr)
      return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && !InlineIsEqualUnknown(iid))
      return CLASS_E_NOAGGREGATION;
    return m_create(outer, iid, object);
  }
  // Libraries are never unloaded, so there is nothing to keep loaded.
  HRESULT LockServer(BOOL) override { return S_OK; }

private:
  CreateInstanceFunction m_create = nullptr;
};

} // namespace

HRESULT CreateClassFactory(CreateInstanceFunction create, REFIID iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  if (create == nullptr)
    return E_INVALIDARG;
  // Class objects do not keep a library loaded.
  return CComCreator<CComObjectNoLock<ClassFactory>>::CreateInstance(reinterpret_cast<void*>(create), iid, object);
}

} // namespace Platform
