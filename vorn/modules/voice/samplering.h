// The speaker's queue of float samples between the blocks that arrive on
// its input and the fixed-size buffers it plays: a ring of 50000 floats,
// allocated once and never grown, so it holds at most 49999 samples.
#ifndef VORN_MODULES_VOICE_SAMPLERING_H
#define VORN_MODULES_VOICE_SAMPLERING_H

#include <cstddef>
#include <memory>

namespace VornVoice {

class SampleRing {
public:
  static constexpr std::size_t kSize = 50000;
  static constexpr std::size_t kCapacity = kSize - 1;

  SampleRing();

  std::size_t Count() const;
  // Queues n samples. A block that does not fit beside what is queued
  // drops everything queued and is queued alone; a block larger than the
  // ring keeps only its newest kCapacity samples.
  void Append(const float* samples, std::size_t n);
  // Takes the n oldest samples, or nothing (false) when fewer are queued.
  bool Take(float* destination, std::size_t n);
  void Clear();

private:
  std::unique_ptr<float[]> m_samples;
  std::size_t m_write = 0;
  std::size_t m_read = 0;
};

}  // namespace VornVoice

#endif
