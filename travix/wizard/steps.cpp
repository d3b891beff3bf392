#include "travix/wizard/steps.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/dialogs/dialoghost.h"
#include "travix/generator/namespacerule.h"
#include "travix/wizard/about.h"
#include "travix/wizard/templates.h"

namespace Travix::Wizard {

namespace {

constexpr const char* kBrowseTitle = "Select Schema or DTD";
constexpr const char* kBrowseFilter =
    "XML DTD (*.dtd)|*.dtd|XSDL Schema (*.xsd)|*.xsd|XML Data (.xdr, .biz, .xml)|*.xdr; *.biz; *.xml|All Files (*.*)|*.*||";
constexpr UINT kNamespaceLimit = 32;

bool Checked(const Platform::Dialog& dialog, int id) { return dialog.IsDlgButtonChecked(id) == BST_CHECKED; }

void SetPicture(Platform::Dialog& dialog, UINT bitmap) {
  if (Platform::Control* picture = dialog.GetDlgItem(IDC_PICTURE)) picture->SetImage(bitmap);
}

// A regular file, or a link to one: a directory or a device is no schema.
bool IsReadableFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string NamespaceFromFileName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (const std::size_t dot = base.find_last_of('.'); dot != std::string_view::npos) base = base.substr(0, dot);
  std::string name;
  for (std::size_t i = 0; i < base.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(base[i]);
    // One "_" for each character, however many bytes its UTF-8 takes.
    if (c >= 0x80) {
      while (i + 1 < base.size() && (static_cast<unsigned char>(base[i + 1]) & 0xC0) == 0x80) ++i;
      name += '_';
    } else {
      name += IsNamespaceCharacter(base[i]) ? base[i] : '_';
    }
  }
  if (!name.empty() && IsNamespaceDigit(name.front())) name.front() = '_';
  return name;
}

UINT InputPicture(std::string_view path) {
  if (path.empty()) return IDB_INPUT_NONE;
  std::string upper(path);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
  return upper.find(".DTD") != std::string::npos ? IDB_INPUT_DTD : IDB_INPUT_SCHEMA;
}

// ---- Step 1 -------------------------------------------------------------

InputStep::InputStep(Dictionary& dictionary)
    : WizardStep(IDD_INPUT_STEP, DialogTemplateBytes(IDD_INPUT_STEP)), m_dictionary(dictionary) {}

BOOL InputStep::OnInitDialog() {
  WizardStep::OnInitDialog();
  SetPicture(*this, IDB_INPUT_NONE);
  if (Platform::Control* about = GetDlgItem(IDC_ABOUT)) about->SetImage(IDB_ABOUT);
  OnClicked(IDC_BROWSE, [this] { Browse(); });
  OnClicked(IDC_ABOUT, [this] { About(); });
  return TRUE;
}

void InputStep::OnPaint() {
  // The project cannot be made before a namespace has been chosen.
  if (Sequence()) Sequence()->EnableFrameButton(WIZARD_FINISH, FALSE);
}

void InputStep::Browse() {
  Platform::FileDialog dialog("dtd", GetDlgItemText(IDC_INPUT_FILE),
                              OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                              kBrowseFilter);
  dialog.Title() = kBrowseTitle;
  if (dialog.DoModal() != IDOK) return;
  SetDlgItemText(IDC_INPUT_FILE, dialog.GetPathName());
  SetPicture(*this, InputPicture(dialog.GetPathName()));
}

void InputStep::About() {
  AboutDialog about(this);
  about.DoModal();
  GotoDlgCtrl(GetDlgItem(IDC_INPUT_FILE));
}

BOOL InputStep::OnDismiss() {
  const std::string path = GetDlgItemText(IDC_INPUT_FILE);
  if (!IsReadableFile(path)) {
    MessageBox("Can't access file: " + path);
    GotoDlgCtrl(GetDlgItem(IDC_INPUT_FILE));
    return FALSE;
  }
  m_dictionary.Set(Key::InputFile, path);
  m_dictionary.SetFlag(Key::AddToProject, Checked(*this, IDC_ADD_TO_PROJECT));
  return TRUE;
}

// ---- Step 2 -------------------------------------------------------------

OutputOptionsStep::OutputOptionsStep(Dictionary& dictionary)
    : WizardStep(IDD_OUTPUT_STEP, DialogTemplateBytes(IDD_OUTPUT_STEP)), m_dictionary(dictionary) {}

BOOL OutputOptionsStep::OnInitDialog() {
  WizardStep::OnInitDialog();
  SetPicture(*this, IDB_OUTPUT);
  CheckDlgButton(IDC_USE_FILE_NAME, BST_CHECKED);
  if (auto* edit = GetDlgItemAs<Platform::Edit>(IDC_NAMESPACE)) edit->SetLimitText(kNamespaceLimit);
  EnableDlgItem(IDC_NAMESPACE, FALSE);
  OnClicked(IDC_USE_FILE_NAME, [this] { UseFileNameClicked(); });
  return TRUE;
}

void OutputOptionsStep::FillFromFileName() {
  SetDlgItemText(IDC_NAMESPACE, NamespaceFromFileName(m_dictionary.Value(Key::InputFile)));
}

void OutputOptionsStep::OnSetActive() {
  // A name the user typed stays: only the box asks for the file's name.
  if (Checked(*this, IDC_USE_FILE_NAME)) FillFromFileName();
}

void OutputOptionsStep::UseFileNameClicked() {
  const bool useFileName = Checked(*this, IDC_USE_FILE_NAME);
  if (useFileName) FillFromFileName();
  EnableDlgItem(IDC_NAMESPACE, !useFileName);
}

BOOL OutputOptionsStep::OnDismiss() {
  for (std::string_view key : {Key::ExportSchema, Key::Namespace, Key::NoNamespace, Key::DisableRead})
    m_dictionary.Remove(key);
  m_dictionary.SetFlag(Key::ExportSchema, Checked(*this, IDC_EXPORT_SCHEMA));
  m_dictionary.SetFlag(Key::NoNamespace, Checked(*this, IDC_NO_NAMESPACE));
  m_dictionary.SetFlag(Key::DisableRead, Checked(*this, IDC_DISABLE_READ));

  const std::string name = GetDlgItemText(IDC_NAMESPACE);
  const char* problem = nullptr;
  switch (CheckNamespaceCharacters(name)) {
  case NamespaceFault::Empty: problem = "You must specify a namespace."; break;
  case NamespaceFault::BadCharacter: problem = "Invalid characters in the namespace."; break;
  case NamespaceFault::LeadingDigit: problem = "Invalid namespace, can't start with a digit."; break;
  case NamespaceFault::None: break;
  }
  if (problem) {
    MessageBox(problem);
    GotoDlgCtrl(GetDlgItem(IDC_NAMESPACE));
    return FALSE;
  }
  m_dictionary.Set(Key::Namespace, name);
  return TRUE;
}

// ---- Step 3 -------------------------------------------------------------

ProjectTypeStep::ProjectTypeStep(Dictionary& dictionary)
    : WizardStep(IDD_PROJECT_STEP, DialogTemplateBytes(IDD_PROJECT_STEP)), m_dictionary(dictionary) {}

BOOL ProjectTypeStep::OnInitDialog() {
  WizardStep::OnInitDialog();
  // Only at the start: coming back to the step keeps what the DLL box allows.
  EnableDlgItem(IDC_BASE_DLL, FALSE);
  OnClicked(IDC_DLL, [this] { DllClicked(); });
  return TRUE;
}

void ProjectTypeStep::OnSetActive() { SetPicture(*this, IDB_PROJECT); }

void ProjectTypeStep::DllClicked() {
  const bool dll = Checked(*this, IDC_DLL);
  if (!dll) CheckDlgButton(IDC_BASE_DLL, BST_UNCHECKED);
  EnableDlgItem(IDC_BASE_DLL, dll);
}

BOOL ProjectTypeStep::OnDismiss() {
  for (std::string_view key : {Key::ProjTypeLib, Key::ProjTypeDll, Key::BaseTypeLib, Key::BaseTypeDll, Key::Mfc})
    m_dictionary.Remove(key);
  m_dictionary.Set(Checked(*this, IDC_DLL) ? Key::ProjTypeDll : Key::ProjTypeLib, "1");
  m_dictionary.Set(Checked(*this, IDC_BASE_DLL) ? Key::BaseTypeDll : Key::BaseTypeLib, "1");
  m_dictionary.SetFlag(Key::Mfc, Checked(*this, IDC_MFC));
  return TRUE;
}

// ---- Message dialog -----------------------------------------------------

MessageDialog::MessageDialog(std::string text)
    : Dialog(IDD_MESSAGE, DialogTemplateBytes(IDD_MESSAGE)), m_text(std::move(text)) {}

BOOL MessageDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  SetDlgItemText(IDC_MESSAGE, m_text);
  return TRUE;
}

}  // namespace Travix::Wizard
