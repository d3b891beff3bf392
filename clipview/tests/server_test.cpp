// The built server library: it registers the control and its page, is
// loaded through the registry by ProgID, shows its about box from its own
// resources and takes its keys away again.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <cstdlib>

#include "clipview/control.h"
#include "platform/dialogs/dialoghost.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"
#include "platform/resources/resources.h"
#include "platform/ui/window.h"
#include "tests/support/tempdir.h"

namespace {

std::string Text(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
  char buffer[1024] = "";
  DWORD size = sizeof buffer;
  const LONG read = RegQueryValueEx(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? std::string(buffer) : "<none>";
}

CLSID FromProgId(const char* progId) {
  CLSID clsid = GUID_NULL;
  CLSIDFromProgID(CComBSTR(progId), &clsid);
  return clsid;
}

using Entry = HRESULT (*)();

TEST(Server, RegistersItsClassesAndServesTheControlByProgId) {
  TestSupport::TempDir dir;
  setenv("PLATFORM_REGISTRY_FILE", dir.Path("registry.sqlite").c_str(), 1);
  void* library = dlopen(CLIPVIEW_SERVER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto reg = reinterpret_cast<Entry>(dlsym(library, "DllRegisterServer"));
  auto unreg = reinterpret_cast<Entry>(dlsym(library, "DllUnregisterServer"));
  ASSERT_TRUE(reg && unreg);
  ASSERT_EQ(reg(), S_OK);

  const std::string path = Platform::ModuleFilePath(Platform::ModuleOf(reinterpret_cast<void*>(reg)));
  const std::string control = "CLSID\\" + Platform::GuidText(CLSID_ClipViewCtl);
  const std::string page = "CLSID\\" + Platform::GuidText(CLSID_ClipViewCtlPropPage);
  const std::pair<std::string, std::string> keys[] = {
      {control, "ClipViewCtl"},
      {control + "\\ProgID", "CLIPVIEWCTL.ClipViewCtlCtrl.1"},
      {control + "\\InprocServer32", path},
      {control + "\\Control", ""},
      {control + "\\MiscStatus\\1", "132497"},
      {control + "\\ToolboxBitmap32", path + ", 1"},
      {control + "\\Version", "1.0"},
      {control + "\\TypeLib", Platform::GuidText(LIBID_CLIPVIEWCTLLib)},
      {page, "ClipViewCtl Property Page"},
      {page + "\\ProgID", "CLIPVIEWCTL.ClipViewCtlPropPage.1"},
      {page + "\\InprocServer32", path},
  };
  for (const auto& [key, text] : keys) EXPECT_EQ(Text(key), text) << key;
  EXPECT_EQ(FromProgId("CLIPVIEWCTL.ClipViewCtlCtrl.1"), CLSID_ClipViewCtl);
  EXPECT_EQ(FromProgId("CLIPVIEWCTL.ClipViewCtlPropPage.1"), CLSID_ClipViewCtlPropPage);

  // The about box comes from the library's own dialog.
  CComPtr<IDispatch> made;
  ASSERT_EQ(CoCreateInstance(FromProgId("CLIPVIEWCTL.ClipViewCtlCtrl"), nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDispatch, reinterpret_cast<void**>(&made)),
            S_OK);
  Platform::RecordingHost host;
  {
    Platform::ScopedDialogHost scope(host);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(made->Invoke(DISPID_ABOUTBOX, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
  }
  ASSERT_EQ(host.Dialogs().size(), 1u);
  EXPECT_EQ(host.Dialogs()[0].templateId, 1u);
  EXPECT_EQ(host.Dialogs()[0].caption, "About ClipViewCtl ");
  made.Release();

  ASSERT_EQ(unreg(), S_OK);
  EXPECT_EQ(Text(control), "<none>");
  EXPECT_EQ(Text(page), "<none>");
  EXPECT_EQ(Text("CLIPVIEWCTL.ClipViewCtlCtrl.1"), "<none>");
  unsetenv("PLATFORM_REGISTRY_FILE");
}

// A container that knows only the control's ProgID and the view, object
// and page interfaces: it sizes the control by its extent, draws it, and
// shows its property page.
class Container : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    m_library = dlopen(CLIPVIEW_SERVER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_library, nullptr) << dlerror();
    auto reg = reinterpret_cast<Entry>(dlsym(m_library, "DllRegisterServer"));
    ASSERT_EQ(reg(), S_OK);
    m_module = Platform::ModuleOf(reinterpret_cast<void*>(reg));
  }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  template <class Interface>
  CComPtr<Interface> Make(const char* progId) {
    CComPtr<Interface> made;
    EXPECT_EQ(CoCreateInstance(FromProgId(progId), nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                               reinterpret_cast<void**>(&made)),
              S_OK);
    return made;
  }

  TestSupport::TempDir m_dir;
  void* m_library = nullptr;
  HMODULE m_module = nullptr;
};

TEST_F(Container, DrawsTheControlThroughItsViewAtTheSizeOfItsExtent) {
  CComPtr<IViewObject2> view = Make<IViewObject2>("CLIPVIEWCTL.ClipViewCtlCtrl.1");
  ASSERT_TRUE(view);
  SIZEL extent{};
  ASSERT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
  const LONG width = Platform::HimetricToPixels(extent.cx), height = Platform::HimetricToPixels(extent.cy);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 32);

  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width + 8, height + 8, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  const RECTL bounds{4, 6, 4 + width, 6 + height};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
  // The picture is the control's bitmap 1, as its file holds it.
  const std::string bmp = TestSupport::ReadFile(PROJECT_SOURCE "/clipview/ClipViewCtl.bmp");
  ASSERT_EQ(bmp.size(), 54u + 32 * 96);
  for (int y = 0; y < height + 8; ++y)
    for (int x = 0; x < width + 8; ++x) {
      const int px = x - 4, py = y - 6;
      COLORREF expected = RGB(0, 0, 0);
      if (px >= 0 && py >= 0 && px < 32 && py < 32) {
        const auto* p = reinterpret_cast<const BYTE*>(bmp.data()) + 54 + (31 - py) * 96 + 3 * px;
        expected = RGB(p[2], p[1], p[0]);
      }
      ASSERT_EQ(GetPixel(dc, x, y), expected) << x << "," << y;
    }
  const struct {
    DWORD aspect;
    LONG lindex;
    HDC dc;
    HRESULT expected;
  } refused[] = {{DVASPECT_ICON, -1, dc, DV_E_DVASPECT}, {DVASPECT_CONTENT, 0, dc, DV_E_LINDEX},
                 {DVASPECT_CONTENT, -1, nullptr, E_INVALIDARG}};
  for (const auto& row : refused)
    EXPECT_EQ(view->Draw(row.aspect, row.lindex, nullptr, nullptr, nullptr, row.dc, &bounds, nullptr, nullptr, 0),
              row.expected);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);

  // The container's size for it stays the control's extent.
  CComQIPtr<IOleObject> object(view);
  ASSERT_TRUE(object);
  SIZEL larger{2000, 1000};
  EXPECT_EQ(object->SetExtent(DVASPECT_CONTENT, &larger), S_OK);
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
  EXPECT_EQ(extent.cx, 2000);
  EXPECT_EQ(extent.cy, 1000);
  EXPECT_EQ(object->SetExtent(DVASPECT_ICON, &larger), DV_E_DVASPECT);
  DWORD status = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, clipview::kMiscStatus);
  LPOLESTR userType = nullptr;
  ASSERT_EQ(object->GetUserType(USERCLASSTYPE_FULL, &userType), S_OK);
  EXPECT_EQ(std::u16string(userType), u"ClipViewCtl");
  CoTaskMemFree(userType);
}

