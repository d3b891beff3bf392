#include "vorn/engine/engine.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "platform/com/memory.h"
#include "platform/com/pointers.h"
#include "platform/kernel/kernel.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/window.h"
#include "vorn/engine/module.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/engine/networkpaths.h"
#include "vorn/interfaces/registrar.h"
#include "vorn/support/errortext.h"
#include "vorn/support/modulehelpers.h"
#include "vorn/support/utilities.h"

namespace Vorn {

namespace {

constexpr DWORD kFlushInterval = 500;

std::string Text(BSTR text) { return Platform::BstrToUtf8(text); }

// The text a call answers through an out BSTR, which is freed here.
template <class Call>
std::string TextOf(Call&& call) {
  BSTR text = nullptr;
  call(&text);
  return TextHolder(text).Text();
}

int IdOf(IVornModuleLocal* module) {
  int id = -1;
  module->GetID(&id);
  return id;
}

std::string NameOf(IVornModuleLocal* module) {
  return TextOf([module](BSTR* name) { module->GetName(name); });
}

std::string TypeOf(IVornModuleLocal* module) {
  return TextOf([module](BSTR* type) { module->GetType(type); });
}

bool IsLocalModule(IVornModuleLocal* module) {
  BOOL local = FALSE;
  module->IsLocal(&local);
  return local != FALSE;
}

// Whether a module server stands behind the module (a placeholder of a type
// that could not be created has none).
bool HasServer(IVornModuleLocal* module) {
  IVornDerivedModule* derived = nullptr;
  if (FAILED(module->GetDerivedModule(&derived)) || derived == nullptr)
    return false;
  derived->Release();
  return true;
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string Format(const char* format, int value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

HRESULT NewStringList(IVornStringList** list) {
  return CoCreateInstance(CLSID_VornStringList, nullptr, CLSCTX_INPROC_SERVER, IID_IVornStringList,
                          reinterpret_cast<void**>(list));
}

// Drive letters name no drives here: a drive path is taken as one of this
// machine's fixed drives, as it is opened by this machine.
bool AnyDriveIsFixed(char) { return true; }

}  // namespace

// ---- Life of the engine -----------------------------------------------------------

VornEngine::VornEngine() {
  char name[81] = {};
  DWORD size = sizeof name;
  if (GetComputerName(name, &size))
    m_hostName = name;
  m_flushTimer.Set(kFlushInterval);
}

VornEngine::~VornEngine() = default;

void VornEngine::FinalRelease() {
  if (m_released)
    return;
  m_released = true;
  // Modules are stopped in the slow state too, where there is no run thread.
  if (m_speed != esStop)
    SetRunning(esStop, FALSE);
  ReapEndedThreads(true);
  ReleaseAllModules();
  CloseDatabase(FALSE);
  for (auto& [type, info] : m_moduleInfoCache) {
    SysFreeString(info.m_bstrAuthor);
    SysFreeString(info.m_bstrDescription);
  }
  m_moduleInfoCache.clear();
  if (m_pendingWrapper)
    std::exchange(m_pendingWrapper, nullptr)->Release();
  SetPeerChannel(nullptr);
}

HRESULT VornEngine::SetPeerChannel(IVornPeerChannel* pChannel) {
  if (pChannel)
    pChannel->AddRef();
  IVornPeerChannel* old;
  {
    std::lock_guard<std::mutex> hold(m_peerLock);
    old = std::exchange(m_peer, pChannel);
  }
  if (old)
    old->Release();
  return S_OK;
}

CComPtr<IVornPeerChannel> VornEngine::Peer() const {
  std::lock_guard<std::mutex> hold(m_peerLock);
  return CComPtr<IVornPeerChannel>(m_peer);
}

// ---- The collection -----------------------------------------------------------------

int VornEngine::GetModuleCount() {
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  return m_count;
}

IVornModuleLocal* VornEngine::GetModule(int nID) {
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  auto slot = m_modules.find(nID);
  return slot == m_modules.end() ? nullptr : slot->second.module;
}

std::vector<IVornModuleLocal*> VornEngine::Modules() {
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  std::vector<IVornModuleLocal*> modules;
  for (auto& [id, slot] : m_modules) {
    slot.module->AddRef();
    modules.push_back(slot.module);
  }
  return modules;
}

VornEngine::Snapshot::~Snapshot() {
  for (IVornModuleLocal* module : modules)
    module->Release();
}

std::shared_ptr<const VornEngine::Snapshot> VornEngine::CurrentSnapshot(bool countCycle) {
  // Twice a cycle, and nothing is called under it but AddRef: the lock is
  // taken without the scoped lock's diagnosis.
  std::lock_guard<Platform::RecursiveLock> lock(m_lock);
  if (countCycle)
    m_generationCounter.store(m_generationCounter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  if (!m_snapshot) {
    auto made = std::make_shared<Snapshot>();
    made->generation = m_collectionGeneration.load(std::memory_order_relaxed);
    made->modules.reserve(m_modules.size());
    made->own.reserve(m_modules.size());
    for (auto& [id, slot] : m_modules) {
      slot.module->AddRef();
      made->modules.push_back(slot.module);
      made->own.push_back(dynamic_cast<CVornModule*>(slot.module));
    }
    m_snapshot = std::move(made);
  }
  return m_snapshot;
}

std::shared_ptr<const VornEngine::Snapshot> VornEngine::CollectionChanged() {
  m_collectionGeneration.fetch_add(1, std::memory_order_acq_rel);
  return std::move(m_snapshot);
}

namespace {
void ReleaseAll(std::vector<IVornModuleLocal*>& modules) {
  for (IVornModuleLocal* module : modules)
    module->Release();
  modules.clear();
}
}  // namespace

IVornModuleLocal* VornEngine::FindModule(BSTR bstrName) {
  std::string name = FoldedText(Text(bstrName));
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  auto named = m_idsByName.find(name);  // of several, the highest ID
  return named == m_idsByName.end() ? nullptr : m_modules.at(*named->second.rbegin()).module;
}

int VornEngine::GetNewModuleID() {
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  return m_modules.empty() ? 0 : m_modules.rbegin()->first + 1;
}

void VornEngine::ReleaseSlot(Slot& slot) {
  if (slot.wrapper)
    std::exchange(slot.wrapper, nullptr)->Release();
  if (slot.module)
    std::exchange(slot.module, nullptr)->Release();
}

void VornEngine::ReleaseAllModules() {
  std::map<int, Slot> modules;
  std::shared_ptr<const Snapshot> stale;
  {
    ScopedLock lock(m_lock, true, __FILE__, __LINE__);
    stale = CollectionChanged();
    modules.swap(m_modules);
    m_idsByName.clear();
    m_count = 0;
    m_queuedCommands.clear();
  }
  // Released outside the lock: a module's last release may call back.
  for (auto& [id, slot] : modules)
    ReleaseSlot(slot);
}

bool VornEngine::InsertModule(IVornModuleLocal* module) {
  if (!module)
    return false;
  int id = IdOf(module);
  // An ID that is no index of the collection cannot be kept.
  if (!IsModuleID(id)) {
    if (m_pendingWrapper)
      std::exchange(m_pendingWrapper, nullptr)->Release();
    return false;
  }
  module->AddRef();
  if (m_speed != esStop)
    module->Start();
  Slot added{module, nullptr};
  CComPtr<IVornDerivedModule> derived;
  if (SUCCEEDED(module->GetDerivedModule(&derived)) && derived)
    derived->QueryInterface(IID_IVornVBModule, reinterpret_cast<void**>(&added.wrapper));
  Slot replaced;
  std::shared_ptr<const Snapshot> stale;
  {
    ScopedLock lock(m_lock, true, __FILE__, __LINE__);
    stale = CollectionChanged();
    Slot& slot = m_modules[id];
    replaced = slot;
    UnindexName(id, replaced);
    slot = added;
    IndexName(id, slot);
    m_count = std::max(m_count, id + 1);
  }
  // Two rows of one ID: the earlier module goes, it is no longer reachable
  // (and no longer stopped with the others).
  if (replaced.module && m_speed != esStop)
    replaced.module->Stop();
  ReleaseSlot(replaced);
  if (m_pendingWrapper)
    std::exchange(m_pendingWrapper, nullptr)->Release();
  return true;
}

// ---- Creating modules ----------------------------------------------------------------

HRESULT VornEngine::CreateModuleObject(REFCLSID clsid, IVornModuleLocal** ppModule) {
  *ppModule = nullptr;
  CComPtr<IUnknown> object;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                                    CLSCTX_REMOTE_SERVER,
                                IID_IUnknown, reinterpret_cast<void**>(&object));
  if (FAILED(hr))
    return hr;
  CComPtr<IVornModule> vornModule;
  hr = object->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&vornModule));
  CComPtr<IVornModuleLocal> module;
  if (hr == E_NOINTERFACE) {
    // A server that wraps its module object instead of aggregating it.
    CComPtr<IVornVBModule> wrapper;
    CComPtr<IDispatch> base;
    hr = object->QueryInterface(IID_IVornVBModule, reinterpret_cast<void**>(&wrapper));
    if (SUCCEEDED(hr))
      hr = wrapper->GetBaseModule(&base);
    if (SUCCEEDED(hr) && !base)
      hr = E_NOINTERFACE;
    if (SUCCEEDED(hr))
      hr = base->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&vornModule));
    if (SUCCEEDED(hr))
      hr = base->QueryInterface(IID_IVornModuleLocal, reinterpret_cast<void**>(&module));
    if (SUCCEEDED(hr)) {
      if (m_pendingWrapper)
        m_pendingWrapper->Release();
      m_pendingWrapper = wrapper.Detach();
    }
  } else if (SUCCEEDED(hr)) {
    hr = object->QueryInterface(IID_IVornModuleLocal, reinterpret_cast<void**>(&module));
  }
  if (FAILED(hr))
    return hr;
  module->SetEngine(this);
  module->SetDebugModeFlag(m_debugRun);
  // The plain module class has no server to initialise; it stands in for a
  // type that could not be created.
  if (HasServer(module)) {
    hr = module->Initialize();
    if (FAILED(hr))
      return hr;
  }
  *ppModule = module.Detach();
  return hr;
}

