#include "clipview/control.h"

#include <algorithm>
#include <limits>

#include "platform/com/memory.h"
#include "platform/dialogs/dialog.h"
#include "platform/dialogs/dialogunits.h"
#include "platform/ui/window.h"
#include "platform/resources/gdiobject.h"
#include "platform/resources/resources.h"

namespace clipview {

namespace {

// The colour of pixel (x, y), y from the top, of a bitmap of the resource
// table in any of its uncompressed depths.
RGBQUAD PixelOf(const Platform::DibBitmap& bitmap, LONG x, LONG y) {
  const BITMAPINFOHEADER& h = bitmap.Header();
  const LONG row = h.biHeight > 0 ? bitmap.Height() - 1 - y : y;
  const BYTE* p = bitmap.Bits().data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(bitmap.Stride());
  const auto& colours = bitmap.Colours();
  auto entry = [&](unsigned index) { return index < colours.size() ? colours[index] : RGBQUAD{}; };
  switch (h.biBitCount) {
    case 1: return entry((p[x / 8] >> (7 - x % 8)) & 1);
    case 4: return entry((p[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF);
    case 8: return entry(p[x]);
    case 16: {
      const unsigned v = p[2 * x] | unsigned{p[2 * x + 1]} << 8;  // 5-5-5
      auto level = [](unsigned five) { return static_cast<BYTE>(five << 3 | five >> 2); };
      return {level(v & 31), level((v >> 5) & 31), level((v >> 10) & 31), 0};
    }
    case 24: return {p[3 * x], p[3 * x + 1], p[3 * x + 2], 0};
    default: return {p[4 * x], p[4 * x + 1], p[4 * x + 2], 0};
  }
}

// A bitmap of the resource table (what LoadBitmap gives) copied into a
// 24-bit section of the drawing surface, which a context can select.
HBITMAP SurfaceCopy(HBITMAP picture) {
  const Platform::DibBitmap* bitmap = Platform::FindBitmap(picture);
  if (bitmap == nullptr || bitmap->Header().biCompression != BI_RGB) return nullptr;
  const LONG width = bitmap->Width(), height = bitmap->Height();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr) return nullptr;
  const auto stride = static_cast<std::size_t>(DibStride(width, 24));
  for (LONG y = 0; y < height; ++y) {
    BYTE* out = static_cast<BYTE*>(bits) + static_cast<std::size_t>(y) * stride;
    for (LONG x = 0; x < width; ++x, out += 3) {
      const RGBQUAD c = PixelOf(*bitmap, x, y);
      out[0] = c.rgbBlue, out[1] = c.rgbGreen, out[2] = c.rgbRed;
    }
  }
  return section;
}

}  // namespace

BOOL DrawPicture(HDC dc, const RECT& bounds, HBITMAP picture) {
  if (dc == nullptr || picture == nullptr) return FALSE;
  HDC memory = CreateCompatibleDC(dc);
  if (memory == nullptr) return FALSE;
  // A bitmap of the drawing surface is selected as it is; one of the
  // resource table through a copy.
  HBITMAP copy = nullptr;
  HGDIOBJ old = SelectObject(memory, picture);
  if (old == nullptr && (copy = SurfaceCopy(picture)) != nullptr) old = SelectObject(memory, copy);
  BOOL drawn = FALSE;
  if (old != nullptr) {
    // The picture is drawn at its size (BitBlt clips to it), inside the bounds.
    // Widths in 64 bits: bounds may span the whole coordinate range.
    const auto width = static_cast<LONG>(std::min<LONGLONG>(kInitialSize, LONGLONG{bounds.right} - bounds.left));
    const auto height = static_cast<LONG>(std::min<LONGLONG>(kInitialSize, LONGLONG{bounds.bottom} - bounds.top));
    drawn = width <= 0 || height <= 0 || BitBlt(dc, bounds.left, bounds.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
  }
  DeleteDC(memory);
  if (copy) DeleteObject(copy);
  return drawn;
}

BOOL ClipViewCtl::SobelMagnitude(LONG source, LONG result) { return m_processor.SobelMagnitude(source, result); }

BOOL ClipViewCtl::SobelDirection(LONG source, LONG result, LONG direction) {
  return m_processor.SobelDirection(source, result, direction);
}

BOOL ClipViewCtl::Motion(LONG source, LONG result) { return m_processor.Motion(source, result); }

BOOL ClipViewCtl::Difference(LONG source1, LONG source2, LONG result) {
  return m_processor.Difference(source1, source2, result);
}

BOOL ClipViewCtl::Threshold(LONG source, SHORT threshold, LONG result) {
  return m_processor.Threshold(source, threshold, result);
}

BOOL ClipViewCtl::Normalize(LONG source, SHORT min, SHORT max, LONG result) {
  return m_processor.Normalize(source, min, max, result);
}

BOOL ClipViewCtl::DrawText(LONG image, const char* text, LONG x, LONG y) {
  return m_processor.DrawText(image, text, x, y);
}

BOOL ClipViewCtl::DrawDateTime(LONG image, LONG x, LONG y) { return m_processor.DrawDateTime(image, x, y); }

BOOL ClipViewCtl::SetTextStyle(LONG image, const char* fontName, SHORT fontSize, SHORT red, SHORT green,
                               SHORT blue) {
  return m_processor.SetTextStyle(image, fontName, fontSize, red, green, blue);
}

BOOL ClipViewCtl::DrawCrosshair(LONG image, LONG x, LONG y, LONG red, LONG green, LONG blue) {
  return m_processor.DrawCrosshair(image, x, y, red, green, blue);
}

BOOL ClipViewCtl::DrawLine(LONG image, LONG x0, LONG y0, LONG x1, LONG y1, LONG red, LONG green, LONG blue) {
  return m_processor.DrawLine(image, x0, y0, x1, y1, red, green, blue);
}

LONGLONG ClipViewCtl::SumArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  return m_processor.SumArea(image, x0, y0, x1, y1);
}

LONG ClipViewCtl::MeanArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  return m_processor.MeanArea(image, x0, y0, x1, y1);
}

BOOL ClipViewCtl::Scale(LONG image, LONG scaled) { return m_processor.Scale(image, scaled); }

VARIANT ClipViewCtl::SumAreaValue(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  const LONGLONG sum = SumArea(image, x0, y0, x1, y1);
  VARIANT value;
  VariantInit(&value);
  if (sum <= std::numeric_limits<LONG>::max()) {
    value.vt = VT_I4;
    value.lVal = static_cast<LONG>(sum);
  } else {
    value.vt = VT_I8;
    value.llVal = sum;
  }
  return value;
}

// The dialog's texts and icons are all in its template.
void ClipViewCtl::AboutBox() {
  Platform::Dialog about(kDialogAbout, nullptr, Platform::ThisModule());
  about.DoModal();
}

HRESULT ClipViewCtl::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_ClipViewCtlPropPage;
  pages->cElems = 1;
  return S_OK;
}

