// The prefix-form headers select their naming form by themselves: a user
// includes travix_n.h or travixexcept_n.h without defining anything.
#undef TRAVIX_NO_NAMESPACE
#include "travixexcept_n.h"
#include "travix_n.h"
#include "xobjfactory.h"

#include <gtest/gtest.h>

#include <type_traits>

TEST(PrefixHeaders, SelectThePrefixFormWithoutADefine) {
  static_assert(std::is_class_v<Travix_XException>);
  static_assert(std::is_base_of_v<Travix_XObject, Travix_string>);
  Travix_string text("a");
  EXPECT_STREQ(text.c_str(), "a");
  try {
    Travix_XObjectFactory::CreateObject("no such class");
    FAIL() << "no exception";
  } catch (const Travix_XException& e) {
    EXPECT_EQ(e.GetMsg(),
              "Error: No registered create function was found for object 'no such class'");
  }
}
