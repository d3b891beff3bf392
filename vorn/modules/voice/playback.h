// The speaker's rules for turning the float blocks of its input into the
// 16-bit buffers of a wave-output device, kept apart from the device so
// that they can be checked on their own.
#ifndef VORN_MODULES_VOICE_PLAYBACK_H
#define VORN_MODULES_VOICE_PLAYBACK_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace VornVoice {

// Samples in each buffer written to the device.
inline constexpr int kBlockSize = 512;
// Room in the table of buffers, and the fewest buffers that still let one
// be filled while others play (the input is read only while three are free).
inline constexpr int kMaxBuffers = 500;
inline constexpr int kMinBuffers = 3;

// About one second of buffers at samplesPerSecond; none for a rate whose
// buffers would be fewer than kMinBuffers or more than kMaxBuffers.
std::optional<int> BufferCount(long samplesPerSecond, int blockSize = kBlockSize);

// A sample times the gain, clipped to [-1, 1] and scaled to 32000 (not to
// the full 16 bits), truncated toward zero. A sample that is not a number
// plays as silence.
std::int16_t ToPcm(float sample, float gain);
void ToPcm(const float* samples, std::size_t n, float gain, std::int16_t* pcm);

// The SamplesPerSecond property read as a decimal integer: leading blanks
// and a sign allowed, reading stops at the first non-digit, no digits give
// 0; values beyond a long are held at its bounds.
long ParseSamplesPerSecond(std::u16string_view text);

// How full the queue is, as the output reports it: the share of free
// buffers, 1 when none is playing, 1 when none is free.
struct QueueReport {
  float freeShare;
  float idle;
  float full;
};
QueueReport ReportQueue(int freeBuffers, int buffers);

}  // namespace VornVoice

#endif
