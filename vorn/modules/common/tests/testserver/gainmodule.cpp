// A module server for tests, built as the real servers are: the type
// "TestGain" multiplies the block on its input "In" by its stored "Gain"
// and sends it on its output "Out". The properties of "In" reach "Out",
// marked <Gained>yes</Gained>, in the cycle that brings them.
#include <vector>

#include "vorn/interfaces/registrar.h"
#include "vorn/modules/common/moduleserver.h"
#include "vorn/modules/common/tests/testserver/gainmodule.h"

namespace {

class GainModule : public IDispatchImpl<ITestGainModule>,
                   public VornModules::DerivedModuleBase,
                   public CComObjectRootEx<CComSingleThreadModel>,
                   public CComCoClass<GainModule, &CLSID_TestGainModule> {
public:
  DECLARE_CLASS_REGISTRATION("VornTestModule.TestGainModule.1", "VornTestModule.TestGainModule",
                             "TestGainModule Class")

  BEGIN_COM_MAP(GainModule)
    COM_INTERFACE_ENTRY(ITestGainModule)
    COM_INTERFACE_ENTRY2(IDispatch, ITestGainModule)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_pInner)
  END_COM_MAP()

  HRESULT FinalConstruct() { return ConstructEngineModule(GetControllingUnknown(), u"TestGain"); }
  void FinalRelease() { ReleaseEngineModule(); }

  HRESULT Initialize() override {
    m_strAuthor = "Vorn tests";
    m_strDescription = "Multiplies its input by a gain.";
    HRESULT hr = m_pModule->DefineInput(CComBSTR("In"), ctFloatArray, kBlock);
    if (SUCCEEDED(hr))
      hr = m_pModule->DefineOutput(CComBSTR("Out"), ctFloatArray, kBlock);
    return hr;
  }
  HRESULT Start() override { return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Run() override {
    VornModules::ModuleLock lock(m_pModule);
    VornConnectionData* in = nullptr;
    VornConnectionData* out = nullptr;
    CheckInputProperties(u"In");
    VARIANT_BOOL hasData = VARIANT_FALSE;
    if (FAILED(m_pModule->InputHasData(CComBSTR("In"), &hasData)) || hasData == VARIANT_FALSE)
      return S_OK;
    if (FAILED(m_pModule->GetInputData(CComBSTR("In"), &in)) ||
        FAILED(m_pModule->GetOutputData(CComBSTR("Out"), &out)))
      return E_FAIL;
    for (int i = 0; i < kBlock; ++i)
      out->m_pFloatArray[i] = in->m_pFloatArray[i] * m_gain;
    return m_pModule->SetOutputHasData(CComBSTR("Out"));
  }
  HRESULT Save(IDispatch* pVornPersist) override {
    CComQIPtr<IVornPersist> persist(pVornPersist);
    return persist ? persist->SaveFloatValue(CComBSTR("Gain"), m_gain) : E_NOINTERFACE;
  }
  HRESULT Load(IDispatch* pVornPersist) override {
    CComQIPtr<IVornPersist> persist(pVornPersist);
    return persist ? persist->LoadFloatValue(CComBSTR("Gain"), &m_gain) : E_NOINTERFACE;
  }

  HRESULT get_Gain(float* pVal) override {
    if (pVal == nullptr)
      return E_POINTER;
    *pVal = m_gain;
    return S_OK;
  }
  HRESULT put_Gain(float newVal) override {
    m_gain = newVal;
    return m_pModule->put_DirtyFlag(VARIANT_TRUE);
  }

protected:
  // The input and output differ in name, so the takeover is this type's own.
  void OnInputProperties(VornModules::PropertiesDocument& document, std::u16string_view) override {
    document.WriteProperty(u"Gained", u"yes");
    SetOutputProperties(u"Out", document.Xml());
  }

private:
  static constexpr int kBlock = 4;
  float m_gain = 1.0f;
};

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_TestGainModule, GainModule)
END_OBJECT_MAP()

}  // namespace

VORN_MODULE_SERVER(ObjectMap, LIBID_VORNTESTMODULELib, u"TestGain", CLSID_TestGainModule)
