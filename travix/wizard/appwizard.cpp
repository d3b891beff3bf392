#include "travix/wizard/appwizard.h"

#include "platform/dialogs/dialoghost.h"
#include "travix/wizard/installpath.h"

namespace Travix::Wizard {

namespace {

constexpr const char* kInstallFailure = "Installation Failure";

void Show(const std::string& text, const char* caption = "") {
  Platform::CurrentDialogHost().ShowMessage(text, caption, MB_OK);
}

}  // namespace

AppWizard::AppWizard()
    : m_inputStep(m_dictionary), m_outputStep(m_dictionary), m_projectStep(m_dictionary), m_sequence("Travix AppWizard") {
  m_sequence.SetSteps({&m_inputStep, &m_outputStep, &m_projectStep});

  // A missing toolkit key only means no tracing: the install path is
  // looked up all the same.
  const RegistryStatus debug = ProbeMachineValue(kTravixKey, "Debug");
  if (debug == RegistryStatus::CannotOpen) {
    Show(RegistryFailureText(debug, kTravixKey), kInstallFailure);
  } else if (debug == RegistryStatus::Ok) {
    m_tracing = true;
    Show("Travix Tracing Enabled");
  }
  m_installPath = LookUpInstallPath(kInstallFailure);
}

INT_PTR AppWizard::RunSteps() { return m_sequence.Run(); }

}  // namespace Travix::Wizard
