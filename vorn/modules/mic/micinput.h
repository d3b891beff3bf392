// The microphone's wave-input device: 50 buffers of one block each, kept
// queued, polled in turn for the next recorded block. Not locked: the
// module calls it under its engine module's lock, from Run on the run
// thread and from the page and automation calls on theirs.
#ifndef VORN_MODULES_MIC_MICINPUT_H
#define VORN_MODULES_MIC_MICINPUT_H

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/audio/audio.h"

namespace VornMic {

class MicrophoneInput {
public:
  MicrophoneInput() = default;
  ~MicrophoneInput();
  MicrophoneInput(const MicrophoneInput&) = delete;
  MicrophoneInput& operator=(const MicrophoneInput&) = delete;

  // Opens device (WAVE_MAPPER for the system's choice) for PCM mono 16-bit
  // at samplesPerSecond and queues 50 buffers of blockSize samples; the
  // device's error leaves it closed. A buffer that cannot be prepared is
  // counted in PrepareFailures and queued all the same (which the device
  // then refuses).
  MMRESULT Open(UINT device, long samplesPerSecond, int blockSize);
  // Stops recording and frees the buffers; nothing when closed.
  void Close();
  bool IsOpen() const { return m_in != nullptr; }
  MMRESULT Start();
  int PrepareFailures() const { return m_prepareFailures; }

  // All 50 buffers recorded: the reader fell behind and recording stalled.
  bool Overrun() const { return IsOpen() && DoneBuffers() == static_cast<int>(m_slots.size()); }
  // Opens again with the settings of the last Open, not yet started.
  MMRESULT Reopen() { return Open(m_device, m_rate, m_blockSize); }

  int DoneBuffers() const;
  bool NextDone() const;
  // Takes the next recorded block into out with gain (ConvertBlock) and
  // queues its buffer again; its energy, or nothing when the next buffer
  // is not done yet or the device is closed.
  std::optional<float> TakeBlock(std::span<float> out, float gain);

private:
  struct Slot {
    WAVEHDR header{};
    std::vector<char> data;
  };
  HWAVEIN m_in = nullptr;
  std::vector<std::unique_ptr<Slot>> m_slots;
  std::size_t m_next = 0;
  int m_prepareFailures = 0;
  UINT m_device = WAVE_MAPPER;
  long m_rate = 0;
  int m_blockSize = 0;
};

}  // namespace VornMic

#endif
