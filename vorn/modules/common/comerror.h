// The exception a module server raises when a call it depends on fails. It
// carries the failing call's HRESULT and the identifier of the interface
// the call belonged to; the engine's guard around every call into a server
// turns it into a failed result.
#ifndef VORN_MODULES_COMMON_COMERROR_H
#define VORN_MODULES_COMMON_COMERROR_H

#include <exception>
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

}  // namespace VornModules

#endif