HRESULT VornEngine::CreateModule(BSTR bstrModuleType, IVornModuleLocal** ppModule) {
  if (!ppModule)
    return E_POINTER;
  *ppModule = nullptr;
  std::string type = Text(bstrModuleType);
  CLSID clsid{};
  if (!ModuleTypeRegistry::GetClassId(type, clsid))
    return REGDB_E_CLASSNOTREG;
  HRESULT hr = CreateModuleObject(clsid, ppModule);
  if (SUCCEEDED(hr) && m_moduleInfoCache.find(type) == m_moduleInfoCache.end()) {
    VornModuleInfo info{};
    if (FAILED((*ppModule)->GetModuleInfo(&info)))
      info = VornModuleInfo{};
    m_moduleInfoCache.emplace(type, info);
  }
  return hr;
}

VornModuleInfo* VornEngine::GetModuleInfo(BSTR bstrModuleType) {
  std::string type = Text(bstrModuleType);
  auto cached = m_moduleInfoCache.find(type);
  if (cached != m_moduleInfoCache.end())
    return &cached->second;
  IVornModuleLocal* module = nullptr;
  if (SUCCEEDED(CreateModule(bstrModuleType, &module)) && module) {
    module->Release();
    if (m_pendingWrapper)
      std::exchange(m_pendingWrapper, nullptr)->Release();
  }
  // The creation filled the cache; a failed one leaves an empty record.
  return &m_moduleInfoCache.try_emplace(type, VornModuleInfo{}).first->second;
}

