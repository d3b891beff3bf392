// The mixer as the microphone sets it: on the mixer of wave-input device 0
// (whichever device records), the microphone becomes the recording source,
// and its volume and boost follow the level (MixerLevelFor). Best effort:
// what the mixer lacks is left alone, and no call's failure is reported.
#ifndef VORN_MODULES_MIC_MICMIXER_H
#define VORN_MODULES_MIC_MICMIXER_H

namespace VornMic {

void SetMixerLevel(float level);

}  // namespace VornMic

#endif
