#include "vorn/modules/mic/micmodule.h"

#include "platform/resources/module.h"

namespace VornMic {

namespace {

inline constexpr char16_t kDefault[] = u"Default";

}  // namespace

HRESULT MicrophoneModule::FinalConstruct() {
  const HRESULT hr = ConstructEngineModule(GetControllingUnknown(), kTypeName);
  if (FAILED(hr)) return hr;
  m_core.Attach(m_pModule);
  m_core.OnOpened([this] { PublishOutputProperties(kDefault); });
  return S_OK;
}

void MicrophoneModule::FinalRelease() {
  m_core.CloseDevice();
  m_core.OnOpened(nullptr);
  m_core.Attach(nullptr);
  ReleaseEngineModule();
}

HRESULT MicrophoneModule::get_AudioLevel(float* pVal) {
  if (pVal == nullptr) return E_POINTER;
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    VornModules::ModuleLock lock(m_pModule);
    *pVal = m_core.Level();
    return S_OK;
  });
}

HRESULT MicrophoneModule::put_AudioLevel(float newVal) {
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    VornModules::ModuleLock lock(m_pModule);
    return m_core.SetAudioLevel(newVal) ? S_OK : E_INVALIDARG;
  });
}

HRESULT MicrophoneModule::get_CurrentAudioEnergy(float* pVal) {
  if (pVal == nullptr) return E_POINTER;
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    VornModules::ModuleLock lock(m_pModule);
    *pVal = m_core.Energy();
    return S_OK;
  });
}

HRESULT MicrophoneModule::get_Enabled(VARIANT_BOOL* pVal) {
  if (pVal == nullptr) return E_POINTER;
  return VornModules::AnswerClientCall([&]() -> HRESULT {
    VornModules::ModuleLock lock(m_pModule);
    *pVal = m_core.Enabled() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
}

HRESULT MicrophoneModule::put_Enabled(VARIANT_BOOL newVal) {
  return VornModules::AnswerClientCall([&] { return m_core.PutEnabled(newVal); });
}

HRESULT MicrophoneModule::Initialize() {
  if (m_pModule == nullptr) return E_UNEXPECTED;
  CComQIPtr<IVornModuleCPP> pages(m_pModule);
  if (!pages) VornModules::ThrowComError(E_NOINTERFACE, IID_IVornModuleCPP);
  const HRESULT hr = pages->AddPropertyPage(CLSID_MicrophoneModulePP, FALSE);
  if (FAILED(hr)) VornModules::ThrowComError(hr, IID_IVornModuleCPP);
  m_strAuthor = "Corvanth";
  m_strDescription = "Microphone input.";
  return m_core.Initialize();
}

HRESULT MicrophoneModule::Run() {
  // The module has no input: nothing arrives, but the rule is the same for
  // every module.
  CheckInputProperties(kDefault);
  return m_core.Run();
}

MicrophoneModulePageDialog::MicrophoneModulePageDialog() : MicrophonePageDialog(Platform::ThisModule()) {}

MicrophoneCore* MicrophoneModulePageDialog::Core() {
  // The page's module is the IMicrophoneModule that only this server's
  // module class answers: page and module share the library.
  auto* module = static_cast<IMicrophoneModule*>(static_cast<void*>(Module()));
  return module != nullptr ? &static_cast<MicrophoneModule*>(module)->Core() : nullptr;
}

}  // namespace VornMic
