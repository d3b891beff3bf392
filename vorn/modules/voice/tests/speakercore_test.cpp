// The speaker's behaviour over an engine module object, driven cycle by
// cycle as the run thread drives it, over the stepped simulation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <thread>

#include "vorn/interfaces/registrar.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/voice/tests/speakertest.h"

using namespace SpeakerTest;
using platform::audio::SimStep;

namespace {

// Values kept in a map, as the working database keeps a module's.
class FakePersist : public CComObjectRootEx<CComSingleThreadModel>, public IDispatchImpl<IVornPersist> {
public:
  BEGIN_COM_MAP(FakePersist)
    COM_INTERFACE_ENTRY(IVornPersist)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  std::map<std::string, float> values;
  std::map<std::string, std::string> texts;

  // As the engine reads a stored text: atof of it, 0 for none.
  HRESULT LoadFloatValue(BSTR name, float* value) override {
    const std::string key = Platform::BstrToUtf8(name);
    auto text = texts.find(key);
    auto found = values.find(key);
    *value = text != texts.end()    ? static_cast<float>(std::atof(text->second.c_str()))
             : found != values.end() ? found->second
                                     : 0.0f;
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
};

}  // namespace

TEST_F(SpeakerCoreTest, MicrophoneBlocksFillOneBufferEveryFourAtTheDefaultRate) {
  Cycle();
  EXPECT_EQ(Report(), (std::vector<float>{1.0f, 1.0f, 0.0f}));
  std::vector<float> all;
  for (int i = 0; i < 8; ++i) {
    std::vector<float> block = Samples(128, all.size());
    all.insert(all.end(), block.begin(), block.end());
    Cycle(block);
  }
  Cycle();
  EXPECT_FLOAT_EQ(Report()[0], 19.0f / 21.0f);
  SimStep(2 * kBlockSize);
  WavContent written = Written();
  EXPECT_EQ(written.rate, 11025u);
  EXPECT_EQ(written.samples, Played(all));
}

TEST_F(SpeakerCoreTest, AQueuedBufferIsNotWrittenWhileTheRingHoldsALargeBlock) {
  const std::vector<float> large = Samples(40 * kBlockSize, 0);
  Cycle(large);
  for (int i = 0; i < 30; ++i) Cycle();  // only 21 buffers fit in the queue
  EXPECT_EQ(Report(), (std::vector<float>{0.0f, 0.0f, 1.0f}));
  SimStep(5 * kBlockSize);
  for (int i = 0; i < 10; ++i) Cycle();
  SimStep(30 * kBlockSize);
  const std::vector<float> played(large.begin(), large.begin() + 26 * kBlockSize);
  EXPECT_EQ(Written().samples, Played(played));
}

TEST_F(SpeakerCoreTest, WithTwoFreeBuffersTheInputIsNotTaken) {
  for (int i = 0; i < 19; ++i) Cycle(Samples(kBlockSize, 0));
  Cycle();
  EXPECT_FLOAT_EQ(Report()[0], 2.0f / 21.0f);
  Cycle(Samples(kBlockSize, 0));  // skipped
  Cycle();
  EXPECT_FLOAT_EQ(Report()[0], 2.0f / 21.0f);
}

TEST_F(SpeakerCoreTest, TheRateFollowsTheInputsSamplesPerSecond) {
  const struct {
    std::u16string properties;
    bool open;
    std::uint32_t headerRate;
    int messages;
  } steps[] = {
      {Rate(44100), true, 44100, 0},
      // No rate, or none that can be one: the device keeps playing as it was.
      {VornModules::kEmptyProperties, true, 44100, 0},
      {Rate(0), true, 44100, 0},
      {Rate(-8000), true, 44100, 0},
      // Too few or too many buffers: refused, and said so.
      {Rate(1000), false, 0, 1},
      {Rate(300000), false, 0, 2},
      {Rate(22050), true, 22050, 2},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.properties.begin(), step.properties.end()));
    Cycle(Samples(128, 0), step.properties);
    EXPECT_EQ(core.Enabled(), step.open);
    if (step.open) {
      EXPECT_EQ(Written().rate, step.headerRate);
    }
    EXPECT_EQ(static_cast<int>(messages.Texts().size()), step.messages);
  }
  ASSERT_FALSE(messages.Texts().empty());
  EXPECT_EQ(messages.Texts()[0].rfind("Could not open output device. \r\nMESSAGE: ", 0), 0u) << messages.Texts()[0];
  // 44100 gives 86 buffers: one written, the rest free.
  Cycle(Samples(kBlockSize, 0), Rate(44100));
  Cycle();
  EXPECT_FLOAT_EQ(Report()[0], 85.0f / 86.0f);
}

