#include <gtest/gtest.h>

#include "platform/com/com.h"

namespace {

PLATFORM_DEFINE_GUID(kModuleClass, "{9F91FC40-7E6B-4923-8F75-2B66AB09C63A}");

TEST(Guid, TextFormRoundTrips) {
  OLECHAR text[39];
  ASSERT_EQ(StringFromGUID2(kModuleClass, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{9F91FC40-7E6B-4923-8F75-2B66AB09C63A}");
  EXPECT_EQ(StringFromGUID2(kModuleClass, text, 38), 0);

  CLSID parsed;
  ASSERT_EQ(CLSIDFromString(u"{9f91fc40-7e6b-4923-8f75-2b66ab09c63a}", &parsed), S_OK);
  EXPECT_EQ(parsed, kModuleClass);

  LPOLESTR allocated = nullptr;
  ASSERT_EQ(StringFromCLSID(IID_IDispatch, &allocated), S_OK);
  EXPECT_EQ(std::u16string(allocated), u"{00020400-0000-0000-C000-000000000046}");
  CoTaskMemFree(allocated);
  EXPECT_EQ(&__uuidof(IUnknown), &IID_IUnknown);
}

TEST(Guid, MalformedTextIsRefusedAndLeavesNull) {
  const char16_t* bad[] = {
      u"",
      u"9F91FC40-7E6B-4923-8F75-2B66AB09C63A",    // no braces
      u"{9F91FC40-7E6B-4923-8F75-2B66AB09C63A",   // one brace
      u"{9F91FC40-7E6B-4923-8F75-2B66AB09C63G}",  // not hexadecimal
      u"{9F91FC40 7E6B-4923-8F75-2B66AB09C63A}",  // wrong separator
      u"{9F91FC407-E6B-4923-8F75-2B66AB09C63A}",  // groups shifted
      u"{9F91FC40-7E6B-4923-8F75-2B66AB09C63A}x", // trailing text
      u"{+F91FC40-7E6B-4923-8F75-2B66AB09C63A}",  // a sign is no digit
  };
  for (const char16_t* text : bad) {
    CLSID parsed = kModuleClass;
    EXPECT_EQ(CLSIDFromString(text, &parsed), CO_E_CLASSSTRING) << Platform::Utf16ToUtf8(text);
    EXPECT_EQ(parsed, GUID_NULL);
  }
  CLSID parsed;
  EXPECT_EQ(CLSIDFromString(nullptr, &parsed), CO_E_CLASSSTRING);
  EXPECT_EQ(IIDFromString(u"{}", &parsed), CO_E_IIDSTRING);
}

} // namespace
