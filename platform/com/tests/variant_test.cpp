#include <gtest/gtest.h>

#include "platform/com/com.h"
#include "platform/com/tests/counted.h"

namespace {

std::u16string Text(BSTR text) { return std::u16string(Platform::BstrView(text)); }

TEST(Bstr, LengthsAndNullAsEmpty) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);

  BSTR part = SysAllocStringLen(u"abc", 2);
  EXPECT_EQ(SysStringLen(part), 2u);
  EXPECT_EQ(part[2], 0);
  // The text may come from the string being replaced.
  ASSERT_TRUE(SysReAllocString(&part, part + 1));
  EXPECT_EQ(Text(part), u"b");
  SysFreeString(part);

  BSTR bytes = SysAllocStringByteLen("abc", 3);
  EXPECT_EQ(SysStringByteLen(bytes), 3u);
  EXPECT_EQ(SysStringLen(bytes), 1u);
  BSTR zeros = SysAllocStringLen(nullptr, 4);
  EXPECT_EQ(Text(zeros), std::u16string(4, u'\0'));
  SysFreeString(bytes);
  SysFreeString(zeros);

  CComBSTR utf8("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xB5 \xFF");
  EXPECT_EQ(Text(utf8), u"Grüße \U0001F3B5 \uFFFD");
  EXPECT_EQ(utf8.ToUtf8(), "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xB5 \xEF\xBF\xBD");
}

TEST(Variant, CopiesOwnTheirStringsArraysAndReferences) {
  Counted object;
  CComVariant text(u"module");
  CComVariant copy(text);
  EXPECT_NE(copy.bstrVal, text.bstrVal);
  EXPECT_EQ(Text(copy.bstrVal), u"module");
  {
    CComVariant held(static_cast<IUnknown*>(&object));
    CComVariant second(held);
    EXPECT_EQ(object.references, 3u);
  }
  EXPECT_EQ(object.references, 1u);

  SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 2);
  LONG index = 1;
  ASSERT_EQ(SafeArrayPutElement(names, &index, text.bstrVal), S_OK);
  CComVariant array;
  array.vt = VT_ARRAY | VT_BSTR;
  array.parray = names;
  CComVariant arrayCopy(array);
  ASSERT_NE(arrayCopy.parray, names);
  BSTR original = static_cast<BSTR*>(names->pvData)[1];
  BSTR copied = static_cast<BSTR*>(arrayCopy.parray->pvData)[1];
  EXPECT_NE(original, copied);
  EXPECT_EQ(Text(copied), u"module");

  // A reference owns nothing: clearing it leaves the string alone.
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_BSTR;
  reference.pbstrVal = &text.bstrVal;
  VARIANT referenceCopy;
  VariantInit(&referenceCopy);
  ASSERT_EQ(VariantCopy(&referenceCopy, &reference), S_OK);
  EXPECT_EQ(referenceCopy.pbstrVal, &text.bstrVal);
  EXPECT_EQ(VariantClear(&referenceCopy), S_OK);
  EXPECT_EQ(Text(text.bstrVal), u"module");
  VARIANT deref;
  VariantInit(&deref);
  ASSERT_EQ(VariantCopyInd(&deref, &reference), S_OK);
  EXPECT_EQ(deref.vt, VT_BSTR);
  EXPECT_NE(deref.bstrVal, text.bstrVal);
  VariantClear(&deref);

  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x7F;
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantCopy(&deref, &bad), DISP_E_BADVARTYPE);
}

struct Conversion {
  CComVariant source;
  VARTYPE target;
  USHORT flags;
  HRESULT result;
  CComVariant expected;
};

bool SameValue(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt)
    return false;
  if (a.vt == VT_BSTR)
    return Platform::BstrView(a.bstrVal) == Platform::BstrView(b.bstrVal);
  return std::memcmp(&a.llVal, &b.llVal, sizeof a.llVal) == 0 || a.vt == VT_EMPTY;
}

CComVariant Typed(VARTYPE vt, long long value) {
  CComVariant v;
  v.vt = vt;
  v.llVal = value;
  return v;
}

