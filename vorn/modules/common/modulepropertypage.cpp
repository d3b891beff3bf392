#include "vorn/modules/common/modulepropertypage.h"

#include <cstring>

#include "platform/dialogs/dialogunits.h"
#include "platform/ui/window.h"
#include "vorn/modules/common/comerror.h"

namespace VornModules {

namespace {

LPOLESTR TaskString(std::string_view text) {
  const std::u16string wide = Platform::Utf8ToUtf16(text);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
  return copy;
}

void Check(HRESULT hr, REFIID iid) {
  if (FAILED(hr)) ThrowComError(hr, iid);
}

// Runs a page method, answering a COM error raised inside it as its result.
template <class F>
HRESULT Guarded(F&& work) {
  try {
    return work();
  } catch (const ComError& error) {
    return error.Error();
  }
}

}  // namespace

// ---- ModulePageDialog --------------------------------------------------------

ModulePageDialog::ModulePageDialog(REFIID moduleIid, HMODULE resources)
    : PropertyPage(kPageTemplateId, "Custom", resources), m_moduleIid(moduleIid) {}

ModulePageDialog::ModulePageDialog(REFIID moduleIid, std::span<const BYTE> templateBytes)
    : PropertyPage(kPageTemplateId, templateBytes, "Custom"), m_moduleIid(moduleIid) {}

ModulePageDialog::~ModulePageDialog() { ReleaseObjects(); }

void ModulePageDialog::ReleaseObjects() {
  for (IUnknown* object : m_objects) object->Release();
  m_objects.clear();
  // Only the objects kept the module alive.
  m_module = nullptr;
}

void ModulePageDialog::SetObjects(ULONG count, IUnknown** objects) {
  ReleaseObjects();
  for (ULONG i = 0; i < count; ++i) {
    IUnknown* object = objects[i];
    if (object == nullptr) continue;
    object->AddRef();
    m_objects.push_back(object);
    if (m_module != nullptr) continue;
    IUnknown* module = nullptr;
    if (SUCCEEDED(object->QueryInterface(m_moduleIid, reinterpret_cast<void**>(&module))) && module != nullptr) {
      // Held without a reference: the held object keeps it alive.
      m_module = module;
      module->Release();
    }
  }
}

std::string ModulePageDialog::GetHelpFile() {
  CComQIPtr<IVornDerivedModule> derived(m_module);
  if (!derived) return {};
  BSTR path = nullptr;
  if (FAILED(derived->GetHelpFileName(&path))) return {};
  std::string text = Platform::BstrToUtf8(path);
  SysFreeString(path);
  return text;
}

bool ModulePageDialog::WithModuleLocked(const std::function<bool()>& work) {
  CComQIPtr<IVornModule> module(m_module);
  if (!module) return false;
  Check(module->Lock(), IID_IVornModule);
  bool changed = false;
  try {
    changed = work();
  } catch (...) {
    module->Unlock();
    throw;
  }
  Check(module->Unlock(), IID_IVornModule);
  if (changed) Check(module->put_DirtyFlag(VARIANT_TRUE), IID_IVornModule);
  return true;
}

void ModulePageDialog::SetModuleDirtyFlag(bool dirty) {
  CComQIPtr<IVornModule> module(m_module);
  if (module) Check(module->put_DirtyFlag(dirty ? VARIANT_TRUE : VARIANT_FALSE), IID_IVornModule);
}

void ModulePageDialog::MarkDirty() {
  SetModified(true);
  SetModuleDirtyFlag(true);
}

BOOL ModulePageDialog::OnInitDialog() {
  const BOOL result = PropertyPage::OnInitDialog();
  CComQIPtr<IVornModule> module(m_module);
  VARIANT_BOOL wasDirty = VARIANT_FALSE;
  if (module) Check(module->get_DirtyFlag(&wasDirty), IID_IVornModule);
  WithModuleLocked([&] {
    InitializePage();
    return false;
  });
  SetModified(false);
  // A change waiting to be saved before the page opened is still waiting.
  if (module) Check(module->put_DirtyFlag(wasDirty), IID_IVornModule);
  return result;
}

// ---- ModulePropertyPage ------------------------------------------------------

void ModulePropertyPage::SiteBridge::OnStatusChange(DWORD flags) {
  if (site != nullptr) site->OnStatusChange(flags);
}

ModulePropertyPage::ModulePropertyPage(std::unique_ptr<ModulePageDialog> dialog) : m_dialog(std::move(dialog)) {}

ModulePropertyPage::~ModulePropertyPage() {
  m_dialog->SetPageSite(nullptr);
  m_dialog.reset();
  if (m_site != nullptr) m_site->Release();
}

HRESULT ModulePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
  if (pPageSite != nullptr) {
    if (m_site != nullptr) return E_UNEXPECTED;
    pPageSite->AddRef();
    m_site = pPageSite;
    m_bridge.site = pPageSite;
    m_dialog->SetPageSite(&m_bridge);
    return S_OK;
  }
  m_dialog->SetPageSite(nullptr);
  m_bridge.site = nullptr;
  if (m_site != nullptr) m_site->Release();
  m_site = nullptr;
  return S_OK;
}

