#include "vorn/apps/automation/application.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/text.h"
#include "platform/kernel/kernel.h"
#include "platform/resources/module.h"
#include "platform/resources/resources.h"
#include "platform/ui/window.h"
#include "vorn/apps/automation/moduleext.h"
#include "vorn/interfaces/registrar.h"
#include "vorn/support/modulehelpers.h"

namespace Vorn {

namespace {

constexpr const char* kTimerWindowClass = "VornAppTimerWindow";
constexpr UINT_PTR kIdleTimer = 0;
constexpr UINT kIdlePeriodMs = 100;
// The engine is made wherever its class is served: in-process or by a handler,
// locally or remotely.
constexpr DWORD kEngineContext = 0x17;
constexpr int kSyncTimeoutMs = 5000;
constexpr const char* kLocalProcessor = "<Local>";

std::string Text(BSTR text) { return Platform::BstrToUtf8(text); }

// Takes a BSTR that the engine answered directly.
std::string TakeText(BSTR text) {
  std::string result = Platform::BstrToUtf8(text);
  SysFreeString(text);
  return result;
}

bool SameName(const std::string& a, const std::string& b) { return Platform::EqualsIgnoringAsciiCase(a, b); }

int IDOf(IVornModuleLocal* module) {
  int id = -1;
  module->GetID(&id);
  return id;
}

bool IsLocal(IVornModuleLocal* module) {
  BOOL local = FALSE;
  return SUCCEEDED(module->IsLocal(&local)) && local != FALSE;
}

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kIdleTimer) {
    auto* app = reinterpret_cast<VornApp*>(GetWindowLongPtr(window, GWLP_USERDATA));
    if (app != nullptr)
      app->OnTimer();
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

// The library's window class, registered by the first object of a module.
bool RegisterTimerWindowClass(HINSTANCE module) {
  WNDCLASS windowClass{};
  windowClass.lpfnWndProc = TimerWindowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kTimerWindowClass;
  return RegisterClass(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool WriteWorkingFileTemplate(HINSTANCE module, const std::string& path) {
  HRSRC resource = FindResource(module, MAKEINTRESOURCE(kWorkingFileTemplateID), kWorkingFileTemplateType);
  if (resource == nullptr)
    return false;
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
  DWORD size = SizeofResource(module, resource);
  if (bytes == nullptr || size == 0)
    return false;
  std::error_code error;
  if (std::filesystem::exists(path, error))
    return false;
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file && file.write(bytes, size) && file.flush())
      return true;
  }
  // A half-written file would be taken for a working file by the next open.
  std::filesystem::remove(path, error);
  return false;
}

// ---- Lifetime and the idle timer ------------------------------------------------------

HRESULT VornApp::FinalConstruct() {
  HINSTANCE module = Platform::ThisModule();
  if (RegisterTimerWindowClass(module)) {
    m_window = CreateWindowEx(0, kTimerWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, nullptr);
    if (m_window != nullptr) {
      SetWindowLongPtr(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      SetTimer(m_window, kIdleTimer, kIdlePeriodMs, nullptr);
    }
  }
  HRESULT hr = CoCreateInstance(CLSID_VornEngine, nullptr, kEngineContext, IID_IVornEngine,
                                reinterpret_cast<void**>(&m_engine));
  if (SUCCEEDED(hr))
    m_engine->QueryInterface(IID_IVornModuleIndex, reinterpret_cast<void**>(&m_index));
  return hr;
}

void VornApp::FinalRelease() {
  if (m_window != nullptr) {
    KillTimer(m_window, kIdleTimer);
    DestroyWindow(m_window);
    m_window = nullptr;
  }
  m_index.Release();
  m_engine.Release();
}

void VornApp::OnTimer() {
  if (m_engine)
    m_engine->OnIdle(1);
}

void VornApp::PumpMessages() {
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the thread's own loop, which ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
}

// The thread's messages are handled while waiting, so that the idle timer
// and whatever else is posted to this thread go on during a script's wait.
HRESULT VornApp::Wait(float milliseconds) {
  LARGE_INTEGER frequency{}, start{}, now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const double ticks = static_cast<double>(milliseconds) * static_cast<double>(frequency.QuadPart) / 1000.0;
  for (;;) {
    m_engine->OnIdle(1);
    PumpMessages();
    QueryPerformanceCounter(&now);
    // Also ends a wait for a negative or undefined time.
    if (!(static_cast<double>(now.QuadPart - start.QuadPart) < ticks))
      break;
    Sleep(1);
  }
  return S_OK;
}

// ---- The working file -----------------------------------------------------------------

HRESULT VornApp::OpenFile(BSTR fileName) {
  const std::string path = Text(fileName);
  if (path.empty())
    return E_FAIL;
  std::error_code error;
  if (!std::filesystem::exists(path, error))
    WriteWorkingFileTemplate(Platform::ThisModule(), path);
  if (!std::filesystem::exists(path, error))
    return E_FAIL;
  m_engine->SetRunning(esStop);
  m_engine->CloseDatabase(FALSE);
  m_engine->SetWorkingFilePath(fileName);
  // A file that is not a working file is reported, not taken for an empty model.
  return m_engine->OpenDatabase();
}

HRESULT VornApp::SaveAll() { return m_engine->SaveAll(); }

HRESULT VornApp::GetWorkingFilePath(BSTR* path) {
  if (path == nullptr)
    return E_POINTER;
  *path = m_engine->GetWorkingFilePath();
  return S_OK;
}

HRESULT VornApp::Step() { return m_engine->Step(); }

// ---- Modules by name ------------------------------------------------------------------

// The engine's own lookup compares as the walk of the collection would,
// the highest ID winning, without asking every module for its name.
IVornModuleLocal* VornApp::Find(BSTR moduleName) const { return m_engine->FindModule(moduleName); }

std::vector<IVornModuleLocal*> VornApp::PresentModules() const {
  std::vector<IVornModuleLocal*> modules;
  if (m_index) {
    const int count = m_index->GetPresentModuleCount();
    for (int at = 0; at < count; ++at)
      if (IVornModuleLocal* module = m_index->GetPresentModule(at))
        modules.push_back(module);
    return modules;
  }
  const int slots = m_engine->GetModuleCount();
  for (int id = 0; id < slots; ++id)
    if (IVornModuleLocal* module = m_engine->GetModule(id))
      modules.push_back(module);
  return modules;
}

HRESULT VornApp::FindModule(BSTR moduleName, IDispatch** module) {
  if (module == nullptr)
    return E_POINTER;
  *module = nullptr;
  IVornModuleLocal* found = Find(moduleName);
  return found != nullptr ? VornModuleExt::Wrap(m_engine, found, module) : S_OK;
}

HRESULT VornApp::AddModule(BSTR moduleType, BSTR moduleName, BSTR processor, IDispatch** module) {
  if (Find(moduleName) == nullptr) {
    CComPtr<IVornModuleLocal> created;
    HRESULT hr = m_engine->CreateModule(moduleType, &created);
    if (FAILED(hr))
      return hr;
    if (created == nullptr)
      return E_FAIL;
    created->SetID(m_engine->GetNewModuleID());
    CComBSTR runsOn(processor);
    if (Text(processor).empty())
      runsOn = m_engine->IsMachineLocal() ? CComBSTR(kLocalProcessor) : CComBSTR(TakeText(m_engine->GetHostName()));
    created->SetName(moduleName);
    created->SetProcessor(runsOn, FALSE, TRUE);
    hr = m_engine->AddNewModule(created);
    if (FAILED(hr))
      return hr;
  }
  return module != nullptr ? FindModule(moduleName, module) : S_OK;
}

HRESULT VornApp::RemoveModule(BSTR moduleName) {
  IVornModuleLocal* found = Find(moduleName);
  return found != nullptr ? m_engine->RemoveModule(IDOf(found)) : S_OK;
}

HRESULT VornApp::get_Modules(LONG index, IDispatch** module) {
  if (module == nullptr)
    return E_POINTER;
  *module = nullptr;
  IVornModuleLocal* present = nullptr;
  if (m_index) {
    present = m_index->GetPresentModule(index);
  } else if (index >= 0) {
    std::vector<IVornModuleLocal*> modules = PresentModules();
    if (static_cast<std::size_t>(index) < modules.size())
      present = modules[static_cast<std::size_t>(index)];
  }
  return present != nullptr ? VornModuleExt::Wrap(m_engine, present, module) : E_INVALIDARG;
}

HRESULT VornApp::get_ModuleCount(LONG* count) {
  if (count == nullptr)
    return E_POINTER;
  *count = m_index ? m_index->GetPresentModuleCount() : static_cast<LONG>(PresentModules().size());
  return S_OK;
}

// ---- Connections ----------------------------------------------------------------------

bool VornApp::FindConnection(IVornModuleLocal* source, BSTR destModuleName, const std::string& output,
                             const std::string& input, int* index, bool* anyToDest) const {
  IVornModuleLocal* dest = Find(destModuleName);
  const int destID = dest != nullptr ? IDOf(dest) : -1;
  const std::string destName = Text(destModuleName);
  *anyToDest = false;
  int count = 0;
  source->GetConnectionCount(&count);
  for (int i = 0; i < count; ++i) {
    VornConnection* connection = nullptr;
    if (FAILED(source->GetConnection(i, &connection)) || connection == nullptr)
      continue;
    // A connection to another machine names its module instead.
    bool toDest = dest != nullptr ? connection->m_iDestID == destID
                                  : SameName(Text(connection->m_DestModuleName), destName);
    if (!toDest)
      continue;
    *anyToDest = true;
    if (Text(connection->m_SrcOutputName) == output && Text(connection->m_DestInputName) == input) {
      *index = i;
      return true;
    }
  }
  return false;
}

bool VornApp::InputIsFed(IVornModuleLocal* dest, const std::string& input) const {
  const int destID = IDOf(dest);
  for (IVornModuleLocal* module : PresentModules()) {
    int count = 0;
    module->GetConnectionCount(&count);
    for (int i = 0; i < count; ++i) {
      VornConnection* connection = nullptr;
      if (SUCCEEDED(module->GetConnection(i, &connection)) && connection != nullptr &&
          connection->m_iDestID == destID && Text(connection->m_DestInputName) == input)
        return true;
    }
  }
  return false;
}

HRESULT VornApp::ModulesAreConnected(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName,
                                     BSTR destInputName, VARIANT_BOOL* connected) {
  if (connected == nullptr)
    return E_POINTER;
  *connected = VARIANT_FALSE;
  IVornModuleLocal* source = Find(srcModuleName);
  int index = 0;
  bool anyToDest = false;
  if (source != nullptr &&
      FindConnection(source, destModuleName, Text(srcOutputName), Text(destInputName), &index, &anyToDest))
    *connected = VARIANT_TRUE;
  return S_OK;
}

HRESULT VornApp::ConnectModules(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName, BSTR destInputName,
                                VornErrorCode* code) {
  if (code == nullptr)
    return E_POINTER;
  *code = vornOK;
  VARIANT_BOOL connected = VARIANT_FALSE;
  ModulesAreConnected(srcModuleName, destModuleName, srcOutputName, destInputName, &connected);
  if (connected)
    return S_OK;
  IVornModuleLocal* source = Find(srcModuleName);
  IVornModuleLocal* dest = Find(destModuleName);
  if (source == nullptr || dest == nullptr) {
    *code = vornModuleNotFound;
    return S_OK;
  }
  const std::string input = Text(destInputName);
  BOOL valid = FALSE;
  if (!InputIsFed(dest, input) || IsMultipleInput(dest, input)) {
    BSTR why = nullptr;
    source->ValidateConnection(srcOutputName, dest, destInputName, &why, &valid);
    SysFreeString(why);
  }
  if (!valid) {
    *code = vornConnectionDatatypeMismatch;
    return S_OK;
  }
  HRESULT hr = source->AddConnection(srcOutputName, IDOf(dest), destInputName);
  if (FAILED(hr))
    return hr;
  source->Save();
  // A module of another machine must hear of the change before it counts.
  for (auto [module, silent] : {std::pair{source, vornSrcNotResponding}, std::pair{dest, vornDestNotResponding}}) {
    if (IsLocal(module))
      continue;
    BOOL acknowledged = FALSE;
    m_engine->SyncMachine(CComBSTR(ProcessorOf(module)), kSyncTimeoutMs, &acknowledged);
    if (!acknowledged)
      *code = silent;
  }
  return S_OK;
}

HRESULT VornApp::DisconnectModules(BSTR srcModuleName, BSTR destModuleName, BSTR srcOutputName,
                                   BSTR destInputName, VornErrorCode* code) {
  if (code == nullptr)
    return E_POINTER;
  *code = vornOK;
  IVornModuleLocal* source = Find(srcModuleName);
  if (source == nullptr) {
    *code = vornModuleNotFound;
    return S_OK;
  }
  int index = 0;
  bool anyToDest = false;
  if (FindConnection(source, destModuleName, Text(srcOutputName), Text(destInputName), &index, &anyToDest)) {
    source->RemoveConnection(index);
    source->Save();
  } else {
    *code = anyToDest ? vornInvalidInputOrOutput : vornNoConnection;
  }
  return S_OK;
}

// ---- Values ---------------------------------------------------------------------------

HRESULT VornApp::SaveModuleValue(BSTR moduleName, BSTR valueName, BSTR value) {
  IVornModuleLocal* module = Find(moduleName);
  if (module == nullptr)
    return E_INVALIDARG;
  const int id = IDOf(module);
  m_engine->BeginDBTrans();
  HRESULT saved = m_engine->SaveStringValue(id, valueName, value);
  HRESULT hr = m_engine->CommitDBTrans();
  if (FAILED(saved))
    return saved;
  // The module reads its values again, and the editing program hears of it.
  CComQIPtr<IVornEngineControl> control(m_engine);
  if (control)
    control->ReloadModuleData(id);
  return hr;
}

HRESULT VornApp::LoadModuleValue(BSTR moduleName, BSTR valueName, BSTR* value) {
  if (value == nullptr)
    return E_POINTER;
  *value = nullptr;
  IVornModuleLocal* module = Find(moduleName);
  if (module == nullptr)
    return E_INVALIDARG;
  return m_engine->LoadStringValue(IDOf(module), valueName, value);
}

// ---- Run state and the engine's own properties ------------------------------------------

HRESULT VornApp::get_Running(VARIANT_BOOL* running) {
  if (running == nullptr)
    return E_POINTER;
  *running = m_engine->GetRunning() != esStop ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT VornApp::put_Running(VARIANT_BOOL running) {
  return m_engine->SetRunning(running == VARIANT_TRUE ? esFast : esStop);
}

HRESULT VornApp::get_GenerationCounter(LONG* counter) {
  if (counter == nullptr)
    return E_POINTER;
  *counter = m_engine->GetGenerationCounter();
  return S_OK;
}

HRESULT VornApp::get_HostName(BSTR* hostName) {
  if (hostName == nullptr)
    return E_POINTER;
  *hostName = m_engine->GetHostName();
  return S_OK;
}

HRESULT VornApp::get_DistributedDB(VARIANT_BOOL* distributed) {
  if (distributed == nullptr)
    return E_POINTER;
  BOOL mode = FALSE;
  HRESULT hr = m_engine->GetDistributedDBMode(&mode);
  *distributed = mode ? VARIANT_TRUE : VARIANT_FALSE;
  return hr;
}

HRESULT VornApp::put_DistributedDB(VARIANT_BOOL distributed) {
  return m_engine->SetDistributedDBMode(distributed != 0 ? TRUE : FALSE);
}

HRESULT VornApp::get_UserName(BSTR* userName) { return m_engine->GetUserName(userName); }
HRESULT VornApp::put_UserName(BSTR userName) { return m_engine->SetUserName(userName); }

HRESULT VornApp::GetRemoteUserName(BSTR machineName, BSTR* userName) {
  return m_engine->GetUserForMachine(machineName, userName);
}

HRESULT VornApp::get_ApplicationName(BSTR* applicationName) {
  if (applicationName == nullptr)
    return E_POINTER;
  *applicationName = m_engine->GetApplicationName();
  return S_OK;
}

HRESULT VornApp::put_ApplicationName(BSTR applicationName) { return m_engine->SetApplicationName(applicationName); }

// ---- Other machines -------------------------------------------------------------------

HRESULT VornApp::OtherHosts(BSTR appName, BOOL checkAppFileName, std::vector<std::string>* hosts) {
  CComBSTR name(appName);
  if (Text(appName).empty())
    name.Attach(m_engine->GetApplicationName());
  CComPtr<IVornStringList> list;
  HRESULT hr = m_engine->GetHostsRunningApp(name, checkAppFileName, &list);
  if (FAILED(hr))
    return hr;
  const std::string self = TakeText(m_engine->GetHostName());
  int count = 0;
  if (list)
    list->GetCount(&count);
  for (int i = 0; i < count; ++i) {
    BSTR host = nullptr;
    if (FAILED(list->GetAt(i, &host)))
      continue;
    std::string text = TakeText(host);
    if (!SameName(text, kLocalProcessor) && !SameName(text, self))
      hosts->push_back(std::move(text));
  }
  return S_OK;
}

HRESULT VornApp::GetHostsRunningApp(BSTR appName, VARIANT_BOOL checkAppFileName, VARIANT* hosts) {
  if (hosts == nullptr)
    return E_POINTER;
  VariantInit(hosts);
  std::vector<std::string> others;
  HRESULT hr = OtherHosts(appName, checkAppFileName != 0 ? TRUE : FALSE, &others);
  if (FAILED(hr))
    return hr;
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(others.size()));
  if (array == nullptr)
    return E_OUTOFMEMORY;
  for (std::size_t i = 0; i < others.size(); ++i) {
    LONG at = static_cast<LONG>(i);
    CComBSTR host(others[i]);
    SafeArrayPutElement(array, &at, static_cast<BSTR>(host));
  }
  hosts->vt = VT_ARRAY | VT_BSTR;
  hosts->parray = array;
  return S_OK;
}

HRESULT VornApp::ConnectToDistributedModule(BSTR srcModuleName, BSTR destModuleName, BSTR destMachineName,
                                            BSTR srcOutputName, BSTR destInputName, VornErrorCode* code) {
  if (code == nullptr)
    return E_POINTER;
  *code = vornOK;
  VARIANT_BOOL connected = VARIANT_FALSE;
  ModulesAreConnected(srcModuleName, destModuleName, srcOutputName, destInputName, &connected);
  if (connected)
    return S_OK;
  std::vector<std::string> others;
  OtherHosts(nullptr, TRUE, &others);
  const std::string machine = Text(destMachineName);
  bool known = false;
  for (const std::string& host : others)
    known = known || SameName(host, machine);
  if (!known) {
    *code = vornDestMachineNotFound;
    return S_OK;
  }
  IVornModuleLocal* source = Find(srcModuleName);
  if (source == nullptr || !IsLocal(source)) {
    *code = vornSrcModuleIsNotLocal;
    return S_OK;
  }
  return source->AddDistributedConnection(srcOutputName, destMachineName, destModuleName, destInputName);
}

}  // namespace Vorn
