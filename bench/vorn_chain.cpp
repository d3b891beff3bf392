// The engine's cost per module and cycle: a chain of N pass-through modules
// moving a block of 128 floats, cycled by hand (RunAll, TransferAllOutputs)
// as a client of a slow engine does. Prints one line per chain length, the
// fastest of three runs, and then the process's peak resident memory:
//
//   modules cycles ns_per_cycle ns_per_module_cycle
//   peak_kb kilobytes
//
//   vorn_chain [cycles] [lengths...]
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/ui/messagebox.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/module.h"
#include "vorn/engine/workingdatabase.h"

namespace {

constexpr int kBlock = 128;

// A module that copies its input block to its output, or makes one when it
// is the head of the chain.
class ATL_NO_VTABLE PassModule : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<PassModule, &GUID_NULL>,
                                 public IDispatchImpl<IVornDerivedModule> {
public:
  DECLARE_NOT_AGGREGATABLE(PassModule)
  BEGIN_COM_MAP(PassModule)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&m_module));
    m_module->Release();
    return m_module->SetDerivedModule(GetControllingUnknown());
  }
  void FinalRelease() {
    if (m_inner)
      m_inner->Release();
  }

  HRESULT Initialize() override {
    m_module->DefineOutput(m_out, ctFloatArray, kBlock);
    m_module->DefineInput(m_in, ctFloatArray, kBlock);
    m_module->GetOutputData(m_out, &m_output);
    m_module->GetInputData(m_in, &m_input);
    return S_OK;
  }
  HRESULT Run() override {
    VARIANT_BOOL has = VARIANT_FALSE;
    m_module->InputHasData(m_in, &has);
    if (head) {
      for (int i = 0; i < kBlock; ++i)
        m_output->m_pFloatArray[i] = static_cast<float>(i);
      m_module->SetOutputHasData(m_out);
    } else if (has) {
      std::memcpy(m_output->m_pFloatArray, m_input->m_pFloatArray, kBlock * sizeof(float));
      m_module->SetOutputHasData(m_out);
    }
    return S_OK;
  }
  HRESULT Start() override { return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Save(IDispatch*) override { return S_OK; }
  HRESULT Load(IDispatch*) override { return S_OK; }
  HRESULT GetIcon(IDispatch** icon) override {
    *icon = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetHelpFileName(BSTR* path) override {
    *path = nullptr;
    return S_OK;
  }
  HRESULT GetModuleInfo(VornModuleInfo*) override { return S_OK; }
  HRESULT GetDebugBuildFlag(BOOL* debug) override {
    *debug = FALSE;
    return S_OK;
  }
  HRESULT Activate() override { return S_OK; }
  HRESULT Deactivate() override { return S_OK; }

  bool head = false;

private:
  IUnknown* m_inner = nullptr;
  IVornModule* m_module = nullptr;
  CComBSTR m_in{u"In"};
  CComBSTR m_out{u"Out"};
  VornConnectionData* m_input = nullptr;
  VornConnectionData* m_output = nullptr;
};

double NsPerCycle(int length, int cycles, const std::string& file) {
  CComObject<Vorn::VornEngine>* made = nullptr;
  CComObject<Vorn::VornEngine>::CreateInstance(&made);
  CComPtr<IVornEngine> engine(static_cast<IVornEngine*>(made));
  engine->SetWorkingFilePath(CComBSTR(file));
  engine->OpenDatabase();
  CComBSTR host;
  host.Attach(engine->GetHostName());
  for (int id = 0; id < length; ++id) {
    CComObject<PassModule>* server = nullptr;
    CComObject<PassModule>::CreateInstance(&server);
    server->head = id == 0;
    CComPtr<IUnknown> held(server->GetUnknown());
    CComQIPtr<IVornModuleLocal> module(held);
    module->SetEngine(engine);
    module->Initialize();
    module->SetID(id);
    module->SetProcessor(host, FALSE, TRUE);
    if (id + 1 < length)
      module->AddConnection(CComBSTR("Out"), id + 1, CComBSTR("In"));
    engine->AddNewModule(module);
  }
  engine->SetRunning(esSlow);
  auto cycle = [&] {
    engine->RunAll();
    int moved = 0;
    engine->TransferAllOutputs(&moved);
  };
  for (int i = 0; i < cycles / 10 + 1; ++i)
    cycle();
  // The fastest of three runs: the others met more of the machine's noise.
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < cycles; ++i)
      cycle();
    double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / cycles;
    if (run == 0 || ns < best)
      best = ns;
  }
  engine->SetRunning(esStop);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  int cycles = argc > 1 ? atoi(argv[1]) : 20000;
  std::vector<int> lengths;
  for (int i = 2; i < argc; ++i)
    lengths.push_back(atoi(argv[i]));
  if (lengths.empty())
    lengths = {1, 2, 4, 8, 16, 32, 64, 128, 256};
  char dir[] = "/tmp/vorn_chain.XXXXXX";
  if (mkdtemp(dir) == nullptr)
    return 1;
  std::string base = dir;
  setenv("PLATFORM_REGISTRY_FILE", (base + "/registry.sqlite").c_str(), 1);
  SetMessageSink([](const MessageBoxRequest&) { return IDOK; });
  std::string file = base + "/chain.vrn";
  for (int length : lengths) {
    Vorn::WorkingDatabase::CreateEmptyWorkingFile(file);
    double ns = NsPerCycle(length, cycles, file);
    std::printf("%d %d %.1f %.2f\n", length, cycles, ns, ns / length);
    unlink(file.c_str());
  }
  unlink((base + "/registry.sqlite").c_str());
  rmdir(dir);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak_kb %ld\n", usage.ru_maxrss);
  return 0;
}
