// The wizard object: what it learns when it is loaded (the install path,
// whether to trace), its three steps over one dictionary, and the set-up
// of the new project once they are done.
#ifndef TRAVIX_WIZARD_APPWIZARD_H
#define TRAVIX_WIZARD_APPWIZARD_H

#include <memory>
#include <optional>
#include <string>

#include "platform/dialogs/wizard.h"
#include "travix/wizard/dictionary.h"
#include "travix/wizard/project.h"
#include "travix/wizard/steps.h"

namespace Travix::Wizard {

class AppWizard {
 public:
  // Reads the registry: tracing from the toolkit's key, the install path
  // from its application-path key (else the running program's place).
  AppWizard();
  AppWizard(const AppWizard&) = delete;
  AppWizard& operator=(const AppWizard&) = delete;

  Dictionary& GetDictionary() { return m_dictionary; }
  const Dictionary& GetDictionary() const { return m_dictionary; }
  const std::string& InstallPath() const { return m_installPath; }
  void SetInstallPath(std::string path) { m_installPath = std::move(path); }
  bool Tracing() const { return m_tracing; }
  void SetTracing(bool on) { m_tracing = on; }

  Platform::WizardSequence& Sequence() { return m_sequence; }
  // Runs the steps through the dialog host: IDOK when they were finished.
  INT_PTR RunSteps();
  // Asks whether to make the project the steps describe, showing their
  // confirmation text: true for OK.
  bool ConfirmProject();

  // After the last step: runs travix on the input, adds the files it lists
  // to the project named `name` in the dictionary's project directory (which
  // must exist) and sets the project's configurations up, whatever travix
  // answered. Nothing, with the reason shown, when a file the project would
  // get is there already (CMakeLists.txt, the copy of the input, a file
  // travix wrote), or when no list file could be made: no file in the
  // project directory was changed then.
  std::optional<Project> CustomizeProject(const std::string& name);
  // What travix exited with in the last customisation (kNotRun when it
  // did not run).
  int GeneratorExitCode() const { return m_generatorExitCode; }

 private:
  Dictionary m_dictionary;
  std::string m_installPath;
  bool m_tracing = false;
  int m_generatorExitCode = 6;
  InputStep m_inputStep;
  OutputOptionsStep m_outputStep;
  ProjectTypeStep m_projectStep;
  Platform::WizardSequence m_sequence;
};

}  // namespace Travix::Wizard

#endif
