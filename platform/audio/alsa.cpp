// The ALSA backend. Devices are the PCMs of ALSA's hint list that can
// play or record, in the list's order, named by their descriptions; each
// open device reads or writes its PCM in blocking calls of about 20 ms on
// its worker thread, so that a stop, reset or close is seen within one
// such call. Every PCM call of an open device is made on that thread. The
// mixer of each card is mapped onto a recording destination, best effort:
// its capture elements become sources with a volume (and a boost switch
// where an element of the same name with "Boost" exists), and the capture
// source selector is the card's enumerated source element, or else the
// sources' capture switches.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

#include "platform/audio/alsa.h"
#include "platform/audio/internal.h"

namespace platform::audio::detail {

namespace {

struct Pcm {
  std::string name;
  std::string description;
  bool input;
  bool output;
};

std::string HintText(void* hint, const char* id) {
  char* text = snd_device_name_get_hint(hint, id);
  std::string value = text ? text : "";
  std::free(text);
  return value;
}

std::vector<Pcm> ListPcms() {
  std::vector<Pcm> pcms;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return pcms;
  for (void** hint = hints; *hint; ++hint) {
    Pcm pcm;
    pcm.name = HintText(*hint, "NAME");
    if (pcm.name.empty() || pcm.name == "null") continue;
    std::string description = HintText(*hint, "DESC");
    // The first line names the card, the second the device: one line.
    std::replace(description.begin(), description.end(), '\n', ' ');
    pcm.description = description.empty() ? pcm.name : description;
    std::string direction = HintText(*hint, "IOID");
    pcm.input = direction.empty() || direction == "Input";
    pcm.output = direction.empty() || direction == "Output";
    pcms.push_back(pcm);
  }
  snd_device_name_free_hint(hints);
  return pcms;
}

class AlsaPort : public Port {
public:
  AlsaPort(snd_pcm_t* pcm, bool input, DWORD rate) : m_pcm(pcm), m_input(input), m_period(std::max<DWORD>(rate / 50, 32)) {}
  ~AlsaPort() override {
    if (m_input)
      snd_pcm_drop(m_pcm);
    else
      snd_pcm_drain(m_pcm);
    snd_pcm_close(m_pcm);
  }

