// The module object: identity, properties, definitions of inputs and
// outputs, property pages, icon and the calls forwarded to the server.
// Data flow and connections are in moduledataflow.cpp.
#include "vorn/engine/module.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/kernel/kernel.h"
// Bitmap resources arrive with the platform's resource piece.
#if __has_include("platform/resources/resources.h")
#include "platform/resources/resources.h"
#define VORN_HAVE_BITMAP_RESOURCES 1
#endif
#include "vorn/interfaces/engine.h"
#include "platform/ui/messagebox.h"
#include "vorn/engine/registrarobjects.h"
#include "vorn/interfaces/registrar.h"
#include "vorn/support/utilities.h"

namespace {

using Platform::BstrView;

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
           return lower(x) == lower(y);
         });
}

constexpr int kDefaultIconBitmap = 201;

} // namespace

// ---- Tables and connection entries -----------------------------------------

CConnectionData* CConnectionTable::Find(std::u16string_view name) const {
  for (const auto& entry : m_entries) {
    if (entry.first == name)
      return entry.second.get();
  }
  return nullptr;
}

void CConnectionTable::Define(std::u16string name, std::unique_ptr<CConnectionData> value) {
  for (auto& entry : m_entries) {
    if (entry.first == name) {
      entry.second = std::move(value);
      return;
    }
  }
  m_entries.emplace_back(std::move(name), std::move(value));
}

CConnectionEntry::CConnectionEntry(BSTR srcOutput, int srcId, int destId, BSTR destInput, BSTR destMachine,
                                   BSTR destModuleName) {
  auto copy = [](BSTR text) { return text == nullptr ? nullptr : SysAllocStringLen(text, SysStringLen(text)); };
  m_record.m_DestInputName = copy(destInput);
  m_record.m_SrcOutputName = copy(srcOutput);
  m_record.m_iSrcID = srcId;
  m_record.m_iDestID = destId;
  m_record.m_DestMachine = copy(destMachine);
  m_record.m_DestModuleName = copy(destModuleName);
}

CConnectionEntry::~CConnectionEntry() {
  SysFreeString(m_record.m_DestInputName);
  SysFreeString(m_record.m_SrcOutputName);
  SysFreeString(m_record.m_DestMachine);
  SysFreeString(m_record.m_DestModuleName);
}

// ---- Life ------------------------------------------------------------------

CVornModule::CVornModule() = default;

CVornModule::~CVornModule() {
  // Connections first, then the values, as the servers' records point into
  // the values until the very end.
  m_connections.clear();
  m_inputs = CConnectionTable();
  m_outputs = CConnectionTable();
}

// ---- Identity --------------------------------------------------------------

