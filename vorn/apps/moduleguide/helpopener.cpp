#include "vorn/apps/moduleguide/helpopener.h"

#include <cstdlib>

#include "platform/kernel/kernel.h"
#include "vorn/support/errortext.h"

namespace Vorn::ModuleGuide {

std::string HelpOpenerProgram() {
  if (const char* chosen = std::getenv("VORN_HELP_OPENER"); chosen != nullptr && *chosen != '\0')
    return chosen;
  return "xdg-open";
}

bool OpenHelpFile(const std::string& path, std::string& failure) {
  const std::string program = HelpOpenerProgram();
  const char* argv[] = {program.c_str(), path.c_str(), nullptr};
  PROCESS_INFORMATION started{};
  if (!CreateProcessArgv(argv, nullptr, &started)) {
    const DWORD error = GetLastError();
    std::string reason = FormatHResultText(static_cast<HRESULT>(error), true);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
      reason.pop_back();
    failure = "\"" + program + "\" could not be started" + (reason.empty() ? "" : ": " + reason);
    return false;
  }
  CloseHandle(started.hProcess);
  return true;
}

} // namespace Vorn::ModuleGuide
