#include "vorn/apps/moduleguide/frontend.h"

#include <charconv>
#include <istream>
#include <ostream>

#include "platform/dialogs/controls.h"
#include "vorn/apps/moduleguide/guidedialog.h"

namespace Vorn::ModuleGuide {

namespace {

constexpr const char* kProgram = "VornModuleGuide";

int Usage(std::ostream& err) {
  err << "usage: " << kProgram << " [--list | --show TYPE | --about]\n";
  return 2;
}

// The dialog made as the program starts it; false when its template is
// missing.
bool Open(ModuleGuideDialog& dialog, std::ostream& err) {
  if (dialog.Create() && dialog.TypeList() != nullptr)
    return true;
  err << kProgram << ": the dialog could not be made\n";
  return false;
}

int List(std::ostream& out, std::ostream& err) {
  ModuleGuideDialog dialog;
  if (!Open(dialog, err))
    return 1;
  const Platform::ListBox& list = *dialog.TypeList();
  for (int i = 0; i < list.GetCount(); ++i)
    out << list.GetText(i) << '\n';
  return 0;
}

int Show(const std::string& type, std::ostream& err) {
  ModuleGuideDialog dialog;
  if (!Open(dialog, err))
    return 1;
  const Platform::ListBox& list = *dialog.TypeList();
  int index = -1;
  for (int i = 0; i < list.GetCount() && index < 0; ++i) {
    if (list.GetText(i) == type)
      index = i;
  }
  if (index < 0) {
    err << kProgram << ": no module type \"" << type << "\" is registered\n";
    return 1;
  }
  dialog.UserChoose(IDC_MODULE_TYPES, index);
  return dialog.ShowHelp() ? 0 : 1;
}

int About(std::ostream& out, std::ostream& err) {
  AboutDialog about;
  if (!about.Create()) {
    err << kProgram << ": the dialog could not be made\n";
    return 1;
  }
  out << about.GetWindowText() << '\n';
  for (const auto& control : about.Controls()) {
    if (control->Kind() == Platform::ControlKind::Label)
      out << control->GetWindowText() << '\n';
  }
  return 0;
}

// Lists the types with numbers from 1 and reads choices until "q" or the
// end of input; "a" shows the about box.
int Prompt(std::istream& in, std::ostream& out, std::ostream& err) {
  ModuleGuideDialog dialog;
  if (!Open(dialog, err))
    return 1;
  const Platform::ListBox& list = *dialog.TypeList();
  for (;;) {
    out << dialog.GetWindowText() << '\n';
    if (list.GetCount() == 0)
      out << "  (no module types are registered)\n";
    for (int i = 0; i < list.GetCount(); ++i)
      out << "  " << i + 1 << ". " << list.GetText(i) << '\n';
    out << "Number of a module type to show its help, a for about, q to close: " << std::flush;
    std::string line;
    if (!std::getline(in, line))
      break;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
      line.pop_back();
    if (line == "q")
      break;
    if (line == "a") {
      dialog.UserSysCommand(IDM_ABOUTBOX);
      continue;
    }
    int number = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number);
    if (error != std::errc() || end != line.data() + line.size() || number < 1 || number > list.GetCount()) {
      out << "No module type has the number \"" << line << "\".\n";
      continue;
    }
    dialog.UserChoose(IDC_MODULE_TYPES, number - 1);
    dialog.UserClick(IDC_SHOW_HELP);
  }
  out << '\n';
  return 0;
}

} // namespace

int RunFrontEnd(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err) {
  if (arguments.empty())
    return Prompt(in, out, err);
  if (arguments[0] == "--list" && arguments.size() == 1)
    return List(out, err);
  if (arguments[0] == "--about" && arguments.size() == 1)
    return About(out, err);
  if (arguments[0] == "--show" && arguments.size() == 2)
    return Show(arguments[1], err);
  return Usage(err);
}

} // namespace Vorn::ModuleGuide