TEST_F(Container, ShowsThePropertyPageThatEditsNothing) {
  CComPtr<IPropertyPage> page = Make<IPropertyPage>("CLIPVIEWCTL.ClipViewCtlPropPage.1");
  ASSERT_TRUE(page);
  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(std::u16string(info.pszTitle), u"General");
  Platform::PropertyPage dialog(clipview::kDialogPropPage, "General", m_module);
  EXPECT_EQ(info.size.cx, dialog.PageSize().cx);
  EXPECT_EQ(info.size.cy, dialog.PageSize().cy);
  EXPECT_GT(info.size.cx, 0);
  EXPECT_EQ(info.pszHelpFile, nullptr);
  EXPECT_EQ(info.pszDocString, nullptr);
  CoTaskMemFree(info.pszTitle);

  CComPtr<IUnknown> control = Make<IUnknown>("CLIPVIEWCTL.ClipViewCtlCtrl.1");
  IUnknown* objects[] = {control};
  EXPECT_EQ(page->SetObjects(1, objects), S_OK);
  const RECT rect{0, 0, info.size.cx, info.size.cy};
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(page->Activate(nullptr, nullptr, FALSE), E_POINTER);
  ASSERT_EQ(page->Activate(nullptr, &rect, FALSE), S_OK);
  const std::pair<HRESULT, HRESULT> answers[] = {
      {page->Show(SW_SHOW), S_OK}, {page->Move(&rect), S_OK}, {page->IsPageDirty(), S_FALSE},
      {page->Apply(), S_OK},       {page->IsPageDirty(), S_FALSE}, {page->Help(u"/"), E_NOTIMPL},
      {page->Deactivate(), S_OK},  {page->Move(&rect), E_UNEXPECTED}};
  for (const auto& [answer, expected] : answers) EXPECT_EQ(answer, expected);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);

  // The icon both dialogs show on both sides is the control's icon 1.
  for (UINT id : {clipview::kDialogAbout, clipview::kDialogPropPage}) {
    Platform::Dialog shown(id, nullptr, m_module);
    ASSERT_TRUE(shown.Create()) << id;
    int icons = 0;
    for (const auto& item : shown.Controls()) {
      if (item->GetImage() == 0) continue;
      HICON icon = LoadIcon(m_module, MAKEINTRESOURCE(item->GetImage()));
      EXPECT_NE(icon, nullptr) << id;
      DestroyIcon(icon);
      ++icons;
    }
    EXPECT_EQ(icons, 2) << id;
  }
}

}  // namespace
