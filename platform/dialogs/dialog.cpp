#include "platform/dialogs/dialog.h"

#include <charconv>
#include <mutex>

#include "platform/dialogs/dialoghost.h"
#include "platform/dialogs/dialogunits.h"
#include "platform/resources/resources.h"

namespace Platform {

namespace {

std::mutex& LoaderLock() {
  static std::mutex lock;
  return lock;
}

DialogTemplateLoader& Loader() {
  static DialogTemplateLoader loader;
  return loader;
}

std::unique_ptr<Control> MakeControl(Dialog& dialog, const DialogItemTemplate& item) {
  const WORD atom = item.windowClass.isOrdinal ? item.windowClass.ordinal : 0;
  const std::string& name = item.windowClass.text;
  auto named = [&](std::string_view wanted) {
    if (name.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(wanted[i])))
        return false;
    }
    return true;
  };
  if (atom == DLGCLASS_BUTTON || named("Button")) {
    switch (item.style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: return std::make_unique<Button>(dialog, item, ControlKind::CheckBox);
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return std::make_unique<Button>(dialog, item, ControlKind::RadioButton);
    case BS_GROUPBOX: return std::make_unique<Button>(dialog, item, ControlKind::GroupBox);
    default: return std::make_unique<Button>(dialog, item, ControlKind::PushButton);
    }
  }
  if (atom == DLGCLASS_EDIT || named("Edit")) return std::make_unique<Edit>(dialog, item, ControlKind::Edit);
  if (atom == DLGCLASS_STATIC || named("Static")) {
    const DWORD type = item.style & SS_TYPEMASK;
    const bool picture = type == SS_ICON || type == SS_BITMAP || (type >= 4 && type <= 9) || type == SS_ETCHEDFRAME ||
                         (type >= 0x10 && type <= 0x11);
    return std::make_unique<Control>(dialog, item, picture ? ControlKind::Picture : ControlKind::Label);
  }
  if (atom == DLGCLASS_LISTBOX || named("ListBox")) return std::make_unique<ListBox>(dialog, item);
  if (atom == DLGCLASS_COMBOBOX || named("ComboBox")) return std::make_unique<ComboBox>(dialog, item);
  if (named("msctls_trackbar32")) return std::make_unique<Slider>(dialog, item, ControlKind::Slider);
  if (named("SysTreeView32")) return std::make_unique<TreeView>(dialog, item);
  return std::make_unique<Control>(dialog, item, ControlKind::Other);
}

std::string FormatFloating(double value, bool single) {
  char buffer[64];
  auto result = single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value))
                       : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

template <class T>
bool ParseWhole(std::string_view text, T& value) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  T parsed{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

}  // namespace

DialogTemplateLoader SetDialogTemplateLoader(DialogTemplateLoader loader) {
  std::lock_guard guard(LoaderLock());
  DialogTemplateLoader previous = std::move(Loader());
  Loader() = std::move(loader);
  return previous;
}

std::optional<std::vector<BYTE>> LoadDialogTemplate(HMODULE module, UINT id) {
  DialogTemplateLoader loader;
  {
    std::lock_guard guard(LoaderLock());
    loader = Loader();
  }
  if (loader) return loader(module, id);
  // Without a loader of its own the process takes the module's dialog
  // resources.
  if (id > 0xFFFF) return std::nullopt;
  HRSRC resource = FindResource(module, MAKEINTRESOURCE(id), RT_DIALOG);
  if (!resource) return std::nullopt;
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  if (!bytes) return std::nullopt;
  return std::vector<BYTE>(bytes, bytes + SizeofResource(module, resource));
}

BOOL Menu::AppendMenu(UINT flags, UINT_PTR id, std::string_view text) {
  m_entries.push_back(MenuEntry{flags, id, std::string(text)});
  return TRUE;
}

