// The control as containers reach it: by dispatch id or name, with
// arguments as VARIANTs.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "clipview/control.h"
#include "clipview/filters.h"
#include "clipview/tests/support.h"

using clipview::ClipViewCtl;
using clipview::testing::Bytes;
using clipview::testing::RandomImage;

namespace {

CComPtr<IDispatch> MakeControl() {
  CComPtr<IDispatch> control;
  EXPECT_EQ(ClipViewCtl::CreateInstance(&control), S_OK);
  return control;
}

// Invokes a method with its arguments in the order they are written.
HRESULT Call(IDispatch* control, DISPID id, std::vector<CComVariant> args, CComVariant& result) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  result = CComVariant();
  return control->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
}

CComVariant Call(IDispatch* control, DISPID id, std::vector<CComVariant> args) {
  CComVariant result;
  EXPECT_EQ(Call(control, id, std::move(args), result), S_OK) << "dispatch id " << id;
  return result;
}

DISPID IdOf(IDispatch* control, const char* name) {
  CComBSTR text(name);
  LPOLESTR names[] = {text.m_str};
  DISPID id = 0;
  return control->GetIDsOfNames(IID_NULL, names, 1, 0, &id) == S_OK ? id : DISPID_UNKNOWN;
}

TEST(Control, EveryMethodAnswersByItsIdAndRefusesHandleZero) {
  auto a = RandomImage(17, 11, ImageClass::kGrey), b = RandomImage(17, 11, ImageClass::kGrey);
  auto c = RandomImage(17, 11, ImageClass::kGrey), colour = RandomImage(17, 11, ImageClass::kColour);
  const int ga = a->Handle(), gb = b->Handle(), gc = c->Handle(), col = colour->Handle();
  const LONGLONG sum = clipview::SumArea(*a, 2, 3, 9, 8);
  struct Row {
    DISPID id;
    const char* name;
    std::vector<CComVariant> args;
    std::vector<int> images;  // positions of the image handles
    VARTYPE type;
    LONGLONG value;           // of a call with live images
  };
  const std::vector<Row> rows = {
      {1, "SobelMagnitude", {ga, gb}, {0, 1}, VT_BOOL, VARIANT_TRUE},
      {2, "SobelDirection", {ga, gb, gc}, {0, 1, 2}, VT_BOOL, VARIANT_TRUE},
      {3, "Motion", {ga, gb}, {0, 1}, VT_BOOL, VARIANT_FALSE},  // the first call keeps the frame
      {4, "Difference", {ga, gb, gc}, {0, 1, 2}, VT_BOOL, VARIANT_TRUE},
      {5, "Threshold", {ga, 300, gb}, {0, 2}, VT_BOOL, VARIANT_TRUE},
      {6, "Normalize", {ga, short{0}, short{200}, gb}, {0, 3}, VT_BOOL, VARIANT_TRUE},
      {7, "DrawText", {col, "Hi", 1, 1}, {0}, VT_BOOL, VARIANT_TRUE},
      {8, "DrawDateTime", {col, 0, 0}, {0}, VT_BOOL, VARIANT_TRUE},
      {9, "SetTextStyle", {col, "DejaVu Sans", 9, 255, 0, 0}, {0}, VT_BOOL, VARIANT_TRUE},
      {10, "DrawCrosshair", {gc, 3, 4, 10, 20, 30}, {0}, VT_BOOL, VARIANT_TRUE},
      {11, "DrawLine", {col, 0, 0, 5, 0, 10, 20, 30}, {0}, VT_BOOL, VARIANT_TRUE},
      {12, "SumArea", {ga, 2, 3, 9, 8}, {0}, VT_I4, sum},
      {13, "MeanArea", {ga, 2, 3, 9, 8}, {0}, VT_I4, sum / 35},
      {14, "Scale", {ga, gb}, {0, 1}, VT_BOOL, VARIANT_TRUE},
  };
  auto control = MakeControl();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IdOf(control, row.name), row.id);
    // Refused first, so that Motion's first real call is still its first.
    const std::vector<std::vector<BYTE>> before = {Bytes(*a), Bytes(*b), Bytes(*c), Bytes(*colour)};
    for (int position : row.images) {
      std::vector<CComVariant> args = row.args;
      args[static_cast<std::size_t>(position)] = 0;
      CComVariant refused = Call(control, row.id, args);
      EXPECT_EQ(refused.vt, row.type);
      EXPECT_EQ(refused.vt == VT_BOOL ? refused.boolVal : refused.lVal, 0);
    }
    EXPECT_EQ((std::vector<std::vector<BYTE>>{Bytes(*a), Bytes(*b), Bytes(*c), Bytes(*colour)}), before);
    CComVariant answer = Call(control, row.id, row.args);
    EXPECT_EQ(answer.vt, row.type);
    EXPECT_EQ(answer.vt == VT_BOOL ? answer.boolVal : answer.lVal, row.value);
  }
  EXPECT_EQ(IdOf(control, "aboutbox"), DISPID_ABOUTBOX);
  EXPECT_EQ(IdOf(control, "Paint"), DISPID_UNKNOWN);

  // The arguments arrived in their order: red, green, blue of the last
  // line are stored blue first; the threshold was taken as a short's low
  // byte (300 -> 44).
  const BYTE* p = colour->Row(0);
  EXPECT_EQ((std::vector<BYTE>{p[15], p[16], p[17]}), (std::vector<BYTE>{30, 20, 10}));
  auto level = RandomImage(17, 11, ImageClass::kGrey), binary = RandomImage(17, 11, ImageClass::kGrey);
  Call(control, 5, {level->Handle(), 300, binary->Handle()});
  for (LONG y = 0; y < 11; ++y)
    for (LONG x = 0; x < 17; ++x) ASSERT_EQ(binary->Row(y)[x], level->Row(y)[x] > 44 ? 255 : 0);
}

