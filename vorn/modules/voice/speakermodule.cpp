#include "vorn/modules/voice/speakermodule.h"

#include "platform/resources/module.h"

namespace VornVoice {

HRESULT SpeakerModule::FinalConstruct() {
  const HRESULT hr = ConstructEngineModule(GetControllingUnknown(), kTypeName);
  if (FAILED(hr)) return hr;
  m_core.Attach(m_pModule);
  return S_OK;
}

void SpeakerModule::FinalRelease() {
  m_core.CloseDevice();
  m_core.Attach(nullptr);
  ReleaseEngineModule();
}

HRESULT SpeakerModule::get_Enabled(VARIANT_BOOL* pVal) {
  if (pVal == nullptr) return E_POINTER;
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    *pVal = m_core.Enabled() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
}

HRESULT SpeakerModule::put_Enabled(VARIANT_BOOL newVal) {
  return VornModules::AnswerClientCall([&] { return m_core.PutEnabled(newVal); });
}

HRESULT SpeakerModule::Initialize() {
  if (m_pModule == nullptr) return E_UNEXPECTED;
  CComQIPtr<IVornModuleCPP> pages(m_pModule);
  if (!pages) VornModules::ThrowComError(E_NOINTERFACE, IID_IVornModuleCPP);
  const HRESULT hr = pages->AddPropertyPage(CLSID_SpeakerModulePP, FALSE);
  if (FAILED(hr)) VornModules::ThrowComError(hr, IID_IVornModuleCPP);
  m_strAuthor = "Corvanth";
  m_strDescription = "Routes a signal to the computers sound card.";
  return m_core.Initialize();
}

HRESULT SpeakerModule::Run() {
  CheckInputProperties(kDefault);
  return m_core.Run();
}

SpeakerModulePageDialog::SpeakerModulePageDialog() : SpeakerPageDialog(Platform::ThisModule()) {}

SpeakerCore* SpeakerModulePageDialog::Core() {
  // The page's module is the ISpeakerModule that only this server's module
  // class answers: page and module share the library.
  auto* module = static_cast<ISpeakerModule*>(static_cast<void*>(Module()));
  return module != nullptr ? &static_cast<SpeakerModule*>(module)->Core() : nullptr;
}

}  // namespace VornVoice
