// The ALSA backend.
#include "platform/audio/internal.h"

namespace platform::audio::detail {

namespace {

class AlsaBackend : public Backend {
public:
  std::vector<DeviceInfo> Devices(bool) override { return {}; }
  MMRESULT Open(bool, UINT, DWORD, std::unique_ptr<Port>&) override { return MMSYSERR_NODRIVER; }
  std::vector<MixerModel> Mixers() override { return {}; }
};

}  // namespace

bool AlsaHasSoundCard() { return false; }
std::unique_ptr<Backend> MakeAlsaBackend() { return std::make_unique<AlsaBackend>(); }

}  // namespace platform::audio::detail