TEST_F(SpeakerCoreTest, EnabledOpensAndClosesAndRefusesOtherValues) {
  EXPECT_TRUE(core.Enabled());
  EXPECT_EQ(core.PutEnabled(1), E_INVALIDARG);
  EXPECT_TRUE(core.Enabled());
  EXPECT_EQ(core.PutEnabled(VARIANT_FALSE), S_OK);
  EXPECT_FALSE(core.Enabled());
  Cycle(Samples(kBlockSize, 0));  // closed: nothing played, nothing reported
  EXPECT_EQ(core.PutEnabled(VARIANT_TRUE), S_OK);
  EXPECT_TRUE(core.Enabled());
  EXPECT_EQ(core.Stop(), S_OK);
  EXPECT_TRUE(core.Enabled());  // a stopped engine leaves the device open
}

TEST_F(SpeakerCoreTest, SavedGainAndDeviceLoadBackAndReopenOnlyWhenChanged) {
  CComObject<FakePersist>* persist = nullptr;
  ASSERT_EQ(CComObject<FakePersist>::CreateInstance(&persist), S_OK);
  CComPtr<IDispatch> holder(static_cast<IDispatch*>(persist));

  ASSERT_EQ(core.Save(holder), S_OK);
  EXPECT_EQ(persist->values, (std::map<std::string, float>{{"Gain", 1.0f}, {"Device", -1.0f}}));

  Cycle(Samples(kBlockSize, 0));
  SimStep(kBlockSize);
  ASSERT_EQ(Written().samples.size(), static_cast<std::size_t>(kBlockSize));
  ASSERT_EQ(core.Load(holder), S_OK);  // the same values: no reopen
  EXPECT_EQ(Written().samples.size(), static_cast<std::size_t>(kBlockSize));

  persist->values = {{"Gain", 2.0f}, {"Device", 0.0f}};
  ASSERT_EQ(core.Load(holder), S_OK);  // changed: reopened, the file begins again
  EXPECT_TRUE(Written().samples.empty());
  const std::vector<float> quiet = Samples(kBlockSize, 0);
  Cycle(quiet);
  SimStep(kBlockSize);
  EXPECT_EQ(Written().samples, Played(quiet, 2.0f));

  // A gain never stored, NULL, a text or no finite number in the file
  // keeps the module's: read as 0 it would silence the speaker.
  for (const char* text : {"", "loud", "nan", "1e999"}) {
    persist->values = {{"Device", 0.0f}};
    persist->texts.clear();
    if (*text) persist->texts = {{"Gain", text}};
    ASSERT_EQ(core.Load(holder), S_OK);
    EXPECT_EQ(core.Gain(), 2.0f) << text;
  }

  // An object that is no persist object fails as the engine reports it.
  EXPECT_THROW(core.Save(static_cast<IDispatch*>(server)), VornModules::ComError);
}

TEST_F(SpeakerCoreTest, EnabledFromAnotherThreadWaitsForTheRunInProgress) {
  std::atomic<bool> done{false};
  std::thread ui([&] {
    for (int i = 0; i < 200; ++i) core.PutEnabled(i % 2 == 0 ? VARIANT_FALSE : VARIANT_TRUE);
    done = true;
  });
  int cycles = 0;
  while (!done || cycles < 50) {
    Cycle(Samples(kBlockSize, 0));
    if (++cycles % 8 == 0) SimStep(kBlockSize);
  }
  ui.join();
  EXPECT_TRUE(core.Enabled());
}
