// The speaker's property page: the gain (a trackbar of 0 to 10 in steps
// of 0.1, applied from the next buffer) and the output device (applied by
// reopening the device with the page's Apply).
#ifndef VORN_MODULES_VOICE_SPEAKERPAGE_H
#define VORN_MODULES_VOICE_SPEAKERPAGE_H

#include <span>

#include "vorn/modules/common/modulepropertypage.h"
#include "vorn/modules/voice/speaker.h"
#include "vorn/modules/voice/speakercore.h"

namespace VornVoice {

inline constexpr int kGainSlider = 202;
inline constexpr int kGainEdit = 203;
inline constexpr int kDeviceList = 205;

class SpeakerPageDialog : public VornModules::ModulePageDialog {
public:
  // The page of template 201 in resources, or of the template bytes, for
  // modules that answer moduleIid.
  explicit SpeakerPageDialog(HMODULE resources, REFIID moduleIid = IID_ISpeakerModule);
  SpeakerPageDialog(std::span<const BYTE> templateBytes, REFIID moduleIid);

  HRESULT ApplyChanges() override;
  void UpdateDisplay() override;
  void DoDataExchange(Platform::DataExchange& exchange) override;
  BOOL OnInitDialog() override;

  float GainCopy() const { return m_fGain; }

protected:
  // The module's behaviour, reached through the module object the page
  // found; null without one.
  virtual SpeakerCore* Core() = 0;
  void InitializePage() override;

private:
  void ConnectHandlers();
  void DeviceChanged();
  void GainMoved();

  float m_fGain = -1.0f;  // the page's copy; none yet, so the first display takes the module's
};

}  // namespace VornVoice

#endif
