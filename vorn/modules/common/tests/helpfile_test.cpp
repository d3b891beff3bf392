#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/tempdir.h"
#include "vorn/modules/common/helpfile.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A page is replaced whole or not at all, and a failure is answered.
TEST(ReplaceFile, WritesWholeOrLeavesTheOldFileAndFails) {
  TestSupport::TempDir dir;
  const std::string page = dir.Path("page.htm");
  const std::string text = "<html>new</html>";
  ASSERT_EQ(VornModules::ReplaceFile(page, reinterpret_cast<const BYTE*>(text.data()), text.size()), S_OK);
  EXPECT_EQ(Read(page), text);

  const std::string locked = dir.Path("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  const struct {
    std::string path;
  } refused[] = {{dir.Path("missing/page.htm")}, {""}, {geteuid() == 0 ? "/proc/page.htm" : locked + "/page.htm"}};
  for (const auto& c : refused)
    EXPECT_TRUE(FAILED(VornModules::ReplaceFile(c.path, reinterpret_cast<const BYTE*>(text.data()), text.size())))
        << c.path;
  EXPECT_EQ(Read(page), text);
}

}  // namespace
