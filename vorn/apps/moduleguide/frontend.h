// The module-type browser at a terminal:
//   VornModuleGuide               a numbered list of the module types; the
//                                 number of one opens its help page
//   VornModuleGuide --list        the module types, one a line
//   VornModuleGuide --show TYPE   opens the help page of TYPE
//   VornModuleGuide --about       the about box's text
// Each runs the same dialog as a person would use it.
#ifndef VORN_APPS_MODULEGUIDE_FRONTEND_H
#define VORN_APPS_MODULEGUIDE_FRONTEND_H

#include <iosfwd>
#include <string>
#include <vector>

namespace Vorn::ModuleGuide {

// The exit status: 0 when done, 1 when a help page could not be opened or
// the type is not registered, 2 for a bad command line.
int RunFrontEnd(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace Vorn::ModuleGuide

#endif