BOOL ClipViewCtl::OnDraw(HDC dc, const RECT& bounds) {
  HBITMAP picture = LoadBitmap(Platform::ThisModule(), MAKEINTRESOURCE(kBitmapControl));
  const BOOL drawn = DrawPicture(dc, bounds, picture);
  if (picture) DeleteObject(picture);
  return drawn;
}

HRESULT ClipViewCtl::Draw(DWORD aspect, LONG lindex, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                          LPCRECTL, BOOL (*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (lindex != -1) return DV_E_LINDEX;
  if (dc == nullptr || bounds == nullptr) return E_INVALIDARG;
  return OnDraw(dc, {bounds->left, bounds->top, bounds->right, bounds->bottom}) ? S_OK : E_FAIL;
}

HRESULT ClipViewCtl::GetColorSet(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  if (colours == nullptr) return E_POINTER;
  *colours = nullptr;
  return aspect == DVASPECT_CONTENT ? S_FALSE : DV_E_DVASPECT;
}

HRESULT ClipViewCtl::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze != nullptr) *freeze = 0;
  return E_NOTIMPL;
}

HRESULT ClipViewCtl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = 0;
  if (flags != nullptr) *flags = 0;
  if (sink != nullptr) *sink = nullptr;
  return S_OK;
}

HRESULT ClipViewCtl::GetExtent(DWORD aspect, LONG lindex, DVTARGETDEVICE*, LPSIZEL size) {
  if (lindex != -1) return DV_E_LINDEX;
  return GetExtent(aspect, size);
}

HRESULT ClipViewCtl::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  if (m_site != nullptr) m_site->Release();
  m_site = site;
  return S_OK;
}

HRESULT ClipViewCtl::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = m_site;
  if (m_site != nullptr) m_site->AddRef();
  return S_OK;
}

HRESULT ClipViewCtl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT ClipViewCtl::GetClipboardData(DWORD, IDataObject** data) {
  if (data != nullptr) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT ClipViewCtl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs != nullptr) *verbs = nullptr;
  return OLEOBJ_E_NOVERBS;
}

// Every form of the name is the control's user type name (string 1).
HRESULT ClipViewCtl::GetUserType(DWORD, LPOLESTR* userType) {
  if (userType == nullptr) return E_POINTER;
  char name[64] = {};
  LoadString(Platform::ThisModule(), kStringControlName, name, sizeof name);
  *userType = Platform::TaskString(name);
  return *userType != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT ClipViewCtl::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  m_extent = *size;
  return S_OK;
}

HRESULT ClipViewCtl::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = m_extent;
  return S_OK;
}

HRESULT ClipViewCtl::Advise(IAdviseSink*, DWORD* connection) {
  if (connection != nullptr) *connection = 0;
  return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT ClipViewCtl::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises != nullptr) *advises = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT ClipViewCtl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
  return S_OK;
}

