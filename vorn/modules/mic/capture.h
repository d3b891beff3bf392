// The microphone's rules, apart from any device: the block sizes it offers,
// how recorded 16-bit samples become floats, the rates a device offers and
// how a chosen rate is found again, and how one level sets the mixer's
// microphone volume and boost.
#ifndef VORN_MODULES_MIC_CAPTURE_H
#define VORN_MODULES_MIC_CAPTURE_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio/audio.h"

namespace VornMic {

inline constexpr int kBufferCount = 50;
inline constexpr int kDefaultBlockSize = 128;
inline constexpr long kDefaultFrequency = 11025;

// The block sizes a page offers, in list order.
inline constexpr int kBlockSizes[] = {128, 256, 512, 1024};
// The list entry of a block size: 256, 512 and 1024 their own, any other
// the first.
int BlockSizeEntry(int blockSize);

// The gain the samples get from a level: the level, but never below 1
// (levels below 1 act through the mixer only).
float SoftwareGain(float level);
// Puts gain × sample / 32768 of each sample into out (as many as both
// hold), each clamped to [-1, 1]; the largest magnitude written, 0 for none.
float ConvertBlock(std::span<const std::int16_t> samples, std::span<float> out, float gain);

// A rate a device may offer: its capability bit (0: always offered), its
// samples per second and its text in kHz.
struct RateChoice {
  DWORD format;
  long samplesPerSecond;
  const char* text;
};
inline constexpr RateChoice kRates[] = {
    {WAVE_FORMAT_1M16, 11025, "11.025"},
    {WAVE_FORMAT_2M16, 22050, "22.05"},
    {WAVE_FORMAT_4M16, 44100, "44.1"},
    {0, 16000, "16.0"},
};
// The rates a device with these capability bits offers, in list order.
std::vector<RateChoice> RatesOffered(DWORD formats);
// A rate text in kHz as whole samples per second ("11.025" gives 11025);
// 0 for a text that is no positive number.
long RateFromText(std::string_view text);
// The entry of rates whose rate is samplesPerSecond, compared as numbers;
// -1 when none is.
int FindRate(std::span<const RateChoice> rates, long samplesPerSecond);

// Whether a mixer control of this name is the microphone's boost: the one
// test used both to find a boost and to switch it.
bool IsBoostControl(std::string_view name);

struct MixerLevel {
  bool boost = false;
  DWORD volume = 0;  // 0 to 65535
};
// The boost switch and volume that give the level x on a line with or
// without a boost: full at 1 and above; without a boost x of full volume;
// with one, boost on from 0.25 (x of full volume), and below that boost off
// at four times x of full volume, which meets the boosted curve at 0.25.
// A level below 0 is taken as 0.
MixerLevel MixerLevelFor(float x, bool hasBoost);

}  // namespace VornMic

#endif
