// The wave functions: device numbers and capabilities, open handles, the
// header checks, and the result-code texts. Handles are numbers from one
// process-wide table, so a stale or made-up handle is refused, never
// followed.
#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/audio/internal.h"

namespace platform::audio::detail {

struct Registry {
  std::mutex mutex;
  std::unique_ptr<Backend> backend;
  std::map<std::uintptr_t, std::shared_ptr<Device>> devices;
  std::uintptr_t next = 0x10000;
};

namespace {

// Never destroyed: devices may still be closed by static destructors.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

Backend& BackendLocked(Registry& registry) {
  if (!registry.backend) {
    const char* chosen = std::getenv("PLATFORM_AUDIO");
    std::string name = chosen ? chosen : "";
    bool alsa = name == "alsa" || (name != "sim" && AlsaHasSoundCard());
    registry.backend = alsa ? MakeAlsaBackend() : MakeSimBackend();
  }
  return *registry.backend;
}

std::shared_ptr<Device> Find(std::uintptr_t handle, bool input) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  auto it = registry.devices.find(handle);
  if (it == registry.devices.end() || it->second->input != input) return nullptr;
  return it->second;
}

template <class Handle>
std::uintptr_t Value(Handle handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

// Copies text into a fixed field, cut at a whole UTF-8 character.
void CopyName(char* field, std::size_t size, const std::string& text) {
  std::size_t n = std::min(text.size(), size - 1);
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

MMRESULT DeviceCaps(bool input, UINT_PTR id, DeviceInfo& info) {
  std::vector<DeviceInfo> devices = [&] {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return BackendLocked(registry).Devices(input);
  }();
  if (id == WAVE_MAPPER && !devices.empty()) id = 0;
  if (id >= devices.size()) return MMSYSERR_BADDEVICEID;
  info = devices[id];
  return MMSYSERR_NOERROR;
}

MMRESULT CheckFormat(const WAVEFORMATEX* format) {
  if (!format) return MMSYSERR_INVALPARAM;
  if (format->wFormatTag != WAVE_FORMAT_PCM || format->nChannels != 1 || format->wBitsPerSample != 16 ||
      format->nBlockAlign != 2 || format->nSamplesPerSec < 1000 || format->nSamplesPerSec > 384000 ||
      format->nAvgBytesPerSec != 2 * format->nSamplesPerSec)
    return WAVERR_BADFORMAT;
  return MMSYSERR_NOERROR;
}

MMRESULT OpenDevice(bool input, std::uintptr_t& handle, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags) {
  constexpr DWORD kQuery = 0x1, kIgnored = 0x2 | 0x4 | 0x8;  // allow-sync, mapped, direct
  if (flags & ~(CALLBACK_TYPEMASK | kQuery | kIgnored)) return MMSYSERR_INVALFLAG;
  DWORD kind = flags & CALLBACK_TYPEMASK;
  if (kind != CALLBACK_NULL && kind != CALLBACK_FUNCTION) return MMSYSERR_NOTSUPPORTED;
  if (flags & kQuery) return MMSYSERR_NOTSUPPORTED;
  if (MMRESULT r = CheckFormat(format)) return r;
  auto device = std::make_shared<Device>(input, format->nSamplesPerSec, kind == CALLBACK_FUNCTION ? callback : 0,
                                         instance);
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    Backend& backend = BackendLocked(registry);
    std::size_t count = backend.Devices(input).size();
    if (count == 0) return id == WAVE_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
    if (id == WAVE_MAPPER) id = 0;
    if (id >= count) return MMSYSERR_BADDEVICEID;
    std::unique_ptr<Port> port;
    if (MMRESULT r = backend.Open(input, id, format->nSamplesPerSec, port)) return r;
    device->handle = registry.next++;
    device->id = id;
    registry.devices[device->handle] = device;
    device->Launch(std::move(port));
  }
  handle = device->handle;
  device->Notify(input ? WIM_OPEN : WOM_OPEN, nullptr);
  return MMSYSERR_NOERROR;
}

MMRESULT CloseDevice(bool input, std::uintptr_t handle) {
  std::shared_ptr<Device> device = Find(handle, input);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = device->Close()) return r;
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.devices.erase(handle);
  }
  device->Notify(input ? WIM_CLOSE : WOM_CLOSE, nullptr);
  return MMSYSERR_NOERROR;
}

