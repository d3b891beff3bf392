#include "platform/dialogs/dialoghost.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <iostream>

namespace Platform {

namespace {

std::atomic<DialogHost*>& Current() {
  static std::atomic<DialogHost*> current{nullptr};
  return current;
}

DialogHost& DefaultHost() {
  static TerminalHost host(std::cin, std::cerr);
  return host;
}

// The text a person reads: mnemonic ampersands removed ("&&" is one "&").
std::string Visible(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    } else if (text[i] != '&') {
      out += text[i];
    }
  }
  while (!out.empty() && (out.back() == ':' || out.back() == ' ')) out.pop_back();
  return out;
}

bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The label a field goes by: the nearest text before it, else its number.
std::string FieldLabel(const Dialog& dialog, const Control& field) {
  std::string label;
  for (const auto& control : dialog.Controls()) {
    if (control.get() == &field) break;
    if (control->Kind() == ControlKind::Label) label = Visible(control->GetWindowText());
    if (control->Kind() != ControlKind::Label && control->Kind() != ControlKind::Picture) label.clear();
  }
  return label.empty() ? "Field " + std::to_string(field.GetDlgCtrlID()) : label;
}

struct Choice {
  std::string text;
  int id = 0;
  bool systemMenu = false;
};

std::vector<Choice> ButtonChoices(Dialog& dialog) {
  std::vector<Choice> choices;
  for (const auto& control : dialog.Controls()) {
    if (control->Kind() == ControlKind::PushButton && control->IsUsable())
      choices.push_back({Visible(control->GetWindowText()), control->GetDlgCtrlID(), false});
  }
  for (const MenuEntry& entry : dialog.GetSystemMenu().Entries()) {
    if (!(entry.flags & MF_SEPARATOR) && (entry.id & 0xFFF0u) != SC_CLOSE && !entry.text.empty())
      choices.push_back({Visible(entry.text), static_cast<int>(entry.id), true});
  }
  return choices;
}

const Choice* Pick(const std::vector<Choice>& choices, std::string_view answer) {
  if (auto number = Number(answer); number && *number >= 1 && std::size_t(*number) <= choices.size())
    return &choices[std::size_t(*number - 1)];
  for (const Choice& choice : choices) {
    if (SameFolded(choice.text, answer)) return &choice;
  }
  return nullptr;
}

// The buttons of a message box that asks something; none for OK alone.
std::vector<Choice> MessageChoices(UINT type) {
  switch (type & 0xFu) {
  case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
  case 0x2u: return {{"Abort", IDABORT}, {"Retry", IDRETRY}, {"Ignore", IDIGNORE}};
  case MB_YESNOCANCEL: return {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
  case MB_YESNO: return {{"Yes", IDYES}, {"No", IDNO}};
  case 0x5u: return {{"Retry", IDRETRY}, {"Cancel", IDCANCEL}};
  default: return {};
  }
}

bool FileExists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

}  // namespace

DialogHost::~DialogHost() = default;

DialogHost& CurrentDialogHost() {
  DialogHost* host = Current().load();
  return host ? *host : DefaultHost();
}

DialogHost* SetDialogHost(DialogHost* host) { return Current().exchange(host); }

int NonDestructiveAnswer(UINT type) {
  switch (type & 0xFu) {
  case MB_OKCANCEL: return IDCANCEL;
  case MB_YESNOCANCEL: return IDCANCEL;
  case MB_YESNO: return IDNO;
  case 0x2u: return IDABORT;   // abort, retry, ignore
  case 0x5u: return IDCANCEL;  // retry, cancel
  default: return IDOK;
  }
}

FileDialog::FileDialog(std::string defaultExtension, std::string initialName, DWORD flags, std::string filter) {
  m_request.defaultExtension = std::move(defaultExtension);
  m_request.initialName = std::move(initialName);
  m_request.flags = flags;
  m_request.filter = std::move(filter);
}

INT_PTR FileDialog::DoModal() {
  auto path = CurrentDialogHost().ChooseFile(m_request);
  if (!path) return IDCANCEL;
  m_path = *path;
  return IDOK;
}

TerminalHost::TerminalHost(std::istream& in, std::ostream& out) : m_in(in), m_out(out) {}

