// The mixer functions over the backend's mixer models. The models are
// built on first use and kept, with the values callers set, under one lock.
#include <algorithm>

#include "platform/audio/internal.h"

namespace platform::audio::detail {

namespace {

struct Mixers {
  std::mutex mutex;
  bool built = false;
  std::vector<MixerModel> models;
};

Mixers& TheMixers() {
  static Mixers* mixers = new Mixers;
  return *mixers;
}

constexpr DWORD kUnitsMask = 0x00FF0000u;
constexpr DWORD kUnitsUnsigned = 0x00030000u;

bool IsList(const MixerControlModel& control) {
  return (control.type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST;
}

void CopyText(char* field, std::size_t size, const std::string& text) {
  std::size_t n = std::min(text.size(), size - 1);
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// The mixer an object names, per the addressing flags.
MMRESULT Resolve(std::vector<MixerModel>& models, HMIXEROBJ object, DWORD flags, MixerModel*& mixer) {
  auto value = reinterpret_cast<std::uintptr_t>(object);
  DWORD type = flags & MIXER_OBJECTF_TYPEMASK;
  if (type == MIXER_OBJECTF_MIXER) {
    if (value >= models.size()) return MMSYSERR_BADDEVICEID;
    mixer = &models[value];
    return MMSYSERR_NOERROR;
  }
  if (type == MIXER_OBJECTF_HMIXER) return MMSYSERR_INVALHANDLE;  // no mixer is ever opened
  bool input;
  if (type == MIXER_OBJECTF_WAVEIN || type == MIXER_OBJECTF_HWAVEIN)
    input = true;
  else if (type == MIXER_OBJECTF_WAVEOUT || type == MIXER_OBJECTF_HWAVEOUT)
    input = false;
  else
    return MMSYSERR_INVALFLAG;
  UINT count = WaveDeviceCount(input);
  UINT id = 0;
  if (type & MIXER_OBJECTF_HANDLE) {
    // A device number given with the handle flag is taken as the number:
    // no open handle is ever that small.
    if (!WaveHandleDevice(value, input, id)) {
      if (value >= count) return MMSYSERR_INVALHANDLE;
      id = static_cast<UINT>(value);
    }
  } else {
    if (value >= count) return MMSYSERR_BADDEVICEID;
    id = static_cast<UINT>(value);
  }
  for (MixerModel& model : models) {
    const std::vector<UINT>& ids = input ? model.waveIns : model.waveOuts;
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
      mixer = &model;
      return MMSYSERR_NOERROR;
    }
  }
  return MMSYSERR_NODRIVER;
}

std::vector<MixerModel>& ModelsLocked(Mixers& mixers) {
  if (!mixers.built) {
    mixers.models = CurrentBackend().Mixers();
    mixers.built = true;
  }
  return mixers.models;
}

// Runs work on the addressed mixer under the lock. Locks are taken in one
// order: this one, then the wave registry's, then the backend's.
template <class Work>
MMRESULT WithMixer(HMIXEROBJ object, DWORD flags, DWORD queryMask, Work work) {
  if (flags & ~(MIXER_OBJECTF_TYPEMASK | queryMask)) return MMSYSERR_INVALFLAG;
  Mixers& mixers = TheMixers();
  std::lock_guard lock(mixers.mutex);
  MixerModel* mixer = nullptr;
  if (MMRESULT r = Resolve(ModelsLocked(mixers), object, flags, mixer)) return r;
  return work(*mixer);
}

struct Found {
  MixerLineModel* line = nullptr;
  MixerLineModel* destination = nullptr;
  DWORD destinationIndex = 0;
  DWORD sourceIndex = 0;
};

template <class Test>
Found FindLine(MixerModel& mixer, Test test) {
  for (DWORD d = 0; d < mixer.destinations.size(); ++d) {
    MixerLineModel& destination = mixer.destinations[d];
    if (test(destination)) return {&destination, &destination, d, 0};
    for (DWORD s = 0; s < destination.sources.size(); ++s)
      if (test(destination.sources[s])) return {&destination.sources[s], &destination, d, s};
  }
  return {};
}

MixerControlModel* FindControl(MixerModel& mixer, DWORD id, DWORD* lineId) {
  MixerControlModel* found = nullptr;
  FindLine(mixer, [&](MixerLineModel& line) {
    for (MixerControlModel& control : line.controls) {
      if (control.id == id) {
        found = &control;
        if (lineId) *lineId = line.id;
        return true;
      }
    }
    return false;
  });
  return found;
}

void FillLine(const MixerModel& mixer, const Found& found, MIXERLINE& info) {
  const MixerLineModel& line = *found.line;
  bool source = found.line != found.destination;
  info.dwDestination = found.destinationIndex;
  info.dwSource = source ? found.sourceIndex : 0;
  info.dwLineID = line.id;
  info.fdwLine = MIXERLINE_LINEF_ACTIVE | (source ? MIXERLINE_LINEF_SOURCE : 0);
  info.dwUser = 0;
  info.dwComponentType = line.componentType;
  info.cChannels = 1;
  info.cConnections = source ? 0 : static_cast<DWORD>(line.sources.size());
  info.cControls = static_cast<DWORD>(line.controls.size());
  CopyText(info.szShortName, sizeof info.szShortName, line.shortName);
  CopyText(info.szName, sizeof info.szName, line.name);
  info.Target = {};
  info.Target.dwType = line.targetType;
  const std::vector<UINT>& ids = line.targetType == MIXERLINE_TARGETTYPE_WAVEOUT ? mixer.waveOuts : mixer.waveIns;
  info.Target.dwDeviceID = line.targetType != MIXERLINE_TARGETTYPE_UNDEFINED && !ids.empty() ? ids[0] : 0;
  info.Target.vDriverVersion = 0x0100;
  CopyText(info.Target.szPname, sizeof info.Target.szPname, mixer.name);
}

void FillControl(const MixerControlModel& control, MIXERCONTROL& info) {
  std::memset(&info, 0, sizeof info);
  info.cbStruct = sizeof info;
  info.dwControlID = control.id;
  info.dwControlType = control.type;
  info.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM | (IsList(control) ? MIXERCONTROL_CONTROLF_MULTIPLE : 0);
  info.cMultipleItems = static_cast<DWORD>(control.items.size());
  CopyText(info.szShortName, sizeof info.szShortName, control.shortName);
  CopyText(info.szName, sizeof info.szName, control.name);
  info.Bounds.s.lMinimum = control.minimum;
  info.Bounds.s.lMaximum = control.maximum;
  info.Metrics.cSteps = control.steps;
}

// Checks the shape of a details request against the control: one channel,
// and one value per item of a list control.
MMRESULT CheckDetails(const MixerControlModel& control, const MIXERCONTROLDETAILS& details, std::size_t itemSize) {
  if (details.cChannels != 1 || !details.paDetails || details.cbDetails < itemSize) return MMSYSERR_INVALPARAM;
  DWORD items = IsList(control) ? static_cast<DWORD>(control.items.size()) : 0;
  if (details.cMultipleItems != items) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

}  // namespace

void NumberMixer(MixerModel& mixer) {
  DWORD next = 1;
  for (DWORD d = 0; d < mixer.destinations.size(); ++d) {
    MixerLineModel& destination = mixer.destinations[d];
    destination.id = d;
    for (MixerControlModel& control : destination.controls) control.id = next++;
    for (DWORD s = 0; s < destination.sources.size(); ++s) {
      destination.sources[s].id = (s + 1) << 16 | d;
      for (MixerControlModel& control : destination.sources[s].controls) control.id = next++;
    }
    // A source selector's items stand for the destination's sources.
    for (MixerControlModel& control : destination.controls) {
      if (!IsList(control)) continue;
      control.itemLines.clear();
      for (DWORD i = 0; i < control.items.size(); ++i)
        control.itemLines.push_back(i < destination.sources.size() ? destination.sources[i].id : 0);
    }
  }
}

void ResetMixers() {
  Mixers& mixers = TheMixers();
  std::lock_guard lock(mixers.mutex);
  mixers.built = false;
  mixers.models.clear();
}

}  // namespace platform::audio::detail

using namespace platform::audio::detail;

UINT mixerGetNumDevs() {
  Mixers& mixers = TheMixers();
  std::lock_guard lock(mixers.mutex);
  return static_cast<UINT>(ModelsLocked(mixers).size());
}

MMRESULT mixerGetDevCaps(UINT_PTR uMxId, LPMIXERCAPS pmxcaps, UINT cbmxcaps) {
  if (!pmxcaps) return MMSYSERR_INVALPARAM;
  return WithMixer(reinterpret_cast<HMIXEROBJ>(uMxId), MIXER_OBJECTF_MIXER, 0, [&](MixerModel& mixer) {
    MIXERCAPS caps{};
    caps.vDriverVersion = 0x0100;
    CopyText(caps.szPname, sizeof caps.szPname, mixer.name);
    caps.cDestinations = static_cast<DWORD>(mixer.destinations.size());
    std::memcpy(pmxcaps, &caps, std::min<std::size_t>(cbmxcaps, sizeof caps));
    return MMSYSERR_NOERROR;
  });
}

MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, LPMIXERLINE pmxl, DWORD fdwInfo) {
  if (!pmxl || pmxl->cbStruct < sizeof(MIXERLINE)) return MMSYSERR_INVALPARAM;
  return WithMixer(hmxobj, fdwInfo, MIXER_GETLINEINFOF_QUERYMASK, [&](MixerModel& mixer) {
    Found found;
    switch (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) {
      case MIXER_GETLINEINFOF_DESTINATION:
        if (pmxl->dwDestination < mixer.destinations.size()) {
          MixerLineModel& destination = mixer.destinations[pmxl->dwDestination];
          found = {&destination, &destination, pmxl->dwDestination, 0};
        }
        break;
      case MIXER_GETLINEINFOF_SOURCE:
        if (pmxl->dwDestination < mixer.destinations.size()) {
          MixerLineModel& destination = mixer.destinations[pmxl->dwDestination];
          if (pmxl->dwSource < destination.sources.size())
            found = {&destination.sources[pmxl->dwSource], &destination, pmxl->dwDestination, pmxl->dwSource};
        }
        break;
      case MIXER_GETLINEINFOF_LINEID:
        found = FindLine(mixer, [&](MixerLineModel& line) { return line.id == pmxl->dwLineID; });
        break;
      case MIXER_GETLINEINFOF_COMPONENTTYPE:
        found = FindLine(mixer, [&](MixerLineModel& line) { return line.componentType == pmxl->dwComponentType; });
        break;
      default:
        return MMSYSERR_INVALFLAG;
    }
    if (!found.line) return MIXERR_INVALLINE;
    FillLine(mixer, found, *pmxl);
    return MMSYSERR_NOERROR;
  });
}

MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, LPMIXERLINECONTROLS pmxlc, DWORD fdwControls) {
  if (!pmxlc || pmxlc->cbStruct < sizeof(MIXERLINECONTROLS) || pmxlc->cbmxctrl < sizeof(MIXERCONTROL) ||
      !pmxlc->pamxctrl)
    return MMSYSERR_INVALPARAM;
  return WithMixer(hmxobj, fdwControls, MIXER_GETLINECONTROLSF_QUERYMASK, [&](MixerModel& mixer) {
    auto at = [&](DWORD i) {
      return reinterpret_cast<MIXERCONTROL*>(reinterpret_cast<char*>(pmxlc->pamxctrl) + std::size_t{i} * pmxlc->cbmxctrl);
    };
    DWORD query = fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK;
    if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
      DWORD lineId = 0;
      MixerControlModel* control = FindControl(mixer, pmxlc->dwControlID, &lineId);
      if (!control) return MIXERR_INVALCONTROL;
      FillControl(*control, *at(0));
      pmxlc->dwLineID = lineId;
      return MMSYSERR_NOERROR;
    }
    if (query != MIXER_GETLINECONTROLSF_ALL && query != MIXER_GETLINECONTROLSF_ONEBYTYPE) return MMSYSERR_INVALFLAG;
    Found found = FindLine(mixer, [&](MixerLineModel& line) { return line.id == pmxlc->dwLineID; });
    if (!found.line) return MIXERR_INVALLINE;
    std::vector<MixerControlModel>& controls = found.line->controls;
    if (query == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
      auto it = std::find_if(controls.begin(), controls.end(),
                             [&](const MixerControlModel& c) { return c.type == pmxlc->dwControlType; });
      if (it == controls.end()) return MIXERR_INVALCONTROL;
      FillControl(*it, *at(0));
      return MMSYSERR_NOERROR;
    }
    if (pmxlc->cControls == 0) return MMSYSERR_INVALPARAM;
    DWORD count = std::min(pmxlc->cControls, static_cast<DWORD>(controls.size()));
    for (DWORD i = 0; i < count; ++i) FillControl(controls[i], *at(i));
    pmxlc->cControls = count;
    return MMSYSERR_NOERROR;
  });
}

MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
  if (!pmxcd || pmxcd->cbStruct < sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  return WithMixer(hmxobj, fdwDetails, MIXER_GETCONTROLDETAILSF_QUERYMASK, [&](MixerModel& mixer) {
    MixerControlModel* control = FindControl(mixer, pmxcd->dwControlID, nullptr);
    if (!control) return MIXERR_INVALCONTROL;
    auto* bytes = static_cast<char*>(pmxcd->paDetails);
    switch (fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK) {
      case MIXER_GETCONTROLDETAILSF_VALUE:
        if (MMRESULT r = CheckDetails(*control, *pmxcd, sizeof(LONG))) return r;
        for (std::size_t i = 0; i < control->values.size(); ++i)
          std::memcpy(bytes + i * pmxcd->cbDetails, &control->values[i], sizeof(LONG));
        return MMSYSERR_NOERROR;
      case MIXER_GETCONTROLDETAILSF_LISTTEXT:
        if (!IsList(*control)) return MMSYSERR_INVALPARAM;
        if (MMRESULT r = CheckDetails(*control, *pmxcd, sizeof(MIXERCONTROLDETAILS_LISTTEXT))) return r;
        for (std::size_t i = 0; i < control->items.size(); ++i) {
          MIXERCONTROLDETAILS_LISTTEXT text{};
          text.dwParam1 = i < control->itemLines.size() ? control->itemLines[i] : 0;
          Found line = FindLine(mixer, [&](MixerLineModel& l) { return l.id == text.dwParam1; });
          text.dwParam2 = line.line ? line.line->componentType : 0;
          CopyText(text.szName, sizeof text.szName, control->items[i]);
          std::memcpy(bytes + i * pmxcd->cbDetails, &text, sizeof text);
        }
        return MMSYSERR_NOERROR;
      default:
        return MMSYSERR_INVALFLAG;
    }
  });
}

MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
  if (!pmxcd || pmxcd->cbStruct < sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  return WithMixer(hmxobj, fdwDetails, MIXER_SETCONTROLDETAILSF_QUERYMASK, [&](MixerModel& mixer) {
    if ((fdwDetails & MIXER_SETCONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE)
      return MMSYSERR_INVALFLAG;
    MixerControlModel* control = FindControl(mixer, pmxcd->dwControlID, nullptr);
    if (!control) return MIXERR_INVALCONTROL;
    if (MMRESULT r = CheckDetails(*control, *pmxcd, sizeof(LONG))) return r;
    const bool isUnsigned = (control->type & kUnitsMask) == kUnitsUnsigned;
    std::vector<LONG> values(control->values.size());
    int selected = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      std::memcpy(&values[i], static_cast<char*>(pmxcd->paDetails) + i * pmxcd->cbDetails, sizeof(LONG));
      std::int64_t v = isUnsigned ? std::int64_t{static_cast<DWORD>(values[i])} : std::int64_t{values[i]};
      if (v < control->minimum || v > control->maximum) return MIXERR_INVALVALUE;
      selected += values[i] != 0;
    }
    // A source selector records from exactly one source.
    if (control->type == MIXERCONTROL_CONTROLTYPE_MUX && selected != 1) return MIXERR_INVALVALUE;
    control->values = values;
    if (control->apply) control->apply(values);
    return MMSYSERR_NOERROR;
  });
}
