/* A library with a private copy of the symbol table, standing in for the
 * DTD reader: it exports only its own two functions. */
#include "travixsymbol.h"

__attribute__((visibility("default"))) int ProbeInsert(const char* name) {
  return SymbolInsert(name, 0);
}

__attribute__((visibility("default"))) int ProbeLookup(const char* name) {
  return SymbolLookup(name);
}
