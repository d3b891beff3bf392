#include <gtest/gtest.h>

#include "travix/schema/pathutil.h"

using Travix::DirectoryPart;
using Travix::FileNamePart;
using Travix::JoinPath;

TEST(PathUtil, JoinNeverDoublesOrUsesBackslash) {
  EXPECT_EQ(JoinPath("", "a.h"), "a.h");
  EXPECT_EQ(JoinPath("out", "a.h"), "out/a.h");
  EXPECT_EQ(JoinPath("out/", "a.h"), "out/a.h");
  EXPECT_EQ(JoinPath("out//", "/a.h"), "out/a.h");
  EXPECT_EQ(JoinPath("/", "a.h"), "/a.h");
  EXPECT_EQ(JoinPath(".", "a.h"), "./a.h");
  EXPECT_EQ(JoinPath("out", ""), "out/");
}

TEST(PathUtil, SplitsAtLastSlashOrBackslash) {
  EXPECT_EQ(FileNamePart("a/b/c.dtd"), "c.dtd");
  EXPECT_EQ(FileNamePart("a\\b\\c.dtd"), "c.dtd");
  EXPECT_EQ(FileNamePart("a\\b/c.dtd"), "c.dtd");
  EXPECT_EQ(FileNamePart("c.dtd"), "c.dtd");
  EXPECT_EQ(FileNamePart("dir/"), "");
  EXPECT_EQ(DirectoryPart("a/b/c.dtd"), "a/b");
  EXPECT_EQ(DirectoryPart("c:\\defs\\c.dtd"), "c:\\defs");
  EXPECT_EQ(DirectoryPart("c.dtd"), "");
  EXPECT_EQ(DirectoryPart("/c.dtd"), "/");
}