  void Work(Device& device) override {
    std::vector<std::int16_t> samples(m_period);
    unsigned resets = device.Resets();
    bool running = false;
    while (!device.Closing()) {
      if (device.Resets() != resets) {
        resets = device.Resets();
        snd_pcm_drop(m_pcm);
        snd_pcm_prepare(m_pcm);
        running = false;
      }
      if (m_input) {
        if (!device.Recording()) {
          if (running) {
            snd_pcm_drop(m_pcm);
            snd_pcm_prepare(m_pcm);
            running = false;
          }
          device.WaitForChange(std::chrono::milliseconds(50));
          continue;
        }
        running = true;
        snd_pcm_sframes_t got = snd_pcm_readi(m_pcm, samples.data(), m_period);
        if (got < 0) {
          Recover(got);
          continue;
        }
        device.Record(samples.data(), static_cast<std::size_t>(got));
      } else {
        std::size_t taken = device.Play(samples.data(), samples.size());
        if (taken == 0) {
          device.WaitForChange(std::chrono::milliseconds(20));
          continue;
        }
        for (std::size_t written = 0; written < taken && !device.Closing();) {
          snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, samples.data() + written, taken - written);
          if (n < 0) {
            if (!Recover(n)) break;
            continue;
          }
          written += static_cast<std::size_t>(n);
        }
      }
    }
  }

private:
  // Overruns and underruns restart the stream; other errors pause a little
  // rather than spin. Answers whether the stream can go on.
  bool Recover(snd_pcm_sframes_t error) {
    if (snd_pcm_recover(m_pcm, static_cast<int>(error), 1) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return false;
  }

  snd_pcm_t* m_pcm;
  const bool m_input;
  const snd_pcm_uframes_t m_period;
};

// Maps a value between two ranges.
long Scale(long value, long fromMin, long fromMax, long toMin, long toMax) {
  if (fromMax <= fromMin) return toMin;
  double f = static_cast<double>(value - fromMin) / static_cast<double>(fromMax - fromMin);
  return toMin + std::lround(f * static_cast<double>(toMax - toMin));
}

// The card's mixer elements, as the model is built from them.
std::vector<AlsaElement> ReadElements(const std::shared_ptr<snd_mixer_t>& mixer) {
  std::vector<AlsaElement> elements;
  for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer.get()); elem; elem = snd_mixer_elem_next(elem)) {
    if (!snd_mixer_selem_is_active(elem)) continue;
    AlsaElement element;
    element.name = snd_mixer_selem_get_name(elem);
    if (snd_mixer_selem_has_capture_volume(elem)) {
      long lo = 0, hi = 0, v = 0;
      snd_mixer_selem_get_capture_volume_range(elem, &lo, &hi);
      snd_mixer_selem_get_capture_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, &v);
      element.volume = static_cast<DWORD>(Scale(v, lo, hi, 0, 65535));
      element.hasVolume = true;
      element.setVolume = [mixer, elem, lo, hi](DWORD value) {
        snd_mixer_selem_set_capture_volume_all(elem, Scale(value, 0, 65535, lo, hi));
      };
    } else if (snd_mixer_selem_has_playback_volume(elem) && element.name.find("Boost") != std::string::npos) {
      // Boosts are often gain stages with a playback volume of a few steps.
      long lo = 0, hi = 0, v = 0;
      snd_mixer_selem_get_playback_volume_range(elem, &lo, &hi);
      snd_mixer_selem_get_playback_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, &v);
      element.switchOn = v > lo;
      element.hasSwitch = true;
      element.setSwitch = [mixer, elem, lo, hi](bool on) { snd_mixer_selem_set_playback_volume_all(elem, on ? hi : lo); };
    }
    if (snd_mixer_selem_has_capture_switch(elem)) {
      int on = 0;
      snd_mixer_selem_get_capture_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &on);
      element.switchOn = on != 0;
      element.hasSwitch = true;
      element.setSwitch = [mixer, elem](bool value) { snd_mixer_selem_set_capture_switch_all(elem, value); };
    }
    if (snd_mixer_selem_is_enumerated(elem) && snd_mixer_selem_is_enum_capture(elem)) {
      int count = snd_mixer_selem_get_enum_items(elem);
      for (int i = 0; i < count; ++i) {
        char text[64] = "";
        snd_mixer_selem_get_enum_item_name(elem, static_cast<unsigned>(i), sizeof text, text);
        element.items.push_back(text);
      }
      unsigned item = 0;
      snd_mixer_selem_get_enum_item(elem, SND_MIXER_SCHN_FRONT_LEFT, &item);
      element.item = item;
      element.setItem = [mixer, elem](unsigned value) { snd_mixer_selem_set_enum_item(elem, SND_MIXER_SCHN_FRONT_LEFT, value); };
    }
    if (element.hasVolume || element.hasSwitch || !element.items.empty()) elements.push_back(std::move(element));
  }
  return elements;
}

std::shared_ptr<snd_mixer_t> OpenMixer(const std::string& device) {
  snd_mixer_t* handle = nullptr;
  if (snd_mixer_open(&handle, 0) < 0) return nullptr;
  std::shared_ptr<snd_mixer_t> mixer(handle, snd_mixer_close);
  if (snd_mixer_attach(handle, device.c_str()) < 0 || snd_mixer_selem_register(handle, nullptr, nullptr) < 0 ||
      snd_mixer_load(handle) < 0)
    return nullptr;
  return mixer;
}

class AlsaBackend : public Backend {
public:
  AlsaBackend() : m_pcms(ListPcms()) {}

