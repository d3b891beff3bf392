// Whether an interface's failures come with error information.
#ifndef PLATFORM_COM_ERRORINFO_H
#define PLATFORM_COM_ERRORINFO_H

#include "platform/com/unknown.h"

PLATFORM_DEFINE_IID(ISupportErrorInfo, "DF0B3D60-548F-101B-8E65-08002B2BD119");
struct ISupportErrorInfo : IUnknown {
  // S_OK for an interface that reports error information, else S_FALSE.
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID iid) = 0;

protected:
  ~ISupportErrorInfo() = default;
};

template <const IID* piid>
class ISupportErrorInfoImpl : public ISupportErrorInfo {
public:
  HRESULT InterfaceSupportsErrorInfo(REFIID iid) override { return iid == *piid ? S_OK : S_FALSE; }
};

#endif