TEST(Variant, ChangeTypeIsLocaleFreeAndChecksRanges) {
  CComVariant none;
  CComVariant null = Typed(VT_NULL, 0);
  CComVariant error = Typed(VT_ERROR, DISP_E_PARAMNOTFOUND);
  const Conversion conversions[] = {
      {42, VT_BSTR, 0, S_OK, u"42"},
      {2.5, VT_BSTR, 0, S_OK, u"2.5"},
      {0.1f, VT_BSTR, 0, S_OK, u"0.1"},
      {u" 12 ", VT_I4, 0, S_OK, 12},
      {u"-1e3", VT_I4, 0, S_OK, -1000},
      {u"2.5", VT_I4, 0, S_OK, 2},
      {u"3.5", VT_I4, 0, S_OK, 4},
      {-2.5, VT_I2, 0, S_OK, static_cast<short>(-2)},
      {u"9223372036854775807", VT_I8, 0, S_OK, 9223372036854775807LL},
      {static_cast<BYTE>(200), VT_R4, 0, S_OK, 200.0f},
      {true, VT_I4, 0, S_OK, -1},
      {true, VT_BSTR, 0, S_OK, u"-1"},
      {true, VT_BSTR, VARIANT_ALPHABOOL, S_OK, u"True"},
      {u"true", VT_BOOL, 0, S_OK, true},
      {0.5, VT_BOOL, 0, S_OK, true},
      {0, VT_BOOL, 0, S_OK, false},
      {none, VT_I4, 0, S_OK, 0},
      {none, VT_BSTR, 0, S_OK, u""},
      {u"1,5", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {u"abc", VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {u"", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {u"+-1", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {70000, VT_I2, 0, DISP_E_OVERFLOW, {}},
      {-1, VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {1e300, VT_R4, 0, DISP_E_OVERFLOW, {}},
      {u"1e999", VT_R8, 0, DISP_E_OVERFLOW, {}},
      {1e19, VT_I8, 0, DISP_E_OVERFLOW, {}},
      {null, VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {error, VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {42, static_cast<VARTYPE>(VT_BYREF | VT_I4), 0, DISP_E_BADVARTYPE, {}},
  };
  for (const Conversion& c : conversions) {
    CComVariant result(u"untouched on failure");
    HRESULT hr = VariantChangeType(&result, &c.source, c.flags, c.target);
    EXPECT_EQ(hr, c.result) << "source type " << c.source.vt << " to " << c.target;
    if (SUCCEEDED(hr))
      EXPECT_TRUE(SameValue(result, c.expected)) << "source type " << c.source.vt << " to " << c.target;
    else
      EXPECT_EQ(Text(result.bstrVal), u"untouched on failure");
  }
}

TEST(Variant, ChangeTypeFollowsReferencesAndConvertsInPlace) {
  LONG seven = 7;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &seven;
  CComVariant text;
  ASSERT_EQ(VariantChangeType(&text, &reference, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Text(text.bstrVal), u"7");
  // In place: the string it held is freed, not leaked or reused.
  ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_R8), S_OK);
  EXPECT_EQ(text.dblVal, 7.0);
  reference.plVal = nullptr;
  EXPECT_EQ(VariantChangeType(&text, &reference, 0, VT_BSTR), E_INVALIDARG);

  Counted object;
  CComVariant unknown(static_cast<IUnknown*>(&object));
  CComVariant dispatch;
  EXPECT_EQ(VariantChangeType(&dispatch, &unknown, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(object.references, 2u);
}

TEST(SafeArray, BoundsElementsAndErrors) {
  SAFEARRAYBOUND bounds[] = {{2, 1}, {3, 0}}; // leftmost first
  SAFEARRAY* grid = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(SafeArrayGetDim(grid), 2u);
  EXPECT_EQ(grid->rgsabound[0].cElements, 3u); // stored rightmost first
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetLBound(grid, 1, &bound), S_OK);
  EXPECT_EQ(bound, 1);
  EXPECT_EQ(SafeArrayGetUBound(grid, 1, &bound), S_OK);
  EXPECT_EQ(bound, 2);
  EXPECT_EQ(SafeArrayGetUBound(grid, 2, &bound), S_OK);
  EXPECT_EQ(bound, 2);
  EXPECT_EQ(SafeArrayGetLBound(grid, 3, &bound), DISP_E_BADINDEX);
  for (LONG left = 1; left <= 2; ++left) {
    for (LONG right = 0; right <= 2; ++right) {
      LONG indices[] = {right, left};
      LONG value = left * 10 + right;
      ASSERT_EQ(SafeArrayPutElement(grid, indices, &value), S_OK);
    }
  }
  for (LONG left = 1; left <= 2; ++left) {
    for (LONG right = 0; right <= 2; ++right) {
      LONG indices[] = {right, left};
      LONG value = 0;
      ASSERT_EQ(SafeArrayGetElement(grid, indices, &value), S_OK);
      EXPECT_EQ(value, left * 10 + right);
    }
  }
  LONG outside[] = {3, 1};
  LONG value = 0;
  EXPECT_EQ(SafeArrayGetElement(grid, outside, &value), DISP_E_BADINDEX);
  LONG below[] = {0, 0};
  EXPECT_EQ(SafeArrayPutElement(grid, below, &value), DISP_E_BADINDEX);

  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(grid, &data), S_OK);
  EXPECT_EQ(SafeArrayDestroy(grid), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(grid), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(grid), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayDestroy(grid), S_OK);

  EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, bounds), nullptr);
  SAFEARRAYBOUND huge[] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);
}

TEST(SafeArray, ElementsAreCopiedInAndOutAndFreedWithTheArray) {
  Counted object;
  SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
  LONG index = 0;
  ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&object)), S_OK);
  ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&object)), S_OK); // replaces
  EXPECT_EQ(object.references, 2u);
  IUnknown* got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(objects, &index, &got), S_OK);
  EXPECT_EQ(object.references, 3u);
  got->Release();
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(objects, &copy), S_OK);
  EXPECT_EQ(object.references, 3u);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
  EXPECT_EQ(object.references, 1u);

  // Strings and VARIANTs: what is put and got are copies (the leak checker
  // and the address checker see any string shared or lost).
  SAFEARRAY* values = SafeArrayCreateVector(VT_VARIANT, 5, 1);
  CComVariant text(u"gain");
  index = 5;
  ASSERT_EQ(SafeArrayPutElement(values, &index, &text), S_OK);
  CComVariant back;
  ASSERT_EQ(SafeArrayGetElement(values, &index, &back), S_OK);
  EXPECT_NE(back.bstrVal, text.bstrVal);
  EXPECT_EQ(Text(back.bstrVal), u"gain");
  VARTYPE type = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(values, &type), S_OK);
  EXPECT_EQ(type, VT_VARIANT);
  EXPECT_EQ(SafeArrayDestroy(values), S_OK);
}

} // namespace