TEST(Control, WrongArgumentsAreRefusedByDispatch) {
  auto control = MakeControl();
  CComVariant result;
  EXPECT_EQ(Call(control, 1, {1}, result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(control, 15, {}, result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(control, 5, {1, 70000, 2}, result), DISP_E_OVERFLOW);  // the threshold is a short
}

TEST(Control, SumAreaAnswersEightBytesOnlyBeyondFourByteRange) {
  auto control = MakeControl();
  auto white = std::make_unique<ImageClass>();
  ASSERT_TRUE(white->Init(4100, 2100, ImageClass::kGrey));
  std::fill(white->m_pData, white->m_pData + white->m_nSize, BYTE{255});
  const struct {
    LONG x1;
    VARTYPE type;
  } rows[] = {{4100, VT_I8}, {4000, VT_I4}};  // 2 195 550 000 and 2 142 000 000
  for (const auto& row : rows) {
    CComVariant sum = Call(control, 12, {white->Handle(), 0, 0, row.x1, 2100});
    ASSERT_EQ(sum.vt, row.type);
    EXPECT_EQ(row.type == VT_I8 ? sum.llVal : sum.lVal, 255LL * row.x1 * 2100);
  }
  EXPECT_EQ(Call(control, 13, {white->Handle(), -5, -5, 5000, 5000}).lVal, 255);
}

TEST(Control, NamesItsPropertyPageAndAnswersItsInterfaces) {
  auto control = MakeControl();
  CComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(control->QueryInterface(__uuidof(ISpecifyPropertyPages), reinterpret_cast<void**>(&pages)), S_OK);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_EQ(list.pElems[0], CLSID_ClipViewCtlPropPage);
  CoTaskMemFree(list.pElems);
  CComPtr<IUnknown> viaDispatch, viaPages;
  control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaDispatch));
  pages->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaPages));
  EXPECT_EQ(viaDispatch.p, viaPages.p);
  void* dispinterface = nullptr;
  EXPECT_EQ(control->QueryInterface(DIID__DClipViewCtl, &dispinterface), S_OK);
  static_cast<IUnknown*>(dispinterface)->Release();
}

}  // namespace
