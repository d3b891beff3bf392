#include "vorn/engine/serverdirectory.h"

#include <gtest/gtest.h>

namespace {

// Only a last folder named debug goes, in any case; the rest is kept as
// written, since a file system that tells case tells these folders apart.
TEST(ModuleServerDirectory, IsModuleComBesideTheEngineOrItsDebugFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/Vorn/Engine/", "/opt/Vorn/Engine/ModuleCom"},
      {"/opt/Vorn/Engine", "/opt/Vorn/Engine/ModuleCom"},
      {"/opt/Vorn/Engine/Debug/", "/opt/Vorn/Engine/ModuleCom"},
      {"/opt/Vorn/Engine/DEBUG//", "/opt/Vorn/Engine/ModuleCom"},
      {"D:\\Prog\\Engine\\Debug\\", "D:\\Prog\\Engine/ModuleCom"},
      {"/opt/debugtools/engine/", "/opt/debugtools/engine/ModuleCom"},
      {"/opt/engine/debugger/", "/opt/engine/debugger/ModuleCom"},
      {"/opt/Debug/engine/", "/opt/Debug/engine/ModuleCom"},
      {"/debug/", "/ModuleCom"},
      {"/", "/ModuleCom"},
      {"", ""},
  };
  for (const auto& [engine, servers] : cases)
    EXPECT_EQ(Vorn::ModuleServerDirectory(engine), servers) << engine;
}

}  // namespace
