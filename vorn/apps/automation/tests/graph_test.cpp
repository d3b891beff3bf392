// A script's whole session with the installed servers: the engine, the
// automation object, the microphone and the speaker registered from their
// libraries, a microphone feeding a speaker built, run and stored, with
// sound from the simulated devices.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "tests/support/tempdir.h"
#include "vorn/apps/automation/scriptcalls.h"
#include "vorn/apps/automation/vornapp.h"

namespace {

using namespace Vorn::Script;

constexpr int kRate = 11025;

HRESULT Register(const char* library) {
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    return CO_E_DLLNOTFOUND;
  auto entry = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllRegisterServer"));
  return entry != nullptr ? entry() : CO_E_ERRORINDLL;
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Samples that never repeat within the file, so a run of them is found in
// one place only.
std::vector<std::int16_t> InputSamples() {
  std::vector<std::int16_t> samples(8 * kRate);
  std::uint32_t state = 12345;
  for (std::int16_t& sample : samples) {
    state = state * 1103515245u + 12345u;
    sample = static_cast<std::int16_t>(state >> 16);
  }
  return samples;
}

std::string Wav(const std::vector<std::int16_t>& samples) {
  std::string file = "RIFF";
  PutLittleEndian(file, static_cast<std::uint32_t>(36 + 2 * samples.size()), 4);
  file += "WAVEfmt ";
  for (auto [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {unsigned(kRate), 4}, {2u * kRate, 4}, {2u, 2},
                              {16u, 2}})
    PutLittleEndian(file, value, bytes);
  file += "data";
  PutLittleEndian(file, static_cast<std::uint32_t>(2 * samples.size()), 4);
  for (std::int16_t sample : samples)
    PutLittleEndian(file, static_cast<std::uint16_t>(sample), 2);
  return file;
}

std::uint32_t Read(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

class ScriptSessionTest : public ::testing::Test {
protected:
  ScriptSessionTest() {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_AUDIO", "sim", 1);
    setenv("PLATFORM_AUDIO_IN", m_dir.Write("in.wav", Wav(m_input)).c_str(), 1);
    setenv("PLATFORM_AUDIO_OUT", m_output.c_str(), 1);
    setenv("PLATFORM_AUDIO_SPEED", "4", 1);
    for (const char* library : {VORNENGINEHOST_LIBRARY, VORNAPP_LIBRARY, VORNMIC_LIBRARY, VORNVOICE_LIBRARY})
      EXPECT_EQ(Register(library), S_OK) << library;
  }

  CComPtr<IDispatch> NewApp() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Vorn.Application", &clsid), S_OK);
    CComPtr<IDispatch> app;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&app)), S_OK);
    return app;
  }
  LONG Connect(IDispatch* app, const char* method, const char* src, const char* input) {
    Call call = Method(app, method, {CComVariant(src), CComVariant("spk"), CComVariant("Default"), CComVariant(input)});
    EXPECT_EQ(call.hr, S_OK) << method;
    return NumberOf(call.result);
  }
  bool Connected(IDispatch* app) {
    Call call = Method(app, "ModulesAreConnected",
                       {CComVariant("mic"), CComVariant("spk"), CComVariant("Default"), CComVariant("Default")});
    return call.result.vt == VT_BOOL && call.result.boolVal == VARIANT_TRUE;
  }
  float Level(IDispatch* app) {
    CComVariant level = Get(ObjectOf(Method(app, "FindModule", {CComVariant("mic")}).result), "AudioLevel").result;
    return level.vt == VT_R4 ? level.fltVal : -1.0f;
  }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("session.vrn");
  std::string m_output = m_dir.Path("out.wav");
  std::vector<std::int16_t> m_input = InputSamples();
};

