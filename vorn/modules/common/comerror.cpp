#include "vorn/modules/common/comerror.h"

#include <cstdio>

namespace VornModules {

ComError::ComError(HRESULT result, REFIID iid) : result_(result), iid_(iid) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
  text_ = std::string("COM error ") + code + " on " + Platform::GuidText(iid);
}

void ThrowComError(HRESULT result, REFIID iid) { throw ComError(result, iid); }

}  // namespace VornModules
