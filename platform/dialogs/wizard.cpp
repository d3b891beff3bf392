#include "platform/dialogs/wizard.h"

#include "platform/dialogs/dialoghost.h"

namespace Platform {

WizardSequence::~WizardSequence() {
  for (WizardStep* step : m_steps) {
    if (step->m_sequence == this) step->m_sequence = nullptr;
  }
}

void WizardSequence::SetSteps(std::vector<WizardStep*> steps) {
  m_steps = std::move(steps);
  for (WizardStep* step : m_steps) step->m_sequence = this;
  m_current = 0;
  m_finished = false;
}

WizardStep* WizardSequence::Current() const { return Step(m_current); }

WizardStep* WizardSequence::Step(std::size_t index) const { return index < m_steps.size() ? m_steps[index] : nullptr; }

WizardStep* WizardSequence::Next(const WizardStep* step) const {
  for (std::size_t i = 0; i + 1 < m_steps.size(); ++i) {
    if (m_steps[i] == step) return m_steps[i + 1];
  }
  return nullptr;
}

WizardStep* WizardSequence::Back(const WizardStep* step) const {
  for (std::size_t i = 1; i < m_steps.size(); ++i) {
    if (m_steps[i] == step) return m_steps[i - 1];
  }
  return nullptr;
}

void WizardSequence::EnsureCreated(WizardStep& step) {
  if (!step.IsWindow()) step.Create();
}

void WizardSequence::Show(std::size_t index) {
  m_current = index;
  WizardStep* step = Current();
  if (!step) return;
  // Each step starts from a frame whose buttons fit its place.
  m_frameButtons[WIZARD_BACK] = index > 0;
  m_frameButtons[WIZARD_NEXT] = index + 1 < m_steps.size();
  m_frameButtons[WIZARD_FINISH] = TRUE;
  m_frameButtons[IDCANCEL] = TRUE;
  EnsureCreated(*step);
  for (WizardStep* other : m_steps) {
    if (other != step && other->IsWindow()) other->ShowWindow(SW_HIDE);
  }
  step->ShowWindow(SW_SHOW);
  step->OnSetActive();
  step->OnPaint();
}

void WizardSequence::Start() {
  m_finished = false;
  if (!m_steps.empty()) Show(0);
}

BOOL WizardSequence::GoNext() {
  WizardStep* step = Current();
  if (!step || m_current + 1 >= m_steps.size() || !IsFrameButtonEnabled(WIZARD_NEXT)) return FALSE;
  if (!step->OnDismiss()) return FALSE;
  Show(m_current + 1);
  return TRUE;
}

BOOL WizardSequence::GoBack() {
  if (m_current == 0 || !IsFrameButtonEnabled(WIZARD_BACK)) return FALSE;
  Show(m_current - 1);
  return TRUE;
}

BOOL WizardSequence::Finish() {
  if (!Current() || !IsFrameButtonEnabled(WIZARD_FINISH)) return FALSE;
  for (std::size_t index = m_current; index < m_steps.size(); ++index) {
    WizardStep& step = *m_steps[index];
    if (index != m_current) {
      EnsureCreated(step);
      step.OnSetActive();
    }
    if (!step.OnDismiss()) {
      if (index != m_current) Show(index);
      return FALSE;
    }
  }
  m_finished = true;
  return TRUE;
}

BOOL WizardSequence::IsFrameButtonEnabled(int id) const {
  auto it = m_frameButtons.find(id);
  return it == m_frameButtons.end() ? FALSE : it->second;
}

void WizardSequence::EnableFrameButton(int id, BOOL enable) { m_frameButtons[id] = enable != FALSE; }

BOOL WizardSequence::Apply(WizardAction action) {
  switch (action) {
  case WizardAction::Next: return GoNext();
  case WizardAction::Back: return GoBack();
  case WizardAction::Finish: return Finish();
  case WizardAction::Cancel: return TRUE;
  }
  return FALSE;
}

INT_PTR WizardSequence::Run() {
  if (m_steps.empty()) return IDCANCEL;
  Start();
  CurrentDialogHost().RunWizard(*this);
  const INT_PTR result = m_finished ? IDOK : IDCANCEL;
  for (WizardStep* step : m_steps) step->DestroyWindow();
  return result;
}

}  // namespace Platform