Dialog::Dialog(UINT templateId, Dialog* parent, HMODULE module)
    : m_templateId(templateId), m_parent(parent), m_module(module) {
  m_systemMenu.AppendMenu(MF_STRING, SC_CLOSE, "&Close");
}

Dialog::Dialog(UINT templateId, std::span<const BYTE> templateBytes, Dialog* parent)
    : m_templateId(templateId), m_parent(parent), m_bytes(std::vector<BYTE>(templateBytes.begin(), templateBytes.end())) {
  m_systemMenu.AppendMenu(MF_STRING, SC_CLOSE, "&Close");
}

Dialog::~Dialog() = default;

std::span<const BYTE> Dialog::TemplateBytes() {
  if (!m_bytes) m_bytes = LoadDialogTemplate(m_module, m_templateId);
  return m_bytes ? std::span<const BYTE>(*m_bytes) : std::span<const BYTE>();
}

bool Dialog::LoadTemplate() {
  if (!m_bytes) m_bytes = LoadDialogTemplate(m_module, m_templateId);
  if (!m_bytes) return false;
  m_template = ReadDialogTemplate(*m_bytes);
  return m_template.has_value();
}

bool Dialog::CreateControls() {
  m_controls.clear();
  for (const DialogItemTemplate& item : m_template->items) m_controls.push_back(MakeControl(*this, item));
  return true;
}

BOOL Dialog::Create(Dialog* parent) {
  if (parent) m_parent = parent;
  if (m_created) return TRUE;
  if (!LoadTemplate()) return FALSE;
  m_caption = m_template->title;
  m_focus = nullptr;
  m_ended = false;
  m_result = 0;
  CreateControls();
  RECT rect{m_template->x, m_template->y, m_template->x + m_template->cx, m_template->y + m_template->cy};
  MapDialogRect(rect);
  m_windowRect = rect;
  m_visible = (m_template->style & WS_VISIBLE) != 0;
  m_created = true;
  if (OnInitDialog()) SetInitialFocus();
  return TRUE;
}

void Dialog::SetInitialFocus() {
  if (m_focus) return;
  for (const auto& control : m_controls) {
    if (control->IsTabStop() && control->IsUsable()) {
      m_focus = control.get();
      return;
    }
  }
}

void Dialog::DestroyWindow() {
  if (!m_created) return;
  OnDestroy();
  m_created = false;
  m_focus = nullptr;
  m_controls.clear();
  m_visible = false;
}

INT_PTR Dialog::DoModal() {
  m_ended = false;
  if (!Create(m_parent)) return -1;
  m_visible = true;
  if (!m_ended) CurrentDialogHost().RunModal(*this);
  if (!m_ended) EndDialog(IDCANCEL);
  const INT_PTR result = m_result;
  DestroyWindow();
  return result;
}

void Dialog::EndDialog(INT_PTR result) {
  m_ended = true;
  m_result = result;
}

BOOL Dialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void Dialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::DoDataExchange(DataExchange&) {}

