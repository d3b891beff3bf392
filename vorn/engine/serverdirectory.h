// Where the engine's module servers live: the folder "ModuleCom" beside the
// engine's own file, or beside the folder above when the engine sits in a
// build's "debug" folder, so a debug and a release engine share their
// servers.
#ifndef VORN_ENGINE_SERVERDIRECTORY_H
#define VORN_ENGINE_SERVERDIRECTORY_H

#include <string>
#include <string_view>

namespace Vorn {

// The module servers' folder for an engine in engineDirectory; empty for an
// empty directory. Only a last path component named "debug" (in any case)
// is cut, and the rest keeps its case: on a file system that tells case,
// "/Work/Debugger/engine" is not "/work/debugger/engine".
std::string ModuleServerDirectory(std::string_view engineDirectory);

// Adds the module servers' folder of the engine file at enginePath to the
// layer's list of folders servers are looked for in.
void AddModuleServerDirectory(const std::string& enginePath);

}  // namespace Vorn

#endif
