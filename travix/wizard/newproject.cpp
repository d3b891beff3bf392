#include "travix/wizard/newproject.h"

#include <filesystem>
#include <system_error>

#include "travix/wizard/appwizard.h"
#include "travix/wizard/cmakeproject.h"
#include "travix/wizard/installpath.h"

namespace Travix::Wizard {

int MakeNewProject(const std::string& argument, std::ostream& report) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path directory = fs::absolute(argument, error);
  if (error) {
    report << "travixwz: " << argument << ": " << error.message() << '\n';
    return 1;
  }
  directory = directory.lexically_normal();
  if (directory.has_parent_path() && !directory.has_filename()) directory = directory.parent_path();
  const std::string projectFile = JoinPath(directory.string(), kProjectFile);
  // Told before any question is asked: a project someone has stays theirs.
  if (fs::exists(fs::symlink_status(projectFile, error))) {
    report << "travixwz: " << directory.string() << " already holds a project (" << projectFile
           << "); choose a new directory.\n";
    return 1;
  }

  AppWizard wizard;
  wizard.GetDictionary().Set(Key::FullDirPath, JoinPath(directory.string(), ""));
  if (wizard.RunSteps() != IDOK || !wizard.ConfirmProject()) {
    report << "travixwz: no project was made.\n";
    return 1;
  }
  fs::create_directories(directory, error);
  if (error) {
    report << "travixwz: " << directory.string() << " cannot be made: " << error.message() << '\n';
    return 1;
  }
  const std::optional<Project> project = wizard.CustomizeProject(directory.filename().string());
  if (!project) return 1;
  std::string failure;
  if (!WriteCMakeProject(*project, wizard.InstallPath(), failure)) {
    report << "travixwz: the project was not written: " << failure << '\n';
    return 1;
  }
  report << "travixwz: wrote " << projectFile << '\n';
  return wizard.GeneratorExitCode() == 0 ? 0 : 1;
}

}  // namespace Travix::Wizard
