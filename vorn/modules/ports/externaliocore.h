// What an external input/output module does, over the engine's module
// object it is aggregated with: the value arriving on the input "Default"
// is kept for a client to read, a value a client sets goes out on the
// output "Default" in the next cycle (once), and the properties text of
// each travels with it. The module server's COM class forwards its calls
// here.
//
// Run runs on the engine's run thread, which holds the engine module's lock
// around it; the client's calls come on the thread that made the module, so
// every one of them works under that lock too, values and properties
// alike. A new value is announced by posting VWM_NEW_DATA to the module's
// window, never by calling clients from the run thread.
#ifndef VORN_MODULES_PORTS_EXTERNALIOCORE_H
#define VORN_MODULES_PORTS_EXTERNALIOCORE_H

#include <memory>
#include <string>

#include "vorn/interfaces/module.h"
#include "vorn/modules/common/properties.h"

namespace VornPorts {

class ExternalIOCore {
public:
  // The engine module is held without a reference: it lives inside the
  // server object that owns this core.
  explicit ExternalIOCore(IVornModule* module = nullptr);
  ~ExternalIOCore();
  ExternalIOCore(const ExternalIOCore&) = delete;
  ExternalIOCore& operator=(const ExternalIOCore&) = delete;

  void Attach(IVornModule* module) { m_module = module; }
  // Where VWM_NEW_DATA goes.
  void SetWindow(HWND window) { m_window = window; }

  // The input and the output "Default", both VARIANTs.
  HRESULT Initialize();
  HRESULT Run();

  HRESULT GetData(VARIANT* data);
  HRESULT SetData(const VARIANT& data);
  HRESULT SetDataProperty(BSTR name, BSTR value);
  HRESULT GetDataProperty(BSTR name, BSTR* value);
  HRESULT GetDataPropertyNames(VARIANT* names);

  // The properties texts, for the server's tests.
  const std::u16string& InputProperties() const { return m_inProps; }
  const std::u16string& OutputProperties() const { return m_outProps; }

private:
  class ModuleLock;
  std::u16string InputPropertiesOf(BSTR input);
  void SetOutputPropertiesOf(BSTR output, const std::u16string& text);

  IVornModule* m_module;
  HWND m_window = nullptr;
  std::unique_ptr<VornModules::PropertiesDocument> m_doc;
  VARIANT m_varInput;
  VARIANT m_varOutput;
  std::u16string m_inProps;
  std::u16string m_outProps;
  std::u16string m_outPropsSent;
};

} // namespace VornPorts

#endif
