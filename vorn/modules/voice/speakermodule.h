// The speaker server's module class: the COM object the engine makes for a
// module of type "Speaker", with the engine's module object aggregated
// inside it, and its page class. The module forwards to its behaviour
// (speakercore.h) after letting the framework look at the input's
// connection properties, so that a new rate reaches the device before the
// cycle's samples do.
#ifndef VORN_MODULES_VOICE_SPEAKERMODULE_H
#define VORN_MODULES_VOICE_SPEAKERMODULE_H

#include "platform/com/com.h"
#include "vorn/modules/common/moduleserver.h"
#include "vorn/modules/voice/speaker.h"
#include "vorn/modules/voice/speakercore.h"
#include "vorn/modules/voice/speakerpage.h"

namespace VornVoice {

inline constexpr char16_t kTypeName[] = u"Speaker";

class ATL_NO_VTABLE SpeakerModule : public CComObjectRootEx<CComMultiThreadModel>,
                                    public CComCoClass<SpeakerModule, &CLSID_SpeakerModule>,
                                    public IDispatchImpl<ISpeakerModule, &IID_ISpeakerModule, &LIBID_VORNVOICEMODULELib>,
                                    public VornModules::DerivedModuleBase {
public:
  DECLARE_CLASS_REGISTRATION("VornVoiceModule.SpeakerModule.1", "VornVoiceModule.SpeakerModule",
                             "SpeakerModule Class")

  BEGIN_COM_MAP(SpeakerModule)
    COM_INTERFACE_ENTRY(ISpeakerModule)
    COM_INTERFACE_ENTRY2(IDispatch, ISpeakerModule)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_pInner)
  END_COM_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

  // ISpeakerModule; both work under the engine module's lock, as the run
  // thread may be in Run.
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
  void OnInputProperties(VornModules::PropertiesDocument& document, std::u16string_view name) override {
    m_core.OnInputProperties(document, name);
  }

  SpeakerCore& Core() { return m_core; }

private:
  SpeakerCore m_core;
};

// The page of this server's template 201, on this server's modules.
class SpeakerModulePageDialog final : public SpeakerPageDialog {
public:
  SpeakerModulePageDialog();

protected:
  SpeakerCore* Core() override;
};

class ATL_NO_VTABLE SpeakerModulePP : public VornModules::ModulePropertyPage,
                                      public CComCoClass<SpeakerModulePP, &CLSID_SpeakerModulePP> {
public:
  SpeakerModulePP() : ModulePropertyPage(std::make_unique<SpeakerModulePageDialog>()) {}
  DECLARE_CLASS_REGISTRATION("VornVoiceModule.SpeakerModulePP.1", "VornVoiceModule.SpeakerModulePP",
                             "SpeakerModulePP Class")
};

}  // namespace VornVoice

#endif
