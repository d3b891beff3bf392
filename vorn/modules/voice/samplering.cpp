#include "vorn/modules/voice/samplering.h"

#include <algorithm>

namespace VornVoice {

SampleRing::SampleRing() : m_samples(new float[kSize]()) {}

std::size_t SampleRing::Count() const { return m_write >= m_read ? m_write - m_read : m_write + kSize - m_read; }

void SampleRing::Append(const float* samples, std::size_t n) {
  if (n >= kSize - Count()) Clear();
  if (n > kCapacity) {
    // A whole ring's worth would bring the write index round onto the read
    // index and read as empty: the oldest samples are the ones to lose.
    samples += n - kCapacity;
    n = kCapacity;
  }
  while (n > 0) {
    std::size_t run = std::min(n, kSize - m_write);
    std::copy_n(samples, run, m_samples.get() + m_write);
    samples += run;
    n -= run;
    m_write = (m_write + run) % kSize;
  }
}

bool SampleRing::Take(float* destination, std::size_t n) {
  if (Count() < n) return false;
  while (n > 0) {
    std::size_t run = std::min(n, kSize - m_read);
    std::copy_n(m_samples.get() + m_read, run, destination);
    destination += run;
    n -= run;
    m_read = (m_read + run) % kSize;
  }
  return true;
}

void SampleRing::Clear() { m_write = m_read = 0; }

}  // namespace VornVoice
