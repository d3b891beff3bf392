// Opens a help page with the desktop's viewer: the program named by the
// environment variable VORN_HELP_OPENER, else xdg-open, is started with the
// page's path as its one argument, never through a shell, and not waited
// for (a viewer may stay open as long as the page is read).
#ifndef VORN_APPS_MODULEGUIDE_HELPOPENER_H
#define VORN_APPS_MODULEGUIDE_HELPOPENER_H

#include <string>

namespace Vorn::ModuleGuide {

// The program that opens help pages.
std::string HelpOpenerProgram();

// Starts the opener on path; false, with the reason in failure, when it
// could not be started.
bool OpenHelpFile(const std::string& path, std::string& failure);

} // namespace Vorn::ModuleGuide

#endif
