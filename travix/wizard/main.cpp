// travixwz: makes a new project around the classes travix generates.
//   travixwz [project directory]   asks for the input, the namespace and the
//                                  kind of project, then sets the project up
//   travixwz --about               prints the version report of the toolkit
#include <iostream>
#include <string>

#include "travix/wizard/about.h"
#include "travix/wizard/installpath.h"
#include "travix/wizard/newproject.h"
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
  if (argc > 2) return Usage();
  const std::string argument = argc == 2 ? argv[1] : ".";
  if (argument == "--about") return About();
  if (!argument.empty() && argument[0] == '-') return Usage();
  return Travix::Wizard::MakeNewProject(argument, std::cerr);
}