HRESULT CVornModule::CopyText(const std::u16string& text, BSTR* out) const {
  if (out == nullptr)
    return E_POINTER;
  std::lock_guard<std::mutex> hold(m_textLock);
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVornModule::SetModuleType(BSTR bstrModuleType) {
  std::lock_guard<std::mutex> hold(m_textLock);
  m_type = BstrView(bstrModuleType);
  return S_OK;
}

HRESULT CVornModule::SetName(BSTR bstrName) {
  {
    std::lock_guard<std::mutex> hold(m_textLock);
    m_name = BstrView(bstrName);
  }
  if (m_names)
    m_names->ModuleRenamed(this);
  return S_OK;
}

HRESULT CVornModule::GetType(BSTR* pbstrType) { return CopyText(m_type, pbstrType); }
HRESULT CVornModule::GetName(BSTR* pbstrName) { return CopyText(m_name, pbstrName); }
HRESULT CVornModule::GetProcessor(BSTR* pbstrProcessor) { return CopyText(m_processor, pbstrProcessor); }
HRESULT CVornModule::get_Name(BSTR* pVal) { return GetName(pVal); }
HRESULT CVornModule::put_Name(BSTR newVal) { return SetName(newVal); }
HRESULT CVornModule::get_Processor(BSTR* pVal) { return GetProcessor(pVal); }
HRESULT CVornModule::put_Processor(BSTR newVal) { return SetProcessor(newVal, TRUE, TRUE); }
HRESULT CVornModule::get_Type(BSTR* pVal) { return GetType(pVal); }
HRESULT CVornModule::put_Type(BSTR newVal) { return SetModuleType(newVal); }

HRESULT CVornModule::SetID(int nID) {
  m_id = nID;
  return S_OK;
}

HRESULT CVornModule::GetID(int* pnID) {
  if (pnID == nullptr)
    return E_POINTER;
  *pnID = m_id;
  return S_OK;
}

HRESULT CVornModule::get_ID(LONG* pVal) {
  if (pVal == nullptr)
    return E_POINTER;
  *pVal = m_id;
  return S_OK;
}

HRESULT CVornModule::SetProcessor(BSTR bstrProcessor, BOOL bSave, BOOL bHandleActivation) {
  std::u16string_view processor = BstrView(bstrProcessor);
  {
    std::lock_guard<std::mutex> hold(m_textLock);
    if (EqualsIgnoringCase(processor, m_processor))
      return S_OK;
    m_processor = processor;
  }
  if (bSave && m_engine != nullptr) {
    m_engine->BeginDBTrans();
    m_engine->SaveModuleParams(this);
    m_engine->CommitDBTrans();
  }
  bool local = false;
  if (m_engine != nullptr) {
    CComBSTR host;
    host.Attach(m_engine->GetHostName());
    local = EqualsIgnoringCase(BstrView(host), processor) ||
            (m_engine->IsMachineLocal() != 0 && processor == u"<Local>");
  } else {
    // Without an engine this machine's own name stands for its host name.
    char computer[256] = {};
    DWORD size = sizeof computer;
    if (GetComputerName(computer, &size))
      local = EqualsIgnoringCase(Platform::Utf8ToUtf16(computer), processor);
    local = local || processor == u"<Local>";
  }
  m_local = local ? TRUE : FALSE;
  if (bHandleActivation)
    FollowLocalFlag();
  return S_OK;
}

void CVornModule::FollowLocalFlag() {
  if (m_local && !m_activated) {
    m_activated = TRUE;
    if (m_derivedModule != nullptr)
      Guarded("Activate", false, [&] { return m_derivedModule->Activate(); });
  } else if (!m_local && m_activated) {
    m_activated = FALSE;
    if (m_derivedModule != nullptr)
      Guarded("Deactivate", false, [&] { return m_derivedModule->Deactivate(); });
  }
}

HRESULT CVornModule::IsLocal(BOOL* pbLocal) {
  if (pbLocal == nullptr)
    return E_POINTER;
  *pbLocal = m_local;
  return S_OK;
}

HRESULT CVornModule::get_IsLocal(VARIANT_BOOL* pVal) {
  if (pVal == nullptr)
    return E_POINTER;
  *pVal = m_local ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// ---- Flags -----------------------------------------------------------------

HRESULT CVornModule::SetDirtyFlag(BOOL bDirty) {
  if (!m_dirty && bDirty)
    UpdatePropertyPages();
  m_dirty = bDirty;
  return S_OK;
}

HRESULT CVornModule::GetDirtyFlag(BOOL* pbDirty) {
  if (pbDirty == nullptr)
    return E_POINTER;
  *pbDirty = m_dirty;
  return S_OK;
}

HRESULT CVornModule::get_DirtyFlag(VARIANT_BOOL* pVal) {
  if (pVal == nullptr)
    return E_POINTER;
  *pVal = m_dirty ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT CVornModule::put_DirtyFlag(VARIANT_BOOL newVal) { return SetDirtyFlag(newVal); }

HRESULT CVornModule::GetDebugBuildFlag(BOOL* pbDebugBuild) {
  if (pbDebugBuild == nullptr)
    return E_POINTER;
  *pbDebugBuild = m_debugBuild;
  return S_OK;
}

HRESULT CVornModule::SetDebugModeFlag(BOOL bDebugMode) {
  m_debugMode = bDebugMode && m_debugBuild ? TRUE : FALSE;
  return S_OK;
}

// ---- Drawing properties ----------------------------------------------------

namespace {
template <class T>
HRESULT Answer(T* out, const T& value) {
  if (out == nullptr)
    return E_POINTER;
  *out = value;
  return S_OK;
}
} // namespace

HRESULT CVornModule::GetPosition(Vorn3DVector* pPosition) { return Answer(pPosition, m_position); }
HRESULT CVornModule::SetPosition(Vorn3DVector position) {
  m_position = position;
  return S_OK;
}
HRESULT CVornModule::GetOutputOffset(Vorn3DVector* pOffset) { return Answer(pOffset, m_outputOffset); }
HRESULT CVornModule::SetOutputOffset(Vorn3DVector offset) {
  m_outputOffset = offset;
  return S_OK;
}
HRESULT CVornModule::GetDisplayStyle(VornModuleDisplayStyle* pStyle) { return Answer(pStyle, m_displayStyle); }
HRESULT CVornModule::SetDisplayStyle(VornModuleDisplayStyle style) {
  m_displayStyle = style;
  return S_OK;
}
HRESULT CVornModule::GetOutputX(int* pnX) { return Answer(pnX, m_outputX); }
HRESULT CVornModule::GetOutputY(int* pnY) { return Answer(pnY, m_outputY); }
HRESULT CVornModule::GetInputX(int* pnX) { return Answer(pnX, m_inputX); }
HRESULT CVornModule::GetInputY(int* pnY) { return Answer(pnY, m_inputY); }
HRESULT CVornModule::GetColor(int* pnColor) { return Answer(pnColor, m_color); }
HRESULT CVornModule::GetShowInputs(BOOL* pbShow) { return Answer(pbShow, m_showInputs); }
HRESULT CVornModule::GetShowOutputs(BOOL* pbShow) { return Answer(pbShow, m_showOutputs); }

HRESULT CVornModule::GetAccumulatedTime(LONGLONG* pTime) {
  if (pTime == nullptr)
    return E_POINTER;
  *pTime = m_accumulatedTime;
  return S_OK;
}

HRESULT CVornModule::SetAccumulatedTime(LONGLONG time) {
  // Under the lock, as PostRun adds: that add is a plain read and write.
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  m_accumulatedTime.store(time, std::memory_order_relaxed);
  return S_OK;
}

// ---- Engine, server and aggregate -------------------------------------------

HRESULT CVornModule::SetEngine(IVornEngine* pEngine) {
  m_engine = pEngine;
  m_collection = dynamic_cast<const Vorn::CollectionGeneration*>(pEngine);
  m_names = dynamic_cast<Vorn::ModuleNames*>(pEngine);
  return S_OK;
}

HRESULT CVornModule::SetAggregate(IUnknown* pUnk) {
  m_aggregate = pUnk;
  return S_OK;
}

HRESULT CVornModule::SetDerivedModule(IUnknown* pDerivedModule) {
  if (pDerivedModule == nullptr)
    return E_POINTER;
  IVornDerivedModule* derived = nullptr;
  HRESULT hr = pDerivedModule->QueryInterface(IID_IVornDerivedModule, reinterpret_cast<void**>(&derived));
  if (FAILED(hr) || derived == nullptr)
    return FAILED(hr) ? hr : E_NOINTERFACE;
  // The server object is the outer object and outlives this one: a counted
  // reference would keep it alive for ever.
  derived->Release();
  m_derivedModule = derived;
  BOOL debugBuild = FALSE;
  if (SUCCEEDED(derived->GetDebugBuildFlag(&debugBuild)))
    m_debugBuild = debugBuild ? TRUE : FALSE;
  return hr;
}

HRESULT CVornModule::GetDerivedModule(IVornDerivedModule** ppDerivedModule) {
  if (ppDerivedModule == nullptr)
    return E_POINTER;
  *ppDerivedModule = m_derivedModule;
  if (m_derivedModule != nullptr)
    m_derivedModule->AddRef();
  return S_OK;
}

HRESULT CVornModule::Initialize() {
  if (m_derivedModule == nullptr)
    return E_UNEXPECTED;
  return Guarded("Initialize", false, [&] { return m_derivedModule->Initialize(); });
}

HRESULT CVornModule::GetModuleInfo(VornModuleInfo* pModuleInfo) {
  if (pModuleInfo == nullptr)
    return E_POINTER;
  *pModuleInfo = VornModuleInfo{};
  if (m_derivedModule == nullptr)
    return S_OK;
  return Guarded("GetModuleInfo", false, [&] { return m_derivedModule->GetModuleInfo(pModuleInfo); });
}

HRESULT CVornModule::GetHelpFileName(BSTR* pbstrFullPath) {
  if (pbstrFullPath == nullptr)
    return E_POINTER;
  *pbstrFullPath = nullptr;
  if (m_derivedModule == nullptr)
    return E_INVALIDARG;
  return Guarded("GetHelpFileName", false, [&] { return m_derivedModule->GetHelpFileName(pbstrFullPath); });
}

HRESULT CVornModule::GetCycleStartTime(LONGLONG* pTime) {
  if (pTime == nullptr)
    return E_POINTER;
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  *pTime = m_engine->GetCycleStartTime();
  return S_OK;
}

void CVornModule::ReportException(const char* function, const char* detail) {
  std::string name, type;
  {
    std::lock_guard<std::mutex> hold(m_textLock);
    name = Platform::Utf16ToUtf8(m_name);
    type = Platform::Utf16ToUtf8(m_type);
  }
  std::string text = std::string("An exception occured in the ") + function + " function of module \"" + name +
                     "\", Type \"" + type + "\"";
  if (detail != nullptr)
    text += std::string("\n\n") + std::string(detail).substr(0, 512);
  AfxMessageBox(text.c_str(), MB_OK);
}

HRESULT CVornModule::CallWithStorage(const char* function, HRESULT (IVornDerivedModule::*call)(IDispatch*)) {
  CComPtr<IDispatch> storage;
  HRESULT hr = GetModuleStorage(&storage);
  if (FAILED(hr))
    return hr;
  CComPtr<IVornPersist> persist;
  hr = storage->QueryInterface(IID_IVornPersist, reinterpret_cast<void**>(&persist));
  if (FAILED(hr))
    return hr;
  // A server whose save threw is not saved again and again by idle work.
  bool saving = call == &IVornDerivedModule::Save;
  return Guarded(
      function, false, [&] { return (m_derivedModule->*call)(persist); },
      [&] {
        if (saving)
          SetDirtyFlag(FALSE);
      });
}

namespace {
// The transaction of a save ends however the save does, an exception passed
// on to a debugger included; Commit says whether what was saved reached the
// file.
class Transaction {
public:
  explicit Transaction(IVornEngine* engine) : m_engine(engine), m_begun(engine->BeginDBTrans()) {}
  ~Transaction() {
    if (!m_ended)
      m_engine->CommitDBTrans();
  }
  HRESULT Commit() {
    m_ended = true;
    const HRESULT committed = m_engine->CommitDBTrans();
    return FAILED(m_begun) ? m_begun : committed;
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

private:
  IVornEngine* m_engine;
  HRESULT m_begun;
  bool m_ended = false;
};

// A stored value read back as an integer field: truncated toward zero, and
// a value out of range or not a number cannot decide what the field holds.
int StoredInt(float value, int otherwise) {
  if (std::isnan(value))
    return otherwise;
  double truncated = std::trunc(static_cast<double>(value));
  if (truncated <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  if (truncated >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  return static_cast<int>(truncated);
}
} // namespace

HRESULT CVornModule::Save() {
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  HRESULT hr = S_OK;
  // The first failure to write is answered, else the server's own result.
  // The module is clean either way, as after a server's failed save: idle
  // saving does not repeat a failure (and its message) every half second,
  // and the next change saves every value again.
  HRESULT written = S_OK;
  auto note = [&](HRESULT result) {
    if (SUCCEEDED(written) && FAILED(result))
      written = result;
  };
  {
    Transaction transaction(m_engine);
    note(m_engine->SaveModuleParams(this));
    const int id = m_id;
    auto save = [&](const char16_t* name, float value) { note(m_engine->SaveFloatValue(id, CComBSTR(name), value)); };
    save(u"X", m_position.m_fX);
    save(u"Y", m_position.m_fY);
    save(u"Z", m_position.m_fZ);
    save(u"XO", m_outputOffset.m_fX);
    save(u"YO", m_outputOffset.m_fY);
    save(u"ZO", m_outputOffset.m_fZ);
    save(u"Color", static_cast<float>(m_color));
    save(u"DisplayStyle", static_cast<float>(m_displayStyle));
    note(m_engine->SaveConnections(this));
    if (m_derivedModule != nullptr)
      hr = CallWithStorage("Save", &IVornDerivedModule::Save);
    const HRESULT committed = transaction.Commit();
    // Nothing written reaches the file when the transaction does not.
    if (FAILED(committed))
      written = committed;
  }
  SetDirtyFlag(FALSE);
  return FAILED(written) ? written : hr;
}

HRESULT CVornModule::Load() {
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  m_engine->LoadModuleParams(this);
  const int id = m_id;
  auto load = [&](const char16_t* name, float& value) { m_engine->LoadFloatValue(id, CComBSTR(name), &value); };
  load(u"X", m_position.m_fX);
  load(u"Y", m_position.m_fY);
  load(u"Z", m_position.m_fZ);
  load(u"XO", m_outputOffset.m_fX);
  load(u"YO", m_outputOffset.m_fY);
  load(u"ZO", m_outputOffset.m_fZ);
  float color = static_cast<float>(m_color);
  float style = static_cast<float>(m_displayStyle);
  load(u"Color", color);
  load(u"DisplayStyle", style);
  m_color = StoredInt(color, m_color);
  m_displayStyle = static_cast<VornModuleDisplayStyle>(StoredInt(style, m_displayStyle));
  RemoveConnections(-1);
  m_engine->LoadConnections(this);
  HRESULT hr = S_OK;
  if (m_derivedModule != nullptr)
    hr = CallWithStorage("Load", &IVornDerivedModule::Load);
  FollowLocalFlag();
  UpdatePropertyPages();
  return hr;
}

namespace {
HRESULT NewStorage(IVornEngine* engine, int id, IDispatch** ppIVornPersist) {
  if (ppIVornPersist == nullptr)
    return E_POINTER;
  *ppIVornPersist = nullptr;
  CComObject<Vorn::VornPersist>* persist = nullptr;
  HRESULT hr = CComObject<Vorn::VornPersist>::CreateInstance(&persist);
  if (FAILED(hr))
    return hr;
  persist->Attach(engine, id);
  return persist->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppIVornPersist));
}
} // namespace

HRESULT CVornModule::GetModuleStorage(IDispatch** ppIVornPersist) {
  return NewStorage(m_engine, m_id, ppIVornPersist);
}

HRESULT CVornModule::GetGlobalStorage(IDispatch** ppIVornPersist) { return NewStorage(m_engine, -1, ppIVornPersist); }

// ---- Icon ------------------------------------------------------------------

HRESULT CVornModule::DefaultIcon(IPicture** picture) {
#ifndef VORN_HAVE_BITMAP_RESOURCES
  (void)picture;
  return E_FAIL;
#else
  HBITMAP bitmap = LoadBitmap(Platform::ThisModule(), MAKEINTRESOURCE(kDefaultIconBitmap));
  if (bitmap == nullptr)
    return E_FAIL;
  PICTDESC description{};
  description.cbSizeofstruct = sizeof(PICTDESC);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  description.bmp.hpal = nullptr;
  HRESULT hr = OleCreatePictureIndirect(&description, IID_IPicture, TRUE, reinterpret_cast<void**>(picture));
  if (FAILED(hr))
    DeleteObject(bitmap);
  return hr;
#endif
}

HRESULT CVornModule::GetIcon(IPicture** ppIPicture) {
  if (ppIPicture == nullptr)
    return E_POINTER;
  *ppIPicture = nullptr;
  if (m_derivedModule == nullptr || !m_local)
    return DefaultIcon(ppIPicture);
  IDispatch* icon = nullptr;
  HRESULT hr = Guarded("GetIcon", false, [&] { return m_derivedModule->GetIcon(&icon); });
  if (FAILED(hr))
    return hr;
  // A server that answers success without a picture gets the engine's own.
  if (icon == nullptr)
    return DefaultIcon(ppIPicture);
  hr = icon->QueryInterface(IID_IPicture, reinterpret_cast<void**>(ppIPicture));
  icon->Release();
  return hr;
}

// ---- Property pages --------------------------------------------------------

HRESULT CVornModule::AddPropertyPage(REFCLSID clsid, BOOL bShowWhenLocalOnly) {
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  m_localPages.push_back(clsid);
  if (!bShowWhenLocalOnly)
    m_remotePages.push_back(clsid);
  return S_OK;
}

HRESULT CVornModule::GetPages(CAUUID* pPages) {
  if (pPages == nullptr)
    return E_POINTER;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  const std::vector<CLSID>& pages = m_local ? m_localPages : m_remotePages;
  pPages->cElems = 0;
  pPages->pElems = nullptr;
  if (pages.empty())
    return S_OK;
  // The caller frees the array with CoTaskMemFree.
  auto* copy = static_cast<GUID*>(CoTaskMemAlloc(pages.size() * sizeof(GUID)));
  if (copy == nullptr)
    return E_OUTOFMEMORY;
  std::copy(pages.begin(), pages.end(), copy);
  pPages->cElems = static_cast<ULONG>(pages.size());
  pPages->pElems = copy;
  return S_OK;
}

HRESULT CVornModule::OnActivatePropertyPage(IVornModulePropertyPage* pPage) {
  if (pPage == nullptr)
    return E_POINTER;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  if (std::find(m_activePages.begin(), m_activePages.end(), pPage) == m_activePages.end())
    m_activePages.push_back(pPage);
  return S_OK;
}

HRESULT CVornModule::OnDeactivatePropertyPage(IVornModulePropertyPage* pPage) {
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  auto found = std::find(m_activePages.begin(), m_activePages.end(), pPage);
  if (found != m_activePages.end())
    m_activePages.erase(found);
  return S_OK;
}

HRESULT CVornModule::UpdatePropertyPages() {
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  // A page may deactivate itself while it updates.
  std::vector<IVornModulePropertyPage*> pages = m_activePages;
  for (IVornModulePropertyPage* page : pages)
    page->UpdateDisplay();
  return S_OK;
}

// ---- Lock ------------------------------------------------------------------

HRESULT CVornModule::Lock() {
  m_lock.lock();
  return S_OK;
}

HRESULT CVornModule::Unlock() {
  m_lock.unlock();
  return S_OK;
}

// ---- Definitions of inputs and outputs --------------------------------------

HRESULT CVornModule::Define(Table table, BSTR name, VornConnectionType type, int count, BOOL multiple) {
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  std::string checked = Platform::BstrToUtf8(name);
  if (!Vorn::CheckName(checked))
    return E_INVALIDARG;
  CComBSTR key(checked);
  VornConnectionDef definition{key, type, type == ctFloatArray ? count : 0, multiple};
  auto value = std::make_unique<CConnectionData>(definition);
  (table == Table::inputs ? m_inputs : m_outputs).Define(std::u16string(BstrView(key)), std::move(value));
  ++m_definitions;
  return S_OK;
}

HRESULT CVornModule::DefineInput(BSTR bstrName, VornConnectionType type, int nArrayElementCount) {
  return Define(Table::inputs, bstrName, type, nArrayElementCount, FALSE);
}

HRESULT CVornModule::DefineMultipleInputs(BSTR bstrName, VornConnectionType type, int nArrayElementCount) {
  return Define(Table::inputs, bstrName, type, nArrayElementCount, TRUE);
}

HRESULT CVornModule::DefineOutput(BSTR bstrName, VornConnectionType type, int nArrayElementCount) {
  return Define(Table::outputs, bstrName, type, nArrayElementCount, FALSE);
}

HRESULT CVornModule::GetOutputConnectionDef(BSTR bstrName, VornConnectionDef** ppDef) {
  if (ppDef == nullptr)
    return E_POINTER;
  CConnectionData* value = FindOutput(bstrName);
  *ppDef = value != nullptr ? value->GetDef() : nullptr;
  return S_OK;
}

HRESULT CVornModule::GetInputConnectionDef(BSTR bstrName, VornConnectionDef** ppDef) {
  if (ppDef == nullptr)
    return E_POINTER;
  CConnectionData* value = FindInput(bstrName);
  *ppDef = value != nullptr ? value->GetDef() : nullptr;
  return S_OK;
}

HRESULT CVornModule::ListNames(const CConnectionTable& table, IVornStringList** names) {
  if (names == nullptr)
    return E_POINTER;
  *names = nullptr;
  CComPtr<IVornStringList> list;
  HRESULT hr = CoCreateInstance(CLSID_VornStringList, nullptr, CLSCTX_INPROC_SERVER, IID_IVornStringList,
                                reinterpret_cast<void**>(&list));
  if (FAILED(hr))
    return hr;
  table.ForEach([&](const std::u16string& name, CConnectionData&) {
    CComBSTR text{std::u16string_view(name)};
    list->Add(text);
  });
  *names = list.Detach();
  return S_OK;
}

HRESULT CVornModule::GetInputNames(IVornStringList** ppNames) { return ListNames(m_inputs, ppNames); }
HRESULT CVornModule::GetOutputNames(IVornStringList** ppNames) { return ListNames(m_outputs, ppNames); }
