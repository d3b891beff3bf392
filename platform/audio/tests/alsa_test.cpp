// The ALSA backend over the devices of alsa-test.conf (file plugins over
// the null device): devices from the hint list, recording from and playing
// into raw files through the wave functions, no mixer without a card; and
// the mapping of a card's mixer elements onto the mixer model.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <thread>

#include "platform/audio/alsa.h"
#include "platform/audio/tests/audiotest.h"

using namespace AudioTest;
using namespace platform::audio::detail;

namespace {

// The number of the input or output device of that product name.
UINT DeviceNamed(bool input, const std::string& name) {
  UINT count = input ? waveInGetNumDevs() : waveOutGetNumDevs();
  for (UINT i = 0; i < count; ++i) {
    char pname[MAXPNAMELEN] = "";
    if (input) {
      WAVEINCAPS caps{};
      waveInGetDevCaps(i, &caps, sizeof caps);
      std::memcpy(pname, caps.szPname, sizeof pname);
    } else {
      WAVEOUTCAPS caps{};
      waveOutGetDevCaps(i, &caps, sizeof caps);
      std::memcpy(pname, caps.szPname, sizeof pname);
    }
    if (name == pname) return i;
  }
  return count;
}

// Waits for the done flags; the deadline only keeps a fault from hanging.
bool AllDone(std::deque<Buffer>& buffers) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (Buffer& b : buffers) {
    while (!b.Done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

std::string Raw(const std::vector<std::int16_t>& samples) {
  return std::string(reinterpret_cast<const char*>(samples.data()), 2 * samples.size());
}

TEST(AlsaTest, RecordsAndPlaysThroughThePlugins) {
  // Before the first ALSA call: ALSA reads its configuration once.
  setenv("ALSA_CONFIG_PATH", ALSA_TEST_CONFIG, 1);
  setenv("PLATFORM_AUDIO", "alsa", 1);
  TestSupport::TempDir dir;
  const std::vector<std::int16_t> ramp = Ramp(3 * 128, -100);
  setenv("AUDIO_TEST_IN", dir.Write("in.raw", Raw(ramp)).c_str(), 1);
  setenv("AUDIO_TEST_OUT", dir.Path("out.raw").c_str(), 1);
  UINT rec = DeviceNamed(true, "Test recording"), play = DeviceNamed(false, "Test playback");
  ASSERT_LT(rec, waveInGetNumDevs());
  ASSERT_LT(play, waveOutGetNumDevs());
  const WAVEFORMATEX format = Pcm(11025);
  HWAVEIN in;
  HWAVEOUT out;
  EXPECT_EQ(waveInOpen(&in, waveInGetNumDevs(), &format, 0, 0, 0), MMSYSERR_BADDEVICEID);
  ASSERT_EQ(waveInOpen(&in, rec, &format, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutOpen(&out, play, &format, 0, 0, 0), MMSYSERR_NOERROR);

  std::deque<Buffer> recorded;
  for (int i = 0; i < 3; ++i) {
    recorded.emplace_back(128);
    ASSERT_EQ(waveInPrepareHeader(in, &recorded.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, &recorded.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  ASSERT_TRUE(AllDone(recorded));
  for (std::size_t b = 0; b < 3; ++b) {
    EXPECT_EQ(recorded[b].header.dwBytesRecorded, 256u);
    for (std::size_t i = 0; i < 128; ++i) ASSERT_EQ(recorded[b].Sample(i), ramp[128 * b + i]) << b << " " << i;
  }
  EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);

  // Played back, the recorded buffers reach the output file whole.
  for (Buffer& b : recorded) {
    ASSERT_EQ(waveOutPrepareHeader(out, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(out, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(AllDone(recorded));
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(dir.Read("out.raw"), Raw(ramp));

  // Without a card there is no mixer, and asking one says so.
  EXPECT_EQ(mixerGetNumDevs(), 0u);
  MIXERLINE line{};
  line.cbStruct = sizeof line;
  EXPECT_EQ(mixerGetLineInfo(nullptr, &line, MIXER_OBJECTF_WAVEIN), MMSYSERR_NODRIVER);
}

// Made-up cards: which elements become sources, which boost belongs to
// which source, and what the selector and the controls write back.
TEST(AlsaTest, MapsMixerElements) {
  std::vector<std::string> log;
  auto element = [&](std::string name, bool volume, bool hasSwitch, std::vector<std::string> items = {}) {
    AlsaElement e;
    e.name = name;
    e.hasVolume = volume;
    e.volume = 1000;
    if (volume) e.setVolume = [&log, name](DWORD v) { log.push_back(name + " volume " + std::to_string(v)); };
    e.hasSwitch = hasSwitch;
    if (hasSwitch) e.setSwitch = [&log, name](bool on) { log.push_back(name + (on ? " on" : " off")); };
    e.items = items;
    if (!items.empty()) e.setItem = [&log, name](unsigned i) { log.push_back(name + " item " + std::to_string(i)); };
    return e;
  };
  auto names = [](const MixerLineModel& line) {
    std::vector<std::string> result;
    for (const MixerControlModel& c : line.controls) result.push_back(c.name);
    return result;
  };

  // A card with a source selector and boosts for two microphones.
  std::vector<AlsaElement> card = {element("Capture", true, true),
                                   element("Capture Source", false, false, {"Line", "Front Mic", "Mic"}),
                                   element("Mic", true, true),
                                   element("Front Mic", true, false),
                                   element("Front Mic Boost", false, true),
                                   element("Mic Boost", false, true),
                                   element("Line", true, false)};
  MixerModel mixer = BuildAlsaMixer("Card", card);
  ASSERT_EQ(mixer.destinations.size(), 1u);
  const MixerLineModel& recording = mixer.destinations[0];
  ASSERT_EQ(recording.sources.size(), 3u);
  EXPECT_EQ(names(recording.sources[0]), (std::vector<std::string>{"Mic Volume", "Mic Boost"}));
  EXPECT_EQ(names(recording.sources[1]), (std::vector<std::string>{"Front Mic Volume", "Front Mic Boost"}));
  EXPECT_EQ(names(recording.sources[2]), (std::vector<std::string>{"Line Volume"}));
  EXPECT_EQ(recording.sources[0].componentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
  ASSERT_EQ(recording.controls.size(), 1u);
  const MixerControlModel& selector = recording.controls[0];
  EXPECT_EQ(selector.type, MIXERCONTROL_CONTROLTYPE_MUX);
  EXPECT_EQ(selector.values, (std::vector<LONG>{1, 0, 0}));
  EXPECT_EQ(selector.itemLines,
            (std::vector<DWORD>{recording.sources[2].id, recording.sources[1].id, recording.sources[0].id}));
  selector.apply({0, 0, 1});
  recording.sources[0].controls[0].apply({65535});
  recording.sources[0].controls[1].apply({1});
  EXPECT_EQ(log, (std::vector<std::string>{"Capture Source item 2", "Mic volume 65535", "Mic Boost on"}));

  // Without a selector, the sources' capture switches select.
  log.clear();
  std::vector<AlsaElement> plain = {element("Line", true, true), element("Mic", true, true)};
  plain[1].switchOn = true;
  mixer = BuildAlsaMixer("Plain", plain);
  const MixerControlModel& switches = mixer.destinations[0].controls.at(0);
  EXPECT_EQ(switches.items, (std::vector<std::string>{"Line", "Mic"}));
  EXPECT_EQ(switches.values, (std::vector<LONG>{0, 1}));
  switches.apply({1, 0});
  EXPECT_EQ(log, (std::vector<std::string>{"Line on", "Mic off"}));
}

}  // namespace
