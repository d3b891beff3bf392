// The dialog object of the headless dialog model: made from a template,
// it creates its controls, runs the initialisation and data exchange the
// products override, passes the controls' notifications to handlers, and is
// shown by the current dialog host (platform/dialogs/dialoghost.h), which
// is either a person at a terminal or a test's script.
#ifndef PLATFORM_DIALOGS_DIALOG_H
#define PLATFORM_DIALOGS_DIALOG_H

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs/controls.h"
#include "platform/dialogs/dialogconstants.h"
#include "platform/dialogs/dialogtemplate.h"

#ifndef MB_OK
#define MB_OK 0x0u
#define MB_OKCANCEL 0x1u
#define MB_YESNOCANCEL 0x3u
#define MB_YESNO 0x4u
#define MB_ICONERROR 0x10u
#define MB_ICONQUESTION 0x20u
#define MB_ICONWARNING 0x30u
#define MB_ICONINFORMATION 0x40u
#endif

namespace Platform {

// Finds a dialog template by the module that carries it and its number.
using DialogTemplateLoader = std::function<std::optional<std::vector<BYTE>>(HMODULE module, UINT id)>;
// Replaces the process's loader and returns the one it had. Without one,
// templates are the modules' dialog resources (platform/resources).
PLATFORM_API DialogTemplateLoader SetDialogTemplateLoader(DialogTemplateLoader loader);
PLATFORM_API std::optional<std::vector<BYTE>> LoadDialogTemplate(HMODULE module, UINT id);

struct MenuEntry {
  UINT flags = 0;
  UINT_PTR id = 0;
  std::string text;
};

class PLATFORM_API Menu {
 public:
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, std::string_view text = {});
  const std::vector<MenuEntry>& Entries() const { return m_entries; }

 private:
  std::vector<MenuEntry> m_entries;
};

class DataExchange;

class PLATFORM_API Dialog {
 public:
  // A dialog of the template numbered `templateId`, found by the template
  // loader in `module`.
  explicit Dialog(UINT templateId, Dialog* parent = nullptr, HMODULE module = nullptr);
  // A dialog of the given template bytes; the number names it to hosts.
  Dialog(UINT templateId, std::span<const BYTE> templateBytes, Dialog* parent = nullptr);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  UINT TemplateId() const { return m_templateId; }
  Dialog* GetParent() const { return m_parent; }
  void SetParent(Dialog* parent) { m_parent = parent; }

  // Shows the dialog through the host until it ends; the value given to
  // EndDialog, or -1 when the template is missing or malformed.
  INT_PTR DoModal();
  // Creates the dialog's window and controls without showing it modally
  // (a page inside a frame); FALSE when the template is unusable.
  BOOL Create(Dialog* parent = nullptr);
  void DestroyWindow();
  bool IsWindow() const { return m_created; }
  void EndDialog(INT_PTR result);
  bool HasEnded() const { return m_ended; }
  INT_PTR ModalResult() const { return m_result; }

  // Overridables, called as the system calls them.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange& exchange);
  virtual BOOL OnCommand(WORD id, WORD code);
  virtual void OnScroll(Slider& slider, int code);
  virtual void OnSysCommand(UINT id);
  virtual void OnPaint() {}
  // Destruction of the window (not of the object).
  virtual void OnDestroy() {}

  // FALSE to read the controls into the variables (and validate), TRUE to
  // put the variables into the controls; FALSE from a failed validation.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Handlers for one control's notification; a later one replaces an
  // earlier one for the same control and code.
  void OnNotify(int id, int code, std::function<void()> handler);
  void OnClicked(int id, std::function<void()> handler);
  void OnChange(int id, std::function<void()> handler);
  void OnSelChange(int id, std::function<void()> handler);
  void OnDoubleClick(int id, std::function<void()> handler);
  void OnSliderScroll(int id, std::function<void(int code)> handler);

