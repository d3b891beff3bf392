// The microphone's page as a person uses it, over a module object and two
// simulated input devices.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/audio/tests/audiotest.h"
#include "platform/dialogs/dialogscript.h"
#include "platform/ui/messagebox.h"
#include "vorn/engine/tests/fakes.h"
#include "vorn/modules/mic/micpage.h"

using namespace AudioTest;
using namespace VornMic;

namespace {

std::vector<BYTE> PageTemplate() {
  std::ifstream in(MIC_PAGE_SCRIPT);
  std::stringstream text;
  text << in.rdbuf();
  const auto compiled = Platform::CompileDialogScript(text.str(), "VornMicModule.dlg");
  EXPECT_TRUE(compiled.errors.empty()) << (compiled.errors.empty() ? "" : compiled.errors[0]);
  return Platform::WriteDialogTemplate(compiled.dialogs.at(0).dialogTemplate);
}

class TestPage final : public MicrophonePageDialog {
public:
  TestPage(std::span<const BYTE> bytes, MicrophoneCore& core)
      : MicrophonePageDialog(bytes, IID_IVornDerivedModule), m_core(core) {}
  MicrophoneCore* Core() override { return Module() ? &m_core : nullptr; }

private:
  MicrophoneCore& m_core;
};

class MicrophonePageTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto settings = Stepped();
    settings.inputs = {{"First input", ""}, {"Second input", ""}};
    ASSERT_TRUE(platform::audio::SimConfigure(settings));
    core.Attach(server->module);
    core.Initialize();
    IUnknown* objects[] = {object};
    page.SetObjects(1, objects);
  }
  BOOL ModuleDirty() {
    BOOL dirty = FALSE;
    server->local->GetDirtyFlag(&dirty);
    return dirty;
  }
  std::string Chosen(int id) {
    auto* list = page.GetDlgItemAs<Platform::ComboBox>(id);
    return list->GetLBText(list->GetCurSel());
  }
  FakeServer* server = nullptr;
  CComPtr<IUnknown> object = FakeServer::Make(&server);
  MessageBoxRecorder messages;
  MicrophoneCore core;
  std::vector<BYTE> bytes = PageTemplate();
  TestPage page{bytes, core};
};

TEST_F(MicrophonePageTest, OpensTheChosenDeviceWithTheChosenRateAndBlockSize) {
  core.OpenDevice(1, 22050, 256);
  ASSERT_TRUE(page.Create());
  // It shows the module as it is, and opening it changed nothing.
  EXPECT_EQ(Chosen(kIdDeviceList), "Second input");
  EXPECT_EQ(Chosen(kIdRateList), "22.05");
  EXPECT_EQ(Chosen(kIdBlockSizeList), "256");
  EXPECT_FALSE(ModuleDirty());

  ASSERT_TRUE(page.UserChoose(kIdRateList, 2));  // 44.1
  EXPECT_EQ(core.Frequency(), 44100);
  EXPECT_EQ(core.Device(), 1);
  EXPECT_TRUE(core.Enabled());
  EXPECT_TRUE(ModuleDirty());
  ASSERT_TRUE(page.UserChoose(kIdBlockSizeList, 3));
  EXPECT_EQ(core.BlockSize(), 1024);
  ASSERT_TRUE(page.UserChoose(kIdDeviceList, 0));
  EXPECT_EQ(core.Device(), 0);
  EXPECT_EQ(core.Frequency(), 44100);
}

TEST_F(MicrophonePageTest, ADeviceChosenForTheSystemsChoiceOpensOnApply) {
  ASSERT_TRUE(page.Create());
  EXPECT_EQ(Chosen(kIdRateList), "11.025");
  EXPECT_EQ(Chosen(kIdBlockSizeList), "128");
  ASSERT_TRUE(page.UserChoose(kIdDeviceList, 1));
  EXPECT_EQ(core.Device(), -1);
  EXPECT_TRUE(page.IsModified());
  server->local->SetDirtyFlag(FALSE);
  EXPECT_EQ(page.Apply(), S_OK);
  EXPECT_EQ(core.Device(), 1);
  EXPECT_EQ(core.Frequency(), 11025);
  EXPECT_TRUE(core.Enabled());
  EXPECT_TRUE(ModuleDirty()) << "the engine must store the device chosen";
}

TEST_F(MicrophonePageTest, TheTrackbarSetsTheLevelInTenths) {
  core.SetAudioLevel(2.0f);
  ASSERT_TRUE(page.Create());
  EXPECT_EQ(page.GetDlgItemAs<Platform::Slider>(kIdLevelTrackbar)->GetPos(), 20);
  ASSERT_TRUE(page.UserDrag(kIdLevelTrackbar, 35));
  EXPECT_FLOAT_EQ(core.Level(), 3.5f);
  EXPECT_FLOAT_EQ(page.PageLevel(), 3.5f);
  EXPECT_EQ(page.GetDlgItemText(kIdLevelEdit), "3.5");
  EXPECT_TRUE(ModuleDirty());
}

}  // namespace
