#include "vorn/modules/ports/externaliomodule.h"

#include <new>

#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "vorn/interfaces/registrar.h"

namespace VornPorts {

namespace {

constexpr char16_t kDefault[] = u"Default";

void Check(HRESULT hr, REFIID iid = IID_IVornModule) {
  if (FAILED(hr))
    VornModules::ThrowComError(hr, iid);
}

// Save and Load store nothing, but the object they are given must be the
// engine's value storage.
HRESULT CheckPersist(IDispatch* persist) {
  if (persist == nullptr)
    return S_OK;
  IUnknown* storage = nullptr;
  const HRESULT hr = persist->QueryInterface(IID_IVornPersist, reinterpret_cast<void**>(&storage));
  if (storage != nullptr)
    storage->Release();
  if (FAILED(hr) && hr != E_NOINTERFACE)
    Check(hr, IID_IVornPersist);
  return S_OK;
}

} // namespace

VornExternalIOModule::VornExternalIOModule() : m_window([this] { FireNewDataAvailable(); }) {
  VariantInit(&m_varInput);
  VariantInit(&m_varOutput);
}

VornExternalIOModule::~VornExternalIOModule() {
  VariantClear(&m_varInput);
  VariantClear(&m_varOutput);
}

HRESULT VornExternalIOModule::FinalConstruct() {
  const HRESULT hr = ConstructEngineModule(GetControllingUnknown(), kTypeName);
  if (FAILED(hr))
    return hr;
  return m_window.Create();
}

void VornExternalIOModule::FinalRelease() { ReleaseEngineModule(); }

HRESULT VornExternalIOModule::Initialize() {
  if (m_pModule == nullptr)
    return E_UNEXPECTED;
  m_strAuthor = "Corvanth";
  m_strDescription = "Defines an access point for external application I/O";
  m_strOutProps = VornModules::kEmptyProperties;
  CComBSTR name(kDefault);
  Check(m_pModule->DefineInput(name, ctVariant, 0));
  Check(m_pModule->DefineOutput(name, ctVariant, 0));
  return S_OK;
}

HRESULT VornExternalIOModule::Save(IDispatch* pVornPersist) { return CheckPersist(pVornPersist); }
HRESULT VornExternalIOModule::Load(IDispatch* pVornPersist) { return CheckPersist(pVornPersist); }

HRESULT VornExternalIOModule::Run() {
  if (m_pModule == nullptr)
    return E_UNEXPECTED;
  CComBSTR name(kDefault);
  VARIANT_BOOL hasData = VARIANT_FALSE;
  Check(m_pModule->InputHasData(name, &hasData));
  if (hasData != VARIANT_FALSE) {
    VariantClear(&m_varInput);
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_pModule->GetInputData(name, &data)) && data != nullptr && data->m_Type == ctVariant &&
        data->m_pVariant != nullptr)
      VariantCopy(&m_varInput, data->m_pVariant);
    m_strInProps = GetInputProperties(kDefault);
    if (!m_eventPending.exchange(true) && !PostMessage(m_window.Handle(), VWM_NEW_DATA, 0, 0))
      m_eventPending = false;
  }
  if (m_varOutput.vt != VT_EMPTY) {
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_pModule->GetOutputData(name, &data)) && data != nullptr && data->m_Type == ctVariant &&
        data->m_pVariant != nullptr)
      VariantCopy(data->m_pVariant, &m_varOutput);
    Check(m_pModule->SetOutputHasData(name));
    if (m_strOutProps != m_strOutPropsSent) {
      SetOutputProperties(kDefault, m_strOutProps);
      m_strOutPropsSent = m_strOutProps;
    }
    VariantClear(&m_varOutput);
  }
  return S_OK;
}

HRESULT VornExternalIOModule::GetData(VARIANT* pVarData) {
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    if (pVarData == nullptr)
      return E_POINTER;
    // An out VARIANT arrives uninitialised: clearing it would free whatever
    // its bytes happen to point at.
    VariantInit(pVarData);
    VornModules::ModuleLock lock(m_pModule);
    return VariantCopy(pVarData, &m_varInput);
  });
}

HRESULT VornExternalIOModule::SetData(VARIANT VarData) {
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    VornModules::ModuleLock lock(m_pModule);
    return VariantCopy(&m_varOutput, &VarData);
  });
}

HRESULT VornExternalIOModule::SetDataProperty(BSTR name, BSTR value) {
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    VornModules::ModuleLock lock(m_pModule);
    if (m_pXmlDoc && m_pXmlDoc->LoadXml(m_strOutProps)) {
      m_pXmlDoc->WriteProperty(Platform::BstrView(name), Platform::BstrView(value));
      m_strOutProps = m_pXmlDoc->Xml();
    }
    return S_OK;
  });
}

HRESULT VornExternalIOModule::GetDataProperty(BSTR name, BSTR* pValue) {
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    if (pValue == nullptr)
      return E_POINTER;
    *pValue = nullptr;
    VornModules::ModuleLock lock(m_pModule);
    if (m_pXmlDoc && m_pXmlDoc->LoadXml(m_strInProps)) {
      const std::u16string text = m_pXmlDoc->ReadProperty(Platform::BstrView(name));
      if (!text.empty()) {
        *pValue = Platform::AllocBstr(std::u16string_view(text));
        if (*pValue == nullptr)
          VornModules::ThrowComError(E_OUTOFMEMORY, IID_IVornExternalIOModule);
      }
    }
    return S_OK;
  });
}

HRESULT VornExternalIOModule::GetDataPropertyNames(VARIANT* Names) {
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    if (Names == nullptr)
      return E_POINTER;
    VariantInit(Names);
    std::vector<std::u16string> found;
    {
      VornModules::ModuleLock lock(m_pModule);
      if (m_pXmlDoc && m_pXmlDoc->LoadXml(m_strInProps))
        found = m_pXmlDoc->PropertyNames();
    }
    SAFEARRAYBOUND bound{static_cast<ULONG>(found.size()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
    if (array == nullptr)
      return E_OUTOFMEMORY;
    BSTR* slots = nullptr;
    const HRESULT hr = SafeArrayAccessData(array, reinterpret_cast<void**>(&slots));
    if (SUCCEEDED(hr)) {
      for (std::size_t i = 0; i < found.size(); ++i)
        slots[i] = Platform::AllocBstr(std::u16string_view(found[i]));
      SafeArrayUnaccessData(array);
    }
    Names->vt = VT_ARRAY | VT_BSTR;
    Names->parray = array;
    return hr;
  });
}

void VornExternalIOModule::FireNewDataAvailable() {
  // Cleared first, so that a value arriving while the sinks run is told of
  // by an event of its own.
  m_eventPending = false;
  // A sink may drop the client's last reference to the module.
  CComPtr<IUnknown> keepAlive(GetControllingUnknown());
  const int count = m_vec.GetSize();
  for (int i = 0; i < count; ++i) {
    Lock();
    IUnknown* sink = m_vec.GetAt(i);
    if (sink != nullptr)
      sink->AddRef();
    Unlock();
    if (sink == nullptr)
      continue;
    DISPPARAMS none{};
    static_cast<IDispatch*>(sink)->Invoke(DISPID_NewDataAvailable, IID_NULL, 0x400, DISPATCH_METHOD, &none, nullptr,
                                          nullptr, nullptr);
    sink->Release();
  }
}

} // namespace VornPorts
