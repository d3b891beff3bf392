// The built speaker server as it is installed: copied beside a copy of the
// engine library and registered with the registration tool, then its
// module made by class id, and run by an engine over the simulated device.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/audio/tests/audiotest.h"
#include "platform/com/com.h"
#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/modules/common/tests/installedserver.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"
#include "vorn/modules/voice/speaker.h"

namespace {

using ServerTests::RunRegServer;

const ServerTests::ModuleServerNames kNames{"VornVoiceModule",
                                            "Speaker",
                                            "SpeakerModule",
                                            "{F7BC38A0-0D30-4722-A12A-60AD02B7842F}",
                                            "SpeakerModulePP",
                                            "{AB5E328A-2273-4821-90EC-5F4B3AC4FA08}",
                                            "{4D2D70EA-0CA6-44AB-ADF6-E1A552AE28BB}"};

class SpeakerServerInstalled : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    std::filesystem::copy_file(VORN_ENGINE_SERVER, m_dir.Path("VornEngineHost.so"));
    std::filesystem::copy_file(VORN_VOICE_SERVER, m_server);
    ASSERT_EQ(RunRegServer({m_dir.Path("VornEngineHost.so")}), 0);
    ASSERT_EQ(RunRegServer({m_server}), 0);
  }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  TestSupport::TempDir m_dir;
  // A copy, so that the help page is written beside it and not in the build.
  std::string m_server = m_dir.Path("VornVoiceModule.so");
};

TEST_F(SpeakerServerInstalled, RegistryRowsThenTheModuleByClassIdWithItsHelpPageIconAndPage) {
  const std::string server = ServerTests::RealPath(m_server);
  const auto rows = ServerTests::ModuleServerRows(kNames, server);
  ServerTests::ExpectRowsWritten(rows);

  {
    CComPtr<IVornModuleLocal> module;
    ASSERT_EQ(CoCreateInstance(CLSID_SpeakerModule, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleLocal,
                               reinterpret_cast<void**>(&module)),
              S_OK);
    CComQIPtr<IVornModule> engineSide(module);
    ASSERT_TRUE(engineSide);
    CComBSTR type;
    ASSERT_EQ(engineSide->get_Type(&type), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(type), "Speaker");
    CComQIPtr<ISpeakerModule> speaker(module);
    EXPECT_TRUE(speaker) << "one object answers both halves";

    CComBSTR help;
    ASSERT_EQ(module->GetHelpFileName(&help), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(help), server.substr(0, server.rfind('/') + 1) + "SpeakerModuleHelp.htm");
    EXPECT_EQ(TestSupport::ReadFile(Platform::BstrToUtf8(help)), TestSupport::ReadFile(SPEAKER_HELP_PAGE));

    ServerTests::ExpectIconOfBitmap(module, SPEAKER_ICON);
    EXPECT_EQ(ServerTests::ServedPageTitle(CLSID_SpeakerModulePP), u"Custom");
  }

  ASSERT_EQ(RunRegServer({"-u", m_server}), 0);
  ServerTests::ExpectRowsGone(rows);
}

// A rate announced on the input's connection properties reaches the device
// in the cycle that brings it, and Enabled waits for the run thread's hold
// on the module.
TEST_F(SpeakerServerInstalled, InAnEngineTheInputsRateReachesTheDeviceAndEnabledWaitsForTheLock) {
  const std::string out = m_dir.Path("out.wav");
  setenv("PLATFORM_AUDIO_OUT", out.c_str(), 1);
  CComPtr<IVornEngine> engine;
  ASSERT_EQ(CoCreateInstance(CLSID_VornEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IVornEngine,
                             reinterpret_cast<void**>(&engine)),
            S_OK);
  std::filesystem::copy_file(EMPTY_WORKING_FILE, m_dir.Path("model.vrn"));
  ASSERT_EQ(engine->SetWorkingFilePath(CComBSTR(m_dir.Path("model.vrn").c_str())), S_OK);
  ASSERT_EQ(engine->OpenDatabase(), S_OK);
  CComPtr<IVornModuleLocal> module;
  ASSERT_EQ(engine->CreateModule(CComBSTR(u"Speaker"), &module), S_OK);
  ASSERT_TRUE(module);
  module->SetID(1);
  module->SetName(CComBSTR(u"spk"));
  ASSERT_EQ(engine->AddNewModule(module), S_OK);

  std::vector<float> block(512);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<float>(i) / 512.0f - 0.5f;
  CComBSTR props(u"<?xml version='1.0'?><PROPS><SamplesPerSecond>22050</SamplesPerSecond></PROPS>");
  BSTR propsText = props;
  VornConnectionData data{};
  data.m_Type = ctFloatArray;
  data.m_pbstrProperties = &propsText;
  data.m_pFloatArray = block.data();
  data.m_iArrayElementCnt = static_cast<int>(block.size());
  ASSERT_EQ(module->SetInputData(CComBSTR(u"Default"), &data), S_OK);
  ASSERT_EQ(engine->Step(), S_OK);

  AudioTest::WavContent written;
  for (int i = 0; i < 300 && written.samples.size() < block.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    written = AudioTest::ReadWav(m_dir.Read("out.wav"));
  }
  EXPECT_EQ(written.rate, 22050u);
  std::vector<std::int16_t> expected(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) expected[i] = static_cast<std::int16_t>(block[i] * 32000.0f);
  EXPECT_EQ(written.samples, expected);

  CComQIPtr<ISpeakerModule> speaker(module);
  ASSERT_TRUE(speaker);
  VARIANT_BOOL enabled = VARIANT_FALSE;
  ASSERT_EQ(speaker->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(speaker->put_Enabled(1), E_INVALIDARG);

  CComQIPtr<IVornModule> engineSide(module);
  ASSERT_EQ(engineSide->Lock(), S_OK);
  std::atomic<bool> returned{false};
  std::thread script([&] {
    speaker->put_Enabled(VARIANT_FALSE);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned) << "closed the device while the module was held";
  engineSide->Unlock();
  script.join();
  ASSERT_EQ(speaker->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_FALSE);

  module.Release();
  engine->CloseDatabase(FALSE);
  unsetenv("PLATFORM_AUDIO_OUT");
}

}  // namespace
