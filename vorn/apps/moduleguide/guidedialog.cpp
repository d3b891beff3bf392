#include "vorn/apps/moduleguide/guidedialog.h"

#include "platform/activation/activation.h"
#include "platform/com/bstr.h"
#include "platform/com/pointers.h"
#include "platform/com/text.h"
#include "platform/resources/resources.h"
#include "platform/ui/messagebox.h"
#include "vorn/apps/moduleguide/helpopener.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/interfaces/module.h"
#include "vorn/support/errortext.h"

namespace Vorn::ModuleGuide {

namespace {

void Tell(const std::string& text) { AfxMessageBox(text.c_str(), MB_OK); }

std::string Quoted(const std::string& type) { return "\"" + type + "\""; }

} // namespace

AboutDialog::AboutDialog(Platform::Dialog* parent) : Dialog(IDD_ABOUTBOX, parent) {}

ModuleGuideDialog::ModuleGuideDialog(Opener opener)
    : Dialog(IDD_MODULEGUIDE), m_opener(opener ? std::move(opener) : Opener(OpenHelpFile)) {
  OnClicked(IDC_SHOW_HELP, [this] { ShowHelp(); });
  OnDoubleClick(IDC_MODULE_TYPES, [this] { ShowHelp(); });
}

ModuleGuideDialog::~ModuleGuideDialog() {
  for (HICON icon : m_icons)
    DestroyIcon(icon);
}

BOOL ModuleGuideDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  char about[256] = {};
  if (LoadString(nullptr, IDS_ABOUTBOX, about, sizeof about) > 0) {
    GetSystemMenu().AppendMenu(MF_SEPARATOR);
    GetSystemMenu().AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
  }
  // The program's icon on the title bar, in both sizes.
  for (int big : {1, 0}) {
    const int size = big ? PLATFORM_ICON_SIZE : PLATFORM_SMALL_ICON_SIZE;
    DestroyIcon(m_icons[1 - big]);
    m_icons[1 - big] = static_cast<HICON>(LoadImage(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
    SetIcon(m_icons[1 - big], big);
  }
  FillTypeList();
  return TRUE;
}

void ModuleGuideDialog::FillTypeList() {
  Platform::ListBox* list = TypeList();
  if (list == nullptr)
    return;
  list->ResetContent();
  for (const std::string& type : ModuleTypeRegistry::ListTypes(true))
    list->AddString(type);
}

void ModuleGuideDialog::OnSysCommand(UINT id) {
  if ((id & 0xFFF0u) == IDM_ABOUTBOX) {
    AboutDialog about(this);
    about.DoModal();
    return;
  }
  Dialog::OnSysCommand(id);
}

bool ModuleGuideDialog::ShowHelp() {
  Platform::ListBox* list = TypeList();
  if (list == nullptr || list->GetCurSel() < 0)
    return false;
  const std::string type = list->GetText(list->GetCurSel());

  CLSID clsid = GUID_NULL;
  if (!ModuleTypeRegistry::GetClassId(type, clsid)) {
    Tell("Could not find CLSDID for module type " + Quoted(type));
    return false;
  }
  CComPtr<IVornModuleLocal> module;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                IID_IVornModuleLocal, reinterpret_cast<void**>(&module));
  if (FAILED(hr) || module == nullptr) {
    Tell("Could not create module of type " + Quoted(type) + ".\n\nError is: " + FormatHResultText(hr, true));
    return false;
  }
  module->Initialize();
  CComBSTR name;
  hr = module->GetHelpFileName(&name);
  const std::string path = Platform::Utf16ToUtf8(Platform::BstrView(name));
  if (FAILED(hr) || path.empty()) {
    Tell("Could not get helpfile name for module type " + Quoted(type));
    return false;
  }
  std::string failure;
  if (!m_opener(path, failure)) {
    Tell("Could not open the help file " + Quoted(path) + ": " + failure);
    return false;
  }
  return true;
}

} // namespace Vorn::ModuleGuide
