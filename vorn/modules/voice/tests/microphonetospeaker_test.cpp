// A microphone feeding a speaker in a running engine, both servers
// registered as installed, over simulated devices: the microphone reads a
// known recording, the speaker writes what it plays to a file. What is
// played is a stretch of the recording taken sample after sample, and a new
// microphone rate reaches the speaker through the connection's properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/audio/tests/audiotest.h"
#include "platform/com/com.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/tests/serverregistration.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"

namespace {

using AudioTest::WavContent;
using ServerTests::RunRegServer;

constexpr std::uint32_t kRate = 11025;
constexpr std::uint32_t kNewRate = 22050;
constexpr std::size_t kEnough = 8 * 512;

// Samples that never repeat within the recording, so a stretch of them is
// found in one place only.
std::vector<std::int16_t> Recording() {
  std::vector<std::int16_t> samples(16 * kRate);
  std::uint32_t state = 2024;
  for (std::int16_t& sample : samples) {
    state = state * 1103515245u + 12345u;
    sample = static_cast<std::int16_t>(state >> 16);
  }
  return samples;
}

// A recorded sample as the microphone hands it on (at level 1) and the
// speaker plays it (at gain 1).
std::int16_t Played(std::int16_t recorded) {
  const float v = std::clamp(static_cast<float>(recorded) / 32768.0f, -1.0f, 1.0f);
  return static_cast<std::int16_t>(v * 32000.0f);
}

// Where in the recording the played samples start, as one stretch; -1 when
// they are no stretch of it.
long StretchStart(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& played) {
  if (played.size() < 2 || played.size() > recording.size()) return -1;
  for (std::size_t start = 0; start + played.size() <= recording.size(); ++start) {
    if (Played(recording[start]) != played[0] || Played(recording[start + 1]) != played[1]) continue;
    for (std::size_t i = 0; i < played.size(); ++i)
      if (Played(recording[start + i]) != played[i]) return -1;
    return static_cast<long>(start);
  }
  return -1;
}

class MicrophoneToSpeaker : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_AUDIO_IN", m_dir.Write("in.wav", AudioTest::Wav(m_recording, kRate)).c_str(), 1);
    setenv("PLATFORM_AUDIO_OUT", m_out.c_str(), 1);
    setenv("PLATFORM_AUDIO_SPEED", "4", 1);
    for (const char* server : {VORN_ENGINE_SERVER, VORN_MIC_SERVER, VORN_VOICE_SERVER}) {
      const std::string copy = m_dir.Path(std::filesystem::path(server).filename().string());
      std::filesystem::copy_file(server, copy);
      ASSERT_EQ(RunRegServer({copy}), 0) << server;
    }
    std::filesystem::copy_file(EMPTY_WORKING_FILE, m_dir.Path("graph.vrn"));
  }
  void TearDown() override {
    for (const char* name : {"PLATFORM_REGISTRY_FILE", "PLATFORM_AUDIO_IN", "PLATFORM_AUDIO_OUT", "PLATFORM_AUDIO_SPEED"})
      unsetenv(name);
  }

  // What the speaker's file holds once ready says it is enough; empty after
  // twenty seconds. The file grows while it is read, so its header's sizes
  // rarely match what a slow reader (a sanitizer build) gets: the samples
  // are taken as far as they were read.
  WavContent WaitForOutput(const std::function<bool(const WavContent&)>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      WavContent written = GrowingWav(m_dir.Read("out.wav"));
      if (ready(written)) return written;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
  }
  static WavContent GrowingWav(const std::string& bytes) {
    WavContent content;
    if (bytes.size() < 44) return content;
    for (int i = 3; i >= 0; --i) content.rate = content.rate << 8 | static_cast<unsigned char>(bytes[24 + i]);
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
      content.samples.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                                          static_cast<unsigned char>(bytes[at + 1]) << 8));
    return content;
  }
  // The file once it has stopped growing.
  WavContent SettledOutput() {
    WavContent last;
    for (int i = 0; i < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      WavContent written = AudioTest::ReadWav(m_dir.Read("out.wav"));
      if (written.rate != 0 && written.samples == last.samples) return written;
      last = written;
    }
    return last;
  }

  TestSupport::TempDir m_dir;
  std::string m_out = m_dir.Path("out.wav");
  std::vector<std::int16_t> m_recording = Recording();
};

TEST_F(MicrophoneToSpeaker, WhatIsPlayedIsAStretchOfTheRecordingAndARateChangeReachesTheSpeaker) {
  CComPtr<IVornEngine> engine;
  ASSERT_EQ(CoCreateInstance(CLSID_VornEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IVornEngine,
                             reinterpret_cast<void**>(&engine)),
            S_OK);
  ASSERT_EQ(engine->SetWorkingFilePath(CComBSTR(m_dir.Path("graph.vrn").c_str())), S_OK);
  ASSERT_EQ(engine->OpenDatabase(), S_OK);
  int ids[2] = {};
  const char16_t* types[2] = {u"Microphone", u"Speaker"};
  CComPtr<IVornModuleLocal> modules[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(engine->CreateModule(CComBSTR(types[i]), &modules[i]), S_OK) << i;
    ids[i] = engine->GetNewModuleID();
    modules[i]->SetID(ids[i]);
    modules[i]->SetName(CComBSTR(types[i]));
    ASSERT_EQ(engine->AddNewModule(modules[i]), S_OK) << i;
  }
  CComBSTR port(u"Default");
  ASSERT_EQ(modules[0]->AddConnection(port, ids[1], port), S_OK);
  ASSERT_EQ(modules[0]->Save(), S_OK);

  ASSERT_EQ(engine->SetRunning(esFast), S_OK);
  WavContent written = WaitForOutput([](const WavContent& w) { return w.samples.size() >= kEnough; });
  EXPECT_EQ(written.rate, kRate);
  EXPECT_GE(StretchStart(m_recording, written.samples), 0) << "of " << written.samples.size() << " samples";

  // The microphone's stored rate changes and it is told to load its values,
  // as a page or a script would have it; the speaker hears of the new rate
  // only through what its input's connection announces.
  ASSERT_EQ(engine->SaveFloatValue(ids[0], CComBSTR(u"Frequency"), static_cast<float>(kNewRate)), S_OK);
  CComQIPtr<IVornEngineControl> control(engine);
  ASSERT_TRUE(control);
  ASSERT_EQ(control->ReloadModuleData(ids[0]), S_OK);
  written = WaitForOutput([](const WavContent& w) { return w.rate == kNewRate && w.samples.size() >= kEnough; });
  EXPECT_EQ(written.rate, kNewRate) << "the file is written anew at the reopened device's rate";

  ASSERT_EQ(engine->SetRunning(esStop), S_OK);
  written = SettledOutput();
  EXPECT_EQ(written.rate, kNewRate);
  EXPECT_GE(written.samples.size(), kEnough);
  EXPECT_EQ(written.samples.size() % 512, 0u) << "whole buffers, once played out";
  EXPECT_GE(StretchStart(m_recording, written.samples), 0) << "of " << written.samples.size() << " samples";

  for (CComPtr<IVornModuleLocal>& module : modules) module.Release();
  engine->CloseDatabase(FALSE);
}

}  // namespace
