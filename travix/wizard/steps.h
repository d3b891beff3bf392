// The wizard's three steps and its message dialog. Each step writes its
// choices into the dictionary when it is left forward, and refuses to be
// left while they are wrong.
#ifndef TRAVIX_WIZARD_STEPS_H
#define TRAVIX_WIZARD_STEPS_H

#include <string>
#include <string_view>

#include "platform/dialogs/wizard.h"
#include "travix/wizard/dictionary.h"

namespace Travix::Wizard {

// The namespace a file name suggests: its base name without directory or
// extension, every character other than a letter, a digit or "_" (and a
// leading digit) made "_".
std::string NamespaceFromFileName(std::string_view path);

// The step-1 picture for a chosen path.
UINT InputPicture(std::string_view path);

// Step 1: the input file, whether to copy it into the project, and the
// information dialog.
class InputStep : public Platform::WizardStep {
 public:
  explicit InputStep(Dictionary& dictionary);
  BOOL OnInitDialog() override;
  void OnPaint() override;
  BOOL OnDismiss() override;

 private:
  void Browse();
  void About();
  Dictionary& m_dictionary;
};

// Step 2: the namespace and the output options.
class OutputOptionsStep : public Platform::WizardStep {
 public:
  explicit OutputOptionsStep(Dictionary& dictionary);
  BOOL OnInitDialog() override;
  void OnSetActive() override;
  BOOL OnDismiss() override;

 private:
  void UseFileNameClicked();
  void FillFromFileName();
  Dictionary& m_dictionary;
};

// Step 3: the kind of project and of runtime library.
class ProjectTypeStep : public Platform::WizardStep {
 public:
  explicit ProjectTypeStep(Dictionary& dictionary);
  BOOL OnInitDialog() override;
  void OnSetActive() override;
  BOOL OnDismiss() override;

 private:
  void DllClicked();
  Dictionary& m_dictionary;
};

// Shows a text its caller gives in a read-only edit.
class MessageDialog : public Platform::Dialog {
 public:
  explicit MessageDialog(std::string text);
  BOOL OnInitDialog() override;

 private:
  std::string m_text;
};

}  // namespace Travix::Wizard

#endif
