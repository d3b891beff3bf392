// travixwz_register INSTALL-DIRECTORY: the install step that records where
// the toolkit is installed, in the registry of the installing user (the one
// PLATFORM_REGISTRY_FILE names, else the user's own), where the wizard and
// its information dialog read it. Exit code 0, 1 for usage, 2 when the
// registry cannot be written.
#include <iostream>
#include <string>

#include "travix/wizard/installpath.h"

int main(int argc, char* argv[]) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::cerr << "usage: travixwz_register INSTALL-DIRECTORY\n";
    return 1;
  }
  std::string failure;
  if (!Travix::Wizard::WriteInstallPath(argv[1], failure)) {
    std::cerr << "travixwz_register: " << failure << '\n';
    return 2;
  }
  return 0;
}
