// The microphone module's behaviour over an engine module object, with the
// simulated input stepped by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <thread>

#include "platform/audio/tests/audiotest.h"
#include "platform/ui/messagebox.h"
#include "vorn/engine/tests/fakes.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/common/properties.h"
#include "vorn/modules/mic/microphonecore.h"

using namespace AudioTest;
using namespace VornMic;
using platform::audio::SimConfigure;
using platform::audio::SimStep;

namespace {

// Stored values by name; what was never saved loads as 0, as the engine's.
class MapPersist final : public IDispatchImpl<IVornPersist> {
public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IVornPersist ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT LoadFloatValue(BSTR name, float* value) override {
    auto at = values.find(Platform::BstrToUtf8(name));
    *value = at == values.end() ? 0.0f : at->second;
    return S_OK;
  }
  HRESULT SaveFloatValue(BSTR name, float value) override {
    values[Platform::BstrToUtf8(name)] = value;
    return S_OK;
  }
  // The text the engine keeps: a saved float as "%f" writes it, unless
  // texts holds another; nothing for what was never saved.
  HRESULT LoadStringValue(BSTR name, BSTR* value) override {
    const std::string key = Platform::BstrToUtf8(name);
    auto text = texts.find(key);
    auto number = values.find(key);
    *value = Platform::AllocBstr(text != texts.end()       ? text->second
                                 : number != values.end() ? std::to_string(number->second)
                                                          : std::string());
    return S_OK;
  }
  HRESULT SaveStringValue(BSTR, BSTR) override { return E_NOTIMPL; }
  HRESULT LoadFloatArrayVar(BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT LoadStringArrayVar(BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT SaveArrayVar(BSTR, VARIANT) override { return E_NOTIMPL; }
  HRESULT SaveIntValue(BSTR, int) override { return E_NOTIMPL; }
  HRESULT LoadIntValue(BSTR, int*) override { return E_NOTIMPL; }
  HRESULT LoadIntArrayVar(BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT SaveFloatArray(BSTR, float*, int) override { return E_NOTIMPL; }
  HRESULT LoadFloatArray(BSTR, int, float*, int*) override { return E_NOTIMPL; }
  HRESULT SaveFloatArray2D(BSTR, int, float*, int) override { return E_NOTIMPL; }
  HRESULT LoadFloatArray2D(BSTR, int, int, float*, int*) override { return E_NOTIMPL; }
  HRESULT GetFloatArraySize(BSTR, int*) override { return E_NOTIMPL; }
  HRESULT SaveStringArray(BSTR, BSTR*, int) override { return E_NOTIMPL; }
  HRESULT LoadStringArray(BSTR, int, BSTR*, int*) override { return E_NOTIMPL; }
  HRESULT GetStringArraySize(BSTR, int*) override { return E_NOTIMPL; }
  HRESULT SaveIntArray(BSTR, int*, int) override { return E_NOTIMPL; }
  HRESULT LoadIntArray(BSTR, int, int*, int*) override { return E_NOTIMPL; }
  HRESULT GetIntArraySize(BSTR, int*) override { return E_NOTIMPL; }
  std::map<std::string, float> values;
  std::map<std::string, std::string> texts;
};

class MicrophoneCoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Write("in.wav", Wav(Ramp(200 * 128, -10000), 11025));
    ASSERT_TRUE(SimConfigure(Stepped(dir.Path("in.wav"))));
    core.Attach(server->module);
    core.OnOpened([this] { ++published; });
    ASSERT_EQ(core.Initialize(), S_OK);
  }
  std::vector<float> Output() {
    VornConnectionData* data = nullptr;
    CComBSTR name(u"Default");
    EXPECT_EQ(server->module->GetOutputData(name, &data), S_OK);
    return std::vector<float>(data->m_pFloatArray, data->m_pFloatArray + data->m_iArrayElementCnt);
  }
  TestSupport::TempDir dir;
  FakeServer* server = nullptr;
  CComPtr<IUnknown> object = FakeServer::Make(&server);
  MessageBoxRecorder messages;
  MicrophoneCore core;
  int published = 0;
};

TEST_F(MicrophoneCoreTest, EnabledOpensAndClosesAndRefusesOtherValues) {
  EXPECT_FALSE(core.Enabled());
  EXPECT_EQ(core.PutEnabled(1), E_INVALIDARG);
  EXPECT_FALSE(core.Enabled());
  EXPECT_EQ(core.PutEnabled(VARIANT_TRUE), S_OK);
  EXPECT_TRUE(core.Enabled());
  EXPECT_TRUE(core.StartPending());
  EXPECT_EQ(published, 1);
  EXPECT_EQ(core.PutEnabled(VARIANT_TRUE), S_OK);  // already open: not reopened
  EXPECT_EQ(published, 1);
  EXPECT_EQ(core.PutEnabled(VARIANT_FALSE), S_OK);
  EXPECT_FALSE(core.Enabled());

  // A device that does not open stays closed, and says why.
  EXPECT_NE(core.OpenDevice(5, kDefaultFrequency, kDefaultBlockSize), 0u);
  EXPECT_FALSE(core.Enabled());
  ASSERT_EQ(messages.All().size(), 1u);
  EXPECT_EQ(messages.All()[0].request.text.rfind("Could not open input device. \r\nMESSAGE: ", 0), 0u);
  EXPECT_EQ(core.Run(), S_OK);
}

TEST_F(MicrophoneCoreTest, DeliversOneScaledBlockPerCycleAndReopensAfterAnOverrun) {
  core.SetAudioLevel(2.0f);
  ASSERT_EQ(core.Start(), S_OK);
  EXPECT_EQ(Output().size(), 128u);
  core.Run();  // starts recording
  EXPECT_FALSE(core.StartPending());
  SimStep(2 * 128);
  core.Run();
  std::vector<float> block = Output();
  EXPECT_EQ(block[0], 2.0f * -10000 / 32768);
  EXPECT_EQ(block[127], 2.0f * (-10000 + 127) / 32768);
  EXPECT_EQ(core.Energy(), 2.0f * 10000 / 32768);
  core.Run();
  EXPECT_EQ(Output()[0], 2.0f * (-10000 + 128) / 32768);
  core.Run();
  EXPECT_EQ(Output()[0], 2.0f * (-10000 + 128) / 32768) << "nothing new recorded";

  SimStep(kBufferCount * 128);
  block = Output();
  core.Run();
  // Reopened: the output is defined afresh and no block is put on it.
  EXPECT_EQ(Output(), std::vector<float>(128, 0.0f)) << "the overrun cycle delivers nothing";
  EXPECT_TRUE(core.Enabled());
  EXPECT_EQ(published, 2);
  core.Run();
  SimStep(128);
  core.Run();
  EXPECT_NE(Output(), block);
}

TEST_F(MicrophoneCoreTest, StoredValuesOpenWithTheirSettingsOrKeepTheDefaults) {
  EXPECT_EQ(core.Frequency(), 11025);
  EXPECT_EQ(core.BlockSize(), 128);
  EXPECT_EQ(core.Device(), -1);
  MapPersist empty;
  EXPECT_EQ(core.Load(&empty), S_OK);
  EXPECT_EQ(core.Frequency(), 11025);
  EXPECT_FALSE(core.Enabled()) << "nothing stored: not opened";

  MapPersist old;
  old.values = {{"Gain", 1.5f}, {"Frequency", 22050}, {"Device", 0}};
  EXPECT_EQ(core.Load(&old), S_OK);
  EXPECT_EQ(core.Frequency(), 22050);
  EXPECT_EQ(core.BlockSize(), 128) << "no stored block size";
  EXPECT_EQ(core.Level(), 1.5f);
  EXPECT_TRUE(core.Enabled());

  core.OpenDevice(0, 16000, 512);
  MapPersist saved;
  EXPECT_EQ(core.Save(&saved), S_OK);
  EXPECT_EQ(saved.values, (std::map<std::string, float>{{"Gain", 1.5f}, {"Frequency", 16000}, {"Blocksize", 512},
                                                          {"Device", 0}}));
  MicrophoneCore other(server->module);
  other.Load(&saved);
  EXPECT_EQ(other.BlockSize(), 512);
  EXPECT_EQ(other.Frequency(), 16000);
  EXPECT_EQ(other.Device(), 0);

  // Without a persist object, or with an object that is none, both fail as
  // a call through a null interface would.
  for (IDispatch* none : {static_cast<IDispatch*>(nullptr), static_cast<IDispatch*>(server)}) {
    for (bool save : {true, false}) {
      HRESULT hr = S_OK;
      try {
        save ? core.Save(none) : core.Load(none);
      } catch (const VornModules::ComError& error) {
        hr = error.Error();
      }
      EXPECT_EQ(hr, E_POINTER) << (none ? "not a persist object" : "null") << (save ? " save" : " load");
    }
  }
}

TEST_F(MicrophoneCoreTest, ALevelThatIsNoNumberIsRefusedWhetherSetOrStored) {
  for (float bad : {std::nanf(""), HUGE_VALF, -HUGE_VALF}) {
    ASSERT_TRUE(core.SetAudioLevel(1.5f));
    EXPECT_FALSE(core.SetAudioLevel(bad));
    MapPersist stored;
    stored.values = {{"Gain", bad}};
    EXPECT_EQ(core.Load(&stored), S_OK);
    EXPECT_EQ(core.Level(), 1.5f) << bad;
  }
  // Never stored, NULL or a text in the file: kept, not read as level 0.
  for (const char* text : {"", "loud", "-", "1e999"}) {
    MapPersist stored;
    if (*text) stored.texts = {{"Gain", text}};
    EXPECT_EQ(core.Load(&stored), S_OK);
    EXPECT_EQ(core.Level(), 1.5f) << text;
  }
}

TEST_F(MicrophoneCoreTest, TheOutputSaysItsRateTypeAndRange) {
  auto document = VornModules::PropertiesDocument::Create();
  ASSERT_TRUE(document);
  core.OpenDevice(0, 22050, 128);
  for (const char16_t* output : {u"Default", u"Other"}) {
    ASSERT_TRUE(document->LoadXml(u"<?xml version='1.0'?><PROPS><Type>Speech</Type></PROPS>"));
    core.WriteOutputProperties(*document, output);
    EXPECT_EQ(document->Xml(), std::u16string(output) == u"Default"
                                   ? u"<?xml version='1.0'?><PROPS><Type>Audio</Type>"
                                     u"<SamplesPerSecond>22050</SamplesPerSecond><Range>-1,1</Range></PROPS>"
                                   : u"<?xml version='1.0'?><PROPS><Type>Speech</Type></PROPS>");
  }
}

// The run thread runs the module under its lock, as the engine does, while
// the user-interface thread switches it on and off.
TEST_F(MicrophoneCoreTest, SwitchingWhileTheEngineRunsIsSafe) {
  core.Start();
  std::atomic<bool> stop{false};
  std::thread run([&] {
    while (!stop) {
      server->module->Lock();
      core.Run();
      server->module->Unlock();
    }
  });
  for (int i = 0; i < 200; ++i) {
    core.PutEnabled(i % 2 ? VARIANT_TRUE : VARIANT_FALSE);
    SimStep(128);
  }
  stop = true;
  run.join();
  // What the switching leaves: the device open once and recording into its
  // buffers, and closed for good once switched off.
  EXPECT_TRUE(core.Enabled());
  EXPECT_FALSE(SimConfigure(Stepped(dir.Path("in.wav")))) << "a device is open";
  core.Run();  // starts a pending recording
  SimStep(128);
  VornConnectionData* data = nullptr;
  ASSERT_EQ(server->module->GetOutputData(CComBSTR(u"Default"), &data), S_OK);
  std::fill_n(data->m_pFloatArray, data->m_iArrayElementCnt, 2.0f);  // no sample reads as 2
  core.Run();
  const std::vector<float> block = Output();
  ASSERT_EQ(block.size(), 128u);
  EXPECT_EQ(std::count(block.begin(), block.end(), 2.0f), 0) << "a recorded block arrived";
  EXPECT_EQ(core.PutEnabled(VARIANT_FALSE), S_OK);
  EXPECT_TRUE(SimConfigure(Stepped(dir.Path("in.wav")))) << "no device is left open";
}

}  // namespace
