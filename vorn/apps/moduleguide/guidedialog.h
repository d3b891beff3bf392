// The module-type browser's dialogs: the main one lists the module types
// registered on this machine (types whose server file is gone are removed
// from the registry as the list is filled) and opens the help page of the
// chosen type, which a module of that type writes on demand; the about box
// is reached from the system menu. Failures are told in message boxes.
#ifndef VORN_APPS_MODULEGUIDE_GUIDEDIALOG_H
#define VORN_APPS_MODULEGUIDE_GUIDEDIALOG_H

#include <functional>
#include <string>

#include "platform/dialogs/dialog.h"

namespace Vorn::ModuleGuide {

inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDS_ABOUTBOX = 101;
inline constexpr UINT IDD_MODULEGUIDE = 102;
inline constexpr UINT IDR_MAINFRAME = 128;  // the dialog's icon
inline constexpr int IDC_MODULE_TYPES = 1000;
inline constexpr int IDC_SHOW_HELP = 1001;
// The about entry's command on the system menu; the low four bits are the
// system's own.
inline constexpr UINT IDM_ABOUTBOX = 0x0010;

class AboutDialog : public Platform::Dialog {
public:
  explicit AboutDialog(Platform::Dialog* parent = nullptr);
};

class ModuleGuideDialog : public Platform::Dialog {
public:
  // Starts a viewer on a help page; false, with the reason, when it could
  // not be started.
  using Opener = std::function<bool(const std::string& path, std::string& failure)>;

  explicit ModuleGuideDialog(Opener opener = {});
  ~ModuleGuideDialog() override;

  BOOL OnInitDialog() override;
  void OnSysCommand(UINT id) override;

  // Opens the help page of the selected type; false when nothing is
  // selected or the page could not be opened (the user has been told why).
  bool ShowHelp();

  Platform::ListBox* TypeList() const { return GetDlgItemAs<Platform::ListBox>(IDC_MODULE_TYPES); }

private:
  void FillTypeList();

  Opener m_opener;
  HICON m_icons[2] = {};  // large, small
};

} // namespace Vorn::ModuleGuide

#endif
