// The built microphone server as it is installed: copied beside a copy of
// the engine library and registered with the registration tool, its module
// made by class id, and run by an engine over the simulated device.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/audio/tests/audiotest.h"
#include "platform/com/com.h"
#include "tests/support/tempdir.h"
#include "vorn/modules/common/tests/installedserver.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"
#include "vorn/modules/mic/microphone.h"

namespace {

using ServerTests::RunRegServer;

const ServerTests::ModuleServerNames kNames{"VornMicModule",
                                            "Microphone",
                                            "MicrophoneModule",
                                            "{B0ED2FCD-C84F-4369-856B-01A7D845EB14}",
                                            "MicrophoneModulePP",
                                            "{655F0E5C-1CC5-49F6-B501-4788F722D083}",
                                            "{D33D41F8-F959-4155-B2F0-BFFA632CD1FF}"};

class MicrophoneServerInstalled : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    std::filesystem::copy_file(VORN_ENGINE_SERVER, m_dir.Path("VornEngineHost.so"));
    std::filesystem::copy_file(VORN_MIC_SERVER, m_server);
    ASSERT_EQ(RunRegServer({m_dir.Path("VornEngineHost.so")}), 0);
    ASSERT_EQ(RunRegServer({m_server}), 0);
  }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  TestSupport::TempDir m_dir;
  // A copy, so that the help page is written beside it and not in the build.
  std::string m_server = m_dir.Path("VornMicModule.so");
};

TEST_F(MicrophoneServerInstalled, RegistryRowsThenTheModuleByClassIdWithItsHelpPageIconAndPage) {
  const std::string server = ServerTests::RealPath(m_server);
  const auto rows = ServerTests::ModuleServerRows(kNames, server);
  ServerTests::ExpectRowsWritten(rows);

  {
    CComPtr<IVornModuleLocal> module;
    ASSERT_EQ(CoCreateInstance(CLSID_MicrophoneModule, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleLocal,
                               reinterpret_cast<void**>(&module)),
              S_OK);
    CComQIPtr<IVornModule> engineSide(module);
    ASSERT_TRUE(engineSide);
    CComBSTR type;
    ASSERT_EQ(engineSide->get_Type(&type), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(type), "Microphone");
    EXPECT_TRUE(CComQIPtr<IMicrophoneModule>(module)) << "one object answers both halves";

    CComBSTR help;
    ASSERT_EQ(module->GetHelpFileName(&help), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(help), server.substr(0, server.rfind('/') + 1) + "MicrophoneModuleHelp.htm");
    EXPECT_EQ(TestSupport::ReadFile(Platform::BstrToUtf8(help)), TestSupport::ReadFile(MIC_HELP_PAGE));

    ServerTests::ExpectIconOfBitmap(module, MIC_ICON);
    EXPECT_EQ(ServerTests::ServedPageTitle(CLSID_MicrophoneModulePP), u"Custom");
  }

  ASSERT_EQ(RunRegServer({"-u", m_server}), 0);
  ServerTests::ExpectRowsGone(rows);
}

// Started by a running engine, the module records the simulated input and
// puts it, scaled by its level, on its output with the output's rate; the
// level a script sets waits for the run thread's hold on the module.
TEST_F(MicrophoneServerInstalled, InAnEngineTheInputArrivesScaledAndTheLevelWaitsForTheLock) {
  std::vector<std::int16_t> input(128 * 64);
  for (std::size_t i = 0; i < input.size(); ++i)
    input[i] = static_cast<std::int16_t>(static_cast<int>(i % 128) * 64 - 4096);
  setenv("PLATFORM_AUDIO_IN", m_dir.Write("in.wav", AudioTest::Wav(input, 11025)).c_str(), 1);
  setenv("PLATFORM_AUDIO_SPEED", "4", 1);
  CComPtr<IVornEngine> engine;
  ASSERT_EQ(CoCreateInstance(CLSID_VornEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IVornEngine,
                             reinterpret_cast<void**>(&engine)),
            S_OK);
  std::filesystem::copy_file(EMPTY_WORKING_FILE, m_dir.Path("model.vrn"));
  ASSERT_EQ(engine->SetWorkingFilePath(CComBSTR(m_dir.Path("model.vrn").c_str())), S_OK);
  ASSERT_EQ(engine->OpenDatabase(), S_OK);
  CComPtr<IVornModuleLocal> module;
  ASSERT_EQ(engine->CreateModule(CComBSTR(u"Microphone"), &module), S_OK);
  ASSERT_TRUE(module);
  module->SetID(1);
  module->SetName(CComBSTR(u"mic"));
  ASSERT_EQ(engine->AddNewModule(module), S_OK);
  CComQIPtr<IMicrophoneModule> mic(module);
  CComQIPtr<IVornModule> engineSide(module);
  ASSERT_TRUE(mic && engineSide);
  EXPECT_EQ(mic->put_AudioLevel(std::nanf("")), E_INVALIDARG);
  ASSERT_EQ(mic->put_AudioLevel(2.0f), S_OK);

  ASSERT_EQ(engine->SetRunning(esSlow), S_OK);
  float energy = 0.0f;
  for (int i = 0; i < 500 && energy == 0.0f; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(engine->RunAll(), S_OK);
    ASSERT_EQ(mic->get_CurrentAudioEnergy(&energy), S_OK);
  }
  // The loudest sample of a block, -4096, at twice the level.
  EXPECT_FLOAT_EQ(energy, 0.25f);
  VornConnectionData* data = nullptr;
  ASSERT_EQ(engineSide->GetOutputData(CComBSTR(u"Default"), &data), S_OK);
  ASSERT_TRUE(data != nullptr && data->m_Type == ctFloatArray);
  ASSERT_EQ(data->m_iArrayElementCnt, 128);
  const float* block = data->m_pFloatArray;
  for (int i = 1; i < 128; ++i) {
    // Consecutive samples of the ramp, wherever the block started in it.
    const float step = block[i] - block[i - 1];
    EXPECT_TRUE(std::fabs(step - 128.0f / 32768.0f) < 1e-6f || std::fabs(step + 127 * 128.0f / 32768.0f) < 1e-6f)
        << "at " << i;
  }
  const std::string properties = Platform::BstrToUtf8(data->m_pbstrProperties ? *data->m_pbstrProperties : nullptr);
  EXPECT_NE(properties.find("<SamplesPerSecond>11025</SamplesPerSecond>"), std::string::npos) << properties;
  EXPECT_NE(properties.find("<Type>Audio</Type>"), std::string::npos) << properties;

  ASSERT_EQ(engineSide->Lock(), S_OK);
  std::atomic<bool> returned{false};
  std::thread script([&] {
    mic->put_AudioLevel(0.5f);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned) << "changed the level while the module was held";
  engineSide->Unlock();
  script.join();
  float level = 0.0f;
  ASSERT_EQ(mic->get_AudioLevel(&level), S_OK);
  EXPECT_EQ(level, 0.5f);

  ASSERT_EQ(engine->SetRunning(esStop), S_OK);
  mic.Release();
  engineSide.Release();
  module.Release();
  engine->CloseDatabase(FALSE);
  unsetenv("PLATFORM_AUDIO_IN");
  unsetenv("PLATFORM_AUDIO_SPEED");
}

}  // namespace
