#include "platform/dialogs/fontconfigsession.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>

namespace Platform {

bool FontconfigReady() {
  // One FcInit and one FcFini for the process: FcFini must not run twice,
  // nor before the last lookup, hence the single owner.
  static const bool ready = [] {
    if (!FcInit()) return false;
    std::atexit([] { FcFini(); });
    return true;
  }();
  return ready;
}

} // namespace Platform
