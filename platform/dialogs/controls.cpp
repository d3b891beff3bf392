#include "platform/dialogs/controls.h"

#include <algorithm>

#include "platform/dialogs/dialog.h"
#include "platform/dialogs/dialogconstants.h"

namespace Platform {

namespace {

std::string ClassNameOf(const NameOrOrdinal& windowClass) {
  if (!windowClass.isOrdinal) return windowClass.text;
  switch (windowClass.ordinal) {
  case DLGCLASS_BUTTON: return "Button";
  case DLGCLASS_EDIT: return "Edit";
  case DLGCLASS_STATIC: return "Static";
  case DLGCLASS_LISTBOX: return "ListBox";
  case DLGCLASS_SCROLLBAR: return "ScrollBar";
  case DLGCLASS_COMBOBOX: return "ComboBox";
  default: return "#" + std::to_string(windowClass.ordinal);
  }
}

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Case-insensitive order of list items, as sorted lists keep them.
int CompareFolded(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(FoldCase(a[i]));
    const auto cb = static_cast<unsigned char>(FoldCase(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && CompareFolded(text.substr(0, prefix.size()), prefix) == 0;
}

// The first `count` characters of UTF-8 text.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (characters == count) return text.substr(0, i);
      ++characters;
    }
  }
  return text;
}

}  // namespace

Control::Control(Dialog& owner, const DialogItemTemplate& item, ControlKind kind)
    : m_owner(owner),
      m_id(item.id == 0xFFFF || item.id == 0xFFFFFFFF ? -1 : static_cast<int>(item.id)),
      m_kind(kind),
      m_className(ClassNameOf(item.windowClass)),
      m_style(item.style),
      m_exStyle(item.exStyle),
      m_rect{item.x, item.y, item.x + item.cx, item.y + item.cy},
      m_text(item.title.isOrdinal ? std::string() : item.title.text),
      m_enabled((item.style & WS_DISABLED) == 0),
      m_visible((item.style & WS_VISIBLE) != 0),
      m_image(item.title.isOrdinal ? item.title.ordinal : 0) {}

Control::~Control() = default;

void Control::SetWindowText(std::string_view text) { m_text = text; }

BOOL Control::EnableWindow(BOOL enable) {
  const BOOL wasDisabled = !m_enabled;
  m_enabled = enable != FALSE;
  if (!m_enabled && m_owner.GetFocus() == this) m_owner.FocusChanged(nullptr);
  return wasDisabled;
}

void Control::ShowWindow(int command) {
  m_visible = command != SW_HIDE;
  if (!m_visible && m_owner.GetFocus() == this) m_owner.FocusChanged(nullptr);
}

void Control::SetFocus() { m_owner.FocusChanged(this); }

void Control::Notify(int code) { m_owner.Notified(*this, code); }

void Button::SetCheck(int state) { m_check = state; }

void Button::Click() {
  switch (ButtonType()) {
  case BS_AUTOCHECKBOX: m_check = m_check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED; break;
  case BS_AUTO3STATE: m_check = (m_check + 1) % 3; break;
  case BS_AUTORADIOBUTTON: {
    const auto& controls = Owner().Controls();
    auto self = std::find_if(controls.begin(), controls.end(), [this](const auto& c) { return c.get() == this; });
    auto first = self;
    while (first != controls.begin() && !((*first)->GetStyle() & WS_GROUP)) --first;
    auto last = self + 1;
    while (last != controls.end() && !((*last)->GetStyle() & WS_GROUP)) ++last;
    for (auto it = first; it != last; ++it) {
      auto* radio = dynamic_cast<Button*>(it->get());
      if (radio && radio->Kind() == ControlKind::RadioButton) radio->m_check = radio == this ? BST_CHECKED : BST_UNCHECKED;
    }
    break;
  }
  default: break;
  }
  Notify(BN_CLICKED);
}

void Edit::SetWindowText(std::string_view text) {
  SetTextQuietly(text);
  Notify(EN_CHANGE);
}

bool Edit::Type(std::string_view text) {
  if (IsReadOnly()) return false;
  SetWindowText(m_limit ? FirstCharacters(text, m_limit) : text);
  return true;
}

ListControl::ListControl(Dialog& owner, const DialogItemTemplate& item, ControlKind kind, bool sorted)
    : Control(owner, item, kind), m_sorted(sorted) {}

int ListControl::AddString(std::string_view text) {
  if (!m_sorted) return InsertString(-1, text);
  auto position = std::upper_bound(m_items.begin(), m_items.end(), text,
                                   [](std::string_view t, const Item& item) { return CompareFolded(t, item.text) < 0; });
  const int index = static_cast<int>(position - m_items.begin());
  m_items.insert(position, Item{std::string(text)});
  if (m_selection >= index) ++m_selection;
  return index;
}

int ListControl::InsertString(int index, std::string_view text) {
  if (index < -1 || index > GetCount()) return LB_ERR;
  if (index == -1) index = GetCount();
  m_items.insert(m_items.begin() + index, Item{std::string(text)});
  if (m_selection >= index) ++m_selection;
  return index;
}

int ListControl::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  m_items.erase(m_items.begin() + index);
  if (m_selection == index) {
    m_selection = -1;
  } else if (m_selection > index) {
    --m_selection;
  }
  return GetCount();
}

void ListControl::ResetContent() {
  m_items.clear();
  m_selection = -1;
}