HRESULT ModulePropertyPage::TellModules(bool activated) {
  for (IUnknown* object : m_dialog->Objects()) {
    CComQIPtr<IVornModuleLocal> local(object);
    if (!local) continue;
    IVornModulePropertyPage* self = this;
    Check(activated ? local->OnActivatePropertyPage(self) : local->OnDeactivatePropertyPage(self),
          IID_IVornModuleLocal);
  }
  return S_OK;
}

HRESULT ModulePropertyPage::Activate(HWND, LPCRECT pRect, BOOL) {
  if (pRect == nullptr) return E_POINTER;
  return Guarded([&] {
    HRESULT hr = E_FAIL;
    if (m_dialog->Create()) {
      Move(pRect);
      m_activeSize = {pRect->right - pRect->left, pRect->bottom - pRect->top};
      hr = S_OK;
    }
    TellModules(true);
    return hr;
  });
}

HRESULT ModulePropertyPage::Deactivate() {
  return Guarded([&] {
    TellModules(false);
    if (m_dialog->IsWindow()) m_dialog->DestroyWindow();
    return S_OK;
  });
}

HRESULT ModulePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
  if (pPageInfo == nullptr) return E_POINTER;
  if (m_dialog->TemplateBytes().empty()) return E_UNEXPECTED;
  const std::optional<SIZE> size = Platform::DialogTemplatePixels(m_dialog->TemplateBytes());
  if (!size) return E_UNEXPECTED;
  return Guarded([&] {
    const std::string helpFile = m_dialog->GetHelpFile();
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    pPageInfo->pszTitle = TaskString(m_dialog->Caption());
    pPageInfo->size = *size;
    pPageInfo->pszDocString = TaskString(m_dialog->DocString());
    pPageInfo->pszHelpFile = TaskString(helpFile);
    pPageInfo->dwHelpContext = m_dialog->HelpContext();
    return S_OK;
  });
}

HRESULT ModulePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
  if (ppUnk == nullptr && cObjects != 0) return E_POINTER;
  m_dialog->SetObjects(cObjects, ppUnk);
  return S_OK;
}

HRESULT ModulePropertyPage::Show(UINT nCmdShow) {
  if (!m_dialog->IsWindow()) return E_UNEXPECTED;
  m_dialog->ShowWindow(static_cast<int>(nCmdShow));
  return S_OK;
}

HRESULT ModulePropertyPage::Move(LPCRECT pRect) {
  if (!m_dialog->IsWindow()) return E_UNEXPECTED;
  if (pRect == nullptr) return E_POINTER;
  m_dialog->MoveWindow(pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top, TRUE);
  return S_OK;
}

HRESULT ModulePropertyPage::IsPageDirty() { return m_dialog->IsModified() ? S_OK : S_FALSE; }

// The module's DirtyFlag is left as the handlers set it: the engine saves
// only dirty modules, so clearing it here would lose what was applied.
HRESULT ModulePropertyPage::Apply() {
  return Guarded([&] { return m_dialog->Apply(); });
}

HRESULT ModulePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

HRESULT ModulePropertyPage::TranslateAccelerator(MSG* pMsg) {
  if (pMsg == nullptr) return E_POINTER;
  const UINT message = pMsg->message;
  const bool keyboard = message >= 0x100 && message <= 0x108;
  const bool mouse = message >= 0x200 && message <= 0x209;
  if (!keyboard && !mouse) return S_FALSE;
  return Guarded([&] {
    return m_dialog->IsWindow() && m_dialog->IsDialogMessage(message, pMsg->wParam, pMsg->lParam) ? S_OK : S_FALSE;
  });
}

HRESULT ModulePropertyPage::UpdateDisplay() {
  return Guarded([&] {
    if (m_dialog->IsWindow()) m_dialog->UpdateDisplay();
    return S_OK;
  });
}

HRESULT ModulePropertyPage::GetDlgSize(int* pnX, int* pnY) {
  if (pnX == nullptr || pnY == nullptr) return E_POINTER;
  const std::optional<SIZE> units = Platform::DialogTemplateUnits(m_dialog->TemplateBytes());
  if (!units) return E_UNEXPECTED;
  *pnX = units->cx;
  *pnY = units->cy;
  return S_OK;
}

}  // namespace VornModules
