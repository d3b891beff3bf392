// The controls of a headless dialog: each keeps the state a user would see
// (text, check, selection, position, items, enabled and visible) and tells
// its dialog what changed through the notifications the products handle.
// Programmatic changes notify as the system's controls do: setting an
// edit's text sends its change notification, setting a check or a
// selection sends nothing.
#ifndef PLATFORM_DIALOGS_CONTROLS_H
#define PLATFORM_DIALOGS_CONTROLS_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs/dialogtemplate.h"

namespace Platform {

class Dialog;

enum class ControlKind { Label, Picture, PushButton, CheckBox, RadioButton, GroupBox, Edit, ListBox, ComboBox, Slider, TreeView, Other };

class PLATFORM_API Control {
 public:
  Control(Dialog& owner, const DialogItemTemplate& item, ControlKind kind);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Dialog& Owner() const { return m_owner; }
  int GetDlgCtrlID() const { return m_id; }
  ControlKind Kind() const { return m_kind; }
  // The class the template names: "Button", "Edit", "Static", "ListBox",
  // "ComboBox", "ScrollBar", or a registered class's own name.
  const std::string& ClassName() const { return m_className; }
  DWORD GetStyle() const { return m_style; }
  DWORD GetExStyle() const { return m_exStyle; }
  // Position and size in dialog units, as the template gives them.
  RECT DialogUnitRect() const { return m_rect; }

  virtual std::string GetWindowText() const { return m_text; }
  virtual void SetWindowText(std::string_view text);
  // Returns whether the control was disabled before, as the system does.
  BOOL EnableWindow(BOOL enable);
  bool IsWindowEnabled() const { return m_enabled; }
  void ShowWindow(int command);
  bool IsWindowVisible() const { return m_visible; }
  void SetFocus();
  // A resource number of the picture a picture control, a bitmap button or
  // an icon shows; 0 for none.
  void SetImage(UINT resourceId) { m_image = resourceId; }
  UINT GetImage() const { return m_image; }
  // Whether the keyboard's tab key stops at the control.
  bool IsTabStop() const { return (m_style & 0x00010000u) != 0; }
  // Whether a user can reach the control now.
  bool IsUsable() const { return m_enabled && m_visible; }

 protected:
  void Notify(int code);
  void SetTextQuietly(std::string_view text) { m_text = text; }

 private:
  Dialog& m_owner;
  int m_id;
  ControlKind m_kind;
  std::string m_className;
  DWORD m_style;
  DWORD m_exStyle;
  RECT m_rect;
  std::string m_text;
  bool m_enabled;
  bool m_visible;
  UINT m_image = 0;
};

class PLATFORM_API Button : public Control {
 public:
  using Control::Control;
  UINT ButtonType() const { return GetStyle() & 0xFu; }
  bool IsDefault() const { return ButtonType() == 1; }
  int GetCheck() const { return m_check; }
  void SetCheck(int state);
  // What a click does: an automatic check box toggles (or cycles its three
  // states), an automatic radio button checks itself and clears the other
  // radio buttons of its group; then the dialog is told.
  void Click();

 private:
  int m_check = 0;
};

class PLATFORM_API Edit : public Control {
 public:
  using Control::Control;
  void SetWindowText(std::string_view text) override;
  // The most characters a user can type; 0 is no limit.
  void SetLimitText(std::size_t limit) { m_limit = limit; }
  std::size_t GetLimitText() const { return m_limit; }
  bool IsReadOnly() const { return (GetStyle() & 0x800u) != 0; }
  // What typing does: the text is replaced, cut at the limit, and the
  // dialog told; a read-only edit keeps its text.
  bool Type(std::string_view text);

 private:
  std::size_t m_limit = 0;
};

// The shared part of list boxes and combo boxes: items with their data and
// one selected position.
class PLATFORM_API ListControl : public Control {
 public:
  ListControl(Dialog& owner, const DialogItemTemplate& item, ControlKind kind, bool sorted);
  int AddString(std::string_view text);
  int InsertString(int index, std::string_view text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const { return static_cast<int>(m_items.size()); }
  int GetCurSel() const { return m_selection; }
  int SetCurSel(int index);
  // The text of an item; empty for a position outside the list.
  std::string GetItemText(int index) const;
  // Case-insensitive searches from the item after `start` (-1: from the
  // top), wrapping around: the first item that begins with the text, or
  // that equals it.
  int FindString(int start, std::string_view prefix) const;
  int FindStringExact(int start, std::string_view text) const;
  int SelectString(int start, std::string_view prefix);
  int SetItemData(int index, DWORD_PTR data);
  DWORD_PTR GetItemData(int index) const;
  bool IsSorted() const { return m_sorted; }
  // What choosing an item does: it becomes the selection and the dialog is
  // told of the change.
  bool Choose(int index);

 protected:
  virtual void SelectionChanged() {}

 private:
  struct Item {
    std::string text;
    DWORD_PTR data = 0;
  };
  int Find(int start, std::string_view text, bool exact) const;
  std::vector<Item> m_items;
  int m_selection = -1;
  bool m_sorted;
};

class PLATFORM_API ListBox : public ListControl {
 public:
  ListBox(Dialog& owner, const DialogItemTemplate& item);
  std::string GetText(int index) const { return GetItemText(index); }
  bool NotifiesParent() const { return (GetStyle() & 0x1u) != 0; }
  // What a double click on an item does.
  bool DoubleClick(int index);
};

class PLATFORM_API ComboBox : public ListControl {
 public:
  ComboBox(Dialog& owner, const DialogItemTemplate& item);
  std::string GetLBText(int index) const { return GetItemText(index); }
  // A drop-down list shows its selected item; the other kinds an edit text.
  bool IsDropDownList() const { return (GetStyle() & 0x3u) == 0x3u; }
  std::string GetWindowText() const override;
  void SetWindowText(std::string_view text) override;
  bool GetDroppedState() const { return m_dropped; }
  void ShowDropDown(bool show) { m_dropped = show; }

 protected:
  void SelectionChanged() override;

 private:
  bool m_dropped = false;
};

class PLATFORM_API Slider : public Control {
 public:
  using Control::Control;
  void SetRange(int minimum, int maximum);
  int GetRangeMin() const { return m_min; }
  int GetRangeMax() const { return m_max; }
  void SetPos(int position);
  int GetPos() const { return m_pos; }
  bool IsVertical() const { return (GetStyle() & 0x2u) != 0; }
  // What dragging the thumb does: the position, kept in the range, and the
  // dialog told with the scroll code.
  bool Drag(int position);

 private:
  int m_min = 0;
  int m_max = 100;
  int m_pos = 0;
};

struct TreeItemNode;
using HTREEITEM = TreeItemNode*;

class PLATFORM_API TreeView : public Control {
 public:
  TreeView(Dialog& owner, const DialogItemTemplate& item);
  ~TreeView() override;
  // Appends an item under `parent` (nullptr: a root item).
  HTREEITEM InsertItem(std::string_view text, HTREEITEM parent = nullptr);
  void DeleteAllItems();
  int GetCount() const { return m_count; }
  HTREEITEM GetRootItem() const;
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  std::string GetItemText(HTREEITEM item) const;
  // The whole tree as lines, each item indented by two spaces per level.
  std::vector<std::string> Lines() const;

 private:
  std::unique_ptr<TreeItemNode> m_root;
  int m_count = 0;
};

}  // namespace Platform

#endif
