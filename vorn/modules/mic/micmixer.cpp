#include "vorn/modules/mic/micmixer.h"

#include <string_view>
#include <vector>

#include "platform/audio/audio.h"
#include "vorn/modules/mic/capture.h"

namespace VornMic {

namespace {

constexpr DWORD kMaxControls = 12;

HMIXEROBJ Mixer() { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)); }

bool Contains(const char* text, std::string_view part) { return std::string_view(text).find(part) != std::string_view::npos; }

std::vector<MIXERCONTROL> Controls(DWORD lineId, DWORD room) {
  std::vector<MIXERCONTROL> controls(room);
  MIXERLINECONTROLS request{};
  request.cbStruct = sizeof request;
  request.dwLineID = lineId;
  request.cControls = room;
  request.cbmxctrl = sizeof(MIXERCONTROL);
  request.pamxctrl = controls.data();
  if (mixerGetLineControls(Mixer(), &request, MIXER_OBJECTF_WAVEIN | MIXER_GETLINECONTROLSF_ALL) !=
      MMSYSERR_NOERROR)
    return {};
  controls.resize(request.cControls);
  return controls;
}

template <class Detail>
MMRESULT Details(const MIXERCONTROL& control, std::vector<Detail>& values, DWORD flags, bool set) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;
  details.cMultipleItems = control.cMultipleItems;
  details.cbDetails = sizeof(Detail);
  details.paDetails = values.data();
  return set ? mixerSetControlDetails(Mixer(), &details, MIXER_OBJECTF_WAVEIN | flags)
             : mixerGetControlDetails(Mixer(), &details, MIXER_OBJECTF_WAVEIN | flags);
}

void SetValue(const MIXERCONTROL& control, DWORD value) {
  std::vector<MIXERCONTROLDETAILS_UNSIGNED> values{{value}};
  Details(control, values, MIXER_SETCONTROLDETAILSF_VALUE, true);
}

// The first control of the recording destination selects its source.
void SelectMicrophone(const MIXERLINE& destination) {
  const std::vector<MIXERCONTROL> first = Controls(destination.dwLineID, 1);
  if (first.empty() || first[0].cMultipleItems == 0) return;
  const MIXERCONTROL& selector = first[0];
  std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(selector.cMultipleItems);
  std::vector<MIXERCONTROLDETAILS_BOOLEAN> values(selector.cMultipleItems);
  if (Details(selector, texts, MIXER_GETCONTROLDETAILSF_LISTTEXT, false) != MMSYSERR_NOERROR) return;
  Details(selector, values, MIXER_GETCONTROLDETAILSF_VALUE, false);
  for (std::size_t i = 0; i < values.size(); ++i) values[i].fValue = Contains(texts[i].szName, "Mic") ? 1 : 0;
  Details(selector, values, MIXER_SETCONTROLDETAILSF_VALUE, true);
}

}  // namespace

void SetMixerLevel(float level) {
  MIXERLINE destination{};
  destination.cbStruct = sizeof destination;
  destination.dwDestination = 0;
  if (mixerGetLineInfo(Mixer(), &destination, MIXER_OBJECTF_WAVEIN | MIXER_GETLINEINFOF_DESTINATION) !=
      MMSYSERR_NOERROR)
    return;
  SelectMicrophone(destination);

  for (DWORD source = 0; source < destination.cConnections; ++source) {
    MIXERLINE line{};
    line.cbStruct = sizeof line;
    line.dwDestination = 0;
    line.dwSource = source;
    if (mixerGetLineInfo(Mixer(), &line, MIXER_OBJECTF_WAVEIN | MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR)
      continue;
    if (!Contains(line.szShortName, "Mic")) continue;
    const std::vector<MIXERCONTROL> controls = Controls(line.dwLineID, kMaxControls);
    bool hasBoost = false;
    for (const MIXERCONTROL& control : controls) hasBoost = hasBoost || IsBoostControl(control.szName);
    const MixerLevel settings = MixerLevelFor(level, hasBoost);
    for (const MIXERCONTROL& control : controls)
      if (IsBoostControl(control.szName)) SetValue(control, settings.boost ? 1 : 0);
    for (const MIXERCONTROL& control : controls) {
      if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) {
        SetValue(control, settings.volume);
        break;
      }
    }
    return;
  }
}

}  // namespace VornMic