bool TerminalHost::ReadLine(std::string& line) {
  m_out.flush();
  if (!std::getline(m_in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void TerminalHost::ShowReadOnly(const Dialog& dialog) {
  for (const auto& control : dialog.Controls()) {
    if (!control->IsWindowVisible()) continue;
    if (control->Kind() == ControlKind::Label) {
      if (!control->GetWindowText().empty()) m_out << Visible(control->GetWindowText()) << '\n';
    } else if (auto* edit = dynamic_cast<Edit*>(control.get()); edit && edit->IsReadOnly()) {
      m_out << edit->GetWindowText() << '\n';
    } else if (auto* tree = dynamic_cast<TreeView*>(control.get())) {
      for (const std::string& line : tree->Lines()) m_out << "  " << line << '\n';
    }
  }
}

bool TerminalHost::PromptFields(Dialog& dialog) {
  std::string line;
  for (std::size_t i = 0; i < dialog.Controls().size() && !dialog.HasEnded(); ++i) {
    Control& control = *dialog.Controls()[i];
    if (!control.IsUsable()) continue;
    const int id = control.GetDlgCtrlID();
    switch (control.Kind()) {
    case ControlKind::Edit: {
      auto& edit = static_cast<Edit&>(control);
      if (edit.IsReadOnly()) break;
      m_out << FieldLabel(dialog, control) << " [" << edit.GetWindowText() << "]: ";
      if (!ReadLine(line)) return false;
      if (line == "-") {
        dialog.UserType(id, "");
      } else if (!line.empty()) {
        dialog.UserType(id, line);
      }
      break;
    }
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
      const bool checked = static_cast<Button&>(control).GetCheck() == BST_CHECKED;
      m_out << Visible(control.GetWindowText()) << " [" << (checked ? "yes" : "no") << "]: ";
      if (!ReadLine(line)) return false;
      if (line.empty()) break;
      const bool wanted = line[0] == 'y' || line[0] == 'Y';
      if (wanted != checked && (control.Kind() == ControlKind::CheckBox || wanted)) dialog.UserClick(id);
      break;
    }
    case ControlKind::ListBox:
    case ControlKind::ComboBox: {
      auto& list = static_cast<ListControl&>(control);
      if (list.GetCount() == 0) break;
      m_out << FieldLabel(dialog, control) << ":\n";
      for (int item = 0; item < list.GetCount(); ++item) m_out << "  " << item + 1 << ") " << list.GetItemText(item) << '\n';
      m_out << "Choice [" << (list.GetCurSel() >= 0 ? std::to_string(list.GetCurSel() + 1) : std::string()) << "]: ";
      if (!ReadLine(line)) return false;
      if (line.empty()) break;
      if (auto number = Number(line); number && *number >= 1 && *number <= list.GetCount()) {
        dialog.UserChoose(id, *number - 1);
      } else if (int found = list.FindStringExact(-1, line); found != LB_ERR) {
        dialog.UserChoose(id, found);
      } else if (!dialog.UserType(id, line)) {
        m_out << "No such choice.\n";
      }
      break;
    }
    case ControlKind::Slider: {
      auto& slider = static_cast<Slider&>(control);
      m_out << FieldLabel(dialog, control) << " (" << slider.GetRangeMin() << " to " << slider.GetRangeMax() << ") ["
            << slider.GetPos() << "]: ";
      if (!ReadLine(line)) return false;
      if (auto number = Number(line)) dialog.UserDrag(id, *number);
      break;
    }
    default: break;
    }
  }
  return true;
}

void TerminalHost::RunModal(Dialog& dialog) {
  std::string line;
  while (!dialog.HasEnded()) {
    dialog.OnPaint();
    m_out << "\n== " << Visible(dialog.GetWindowText()) << " ==\n";
    ShowReadOnly(dialog);
    if (!PromptFields(dialog)) return dialog.EndDialog(IDCANCEL);
    if (dialog.HasEnded()) return;
    const std::vector<Choice> choices = ButtonChoices(dialog);
    if (choices.empty()) return dialog.EndDialog(IDOK);
    std::size_t preferred = 0;
    for (std::size_t i = 0; i < choices.size(); ++i) {
      auto* button = dialog.GetDlgItemAs<Button>(choices[i].id);
      if (!choices[i].systemMenu && (choices[i].id == IDOK || (button && button->IsDefault()))) {
        preferred = i;
        break;
      }
    }
    for (std::size_t i = 0; i < choices.size(); ++i) m_out << "  " << i + 1 << ") " << choices[i].text << '\n';
    m_out << "Button [" << choices[preferred].text << "]: ";
    if (!ReadLine(line)) return dialog.EndDialog(IDCANCEL);
    const Choice* choice = line.empty() ? &choices[preferred] : Pick(choices, line);
    if (!choice) {
      m_out << "No such button.\n";
      continue;
    }
    if (choice->systemMenu) {
      dialog.UserSysCommand(static_cast<UINT>(choice->id));
    } else {
      dialog.UserClick(choice->id);
    }
  }
}

void TerminalHost::RunWizard(WizardSequence& wizard) {
  std::string line;
  while (WizardStep* step = wizard.Current()) {
    m_out << "\n== " << wizard.Caption() << (wizard.Caption().empty() ? "" : ": ") << "step "
          << wizard.CurrentIndex() + 1 << " of " << wizard.StepCount() << " ==\n";
    ShowReadOnly(*step);
    if (!PromptFields(*step)) return;
    std::vector<Choice> choices;
    const bool last = wizard.CurrentIndex() + 1 == wizard.StepCount();
    if (!last && wizard.IsFrameButtonEnabled(WIZARD_NEXT)) choices.push_back({"Next", WIZARD_NEXT});
    if (wizard.IsFrameButtonEnabled(WIZARD_BACK)) choices.push_back({"Back", WIZARD_BACK});
    if (wizard.IsFrameButtonEnabled(WIZARD_FINISH)) choices.push_back({"Finish", WIZARD_FINISH});
    choices.push_back({"Cancel", IDCANCEL});
    for (const Choice& button : ButtonChoices(*step)) choices.push_back(button);
    for (std::size_t i = 0; i < choices.size(); ++i) m_out << "  " << i + 1 << ") " << choices[i].text << '\n';
    m_out << "Button [" << choices.front().text << "]: ";
    if (!ReadLine(line)) return;
    const Choice* choice = line.empty() ? &choices.front() : Pick(choices, line);
    if (!choice) {
      m_out << "No such button.\n";
      continue;
    }
    switch (choice->id) {
    case WIZARD_NEXT: wizard.GoNext(); break;
    case WIZARD_BACK: wizard.GoBack(); break;
    case WIZARD_FINISH:
      if (wizard.Finish()) return;
      break;
    case IDCANCEL: return;
    default:
      if (choice->systemMenu) {
        step->UserSysCommand(static_cast<UINT>(choice->id));
      } else {
        step->UserClick(choice->id);
      }
      break;
    }
  }
}

int TerminalHost::ShowMessage(std::string_view text, std::string_view caption, UINT type) {
  if (!caption.empty()) m_out << caption << ": ";
  m_out << text << '\n';
  m_out.flush();
  const std::vector<Choice> choices = MessageChoices(type);
  if (choices.empty()) return NonDestructiveAnswer(type);
  // A question is asked; the end of input gives the answer that destroys nothing.
  const std::size_t preferred = std::min<std::size_t>((type & 0xF00u) >> 8, choices.size() - 1);
  std::string line;
  while (true) {
    for (std::size_t i = 0; i < choices.size(); ++i) m_out << "  " << i + 1 << ") " << choices[i].text << '\n';
    m_out << "Button [" << choices[preferred].text << "]: ";
    if (!ReadLine(line)) return NonDestructiveAnswer(type);
    if (const Choice* choice = line.empty() ? &choices[preferred] : Pick(choices, line)) return choice->id;
    m_out << "No such button.\n";
  }
}

std::optional<std::string> TerminalHost::ChooseFile(const FileDialogRequest& request) {
  std::string line;
  while (true) {
    if (!request.title.empty()) m_out << request.title << '\n';
    m_out << "File name [" << request.initialName << "]: ";
    if (!ReadLine(line)) return std::nullopt;
    std::string path = line.empty() ? request.initialName : line;
    if (path.empty()) return std::nullopt;
    const std::size_t name = path.find_last_of("/\\");
    const std::string_view base = std::string_view(path).substr(name == std::string::npos ? 0 : name + 1);
    if (!request.defaultExtension.empty() && base.find('.') == std::string_view::npos && !FileExists(path))
      path += "." + request.defaultExtension;
    if ((request.flags & OFN_FILEMUSTEXIST) && !FileExists(path)) {
      m_out << path << ": file not found.\n";
      continue;
    }
    return path;
  }
}

void RecordingHost::Clear() {
  m_dialogScripts.clear();
  m_wizardScripts.clear();
  m_messageAnswers.clear();
  m_fileAnswers.clear();
  m_dialogs.clear();
  m_messages.clear();
  m_fileRequests.clear();
  m_wizardSteps.clear();
}

void RecordingHost::RunModal(Dialog& dialog) {
  const std::size_t index = m_dialogs.size();
  m_dialogs.push_back(ShownDialog{dialog.TemplateId(), dialog.GetWindowText(), 0, !m_dialogScripts.empty()});
  if (!m_dialogScripts.empty()) {
    DialogScript script = std::move(m_dialogScripts.front());
    m_dialogScripts.pop_front();
    dialog.OnPaint();
    script(dialog);
  }
  if (!dialog.HasEnded()) dialog.EndDialog(IDCANCEL);
  m_dialogs[index].result = dialog.ModalResult();
}

void RecordingHost::RunWizard(WizardSequence& wizard) {
  while (WizardStep* step = wizard.Current()) {
    if (m_wizardScripts.empty()) return;
    WizardScript script = std::move(m_wizardScripts.front());
    m_wizardScripts.pop_front();
    m_wizardSteps.push_back(step->TemplateId());
    const WizardAction action = script(*step);
    if (action == WizardAction::Cancel) return;
    if (wizard.Apply(action) && action == WizardAction::Finish) return;
  }
}

int RecordingHost::ShowMessage(std::string_view text, std::string_view caption, UINT type) {
  int answer = NonDestructiveAnswer(type);
  if (!m_messageAnswers.empty()) {
    answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
  }
  m_messages.push_back(ShownMessage{std::string(text), std::string(caption), type, answer});
  return answer;
}

std::optional<std::string> RecordingHost::ChooseFile(const FileDialogRequest& request) {
  m_fileRequests.push_back(request);
  if (m_fileAnswers.empty()) return std::nullopt;
  auto answer = std::move(m_fileAnswers.front());
  m_fileAnswers.pop_front();
  return answer;
}

}  // namespace Platform
