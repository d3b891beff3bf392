// The external input/output module's hidden window: it lives on the thread
// that made the module, and VWM_NEW_DATA posted to it from the run thread
// is handled there, which is where clients expect the module's event.
#ifndef VORN_MODULES_PORTS_MODULEWINDOW_H
#define VORN_MODULES_PORTS_MODULEWINDOW_H

#include <functional>

#include "platform/ui/window.h"

namespace VornPorts {

class ModuleWindow {
public:
  // Called on the window's thread for every VWM_NEW_DATA it handles.
  explicit ModuleWindow(std::function<void()> onNewData);
  // May run on any thread; the window goes on its own thread then.
  ~ModuleWindow();
  ModuleWindow(const ModuleWindow&) = delete;
  ModuleWindow& operator=(const ModuleWindow&) = delete;

  // Makes the window; S_OK, or the system's reason as an HRESULT.
  HRESULT Create();
  HWND Handle() const { return m_window; }

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::function<void()> m_onNewData;
  HWND m_window = nullptr;
};

} // namespace VornPorts

#endif
