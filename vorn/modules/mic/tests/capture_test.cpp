// The microphone's rules: block sizes, sample scaling and clamping, the
// rates a device offers and how a rate is found again, and mixer levels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "vorn/modules/mic/capture.h"

using namespace VornMic;

namespace {

TEST(MicrophoneRules, BlockSizesListAndFallBackToTheFirst) {
  const struct {
    int size, entry;
  } cases[] = {{128, 0}, {256, 1}, {512, 2}, {1024, 3}, {0, 0}, {300, 0}};
  for (const auto& c : cases) EXPECT_EQ(BlockSizeEntry(c.size), c.entry) << c.size;
}

TEST(MicrophoneRules, SamplesAreScaledByTheLevelAndClamped) {
  const std::vector<std::int16_t> samples = {-32768, 32767, 16384, -8192, 0};
  const struct {
    float level;
    std::vector<float> expected;
    float energy;
  } cases[] = {
      {1.0f, {-1.0f, 32767.0f / 32768.0f, 0.5f, -0.25f, 0.0f}, 1.0f},
      {0.5f, {-1.0f, 32767.0f / 32768.0f, 0.5f, -0.25f, 0.0f}, 1.0f},  // below 1: gain 1
      {2.0f, {-1.0f, 1.0f, 1.0f, -0.5f, 0.0f}, 1.0f},
  };
  for (const auto& c : cases) {
    std::vector<float> out(samples.size(), 9.0f);
    EXPECT_EQ(ConvertBlock(samples, out, SoftwareGain(c.level)), c.energy) << c.level;
    EXPECT_EQ(out, c.expected) << c.level;
  }
  // Never more than both hold; the energy is of what was written.
  std::vector<float> shorter(3, 9.0f);
  EXPECT_EQ(ConvertBlock(std::vector<std::int16_t>{8192, -16384}, shorter, 1.0f), 0.5f);
  EXPECT_EQ(shorter, (std::vector<float>{0.25f, -0.5f, 9.0f}));
}

TEST(MicrophoneRules, RatesAreOfferedByCapabilityAndFoundAsNumbers) {
  const auto all = RatesOffered(WAVE_FORMAT_1M16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_4M16);
  ASSERT_EQ(all.size(), 4u);
  const auto fewest = RatesOffered(WAVE_FORMAT_1S16 | WAVE_FORMAT_2M08);
  ASSERT_EQ(fewest.size(), 1u);
  EXPECT_EQ(fewest[0].samplesPerSecond, 16000);
  const struct {
    long rate;
    int entry;
  } found[] = {{11025, 0}, {22050, 1}, {44100, 2}, {16000, 3}, {8000, -1}};
  for (const auto& c : found) EXPECT_EQ(FindRate(all, c.rate), c.entry) << c.rate;
  for (const RateChoice& rate : all) EXPECT_EQ(RateFromText(rate.text), rate.samplesPerSecond) << rate.text;
  for (const char* bad : {"", "kHz", "-8", "0"}) EXPECT_EQ(RateFromText(bad), 0) << bad;
}

TEST(MicrophoneRules, MixerLevelsWithAndWithoutBoost) {
  const struct {
    float level;
    bool hasBoost;
    MixerLevel expected;
  } cases[] = {
      {1.0f, true, {true, 65535}},     {3.0f, false, {true, 65535}},  {0.5f, false, {false, 32767}},
      {0.5f, true, {true, 32767}},     {0.25f, true, {true, 16383}},  {0.125f, true, {false, 32767}},
      {0.0f, true, {false, 0}},        {-1.0f, false, {false, 0}},
  };
  for (const auto& c : cases) {
    const MixerLevel level = MixerLevelFor(c.level, c.hasBoost);
    EXPECT_EQ(level.boost, c.expected.boost) << c.level << " " << c.hasBoost;
    EXPECT_EQ(level.volume, c.expected.volume) << c.level << " " << c.hasBoost;
  }
  for (const char* name : {"Mic Boost", "+20dB", "Mic 20dB Boost"}) EXPECT_TRUE(IsBoostControl(name)) << name;
  for (const char* name : {"Mic Volume", "boost", "Mute"}) EXPECT_FALSE(IsBoostControl(name)) << name;
}

}  // namespace
