#include "vorn/modules/mic/micinput.h"

#include <cstring>

#include "vorn/modules/mic/capture.h"

namespace VornMic {

namespace {
// Completed buffers are found by polling, so the device's calls are ignored.
void CALLBACK IgnoreDeviceCall(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}
}  // namespace

MicrophoneInput::~MicrophoneInput() { Close(); }

MMRESULT MicrophoneInput::Open(UINT device, long samplesPerSecond, int blockSize) {
  Close();
  m_device = device;
  m_rate = samplesPerSecond;
  m_blockSize = blockSize;
  if (samplesPerSecond <= 0 || blockSize <= 0) return WAVERR_BADFORMAT;
  const DWORD rate = static_cast<DWORD>(samplesPerSecond);
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, rate, 2 * rate, 2, 16, 0};
  HWAVEIN in = nullptr;
  const MMRESULT result = waveInOpen(&in, device, &format, reinterpret_cast<DWORD_PTR>(&IgnoreDeviceCall), 0,
                                     CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) return result;
  m_in = in;
  m_prepareFailures = 0;
  const DWORD bytes = 2 * static_cast<DWORD>(blockSize);
  for (int i = 0; i < kBufferCount; ++i) {
    auto slot = std::make_unique<Slot>();
    slot->data.assign(bytes, 0);
    slot->header.lpData = slot->data.data();
    slot->header.dwBufferLength = bytes;
    slot->header.dwBytesRecorded = bytes;
    slot->header.dwLoops = 1;
    if (waveInPrepareHeader(m_in, &slot->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) ++m_prepareFailures;
    waveInAddBuffer(m_in, &slot->header, sizeof(WAVEHDR));
    m_slots.push_back(std::move(slot));
  }
  m_next = 0;
  return MMSYSERR_NOERROR;
}

void MicrophoneInput::Close() {
  if (m_in == nullptr) return;
  waveInReset(m_in);
  for (auto& slot : m_slots) waveInUnprepareHeader(m_in, &slot->header, sizeof(WAVEHDR));
  waveInClose(m_in);
  m_in = nullptr;
  m_slots.clear();
  m_next = 0;
}

MMRESULT MicrophoneInput::Start() { return m_in ? waveInStart(m_in) : MMSYSERR_INVALHANDLE; }

int MicrophoneInput::DoneBuffers() const {
  int done = 0;
  for (const auto& slot : m_slots)
    if (slot->header.dwFlags & WHDR_DONE) ++done;
  return done;
}

bool MicrophoneInput::NextDone() const {
  return m_in != nullptr && (m_slots[m_next]->header.dwFlags & WHDR_DONE) != 0;
}

std::optional<float> MicrophoneInput::TakeBlock(std::span<float> out, float gain) {
  if (!NextDone()) return std::nullopt;
  Slot& slot = *m_slots[m_next];
  m_next = (m_next + 1) % m_slots.size();
  waveInUnprepareHeader(m_in, &slot.header, sizeof(WAVEHDR));
  std::vector<std::int16_t> samples(slot.data.size() / 2);
  std::memcpy(samples.data(), slot.data.data(), 2 * samples.size());
  const float energy = ConvertBlock(samples, out, gain);
  waveInPrepareHeader(m_in, &slot.header, sizeof(WAVEHDR));
  waveInAddBuffer(m_in, &slot.header, sizeof(WAVEHDR));
  return energy;
}

}  // namespace VornMic
