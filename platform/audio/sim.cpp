// The simulated backend. Each open device has a clock: in real time it
// counts the samples of its rate that have passed since the open (times
// the speed factor); stepped, it counts what SimStep has granted. The
// worker lives through the samples due: an input that records reads them
// from its file (silence after the end) into the queued buffers, an output
// plays what its queue holds into its file, and time passes for both when
// there is nothing to do, as on a sound card.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/internal.h"
#include "platform/audio/sim.h"

namespace platform::audio {

namespace detail {
namespace {

struct Clock {
  std::uint64_t granted = 0;    // stepped: samples SimStep has given
  std::uint64_t processed = 0;  // samples the worker has lived through
};

struct Simulation {
  std::mutex mutex;
  std::condition_variable changed;
  bool configured = false;
  SimSettings settings;
  std::vector<Clock*> clocks;  // of the open devices
};

// The devices are files here: what is wrong with one is said on standard
// error, as a driver logs what its hardware does, since a device's result
// codes have no room for it.
void Report(const std::string& problem) { std::fprintf(stderr, "simulated audio: %s\n", problem.c_str()); }

Simulation& TheSimulation() {
  static Simulation* simulation = new Simulation;
  return *simulation;
}

const SimSettings& SettingsLocked(Simulation& simulation) {
  if (!simulation.configured) {
    simulation.settings = SimSettingsFromEnvironment();
    simulation.configured = true;
  }
  return simulation.settings;
}

constexpr std::size_t kChunk = 4096;

class SimPort : public Port {
public:
  SimPort(bool input, DWORD rate, double speed, bool stepped)
      : m_input(input), m_rate(rate), m_speed(speed), m_stepped(stepped),
        m_start(std::chrono::steady_clock::now()) {}
  WavReader reader;
  bool reading = false;
  // Locked while it is written, so that a second writer, in this process
  // or another, cannot empty the file under the first and interleave.
  WavWriter writer;
  bool writing = false;

  void Work(Device& device) override {
    Simulation& simulation = TheSimulation();
    std::vector<std::int16_t> samples(kChunk);
    while (std::uint64_t due = Due(device)) {
      for (std::uint64_t left = due; left > 0;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk));
        if (m_input) {
          // The file moves on only while recording, as a microphone gives
          // nothing to a device that does not listen.
          if (device.Recording()) {
            std::size_t got = reading ? reader.Read(samples.data(), n) : 0;
            std::fill(samples.begin() + static_cast<std::ptrdiff_t>(got), samples.begin() + static_cast<std::ptrdiff_t>(n), 0);
            device.Record(samples.data(), n);
          }
        } else {
          const std::size_t played = device.Play(samples.data(), n);
          if (!writer.Write(samples.data(), played) && writing) {
            Report(writer.Problem());
            writing = false;
          }
        }
        left -= n;
      }
      std::lock_guard lock(simulation.mutex);
      m_clock.processed += due;
      simulation.changed.notify_all();
    }
    // The file is complete before another open may write it again.
    writer.Close();
    std::lock_guard lock(simulation.mutex);
    std::erase(simulation.clocks, &m_clock);
    simulation.changed.notify_all();
  }

  // Called with the simulation's lock held, when the device opens, so that
  // a step right after the open counts for it.
  void Join(Simulation& simulation) { simulation.clocks.push_back(&m_clock); }

  void Wake() override {
    Simulation& simulation = TheSimulation();
    std::lock_guard lock(simulation.mutex);
    simulation.changed.notify_all();
  }

private:
  // Waits until samples are due and answers how many; 0 once closing.
  std::uint64_t Due(Device& device) {
    Simulation& simulation = TheSimulation();
    std::unique_lock lock(simulation.mutex);
    // Real time moves in steps of about 5 ms of sound.
    const std::uint64_t least = std::max<std::uint64_t>(1, m_rate / 200);
    for (;;) {
      if (device.Closing()) return 0;
      if (m_stepped) {
        if (m_clock.granted > m_clock.processed) return m_clock.granted - m_clock.processed;
        simulation.changed.wait(lock);
      } else {
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
        auto passed = static_cast<std::uint64_t>(elapsed.count() * m_speed * m_rate);
        if (passed >= m_clock.processed + least) return passed - m_clock.processed;
        simulation.changed.wait_for(lock, std::chrono::milliseconds(2));
      }
    }
  }

  const bool m_input;
  const DWORD m_rate;
  const double m_speed;
  const bool m_stepped;
  const std::chrono::steady_clock::time_point m_start;
  Clock m_clock;
};

class SimBackend : public Backend {
public:
  std::vector<DeviceInfo> Devices(bool input) override {
    Simulation& simulation = TheSimulation();
    std::lock_guard lock(simulation.mutex);
    const SimSettings& settings = SettingsLocked(simulation);
    std::vector<DeviceInfo> devices;
    for (const SimDevice& device : input ? settings.inputs : settings.outputs)
      devices.push_back({device.name, WAVE_FORMAT_1M16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_4M16});
    return devices;
  }

