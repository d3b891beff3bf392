#include "platform/com/dispimpl.h"

HRESULT Platform::DispatchMemberFailure(HRESULT hr, EXCEPINFO* exception) {
  if (exception == nullptr)
    return hr;
  std::memset(exception, 0, sizeof *exception);
  exception->scode = hr;
  return DISP_E_EXCEPTION;
}
