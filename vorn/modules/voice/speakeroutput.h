// The speaker's wave-output device: about one second of 16-bit buffers,
// played in turn. A buffer is written again only once the device has marked
// it done, so a buffer still queued is never overwritten, however far the
// input runs ahead. Not locked: the module calls it under its own lock.
#ifndef VORN_MODULES_VOICE_SPEAKEROUTPUT_H
#define VORN_MODULES_VOICE_SPEAKEROUTPUT_H

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/audio.h"
#include "vorn/modules/voice/playback.h"

namespace VornVoice {

class SpeakerOutput {
public:
  SpeakerOutput() = default;
  ~SpeakerOutput();
  SpeakerOutput(const SpeakerOutput&) = delete;
  SpeakerOutput& operator=(const SpeakerOutput&) = delete;

  // Opens device (WAVE_MAPPER for the system's choice) for PCM mono 16-bit
  // at samplesPerSecond, at full volume, with every buffer free. A rate
  // that gives too few or too many buffers (BufferCount) is refused with
  // WAVERR_BADFORMAT; any failure leaves the output closed.
  MMRESULT Open(UINT device, long samplesPerSecond);
  // Stops what plays and frees the buffers; nothing when closed.
  void Close();
  bool IsOpen() const { return m_out != nullptr; }

  int Buffers() const { return static_cast<int>(m_slots.size()); }
  int FreeBuffers() const;
  bool NextBufferFree() const;
  // Plays kBlockSize samples in the next buffer; false (nothing written)
  // when closed or when that buffer is still queued.
  bool Write(const std::int16_t* pcm);

private:
  struct Slot {
    WAVEHDR header{};
    std::vector<char> data;
  };
  HWAVEOUT m_out = nullptr;
  std::vector<std::unique_ptr<Slot>> m_slots;
  std::size_t m_next = 0;
};

}  // namespace VornVoice

#endif
