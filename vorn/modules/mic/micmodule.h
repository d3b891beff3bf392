// The microphone server's module class: the COM object the engine makes for
// a module of type "Microphone", with the engine's module object aggregated
// inside it, and its page class. The module forwards to its behaviour
// (microphonecore.h); the framework publishes the output's properties,
// which the behaviour writes, each time the device opens.
#ifndef VORN_MODULES_MIC_MICMODULE_H
#define VORN_MODULES_MIC_MICMODULE_H

#include "platform/com/com.h"
#include "vorn/modules/common/moduleserver.h"
#include "vorn/modules/mic/micpage.h"
#include "vorn/modules/mic/microphone.h"
#include "vorn/modules/mic/microphonecore.h"

namespace VornMic {

inline constexpr char16_t kTypeName[] = u"Microphone";

class ATL_NO_VTABLE MicrophoneModule
    : public CComObjectRootEx<CComMultiThreadModel>,
      public CComCoClass<MicrophoneModule, &CLSID_MicrophoneModule>,
      public IDispatchImpl<IMicrophoneModule, &IID_IMicrophoneModule, &LIBID_VORNMICMODULELib>,
      public VornModules::DerivedModuleBase {
public:
  DECLARE_CLASS_REGISTRATION("VornMicModule.MicrophoneModule.1", "VornMicModule.MicrophoneModule",
                             "MicrophoneModule Class")

  BEGIN_COM_MAP(MicrophoneModule)
    COM_INTERFACE_ENTRY(IMicrophoneModule)
    COM_INTERFACE_ENTRY2(IDispatch, IMicrophoneModule)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_pInner)
  END_COM_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

  // IMicrophoneModule; each works under the engine module's lock, as the
  // run thread reads the level and writes the energy in Run.
  HRESULT get_AudioLevel(float* pVal) override;
  HRESULT put_AudioLevel(float newVal) override;
  HRESULT get_CurrentAudioEnergy(float* pVal) override;
  HRESULT get_Enabled(VARIANT_BOOL* pVal) override;
  HRESULT put_Enabled(VARIANT_BOOL newVal) override;

  // IVornDerivedModule
  HRESULT Run() override;
  HRESULT Stop() override { return m_core.Stop(); }
  HRESULT Start() override { return m_core.Start(); }
  HRESULT Save(IDispatch* pVornPersist) override { return m_core.Save(pVornPersist); }
  HRESULT Load(IDispatch* pVornPersist) override { return m_core.Load(pVornPersist); }
  HRESULT Initialize() override;
  HRESULT Activate() override { return m_core.Activate(); }
  HRESULT Deactivate() override { return m_core.Deactivate(); }
  void OnOutputProperties(VornModules::PropertiesDocument& document, std::u16string_view name) override {
    m_core.WriteOutputProperties(document, name);
  }

  MicrophoneCore& Core() { return m_core; }

private:
  MicrophoneCore m_core;
};

// The page of this server's template 201, on this server's modules.
class MicrophoneModulePageDialog final : public MicrophonePageDialog {
public:
  MicrophoneModulePageDialog();

protected:
  MicrophoneCore* Core() override;
};

class ATL_NO_VTABLE MicrophoneModulePP : public VornModules::ModulePropertyPage,
                                         public CComCoClass<MicrophoneModulePP, &CLSID_MicrophoneModulePP> {
public:
  MicrophoneModulePP() : ModulePropertyPage(std::make_unique<MicrophoneModulePageDialog>()) {}
  DECLARE_CLASS_REGISTRATION("VornMicModule.MicrophoneModulePP.1", "VornMicModule.MicrophoneModulePP",
                             "MicrophoneModulePP Class")
};

}  // namespace VornMic

#endif
