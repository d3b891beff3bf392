#include "vorn/modules/voice/speakeroutput.h"

#include <cstring>

namespace VornVoice {

namespace {
constexpr DWORD kBufferBytes = 2 * kBlockSize;
bool Done(const WAVEHDR& header) { return header.dwFlags.load() & WHDR_DONE; }
}  // namespace

SpeakerOutput::~SpeakerOutput() { Close(); }

MMRESULT SpeakerOutput::Open(UINT device, long samplesPerSecond) {
  Close();
  std::optional<int> buffers = BufferCount(samplesPerSecond);
  if (!buffers) return WAVERR_BADFORMAT;
  const DWORD rate = static_cast<DWORD>(samplesPerSecond);
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, rate, 2 * rate, 2, 16, 0};
  HWAVEOUT out = nullptr;
  MMRESULT result = waveOutOpen(&out, device, &format, 0, 0, CALLBACK_NULL);
  if (result != MMSYSERR_NOERROR) return result;
  m_out = out;
  waveOutSetVolume(m_out, 0xFFFFFFFFu);
  m_slots.reserve(static_cast<std::size_t>(*buffers));
  for (int i = 0; i < *buffers; ++i) {
    auto slot = std::make_unique<Slot>();
    slot->data.assign(kBufferBytes, 0);
    slot->header.lpData = slot->data.data();
    slot->header.dwBufferLength = kBufferBytes;
    slot->header.dwBytesRecorded = kBufferBytes;
    slot->header.dwFlags = WHDR_DONE;
    m_slots.push_back(std::move(slot));
  }
  m_next = 0;
  return MMSYSERR_NOERROR;
}

void SpeakerOutput::Close() {
  if (m_out) {
    waveOutReset(m_out);
    for (auto& slot : m_slots) waveOutUnprepareHeader(m_out, &slot->header, sizeof(WAVEHDR));
    waveOutClose(m_out);
    m_out = nullptr;
  }
  m_slots.clear();
  m_next = 0;
}

int SpeakerOutput::FreeBuffers() const {
  int free = 0;
  for (const auto& slot : m_slots) free += Done(slot->header) ? 1 : 0;
  return free;
}

bool SpeakerOutput::NextBufferFree() const { return m_out && Done(m_slots[m_next]->header); }

bool SpeakerOutput::Write(const std::int16_t* pcm) {
  if (!NextBufferFree()) return false;
  WAVEHDR& header = m_slots[m_next]->header;
  waveOutUnprepareHeader(m_out, &header, sizeof(WAVEHDR));
  std::memcpy(header.lpData, pcm, kBufferBytes);
  waveOutPrepareHeader(m_out, &header, sizeof(WAVEHDR));
  waveOutWrite(m_out, &header, sizeof(WAVEHDR));
  m_next = (m_next + 1) % m_slots.size();
  return true;
}

}  // namespace VornVoice
