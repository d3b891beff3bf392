#include <gtest/gtest.h>

#include <cstdlib>

#include "travix/generator/startup.h"

TEST(Startup, UnicodeEnvironmentIsRemoved) {
  // Set as a caller might, to data that would not suit the program.
  setenv("ICUROOT", "/nonexistent/icu", 1);
  setenv("ICU_DATA", "/nonexistent/icu/data", 1);
  setenv("ICU_TIMEZONE_FILES_DIR", "/kept", 1);
  Travix::Tool::ClearUnicodeEnvironment();
  EXPECT_EQ(std::getenv("ICUROOT"), nullptr);
  EXPECT_EQ(std::getenv("ICU_DATA"), nullptr);
  // Only those two: the rest of the environment stays.
  EXPECT_STREQ(std::getenv("ICU_TIMEZONE_FILES_DIR"), "/kept");
  unsetenv("ICU_TIMEZONE_FILES_DIR");
}