  std::vector<DeviceInfo> Devices(bool input) override {
    std::vector<DeviceInfo> devices;
    for (const Pcm& pcm : Usable(input))
      devices.push_back({pcm.description, WAVE_FORMAT_1M16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_4M16});
    return devices;
  }

  MMRESULT Open(bool input, UINT id, DWORD rate, std::unique_ptr<Port>& port) override {
    std::vector<Pcm> pcms = Usable(input);
    if (id >= pcms.size()) return MMSYSERR_BADDEVICEID;
    snd_pcm_t* pcm = nullptr;
    // Opened without waiting, so that a busy device answers at once.
    int r = snd_pcm_open(&pcm, pcms[id].name.c_str(), input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                         SND_PCM_NONBLOCK);
    if (r == -EBUSY) return MMSYSERR_ALLOCATED;
    if (r < 0) return MMSYSERR_NOTENABLED;
    if (snd_pcm_nonblock(pcm, 0) < 0 ||
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, rate, 1, 100000) < 0) {
      snd_pcm_close(pcm);
      return WAVERR_BADFORMAT;
    }
    port = std::make_unique<AlsaPort>(pcm, input, rate);
    return MMSYSERR_NOERROR;
  }

  std::vector<MixerModel> Mixers() override {
    std::vector<MixerModel> mixers;
    std::vector<Pcm> inputs = Usable(true), outputs = Usable(false);
    int cards = 0;
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) ++cards;
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) {
      std::string device = "hw:" + std::to_string(card);
      std::shared_ptr<snd_mixer_t> mixer = OpenMixer(device);
      if (!mixer) continue;
      char* name = nullptr;
      std::string cardName = snd_card_get_name(card, &name) == 0 && name ? name : device;
      std::free(name);
      std::string cardId;
      snd_ctl_t* ctl = nullptr;
      if (snd_ctl_open(&ctl, device.c_str(), 0) == 0) {
        snd_ctl_card_info_t* info;
        snd_ctl_card_info_alloca(&info);
        if (snd_ctl_card_info(ctl, info) == 0) cardId = snd_ctl_card_info_get_id(info);
        snd_ctl_close(ctl);
      }
      MixerModel model = BuildAlsaMixer(cardName, ReadElements(mixer));
      // A device belongs to the card its name gives; with one card, every
      // device does (the default devices name none).
      auto belongs = [&](const Pcm& pcm) {
        return cards == 1 || (!cardId.empty() && pcm.name.find("CARD=" + cardId) != std::string::npos);
      };
      for (UINT i = 0; i < inputs.size(); ++i)
        if (belongs(inputs[i])) model.waveIns.push_back(i);
      for (UINT i = 0; i < outputs.size(); ++i)
        if (belongs(outputs[i])) model.waveOuts.push_back(i);
      mixers.push_back(std::move(model));
    }
    return mixers;
  }

private:
  std::vector<Pcm> Usable(bool input) const {
    std::vector<Pcm> pcms;
    for (const Pcm& pcm : m_pcms)
      if (input ? pcm.input : pcm.output) pcms.push_back(pcm);
    return pcms;
  }

  const std::vector<Pcm> m_pcms;
};

}  // namespace

