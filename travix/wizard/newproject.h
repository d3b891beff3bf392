// What travixwz does for a new project: the wizard's steps, the question
// whether to go on, and the project made in its directory.
#ifndef TRAVIX_WIZARD_NEWPROJECT_H
#define TRAVIX_WIZARD_NEWPROJECT_H

#include <ostream>
#include <string>

namespace Travix::Wizard {

// Makes a new project in `directory` (relative to the current one) through
// the current dialog host, reporting to `report` what was written or why
// nothing was. A directory that already holds a project is refused before
// the steps; the directory is made only once the project is confirmed.
// 0 when the project was written and travix succeeded, else 1.
int MakeNewProject(const std::string& directory, std::ostream& report);

}  // namespace Travix::Wizard

#endif
