#include "vorn/modules/mic/microphonecore.h"

#include <cmath>
#include <string>

#include "platform/com/com.h"
#include "platform/ui/messagebox.h"
#include "vorn/interfaces/registrar.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/common/properties.h"
#include "vorn/modules/common/storedvalue.h"
#include "vorn/modules/mic/micmixer.h"

namespace VornMic {

namespace {

constexpr char16_t kOutput[] = u"Default";
// A stored block size outside this is no block size the page offers, nor
// one worth allocating 50 buffers of.
constexpr int kLargestBlockSize = 65536;

void Check(HRESULT hr, REFIID iid) {
  if (FAILED(hr)) VornModules::ThrowComError(hr, iid);
}

// The persist object the engine hands to Save and Load; an object that is
// none fails as a call through the missing interface would.
CComPtr<IVornPersist> Persist(IDispatch* object) {
  CComPtr<IVornPersist> persist;
  if (object != nullptr) {
    const HRESULT hr = object->QueryInterface(IID_IVornPersist, reinterpret_cast<void**>(&persist));
    if (hr != E_NOINTERFACE) Check(hr, IID_IVornPersist);
  }
  if (!persist) VornModules::ThrowComError(E_POINTER, IID_IVornPersist);
  return persist;
}

float LoadFloat(IVornPersist* persist, const char16_t* name) {
  CComBSTR text(name);
  float value = 0.0f;
  Check(persist->LoadFloatValue(text, &value), IID_IVornPersist);
  return value;
}

void SaveFloat(IVornPersist* persist, const char16_t* name, float value) {
  CComBSTR text(name);
  Check(persist->SaveFloatValue(text, value), IID_IVornPersist);
}

}  // namespace

template <class F>
HRESULT MicrophoneCore::Locked(F&& work) {
  if (m_module == nullptr) return work();
  Check(m_module->Lock(), IID_IVornModule);
  HRESULT hr = S_OK;
  try {
    hr = work();
  } catch (...) {
    m_module->Unlock();
    throw;
  }
  Check(m_module->Unlock(), IID_IVornModule);
  return hr;
}

bool MicrophoneCore::IsLocal() {
  if (m_module == nullptr) return true;
  VARIANT_BOOL local = VARIANT_FALSE;
  Check(m_module->get_IsLocal(&local), IID_IVornModule);
  return local != VARIANT_FALSE;
}

HRESULT MicrophoneCore::Initialize() {
  if (m_module != nullptr) {
    CComBSTR name(kOutput);
    Check(m_module->DefineOutput(name, ctFloatArray, kDefaultBlockSize), IID_IVornModule);
  }
  SetAudioLevel(1.0f);
  m_energy = 0.0f;
  m_input.Close();
  m_frequency = kDefaultFrequency;
  m_blockSize = kDefaultBlockSize;
  m_device = -1;
  m_startPending = false;
  return S_OK;
}

MMRESULT MicrophoneCore::OpenDevice(int device, long frequency, int blockSize) {
  m_device = device;
  m_frequency = frequency;
  m_blockSize = blockSize;
  m_input.Close();
  m_startPending = false;
  if (!IsLocal()) return 0;
  const MMRESULT result = m_input.Open(static_cast<UINT>(device), frequency, blockSize);
  if (result != MMSYSERR_NOERROR) {
    char text[120] = {};
    waveInGetErrorText(result, text, sizeof text);
    const std::string message = std::string("Could not open input device. \r\nMESSAGE: ") + text;
    MessageBox(nullptr, message.c_str(), nullptr, MB_OK);
    return result;
  }
  if (m_input.PrepareFailures() > 0) MessageBox(nullptr, "Could not prepare header", nullptr, MB_OK);
  if (m_module != nullptr) {
    CComBSTR name(kOutput);
    Check(m_module->DefineOutput(name, ctFloatArray, blockSize), IID_IVornModule);
  }
  if (m_publish) m_publish();
  m_startPending = true;
  return 0;
}

void MicrophoneCore::CloseDevice() {
  m_input.Close();
  m_startPending = false;
}

HRESULT MicrophoneCore::Activate() {
  return Locked([&] {
    if (!m_input.IsOpen()) OpenDevice(m_device, m_frequency, m_blockSize);
    return S_OK;
  });
}

HRESULT MicrophoneCore::Deactivate() {
  return Locked([&] {
    CloseDevice();
    return S_OK;
  });
}

HRESULT MicrophoneCore::Start() {
  return Locked([&] {
    CloseDevice();
    OpenDevice(m_device, m_frequency, m_blockSize);
    return S_OK;
  });
}

HRESULT MicrophoneCore::Run() {
  if (!m_input.IsOpen()) return S_OK;
  if (m_startPending) {
    m_input.Start();
    m_startPending = false;
  }
  if (m_input.Overrun()) {
    CloseDevice();
    OpenDevice(m_device, m_frequency, m_blockSize);
  }
  if (!m_input.NextDone()) return S_OK;
  std::span<float> out;
  if (m_module != nullptr) {
    CComBSTR name(kOutput);
    VornConnectionData* data = nullptr;
    Check(m_module->GetOutputData(name, &data), IID_IVornModule);
    if (data != nullptr && data->m_Type == ctFloatArray && data->m_pFloatArray != nullptr &&
        data->m_iArrayElementCnt > 0)
      out = std::span<float>(data->m_pFloatArray, static_cast<std::size_t>(data->m_iArrayElementCnt));
  }
  if (const auto energy = m_input.TakeBlock(out, SoftwareGain(m_level))) m_energy = *energy;
  if (m_module != nullptr) {
    CComBSTR name(kOutput);
    Check(m_module->SetOutputHasData(name), IID_IVornModule);
  }
  return S_OK;
}

bool MicrophoneCore::SetAudioLevel(float level) {
  // A level that is no number would turn every sample into one and be
  // saved back with the model.
  if (!std::isfinite(level)) return false;
  m_level = level;
  SetMixerLevel(level);
  return true;
}

HRESULT MicrophoneCore::PutEnabled(VARIANT_BOOL enabled) {
  if (enabled == VARIANT_TRUE) return Activate();
  if (enabled == VARIANT_FALSE) return Deactivate();
  return E_INVALIDARG;
}

HRESULT MicrophoneCore::Save(IDispatch* object) {
  CComPtr<IVornPersist> persist = Persist(object);
  SaveFloat(persist, u"Gain", m_level);
  SaveFloat(persist, u"Frequency", static_cast<float>(m_frequency));
  SaveFloat(persist, u"Blocksize", static_cast<float>(m_blockSize));
  SaveFloat(persist, u"Device", static_cast<float>(m_device));
  return S_OK;
}

HRESULT MicrophoneCore::Load(IDispatch* object) {
  CComPtr<IVornPersist> persist = Persist(object);
  // A level that holds no number (none stored, NULL, a text) keeps the
  // current one: read as 0, it would turn the microphone's volume down.
  if (const std::optional<float> level = VornModules::LoadStoredNumber(persist, u"Gain")) SetAudioLevel(*level);
  const long frequency = static_cast<long>(LoadFloat(persist, u"Frequency"));
  if (frequency <= 0) {
    m_frequency = kDefaultFrequency;
    return S_OK;
  }
  m_frequency = frequency;
  // A file written before block sizes were stored has none: keep the default.
  const float blockSize = LoadFloat(persist, u"Blocksize");
  m_blockSize = blockSize >= 1 && blockSize <= kLargestBlockSize ? static_cast<int>(blockSize) : kDefaultBlockSize;
  const float device = LoadFloat(persist, u"Device");
  m_device = device >= 0 && device < 65536 ? static_cast<int>(device) : -1;
  Deactivate();
  Activate();
  return S_OK;
}

void MicrophoneCore::WriteOutputProperties(VornModules::PropertiesDocument& document,
                                           std::u16string_view output) const {
  if (output != kOutput) return;
  const std::string rate = std::to_string(m_frequency);
  document.WriteProperty(u"SamplesPerSecond", std::u16string(rate.begin(), rate.end()));
  document.WriteProperty(u"Type", u"Audio");
  document.WriteProperty(u"Range", u"-1,1");
}

}  // namespace VornMic
