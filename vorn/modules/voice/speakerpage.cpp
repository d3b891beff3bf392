#include "vorn/modules/voice/speakerpage.h"

#include <cmath>


namespace VornVoice {

SpeakerPageDialog::SpeakerPageDialog(HMODULE resources, REFIID moduleIid) : ModulePageDialog(moduleIid, resources) {
  ConnectHandlers();
}

SpeakerPageDialog::SpeakerPageDialog(std::span<const BYTE> templateBytes, REFIID moduleIid)
    : ModulePageDialog(moduleIid, templateBytes) {
  ConnectHandlers();
}

void SpeakerPageDialog::ConnectHandlers() {
  OnSelChange(kDeviceList, [this] { DeviceChanged(); });
  OnSliderScroll(kGainSlider, [this](int) { GainMoved(); });
}

void SpeakerPageDialog::DoDataExchange(Platform::DataExchange& exchange) {
  ModulePageDialog::DoDataExchange(exchange);
  exchange.Text(kGainEdit, m_fGain);
}

BOOL SpeakerPageDialog::OnInitDialog() {
  // The base runs InitializePage under the module's lock and leaves the
  // page clean; the display follows, under the lock again.
  const BOOL result = ModulePageDialog::OnInitDialog();
  UpdateDisplay();
  return result;
}

void SpeakerPageDialog::InitializePage() {
  if (auto* slider = GetDlgItemAs<Platform::Slider>(kGainSlider)) slider->SetRange(0, 100);
  auto* list = GetDlgItemAs<Platform::ComboBox>(kDeviceList);
  SpeakerCore* core = Core();
  if (list == nullptr || core == nullptr) return;
  list->ResetContent();
  const UINT devices = waveOutGetNumDevs();
  for (UINT i = 0; i < devices; ++i) {
    WAVEOUTCAPS caps{};
    if (waveOutGetDevCaps(i, &caps, sizeof caps) != MMSYSERR_NOERROR) caps.szPname[0] = '\0';
    list->AddString(caps.szPname);
  }
  // The list is in device order, so a position is a device number; the
  // module's own device is shown when it names one.
  const int device = core->Device();
  list->SetCurSel(device >= 0 && device < static_cast<int>(devices) ? device : 0);
  EnableDlgItem(kDeviceList, devices > 1);
  DeviceChanged();
}

void SpeakerPageDialog::UpdateDisplay() {
  SpeakerCore* core = Core();
  if (core == nullptr) return;
  WithModuleLocked([&] {
    if (core->Gain() != m_fGain) {
      m_fGain = core->Gain();
      if (auto* slider = GetDlgItemAs<Platform::Slider>(kGainSlider))
        slider->SetPos(static_cast<int>(std::lround(m_fGain * 10.0f)));
      UpdateData(FALSE);
    }
    VARIANT_BOOL local = VARIANT_TRUE;
    if (core->EngineModule() != nullptr) core->EngineModule()->get_IsLocal(&local);
    EnableDlgItem(kDeviceList, local != VARIANT_FALSE && waveOutGetNumDevs() > 1);
    return false;
  });
}

void SpeakerPageDialog::DeviceChanged() {
  auto* list = GetDlgItemAs<Platform::ComboBox>(kDeviceList);
  SpeakerCore* core = Core();
  if (list == nullptr || core == nullptr) return;
  bool differs = false;
  WithModuleLocked([&] {
    differs = list->GetCurSel() != core->Device();
    return false;
  });
  if (differs) MarkDirty();
}

HRESULT SpeakerPageDialog::ApplyChanges() {
  auto* list = GetDlgItemAs<Platform::ComboBox>(kDeviceList);
  SpeakerCore* core = Core();
  if (list == nullptr || core == nullptr) return S_OK;
  WithModuleLocked([&] {
    core->SetDevice(list->GetCurSel());
    core->Reopen();
    return true;
  });
  return S_OK;
}

void SpeakerPageDialog::GainMoved() {
  auto* slider = GetDlgItemAs<Platform::Slider>(kGainSlider);
  SpeakerCore* core = Core();
  if (slider == nullptr || core == nullptr) return;
  WithModuleLocked([&] {
    m_fGain = static_cast<float>(slider->GetPos()) * 0.1f;
    core->SetGain(m_fGain);
    UpdateData(FALSE);
    return true;
  });
}

}  // namespace VornVoice