  // Controls. GetDlgItem answers nullptr for an unknown id or before the
  // window exists; the typed form also for a control of another kind.
  Control* GetDlgItem(int id) const;
  template <class T>
  T* GetDlgItemAs(int id) const {
    return dynamic_cast<T*>(GetDlgItem(id));
  }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return m_controls; }
  BOOL SetDlgItemText(int id, std::string_view text);
  std::string GetDlgItemText(int id) const;
  BOOL CheckDlgButton(int id, UINT state);
  UINT IsDlgButtonChecked(int id) const;
  BOOL CheckRadioButton(int firstId, int lastId, int checkId);
  BOOL EnableDlgItem(int id, BOOL enable);
  void GotoDlgCtrl(Control* control);
  Control* GetFocus() const { return m_focus; }
  void FocusChanged(Control* control) { m_focus = control; }

  // The caption.
  std::string GetWindowText() const { return m_caption; }
  void SetWindowText(std::string_view text) { m_caption = text; }
  DWORD GetStyle() const { return m_template ? m_template->style : 0; }
  const DialogTemplate* Template() const { return m_template ? &*m_template : nullptr; }
  // The template's bytes, loaded on first use; empty when there are none.
  std::span<const BYTE> TemplateBytes();

  // Placement in pixels; a new window takes its template's size.
  RECT GetWindowRect() const { return m_windowRect; }
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void ShowWindow(int command);
  bool IsWindowVisible() const { return m_visible; }
  // Dialog units to pixels with this dialog's font.
  void MapDialogRect(RECT& rect) const;

  int MessageBox(std::string_view text, std::string_view caption = {}, UINT type = MB_OK);

  Menu& GetSystemMenu() { return m_systemMenu; }
  void SetIcon(HICON icon, BOOL big);
  HICON GetIcon(BOOL big) const { return big ? m_bigIcon : m_smallIcon; }

  // What the dialog manager does with a keyboard or mouse message aimed
  // at the dialog: TRUE when it took it (tab moves the focus, return
  // presses the default button, escape cancels, characters go to the
  // focused edit), FALSE for every other message.
  BOOL IsDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // What a person does; FALSE when the control is missing, disabled,
  // hidden or of another kind, so hosts act only as a user could.
  BOOL UserClick(int id);
  BOOL UserType(int id, std::string_view text);
  BOOL UserChoose(int id, int index);
  BOOL UserDoubleClick(int id, int index);
  BOOL UserDrag(int id, int position);
  BOOL UserSysCommand(UINT id);

  // The controls' channel back to their dialog.
  void Notified(Control& control, int code);
  void Scrolled(Slider& slider, int code);

 private:
  bool LoadTemplate();
  bool CreateControls();
  void SetInitialFocus();

  UINT m_templateId;
  Dialog* m_parent;
  HMODULE m_module = nullptr;
  std::optional<std::vector<BYTE>> m_bytes;
  std::optional<DialogTemplate> m_template;
  std::vector<std::unique_ptr<Control>> m_controls;
  std::map<std::pair<int, int>, std::function<void()>> m_handlers;
  std::map<int, std::function<void(int)>> m_scrollHandlers;
  std::string m_caption;
  Control* m_focus = nullptr;
  RECT m_windowRect{};
  bool m_visible = false;
  bool m_created = false;
  bool m_ended = false;
  INT_PTR m_result = 0;
  Menu m_systemMenu;
  HICON m_bigIcon = nullptr;
  HICON m_smallIcon = nullptr;
};

// Moves values between a dialog's controls and the variables of the
// dialog object (DoDataExchange). When reading, a value that does not
// convert shows its message, puts the focus on the control and fails the
// exchange; the remaining exchanges of that pass are skipped.
class PLATFORM_API DataExchange {
 public:
  DataExchange(Dialog& dialog, bool saveAndValidate) : m_dialog(dialog), m_save(saveAndValidate) {}
  bool IsSaving() const { return m_save; }
  bool Failed() const { return m_failed; }
  Dialog& GetDialog() const { return m_dialog; }

  void Text(int id, std::string& value);
  void Text(int id, int& value);
  void Text(int id, float& value);
  void Text(int id, double& value);
  void Check(int id, int& value);
  void Check(int id, bool& value);
  // The index of the checked button of a group that starts at `firstId`.
  void Radio(int firstId, int& value);
  void ListIndex(int id, int& value);
  void ComboIndex(int id, int& value);
  void SliderPos(int id, int& value);
  // Validation of a text read in this pass: at most `count` characters
  // (which also limits typing in the edit when writing).
  void MaxChars(int id, std::string& value, std::size_t count);
  // Gives up the pass on `id` with the message shown.
  void Fail(int id, std::string_view message);

 private:
  bool Skip() const { return m_failed; }
  Control* Item(int id) const;

  Dialog& m_dialog;
  bool m_save;
  bool m_failed = false;
};

}  // namespace Platform

#endif
