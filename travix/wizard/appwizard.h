// The wizard object: what it learns when it is loaded (the install path,
// whether to trace), its three steps over one dictionary, and the set-up
// of the new project once they are done.
#ifndef TRAVIX_WIZARD_APPWIZARD_H
#define TRAVIX_WIZARD_APPWIZARD_H

#include <memory>
#include <string>

#include "platform/dialogs/wizard.h"
#include "travix/wizard/dictionary.h"
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

 private:
  Dictionary m_dictionary;
  std::string m_installPath;
  bool m_tracing = false;
  InputStep m_inputStep;
  OutputOptionsStep m_outputStep;
  ProjectTypeStep m_projectStep;
  Platform::WizardSequence m_sequence;
};

}  // namespace Travix::Wizard

#endif
