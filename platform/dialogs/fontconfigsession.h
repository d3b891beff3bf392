// fontconfig's configuration and caches for the whole process: set up by
// whichever part of the layer looks up a font first (dialog units, text
// drawing) and released at exit, so that leak checks see nothing held.
#ifndef PLATFORM_DIALOGS_FONTCONFIGSESSION_H
#define PLATFORM_DIALOGS_FONTCONFIGSESSION_H

#include "platform/api.h"

namespace Platform {

// True once fontconfig is initialised; false when it cannot be.
PLATFORM_API bool FontconfigReady();

} // namespace Platform

#endif
