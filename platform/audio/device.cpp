// An open wave device: its queue of buffers, the state the wave functions
// change and the worker thread on which its backend's port runs. Buffers
// complete in queue order; a completed header is not touched again, as its
// owner may free it as soon as it sees the done flag.
#include <algorithm>

#include "platform/audio/internal.h"

namespace platform::audio::detail {

namespace {

// Sets the done flag and drops the queued flag in one step, so that a
// poller sees a buffer either queued or done.
void MarkDone(WAVEHDR* header) {
  DWORD flags = header->dwFlags.load();
  while (!header->dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_INQUEUE) | WHDR_DONE)) {
  }
}

}  // namespace

Device::Device(bool isInput, DWORD sampleRate, DWORD_PTR callbackFunction, DWORD_PTR callbackInstance)
    : input(isInput), rate(sampleRate), callback(callbackFunction), instance(callbackInstance) {}

Device::~Device() {
  {
    std::lock_guard lock(m_mutex);
    m_closing = true;
    m_recording = false;
  }
  m_changed.notify_all();
  if (m_port) m_port->Wake();
  if (m_worker.joinable()) m_worker.join();
}

bool Device::Closing() {
  std::lock_guard lock(m_mutex);
  return m_closing;
}

bool Device::Recording() {
  std::lock_guard lock(m_mutex);
  return m_recording && !m_closing;
}

void Device::WaitForChange(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  if (m_closing) return;
  m_changed.wait_for(lock, timeout);
}

unsigned Device::Resets() {
  std::lock_guard lock(m_mutex);
  return m_resets;
}

bool Device::HasQueued() {
  std::lock_guard lock(m_mutex);
  return !m_queue.empty();
}

void Device::Complete(Entry& entry, std::vector<WAVEHDR*>& completed) {
  if (input) entry.header->dwBytesRecorded = static_cast<DWORD>(2 * entry.done);
  MarkDone(entry.header);
  completed.push_back(entry.header);
}

std::size_t Device::Record(const std::int16_t* samples, std::size_t count) {
  std::vector<WAVEHDR*> completed;
  std::size_t stored = 0;
  {
    std::lock_guard lock(m_mutex);
    if (!m_recording || m_closing) return 0;
    while (stored < count && !m_queue.empty()) {
      Entry& entry = m_queue.front();
      std::size_t room = entry.header->dwBufferLength / 2 - entry.done;
      std::size_t n = std::min(room, count - stored);
      std::memcpy(entry.header->lpData + 2 * entry.done, samples + stored, 2 * n);
      entry.done += n;
      stored += n;
      if (entry.done == entry.header->dwBufferLength / 2) {
        Complete(entry, completed);
        m_queue.pop_front();
      }
    }
  }
  NotifyAll(completed);
  return stored;
}

std::size_t Device::Play(std::int16_t* samples, std::size_t count) {
  std::vector<WAVEHDR*> completed;
  std::size_t taken = 0;
  {
    std::lock_guard lock(m_mutex);
    const DWORD level = m_volume & 0xFFFFu;
    while (taken < count && !m_queue.empty()) {
      Entry& entry = m_queue.front();
      std::size_t n = std::min(entry.samples.size() - entry.done, count - taken);
      for (std::size_t i = 0; i < n; ++i) {
        std::int32_t v = entry.samples[entry.done + i];
        samples[taken + i] = static_cast<std::int16_t>(level == 0xFFFFu ? v : v * static_cast<std::int32_t>(level) / 0xFFFF);
      }
      entry.done += n;
      taken += n;
      if (entry.done == entry.samples.size()) {
        Complete(entry, completed);
        m_queue.pop_front();
      }
    }
  }
  NotifyAll(completed);
  return taken;
}

MMRESULT Device::Queue(WAVEHDR* header) {
  {
    std::lock_guard lock(m_mutex);
    if (m_closing) return MMSYSERR_INVALHANDLE;
    DWORD flags = header->dwFlags.load();
    if (!(flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    Entry entry{header, {}, 0};
    if (input) {
      header->dwBytesRecorded = 0;
    } else {
      entry.samples.resize(header->dwBufferLength / 2);
      std::memcpy(entry.samples.data(), header->lpData, 2 * entry.samples.size());
    }
    while (!header->dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_DONE) | WHDR_INQUEUE)) {
    }
    m_queue.push_back(std::move(entry));
  }
  m_changed.notify_all();
  if (m_port) m_port->Wake();
  return MMSYSERR_NOERROR;
}

MMRESULT Device::Start() {
  {
    std::lock_guard lock(m_mutex);
    if (m_closing) return MMSYSERR_INVALHANDLE;
    m_recording = true;
  }
  m_changed.notify_all();
  if (m_port) m_port->Wake();
  return MMSYSERR_NOERROR;
}

MMRESULT Device::Stop() {
  std::vector<WAVEHDR*> completed;
  {
    std::lock_guard lock(m_mutex);
    if (m_closing) return MMSYSERR_INVALHANDLE;
    m_recording = false;
    // A buffer partly filled is handed back with what it holds; empty
    // ones stay queued for the next start.
    if (!m_queue.empty() && m_queue.front().done > 0) {
      Complete(m_queue.front(), completed);
      m_queue.pop_front();
    }
  }
  m_changed.notify_all();
  NotifyAll(completed);
  return MMSYSERR_NOERROR;
}

MMRESULT Device::Reset() {
  std::vector<WAVEHDR*> completed;
  {
    std::lock_guard lock(m_mutex);
    if (m_closing) return MMSYSERR_INVALHANDLE;
    m_recording = false;
    ++m_resets;
    for (Entry& entry : m_queue) Complete(entry, completed);
    m_queue.clear();
  }
  m_changed.notify_all();
  if (m_port) m_port->Wake();
  NotifyAll(completed);
  return MMSYSERR_NOERROR;
}

MMRESULT Device::SetVolume(DWORD volume) {
  std::lock_guard lock(m_mutex);
  if (m_closing) return MMSYSERR_INVALHANDLE;
  m_volume = volume;
  return MMSYSERR_NOERROR;
}

DWORD Device::Volume() {
  std::lock_guard lock(m_mutex);
  return m_volume;
}

MMRESULT Device::Close() {
  {
    std::lock_guard lock(m_mutex);
    if (m_closing) return MMSYSERR_INVALHANDLE;
    if (!m_queue.empty()) return WAVERR_STILLPLAYING;
    m_closing = true;
    m_recording = false;
  }
  m_changed.notify_all();
  if (m_port) m_port->Wake();
  if (m_worker.joinable()) m_worker.join();
  return MMSYSERR_NOERROR;
}

void Device::Launch(std::unique_ptr<Port> port) {
  m_port = std::move(port);
  m_worker = std::thread([this] { m_port->Work(*this); });
}

void Device::Notify(UINT message, WAVEHDR* header) {
  if (!callback) return;
  auto param = reinterpret_cast<DWORD_PTR>(header);
  if (input)
    reinterpret_cast<WAVEINCALLBACK>(callback)(reinterpret_cast<HWAVEIN>(handle), message, instance, param, 0);
  else
    reinterpret_cast<WAVEOUTCALLBACK>(callback)(reinterpret_cast<HWAVEOUT>(handle), message, instance, param, 0);
}

void Device::NotifyAll(const std::vector<WAVEHDR*>& completed) {
  for (WAVEHDR* header : completed) Notify(input ? WIM_DATA : WOM_DONE, header);
}

}  // namespace platform::audio::detail
