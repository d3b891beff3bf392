// A library's private copy of the symbol table and the runtime's exported
// one live side by side in one process without replacing each other.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "travixsymbol.h"

extern "C" int ProbeInsert(const char* name);
extern "C" int ProbeLookup(const char* name);

namespace {

TEST(PrivateSymbolTable, StaysApartFromTheRuntimeTable) {
  SymbolResetTable();
  EXPECT_EQ(ProbeInsert("private"), 1);
  EXPECT_EQ(ProbeInsert("private"), 2);
  EXPECT_EQ(SymbolLookup("private"), 0);
  EXPECT_EQ(SymbolInsert("public", 0), 1);
  EXPECT_EQ(ProbeLookup("public"), 0);
  EXPECT_EQ(ProbeLookup("private"), 2);
}

TEST(PrivateSymbolTable, ExportsNoSymbolFunctions) {
  void* probe = dlopen(SYMBOL_PROBE_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(probe, nullptr) << dlerror();
  EXPECT_NE(dlsym(probe, "ProbeInsert"), nullptr);
  EXPECT_EQ(dlsym(probe, "SymbolInsert"), nullptr);
  EXPECT_EQ(dlsym(probe, "SymbolLookup"), nullptr);
  dlclose(probe);
}

} // namespace
