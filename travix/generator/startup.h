// What travix does to its own process before it reads the command line.
#ifndef TRAVIX_TOOL_STARTUP_H
#define TRAVIX_TOOL_STARTUP_H

namespace Travix::Tool {

// Removes ICUROOT and ICU_DATA from the environment, so that the Unicode
// library runs on its built-in data whatever the caller points it at.
void ClearUnicodeEnvironment();

}  // namespace Travix::Tool

#endif
