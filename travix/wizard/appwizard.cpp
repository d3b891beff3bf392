#include "travix/wizard/appwizard.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/dialogs/dialoghost.h"
#include "travix/wizard/cmakeproject.h"
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

  // The toolkit's key is read only for tracing, which is off without it:
  // its absence is no failure of the installation, and the install path is
  // looked up all the same.
  if (ProbeMachineValue(kTravixKey, "Debug") == RegistryStatus::Ok) {
    m_tracing = true;
    Show("Travix Tracing Enabled");
  }
  m_installPath = LookUpInstallPath(kInstallFailure);
}

INT_PTR AppWizard::RunSteps() { return m_sequence.Run(); }

bool AppWizard::ConfirmProject() {
  return Platform::CurrentDialogHost().ShowMessage(ConfirmationText(m_dictionary), m_sequence.Caption(), MB_OKCANCEL) ==
         IDOK;
}

namespace {

namespace fs = std::filesystem;

constexpr const char* kFatal = "Fatal Error";
// The log of a traced set-up, in the project directory.
constexpr const char* kTraceFile = "appwiz.out";

// Removes a file or a directory with all it holds when the scope ends.
class Scratch {
 public:
  explicit Scratch(std::string path) : m_path(std::move(path)) {}
  ~Scratch() {
    std::error_code error;
    fs::remove_all(m_path, error);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

 private:
  std::string m_path;
};

// Whether anything (a file, a directory, a link) is at `path`; what cannot
// be looked at counts as there, so that it is left alone too.
bool IsThere(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

// True, with the refusal shown, when one of `paths` is already there.
bool Refused(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (!IsThere(path)) continue;
    Show(path + " is already there; the project was not made and no file was changed.", kFatal);
    return true;
  }
  return false;
}

// A new, private directory inside `directory`; nothing, with the failure
// shown, when it cannot be made.
std::optional<std::string> MakeStagingDirectory(const std::string& directory) {
  std::string pattern = JoinPath(directory, ".travixwz-XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) {
    Show("Cannot create a directory in " + directory + ": " + std::strerror(errno), kFatal);
    return std::nullopt;
  }
  return pattern;
}

// The names of the files in `directory`.
std::vector<std::string> NamesIn(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Moves the files `names` from `from` into `to`, where none of them may be
// yet: a file that appears there in between stays as it is.
bool MoveFiles(const std::vector<std::string>& names, const std::string& from, const std::string& to) {
  for (const std::string& name : names) {
    const std::string source = JoinPath(from, name);
    const std::string target = JoinPath(to, name);
    if (::link(source.c_str(), target.c_str()) == 0) continue;
    std::error_code error;
    if (errno != EEXIST) fs::copy_file(source, target, fs::copy_options::none, error);
    if (errno == EEXIST || error) {
      Show("Cannot move " + source + " to " + target + ": " + (error ? error.message() : std::strerror(EEXIST)), kFatal);
      return false;
    }
  }
  return true;
}

// Copies the input into the project; the copy's path, or nothing, with the
// failure shown, when it cannot be made.
std::optional<std::string> CopyIntoProject(const std::string& input, const std::string& copy) {
  std::error_code error;
  // An input that is already the project's copy is left as it is.
  if (fs::equivalent(input, copy, error)) return copy;
  error.clear();
  fs::copy_file(input, copy, fs::copy_options::none, error);
  if (error) {
    Show("Cannot copy " + input + " to " + copy + ": " + error.message(), kFatal);
    return std::nullopt;
  }
  return copy;
}

}  // namespace

std::optional<Project> AppWizard::CustomizeProject(const std::string& name) {
  const Dictionary& d = m_dictionary;
  const std::string input = d.Value(Key::InputFile);
  const std::string directory = ProjectDirectory(d);
  std::string failure;
  const std::optional<std::string> listFile = MakeListFile(failure);
  if (!listFile) {
    Show(failure, kFatal);
    return std::nullopt;
  }
  const Scratch list(*listFile);

  // Everything is decided before anything is written: no file that is in
  // the project directory already is ever changed.
  const std::string copy =
      d.IsYes(Key::AddToProject) ? JoinPath(directory, fs::path(input).filename().string()) : std::string();
  std::vector<std::string> ours{JoinPath(directory, kProjectFile)};
  std::error_code same;
  if (!copy.empty() && !fs::equivalent(input, copy, same)) ours.push_back(copy);
  if (m_tracing) ours.push_back(JoinPath(directory, kTraceFile));
  if (Refused(ours)) return std::nullopt;
  // travix writes into a private directory of the project; its files move
  // in only when none of them is there already.
  const std::optional<std::string> staging = MakeStagingDirectory(directory);
  if (!staging) return std::nullopt;
  const Scratch stage(*staging);

  Project project = NewProject(d, name);
  const std::vector<std::string> command = GeneratorArguments(d, m_installPath, *listFile, input, *staging);
  if (m_tracing) Show(CommandText(command));
  const int code = m_generatorExitCode = RunGenerator(command);
  std::optional<std::vector<std::string>> lines = ReadListFile(*listFile);
  // What travix names in its directory, it names in the project's.
  if (lines) {
    for (std::string& line : *lines) {
      if (line.starts_with(*staging + "/")) line = directory + line.substr(staging->size());
    }
  }
  if (code == 0) {
    const std::vector<std::string> generated = NamesIn(*staging);
    std::vector<std::string> targets;
    for (const std::string& file : generated) targets.push_back(JoinPath(directory, file));
    if (Refused(targets) || !MoveFiles(generated, *staging, directory)) return std::nullopt;
  }

  std::string copied;
  if (!copy.empty()) {
    if (auto made = CopyIntoProject(input, copy)) {
      copied = *made;
      project.AddFile(copied);
    }
  }
  if (code == 0) {
    if (!lines) {
      Show("Could not open travix.exe listfile", kFatal);
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
  if (m_tracing) log.open(JoinPath(project.directory, kTraceFile), std::ios::trunc);
  const std::vector<std::string> regenerate =
      copied.empty() ? std::vector<std::string>{} : GeneratorArguments(d, m_installPath, {}, copied);
  SetUpConfigurations(project, d, m_installPath, regenerate, copied, log.is_open() ? &log : nullptr);
  return project;
}

}  // namespace Travix::Wizard
