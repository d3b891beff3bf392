// The control as containers reach it: by dispatch id or name, with
// arguments as VARIANTs.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "clipview/control.h"
#include "clipview/filters.h"
#include "clipview/tests/support.h"
#include "tests/support/dispatchtables.h"

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
  CComQIPtr<IConnectionPointContainer> events(control);
  ASSERT_TRUE(events);
  CComPtr<IConnectionPoint> point;
  EXPECT_EQ(events->FindConnectionPoint(DIID__DClipViewCtlEvents, &point), S_OK);
  void* dispinterface = nullptr;
  EXPECT_EQ(control->QueryInterface(DIID__DClipViewCtl, &dispinterface), S_OK);
  static_cast<IUnknown*>(dispinterface)->Release();
}

}  // namespace

namespace {

// A stream over bytes in memory that takes at most `capacity` bytes.
class MemoryStream final : public IStream {
 public:
  explicit MemoryStream(std::vector<BYTE> bytes = {}, std::size_t capacity = 1 << 20)
      : m_bytes(std::move(bytes)), m_capacity(capacity) {}
  const std::vector<BYTE>& Bytes() const { return m_bytes; }

  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT Read(void* buffer, ULONG size, ULONG* done) override {
    const std::size_t n = std::min<std::size_t>(size, m_bytes.size() - m_position);
    if (n > 0) std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    if (done) *done = static_cast<ULONG>(n);
    return n == size ? S_OK : S_FALSE;
  }
  HRESULT Write(const void* buffer, ULONG size, ULONG* done) override {
    const std::size_t n = std::min<std::size_t>(size, m_capacity - m_bytes.size());
    m_bytes.insert(m_bytes.end(), static_cast<const BYTE*>(buffer), static_cast<const BYTE*>(buffer) + n);
    if (done) *done = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::vector<BYTE> m_bytes;
  std::size_t m_capacity;
  std::size_t m_position = 0;
};

TEST(Control, PersistsOnlyTheStateVersion) {
  CComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(ClipViewCtl::CreateInstance(&persist), S_OK);
  CLSID clsid{};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ClipViewCtl);
  ULARGE_INTEGER most{};
  EXPECT_EQ(persist->GetSizeMax(&most), S_OK);
  EXPECT_EQ(most.QuadPart, 4u);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  MemoryStream saved;
  ASSERT_EQ(persist->Save(&saved, TRUE), S_OK);
  EXPECT_EQ(saved.Bytes(), (std::vector<BYTE>{0x00, 0x00, 0x01, 0x00}));
  MemoryStream full({}, 2);
  EXPECT_EQ(persist->Save(&full, TRUE), STG_E_MEDIUMFULL);

  auto* control = static_cast<ClipViewCtl*>(persist.p);
  const struct {
    std::vector<BYTE> bytes;
    HRESULT hr;
    DWORD version;  // afterwards
  } loads[] = {
      {{0x00, 0x00, 0x02, 0x00}, S_OK, 0x20000},
      {{0x01, 0x02}, STG_E_READFAULT, 0x20000},  // a short stream changes nothing
      {{}, STG_E_READFAULT, 0x20000},
      {{0x00, 0x00, 0x01, 0x00, 0x55}, S_OK, 0x10000},
  };
  for (const auto& load : loads) {
    MemoryStream stream(load.bytes);
    EXPECT_EQ(persist->Load(&stream), load.hr);
    EXPECT_EQ(control->LoadedVersion(), load.version);
  }
  MemoryStream newer({0x00, 0x00, 0x03, 0x00});
  persist->Load(&newer);
  EXPECT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(control->LoadedVersion(), clipview::kStateVersion);
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
}

// A 32 x 32 packed DIB of `bits` per pixel whose pixel (x, y) has the
// colour Expected(x, y) (paletted depths reach it through their table).
std::vector<BYTE> PackedPicture(WORD bits) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h, h.biWidth = 32, h.biHeight = 32, h.biPlanes = 1, h.biBitCount = bits;
  h.biCompression = BI_RGB;
  const unsigned colours = bits <= 8 ? 1u << bits : 0;
  std::vector<BYTE> out(sizeof h);
  std::memcpy(out.data(), &h, sizeof h);
  for (unsigned i = 0; i < colours; ++i) {
    const BYTE entry[4] = {static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i ^ 0x5A), 0};
    out.insert(out.end(), entry, entry + 4);
  }
  const std::size_t stride = DibStride(32, bits), start = out.size();
  out.resize(start + stride * 32);
  for (int y = 0; y < 32; ++y) {
    BYTE* row = out.data() + start + static_cast<std::size_t>(31 - y) * stride;  // bottom-up
    for (int x = 0; x < 32; ++x) {
      const unsigned index = static_cast<unsigned>(x + 3 * y) % (colours ? colours : 256);
      if (bits == 1) row[x / 8] |= static_cast<BYTE>(index << (7 - x % 8));
      if (bits == 4) row[x / 2] |= static_cast<BYTE>(index << (x % 2 ? 0 : 4));
      if (bits == 8) row[x] = static_cast<BYTE>(index);
      if (bits == 24) row[3 * x] = BYTE(index * 3), row[3 * x + 1] = BYTE(255 - index), row[3 * x + 2] = BYTE(index ^ 0x5A);
    }
  }
  return out;
}

