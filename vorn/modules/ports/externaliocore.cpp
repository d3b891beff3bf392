#include "vorn/modules/ports/externaliocore.h"

#include "platform/com/bstr.h"
#include "platform/com/pointers.h"
#include "platform/com/variant.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/ports/externalio.h"

namespace VornPorts {

namespace {

constexpr char16_t kDefault[] = u"Default";

void Check(HRESULT hr) {
  if (FAILED(hr))
    VornModules::ThrowComError(hr, IID_IVornModule);
}

} // namespace

// Holds the engine module's lock for a scope; a failing Lock or Unlock is
// raised as a COM error.
class ExternalIOCore::ModuleLock {
public:
  explicit ModuleLock(IVornModule* module) : m_module(module) {
    if (m_module == nullptr)
      VornModules::ThrowComError(E_UNEXPECTED, IID_IVornModule);
    Check(m_module->Lock());
  }
  ~ModuleLock() noexcept(false) {
    HRESULT hr = m_module->Unlock();
    if (std::uncaught_exceptions() == 0)
      Check(hr);
  }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;

private:
  IVornModule* m_module;
};

ExternalIOCore::ExternalIOCore(IVornModule* module)
    : m_module(module), m_doc(VornModules::PropertiesDocument::Create()) {
  VariantInit(&m_varInput);
  VariantInit(&m_varOutput);
}

ExternalIOCore::~ExternalIOCore() {
  VariantClear(&m_varInput);
  VariantClear(&m_varOutput);
}

HRESULT ExternalIOCore::Initialize() {
  if (m_module == nullptr)
    return E_UNEXPECTED;
  m_outProps = VornModules::kEmptyProperties;
  CComBSTR name(kDefault);
  Check(m_module->DefineInput(name, ctVariant, 0));
  Check(m_module->DefineOutput(name, ctVariant, 0));
  return S_OK;
}

std::u16string ExternalIOCore::InputPropertiesOf(BSTR input) {
  int count = 0;
  if (FAILED(m_module->GetMultipleInputCount(input, &count)) || count < 1) {
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_module->GetInputData(input, &data)) && data != nullptr && data->m_pbstrProperties != nullptr)
      return std::u16string(Platform::BstrView(*data->m_pbstrProperties));
    return {};
  }
  for (int i = 0; i < count; ++i) {
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_module->GetMultipleInputData(input, i, &data)) && data != nullptr &&
        data->m_pbstrProperties != nullptr && SysStringLen(*data->m_pbstrProperties) > 0)
      return std::u16string(Platform::BstrView(*data->m_pbstrProperties));
  }
  return {};
}

void ExternalIOCore::SetOutputPropertiesOf(BSTR output, const std::u16string& text) {
  VornConnectionData* data = nullptr;
  if (FAILED(m_module->GetOutputData(output, &data)) || data == nullptr || data->m_pbstrProperties == nullptr)
    return;
  SysFreeString(*data->m_pbstrProperties);
  *data->m_pbstrProperties = Platform::AllocBstr(std::u16string_view(text));
}

HRESULT ExternalIOCore::Run() {
  if (m_module == nullptr)
    return E_UNEXPECTED;
  CComBSTR name(kDefault);
  VARIANT_BOOL hasData = VARIANT_FALSE;
  Check(m_module->InputHasData(name, &hasData));
  if (hasData != VARIANT_FALSE) {
    VariantClear(&m_varInput);
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_module->GetInputData(name, &data)) && data != nullptr && data->m_Type == ctVariant &&
        data->m_pVariant != nullptr)
      VariantCopy(&m_varInput, data->m_pVariant);
    m_inProps = InputPropertiesOf(name);
    if (m_window != nullptr)
      PostMessage(m_window, VWM_NEW_DATA, 0, 0);
  }
  if (m_varOutput.vt != VT_EMPTY) {
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_module->GetOutputData(name, &data)) && data != nullptr && data->m_Type == ctVariant &&
        data->m_pVariant != nullptr)
      VariantCopy(data->m_pVariant, &m_varOutput);
    Check(m_module->SetOutputHasData(name));
    if (m_outProps != m_outPropsSent) {
      SetOutputPropertiesOf(name, m_outProps);
      m_outPropsSent = m_outProps;
    }
    VariantClear(&m_varOutput);
  }
  return S_OK;
}

HRESULT ExternalIOCore::GetData(VARIANT* data) {
  if (data == nullptr)
    return E_POINTER;
  // An out VARIANT arrives uninitialised: clearing it would free whatever
  // its bytes happen to point at.
  VariantInit(data);
  ModuleLock lock(m_module);
  return VariantCopy(data, &m_varInput);
}

HRESULT ExternalIOCore::SetData(const VARIANT& data) {
  ModuleLock lock(m_module);
  return VariantCopy(&m_varOutput, &data);
}

HRESULT ExternalIOCore::SetDataProperty(BSTR name, BSTR value) {
  ModuleLock lock(m_module);
  if (m_doc && m_doc->LoadXml(m_outProps)) {
    m_doc->WriteProperty(Platform::BstrView(name), Platform::BstrView(value));
    m_outProps = m_doc->Xml();
  }
  return S_OK;
}

HRESULT ExternalIOCore::GetDataProperty(BSTR name, BSTR* value) {
  if (value == nullptr)
    return E_POINTER;
  *value = nullptr;
  ModuleLock lock(m_module);
  if (m_doc && m_doc->LoadXml(m_inProps)) {
    const std::u16string text = m_doc->ReadProperty(Platform::BstrView(name));
    if (!text.empty()) {
      *value = Platform::AllocBstr(std::u16string_view(text));
      if (*value == nullptr)
        VornModules::ThrowComError(E_OUTOFMEMORY, IID_IVornExternalIOModule);
    }
  }
  return S_OK;
}

HRESULT ExternalIOCore::GetDataPropertyNames(VARIANT* names) {
  if (names == nullptr)
    return E_POINTER;
  VariantInit(names);
  std::vector<std::u16string> found;
  {
    ModuleLock lock(m_module);
    if (m_doc && m_doc->LoadXml(m_inProps))
      found = m_doc->PropertyNames();
  }
  SAFEARRAYBOUND bound{static_cast<ULONG>(found.size()), 0};
  SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
  if (array == nullptr)
    return E_OUTOFMEMORY;
  BSTR* slots = nullptr;
  HRESULT hr = SafeArrayAccessData(array, reinterpret_cast<void**>(&slots));
  if (SUCCEEDED(hr)) {
    for (std::size_t i = 0; i < found.size(); ++i)
      slots[i] = Platform::AllocBstr(std::u16string_view(found[i]));
    SafeArrayUnaccessData(array);
  }
  names->vt = VT_ARRAY | VT_BSTR;
  names->parray = array;
  return hr;
}

} // namespace VornPorts
