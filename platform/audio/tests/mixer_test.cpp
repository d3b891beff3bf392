// The simulated mixer as a recorder sets it up: found through a wave-input
// device, its recording destination's source selector switched to the
// microphone, the microphone's boost and volume set.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/audio/tests/audiotest.h"

using namespace AudioTest;
using platform::audio::SimConfigure;

namespace {

HMIXEROBJ Id(std::uintptr_t value) { return reinterpret_cast<HMIXEROBJ>(value); }

class MixerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(SimConfigure(Stepped())); }

  MMRESULT Line(HMIXEROBJ object, DWORD flags, MIXERLINE& line, DWORD destination = 0, DWORD source = 0) {
    line = {};
    line.cbStruct = sizeof line;
    line.dwDestination = destination;
    line.dwSource = source;
    return mixerGetLineInfo(object, &line, flags);
  }
  std::vector<MIXERCONTROL> Controls(DWORD lineId, DWORD room) {
    std::vector<MIXERCONTROL> controls(room);
    MIXERLINECONTROLS request{};
    request.cbStruct = sizeof request;
    request.dwLineID = lineId;
    request.cControls = room;
    request.cbmxctrl = sizeof(MIXERCONTROL);
    request.pamxctrl = controls.data();
    EXPECT_EQ(mixerGetLineControls(Id(0), &request, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    controls.resize(request.cControls);
    return controls;
  }
  MMRESULT Values(const MIXERCONTROL& control, std::vector<LONG>& values, bool set) {
    values.resize(std::max<DWORD>(1, control.cMultipleItems));
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = control.dwControlID;
    details.cChannels = 1;
    details.cMultipleItems = control.cMultipleItems;
    details.cbDetails = sizeof(LONG);
    details.paDetails = values.data();
    return set ? mixerSetControlDetails(Id(0), &details, MIXER_SETCONTROLDETAILSF_VALUE)
               : mixerGetControlDetails(Id(0), &details, MIXER_GETCONTROLDETAILSF_VALUE);
  }
};

TEST_F(MixerTest, AddressedByWaveDeviceNumberOrHandle) {
  HWAVEIN in;
  const WAVEFORMATEX format = Pcm(11025);
  ASSERT_EQ(waveInOpen(&in, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  struct Case {
    HMIXEROBJ object;
    DWORD flags;
    MMRESULT expected;
  };
  const Case cases[] = {
      {Id(0), MIXER_OBJECTF_MIXER, MMSYSERR_NOERROR},
      {Id(0), MIXER_OBJECTF_WAVEIN, MMSYSERR_NOERROR},
      {Id(0), MIXER_OBJECTF_HWAVEIN, MMSYSERR_NOERROR},  // a number with the handle flag
      {reinterpret_cast<HMIXEROBJ>(in), MIXER_OBJECTF_HWAVEIN, MMSYSERR_NOERROR},
      {Id(0), MIXER_OBJECTF_WAVEOUT, MMSYSERR_NOERROR},
      {Id(1), MIXER_OBJECTF_MIXER, MMSYSERR_BADDEVICEID},
      {Id(1), MIXER_OBJECTF_WAVEIN, MMSYSERR_BADDEVICEID},
      {Id(0x123456), MIXER_OBJECTF_HWAVEIN, MMSYSERR_INVALHANDLE},
      {reinterpret_cast<HMIXEROBJ>(in), MIXER_OBJECTF_HWAVEOUT, MMSYSERR_INVALHANDLE},
      {Id(0), MIXER_OBJECTF_HMIXER, MMSYSERR_INVALHANDLE},
      {Id(0), 0x40000000u, MMSYSERR_INVALFLAG},
      {Id(0), MIXER_OBJECTF_WAVEIN | 0x100u, MMSYSERR_INVALFLAG},
  };
  for (const Case& c : cases) {
    MIXERLINE line;
    EXPECT_EQ(Line(c.object, c.flags | MIXER_GETLINEINFOF_DESTINATION, line), c.expected) << std::hex << c.flags;
    if (c.expected == MMSYSERR_NOERROR) {
      EXPECT_EQ(line.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    }
  }
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  EXPECT_EQ(mixerGetNumDevs(), 1u);
  MIXERCAPS caps{};
  EXPECT_EQ(mixerGetDevCaps(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(caps.cDestinations, 1u);
}

// The recorder's sequence: the selector (the destination's first control)
// lists the sources by name; selecting "Microphone" sticks; the source
// whose short name holds "Mic" has a boost switch and a volume.
TEST_F(MixerTest, SelectsTheMicrophoneAndSetsItsLevels) {
  const DWORD flags = MIXER_OBJECTF_WAVEIN;
  MIXERLINE destination;
  ASSERT_EQ(Line(Id(0), flags | MIXER_GETLINEINFOF_DESTINATION, destination), MMSYSERR_NOERROR);
  EXPECT_EQ(destination.cConnections, 3u);
  EXPECT_EQ(destination.Target.dwType, MIXERLINE_TARGETTYPE_WAVEIN);
  std::vector<MIXERCONTROL> controls = Controls(destination.dwLineID, 1);
  ASSERT_EQ(controls.size(), 1u);
  const MIXERCONTROL selector = controls[0];
  EXPECT_EQ(selector.dwControlType, MIXERCONTROL_CONTROLTYPE_MUX);
  ASSERT_EQ(selector.cMultipleItems, 3u);

  std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(3);
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = selector.dwControlID;
  details.cChannels = 1;
  details.cMultipleItems = 3;
  details.cbDetails = sizeof texts[0];
  details.paDetails = texts.data();
  ASSERT_EQ(mixerGetControlDetails(Id(0), &details, flags | MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_NOERROR);
  EXPECT_STREQ(texts[0].szName, "Microphone");
  EXPECT_EQ(texts[0].dwParam2, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);

  std::vector<LONG> values;
  ASSERT_EQ(Values(selector, values, false), MMSYSERR_NOERROR);
  EXPECT_EQ(values, (std::vector<LONG>{0, 0, 1}));
  std::vector<LONG> none{0, 0, 0}, two{1, 1, 0}, mic{1, 0, 0};
  EXPECT_EQ(Values(selector, none, true), MIXERR_INVALVALUE);
  EXPECT_EQ(Values(selector, two, true), MIXERR_INVALVALUE);
  ASSERT_EQ(Values(selector, mic, true), MMSYSERR_NOERROR);
  ASSERT_EQ(Values(selector, values, false), MMSYSERR_NOERROR);
  EXPECT_EQ(values, mic);

  MIXERLINE source;
  ASSERT_EQ(Line(Id(0), flags | MIXER_GETLINEINFOF_SOURCE, source, 0, 0), MMSYSERR_NOERROR);
  EXPECT_STREQ(source.szShortName, "Mic");
  EXPECT_EQ(source.dwLineID, texts[0].dwParam1);
  EXPECT_EQ(Line(Id(0), flags | MIXER_GETLINEINFOF_SOURCE, source, 0, 3), MIXERR_INVALLINE);
  ASSERT_EQ(Line(Id(0), flags | MIXER_GETLINEINFOF_SOURCE, source, 0, 0), MMSYSERR_NOERROR);
  controls = Controls(source.dwLineID, 12);  // room for more than there are
  ASSERT_EQ(controls.size(), 3u);
  auto named = [&](const char* text) {
    return std::find_if(controls.begin(), controls.end(),
                        [&](const MIXERCONTROL& c) { return std::strstr(c.szName, text) != nullptr; });
  };
  ASSERT_NE(named("Boost"), controls.end());
  auto volume = std::find_if(controls.begin(), controls.end(), [](const MIXERCONTROL& c) {
    return c.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME;
  });
  ASSERT_NE(volume, controls.end());
  EXPECT_EQ(volume->Bounds.u.dwMaximum, 65535u);

  struct Set {
    const MIXERCONTROL* control;
    LONG value;
    MMRESULT expected;
  };
  const Set sets[] = {{&*named("Boost"), 1, MMSYSERR_NOERROR}, {&*named("Boost"), 2, MIXERR_INVALVALUE},
                      {&*volume, 65535, MMSYSERR_NOERROR},     {&*volume, 65536, MIXERR_INVALVALUE},
                      {&*volume, -1, MIXERR_INVALVALUE},       {&*volume, 40000, MMSYSERR_NOERROR}};
  for (const Set& set : sets) {
    LONG before;
    std::vector<LONG> v;
    ASSERT_EQ(Values(*set.control, v, false), MMSYSERR_NOERROR);
    before = v[0];
    v = {set.value};
    EXPECT_EQ(Values(*set.control, v, true), set.expected) << set.control->szName << " " << set.value;
    ASSERT_EQ(Values(*set.control, v, false), MMSYSERR_NOERROR);
    EXPECT_EQ(v[0], set.expected == MMSYSERR_NOERROR ? set.value : before) << set.control->szName;
  }

  // The same controls by type and by identifier.
  MIXERCONTROL one{};
  MIXERLINECONTROLS request{};
  request.cbStruct = sizeof request;
  request.dwLineID = source.dwLineID;
  request.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  request.cControls = 1;
  request.cbmxctrl = sizeof one;
  request.pamxctrl = &one;
  ASSERT_EQ(mixerGetLineControls(Id(0), &request, flags | MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_NOERROR);
  EXPECT_EQ(one.dwControlID, volume->dwControlID);
  request.dwControlType = MIXERCONTROL_CONTROLTYPE_MUX;
  EXPECT_EQ(mixerGetLineControls(Id(0), &request, flags | MIXER_GETLINECONTROLSF_ONEBYTYPE), MIXERR_INVALCONTROL);
  request.dwControlID = selector.dwControlID;
  ASSERT_EQ(mixerGetLineControls(Id(0), &request, flags | MIXER_GETLINECONTROLSF_ONEBYID), MMSYSERR_NOERROR);
  EXPECT_EQ(request.dwLineID, destination.dwLineID);
  details.dwControlID = 999;
  EXPECT_EQ(mixerGetControlDetails(Id(0), &details, flags), MIXERR_INVALCONTROL);

  // A reconfiguration starts the values again.
  ASSERT_TRUE(SimConfigure(Stepped()));
  ASSERT_EQ(Values(selector, values, false), MMSYSERR_NOERROR);
  EXPECT_EQ(values, (std::vector<LONG>{0, 0, 1}));
}

TEST_F(MixerTest, SourcesWithoutBoost) {
  platform::audio::SimSettings settings = Stepped();
  settings.mixerSources = {{"Line", "Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, false},
                           {"Mic", "Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, false}};
  ASSERT_TRUE(SimConfigure(settings));
  MIXERLINE source;
  ASSERT_EQ(Line(Id(0), MIXER_OBJECTF_WAVEIN | MIXER_GETLINEINFOF_SOURCE, source, 0, 1), MMSYSERR_NOERROR);
  EXPECT_STREQ(source.szShortName, "Mic");
  std::vector<MIXERCONTROL> controls = Controls(source.dwLineID, 12);
  EXPECT_EQ(controls.size(), 2u);
  for (const MIXERCONTROL& c : controls) EXPECT_EQ(std::strstr(c.szName, "Boost"), nullptr);
}

}  // namespace