COLORREF Expected(WORD bits, int x, int y) {
  const unsigned index = static_cast<unsigned>(x + 3 * y) % (bits <= 8 ? 1u << bits : 256u);
  return RGB(BYTE(index ^ 0x5A), BYTE(255 - index), BYTE(index * 3));
}

TEST(Control, PictureIsCopiedUnchangedToTheTopLeftOfItsBounds) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 48, 40, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const struct {
    WORD bits;
    RECT bounds;
  } rows[] = {{24, {5, 3, 48, 40}}, {8, {0, 0, 48, 40}}, {4, {7, 2, 20, 12}}, {1, {1, 1, 40, 40}},
              {24, {0, 0, INT_MAX, INT_MAX}}, {8, {-1, -1, INT_MAX, INT_MAX}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bits);
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::memset(bits, 0xEE, DibStride(48, 24) * 40);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    const std::vector<BYTE> packed = PackedPicture(row.bits);
    HBITMAP picture = Platform::CreateBitmapFromPackedDib(packed.data(), packed.size());
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(clipview::DrawPicture(dc, row.bounds, picture));
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 48; ++x) {
        const int px = x - row.bounds.left, py = y - row.bounds.top;
        const bool inside = px >= 0 && py >= 0 && px < 32 && py < 32 && x < row.bounds.right && y < row.bounds.bottom;
        ASSERT_EQ(GetPixel(dc, x, y), inside ? Expected(row.bits, px, py) : RGB(0xEE, 0xEE, 0xEE)) << x << "," << y;
      }
    DeleteObject(picture);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
  }
  EXPECT_FALSE(clipview::DrawPicture(nullptr, {0, 0, 32, 32}, nullptr));
}

}  // namespace

namespace {

TEST(Control, DrawsBitmapOneOfItsResourcesAndNamesItsPage) {
  // The picture as its file holds it: 24 bits, rows bottom-up.
  const std::string file = PROJECT_SOURCE "/clipview/ClipViewCtl.bmp";
  FILE* in = std::fopen(file.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::vector<BYTE> bmp(4096);
  bmp.resize(std::fread(bmp.data(), 1, bmp.size(), in));
  std::fclose(in);
  ASSERT_EQ(bmp.size(), 54u + 32 * 96);

  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, 40, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  CComPtr<IDispatch> made = MakeControl();
  ASSERT_TRUE(static_cast<ClipViewCtl*>(made.p)->OnDraw(dc, {4, 6, 40, 40}));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const BYTE* p = bmp.data() + 54 + (31 - y) * 96 + 3 * x;
      ASSERT_EQ(GetPixel(dc, x + 4, y + 6), RGB(p[2], p[1], p[0])) << x << "," << y;
    }
  EXPECT_EQ(GetPixel(dc, 3, 6), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);

  EXPECT_EQ(clipview::ClipViewCtlPropPage::Name(), "ClipViewCtl Property Page");
  EXPECT_EQ(clipview::ClipViewCtlPropPage::Caption(), "General");
  auto page = clipview::ClipViewCtlPropPage::CreatePage();
  EXPECT_EQ(page->Caption(), "General");
  EXPECT_GT(page->PageSize().cx, 0);
}

// The control's dispatch table against its type library, which this
// program carries as the control's library does.
TEST(Control, DispatchTableMatchesTheTypeLibrary) {
  CComPtr<ITypeLib> library;
  ASSERT_EQ(Platform::LoadModuleTypeLib(nullptr, &library), S_OK);
  int count = 0;
#define COMPARE(T) (TestSupport::CompareDispatchTable<T>(library, #T), ++count);
  CLIPVIEWCTLLib_DISPATCH_TABLES(COMPARE)
#undef COMPARE
  EXPECT_EQ(count, 1);
}

}  // namespace
