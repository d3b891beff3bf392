// What the speaker's tests share: the speaker's behaviour over a fake
// server with the engine's module object inside it, on the stepped
// simulation, driven cycle by cycle as the run thread and the framework
// drive it.
#ifndef VORN_MODULES_VOICE_TESTS_SPEAKERTEST_H
#define VORN_MODULES_VOICE_TESTS_SPEAKERTEST_H

#include <gtest/gtest.h>

#include "platform/audio/tests/audiotest.h"
#include "platform/ui/messagebox.h"
#include "vorn/engine/tests/fakes.h"
#include "vorn/modules/voice/speakercore.h"

namespace SpeakerTest {

using namespace AudioTest;
using namespace VornVoice;

inline std::u16string Rate(long rate) {
  std::string text = "<?xml version='1.0'?><PROPS><SamplesPerSecond>" + std::to_string(rate) +
                     "</SamplesPerSecond><Type>Audio</Type></PROPS>";
  return std::u16string(text.begin(), text.end());
}

inline std::vector<float> Samples(std::size_t n, std::size_t first) {
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<float>((first + i) % 1000) / 1000.0f - 0.5f;
  return v;
}

inline std::vector<std::int16_t> Played(const std::vector<float>& samples, float gain = 1.0f) {
  std::vector<std::int16_t> pcm(samples.size());
  ToPcm(samples.data(), samples.size(), gain, pcm.data());
  return pcm;
}

class SpeakerCoreTest : public ::testing::Test {
protected:
  virtual platform::audio::SimSettings Settings() { return Stepped("", dir.Path("out.wav")); }
  void SetUp() override {
    ASSERT_TRUE(platform::audio::SimConfigure(Settings()));
    core.Attach(server->module);
    ASSERT_EQ(core.Initialize(), S_OK);
    ASSERT_EQ(core.Start(), S_OK);
  }

  // One cycle, with a block on the input when one is given, and new
  // properties handed to the module before it runs, as the framework does.
  void Cycle(const std::vector<float>& block = {}, const std::u16string& properties = {}) {
    if (!block.empty()) {
      CComBSTR props(properties.empty() ? std::u16string(VornModules::kEmptyProperties) : properties);
      BSTR propsText = props;
      VornConnectionData data{};
      data.m_Type = ctFloatArray;
      data.m_pbstrProperties = &propsText;
      std::vector<float> copy = block;
      data.m_pFloatArray = copy.data();
      data.m_iArrayElementCnt = static_cast<int>(copy.size());
      CComBSTR name(kDefault);
      ASSERT_EQ(server->local->SetInputData(name, &data), S_OK);
    }
    if (!properties.empty()) {
      ASSERT_TRUE(document);
      ASSERT_TRUE(document->LoadXml(properties));
      core.OnInputProperties(*document, kDefault);
    }
    ASSERT_EQ(server->local->PreRun(), S_OK);
    ASSERT_EQ(core.Run(), S_OK);
    ASSERT_EQ(server->local->PostRun(), S_OK);
  }
  std::vector<float> Report() {
    VornConnectionData* data = nullptr;
    CComBSTR name(kDefault);
    EXPECT_EQ(server->module->GetOutputData(name, &data), S_OK);
    return std::vector<float>(data->m_pFloatArray, data->m_pFloatArray + 3);
  }
  BOOL ModuleDirty() {
    BOOL dirty = FALSE;
    server->local->GetDirtyFlag(&dirty);
    return dirty;
  }
  WavContent Written(const std::string& file = "out.wav") { return ReadWav(dir.Read(file)); }

  TestSupport::TempDir dir;
  FakeServer* server = nullptr;
  CComPtr<IUnknown> object = FakeServer::Make(&server);
  MessageBoxRecorder messages;
  std::unique_ptr<VornModules::PropertiesDocument> document = VornModules::PropertiesDocument::Create();
  SpeakerCore core;
};

}  // namespace SpeakerTest

#endif
