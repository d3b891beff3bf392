#include "vorn/modules/voice/playback.h"

#include <climits>
#include <cmath>

namespace VornVoice {

std::optional<int> BufferCount(long samplesPerSecond, int blockSize) {
  if (samplesPerSecond <= 0 || blockSize <= 0) return std::nullopt;
  long buffers = samplesPerSecond / blockSize;
  if (buffers < kMinBuffers || buffers > kMaxBuffers) return std::nullopt;
  return static_cast<int>(buffers);
}

std::int16_t ToPcm(float sample, float gain) {
  float v = sample * gain;
  if (std::isnan(v)) return 0;
  if (v > 1.0f) v = 1.0f;
  if (v < -1.0f) v = -1.0f;
  return static_cast<std::int16_t>(v * 32000.0f);
}

void ToPcm(const float* samples, std::size_t n, float gain, std::int16_t* pcm) {
  for (std::size_t i = 0; i < n; ++i) pcm[i] = ToPcm(samples[i], gain);
}

long ParseSamplesPerSecond(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    int digit = text[i] - u'0';
    if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

QueueReport ReportQueue(int freeBuffers, int buffers) {
  QueueReport report{};
  if (buffers <= 0) return report;
  report.freeShare = static_cast<float>(freeBuffers) / static_cast<float>(buffers);
  report.idle = freeBuffers == buffers ? 1.0f : 0.0f;
  report.full = freeBuffers == 0 ? 1.0f : 0.0f;
  return report;
}

}  // namespace VornVoice
