// Wizard steps: dialogs shown one after another in a frame with Back,
// Next, Finish and Cancel. A step checks and stores its data when it is
// left forward (OnDismiss); FALSE keeps the user on it.
#ifndef PLATFORM_DIALOGS_WIZARD_H
#define PLATFORM_DIALOGS_WIZARD_H

#include <map>
#include <string>
#include <vector>

#include "platform/dialogs/dialog.h"

namespace Platform {

// The frame's buttons.
#define WIZARD_BACK 0x3023
#define WIZARD_NEXT 0x3024
#define WIZARD_FINISH 440

class WizardSequence;

class PLATFORM_API WizardStep : public Dialog {
 public:
  using Dialog::Dialog;
  // Leaving the step forward: store its data; FALSE stays on the step.
  virtual BOOL OnDismiss() { return TRUE; }
  // Each time the step becomes the current one.
  virtual void OnSetActive() {}
  WizardSequence* Sequence() const { return m_sequence; }

 private:
  friend class WizardSequence;
  WizardSequence* m_sequence = nullptr;
};

enum class WizardAction { Next, Back, Finish, Cancel };

class PLATFORM_API WizardSequence {
 public:
  explicit WizardSequence(std::string caption = {}) : m_caption(std::move(caption)) {}
  ~WizardSequence();
  WizardSequence(const WizardSequence&) = delete;
  WizardSequence& operator=(const WizardSequence&) = delete;

  // The steps, in their order; the sequence does not own them.
  void SetSteps(std::vector<WizardStep*> steps);
  std::size_t StepCount() const { return m_steps.size(); }
  std::size_t CurrentIndex() const { return m_current; }
  WizardStep* Current() const;
  WizardStep* Step(std::size_t index) const;
  // The step after or before `step`, nullptr past either end.
  WizardStep* Next(const WizardStep* step) const;
  WizardStep* Back(const WizardStep* step) const;
  const std::string& Caption() const { return m_caption; }

  // Shows the first step: its window is created on first use, and every
  // showing makes it active and paints it.
  void Start();
  // Going forward: the current step is dismissed and, when it agrees, the
  // next one shown; FALSE when the step stays or it is the last.
  BOOL GoNext();
  BOOL GoBack();
  // Dismisses the current step and, in turn, every later one with what it
  // holds (a step not yet shown is created first); a step that refuses
  // becomes the current one and FALSE is returned.
  BOOL Finish();
  bool IsFinished() const { return m_finished; }

  BOOL IsFrameButtonEnabled(int id) const;
  void EnableFrameButton(int id, BOOL enable);

  // Runs the sequence through the dialog host: IDOK when it finished,
  // IDCANCEL when it was cancelled.
  INT_PTR Run();
  // One user action, as the hosts apply it.
  BOOL Apply(WizardAction action);

 private:
  void Show(std::size_t index);
  void EnsureCreated(WizardStep& step);

  std::string m_caption;
  std::vector<WizardStep*> m_steps;
  std::size_t m_current = 0;
  std::map<int, BOOL> m_frameButtons;
  bool m_finished = false;
};

}  // namespace Platform

#endif
