// How an engine keeps its modules findable by name without asking each
// for its name: a module tells the engine it belongs to when its name
// changes (an engine that offers this is found by dynamic_cast).
#ifndef VORN_ENGINE_MODULENAMES_H
#define VORN_ENGINE_MODULENAMES_H

struct IVornModuleLocal;

namespace Vorn {

class ModuleNames {
public:
  // Called after the name changed, with no lock of the module held.
  virtual void ModuleRenamed(IVornModuleLocal* module) = 0;

protected:
  ~ModuleNames() = default;
};

}  // namespace Vorn

#endif