BOOL Dialog::OnCommand(WORD id, WORD code) {
  if (auto it = m_handlers.find({static_cast<SHORT>(id), code}); it != m_handlers.end()) {
    it->second();
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

void Dialog::OnScroll(Slider& slider, int code) {
  if (auto it = m_scrollHandlers.find(slider.GetDlgCtrlID()); it != m_scrollHandlers.end()) it->second(code);
}

void Dialog::OnSysCommand(UINT id) {
  if ((id & 0xFFF0u) == SC_CLOSE) OnCancel();
}

BOOL Dialog::UpdateData(BOOL saveAndValidate) {
  if (!m_created) return FALSE;
  DataExchange exchange(*this, saveAndValidate != FALSE);
  DoDataExchange(exchange);
  return exchange.Failed() ? FALSE : TRUE;
}

void Dialog::OnNotify(int id, int code, std::function<void()> handler) {
  m_handlers[{static_cast<SHORT>(id), code}] = std::move(handler);
}
void Dialog::OnClicked(int id, std::function<void()> handler) { OnNotify(id, BN_CLICKED, std::move(handler)); }
void Dialog::OnChange(int id, std::function<void()> handler) { OnNotify(id, EN_CHANGE, std::move(handler)); }
void Dialog::OnSelChange(int id, std::function<void()> handler) { OnNotify(id, LBN_SELCHANGE, std::move(handler)); }
void Dialog::OnDoubleClick(int id, std::function<void()> handler) { OnNotify(id, LBN_DBLCLK, std::move(handler)); }
void Dialog::OnSliderScroll(int id, std::function<void(int)> handler) { m_scrollHandlers[id] = std::move(handler); }

void Dialog::Notified(Control& control, int code) {
  OnCommand(static_cast<WORD>(control.GetDlgCtrlID()), static_cast<WORD>(code));
}

void Dialog::Scrolled(Slider& slider, int code) { OnScroll(slider, code); }

Control* Dialog::GetDlgItem(int id) const {
  for (const auto& control : m_controls) {
    if (control->GetDlgCtrlID() == id) return control.get();
  }
  return nullptr;
}

BOOL Dialog::SetDlgItemText(int id, std::string_view text) {
  Control* control = GetDlgItem(id);
  if (!control) return FALSE;
  control->SetWindowText(text);
  return TRUE;
}

std::string Dialog::GetDlgItemText(int id) const {
  Control* control = GetDlgItem(id);
  return control ? control->GetWindowText() : std::string();
}

BOOL Dialog::CheckDlgButton(int id, UINT state) {
  auto* button = GetDlgItemAs<Button>(id);
  if (!button) return FALSE;
  button->SetCheck(static_cast<int>(state));
  return TRUE;
}

UINT Dialog::IsDlgButtonChecked(int id) const {
  auto* button = GetDlgItemAs<Button>(id);
  return button ? static_cast<UINT>(button->GetCheck()) : 0;
}

BOOL Dialog::CheckRadioButton(int firstId, int lastId, int checkId) {
  for (const auto& control : m_controls) {
    const int id = control->GetDlgCtrlID();
    auto* button = dynamic_cast<Button*>(control.get());
    if (button && id >= firstId && id <= lastId) button->SetCheck(id == checkId ? BST_CHECKED : BST_UNCHECKED);
  }
  return TRUE;
}

BOOL Dialog::EnableDlgItem(int id, BOOL enable) {
  Control* control = GetDlgItem(id);
  if (!control) return FALSE;
  control->EnableWindow(enable);
  return TRUE;
}

void Dialog::GotoDlgCtrl(Control* control) {
  if (control && &control->Owner() == this) m_focus = control;
}

void Dialog::MoveWindow(int x, int y, int width, int height, BOOL) {
  m_windowRect = RECT{x, y, x + width, y + height};
}

void Dialog::ShowWindow(int command) { m_visible = command != SW_HIDE; }

void Dialog::MapDialogRect(RECT& rect) const {
  const FontBaseUnits units = m_bytes ? DialogTemplateBaseUnits(*m_bytes)
                                      : FontBaseUnits{LOWORD(GetDialogBaseUnits()), HIWORD(GetDialogBaseUnits())};
  rect.left = MulDivRounded(rect.left, units.averageWidth, 4);
  rect.right = MulDivRounded(rect.right, units.averageWidth, 4);
  rect.top = MulDivRounded(rect.top, units.height, 8);
  rect.bottom = MulDivRounded(rect.bottom, units.height, 8);
}

int Dialog::MessageBox(std::string_view text, std::string_view caption, UINT type) {
  return CurrentDialogHost().ShowMessage(text, caption.empty() ? std::string_view(m_caption) : caption, type);
}

void Dialog::SetIcon(HICON icon, BOOL big) { (big ? m_bigIcon : m_smallIcon) = icon; }

BOOL Dialog::IsDialogMessage(UINT message, WPARAM wParam, LPARAM) {
  constexpr UINT kKeyFirst = 0x100, kKeyLast = 0x108, kMouseFirst = 0x200, kMouseLast = 0x209;
  constexpr UINT kKeyDown = 0x100, kChar = 0x102;
  constexpr WPARAM kTab = 0x09, kReturn = 0x0D, kEscape = 0x1B;
  const bool keyboard = message >= kKeyFirst && message <= kKeyLast;
  const bool mouse = message >= kMouseFirst && message <= kMouseLast;
  if (!m_created || !(keyboard || mouse)) return FALSE;
  if (message == kKeyDown && wParam == kTab) {
    std::vector<Control*> stops;
    for (const auto& control : m_controls) {
      if (control->IsTabStop() && control->IsUsable()) stops.push_back(control.get());
    }
    if (!stops.empty()) {
      auto at = std::find(stops.begin(), stops.end(), m_focus);
      m_focus = (at == stops.end() || ++at == stops.end()) ? stops.front() : *at;
    }
  } else if (message == kKeyDown && wParam == kReturn) {
    int id = IDOK;
    for (const auto& control : m_controls) {
      auto* button = dynamic_cast<Button*>(control.get());
      if (button && button->Kind() == ControlKind::PushButton && button->IsDefault()) id = button->GetDlgCtrlID();
    }
    OnCommand(static_cast<WORD>(id), BN_CLICKED);
  } else if (message == kKeyDown && wParam == kEscape) {
    OnCommand(IDCANCEL, BN_CLICKED);
  } else if (message == kChar) {
    if (auto* edit = dynamic_cast<Edit*>(m_focus); edit && wParam >= 0x20 && wParam < 0x7F) {
      edit->Type(edit->GetWindowText() + char(wParam));
    }
  }
  return TRUE;
}

BOOL Dialog::UserClick(int id) {
  auto* button = GetDlgItemAs<Button>(id);
  if (!button || !button->IsUsable() || button->Kind() == ControlKind::GroupBox) return FALSE;
  m_focus = button;
  button->Click();
  return TRUE;
}

BOOL Dialog::UserType(int id, std::string_view text) {
  Control* control = GetDlgItem(id);
  if (!control || !control->IsUsable()) return FALSE;
  if (auto* edit = dynamic_cast<Edit*>(control)) {
    m_focus = edit;
    return edit->Type(text) ? TRUE : FALSE;
  }
  auto* combo = dynamic_cast<ComboBox*>(control);
  if (!combo || combo->IsDropDownList()) return FALSE;
  m_focus = combo;
  combo->SetWindowText(text);
  OnCommand(static_cast<WORD>(id), CBN_EDITCHANGE);
  return TRUE;
}

BOOL Dialog::UserChoose(int id, int index) {
  auto* list = GetDlgItemAs<ListControl>(id);
  if (!list || !list->IsUsable()) return FALSE;
  m_focus = list;
  return list->Choose(index) ? TRUE : FALSE;
}

BOOL Dialog::UserDoubleClick(int id, int index) {
  auto* list = GetDlgItemAs<ListBox>(id);
  if (!list || !list->IsUsable()) return FALSE;
  m_focus = list;
  return list->DoubleClick(index) ? TRUE : FALSE;
}

BOOL Dialog::UserDrag(int id, int position) {
  auto* slider = GetDlgItemAs<Slider>(id);
  if (!slider || !slider->IsUsable()) return FALSE;
  m_focus = slider;
  return slider->Drag(position) ? TRUE : FALSE;
}

BOOL Dialog::UserSysCommand(UINT id) {
  if (!m_created) return FALSE;
  OnSysCommand(id);
  return TRUE;
}

Control* DataExchange::Item(int id) const { return m_dialog.GetDlgItem(id); }

void DataExchange::Fail(int id, std::string_view message) {
  if (m_failed) return;
  m_failed = true;
  m_dialog.MessageBox(message, {}, MB_OK | MB_ICONWARNING);
  if (Control* control = Item(id)) m_dialog.GotoDlgCtrl(control);
}

void DataExchange::Text(int id, std::string& value) {
  Control* control = Item(id);
  if (Skip() || !control) return;
  if (m_save) {
    value = control->GetWindowText();
  } else {
    control->SetWindowText(value);
  }
}

void DataExchange::Text(int id, int& value) {
  Control* control = Item(id);
  if (Skip() || !control) return;
  if (!m_save) return control->SetWindowText(std::to_string(value));
  if (!ParseWhole(control->GetWindowText(), value)) Fail(id, "Please enter an integer.");
}

void DataExchange::Text(int id, float& value) {
  Control* control = Item(id);
  if (Skip() || !control) return;
  if (!m_save) return control->SetWindowText(FormatFloating(value, true));
  if (!ParseWhole(control->GetWindowText(), value)) Fail(id, "Please enter a number.");
}

void DataExchange::Text(int id, double& value) {
  Control* control = Item(id);
  if (Skip() || !control) return;
  if (!m_save) return control->SetWindowText(FormatFloating(value, false));
  if (!ParseWhole(control->GetWindowText(), value)) Fail(id, "Please enter a number.");
}

void DataExchange::Check(int id, int& value) {
  auto* button = m_dialog.GetDlgItemAs<Button>(id);
  if (Skip() || !button) return;
  if (m_save) {
    value = button->GetCheck();
  } else {
    button->SetCheck(value);
  }
}

void DataExchange::Check(int id, bool& value) {
  int state = value ? BST_CHECKED : BST_UNCHECKED;
  Check(id, state);
  if (m_save) value = state == BST_CHECKED;
}

void DataExchange::Radio(int firstId, int& value) {
  if (Skip()) return;
  const auto& controls = m_dialog.Controls();
  auto first = std::find_if(controls.begin(), controls.end(), [firstId](const auto& c) { return c->GetDlgCtrlID() == firstId; });
  if (first == controls.end()) return;
  int index = 0;
  if (m_save) value = -1;
  for (auto it = first; it != controls.end(); ++it) {
    if (it != first && ((*it)->GetStyle() & WS_GROUP)) break;
    auto* radio = dynamic_cast<Button*>(it->get());
    if (!radio || radio->Kind() != ControlKind::RadioButton) continue;
    if (m_save) {
      if (radio->GetCheck() == BST_CHECKED) value = index;
    } else {
      radio->SetCheck(index == value ? BST_CHECKED : BST_UNCHECKED);
    }
    ++index;
  }
}

void DataExchange::ListIndex(int id, int& value) {
  auto* list = m_dialog.GetDlgItemAs<ListBox>(id);
  if (Skip() || !list) return;
  if (m_save) {
    value = list->GetCurSel();
  } else {
    list->SetCurSel(value);
  }
}

void DataExchange::ComboIndex(int id, int& value) {
  auto* combo = m_dialog.GetDlgItemAs<ComboBox>(id);
  if (Skip() || !combo) return;
  if (m_save) {
    value = combo->GetCurSel();
  } else {
    combo->SetCurSel(value);
  }
}

void DataExchange::SliderPos(int id, int& value) {
  auto* slider = m_dialog.GetDlgItemAs<Slider>(id);
  if (Skip() || !slider) return;
  if (m_save) {
    value = slider->GetPos();
  } else {
    slider->SetPos(value);
  }
}

void DataExchange::MaxChars(int id, std::string& value, std::size_t count) {
  if (Skip()) return;
  if (!m_save) {
    if (auto* edit = m_dialog.GetDlgItemAs<Edit>(id)) edit->SetLimitText(count);
    return;
  }
  std::size_t characters = 0;
  for (char c : value) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters > count) Fail(id, "Enter no more than " + std::to_string(count) + " characters.");
}

}  // namespace Platform