MMRESULT CheckHeader(const WAVEHDR* header, UINT size) {
  if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

MMRESULT Prepare(bool input, std::uintptr_t handle, WAVEHDR* header, UINT size) {
  if (!Find(handle, input)) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = CheckHeader(header, size)) return r;
  // A buffer must hold at least one sample: an empty one would complete
  // at once, over and over.
  if (!header->lpData || header->dwBufferLength < 2) return MMSYSERR_INVALPARAM;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(bool input, std::uintptr_t handle, WAVEHDR* header, UINT size) {
  if (!Find(handle, input)) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = CheckHeader(header, size)) return r;
  DWORD flags = header->dwFlags.load();
  do {
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  } while (!header->dwFlags.compare_exchange_weak(flags, flags & ~WHDR_PREPARED));
  return MMSYSERR_NOERROR;
}

MMRESULT QueueBuffer(bool input, std::uintptr_t handle, WAVEHDR* header, UINT size) {
  std::shared_ptr<Device> device = Find(handle, input);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = CheckHeader(header, size)) return r;
  return device->Queue(header);
}

struct ErrorText {
  MMRESULT code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {MMSYSERR_NOERROR, "No error."},
    {MMSYSERR_ERROR, "An unspecified error occurred in the audio device."},
    {MMSYSERR_BADDEVICEID, "The audio device number is out of range."},
    {MMSYSERR_NOTENABLED, "The audio driver is not enabled."},
    {MMSYSERR_ALLOCATED, "The audio device is already in use."},
    {MMSYSERR_INVALHANDLE, "The audio device handle is not valid."},
    {MMSYSERR_NODRIVER, "No audio device is installed."},
    {MMSYSERR_NOMEM, "There is not enough memory for the audio operation."},
    {MMSYSERR_NOTSUPPORTED, "The audio device does not support this operation."},
    {MMSYSERR_BADERRNUM, "The error number is not known."},
    {MMSYSERR_INVALFLAG, "A flag given to the audio function is not valid."},
    {MMSYSERR_INVALPARAM, "A parameter given to the audio function is not valid."},
    {MMSYSERR_HANDLEBUSY, "The audio device handle is in use by another thread."},
    {WAVERR_BADFORMAT, "The audio device does not support the requested format."},
    {WAVERR_STILLPLAYING, "The buffer is still queued on the audio device."},
    {WAVERR_UNPREPARED, "The buffer has not been prepared."},
    {WAVERR_SYNC, "The audio device is synchronous and cannot be opened this way."},
    {MIXERR_INVALLINE, "The mixer line is not valid."},
    {MIXERR_INVALCONTROL, "The mixer control is not valid."},
    {MIXERR_INVALVALUE, "The value is out of range for the mixer control."},
};

MMRESULT GetErrorText(MMRESULT code, LPSTR text, UINT size) {
  if (size == 0) return MMSYSERR_NOERROR;
  if (!text) return MMSYSERR_INVALPARAM;
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) {
      CopyName(text, size, entry.text);
      return MMSYSERR_NOERROR;
    }
  }
  text[0] = '\0';
  return MMSYSERR_BADERRNUM;
}

}  // namespace

Backend& CurrentBackend() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return BackendLocked(registry);
}

std::size_t OpenDeviceCount() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return registry.devices.size();
}

bool WaveHandleDevice(std::uintptr_t handle, bool input, UINT& id) {
  std::shared_ptr<Device> device = Find(handle, input);
  if (device) id = device->id;
  return device != nullptr;
}

UINT WaveDeviceCount(bool input) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return static_cast<UINT>(BackendLocked(registry).Devices(input).size());
}

}  // namespace platform::audio::detail

using namespace platform::audio::detail;

UINT waveInGetNumDevs() { return WaveDeviceCount(true); }
UINT waveOutGetNumDevs() { return WaveDeviceCount(false); }

MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, LPWAVEINCAPS pwic, UINT cbwic) {
  if (!pwic) return MMSYSERR_INVALPARAM;
  DeviceInfo info;
  if (MMRESULT r = DeviceCaps(true, uDeviceID, info)) return r;
  WAVEINCAPS caps{};
  caps.vDriverVersion = 0x0100;
  CopyName(caps.szPname, sizeof caps.szPname, info.name);
  caps.dwFormats = info.formats;
  caps.wChannels = 1;
  std::memcpy(pwic, &caps, std::min<std::size_t>(cbwic, sizeof caps));
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, LPWAVEOUTCAPS pwoc, UINT cbwoc) {
  if (!pwoc) return MMSYSERR_INVALPARAM;
  DeviceInfo info;
  if (MMRESULT r = DeviceCaps(false, uDeviceID, info)) return r;
  WAVEOUTCAPS caps{};
  caps.vDriverVersion = 0x0100;
  CopyName(caps.szPname, sizeof caps.szPname, info.name);
  caps.dwFormats = info.formats;
  caps.wChannels = 1;
  caps.dwSupport = WAVECAPS_VOLUME;
  std::memcpy(pwoc, &caps, std::min<std::size_t>(cbwoc, sizeof caps));
  return MMSYSERR_NOERROR;
}

MMRESULT waveInGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
  return GetErrorText(mmrError, pszText, cchText);
}
MMRESULT waveOutGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
  return GetErrorText(mmrError, pszText, cchText);
}

MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                    DWORD fdwOpen) {
  if (!phwi) return MMSYSERR_INVALPARAM;
  std::uintptr_t handle = 0;
  MMRESULT r = OpenDevice(true, handle, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
  *phwi = reinterpret_cast<HWAVEIN>(handle);
  return r;
}

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                     DWORD fdwOpen) {
  if (!phwo) return MMSYSERR_INVALPARAM;
  std::uintptr_t handle = 0;
  MMRESULT r = OpenDevice(false, handle, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
  *phwo = reinterpret_cast<HWAVEOUT>(handle);
  return r;
}

MMRESULT waveInClose(HWAVEIN hwi) { return CloseDevice(true, Value(hwi)); }
MMRESULT waveOutClose(HWAVEOUT hwo) { return CloseDevice(false, Value(hwo)); }

MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) { return Prepare(true, Value(hwi), pwh, cbwh); }
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  return Prepare(false, Value(hwo), pwh, cbwh);
}
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  return Unprepare(true, Value(hwi), pwh, cbwh);
}
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  return Unprepare(false, Value(hwo), pwh, cbwh);
}
MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) { return QueueBuffer(true, Value(hwi), pwh, cbwh); }
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) { return QueueBuffer(false, Value(hwo), pwh, cbwh); }

MMRESULT waveInStart(HWAVEIN hwi) {
  std::shared_ptr<Device> device = Find(Value(hwi), true);
  return device ? device->Start() : MMSYSERR_INVALHANDLE;
}
MMRESULT waveInStop(HWAVEIN hwi) {
  std::shared_ptr<Device> device = Find(Value(hwi), true);
  return device ? device->Stop() : MMSYSERR_INVALHANDLE;
}
MMRESULT waveInReset(HWAVEIN hwi) {
  std::shared_ptr<Device> device = Find(Value(hwi), true);
  return device ? device->Reset() : MMSYSERR_INVALHANDLE;
}
MMRESULT waveOutReset(HWAVEOUT hwo) {
  std::shared_ptr<Device> device = Find(Value(hwo), false);
  return device ? device->Reset() : MMSYSERR_INVALHANDLE;
}
MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume) {
  std::shared_ptr<Device> device = Find(Value(hwo), false);
  return device ? device->SetVolume(dwVolume) : MMSYSERR_INVALHANDLE;
}
MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD pdwVolume) {
  std::shared_ptr<Device> device = Find(Value(hwo), false);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!pdwVolume) return MMSYSERR_INVALPARAM;
  *pdwVolume = device->Volume();
  return MMSYSERR_NOERROR;
}
