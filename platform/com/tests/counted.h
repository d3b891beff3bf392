// A bare object whose references the tests can watch.
#ifndef PLATFORM_COM_TESTS_COUNTED_H
#define PLATFORM_COM_TESTS_COUNTED_H

#include "platform/com/unknown.h"

class Counted final : public IUnknown {
public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }

  ULONG references = 1;
};

#endif
