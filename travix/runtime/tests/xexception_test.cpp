#include <gtest/gtest.h>


#include "formnames.h"
#include "travixexcept.h"

using XException = TX(XException);

TEST(XException, DefaultNamesItsOwnHeaderAndLine) {
  XException e;
  EXPECT_EQ(e.GetMsg(), "No error message found.");
  EXPECT_EQ(e.GetSourceFile(), "travix/runtime/travixexcept.h");
  EXPECT_GT(e.GetSourceLine(), 0);
}

TEST(XException, LocationTextIncludingNegativeLines) {
  XException e("Error: x", "x", 7);
  EXPECT_EQ(e.GetErrorLocation(), "Error in 'x', line 7.");
  e.SetSourceLine(-1);
  EXPECT_EQ(e.GetErrorLocation(), "Error in 'x', line -1.");
  XException noFile("m", nullptr, 3);
  EXPECT_EQ(noFile.GetErrorLocation(), "Error in '', line 3.");
}

TEST(XException, CopiesAreIndependent) {
  XException original("Error: first", "a.cpp", 10);
  XException copy(original);
  copy.SetMsg("Error: second");
  copy.SetSourceFile("b.cpp");
  copy.SetSourceLine(20);
  EXPECT_EQ(original.GetMsg(), "Error: first");
  EXPECT_EQ(original.GetSourceFile(), "a.cpp");
  EXPECT_EQ(original.GetSourceLine(), 10);

  XException assigned;
  assigned = copy;
  copy.SetMsg("changed");
  EXPECT_EQ(assigned.GetMsg(), "Error: second");
  EXPECT_EQ(assigned.GetSourceFile(), "b.cpp");
  EXPECT_EQ(assigned.GetSourceLine(), 20);
}

TEST(XException, ThrowSiteNamesTheSourceRelativeToTheProject) {
  try {
    TRAVIX_THROW("Error: thrown");
    FAIL() << "no exception";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: thrown");
    EXPECT_EQ(e.GetSourceFile(), "travix/runtime/tests/xexception_test.cpp");
    EXPECT_GT(e.GetSourceLine(), 0);
  }
}
