// Raising NewDataAvailable on the sinks advised to the module's events
// connection point. Called on the module window's thread.
#ifndef VORN_MODULES_PORTS_EVENTS_H
#define VORN_MODULES_PORTS_EVENTS_H

#include "platform/com/connimpl.h"
#include "platform/com/dispatch.h"
#include "vorn/modules/ports/externalio.h"

namespace VornPorts {

// Calls every sink present when the firing starts, each held with a
// reference of its own for the call; a sink that fails is skipped. source
// is the object carrying the point (its Lock guards the slots).
template <class Source, class Point>
void FireNewDataAvailable(Source& source, Point& point) {
  const int count = point.m_vec.GetSize();
  for (int i = 0; i < count; ++i) {
    source.Lock();
    IUnknown* sink = point.m_vec.GetAt(i);
    if (sink != nullptr)
      sink->AddRef();
    source.Unlock();
    if (sink == nullptr)
      continue;
    DISPPARAMS none{};
    static_cast<IDispatch*>(sink)->Invoke(DISPID_NewDataAvailable, IID_NULL, 0x400, DISPATCH_METHOD, &none, nullptr,
                                          nullptr, nullptr);
    sink->Release();
  }
}

} // namespace VornPorts

#endif
