#include "travix/generator/startup.h"

#include <cstdlib>

namespace Travix::Tool {

void ClearUnicodeEnvironment() {
  unsetenv("ICUROOT");
  unsetenv("ICU_DATA");
}

}  // namespace Travix::Tool
