// The mixer the microphone sets, over the simulated mixer with and without
// a boost on its microphone line.
#include <gtest/gtest.h>

#include "platform/audio/tests/audiotest.h"
#include "vorn/modules/mic/micmixer.h"

using namespace AudioTest;
using platform::audio::SimConfigure;

namespace {

HMIXEROBJ Mixer() { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)); }

std::vector<MIXERCONTROL> Controls(DWORD lineId) {
  std::vector<MIXERCONTROL> controls(12);
  MIXERLINECONTROLS request{};
  request.cbStruct = sizeof request;
  request.dwLineID = lineId;
  request.cControls = 12;
  request.cbmxctrl = sizeof(MIXERCONTROL);
  request.pamxctrl = controls.data();
  EXPECT_EQ(mixerGetLineControls(Mixer(), &request, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
  controls.resize(request.cControls);
  return controls;
}

std::vector<LONG> Values(const MIXERCONTROL& control) {
  std::vector<LONG> values(std::max<DWORD>(1, control.cMultipleItems));
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;
  details.cMultipleItems = control.cMultipleItems;
  details.cbDetails = sizeof(LONG);
  details.paDetails = values.data();
  EXPECT_EQ(mixerGetControlDetails(Mixer(), &details, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
  return values;
}

MIXERLINE Line(DWORD flags, DWORD source = 0) {
  MIXERLINE line{};
  line.cbStruct = sizeof line;
  line.dwSource = source;
  EXPECT_EQ(mixerGetLineInfo(Mixer(), &line, flags), MMSYSERR_NOERROR);
  return line;
}

TEST(MicrophoneMixer, SelectsTheMicrophoneAndSetsItsVolumeAndBoost) {
  const struct {
    bool boostLine;
    float level;
    LONG volume;
    LONG boost;  // -1: the line has none
  } cases[] = {
      {true, 1.5f, 65535, 1}, {true, 0.5f, 32767, 1}, {true, 0.1f, 26214, 0},
      {false, 0.5f, 32767, -1}, {false, 0.1f, 6553, -1}, {false, 2.0f, 65535, -1},
  };
  for (const auto& c : cases) {
    auto settings = Stepped();
    settings.mixerSources = {{"Line", "Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, false},
                             {"Mic", "Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, c.boostLine}};
    ASSERT_TRUE(SimConfigure(settings));
    VornMic::SetMixerLevel(c.level);

    const MIXERLINE recording = Line(MIXER_GETLINEINFOF_DESTINATION);
    EXPECT_EQ(Values(Controls(recording.dwLineID).at(0)), (std::vector<LONG>{0, 1}));
    const MIXERLINE mic = Line(MIXER_GETLINEINFOF_SOURCE, 1);
    LONG volume = -2, boost = -1;
    for (const MIXERCONTROL& control : Controls(mic.dwLineID)) {
      if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) volume = Values(control)[0];
      if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_ONOFF) boost = Values(control)[0];
    }
    EXPECT_EQ(volume, c.volume) << c.level << " " << c.boostLine;
    EXPECT_EQ(boost, c.boost) << c.level << " " << c.boostLine;
    // The line that is no microphone keeps its volume.
    for (const MIXERCONTROL& control : Controls(Line(MIXER_GETLINEINFOF_SOURCE, 0).dwLineID))
      if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) {
        EXPECT_EQ(Values(control)[0], 32768);
      }
  }
}

}  // namespace