  MMRESULT Open(bool input, UINT id, DWORD rate, std::unique_ptr<Port>& port) override {
    Simulation& simulation = TheSimulation();
    std::lock_guard lock(simulation.mutex);
    const SimSettings& settings = SettingsLocked(simulation);
    const std::vector<SimDevice>& devices = input ? settings.inputs : settings.outputs;
    if (id >= devices.size()) return MMSYSERR_BADDEVICEID;
    auto sim = std::make_unique<SimPort>(input, rate, settings.speed, settings.stepped);
    const std::string& file = devices[id].file;
    if (!file.empty() && input) {
      if (!sim->reader.Open(file)) {
        Report(sim->reader.Problem());
        return MMSYSERR_ERROR;
      }
      sim->reading = true;
    } else if (!file.empty()) {
      const WavWriter::Opened opened = sim->writer.Open(file, rate);
      if (opened != WavWriter::Opened::Yes) {
        Report(sim->writer.Problem());
        return opened == WavWriter::Opened::Busy ? MMSYSERR_ALLOCATED : MMSYSERR_ERROR;
      }
      sim->writing = true;
    }
    sim->Join(simulation);
    port = std::move(sim);
    return MMSYSERR_NOERROR;
  }

  std::vector<MixerModel> Mixers() override {
    Simulation& simulation = TheSimulation();
    std::lock_guard lock(simulation.mutex);
    const SimSettings& settings = SettingsLocked(simulation);
    MixerModel mixer;
    mixer.name = "Simulated mixer";
    for (UINT i = 0; i < settings.inputs.size(); ++i) mixer.waveIns.push_back(i);
    for (UINT i = 0; i < settings.outputs.size(); ++i) mixer.waveOuts.push_back(i);
    MixerLineModel recording;
    recording.componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    recording.shortName = "Recording";
    recording.name = "Recording Control";
    recording.targetType = MIXERLINE_TARGETTYPE_WAVEIN;
    MixerControlModel selector;
    selector.type = MIXERCONTROL_CONTROLTYPE_MUX;
    selector.shortName = "Source";
    selector.name = "Recording Source";
    selector.maximum = 1;
    for (const SimMixerSource& source : settings.mixerSources) {
      MixerLineModel line;
      line.componentType = source.componentType;
      line.shortName = source.shortName;
      line.name = source.name;
      MixerControlModel mute{0, MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", source.shortName + " Mute", 0, 1, 2, {}, {}, {0}, {}};
      MixerControlModel volume{0, MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", source.shortName + " Volume", 0, 65535, 65535, {}, {}, {32768}, {}};
      line.controls = {mute, volume};
      if (source.boost)
        line.controls.push_back({0, MIXERCONTROL_CONTROLTYPE_ONOFF, "Boost", source.shortName + " Boost", 0, 1, 2, {}, {}, {0}, {}});
      recording.sources.push_back(line);
      selector.items.push_back(source.name);
      // The last source starts selected, so that a caller's choice shows.
      selector.values.push_back(recording.sources.size() == settings.mixerSources.size());
    }
    if (!selector.items.empty()) recording.controls.push_back(selector);
    mixer.destinations.push_back(recording);
    NumberMixer(mixer);
    return {mixer};
  }
};

}  // namespace

std::unique_ptr<Backend> MakeSimBackend() { return std::make_unique<SimBackend>(); }

}  // namespace detail

SimSettings SimSettingsFromEnvironment() {
  auto text = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  SimSettings settings;
  settings.inputs = {{"Simulated input", text("PLATFORM_AUDIO_IN")}};
  settings.outputs = {{"Simulated output", text("PLATFORM_AUDIO_OUT")}};
  settings.mixerSources = {{"Mic", "Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, true},
                           {"Line", "Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, false},
                           {"CD", "CD Audio", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, false}};
  std::string speed = text("PLATFORM_AUDIO_SPEED");
  char* end = nullptr;
  double factor = speed.empty() ? 1.0 : std::strtod(speed.c_str(), &end);
  if (factor > 0 && factor < 1e6 && (!end || *end == '\0')) settings.speed = factor;
  settings.stepped = text("PLATFORM_AUDIO_STEPPED") == "1";
  return settings;
}

bool SimConfigure(const SimSettings& settings) {
  if (!(settings.speed > 0)) return false;
  if (detail::OpenDeviceCount() != 0) return false;
  {
    detail::Simulation& simulation = detail::TheSimulation();
    std::lock_guard lock(simulation.mutex);
    simulation.settings = settings;
    simulation.configured = true;
  }
  detail::ResetMixers();
  return true;
}

void SimStep(DWORD frames) {
  detail::Simulation& simulation = detail::TheSimulation();
  std::unique_lock lock(simulation.mutex);
  if (!detail::SettingsLocked(simulation).stepped) return;
  std::vector<detail::Clock*> stepping = simulation.clocks;
  for (detail::Clock* clock : stepping) clock->granted += frames;
  simulation.changed.notify_all();
  simulation.changed.wait(lock, [&] {
    for (detail::Clock* clock : stepping) {
      bool open = std::find(simulation.clocks.begin(), simulation.clocks.end(), clock) != simulation.clocks.end();
      if (open && clock->processed < clock->granted) return false;
    }
    return true;
  });
}

}  // namespace platform::audio
