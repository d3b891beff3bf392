// The new project written out as a CMake project, which a developer builds
// with "cmake -S <project> -B <build> && cmake --build <build>": a library
// of the generated sources, with the custom build steps as commands and
// each configuration's settings under its own condition (Debug for the
// Debug configuration, every other build type for Release).
#ifndef TRAVIX_WIZARD_CMAKEPROJECT_H
#define TRAVIX_WIZARD_CMAKEPROJECT_H

#include <string>

#include "travix/wizard/project.h"

namespace Travix::Wizard {

// The file the project is written to, in the project directory.
inline constexpr const char* kProjectFile = "CMakeLists.txt";

// The name of the library target: the project's name with every character
// CMake does not take in a target name made "_".
std::string TargetName(const std::string& projectName);

// The text of CMakeLists.txt. Paths inside the project directory are
// written relative to it and paths inside the installation relative to
// the cache variable TRAVIX_DIR, so the project can move.
std::string CMakeProjectText(const Project& project, const std::string& installPath);

// Writes <project directory>/CMakeLists.txt; an existing one is never
// replaced. False, with the reason, when it is not written.
bool WriteCMakeProject(const Project& project, const std::string& installPath, std::string& error);

}  // namespace Travix::Wizard

#endif
