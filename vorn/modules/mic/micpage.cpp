#include "vorn/modules/mic/micpage.h"

#include <charconv>
#include <string>

namespace VornMic {

using Platform::ComboBox;

MicrophonePageDialog::MicrophonePageDialog(HMODULE resources, REFIID moduleIid)
    : ModulePageDialog(moduleIid, resources) {
  Connect();
}

MicrophonePageDialog::MicrophonePageDialog(std::span<const BYTE> templateBytes, REFIID moduleIid)
    : ModulePageDialog(moduleIid, templateBytes) {
  Connect();
}

void MicrophonePageDialog::Connect() {
  OnSelChange(kIdDeviceList, [this] { OnDeviceChange(); });
  auto reopen = [this] {
    WithModuleLocked([this] {
      if (MicrophoneCore* core = Core()) Reopen(*core);
      return true;
    });
  };
  OnSelChange(kIdRateList, reopen);
  OnSelChange(kIdBlockSizeList, reopen);
  OnSliderScroll(kIdLevelTrackbar, [this](int) {
    WithModuleLocked([this] {
      MicrophoneCore* core = Core();
      auto* slider = GetDlgItemAs<Platform::Slider>(kIdLevelTrackbar);
      if (core == nullptr || slider == nullptr) return false;
      m_level = static_cast<float>(slider->GetPos()) * 0.1f;
      core->SetAudioLevel(m_level);
      UpdateData(FALSE);
      return true;
    });
  });
}

void MicrophonePageDialog::DoDataExchange(Platform::DataExchange& exchange) {
  ModulePageDialog::DoDataExchange(exchange);
  exchange.Text(kIdLevelEdit, m_level);
}

int MicrophonePageDialog::SelectedDevice() const {
  auto* devices = GetDlgItemAs<ComboBox>(kIdDeviceList);
  const int selected = devices ? devices->GetCurSel() : -1;
  return selected >= 0 ? selected : -1;
}

void MicrophonePageDialog::InitializePage() {
  MicrophoneCore* core = Core();
  if (core == nullptr) return;
  if (auto* slider = GetDlgItemAs<Platform::Slider>(kIdLevelTrackbar)) slider->SetRange(0, 500);
  if (auto* sizes = GetDlgItemAs<ComboBox>(kIdBlockSizeList)) {
    sizes->ResetContent();
    for (int size : kBlockSizes) sizes->AddString(std::to_string(size));
  }
  if (auto* devices = GetDlgItemAs<ComboBox>(kIdDeviceList)) {
    devices->ResetContent();
    // In device order: a position in the list is the device's number.
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
      WAVEINCAPS caps{};
      waveInGetDevCaps(i, &caps, sizeof caps);
      devices->AddString(caps.szPname);
    }
    // The module's own device shown, so that opening the page changes nothing.
    const int device = core->Device();
    devices->SetCurSel(device >= 0 && device < static_cast<int>(count) ? device : 0);
    devices->EnableWindow(count > 1);
  }
  FillRates(*core);
  m_level = core->Level() + 1.0f;  // differs: the display update takes the module's
  UpdateDisplay();
}

void MicrophonePageDialog::UpdateDisplay() {
  WithModuleLocked([this] {
    MicrophoneCore* core = Core();
    if (core == nullptr) return false;
    auto* sizes = GetDlgItemAs<ComboBox>(kIdBlockSizeList);
    if (sizes && !sizes->GetDroppedState()) sizes->SetCurSel(BlockSizeEntry(core->BlockSize()));
    if (core->Level() != m_level) {
      m_level = core->Level();
      if (auto* slider = GetDlgItemAs<Platform::Slider>(kIdLevelTrackbar))
        slider->SetPos(static_cast<int>(m_level * 10.0f));
      UpdateData(FALSE);
    }
    CComQIPtr<IVornModule> module(Module());
    VARIANT_BOOL local = VARIANT_TRUE;
    if (module) module->get_IsLocal(&local);
    if (auto* devices = GetDlgItemAs<ComboBox>(kIdDeviceList))
      devices->EnableWindow(local != VARIANT_FALSE && devices->GetCount() > 1);
    return false;
  });
}

void MicrophonePageDialog::FillRates(MicrophoneCore& core) {
  auto* rates = GetDlgItemAs<ComboBox>(kIdRateList);
  if (rates == nullptr) return;
  WAVEINCAPS caps{};
  const int device = SelectedDevice();
  if (device < 0 || waveInGetDevCaps(static_cast<UINT_PTR>(device), &caps, sizeof caps) != MMSYSERR_NOERROR)
    caps.dwFormats = 0;
  const std::vector<RateChoice> offered = RatesOffered(caps.dwFormats);
  rates->ResetContent();
  for (const RateChoice& rate : offered) rates->AddString(rate.text);
  rates->SetCurSel(0);
  // Compared as numbers: 22050 is the "22.05" entry.
  if (const int entry = FindRate(offered, core.Frequency()); entry >= 0) rates->SetCurSel(entry);
}

void MicrophonePageDialog::OnDeviceChange() {
  WithModuleLocked([this] {
    MicrophoneCore* core = Core();
    if (core == nullptr) return false;
    FillRates(*core);
    if (core->Device() != -1) {
      Reopen(*core);
    } else if (SelectedDevice() != core->Device()) {
      SetModified(true);
    }
    return true;
  });
}

void MicrophonePageDialog::Reopen(MicrophoneCore& core) {
  auto* rates = GetDlgItemAs<ComboBox>(kIdRateList);
  auto* sizes = GetDlgItemAs<ComboBox>(kIdBlockSizeList);
  long rate = rates && rates->GetCurSel() >= 0 ? RateFromText(rates->GetLBText(rates->GetCurSel())) : 0;
  if (rate <= 0) rate = core.Frequency();
  int blockSize = core.BlockSize();
  if (sizes && sizes->GetCurSel() >= 0) {
    const std::string text = sizes->GetLBText(sizes->GetCurSel());
    std::from_chars(text.data(), text.data() + text.size(), blockSize);
  }
  core.CloseDevice();
  core.OpenDevice(SelectedDevice(), rate, blockSize);
}

HRESULT MicrophonePageDialog::ApplyChanges() {
  WithModuleLocked([this] {
    if (MicrophoneCore* core = Core()) Reopen(*core);
    return true;
  });
  return S_OK;
}

}  // namespace VornMic
