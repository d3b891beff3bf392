#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "formnames.h"
#include "travix.h"
#include "xobjfactory.h"

namespace {

using XObject = TX(XObject);
using XObjectFactory = TX(XObjectFactory);
using XException = TX(XException);

XObject* MakeInteger() { return new TX(integer)(1); }
XObject* MakeString() { return new TX(string)("s"); }
XObject* MakeNothing() { return nullptr; }

std::string MessageOf(void (*action)()) {
  try {
    action();
  } catch (const XException& e) {
    return e.GetMsg();
  }
  return "no exception";
}

TEST(XObjectFactory, LaterRegistrationReplacesEarlierAndNamesAreExact) {
  XObjectFactory::RegisterCreateFunction("factory::a", MakeInteger);
  XObjectFactory::RegisterCreateFunction("factory::a", MakeString);
  XObjectFactory::RegisterCreateFunction("factory::A", MakeInteger);
  std::unique_ptr<XObject> lower(XObjectFactory::CreateObject("factory::a"));
  std::unique_ptr<XObject> upper(XObjectFactory::CreateObject("factory::A"));
  EXPECT_NE(dynamic_cast<TX(string)*>(lower.get()), nullptr);
  EXPECT_NE(dynamic_cast<TX(integer)*>(upper.get()), nullptr);
  // By a string object as by a text constant.
  std::unique_ptr<XObject> byString(XObjectFactory::CreateObject(std::string("factory::a")));
  EXPECT_NE(dynamic_cast<TX(string)*>(byString.get()), nullptr);
  EXPECT_THROW(XObjectFactory::CreateObject(std::string("factory::a\0x", 12)), XException);
}

// Names are remembered by the address of their text between calls: neither
// a later registration nor a new text at the same address may be answered
// from memory.
TEST(XObjectFactory, EachCallAnswersForTheTextAndRegistrationsOfTheMoment) {
  XObjectFactory::RegisterCreateFunction("factory::b", MakeInteger);
  XObjectFactory::RegisterCreateFunction("factory::c", MakeString);
  const char* const constant = "factory::b";
  char buffer[] = "factory::b";
  for (const char* name : {constant, static_cast<const char*>(buffer)}) {
    std::unique_ptr<XObject> first(XObjectFactory::CreateObject(name));
    EXPECT_NE(dynamic_cast<TX(integer)*>(first.get()), nullptr) << name;
  }
  buffer[9] = 'c';
  std::unique_ptr<XObject> changedText(XObjectFactory::CreateObject(buffer));
  EXPECT_NE(dynamic_cast<TX(string)*>(changedText.get()), nullptr);
  buffer[9] = 'x';
  EXPECT_THROW(XObjectFactory::CreateObject(buffer), XException);

  XObjectFactory::RegisterCreateFunction("factory::b", MakeString);
  std::unique_ptr<XObject> replaced(XObjectFactory::CreateObject(constant));
  EXPECT_NE(dynamic_cast<TX(string)*>(replaced.get()), nullptr);
}

TEST(XObjectFactory, Failures) {
  EXPECT_EQ(MessageOf([] { XObjectFactory::RegisterCreateFunction("", nullptr); }),
            "Error: Attempt made to register a create function without an object name");
  EXPECT_EQ(MessageOf([] { XObjectFactory::RegisterCreateFunction("factory::null", nullptr); }),
            "Error: Attempt made to register a null create function for 'factory::null'");
  EXPECT_EQ(MessageOf([] { XObjectFactory::CreateObject("factory::null"); }),
            "Error: No registered create function was found for object 'factory::null'");
  EXPECT_EQ(MessageOf([] { XObjectFactory::CreateObject(""); }),
            "Error: No registered create function was found for object ''");
  EXPECT_EQ(MessageOf([] { XObjectFactory::CreateObject(static_cast<const char*>(nullptr)); }),
            "Error: No registered create function was found for object ''");

  XObjectFactory::RegisterCreateFunction("factory::nothing", MakeNothing);
  EXPECT_EQ(MessageOf([] { XObjectFactory::CreateObject("factory::nothing"); }),
            "Error: Unable to allocate memory for object 'factory::nothing'");
  // The entry stays; a later registration can still replace it.
  XObjectFactory::RegisterCreateFunction("factory::nothing", MakeString);
  std::unique_ptr<XObject> made(XObjectFactory::CreateObject("factory::nothing"));
  EXPECT_NE(made, nullptr);
}

} // namespace