HRESULT ClipViewCtl::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_ClipViewCtl;
  return S_OK;
}

// The version is stored little-endian, as it always was.
HRESULT ClipViewCtl::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  BYTE bytes[4] = {};
  ULONG read = 0;
  const HRESULT hr = stream->Read(bytes, sizeof bytes, &read);
  if (FAILED(hr)) return hr;
  if (read != sizeof bytes) return STG_E_READFAULT;
  m_loadedVersion = DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 | DWORD{bytes[3]} << 24;
  return S_OK;
}

HRESULT ClipViewCtl::Save(LPSTREAM stream, BOOL) {
  if (stream == nullptr) return E_POINTER;
  const BYTE bytes[4] = {static_cast<BYTE>(kStateVersion), static_cast<BYTE>(kStateVersion >> 8),
                         static_cast<BYTE>(kStateVersion >> 16), static_cast<BYTE>(kStateVersion >> 24)};
  ULONG written = 0;
  const HRESULT hr = stream->Write(bytes, sizeof bytes, &written);
  if (FAILED(hr)) return hr;
  return written == sizeof bytes ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT ClipViewCtl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 4;
  return S_OK;
}

HRESULT ClipViewCtl::InitNew() {
  m_loadedVersion = kStateVersion;
  return S_OK;
}

namespace {
std::string Text(UINT id) {
  char buffer[256];
  const int length = LoadString(Platform::ThisModule(), id, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(length));
}
}  // namespace

std::string ClipViewCtlPropPage::Name() { return Text(kStringPropPageName); }
std::string ClipViewCtlPropPage::Caption() { return Text(kStringPropPageCaption); }

std::unique_ptr<Platform::PropertyPage> ClipViewCtlPropPage::CreatePage() {
  return std::make_unique<Platform::PropertyPage>(kDialogPropPage, Caption(), Platform::ThisModule());
}

ClipViewCtlPropPage::ClipViewCtlPropPage() : m_page(CreatePage()) {}

void ClipViewCtlPropPage::FinalRelease() {
  if (m_page->IsWindow()) m_page->DestroyWindow();
  ReleaseObjects();
  SetPageSite(nullptr);
}

void ClipViewCtlPropPage::ReleaseObjects() {
  for (IUnknown* object : m_objects) object->Release();
  m_objects.clear();
}

HRESULT ClipViewCtlPropPage::SetPageSite(IPropertyPageSite* site) {
  if (site != nullptr && m_site != nullptr) return E_UNEXPECTED;
  if (site != nullptr) site->AddRef();
  if (m_site != nullptr) m_site->Release();
  m_site = site;
  return S_OK;
}

HRESULT ClipViewCtlPropPage::Activate(HWND, LPCRECT rect, BOOL) {
  if (rect == nullptr) return E_POINTER;
  if (!m_page->IsWindow() && !m_page->Create()) return E_FAIL;
  return Move(rect);
}

HRESULT ClipViewCtlPropPage::Deactivate() {
  if (m_page->IsWindow()) m_page->DestroyWindow();
  return S_OK;
}

HRESULT ClipViewCtlPropPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  const std::optional<SIZE> size = Platform::DialogTemplatePixels(m_page->TemplateBytes());
  if (!size) return E_UNEXPECTED;
  *info = PROPPAGEINFO{};
  info->cb = sizeof(PROPPAGEINFO);
  info->pszTitle = Platform::TaskString(m_page->Caption());
  if (info->pszTitle == nullptr) return E_OUTOFMEMORY;
  info->size = *size;
  return S_OK;
}

HRESULT ClipViewCtlPropPage::SetObjects(ULONG count, IUnknown** objects) {
  if (objects == nullptr && count != 0) return E_POINTER;
  ReleaseObjects();
  for (ULONG i = 0; i < count; ++i) {
    if (objects[i] == nullptr) continue;
    objects[i]->AddRef();
    m_objects.push_back(objects[i]);
  }
  return S_OK;
}

HRESULT ClipViewCtlPropPage::Show(UINT command) {
  if (!m_page->IsWindow()) return E_UNEXPECTED;
  m_page->ShowWindow(static_cast<int>(command));
  return S_OK;
}

HRESULT ClipViewCtlPropPage::Move(LPCRECT rect) {
  if (!m_page->IsWindow()) return E_UNEXPECTED;
  if (rect == nullptr) return E_POINTER;
  m_page->MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

// Keys and the mouse go to the page's controls; nothing else is the page's.
HRESULT ClipViewCtlPropPage::TranslateAccelerator(MSG* message) {
  if (message == nullptr) return E_POINTER;
  const bool keyboard = message->message >= 0x100 && message->message <= 0x108;
  const bool mouse = message->message >= 0x200 && message->message <= 0x209;
  if ((!keyboard && !mouse) || !m_page->IsWindow()) return S_FALSE;
  return m_page->IsDialogMessage(message->message, message->wParam, message->lParam) ? S_OK : S_FALSE;
}

}  // namespace clipview
