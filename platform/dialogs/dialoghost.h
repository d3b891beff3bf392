// Who shows dialogs. The model has no screen: a host stands for the
// person in front of it. The terminal host prompts on standard input and
// writes to standard error; the recording host answers from a test's
// script and records everything it was shown. One host is current per
// process; the terminal host is the default.
#ifndef PLATFORM_DIALOGS_DIALOGHOST_H
#define PLATFORM_DIALOGS_DIALOGHOST_H

#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs/dialog.h"
#include "platform/dialogs/wizard.h"

namespace Platform {

struct FileDialogRequest {
  std::string title;
  // Pairs of description and patterns, separated by "|" and ending "||".
  std::string filter;
  std::string defaultExtension;
  std::string initialName;
  DWORD flags = 0;
};

class PLATFORM_API DialogHost {
 public:
  virtual ~DialogHost();
  // Shows a created dialog until it ends (EndDialog).
  virtual void RunModal(Dialog& dialog) = 0;
  // Shows a started wizard until it finishes or is cancelled.
  virtual void RunWizard(WizardSequence& wizard) = 0;
  virtual int ShowMessage(std::string_view text, std::string_view caption, UINT type) = 0;
  // An open-file dialog: the chosen path, or nothing when cancelled.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
};

PLATFORM_API DialogHost& CurrentDialogHost();
// Makes `host` current (nullptr: the default terminal host) and returns
// the one that was.
PLATFORM_API DialogHost* SetDialogHost(DialogHost* host);

// The open-file dialog.
class PLATFORM_API FileDialog {
 public:
  FileDialog(std::string defaultExtension, std::string initialName, DWORD flags, std::string filter);
  std::string& Title() { return m_request.title; }
  INT_PTR DoModal();
  const std::string& GetPathName() const { return m_path; }

 private:
  FileDialogRequest m_request;
  std::string m_path;
};

// The default answer to a message box that asks nothing destructive: OK,
// Cancel for OK/Cancel, No for Yes/No, Cancel for Yes/No/Cancel.
PLATFORM_API int NonDestructiveAnswer(UINT type);

// Prompts a person: for each field a dialog has (edits, check boxes,
// lists, sliders, in their order), the current value is shown and a line
// read, where an empty line keeps it; then the buttons. A message box that
// asks something (OK/Cancel, Yes/No, ...) lists its buttons and reads one,
// an empty line taking the default button. The end of input cancels, and
// answers a message box with the answer that destroys nothing.
class PLATFORM_API TerminalHost : public DialogHost {
 public:
  TerminalHost(std::istream& in, std::ostream& out);
  void RunModal(Dialog& dialog) override;
  void RunWizard(WizardSequence& wizard) override;
  int ShowMessage(std::string_view text, std::string_view caption, UINT type) override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;

 private:
  bool ReadLine(std::string& line);
  // Prompts for the fields; FALSE at the end of input.
  bool PromptFields(Dialog& dialog);
  void ShowReadOnly(const Dialog& dialog);

  std::istream& m_in;
  std::ostream& m_out;
};

// Answers from scripts and records what was shown.
class PLATFORM_API RecordingHost : public DialogHost {
 public:
  // Acts as the user on a shown dialog; a dialog that has not ended when
  // its script returns (or that finds no script) is cancelled.
  using DialogScript = std::function<void(Dialog&)>;
  // Chooses what the user does on a wizard step.
  using WizardScript = std::function<WizardAction(WizardStep&)>;

  struct ShownDialog {
    UINT templateId = 0;
    std::string caption;
    INT_PTR result = 0;
    bool scripted = false;
  };
  struct ShownMessage {
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
  };

  void AddDialogScript(DialogScript script) { m_dialogScripts.push_back(std::move(script)); }
  void AddWizardScript(WizardScript script) { m_wizardScripts.push_back(std::move(script)); }
  // Answers to later message boxes, in order; afterwards the non-destructive one.
  void AddMessageAnswer(int answer) { m_messageAnswers.push_back(answer); }
  void AddFileAnswer(std::optional<std::string> path) { m_fileAnswers.push_back(std::move(path)); }

  const std::vector<ShownDialog>& Dialogs() const { return m_dialogs; }
  const std::vector<ShownMessage>& Messages() const { return m_messages; }
  const std::vector<FileDialogRequest>& FileRequests() const { return m_fileRequests; }
  // The wizard steps' template numbers in the order they were shown.
  const std::vector<UINT>& WizardSteps() const { return m_wizardSteps; }
  void Clear();

  void RunModal(Dialog& dialog) override;
  void RunWizard(WizardSequence& wizard) override;
  int ShowMessage(std::string_view text, std::string_view caption, UINT type) override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;

 private:
  std::deque<DialogScript> m_dialogScripts;
  std::deque<WizardScript> m_wizardScripts;
  std::deque<int> m_messageAnswers;
  std::deque<std::optional<std::string>> m_fileAnswers;
  std::vector<ShownDialog> m_dialogs;
  std::vector<ShownMessage> m_messages;
  std::vector<FileDialogRequest> m_fileRequests;
  std::vector<UINT> m_wizardSteps;
};

// Makes a recording host current for a scope.
class PLATFORM_API ScopedDialogHost {
 public:
  explicit ScopedDialogHost(DialogHost& host) : m_previous(SetDialogHost(&host)) {}
  ~ScopedDialogHost() { SetDialogHost(m_previous); }
  ScopedDialogHost(const ScopedDialogHost&) = delete;
  ScopedDialogHost& operator=(const ScopedDialogHost&) = delete;

 private:
  DialogHost* m_previous;
};

}  // namespace Platform

#endif
