// Helpers of the audio tests: WAV files written and read back, formats,
// and buffers that own their data.
#ifndef PLATFORM_AUDIO_TESTS_AUDIOTEST_H
#define PLATFORM_AUDIO_TESTS_AUDIOTEST_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/sim.h"
#include "tests/support/tempdir.h"

namespace AudioTest {

inline void Put(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

// A 16-bit PCM WAV file of the samples, with channels copies of each.
inline std::string Wav(const std::vector<std::int16_t>& samples, std::uint32_t rate, int channels = 1) {
  std::string data;
  for (std::int16_t s : samples)
    for (int c = 0; c < channels; ++c) Put(data, static_cast<std::uint16_t>(c == 0 ? s : -1), 2);
  std::string file = "RIFF";
  Put(file, static_cast<std::uint32_t>(36 + data.size()), 4);
  file += "WAVEfmt ";
  Put(file, 16, 4);
  Put(file, 1, 2);
  Put(file, static_cast<std::uint32_t>(channels), 2);
  Put(file, rate, 4);
  Put(file, rate * 2 * static_cast<std::uint32_t>(channels), 4);
  Put(file, static_cast<std::uint32_t>(2 * channels), 2);
  Put(file, 16, 2);
  file += "data";
  Put(file, static_cast<std::uint32_t>(data.size()), 4);
  return file + data;
}

struct WavContent {
  std::uint32_t rate = 0;
  std::vector<std::int16_t> samples;
};

// What a mono file written by an output device holds (its header's sizes
// are checked against the file's length).
inline WavContent ReadWav(const std::string& bytes) {
  WavContent content;
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                      static_cast<unsigned char>(bytes[at + 2]) << 16 |
                                      static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24);
  };
  if (bytes.size() < 44 || u32(40) != bytes.size() - 44 || u32(4) != bytes.size() - 8) return content;
  content.rate = u32(24);
  for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
    content.samples.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                                        static_cast<unsigned char>(bytes[at + 1]) << 8));
  return content;
}

inline WAVEFORMATEX Pcm(DWORD rate) { return {WAVE_FORMAT_PCM, 1, rate, 2 * rate, 2, 16, 0}; }

// A header with a data block of its own.
struct Buffer {
  explicit Buffer(std::size_t samples) : data(2 * samples) {
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
  }
  std::vector<char> data;
  WAVEHDR header{};
  bool Done() const { return header.dwFlags & WHDR_DONE; }
  std::int16_t Sample(std::size_t i) const {
    std::int16_t s;
    std::memcpy(&s, &data[2 * i], 2);
    return s;
  }
  void Fill(const std::vector<std::int16_t>& samples) { std::memcpy(data.data(), samples.data(), 2 * samples.size()); }
};

// A stepped simulation with the given files for input 0 and output 0.
inline platform::audio::SimSettings Stepped(const std::string& in = "", const std::string& out = "") {
  platform::audio::SimSettings settings = platform::audio::SimSettingsFromEnvironment();
  settings.inputs = {{"Simulated input", in}};
  settings.outputs = {{"Simulated output", out}};
  settings.stepped = true;
  return settings;
}

inline std::vector<std::int16_t> Ramp(std::size_t n, int start = 1) {
  std::vector<std::int16_t> samples(n);
  for (std::size_t i = 0; i < n; ++i) samples[i] = static_cast<std::int16_t>(start + static_cast<int>(i));
  return samples;
}

}  // namespace AudioTest

#endif
