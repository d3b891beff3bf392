// The microphone's property page: the level on a trackbar (0 to 50 in
// tenths) with its value beside it, and lists of the input devices, the
// rates the chosen device offers and the block sizes. A change of rate or
// block size, a device change when a device was chosen before, and the
// page's apply reopen the module's device with what the lists show.
#ifndef VORN_MODULES_MIC_MICPAGE_H
#define VORN_MODULES_MIC_MICPAGE_H

#include "vorn/modules/common/modulepropertypage.h"
#include "vorn/modules/mic/microphone.h"
#include "vorn/modules/mic/microphonecore.h"

namespace VornMic {

inline constexpr int kIdLevelTrackbar = 202;
inline constexpr int kIdLevelEdit = 203;
inline constexpr int kIdDeviceList = 205;
inline constexpr int kIdRateList = 206;
inline constexpr int kIdBlockSizeList = 207;

class MicrophonePageDialog : public VornModules::ModulePageDialog {
public:
  explicit MicrophonePageDialog(HMODULE resources, REFIID moduleIid = IID_IMicrophoneModule);
  MicrophonePageDialog(std::span<const BYTE> templateBytes, REFIID moduleIid);

  HRESULT ApplyChanges() override;
  void UpdateDisplay() override;
  void DoDataExchange(Platform::DataExchange& exchange) override;
  float PageLevel() const { return m_level; }

protected:
  // The module's behaviour, reached through the module object the page
  // found; null without one.
  virtual MicrophoneCore* Core() = 0;
  void InitializePage() override;

private:
  void Connect();
  void FillRates(MicrophoneCore& core);
  void OnDeviceChange();
  void Reopen(MicrophoneCore& core);
  int SelectedDevice() const;

  float m_level = 1.0f;
};

}  // namespace VornMic

#endif
