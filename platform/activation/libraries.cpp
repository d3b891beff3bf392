#include "platform/activation/libraries.h"

#include <mutex>

#include "platform/activation/activation.h"

// The registry's part of activation comes with the registry; until then a
// class that is not in the process's own table is not registered.
namespace Platform {

namespace {

struct SearchList {
  std::mutex lock;
  std::vector<std::string> directories;
};

SearchList& Search() {
  static auto* list = new SearchList;
  return *list;
}

} // namespace

void AddServerSearchDirectory(const std::string& directory) {
  SearchList& list = Search();
  std::lock_guard<std::mutex> guard(list.lock);
  for (const std::string& known : list.directories) {
    if (known == directory)
      return;
  }
  list.directories.push_back(directory);
}

std::vector<std::string> ServerSearchDirectories() {
  SearchList& list = Search();
  std::lock_guard<std::mutex> guard(list.lock);
  return list.directories;
}

namespace Detail {

HRESULT GetServerClassObject(REFCLSID, REFIID, void** object) {
  *object = nullptr;
  return REGDB_E_CLASSNOTREG;
}

HRESULT RegisteredClassOfProgId(const std::string&, CLSID*) { return CO_E_CLASSSTRING; }

HRESULT RegisteredProgIdOfClass(REFCLSID, std::string&) { return REGDB_E_CLASSNOTREG; }

} // namespace Detail

} // namespace Platform
