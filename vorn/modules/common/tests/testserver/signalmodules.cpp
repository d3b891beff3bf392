// The test source and sink, built as two servers from this file (TEST_SOURCE
// set or not): the type "TestSource" counts its cycles onto every value of
// its output "Out", keeps its count with the module and announces
// kSourceProperties on "Out" at each start; the type "TestSink" takes blocks
// on its input "In" and does nothing with them.
#include "vorn/interfaces/registrar.h"
#include "vorn/modules/common/moduleserver.h"
#include "vorn/modules/common/tests/testserver/signalmodules.h"

namespace {

#if TEST_SOURCE
#define TEST_CLSID CLSID_TestSourceModule
#define TEST_LIBID LIBID_VORNTESTSOURCELib
#define TEST_TYPE u"TestSource"
#define TEST_PROGID "VornTestSource.TestSourceModule"
#else
#define TEST_CLSID CLSID_TestSinkModule
#define TEST_LIBID LIBID_VORNTESTSINKLib
#define TEST_TYPE u"TestSink"
#define TEST_PROGID "VornTestSink.TestSinkModule"
#endif

constexpr int kBlock = 4;
constexpr char16_t kSourceProperties[] = u"<?xml version='1.0'?><PROPS><Type>Audio</Type></PROPS>";

class SignalModule : public VornModules::DerivedModuleBase,
                     public CComObjectRootEx<CComSingleThreadModel>,
                     public CComCoClass<SignalModule, &TEST_CLSID> {
public:
  DECLARE_CLASS_REGISTRATION(TEST_PROGID ".1", TEST_PROGID, "Test signal module Class")

  BEGIN_COM_MAP(SignalModule)
    COM_INTERFACE_ENTRY2(IDispatch, IVornDerivedModule)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_pInner)
  END_COM_MAP()

  HRESULT FinalConstruct() { return ConstructEngineModule(GetControllingUnknown(), TEST_TYPE); }
  void FinalRelease() { ReleaseEngineModule(); }

  HRESULT Initialize() override {
    m_strAuthor = "Vorn tests";
    m_strDescription = TEST_SOURCE ? "Counts its cycles." : "Takes its input.";
    return TEST_SOURCE ? m_pModule->DefineOutput(CComBSTR("Out"), ctFloatArray, kBlock)
                       : m_pModule->DefineInput(CComBSTR("In"), ctFloatArray, kBlock);
  }
  HRESULT Start() override {
    if (TEST_SOURCE)
      SetOutputProperties(u"Out", kSourceProperties);
    return S_OK;
  }
  HRESULT Stop() override { return S_OK; }
  HRESULT Run() override {
    if (!TEST_SOURCE)
      return S_OK;
    VornModules::ModuleLock lock(m_pModule);
    VornConnectionData* out = nullptr;
    if (FAILED(m_pModule->GetOutputData(CComBSTR("Out"), &out)))
      return E_FAIL;
    m_count += 1.0f;
    for (int i = 0; i < kBlock; ++i)
      out->m_pFloatArray[i] = m_count;
    return m_pModule->SetOutputHasData(CComBSTR("Out"));
  }
  HRESULT Save(IDispatch* pVornPersist) override {
    CComQIPtr<IVornPersist> persist(pVornPersist);
    if (!persist)
      return E_NOINTERFACE;
    return TEST_SOURCE ? persist->SaveFloatValue(CComBSTR("Count"), m_count) : S_OK;
  }
  HRESULT Load(IDispatch* pVornPersist) override {
    CComQIPtr<IVornPersist> persist(pVornPersist);
    if (!persist)
      return E_NOINTERFACE;
    return TEST_SOURCE ? persist->LoadFloatValue(CComBSTR("Count"), &m_count) : S_OK;
  }

private:
  float m_count = 0.0f;
};

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(TEST_CLSID, SignalModule)
END_OBJECT_MAP()

}  // namespace

VORN_MODULE_SERVER(ObjectMap, TEST_LIBID, TEST_TYPE, TEST_CLSID)
