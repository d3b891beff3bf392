// The speaker's page as a person and a property frame use it, over a module
// object and three simulated output devices.
#include <gtest/gtest.h>

#include "platform/dialogs/dialogscript.h"
#include "platform/dialogs/dialogtemplate.h"
#include "tests/support/tempdir.h"
#include "vorn/modules/voice/speakerpage.h"
#include "vorn/modules/voice/tests/speakertest.h"

using namespace SpeakerTest;

namespace {

std::vector<BYTE> PageTemplate() {
  const auto compiled = Platform::CompileDialogScript(TestSupport::ReadFile(SPEAKER_PAGE_SCRIPT), "page.dlg");
  EXPECT_TRUE(compiled.errors.empty());
  return Platform::WriteDialogTemplate(compiled.dialogs.at(0).dialogTemplate);
}

class TestPage final : public SpeakerPageDialog {
public:
  TestPage(std::span<const BYTE> bytes, SpeakerCore& core) : SpeakerPageDialog(bytes, IID_IVornDerivedModule), m_core(core) {}
  SpeakerCore* Core() override { return Module() ? &m_core : nullptr; }

private:
  SpeakerCore& m_core;
};

class RecordingSite final : public Platform::PropertyPageSite {
public:
  void OnStatusChange(DWORD flags) override { changes.push_back(flags); }
  std::vector<DWORD> changes;
};

class SpeakerPageTest : public SpeakerCoreTest {
protected:
  platform::audio::SimSettings Settings() override {
    platform::audio::SimSettings settings = Stepped("", dir.Path("out0.wav"));
    settings.outputs = {{"First", dir.Path("out0.wav")}, {"Second", dir.Path("out1.wav")},
                        {"Third", dir.Path("out2.wav")}};
    return settings;
  }
  void SetUp() override {
    SpeakerCoreTest::SetUp();
    page.SetPageSite(&site);
    IUnknown* objects[] = {object};
    page.SetObjects(1, objects);
    ASSERT_TRUE(page.Create());
  }
  void SetModuleDirty(bool dirty) { server->local->SetDirtyFlag(dirty); }

  RecordingSite site;
  std::vector<BYTE> bytes = PageTemplate();
  TestPage page{bytes, core};
};

}  // namespace

TEST_F(SpeakerPageTest, OpensCleanWithTheDevicesInOrderAndTheModulesGain) {
  auto* list = page.GetDlgItemAs<Platform::ComboBox>(kDeviceList);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 3);
  EXPECT_EQ(list->GetLBText(0), "First");
  EXPECT_EQ(list->GetLBText(2), "Third");
  EXPECT_EQ(list->GetCurSel(), 0);  // the module's -1, the system's choice, shows as the first
  EXPECT_TRUE(list->IsWindowEnabled());
  auto* slider = page.GetDlgItemAs<Platform::Slider>(kGainSlider);
  EXPECT_EQ(slider->GetRangeMax(), 100);
  EXPECT_EQ(slider->GetPos(), 10);
  EXPECT_EQ(page.GetDlgItemText(kGainEdit), "1");
  EXPECT_EQ((page.IsModified() ? S_OK : S_FALSE), S_FALSE);
}

TEST_F(SpeakerPageTest, TheTrackbarSetsTheGainAtOnce) {
  SetModuleDirty(false);
  ASSERT_TRUE(page.UserDrag(kGainSlider, 25));
  EXPECT_FLOAT_EQ(core.Gain(), 2.5f);
  EXPECT_EQ(page.GetDlgItemText(kGainEdit), "2.5");
  EXPECT_TRUE(ModuleDirty());
  EXPECT_TRUE(core.Enabled());  // no reopen
}

TEST_F(SpeakerPageTest, AChosenDeviceIsAppliedAndStaysMarkedForSaving) {
  SetModuleDirty(false);
  site.changes.clear();
  ASSERT_TRUE(page.UserChoose(kDeviceList, 2));
  EXPECT_EQ((page.IsModified() ? S_OK : S_FALSE), S_OK);
  EXPECT_EQ(site.changes, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE}));
  EXPECT_TRUE(ModuleDirty());
  EXPECT_EQ(core.Device(), -1);  // not before Apply

  ASSERT_EQ(page.Apply(), S_OK);
  EXPECT_EQ(core.Device(), 2);
  EXPECT_TRUE(core.Enabled());
  EXPECT_EQ(Written("out2.wav").rate, 11025u);  // the third device was opened
  EXPECT_EQ((page.IsModified() ? S_OK : S_FALSE), S_FALSE);
  // The engine saves only dirty modules: the applied device must stay marked.
  EXPECT_TRUE(ModuleDirty());
}

TEST_F(SpeakerPageTest, TheDisplayFollowsAGainChangedElsewhere) {
  server->module->Lock();
  core.SetGain(4.0f);
  server->module->Unlock();
  page.UpdateDisplay();
  EXPECT_EQ(page.GetDlgItemAs<Platform::Slider>(kGainSlider)->GetPos(), 40);
  EXPECT_FLOAT_EQ(page.GainCopy(), 4.0f);
}
