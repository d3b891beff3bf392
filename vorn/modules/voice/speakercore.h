// What a speaker module does, over the engine's module object it is
// aggregated with: blocks of floats from the input "Default" queued and
// played as 16-bit mono sound on a wave-output device, at the rate the
// input's connection properties announce (SamplesPerSecond), the queue's
// fill reported on the output "Default", the Enabled rules, and its stored
// values. The module server's COM class forwards its calls here.
//
// The run thread calls Run under the engine module's lock; everything that
// opens, closes or changes the device from another thread (the page,
// scripts through Enabled, the engine's Activate, Deactivate, Start and
// Stop) takes that lock too, so the device is never closed under a Run.
#ifndef VORN_MODULES_VOICE_SPEAKERCORE_H
#define VORN_MODULES_VOICE_SPEAKERCORE_H

#include <string_view>

#include "vorn/interfaces/module.h"
#include "vorn/modules/common/properties.h"
#include "vorn/modules/voice/samplering.h"
#include "vorn/modules/voice/speakeroutput.h"

namespace VornVoice {

inline constexpr char16_t kDefault[] = u"Default";
inline constexpr long kDefaultFrequency = 11025;

class SpeakerCore {
public:
  // The engine module (held without a reference: it lives inside the
  // server object that owns this core).
  explicit SpeakerCore(IVornModule* module = nullptr) : m_module(module) {}
  void Attach(IVornModule* module) { m_module = module; }
  IVornModule* EngineModule() const { return m_module; }

  // The defaults, the input "Default" (128 floats, blocks of any length
  // taken) and the output "Default" (5 floats).
  HRESULT Initialize();
  HRESULT Activate();
  HRESULT Deactivate();
  HRESULT Start() { return Activate(); }
  // The device stays open while the engine is stopped: what was written
  // plays out.
  HRESULT Stop();
  // One cycle; the caller has checked the input's properties first.
  HRESULT Run();
  HRESULT Save(IDispatch* persist);
  HRESULT Load(IDispatch* persist);
  // The properties of input name changed: a new SamplesPerSecond on
  // "Default" reopens the device at that rate; an absent or non-positive
  // one is no rate and changes nothing.
  void OnInputProperties(VornModules::PropertiesDocument& document, std::u16string_view name);

  bool Enabled() const;
  // VARIANT_TRUE activates, VARIANT_FALSE deactivates, anything else is
  // E_INVALIDARG and changes nothing.
  HRESULT PutEnabled(VARIANT_BOOL enabled);

  // For the page, which calls them under the engine module's lock.
  float Gain() const { return m_gain; }
  void SetGain(float gain) { m_gain = gain; }
  int Device() const { return m_device; }
  void SetDevice(int device) { m_device = device; }
  long Frequency() const { return m_frequency; }
  int Buffers() const { return m_output.Buffers(); }
  // Closes the device and opens it with the stored settings; a failure is
  // shown in a message box and answered (0 when it opened).
  MMRESULT Reopen();
  void CloseDevice() { m_output.Close(); }

private:
  MMRESULT OpenDevice();

  IVornModule* m_module = nullptr;
  SpeakerOutput m_output;
  SampleRing m_ring;
  long m_frequency = kDefaultFrequency;
  int m_device = -1;
  float m_gain = 1.0f;
};

}  // namespace VornVoice

#endif