MixerModel BuildAlsaMixer(const std::string& name, const std::vector<AlsaElement>& elements) {
  MixerModel mixer;
  mixer.name = name;
  MixerLineModel recording;
  recording.componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
  recording.shortName = "Capture";
  recording.name = "Capture";
  recording.targetType = MIXERLINE_TARGETTYPE_WAVEIN;

  auto isBoost = [](const AlsaElement& e) { return e.name.find("Boost") != std::string::npos; };
  const AlsaElement* selector = nullptr;
  std::vector<const AlsaElement*> sources;
  for (const AlsaElement& e : elements) {
    if (!e.items.empty()) {
      if (!selector) selector = &e;
    } else if (!isBoost(e) && e.hasVolume && e.name != "Capture") {
      sources.push_back(&e);
    }
  }
  for (const AlsaElement* e : sources) {
    MixerLineModel line;
    line.shortName = e->name;
    line.name = e->name;
    line.componentType = e->name.find("Mic") != std::string::npos ? MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE
                         : e->name.find("Line") != std::string::npos ? MIXERLINE_COMPONENTTYPE_SRC_LINE
                         : e->name.find("CD") != std::string::npos   ? MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC
                                                                     : MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
    MixerControlModel volume{0, MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", e->name + " Volume", 0, 65535, 65535, {}, {},
                             {static_cast<LONG>(e->volume)}, {}};
    if (e->setVolume) volume.apply = [set = e->setVolume](const std::vector<LONG>& v) { set(static_cast<DWORD>(v[0])); };
    line.controls.push_back(volume);
    for (const AlsaElement& boost : elements) {
      if (!isBoost(boost) || !boost.hasSwitch || boost.name.rfind(e->name + " ", 0) != 0) continue;
      MixerControlModel control{0, MIXERCONTROL_CONTROLTYPE_ONOFF, "Boost", boost.name, 0, 1, 2, {}, {},
                                {boost.switchOn ? 1 : 0}, {}};
      if (boost.setSwitch) control.apply = [set = boost.setSwitch](const std::vector<LONG>& v) { set(v[0] != 0); };
      line.controls.push_back(control);
    }
    recording.sources.push_back(line);
  }

  MixerControlModel mux{0, MIXERCONTROL_CONTROLTYPE_MUX, "Source", "Capture Source", 0, 1, 2, {}, {}, {}, {}};
  if (selector) {
    // The card's own source selector: its items, each tied to the source
    // line of the same name where there is one.
    for (std::size_t i = 0; i < selector->items.size(); ++i) {
      mux.items.push_back(selector->items[i]);
      mux.values.push_back(i == selector->item);
    }
    if (selector->setItem) {
      mux.apply = [set = selector->setItem](const std::vector<LONG>& v) {
        set(static_cast<unsigned>(std::find(v.begin(), v.end(), 1) - v.begin()));
      };
    }
  } else {
    // No selector: the sources' capture switches, of which one is kept on.
    std::vector<std::function<void(bool)>> switches;
    for (const AlsaElement* e : sources) {
      if (!e->hasSwitch) continue;
      mux.items.push_back(e->name);
      mux.values.push_back(0);
      switches.push_back(e->setSwitch);
    }
    std::size_t k = 0, on = 0;
    for (const AlsaElement* e : sources) {
      if (!e->hasSwitch) continue;
      if (e->switchOn) {
        on = k;
        break;
      }
      ++k;
    }
    if (!mux.values.empty()) mux.values[on] = 1;
    mux.apply = [switches](const std::vector<LONG>& v) {
      for (std::size_t i = 0; i < switches.size() && i < v.size(); ++i)
        if (switches[i]) switches[i](v[i] != 0);
    };
  }
  if (!mux.items.empty()) recording.controls.push_back(mux);
  mixer.destinations.push_back(recording);
  NumberMixer(mixer);
  // Items stand for the source of their name (NumberMixer went by order).
  for (MixerControlModel& control : mixer.destinations[0].controls) {
    for (std::size_t i = 0; i < control.items.size(); ++i) {
      control.itemLines[i] = 0;
      for (const MixerLineModel& line : mixer.destinations[0].sources)
        if (line.name == control.items[i]) control.itemLines[i] = line.id;
    }
  }
  return mixer;
}

bool AlsaHasSoundCard() {
  int card = -1;
  return snd_card_next(&card) == 0 && card >= 0;
}

std::unique_ptr<Backend> MakeAlsaBackend() { return std::make_unique<AlsaBackend>(); }

}  // namespace platform::audio::detail
