#include <gtest/gtest.h>

#include "platform/dialogs/dialoghost.h"
#include "platform/dialogs/tests/testdialogs.h"
#include "platform/dialogs/wizard.h"

using namespace Platform;

namespace {

class Step : public WizardStep {
 public:
  Step(std::string name, std::vector<std::string>& log)
      : WizardStep(100, dialogtest::SampleTemplate(100)), m_name(std::move(name)), m_log(log) {}
  bool accept = true;
  BOOL OnInitDialog() override {
    m_log.push_back(m_name + " init");
    return TRUE;
  }
  void OnSetActive() override { m_log.push_back(m_name + " shown"); }
  BOOL OnDismiss() override {
    m_log.push_back(m_name + (accept ? " dismissed" : " stays"));
    return accept;
  }

 private:
  std::string m_name;
  std::vector<std::string>& m_log;
};

struct Steps {
  std::vector<std::string> log;
  Step one{"1", log}, two{"2", log}, three{"3", log};
  WizardSequence wizard{"Test"};
  Steps() { wizard.SetSteps({&one, &two, &three}); }
};

TEST(WizardTest, LeavingForwardDismissesAndARefusalStays) {
  Steps s;
  s.wizard.Start();
  s.two.accept = false;
  EXPECT_TRUE(s.wizard.GoNext());
  EXPECT_FALSE(s.wizard.GoNext());
  EXPECT_EQ(s.wizard.Current(), &s.two);
  EXPECT_TRUE(s.wizard.GoBack());  // going back checks nothing
  EXPECT_FALSE(s.wizard.GoBack());
  EXPECT_TRUE(s.wizard.GoNext());
  EXPECT_EQ(s.log, (std::vector<std::string>{"1 init", "1 shown", "1 dismissed", "2 init", "2 shown", "2 stays",
                                             "1 shown", "1 dismissed", "2 shown"}));
  EXPECT_EQ(s.wizard.Next(&s.two), &s.three);
  EXPECT_EQ(s.wizard.Back(&s.one), nullptr);
  EXPECT_FALSE(s.one.IsWindowVisible());
  EXPECT_TRUE(s.two.IsWindowVisible());
}

TEST(WizardTest, FinishDismissesEveryLaterStepAndStopsAtARefusal) {
  Steps s;
  s.wizard.Start();
  s.three.accept = false;
  EXPECT_FALSE(s.wizard.Finish());
  EXPECT_EQ(s.wizard.Current(), &s.three);
  s.three.accept = true;
  EXPECT_TRUE(s.wizard.Finish());
  EXPECT_TRUE(s.wizard.IsFinished());
  EXPECT_EQ(s.log, (std::vector<std::string>{"1 init", "1 shown", "1 dismissed", "2 init", "2 shown", "2 dismissed",
                                             "3 init", "3 shown", "3 stays", "3 shown", "3 dismissed"}));
  // A step can take the frame's Finish away while it is shown.
  s.wizard.Start();
  s.wizard.EnableFrameButton(WIZARD_FINISH, FALSE);
  EXPECT_FALSE(s.wizard.Finish());
  EXPECT_TRUE(s.wizard.GoNext());
  EXPECT_TRUE(s.wizard.IsFrameButtonEnabled(WIZARD_FINISH));
}

TEST(WizardTest, RunsThroughTheHost) {
  RecordingHost host;
  ScopedDialogHost scope(host);
  Steps s;
  host.AddWizardScript([](WizardStep&) { return WizardAction::Next; });
  host.AddWizardScript([](WizardStep&) { return WizardAction::Next; });
  host.AddWizardScript([](WizardStep& step) {
    step.UserType(1012, "last");
    return WizardAction::Finish;
  });
  EXPECT_EQ(s.wizard.Run(), IDOK);
  EXPECT_EQ(host.WizardSteps(), (std::vector<UINT>{100, 100, 100}));
  EXPECT_FALSE(s.three.IsWindow());
  host.AddWizardScript([](WizardStep&) { return WizardAction::Next; });
  EXPECT_EQ(s.wizard.Run(), IDCANCEL);  // the script ran out
}

}  // namespace
