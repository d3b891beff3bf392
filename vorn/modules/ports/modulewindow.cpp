#include "vorn/modules/ports/modulewindow.h"

#include "platform/kernel/kernel.h"
#include "platform/resources/module.h"
#include "vorn/modules/ports/externalio.h"

namespace VornPorts {

namespace {

constexpr const char* kClassName = "VornPortsModuleWindow";

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error == 0 ? S_OK : static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

} // namespace

ModuleWindow::ModuleWindow(std::function<void()> onNewData) : m_onNewData(std::move(onNewData)) {}

ModuleWindow::~ModuleWindow() {
  if (m_window == nullptr)
    return;
  // A message still queued must not reach this object once it is gone.
  SetWindowLongPtr(m_window, GWLP_USERDATA, 0);
  // The last release may come on another thread (the run thread's), where
  // the window cannot be destroyed; its own thread closes it instead.
  if (!DestroyWindow(m_window))
    PostMessage(m_window, WM_CLOSE, 0, 0);
}

HRESULT ModuleWindow::Create() {
  if (m_window != nullptr)
    return S_OK;
  WNDCLASS windowClass{};
  windowClass.lpfnWndProc = &ModuleWindow::WindowProc;
  windowClass.hInstance = Platform::ThisModule();
  windowClass.lpszClassName = kClassName;
  // Every module of this server shares the class; only the first
  // registers it.
  SetLastError(0);
  if (RegisterClass(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return LastErrorResult();
  SetLastError(0);
  m_window = CreateWindowEx(0, kClassName, "VornModuleWindow", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                            Platform::ThisModule(), this);
  return m_window != nullptr ? S_OK : LastErrorResult();
}

LRESULT CALLBACK ModuleWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
    SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ModuleWindow*>(GetWindowLongPtr(window, GWLP_USERDATA));
  if (message == VWM_NEW_DATA && self != nullptr) {
    if (self->m_onNewData)
      self->m_onNewData();
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

} // namespace VornPorts
