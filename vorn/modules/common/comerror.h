// The exception a module server raises when a call it depends on fails. It
// carries the failing call's HRESULT and the identifier of the interface
// the call belonged to; the engine's guard around every call into a server
// turns it into a failed result.
#ifndef VORN_MODULES_COMMON_COMERROR_H
#define VORN_MODULES_COMMON_COMERROR_H

#include <exception>
#include <new>
#include <string>

#include "platform/com/guid.h"
#include "platform/errors.h"

namespace VornModules {

class ComError : public std::exception {
public:
  ComError(HRESULT result, REFIID iid);
  HRESULT Error() const noexcept { return result_; }
  const IID& Iid() const noexcept { return iid_; }
  const char* what() const noexcept override { return text_.c_str(); }

private:
  HRESULT result_;
  IID iid_;
  std::string text_;
};

[[noreturn]] void ThrowComError(HRESULT result, REFIID iid);

// A module's own interface is called straight from scripts and programs,
// not through the engine's guard: a failure raised inside is answered as
// its HRESULT instead of leaving the interface as an exception.
template <class Work>
HRESULT AnswerClientCall(Work&& work) {
  try {
    return work();
  } catch (const ComError& error) {
    return error.Error();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace VornModules

#endif
