// The simulated audio backend (PLATFORM_AUDIO=sim): input devices that
// read a WAV file and give silence after its end (or throughout, without a
// file), output devices that write a WAV file, and one mixer that belongs to
// all of them, with a recording destination whose source selector lists its
// sources. The devices keep time like a sound card: in real time times a
// speed factor, or only when a test steps them.
//
// Settings come from the environment when the backend is first used:
//   PLATFORM_AUDIO_IN       WAV file read by input device 0
//   PLATFORM_AUDIO_OUT      WAV file written by output device 0
//   PLATFORM_AUDIO_SPEED    speed factor of the clock (default 1)
//   PLATFORM_AUDIO_STEPPED  "1": the clock moves only in SimStep
// An input file must be 16-bit PCM of at most 8 channels; of several the
// first is read, and its rate is not converted. Inputs may share a file.
// An output file is rewritten at each open and its header is kept valid
// after every buffer; while one device writes it, another open of it, in
// this process or another, is refused (MMSYSERR_ALLOCATED). Only regular
// files are read and written. What is wrong with a file is said on
// standard error, with the file's name.
#ifndef PLATFORM_AUDIO_SIM_H
#define PLATFORM_AUDIO_SIM_H

#include <string>
#include <vector>

#include "platform/api.h"
#include "platform/audio/audio.h"

namespace platform::audio {

struct SimDevice {
  std::string name;  // the product name of its capabilities
  std::string file;  // WAV read or written; empty: silence, or discarded output
};

struct SimMixerSource {
  std::string shortName;  // also the text of its selector item
  std::string name;
  DWORD componentType = MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
  bool boost = false;  // has an on/off control named "<short name> Boost"
};

struct SimSettings {
  std::vector<SimDevice> inputs;
  std::vector<SimDevice> outputs;
  std::vector<SimMixerSource> mixerSources;
  double speed = 1.0;
  bool stepped = false;
};

// The settings the environment gives: one input, one output, and a mixer
// with the sources "Mic" (with boost), "Line" and "CD".
PLATFORM_API SimSettings SimSettingsFromEnvironment();
// Replaces the simulation's devices and mixer (mixer values start again).
// False, and nothing changes, while a device is open or when the speed is
// not positive.
PLATFORM_API bool SimConfigure(const SimSettings& settings);
// With the stepped clock: every open device lives through the next frames
// samples of its own rate; returns once all of them have, callbacks made.
PLATFORM_API void SimStep(DWORD frames);

}  // namespace platform::audio

#endif
