#include "vorn/modules/voice/speakercore.h"

#include <cmath>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/ui/messagebox.h"
#include "vorn/interfaces/registrar.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/common/storedvalue.h"

namespace VornVoice {

using VornModules::ThrowComError;

namespace {

void Check(HRESULT hr, REFIID iid) {
  if (FAILED(hr)) ThrowComError(hr, iid);
}

// Holds the engine module's lock for a scope; nothing without a module.
class Hold {
public:
  explicit Hold(IVornModule* module) : m_module(module) {
    if (m_module != nullptr) Check(m_module->Lock(), IID_IVornModule);
  }
  ~Hold() {
    if (m_module != nullptr) m_module->Unlock();
  }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;

private:
  IVornModule* m_module;
};

// The persist object the engine hands to Save and Load; an object that is
// none fails as a call through the missing interface would.
CComPtr<IVornPersist> PersistOf(IDispatch* object) {
  CComPtr<IVornPersist> persist;
  if (object != nullptr) {
    HRESULT hr = object->QueryInterface(IID_IVornPersist, reinterpret_cast<void**>(&persist));
    if (FAILED(hr) && hr != E_NOINTERFACE) ThrowComError(hr, IID_IVornPersist);
  }
  if (!persist) ThrowComError(E_POINTER, IID_IVornPersist);
  return persist;
}

// A stored device number; -1 (the system's choice) for a value that is no
// device number at all.
int DeviceFromStored(float value) {
  if (!std::isfinite(value) || value < -1.0f || value > 1.0e6f) return -1;
  return static_cast<int>(value);
}

}  // namespace

HRESULT SpeakerCore::Initialize() {
  if (m_module != nullptr) {
    CComBSTR name(kDefault);
    Check(m_module->DefineInput(name, ctFloatArray, 128), IID_IVornModule);
    Check(m_module->DefineOutput(name, ctFloatArray, 5), IID_IVornModule);
  }
  Hold hold(m_module);
  m_output.Close();
  m_ring.Clear();
  m_gain = 1.0f;
  m_device = -1;
  m_frequency = kDefaultFrequency;
  return S_OK;
}

HRESULT SpeakerCore::Activate() {
  Hold hold(m_module);
  return static_cast<HRESULT>(Reopen());
}

HRESULT SpeakerCore::Deactivate() {
  Hold hold(m_module);
  CloseDevice();
  return S_OK;
}

HRESULT SpeakerCore::Stop() {
  // Nothing to do, but not while a Run is in progress.
  Hold hold(m_module);
  return S_OK;
}

bool SpeakerCore::Enabled() const {
  Hold hold(m_module);
  return m_output.IsOpen();
}

HRESULT SpeakerCore::PutEnabled(VARIANT_BOOL enabled) {
  if (enabled == VARIANT_TRUE) return Activate();
  if (enabled == VARIANT_FALSE) return Deactivate();
  return E_INVALIDARG;
}

HRESULT SpeakerCore::Run() {
  if (!m_output.IsOpen() || m_module == nullptr) return S_OK;
  CComBSTR name(kDefault);

  const int free = m_output.FreeBuffers();
  VornConnectionData* output = nullptr;
  Check(m_module->GetOutputData(name, &output), IID_IVornModule);
  if (output != nullptr && output->m_Type == ctFloatArray) {
    if (output->m_pFloatArray != nullptr && output->m_iArrayElementCnt >= 3) {
      const QueueReport report = ReportQueue(free, m_output.Buffers());
      output->m_pFloatArray[0] = report.freeShare;
      output->m_pFloatArray[1] = report.idle;
      output->m_pFloatArray[2] = report.full;
    }
    Check(m_module->SetOutputHasData(name), IID_IVornModule);
  }

  if (free >= kMinBuffers) {
    VARIANT_BOOL hasData = VARIANT_FALSE;
    Check(m_module->InputHasData(name, &hasData), IID_IVornModule);
    if (hasData != VARIANT_FALSE) {
      VornConnectionData* input = nullptr;
      Check(m_module->GetInputData(name, &input), IID_IVornModule);
      if (input != nullptr && input->m_Type == ctFloatArray && input->m_pFloatArray != nullptr &&
          input->m_iArrayElementCnt > 0)
        m_ring.Append(input->m_pFloatArray, static_cast<std::size_t>(input->m_iArrayElementCnt));
    }
  }

  // Samples wait in the ring until the next buffer has played out.
  if (m_output.NextBufferFree() && m_ring.Count() >= static_cast<std::size_t>(kBlockSize)) {
    std::vector<float> block(kBlockSize);
    m_ring.Take(block.data(), block.size());
    std::int16_t pcm[kBlockSize];
    ToPcm(block.data(), block.size(), m_gain, pcm);
    m_output.Write(pcm);
  }
  return S_OK;
}

HRESULT SpeakerCore::Save(IDispatch* persistObject) {
  CComPtr<IVornPersist> persist = PersistOf(persistObject);
  float gain;
  int device;
  {
    Hold hold(m_module);
    gain = m_gain;
    device = m_device;
  }
  CComBSTR gainName(u"Gain");
  CComBSTR deviceName(u"Device");
  Check(persist->SaveFloatValue(gainName, gain), IID_IVornPersist);
  Check(persist->SaveFloatValue(deviceName, static_cast<float>(device)), IID_IVornPersist);
  return S_OK;
}

HRESULT SpeakerCore::Load(IDispatch* persistObject) {
  CComPtr<IVornPersist> persist = PersistOf(persistObject);
  float gain;
  float stored;
  {
    Hold hold(m_module);
    gain = m_gain;
    stored = static_cast<float>(m_device);
  }
  // A gain that holds no number (none stored, NULL, a text) keeps the
  // module's own: read as 0, it would silence the speaker.
  if (const std::optional<float> value = VornModules::LoadStoredNumber(persist, u"Gain")) gain = *value;
  CComBSTR deviceName(u"Device");
  Check(persist->LoadFloatValue(deviceName, &stored), IID_IVornPersist);
  const int device = DeviceFromStored(stored);

  VARIANT_BOOL local = VARIANT_TRUE;
  if (m_module != nullptr) Check(m_module->get_IsLocal(&local), IID_IVornModule);
  Hold hold(m_module);
  if (gain == m_gain && device == m_device) return S_OK;
  m_gain = gain;
  m_device = device;
  if (local != VARIANT_FALSE) Reopen();
  return S_OK;
}

void SpeakerCore::OnInputProperties(VornModules::PropertiesDocument& document, std::u16string_view name) {
  if (name != kDefault) return;
  const long rate = ParseSamplesPerSecond(document.ReadProperty(u"SamplesPerSecond"));
  Hold hold(m_module);
  if (rate <= 0 || rate == m_frequency) return;
  m_frequency = rate;
  Reopen();
}

MMRESULT SpeakerCore::Reopen() {
  CloseDevice();
  return OpenDevice();
}

MMRESULT SpeakerCore::OpenDevice() {
  const MMRESULT result = m_output.Open(static_cast<UINT>(m_device), m_frequency);
  if (result != MMSYSERR_NOERROR) {
    char text[120] = "";
    waveOutGetErrorText(result, text, sizeof text);
    const std::string message = std::string("Could not open output device. \r\nMESSAGE: ") + text;
    MessageBox(nullptr, message.c_str(), nullptr, MB_OK);
    return result;
  }
  m_ring.Clear();
  return MMSYSERR_NOERROR;
}

}  // namespace VornVoice