HRESULT VornEngine::AddNewModule(IVornModuleLocal* pModule) {
  if (!pModule)
    return E_POINTER;
  // A module without an ID the collection can hold is neither kept nor
  // written to the file.
  if (!InsertModule(pModule))
    return E_INVALIDARG;
  m_suppressReloadData = true;
  pModule->Save();
  m_suppressReloadData = false;
  if (Peer() && !m_distributedDB)
    SendToPeer(Format("RELOAD %d", IdOf(pModule)));
  return S_OK;
}

HRESULT VornEngine::SaveAll() {
  std::vector<IVornModuleLocal*> modules = Modules();
  // Every module is saved; the first failure is answered.
  HRESULT result = S_OK;
  for (IVornModuleLocal* module : modules) {
    const HRESULT saved = module->Save();
    if (SUCCEEDED(result) && FAILED(saved))
      result = saved;
  }
  ReleaseAll(modules);
  return result;
}

int VornEngine::GetAvailableModuleCount() { return static_cast<int>(ModuleTypeRegistry::ListTypes(true).size()); }

BSTR VornEngine::GetAvailableModuleType(int nIdx) {
  std::vector<std::string> types = ModuleTypeRegistry::ListTypes(true);
  if (nIdx < 0 || static_cast<std::size_t>(nIdx) >= types.size())
    return nullptr;
  return Platform::AllocBstr(types[static_cast<std::size_t>(nIdx)]);
}

// ---- Loading a model -------------------------------------------------------------------

