// The engine's indexes of its collection: the modules present in ID order
// (IVornModuleIndex) and the IDs under each name (for FindModule), so that
// neither a walk by place nor a lookup by name steps through empty slots
// or asks every module for its name.
#include "vorn/engine/engine.h"

namespace Vorn {

// Names compare without regard to ASCII case, every character of them
// (a name may hold a NUL).
std::string VornEngine::FoldedText(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

void VornEngine::IndexName(int id, Slot& slot) {
  BSTR name = nullptr;
  slot.module->GetName(&name);
  slot.name = FoldedText(Platform::BstrToUtf8(name));
  SysFreeString(name);
  m_idsByName[slot.name].insert(id);
}

void VornEngine::UnindexName(int id, const Slot& slot) {
  auto named = m_idsByName.find(slot.name);
  if (named == m_idsByName.end())
    return;
  named->second.erase(id);
  if (named->second.empty())
    m_idsByName.erase(named);
}

void VornEngine::ModuleRenamed(IVornModuleLocal* module) {
  int id = -1;
  module->GetID(&id);
  std::lock_guard<Platform::RecursiveLock> lock(m_lock);
  // A module not (yet) in the collection is indexed when it is inserted.
  auto slot = m_modules.find(id);
  if (slot == m_modules.end() || slot->second.module != module)
    return;
  UnindexName(id, slot->second);
  IndexName(id, slot->second);
}

int VornEngine::GetPresentModuleCount() {
  std::lock_guard<Platform::RecursiveLock> lock(m_lock);
  return static_cast<int>(m_modules.size());
}

IVornModuleLocal* VornEngine::GetPresentModule(int nIndex) {
  // The snapshot the run thread also uses: made once per change of the
  // collection, in ID order.
  std::shared_ptr<const Snapshot> snapshot = CurrentSnapshot();
  if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= snapshot->modules.size())
    return nullptr;
  return snapshot->modules[static_cast<std::size_t>(nIndex)];
}

}  // namespace Vorn
