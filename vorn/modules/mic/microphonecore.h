// What a microphone module does, over the engine's module object it is
// aggregated with: its settings, its device's life (open, start, close,
// reopen after an overrun), one block per cycle onto the output "Default",
// the level through the mixer, the Enabled rules, and its stored values.
// The module server's COM class forwards its calls here.
//
// The user-interface thread (page, automation) and the engine's run thread
// both reach the device: Activate, Deactivate, Start and Stop take the
// engine module's lock, which the run thread holds around Run, so the
// device is never closed under a running Run.
#ifndef VORN_MODULES_MIC_MICROPHONECORE_H
#define VORN_MODULES_MIC_MICROPHONECORE_H

#include <functional>
#include <string_view>

#include "vorn/interfaces/module.h"
#include "vorn/modules/mic/capture.h"
#include "vorn/modules/mic/micinput.h"

namespace VornModules {
class PropertiesDocument;
}

namespace VornMic {

class MicrophoneCore {
public:
  // The engine module (held without a reference: it lives inside the
  // server object that owns this core).
  explicit MicrophoneCore(IVornModule* module = nullptr) : m_module(module) {}
  void Attach(IVornModule* module) { m_module = module; }
  // Called once the device is open, to publish the output's properties.
  void OnOpened(std::function<void()> publish) { m_publish = std::move(publish); }

  // The defaults and the output "Default" of 128 floats.
  HRESULT Initialize();
  HRESULT Activate();
  HRESULT Deactivate();
  HRESULT Start();
  HRESULT Stop() { return Deactivate(); }
  HRESULT Run();
  HRESULT Save(IDispatch* persist);
  HRESULT Load(IDispatch* persist);
  // What the output "Default" says of its signal: its rate, that it is
  // audio, and its range; other outputs are left alone.
  void WriteOutputProperties(VornModules::PropertiesDocument& document, std::u16string_view output) const;

  // Opens with these settings (they are kept even when the open fails);
  // a module on another machine opens nothing and answers 0. A failure is
  // shown in a message box and answered.
  MMRESULT OpenDevice(int device, long frequency, int blockSize);
  void CloseDevice();

  float Level() const { return m_level; }
  // False, changing nothing, for a level that is not a finite number.
  bool SetAudioLevel(float level);
  float Energy() const { return m_energy; }
  bool Enabled() const { return m_input.IsOpen(); }
  // VARIANT_TRUE activates, VARIANT_FALSE deactivates, anything else is
  // E_INVALIDARG and changes nothing.
  HRESULT PutEnabled(VARIANT_BOOL enabled);
  bool StartPending() const { return m_startPending; }

  int Device() const { return m_device; }
  long Frequency() const { return m_frequency; }
  int BlockSize() const { return m_blockSize; }

private:
  // Runs work under the engine module's lock.
  template <class F>
  HRESULT Locked(F&& work);
  bool IsLocal();

  IVornModule* m_module = nullptr;
  std::function<void()> m_publish;
  MicrophoneInput m_input;
  bool m_startPending = false;
  float m_level = 1.0f;
  float m_energy = 0.0f;
  int m_device = -1;
  int m_blockSize = kDefaultBlockSize;
  long m_frequency = kDefaultFrequency;
};

}  // namespace VornMic

#endif