HRESULT VornEngine::LoadModel(int id) {
  // No engine lock over the load: each module's Load takes the module's
  // lock, and the run thread holds a module's lock while it asks for the
  // collection. The collection's own reads and writes take the lock.
  if (!EnsureDatabase())
    return E_FAIL;
  // Every row is read before any module is made: answering the repair
  // prompt deletes rows of this table.
  std::vector<ModuleRow> rows;
  if (HRESULT read = m_db->ReadModules(id, rows); FAILED(read))
    return read;
  for (std::size_t at = 0; at < rows.size(); ++at) {
    ModuleRow& row = rows[at];
    if (!IsModuleID(row.id)) {
      AfxMessageBox(("Error reading module database--Exception: the module \"" + row.name + "\" has the ID " +
                     row.storedID + ", which is not a module ID")
                        .c_str());
      continue;
    }
    // Rows come in ID order: of two with one ID only the later can be kept.
    if (at + 1 < rows.size() && rows[at + 1].id == row.id) {
      AfxMessageBox(("Error reading module database--Exception: the modules \"" + row.name + "\" and \"" +
                     rows[at + 1].name + "\" are stored with one ID, " + std::to_string(row.id) + "; only \"" +
                     rows[at + 1].name + "\" is loaded")
                        .c_str());
      continue;
    }
    if (row.processor.empty())
      row.processor = m_hostName;
    CComBSTR type(row.type), name(row.name), processor(row.processor);
    IVornModuleLocal* module = nullptr;
    HRESULT created = CreateModule(type, &module);
    if (FAILED(created)) {
      if (FAILED(CreateModuleObject(CLSID_VornModule, &module)) || !module)
        continue;
      module->SetProcessor(processor, FALSE, FALSE);
      if (IsLocalModule(module)) {
        std::string prompt = "Error creating ModuleType \"" + row.type + "\" named \"" + row.name + "\". \n" +
                             FormatHResultText(created, true) +
                             "\n\nWould you like to permanently remove this module from the file?";
        if (AfxMessageBox(prompt.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES) {
          RemoveModule(row.id);
          module->Release();
          continue;
        }
      }
    }
    module->SetID(row.id);
    module->SetName(name);
    module->SetProcessor(processor, FALSE, FALSE);
    module->SetModuleType(type);
    module->Load();
    InsertModule(module);
    module->Release();
  }
  ValidateLoadedConnections(id);
  return S_OK;
}

void VornEngine::ValidateLoadedConnections(int id) {
  std::vector<IVornModuleLocal*> modules = Modules();
  for (IVornModuleLocal* source : modules) {
    int count = 0;
    source->GetConnectionCount(&count);
    for (int index = 0; index < count;) {
      VornConnection* connection = nullptr;
      if (FAILED(source->GetConnection(index, &connection)) || !connection) {
        ++index;
        continue;
      }
      IVornModuleLocal* destination = nullptr;
      if (id == -1 || connection->m_iDestID == id)
        destination = GetModule(connection->m_iDestID);
      // A placeholder cannot judge its connections: they are kept, in
      // memory and in the file, until its type can be created again.
      if (!destination || !HasServer(source) || !HasServer(destination)) {
        ++index;
        continue;
      }
      BOOL valid = TRUE;
      const std::string reason = TextOf([&](BSTR* text) {
        source->ValidateConnection(connection->m_SrcOutputName, destination, connection->m_DestInputName, text,
                                   &valid);
      });
      if (valid) {
        ++index;
        continue;
      }
      ConnectionRow row{IdOf(source), Text(connection->m_SrcOutputName), connection->m_iDestID,
                        Text(connection->m_DestInputName)};
      source->RemoveConnection(index);
      --count;
      AfxMessageBox(("Connection is no longer valid. It will be removed.\n\n" + reason).c_str());
      if (EnsureDatabase())
        m_db->DeleteConnection(row);
    }
  }
  ReleaseAll(modules);
}

// ---- The working file -------------------------------------------------------------------

bool VornEngine::EnsureDatabase() {
  if (!m_db)
    OpenWorkingDatabase();
  return m_db != nullptr;
}

void VornEngine::OpenWorkingDatabase() { m_db = WorkingDatabase::Open(m_workingFilePath); }

void VornEngine::CloseWorkingDatabase() { m_db.reset(); }

void VornEngine::QueueReloadData(int id) {
  if (m_suppressReloadData || m_distributedDB)
    return;
  std::string command = Format("RELOADDATA %d", id);
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  if (std::find(m_queuedCommands.begin(), m_queuedCommands.end(), command) == m_queuedCommands.end())
    m_queuedCommands.push_back(command);
}

std::vector<std::string> VornEngine::QueuedCommands() const {
  ScopedLock lock(m_lock, true, __FILE__, __LINE__);
  return m_queuedCommands;
}

HRESULT VornEngine::SetWorkingFilePath(BSTR bstrPath) {
  m_workingFilePath = Text(bstrPath);
  return S_OK;
}

BSTR VornEngine::GetWorkingFilePath() { return Platform::AllocBstr(m_workingFilePath); }

HRESULT VornEngine::Flush() {
  CloseWorkingDatabase();
  OpenWorkingDatabase();
  return m_db ? S_OK : E_FAIL;
}

HRESULT VornEngine::BeginDBTrans() { return EnsureDatabase() ? m_db->BeginTransaction() : E_FAIL; }

HRESULT VornEngine::CommitDBTrans() { return EnsureDatabase() ? m_db->CommitTransaction() : E_FAIL; }

HRESULT VornEngine::CopyDatabase(BSTR bstrSource, BSTR bstrDestination) {
  return WorkingDatabase::CopyDatabase(Text(bstrSource), Text(bstrDestination));
}

HRESULT VornEngine::SetFileModifiedFlag(BOOL bModified) {
  m_fileModified = bModified != FALSE;
  return S_OK;
}

HRESULT VornEngine::GetFileModifiedFlag(BOOL* pbModified) {
  if (!pbModified)
    return E_POINTER;
  *pbModified = m_fileModified ? TRUE : FALSE;
  return S_OK;
}

// ---- Values ----------------------------------------------------------------------------------
//
// Without a working file a value operation does nothing. Every save marks
// the file modified; a save that worked tells the other machines, at the
// next flush, to read the module's values again.

namespace {
template <typename Save>
HRESULT Saving(bool open, Save&& save) {
  return open ? save() : S_OK;
}
}  // namespace

HRESULT VornEngine::SaveStringValue(int nID, BSTR bstrName, BSTR bstrValue) {
  if (!EnsureDatabase())
    return S_OK;
  Modified();
  HRESULT hr = m_db->SaveStringValue(nID, Text(bstrName), Text(bstrValue));
  if (SUCCEEDED(hr))
    QueueReloadData(nID);
  return hr;
}

HRESULT VornEngine::LoadStringValue(int nID, BSTR bstrName, BSTR* pbstrValue) {
  if (!pbstrValue)
    return E_POINTER;
  std::string value;
  HRESULT hr = EnsureDatabase() ? m_db->LoadStringValue(nID, Text(bstrName), value) : S_OK;
  *pbstrValue = Platform::AllocBstr(value);
  return hr;
}

HRESULT VornEngine::SaveFloatValue(int nID, BSTR bstrName, float fValue) {
  if (!EnsureDatabase())
    return S_OK;
  Modified();
  HRESULT hr = m_db->SaveFloatValue(nID, Text(bstrName), fValue);
  if (SUCCEEDED(hr))
    QueueReloadData(nID);
  return hr;
}

HRESULT VornEngine::LoadFloatValue(int nID, BSTR bstrName, float* pfValue) {
  if (!pfValue)
    return E_POINTER;
  *pfValue = 0.0f;
  return EnsureDatabase() ? m_db->LoadFloatValue(nID, Text(bstrName), *pfValue) : S_OK;
}

// The three array loads differ only in the database call: without a
// working file they answer an empty VARIANT.
HRESULT VornEngine::LoadArrayVar(int nID, BSTR bstrName, VARIANT* pOut, ArrayLoad load) {
  if (!pOut)
    return E_POINTER;
  if (!EnsureDatabase()) {
    VariantInit(pOut);
    return S_OK;
  }
  return (m_db.get()->*load)(nID, Text(bstrName), pOut);
}

HRESULT VornEngine::LoadFloatArrayVar(int nID, BSTR bstrName, VARIANT* pOut) {
  return LoadArrayVar(nID, bstrName, pOut, &WorkingDatabase::LoadFloatArrayVar);
}

HRESULT VornEngine::LoadStringArrayVar(int nID, BSTR bstrName, VARIANT* pOut) {
  return LoadArrayVar(nID, bstrName, pOut, &WorkingDatabase::LoadStringArrayVar);
}

HRESULT VornEngine::LoadIntArrayVar(int nID, BSTR bstrName, VARIANT* pOut) {
  return LoadArrayVar(nID, bstrName, pOut, &WorkingDatabase::LoadIntArrayVar);
}

HRESULT VornEngine::SaveArrayVar(int nID, BSTR bstrName, VARIANT varArray) {
  if (!EnsureDatabase())
    return S_OK;
  HRESULT hr = m_db->SaveArrayVar(nID, Text(bstrName), &varArray);
  if (hr == E_INVALIDARG)
    return hr;
  Modified();
  if (SUCCEEDED(hr))
    QueueReloadData(nID);
  return hr;
}

HRESULT VornEngine::SaveIntArray(int nID, BSTR bstrName, int* pArray, int nSize) {
  return Saving(EnsureDatabase(), [&] {
    Modified();
    HRESULT hr = m_db->SaveIntArray(nID, Text(bstrName), pArray, nSize);
    if (SUCCEEDED(hr))
      QueueReloadData(nID);
    return hr;
  });
}

HRESULT VornEngine::LoadIntArray(int nID, BSTR bstrName, int nMaxSize, int* pArray, int* pnSize) {
  if (!pnSize)
    return E_POINTER;
  *pnSize = 0;
  return EnsureDatabase() ? m_db->LoadIntArray(nID, Text(bstrName), nMaxSize, pArray, *pnSize) : S_OK;
}

HRESULT VornEngine::GetIntArraySize(int nID, BSTR bstrName, int* pnSize) {
  if (!pnSize)
    return E_POINTER;
  *pnSize = 0;
  return EnsureDatabase() ? m_db->GetIntArraySize(nID, Text(bstrName), *pnSize) : S_OK;
}

HRESULT VornEngine::SaveFloatArray(int nID, BSTR bstrName, float* pArray, int nSize) {
  return SaveFloatArray2D(nID, bstrName, 0, pArray, nSize);
}

HRESULT VornEngine::LoadFloatArray(int nID, BSTR bstrName, int nMaxSize, float* pArray, int* pnSize) {
  return LoadFloatArray2D(nID, bstrName, 0, nMaxSize, pArray, pnSize);
}

HRESULT VornEngine::SaveFloatArray2D(int nID, BSTR bstrName, int nIdx, float* pArray, int nSize) {
  return Saving(EnsureDatabase(), [&] {
    Modified();
    HRESULT hr = m_db->SaveFloatArray2D(nID, Text(bstrName), nIdx, pArray, nSize);
    if (SUCCEEDED(hr))
      QueueReloadData(nID);
    return hr;
  });
}

HRESULT VornEngine::LoadFloatArray2D(int nID, BSTR bstrName, int nIdx, int nMaxSize, float* pArray, int* pnSize) {
  if (!pnSize)
    return E_POINTER;
  *pnSize = 0;
  return EnsureDatabase() ? m_db->LoadFloatArray2D(nID, Text(bstrName), nIdx, nMaxSize, pArray, *pnSize) : S_OK;
}

HRESULT VornEngine::GetFloatArraySize(int nID, BSTR bstrName, int* pnSize) {
  if (!pnSize)
    return E_POINTER;
  *pnSize = 0;
  return EnsureDatabase() ? m_db->GetFloatArraySize(nID, Text(bstrName), *pnSize) : S_OK;
}

HRESULT VornEngine::SaveStringArray(int nID, BSTR bstrName, BSTR* pArray, int nSize) {
  return Saving(EnsureDatabase(), [&] {
    std::vector<std::string> values;
    for (int i = 0; pArray && i < nSize; ++i)
      values.push_back(Text(pArray[i]));
    Modified();
    HRESULT hr = m_db->SaveStringArray(nID, Text(bstrName), values);
    if (SUCCEEDED(hr))
      QueueReloadData(nID);
    return hr;
  });
}

HRESULT VornEngine::LoadStringArray(int nID, BSTR bstrName, int nMaxSize, BSTR* pArray, int* pnSize) {
  if (!pnSize)
    return E_POINTER;
  *pnSize = 0;
  if (!EnsureDatabase())
    return S_OK;
  std::vector<std::string> values;
  HRESULT hr = m_db->LoadStringArray(nID, Text(bstrName), pArray ? nMaxSize : 0, values);
  for (const std::string& value : values)
    pArray[(*pnSize)++] = Platform::AllocBstr(value);
  return hr;
}

HRESULT VornEngine::GetStringArraySize(int nID, BSTR bstrName, int* pnSize) {
  if (!pnSize)
    return E_POINTER;
  *pnSize = 0;
  return EnsureDatabase() ? m_db->GetStringArraySize(nID, Text(bstrName), *pnSize) : S_OK;
}

HRESULT VornEngine::GetModuleData(int nID, BSTR** ppNames, BSTR** ppValues, int* pnCount) {
  if (!ppNames || !ppValues || !pnCount)
    return E_POINTER;
  *ppNames = *ppValues = nullptr;
  *pnCount = 0;
  if (!EnsureDatabase())
    return E_FAIL;
  std::vector<std::pair<std::string, std::string>> values;
  HRESULT hr = m_db->GetModuleData(nID, values);
  if (FAILED(hr) || values.empty())
    return hr;
  auto* names = static_cast<BSTR*>(CoTaskMemAlloc(values.size() * sizeof(BSTR)));
  auto* texts = static_cast<BSTR*>(CoTaskMemAlloc(values.size() * sizeof(BSTR)));
  if (!names || !texts) {
    CoTaskMemFree(names);
    CoTaskMemFree(texts);
    return E_OUTOFMEMORY;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    names[i] = Platform::AllocBstr(values[i].first);
    texts[i] = Platform::AllocBstr(values[i].second);
  }
  *ppNames = names;
  *ppValues = texts;
  *pnCount = static_cast<int>(values.size());
  return S_OK;
}

// ---- Module rows and connections -----------------------------------------------------------

HRESULT VornEngine::SaveModuleParams(IVornModuleLocal* pModule) {
  if (!pModule)
    return E_POINTER;
  if (!EnsureDatabase())
    return E_FAIL;
  Modified();
  int id = IdOf(pModule);
  HRESULT hr = m_db->SaveModuleParams({id, TypeOf(pModule), NameOf(pModule), ProcessorOf(pModule)});
  if (SUCCEEDED(hr))
    QueueReloadData(id);
  return hr;
}

HRESULT VornEngine::LoadModuleParams(IVornModuleLocal* pModule) {
  if (!pModule)
    return S_OK;
  if (!EnsureDatabase())
    return E_FAIL;
  std::optional<ModuleRow> row;
  m_db->LoadModuleParams(IdOf(pModule), row);
  if (row) {
    // As in a model load: an empty processor is this machine.
    if (row->processor.empty())
      row->processor = m_hostName;
    pModule->SetName(CComBSTR(row->name));
    pModule->SetProcessor(CComBSTR(row->processor), FALSE, FALSE);
  }
  return S_OK;
}

HRESULT VornEngine::SaveConnections(IVornModuleLocal* pModule) {
  if (!pModule)
    return E_POINTER;
  if (!EnsureDatabase())
    return E_FAIL;
  // A placeholder's connections are what the file holds; it has no say.
  if (!HasServer(pModule))
    return S_OK;
  int id = IdOf(pModule);
  std::vector<ConnectionRow> rows;
  int count = 0;
  pModule->GetConnectionCount(&count);
  for (int index = 0; index < count; ++index) {
    VornConnection* connection = nullptr;
    if (FAILED(pModule->GetConnection(index, &connection)) || !connection)
      continue;
    // Connections into other machines are made again by their editors.
    if (connection->m_iDestID < 0 || SysStringLen(connection->m_DestMachine) != 0)
      continue;
    rows.push_back({id, Text(connection->m_SrcOutputName), connection->m_iDestID, Text(connection->m_DestInputName)});
  }
  Modified();
  HRESULT hr = m_db->SaveConnections(id, rows);
  if (SUCCEEDED(hr))
    QueueReloadData(id);
  return hr;
}

HRESULT VornEngine::LoadConnections(IVornModuleLocal* pModule) {
  if (!pModule)
    return E_POINTER;
  if (!EnsureDatabase())
    return E_FAIL;
  std::vector<ConnectionRow> rows;
  HRESULT hr = m_db->LoadConnections(IdOf(pModule), rows);
  for (const ConnectionRow& row : rows)
    pModule->AddConnection(CComBSTR(row.srcOutput), row.destModule, CComBSTR(row.destInput));
  return hr;
}

BSTR VornEngine::GetServers() {
  std::string servers;
  if (EnsureDatabase())
    m_db->GetServers(servers);
  return Platform::AllocBstr(servers);
}

HRESULT VornEngine::ChangeModuleServer(BSTR bstrOldProcessor, BSTR bstrNewProcessor) {
  if (!EnsureDatabase())
    return E_FAIL;
  Modified();
  m_db->ChangeModuleServer(Text(bstrOldProcessor), Text(bstrNewProcessor));
  return S_OK;
}

// ---- Machines, hosts and users ---------------------------------------------------------------

BSTR VornEngine::GetHostName() { return Platform::AllocBstr(m_hostName); }

BOOL VornEngine::IsMachineLocal() {
  return IsPathOnMachine(m_workingFilePath, m_hostName, AnyDriveIsFixed) ? TRUE : FALSE;
}

BSTR VornEngine::GetLocalHostName() {
  return Platform::AllocBstr(MachineOfPath(m_workingFilePath, m_hostName, AnyDriveIsFixed));
}

std::string VornEngine::NetworkPath() const { return NetworkPathOf(m_workingFilePath, m_hostName); }

std::string VornEngine::ApplicationIdentity() const {
  return Vorn::ApplicationIdentity(m_applicationName, NetworkPath(), m_distributedDB != FALSE);
}

HRESULT VornEngine::SetApplicationName(BSTR bstrName) {
  m_applicationName = Text(bstrName);
  return S_OK;
}

BSTR VornEngine::GetApplicationName() { return Platform::AllocBstr(m_applicationName); }

HRESULT VornEngine::GetAllHosts(IVornStringList** ppHosts) {
  CComPtr<IVornPeerChannel> peer = Peer();
  if (!ppHosts)
    return E_POINTER;
  *ppHosts = nullptr;
  if (!peer)
    return NewStringList(ppHosts);
  return peer->GetAllHosts(ppHosts);
}

HRESULT VornEngine::GetHostsRunningApp(BSTR bstrAppName, BOOL bCheckAppFileName, IVornStringList** ppHosts) {
  CComPtr<IVornPeerChannel> peer = Peer();
  if (!ppHosts)
    return E_POINTER;
  HRESULT hr = NewStringList(ppHosts);
  if (FAILED(hr) || !peer)
    return hr;
  peer->PeerIdle(FALSE);
  std::string wanted = Text(bstrAppName);
  if (wanted.empty())
    wanted = m_applicationName;
  std::string own = ApplicationIdentity();
  CComPtr<IVornStringList> hosts;
  HRESULT listed = peer->GetAllHosts(&hosts);
  if (FAILED(listed))
    return listed;
  int hostCount = 0;
  if (hosts)
    hosts->GetCount(&hostCount);
  for (int h = 0; h < hostCount; ++h) {
    BSTR host = nullptr;
    hosts->GetAt(h, &host);
    CComPtr<IVornStringList> apps;
    peer->GetHostApps(host, &apps);
    int appCount = 0;
    if (apps)
      apps->GetCount(&appCount);
    for (int a = 0; a < appCount; ++a) {
      const std::string app = TextOf([&](BSTR* text) { apps->GetAt(a, text); });
      if (IdentityNamesApplication(app, wanted, bCheckAppFileName != FALSE, own))
        (*ppHosts)->Add(host);
    }
    SysFreeString(host);
  }
  return hr;
}

HRESULT VornEngine::CheckRemoteConnections(IVornStringList** ppMachines) {
  if (!ppMachines)
    return E_POINTER;
  *ppMachines = nullptr;
  std::string localHost;
  {
    BSTR local = GetLocalHostName();
    localHost = Upper(Text(local));
    SysFreeString(local);
  }
  std::map<int, std::string> remote;
  std::vector<IVornModuleLocal*> modules = Modules();
  for (IVornModuleLocal* module : modules)
    if (!IsLocalModule(module)) {
      std::string processor = Upper(ProcessorOf(module));
      remote[IdOf(module)] = processor == "<LOCAL>" ? localHost : processor;
    }
  std::vector<std::string> needed;
  for (IVornModuleLocal* module : modules) {
    if (!IsLocalModule(module))
      continue;
    int count = 0;
    module->GetConnectionCount(&count);
    for (int index = 0; index < count; ++index) {
      VornConnection* connection = nullptr;
      if (FAILED(module->GetConnection(index, &connection)) || !connection)
        continue;
      auto machine = remote.find(connection->m_iDestID);
      if (machine != remote.end() && std::find(needed.begin(), needed.end(), machine->second) == needed.end())
        needed.push_back(machine->second);
    }
  }
  ReleaseAll(modules);

  std::vector<std::string> running;
  CComPtr<IVornStringList> hosts;
  if (SUCCEEDED(GetHostsRunningApp(nullptr, TRUE, &hosts)) && hosts) {
    int count = 0;
    hosts->GetCount(&count);
    for (int i = 0; i < count; ++i) {
      running.push_back(Upper(TextOf([&](BSTR* host) { hosts->GetAt(i, host); })));
    }
  }
  HRESULT hr = NewStringList(ppMachines);
  if (FAILED(hr))
    return hr;
  for (const std::string& machine : needed)
    if (std::find(running.begin(), running.end(), machine) == running.end())
      (*ppMachines)->Add(CComBSTR(machine));
  if (CComPtr<IVornPeerChannel> peer = Peer())
    peer->ReportUnavailableMachines(*ppMachines);
  return hr;
}

HRESULT VornEngine::SyncMachine(BSTR bstrProcessor, int nTimeoutMs, BOOL* pbAcknowledged) {
  CComPtr<IVornPeerChannel> peer = Peer();
  if (!pbAcknowledged)
    return E_POINTER;
  *pbAcknowledged = FALSE;
  if (!peer)
    return S_OK;
  FlushIdleWork();
  std::string machine = Text(bstrProcessor);
  if (SameText(machine, "<Local>")) {
    BSTR local = GetLocalHostName();
    machine = Text(local);
    SysFreeString(local);
  }
  return peer->SyncMachine(CComBSTR(machine), nTimeoutMs, pbAcknowledged);
}

HRESULT VornEngine::SetUserName(BSTR bstrUser) {
  CComPtr<IVornPeerChannel> peer = Peer();
  return peer ? peer->SetUserName(bstrUser) : S_OK;
}

HRESULT VornEngine::GetUserName(BSTR* pbstrUser) {
  if (!pbstrUser)
    return E_POINTER;
  *pbstrUser = nullptr;  // a caller frees what it gets, answered or not
  CComPtr<IVornPeerChannel> peer = Peer();
  return peer ? peer->GetUserName(pbstrUser) : S_OK;
}

HRESULT VornEngine::GetUserForMachine(BSTR bstrMachine, BSTR* pbstrUser) {
  if (!pbstrUser)
    return E_POINTER;
  *pbstrUser = nullptr;
  CComPtr<IVornPeerChannel> peer = Peer();
  return peer ? peer->GetUserForMachine(bstrMachine, CComBSTR(ApplicationIdentity()), pbstrUser) : S_OK;
}

HRESULT VornEngine::SendConnectionData(VornConnection* pConnection) {
  CComPtr<IVornPeerChannel> peer = Peer();
  return peer ? peer->SendConnectionData(pConnection) : S_OK;
}

// ---- Commands and idle work ------------------------------------------------------------------

void VornEngine::SendToPeer(const std::string& command) {
  if (CComPtr<IVornPeerChannel> peer = Peer())
    peer->SendCommand(CComBSTR(command));
}

void VornEngine::Broadcast(BOOL bBroadcast, const std::string& command) {
  if (bBroadcast && !m_distributedDB && Peer())
    SendToPeer(command);
}

void VornEngine::PostToWindow(UINT message, LPARAM lParam) {
  if (m_uiWindow)
    PostMessage(m_uiWindow, message, 0, lParam);
}

HRESULT VornEngine::SetUIHWnd(HWND hWnd) {
  m_uiWindow = hWnd;
  return S_OK;
}

HRESULT VornEngine::SetDistributedDBMode(BOOL bDistributed) {
  m_distributedDB = bDistributed;
  return S_OK;
}

HRESULT VornEngine::GetDistributedDBMode(BOOL* pbDistributed) {
  if (!pbDistributed)
    return E_POINTER;
  *pbDistributed = m_distributedDB;
  return S_OK;
}

HRESULT VornEngine::SetDebugRunFlag(BOOL bDebugRun) {
  m_debugRun = bDebugRun;
  return S_OK;
}

void VornEngine::FlushIdleWork() {
  std::vector<IVornModuleLocal*> modules = Modules();
  for (IVornModuleLocal* module : modules) {
    BOOL dirty = FALSE;
    if (SUCCEEDED(module->GetDirtyFlag(&dirty)) && dirty)
      module->Save();
  }
  ReleaseAll(modules);
  std::vector<std::string> commands;
  {
    ScopedLock lock(m_lock, true, __FILE__, __LINE__);
    commands.swap(m_queuedCommands);
  }
  for (const std::string& command : commands)
    SendToPeer(command);
}

int VornEngine::OnIdle(int) {
  if (m_idleTimer.IsDue()) {
    if (CComPtr<IVornPeerChannel> peer = Peer())
      peer->PeerIdle(m_speed != esFast ? TRUE : FALSE);
    m_idleTimer.Set(0);
  }
  if (m_flushTimer.IsDue()) {
    FlushIdleWork();
    m_flushTimer.Set(kFlushInterval);
  }
  return 1;
}

// ---- Whole-model operations ------------------------------------------------------------------

HRESULT VornEngine::OpenDatabase() { return OpenDatabase(TRUE); }
HRESULT VornEngine::ReOpenDatabase() { return ReOpenDatabase(TRUE, nullptr); }
HRESULT VornEngine::RemoveModule(int nID) { return RemoveModule(nID, TRUE, TRUE); }
HRESULT VornEngine::ReloadModule(int nID) { return ReloadModule(nID, TRUE); }
HRESULT VornEngine::SetRunning(EngineSpeed speed) { return SetRunning(speed, TRUE); }
HRESULT VornEngine::Step() { return Step(TRUE); }

HRESULT VornEngine::CloseDatabase(BOOL bBroadcast) {
  HRESULT hr = Close(bBroadcast);
  SendToPeer("LEAVINGAPPPOOL");
  return hr;
}

HRESULT VornEngine::OpenDatabase(BOOL bBroadcast) {
  ReleaseAllModules();
  CloseWorkingDatabase();
  OpenWorkingDatabase();
  HRESULT hr = m_db ? S_OK : E_FAIL;
  Broadcast(bBroadcast, "OPENDATABASE \"" + NetworkPath() + "\"");
  if (CComPtr<IVornPeerChannel> peer = Peer())
    peer->SetIdentity(CComBSTR(ApplicationIdentity()));
  // A file that did not open is not tried (and reported) again, and one
  // whose modules cannot be read did not open either.
  if (m_db && FAILED(LoadModel(-1)))
    hr = E_FAIL;
  m_fileModified = false;
  if (!bBroadcast)
    PostToWindow(VWM_DATABASE_OPENED, 0);
  return hr;
}

HRESULT VornEngine::ReOpenDatabase(BOOL bBroadcast, BSTR bstrNewPath) {
  std::string path = Text(bstrNewPath);
  bool switched = !path.empty() && !SameText(path, m_workingFilePath);
  if (switched)
    m_workingFilePath = path;
  CloseWorkingDatabase();
  OpenWorkingDatabase();
  HRESULT hr = m_db ? S_OK : E_FAIL;
  Broadcast(bBroadcast, "REOPENDATABASE \"" + NetworkPath() + "\"");
  if (CComPtr<IVornPeerChannel> peer = Peer())
    peer->SetIdentity(CComBSTR(ApplicationIdentity()));
  if (switched)
    PostToWindow(VWM_DATABASE_OPENED, 0);
  return hr;
}

HRESULT VornEngine::Close(BOOL bBroadcast) {
  Broadcast(bBroadcast, "CLOSE");
  if (CComPtr<IVornPeerChannel> peer = Peer())
    peer->PeerClose();
  if (m_db) {
    std::string path = m_db->Path();
    CloseWorkingDatabase();
    if (bBroadcast) {
      // Wait, up to five seconds, until the other engines have let go of
      // the file: then nobody holds a lock on it.
      try {
        Platform::Db::OpenOptions options;
        options.journal = Platform::Db::Journal::Rollback;
        options.busyTimeout = std::chrono::milliseconds(5000);
        Platform::Db::Database probe(path, options);
        probe.Execute("BEGIN EXCLUSIVE; ROLLBACK");
      } catch (const Platform::Db::DatabaseError&) {
      }
    }
  }
  return S_OK;
}

HRESULT VornEngine::RemoveModule(int nID, BOOL bBroadcast, BOOL bDeleteFromFile) {
  HRESULT hr = S_OK;
  if (bDeleteFromFile) {
    if (!EnsureDatabase())
      return E_FAIL;
    Modified();
    if (nID == -1)
      return m_db->DeleteModuleRows(-1);
    hr = m_db->DeleteModuleRows(nID);
  }
  std::vector<IVornModuleLocal*> modules = Modules();
  for (IVornModuleLocal* module : modules)
    module->RemoveConnections(nID);
  ReleaseAll(modules);
  Slot removed;
  std::shared_ptr<const Snapshot> stale;
  {
    ScopedLock lock(m_lock, true, __FILE__, __LINE__);
    auto slot = m_modules.find(nID);
    if (slot != m_modules.end()) {
      stale = CollectionChanged();
      removed = slot->second;
      UnindexName(nID, removed);
      m_modules.erase(slot);
    }
  }
  stale.reset();
  // Out of the collection it would miss the engine's StopAll: a started
  // module is stopped on its way out (its guard has shown any exception).
  if (removed.module && m_speed != esStop && IsLocalModule(removed.module)) {
    try {
      removed.module->Stop();
    } catch (...) {
    }
  }
  ReleaseSlot(removed);
  if (!bBroadcast)
    PostToWindow(VWM_MODULE_CHANGED, nID);
  else
    Broadcast(bBroadcast, Format("REMOVE %d", nID));
  return hr;
}

HRESULT VornEngine::ReloadModule(int nID, BOOL bBroadcast) {
  if (!EnsureDatabase())
    return E_FAIL;
  // Any negative ID stands for every module.
  if (nID < 0)
    nID = -1;
  EngineSpeed speed = m_speed;
  SetRunning(esStop, FALSE);
  if (nID == -1) {
    ReleaseAllModules();
  } else {
    Slot removed;
    std::shared_ptr<const Snapshot> stale;
    {
      ScopedLock lock(m_lock, true, __FILE__, __LINE__);
      auto slot = m_modules.find(nID);
      if (slot != m_modules.end()) {
        stale = CollectionChanged();
        removed = slot->second;
        UnindexName(nID, removed);
        m_modules.erase(slot);
      }
    }
    stale.reset();
    ReleaseSlot(removed);
  }
  m_suppressReloadData = true;
  LoadModel(nID);
  m_suppressReloadData = false;
  Broadcast(bBroadcast, Format("RELOAD %d", nID));
  SetRunning(speed, FALSE);
  PostToWindow(VWM_MODULE_CHANGED, nID);
  return S_OK;
}

HRESULT VornEngine::ReloadModuleData(int nID) {
  if (!m_db)
    return S_OK;
  if (nID < 0) {
    std::vector<IVornModuleLocal*> modules = Modules();
    for (IVornModuleLocal* module : modules)
      module->Load();
    ReleaseAll(modules);
  } else if (IVornModuleLocal* module = GetModule(nID)) {
    module->AddRef();
    module->Load();
    module->Release();
  }
  PostToWindow(VWM_MODULE_VALUES_RELOADED, nID);
  return S_OK;
}

}  // namespace Vorn
