// What the wave functions, the mixer functions and the backends share: an
// open device with its queue of buffers, the port through which a backend
// moves samples on the device's worker thread, and the mixer's model.
#ifndef PLATFORM_AUDIO_INTERNAL_H
#define PLATFORM_AUDIO_INTERNAL_H

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/audio.h"

namespace platform::audio::detail {

class Device;

// A backend's side of one open device. Work runs on the device's worker
// thread until the device closes; it returns promptly once Device::Closing
// is true (Wake is called then, from another thread).
class Port {
public:
  virtual ~Port() = default;
  virtual void Work(Device& device) = 0;
  virtual void Wake() {}
};

struct DeviceInfo {
  std::string name;
  DWORD formats = 0;
};

// A mixer: destinations, each with its sources; every line has controls.
struct MixerControlModel {
  DWORD id = 0;
  DWORD type = 0;
  std::string shortName;
  std::string name;
  LONG minimum = 0;
  LONG maximum = 0;
  DWORD steps = 0;
  std::vector<std::string> items;  // a list control's items (one value each)
  std::vector<DWORD> itemLines;    // the line each item stands for
  std::vector<LONG> values;        // one per item, or one
  // Carries new values to the hardware (best effort); may be empty.
  std::function<void(const std::vector<LONG>&)> apply;
};

struct MixerLineModel {
  DWORD id = 0;
  DWORD componentType = 0;
  std::string shortName;
  std::string name;
  DWORD targetType = MIXERLINE_TARGETTYPE_UNDEFINED;
  std::vector<MixerControlModel> controls;
  std::vector<MixerLineModel> sources;  // of a destination
};

struct MixerModel {
  std::string name;
  std::vector<UINT> waveIns;  // the wave devices it belongs to
  std::vector<UINT> waveOuts;
  std::vector<MixerLineModel> destinations;
};

// Gives lines and controls their identifiers: a destination d is d, its
// source s is (s + 1) << 16 | d; controls are numbered from 1.
void NumberMixer(MixerModel& mixer);

class Backend {
public:
  virtual ~Backend() = default;
  virtual std::vector<DeviceInfo> Devices(bool input) = 0;
  // Opens device id (a valid number) for 16-bit mono at rate.
  virtual MMRESULT Open(bool input, UINT id, DWORD rate, std::unique_ptr<Port>& port) = 0;
  virtual std::vector<MixerModel> Mixers() = 0;
};

std::unique_ptr<Backend> MakeSimBackend();
std::unique_ptr<Backend> MakeAlsaBackend();
bool AlsaHasSoundCard();

// The current backend, chosen on first use.
struct Registry;
Backend& CurrentBackend();
// Drops the mixers' state so that they are built again from the backend.
void ResetMixers();
// Number of open devices, for the simulation's reconfiguration.
std::size_t OpenDeviceCount();
// The device number of an open wave handle; false for one not open.
bool WaveHandleDevice(std::uintptr_t handle, bool input, UINT& id);
// Wave devices the backend has.
UINT WaveDeviceCount(bool input);

class Device {
public:
  Device(bool input, DWORD rate, DWORD_PTR callback, DWORD_PTR instance);
  ~Device();

  const bool input;
  const DWORD rate;
  const DWORD_PTR callback;
  const DWORD_PTR instance;
  std::uintptr_t handle = 0;
  UINT id = 0;  // the device number it was opened on

  // For the port, on the worker thread.
  bool Closing();
  // Input only: whether recording runs; false also while closing.
  bool Recording();
  // Sleeps until something changes (a buffer queued, start, stop, reset,
  // close) or the time passes.
  void WaitForChange(std::chrono::milliseconds timeout);
  // Counts resets; a port drops what it holds when the count moves.
  unsigned Resets();
  // Input: stores recorded samples in the queued buffers, completing each
  // one that fills; samples without a buffer are lost. Answers how many
  // were stored.
  std::size_t Record(const std::int16_t* samples, std::size_t count);
  // Output: takes up to count samples from the queued buffers (volume
  // applied), completing each one used up. Answers how many were taken.
  std::size_t Play(std::int16_t* samples, std::size_t count);
  // Output: whether a buffer is queued.
  bool HasQueued();

  // The wave functions.
  MMRESULT Queue(WAVEHDR* header);
  MMRESULT Start();
  MMRESULT Stop();
  MMRESULT Reset();
  MMRESULT SetVolume(DWORD volume);
  DWORD Volume();
  // Refuses while buffers are queued; otherwise ends the worker.
  MMRESULT Close();
  void Launch(std::unique_ptr<Port> port);
  void Notify(UINT message, WAVEHDR* header);

private:
  struct Entry {
    WAVEHDR* header;
    std::vector<std::int16_t> samples;  // output: taken when written
    std::size_t done = 0;               // samples recorded or played
  };
  void Complete(Entry& entry, std::vector<WAVEHDR*>& completed);
  void NotifyAll(const std::vector<WAVEHDR*>& completed);

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Entry> m_queue;
  bool m_recording = false;
  bool m_closing = false;
  unsigned m_resets = 0;
  DWORD m_volume = 0xFFFFFFFFu;
  std::unique_ptr<Port> m_port;
  std::thread m_worker;
};

// WAV files of 16-bit PCM.
class WavReader {
public:
  WavReader() = default;
  WavReader(const WavReader&) = delete;
  WavReader& operator=(const WavReader&) = delete;
  ~WavReader();
  // False, with the reader empty, for a file that cannot be read or is not
  // 16-bit PCM of a few channels; Problem then says which file and why.
  bool Open(const std::string& path);
  const std::string& Problem() const { return m_problem; }
  // Reads up to count samples of the first channel; fewer at the end.
  std::size_t Read(std::int16_t* samples, std::size_t count);
  DWORD Rate() const { return m_rate; }

private:
  // What is wrong with the file's header; empty when it can be read.
  std::string ReadHeader(const std::string& path);

  std::FILE* m_file = nullptr;
  DWORD m_rate = 0;
  WORD m_channels = 1;
  std::uint64_t m_left = 0;           // bytes of data not yet read
  std::vector<unsigned char> m_bytes;  // of the file, as read
  std::string m_problem;
};

class WavWriter {
public:
  WavWriter() = default;
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;
  ~WavWriter();
  enum class Opened { Yes, Busy, No };
  // Creates (or empties) a regular file with a header for 16-bit mono at
  // rate. The file stays locked while it is written (an advisory lock, so
  // that writers in other processes keep off it too): a file another
  // writer holds is left alone and answers Busy. No when the header cannot
  // be written. Problem says which file and why, for Busy and No.
  Opened Open(const std::string& path, DWORD rate);
  // Appends samples and brings the header's sizes up to date. False when
  // they could not all be written: the file then keeps the samples before
  // them, its header matching, and takes no more; Problem says why.
  bool Write(const std::int16_t* samples, std::size_t count);
  void Close();
  const std::string& Problem() const { return m_problem; }

private:
  std::FILE* m_file = nullptr;
  std::uint32_t m_bytes = 0;
  std::string m_path;
  std::string m_problem;
};

}  // namespace platform::audio::detail

#endif
