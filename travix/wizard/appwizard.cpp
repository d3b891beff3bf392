#include "travix/wizard/appwizard.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/dialogs/dialoghost.h"
#include "travix/wizard/generatorrun.h"
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

namespace {

// Copies the input into the project (replacing an older copy); the copy's
// path, or nothing, with the failure shown, when it cannot be made.
std::optional<std::string> CopyIntoProject(const std::string& input, const Dictionary& dictionary) {
  namespace fs = std::filesystem;
  const std::string copy = JoinPath(ProjectDirectory(dictionary), fs::path(input).filename().string());
  std::error_code error;
  // An input that is already the project's copy is left as it is.
  if (fs::equivalent(input, copy, error)) return copy;
  error.clear();
  fs::copy_file(input, copy, fs::copy_options::overwrite_existing, error);
  if (error) {
    Show("Cannot copy " + input + " to " + copy + ": " + error.message(), "Fatal Error");
    return std::nullopt;
  }
  return copy;
}

}  // namespace

std::optional<Project> AppWizard::CustomizeProject(const std::string& name) {
  const Dictionary& d = m_dictionary;
  const std::string input = d.Value(Key::InputFile);
  const std::optional<std::string> listFile = MakeListFile();
  if (!listFile) {
    Show("Cannot create temporary file; out of disk space?", "Fatal Error");
    return std::nullopt;
  }
  Project project = NewProject(d, name);
  const std::vector<std::string> command = GeneratorArguments(d, m_installPath, *listFile, input);
  if (m_tracing) Show(CommandText(command));

  std::string copy;
  if (d.IsYes(Key::AddToProject)) {
    if (auto made = CopyIntoProject(input, d)) {
      copy = *made;
      project.AddFile(copy);
    }
  }

  const int code = m_generatorExitCode = RunGenerator(command);
  const std::optional<std::vector<std::string>> lines = ReadListFile(*listFile);
  ::unlink(listFile->c_str());
  if (code == 0) {
    if (!lines) {
      Show("Could not open travix.exe listfile", "Fatal Error");
    } else {
      for (const std::string& file : *lines) {
        if (m_tracing) Show("Adding file to Project");
        project.AddFile(file);
      }
    }
  } else if (!lines) {
    Show(ExitCodeText(code), "Critical Error in Travix");
  } else {
    std::string reports;
    for (const std::string& line : *lines) reports += line + "\r\n";
    MessageDialog message("Travix Code Generation Failed for:\r\n\r\n" + input + "\r\n\r\n" + ExitCodeText(code) +
                          "\r\n\r\n" + reports);
    message.DoModal();
  }

  std::ofstream log;
  if (m_tracing) log.open(JoinPath(project.directory, "appwiz.out"), std::ios::trunc);
  const std::vector<std::string> regenerate =
      copy.empty() ? std::vector<std::string>{} : GeneratorArguments(d, m_installPath, {}, copy);
  SetUpConfigurations(project, d, m_installPath, regenerate, copy, log.is_open() ? &log : nullptr);
  return project;
}

}  // namespace Travix::Wizard
