// Registration of the engine's and the automation object's classes for
// scripting hosts, which offer a class to scripts when its key holds
// "Programmable".
#ifndef VORN_SUPPORT_PROGRAMMABLE_H
#define VORN_SUPPORT_PROGRAMMABLE_H

#include "platform/com/module.h"

namespace Vorn {

// Writes the key below every class key of map. The key lives below the
// class key, so unregistering the class takes it away with it.
// SELFREG_E_CLASS when a key cannot be written.
HRESULT MarkClassesProgrammable(const Platform::ObjectMapEntry* map);

}  // namespace Vorn

#endif