TEST_F(ScriptSessionTest, AMicrophoneFeedsASpeakerAndTheFileKeepsTheGraph) {
  {
    CComPtr<IDispatch> app = NewApp();
    ASSERT_EQ(Method(app, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
    EXPECT_TRUE(std::filesystem::exists(m_path));
    for (auto [type, name] : {std::pair{"Microphone", "mic"}, {"Speaker", "spk"}, {"Microphone", "mic2"}})
      ASSERT_NE(ObjectOf(Method(app, "AddModule", {CComVariant(type), CComVariant(name), CComVariant("")}).result),
                nullptr)
          << name;
    Call again = Method(app, "AddModule", {CComVariant("Speaker"), CComVariant("mic"), CComVariant("")});
    EXPECT_EQ(TextOf(Get(ObjectOf(again.result), "Type").result), "Microphone") << "the existing module";
    EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), 3);

    EXPECT_EQ(Connect(app, "ConnectModules", "mic", "Default"), vornOK);
    EXPECT_EQ(Connect(app, "ConnectModules", "mic2", "Default"), vornConnectionDatatypeMismatch)
        << "the speaker's input takes one source";
    EXPECT_EQ(Method(app, "RemoveModule", {CComVariant("mic2")}).hr, S_OK);
    EXPECT_EQ(Connect(app, "DisconnectModules", "mic", "NoSuchInput"), vornInvalidInputOrOutput);
    EXPECT_TRUE(Connected(app));
    LONG count = NumberOf(Get(app, "ModuleCount").result);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Get(app, "Modules", {CComVariant(count)}).hr, E_INVALIDARG);

    ASSERT_EQ(Put(app, "Running", CComVariant(-1L)), S_OK);
    EXPECT_EQ(Method(app, "Wait", {CComVariant(600.0f)}).hr, S_OK);
    EXPECT_EQ(Put(app, "Running", CComVariant(0L)), S_OK);
    EXPECT_EQ(Method(app, "Wait", {CComVariant(100.0f)}).hr, S_OK);

    // The microphone's own value, stored by name and read back by the module.
    EXPECT_EQ(Method(app, "SaveModuleValue", {CComVariant("MIC"), CComVariant("Gain"), CComVariant("2")}).hr, S_OK);
    EXPECT_EQ(TextOf(Method(app, "LoadModuleValue", {CComVariant("mic"), CComVariant("gain")}).result), "2");
    EXPECT_EQ(Level(app), 2.0f);
    EXPECT_EQ(Method(app, "SaveAll").hr, S_OK);
  }

  // What the speaker played: the microphone's scaling and then its own, of
  // samples taken one after another from the input.
  std::string bytes = TestSupport::ReadFile(m_output);
  ASSERT_GE(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(Read(bytes, 20, 2), 1u) << "PCM";
  EXPECT_EQ(Read(bytes, 22, 2), 1u) << "mono";
  EXPECT_EQ(Read(bytes, 24, 4), static_cast<std::uint32_t>(kRate));
  EXPECT_EQ(Read(bytes, 34, 2), 16u);
  std::size_t played = std::min<std::size_t>(Read(bytes, 40, 4), bytes.size() - 44) / 2;
  ASSERT_GE(played, 512u) << "at least one buffer played";
  EXPECT_EQ(played % 512, 0u) << "whole buffers";
  auto expected = [&](std::size_t i) {
    float v = 1.0f * static_cast<float>(m_input[i]) / 32768.0f;
    return static_cast<int>(v * 32000.0f);
  };
  auto actual = [&](std::size_t i) { return static_cast<int>(static_cast<std::int16_t>(Read(bytes, 44 + 2 * i, 2))); };
  std::size_t start = 0;
  while (start + played <= m_input.size() && !(expected(start) == actual(0) && expected(start + 1) == actual(1)))
    ++start;
  ASSERT_LE(start + played, m_input.size()) << "the first samples played are not in the input";
  std::size_t differing = 0;
  for (std::size_t i = 0; i < played; ++i)
    differing += std::abs(expected(start + i) - actual(i)) > 1;
  EXPECT_EQ(differing, 0u) << "of " << played << " samples from input sample " << start;

  CComPtr<IDispatch> app = NewApp();
  ASSERT_EQ(Method(app, "OpenFile", {CComVariant(m_path.c_str())}).hr, S_OK);
  EXPECT_EQ(NumberOf(Get(app, "ModuleCount").result), 2);
  EXPECT_EQ(TextOf(Get(ObjectOf(Method(app, "FindModule", {CComVariant("spk")}).result), "Type").result), "Speaker");
  EXPECT_TRUE(Connected(app));
  EXPECT_EQ(Level(app), 2.0f) << "loaded from the file";
}

}  // namespace
