// What every fuzz target shares: the XML platform, up for the whole run,
// and a scratch directory of the process's own for the files a reader
// must be handed by name or writes beside its input.
#ifndef TRAVIX_FUZZ_FUZZSUPPORT_H
#define TRAVIX_FUZZ_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <xercesc/util/PlatformUtils.hpp>

#include "tests/support/tempdir.h"

namespace Fuzz {

// Started once; never terminated, as the readers keep documents that
// belong to the platform until the process ends.
inline void StartXmlPlatform() {
  static const bool started = [] {
    xercesc::XMLPlatformUtils::Initialize();
    return true;
  }();
  (void)started;
}

inline const TestSupport::TempDir& Scratch() {
  static TestSupport::TempDir dir;
  return dir;
}

// Writes the input as name in the scratch directory and answers its path.
inline std::string InputFile(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = Scratch().Path(name);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
    std::perror(path.c_str());
    std::abort();  // the target cannot run without its scratch space
  }
  return path;
}

}  // namespace Fuzz

#endif
