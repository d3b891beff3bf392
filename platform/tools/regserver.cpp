// regserver [-u] LIBRARY...
//
// Registers (or with -u unregisters) the classes of each server library by
// loading it and calling its DllRegisterServer (DllUnregisterServer). A
// library named without a directory is taken from the current directory,
// as a person typing its name means. Exit status: 0 when every library
// succeeded, 1 for a wrong command line, 2 when a library cannot be loaded
// or lacks the entry point, 3 when the entry point reports a failure.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/types.h"

namespace {

using EntryPoint = HRESULT (*)();

int Usage() {
  std::fputs("usage: regserver [-u] LIBRARY...\n", stderr);
  return 1;
}

int Run(const char* library, bool unregister) {
  std::string path = library;
  if (path.find('/') == std::string::npos)
    path = "./" + path;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    std::fprintf(stderr, "regserver: cannot load '%s': %s\n", library, why != nullptr ? why : "unknown error");
    return 2;
  }
  const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto entry = reinterpret_cast<EntryPoint>(dlsym(handle, name));
  if (entry == nullptr) {
    std::fprintf(stderr, "regserver: '%s' has no %s\n", library, name);
    return 2;
  }
  HRESULT hr = entry();
  if (hr < 0) {
    std::fprintf(stderr, "regserver: %s of '%s' failed: 0x%08x\n", name, library, static_cast<unsigned>(hr));
    return 3;
  }
  std::printf("%s of '%s' succeeded\n", name, library);
  // The library stays loaded until exit: its objects' code must outlive
  // any static destructor that still refers to it.
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  int first = 1;
  if (first < argc && std::strcmp(argv[first], "-u") == 0) {
    unregister = true;
    ++first;
  }
  if (first >= argc)
    return Usage();
  int status = 0;
  for (int i = first; i < argc; ++i) {
    if (argv[i][0] == '-')
      return Usage();
    int result = Run(argv[i], unregister);
    if (result > status)
      status = result;
  }
  return status;
}
