// travixwz: makes a new project around the classes travix generates.
//   travixwz [project directory]   asks for the input, the namespace and the
//                                  kind of project, then sets the project up
//   travixwz --about               prints the version report of the toolkit
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "travix/wizard/about.h"
#include "travix/wizard/appwizard.h"
#include "travix/wizard/cmakeproject.h"
#include "travix/wizard/installpath.h"
#include "travix/wizard/versionreport.h"

namespace {

int Usage() {
  std::cerr << "usage: travixwz [project directory] | travixwz --about\n";
  return 2;
}

int About() {
  using namespace Travix::Wizard;
  const VersionReport report = BuildVersionReport(ReportDirectories(LookUpInstallPath({})), RunningSystemVersion());
  for (const std::string& message : report.messages) std::cerr << message << '\n';
  for (const std::string& line : ReportLines(report)) std::cout << line << '\n';
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace Travix::Wizard;
  if (argc > 2) return Usage();
  const std::string argument = argc == 2 ? argv[1] : ".";
  if (argument == "--about") return About();
  if (!argument.empty() && argument[0] == '-') return Usage();

  std::error_code error;
  std::filesystem::path directory = std::filesystem::absolute(argument, error);
  if (error) {
    std::cerr << "travixwz: " << argument << ": " << error.message() << '\n';
    return 1;
  }
  directory = directory.lexically_normal();

  AppWizard wizard;
  std::string full = directory.string();
  if (full.empty() || full.back() != '/') full += '/';
  wizard.GetDictionary().Set(Key::FullDirPath, full);
  if (wizard.RunSteps() != IDOK) return 1;
  std::cerr << '\n' << ConfirmationText(wizard.GetDictionary()) << '\n';

  std::filesystem::create_directories(directory, error);
  const std::optional<Project> project = wizard.CustomizeProject(directory.filename().string());
  if (!project) return 1;
  std::string failure;
  if (!WriteCMakeProject(*project, wizard.InstallPath(), failure)) {
    std::cerr << "travixwz: the project was not written: " << failure << '\n';
    return 1;
  }
  std::cerr << "travixwz: wrote " << JoinPath(project->directory, "CMakeLists.txt") << '\n';
  return wizard.GeneratorExitCode() == 0 ? 0 : 1;
}
