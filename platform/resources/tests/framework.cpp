// Framework code as several servers carry it: each copy asks for the
// resources of the module it is built into.
#include "platform/resources/module.h"
#include "platform/resources/resources.h"

extern "C" __attribute__((visibility("default"))) int ServerString(UINT id, char* buffer, int size) {
  return LoadString(Platform::ThisModule(), id, buffer, size);
}
