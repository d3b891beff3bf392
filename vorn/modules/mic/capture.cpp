#include "vorn/modules/mic/capture.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace VornMic {

int BlockSizeEntry(int blockSize) {
  for (int i = 1; i < static_cast<int>(std::size(kBlockSizes)); ++i)
    if (kBlockSizes[i] == blockSize) return i;
  return 0;
}

float SoftwareGain(float level) { return level < 1.0f ? 1.0f : level; }

float ConvertBlock(std::span<const std::int16_t> samples, std::span<float> out, float gain) {
  const std::size_t count = std::min(samples.size(), out.size());
  float energy = 0.0f;
  for (std::size_t i = 0; i < count; ++i) {
    const float v = std::clamp(gain * static_cast<float>(samples[i]) / 32768.0f, -1.0f, 1.0f);
    out[i] = v;
    energy = std::max(energy, std::fabs(v));
  }
  return energy;
}

std::vector<RateChoice> RatesOffered(DWORD formats) {
  std::vector<RateChoice> offered;
  for (const RateChoice& rate : kRates)
    if (rate.format == 0 || (formats & rate.format) != 0) offered.push_back(rate);
  return offered;
}

long RateFromText(std::string_view text) {
  double kHz = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kHz);
  if (error != std::errc() || end == text.data() || !(kHz > 0) || kHz > 1e6) return 0;
  return std::lround(kHz * 1000.0);
}

int FindRate(std::span<const RateChoice> rates, long samplesPerSecond) {
  for (std::size_t i = 0; i < rates.size(); ++i)
    if (rates[i].samplesPerSecond == samplesPerSecond) return static_cast<int>(i);
  return -1;
}

bool IsBoostControl(std::string_view name) {
  return name.find("Boost") != std::string_view::npos || name.find("20d") != std::string_view::npos;
}

MixerLevel MixerLevelFor(float x, bool hasBoost) {
  constexpr double kFull = 65535.0;
  if (!(x > 0.0f)) x = 0.0f;
  if (x >= 1.0f) return {true, 65535};
  if (!hasBoost) return {false, static_cast<DWORD>(x * kFull)};
  if (x >= 0.25f) return {true, static_cast<DWORD>(x * kFull)};
  return {false, static_cast<DWORD>(x * 4.0 * kFull)};
}

}  // namespace VornMic