int ListControl::SetCurSel(int index) {
  if (index < -1 || index >= GetCount()) {
    m_selection = -1;
    SelectionChanged();
    return LB_ERR;
  }
  m_selection = index;
  SelectionChanged();
  return index == -1 ? LB_ERR : index;
}

std::string ListControl::GetItemText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return m_items[std::size_t(index)].text;
}

int ListControl::Find(int start, std::string_view text, bool exact) const {
  const int count = GetCount();
  if (count == 0 || start < -1 || start >= count) return LB_ERR;
  for (int step = 1; step <= count; ++step) {
    const int index = (start + step) % count;
    const std::string& item = m_items[std::size_t(index)].text;
    if (exact ? CompareFolded(item, text) == 0 : StartsWithFolded(item, text)) return index;
  }
  return LB_ERR;
}

int ListControl::FindString(int start, std::string_view prefix) const { return Find(start, prefix, false); }

int ListControl::FindStringExact(int start, std::string_view text) const { return Find(start, text, true); }

int ListControl::SelectString(int start, std::string_view prefix) {
  const int index = FindString(start, prefix);
  if (index != LB_ERR) SetCurSel(index);
  return index;
}

int ListControl::SetItemData(int index, DWORD_PTR data) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  m_items[std::size_t(index)].data = data;
  return 0;
}

DWORD_PTR ListControl::GetItemData(int index) const {
  if (index < 0 || index >= GetCount()) return static_cast<DWORD_PTR>(LB_ERR);
  return m_items[std::size_t(index)].data;
}

bool ListControl::Choose(int index) {
  if (index < 0 || index >= GetCount()) return false;
  SetCurSel(index);
  Notify(LBN_SELCHANGE);
  return true;
}

ListBox::ListBox(Dialog& owner, const DialogItemTemplate& item)
    : ListControl(owner, item, ControlKind::ListBox, (item.style & LBS_SORT) != 0) {}

bool ListBox::DoubleClick(int index) {
  if (!Choose(index)) return false;
  if (NotifiesParent()) Notify(LBN_DBLCLK);
  return true;
}

ComboBox::ComboBox(Dialog& owner, const DialogItemTemplate& item)
    : ListControl(owner, item, ControlKind::ComboBox, (item.style & CBS_SORT) != 0) {}

std::string ComboBox::GetWindowText() const {
  return IsDropDownList() ? GetItemText(GetCurSel()) : Control::GetWindowText();
}

void ComboBox::SetWindowText(std::string_view text) {
  if (IsDropDownList()) {
    SetCurSel(FindStringExact(-1, text));
  } else {
    SetTextQuietly(text);
  }
}

void ComboBox::SelectionChanged() {
  if (!IsDropDownList()) SetTextQuietly(GetItemText(GetCurSel()));
}

void Slider::SetRange(int minimum, int maximum) {
  m_min = minimum;
  m_max = std::max(minimum, maximum);
  SetPos(m_pos);
}

void Slider::SetPos(int position) { m_pos = std::clamp(position, m_min, m_max); }

bool Slider::Drag(int position) {
  SetPos(position);
  Owner().Scrolled(*this, TB_THUMBPOSITION);
  return true;
}

struct TreeItemNode {
  std::string text;
  TreeItemNode* parent = nullptr;
  std::vector<std::unique_ptr<TreeItemNode>> children;
};

TreeView::TreeView(Dialog& owner, const DialogItemTemplate& item)
    : Control(owner, item, ControlKind::TreeView), m_root(std::make_unique<TreeItemNode>()) {}

TreeView::~TreeView() = default;

HTREEITEM TreeView::InsertItem(std::string_view text, HTREEITEM parent) {
  TreeItemNode* under = parent ? parent : m_root.get();
  auto node = std::make_unique<TreeItemNode>();
  node->text = text;
  node->parent = under;
  under->children.push_back(std::move(node));
  ++m_count;
  return under->children.back().get();
}

void TreeView::DeleteAllItems() {
  m_root->children.clear();
  m_count = 0;
}

HTREEITEM TreeView::GetRootItem() const { return GetChildItem(m_root.get()); }

HTREEITEM TreeView::GetChildItem(HTREEITEM item) const {
  if (!item || item->children.empty()) return nullptr;
  return item->children.front().get();
}

HTREEITEM TreeView::GetNextSiblingItem(HTREEITEM item) const {
  if (!item || !item->parent) return nullptr;
  const auto& siblings = item->parent->children;
  auto it = std::find_if(siblings.begin(), siblings.end(), [item](const auto& c) { return c.get() == item; });
  if (it == siblings.end() || ++it == siblings.end()) return nullptr;
  return it->get();
}

HTREEITEM TreeView::GetParentItem(HTREEITEM item) const {
  if (!item || item->parent == m_root.get()) return nullptr;
  return item->parent;
}

std::string TreeView::GetItemText(HTREEITEM item) const { return item ? item->text : std::string(); }

std::vector<std::string> TreeView::Lines() const {
  std::vector<std::string> lines;
  std::function<void(const TreeItemNode&, std::size_t)> walk = [&](const TreeItemNode& node, std::size_t depth) {
    for (const auto& child : node.children) {
      lines.push_back(std::string(depth * 2, ' ') + child->text);
      walk(*child, depth + 1);
    }
  };
  walk(*m_root, 0);
  return lines;
}

}  // namespace Platform
