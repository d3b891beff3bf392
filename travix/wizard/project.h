// The new project as the wizard sets it up: its files, and for each build
// configuration the include paths, defines, run-time choice, libraries and
// custom build steps; and the set-up itself, with its trace.
#ifndef TRAVIX_WIZARD_PROJECT_H
#define TRAVIX_WIZARD_PROJECT_H

#include <ostream>
#include <string>
#include <vector>

#include "travix/wizard/dictionary.h"

namespace Travix::Wizard {

// A step run on one of the project's files when it changes. Each command
// is an argument vector whose first word is a tool: "flex", "bison",
// "del" (remove a file), "copy" (a file to another) or a program's path.
// Relative names are in the project directory.
struct CustomBuildStep {
  std::string file;
  std::vector<std::vector<std::string>> commands;
  std::vector<std::string> outputs;
  std::string description;
  bool operator==(const CustomBuildStep&) const = default;
};

struct Configuration {
  std::string name;
  std::vector<std::string> includeDirectories;
  // The tool setting "mfc": "0" when the classes are built without MFC,
  // empty when the configuration keeps its own.
  std::string mfc;
  std::vector<std::string> defines;
  // The C run-time library: "MD", or "MDd" for a debug configuration.
  std::string runtime;
  bool rtti = false;
  // Libraries by the name the runtime's configurations are delivered
  // under ("travixbase_nd").
  std::vector<std::string> libraries;
  std::vector<CustomBuildStep> buildSteps;
};

struct Project {
  std::string name;
  std::string directory;  // without a trailing separator
  bool sharedLibrary = false;
  std::vector<std::string> files;  // full paths, in the order added
  std::vector<Configuration> configurations;

  void AddFile(const std::string& path);
};

// The project a new-project dictionary describes, with its configurations
// Debug and Release and no files yet.
Project NewProject(const Dictionary& dictionary, const std::string& name);

// Whether a configuration builds for debugging: its name ends in "Debug".
bool IsDebugConfiguration(const std::string& name);

// The runtime library a configuration links: "travixbase", then "_" and
// n (no namespaces), s (static runtime), d (debug) where they apply.
std::string RuntimeLibrary(const Dictionary& dictionary, const std::string& configuration);

// Sets every configuration of the project up for the generated files.
// `generator` is the argument vector that regenerates them from the
// project copy of the input (used when the input is added to the
// project), `copy` that copy. With `trace` non-null, each step is logged.
void SetUpConfigurations(Project& project, const Dictionary& dictionary, const std::string& installPath,
                         const std::vector<std::string>& generator, const std::string& copy, std::ostream* trace);

}  // namespace Travix::Wizard

#endif
