// VornModuleGuide: lists the module types registered on this machine and
// opens the help page of one (see frontend.h).
#include <iostream>
#include <string>
#include <vector>

#include "platform/com/memory.h"
#include "vorn/apps/moduleguide/frontend.h"

int main(int argc, char* argv[]) {
  CoInitialize(nullptr);
  const int status = Vorn::ModuleGuide::RunFrontEnd(std::vector<std::string>(argv + 1, argv + argc), std::cin,
                                                    std::cout, std::cerr);
  CoUninitialize();
  return status;
}
