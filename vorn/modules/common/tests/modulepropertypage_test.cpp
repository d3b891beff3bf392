// The page object as a property frame drives it, over a server object with
// the engine's module aggregated inside it.
#include <gtest/gtest.h>

#include "platform/com/tests/counted.h"
#include "platform/dialogs/dialogunits.h"
#include "platform/dialogs/dialogscript.h"
#include "platform/ui/window.h"
#include "vorn/engine/tests/fakes.h"
#include "vorn/modules/common/modulepropertypage.h"

using namespace VornModules;

namespace {

std::vector<BYTE> g_template;

std::vector<BYTE> Template(bool withFont) {
  const auto compiled = Platform::CompileDialogScript(std::string("201 DIALOG 0, 0, 206, 111\nSTYLE WS_CHILD\n") +
                                (withFont ? "FONT 8, \"MS Sans Serif\"\n" : "") +
                                "BEGIN\n  EDITTEXT 203, 50, 7, 40, 14\nEND\n",
                                                     "page.dlg");
  EXPECT_TRUE(compiled.errors.empty());
  return Platform::WriteDialogTemplate(compiled.dialogs.at(0).dialogTemplate);
}

class RecordingSite final : public IPropertyPageSite {
public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IPropertyPageSite ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT OnStatusChange(DWORD flags) override {
    changes.push_back(flags);
    return S_OK;
  }
  HRESULT GetLocaleID(LCID*) override { return E_NOTIMPL; }
  HRESULT GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  HRESULT TranslateAccelerator(MSG*) override { return E_NOTIMPL; }
  ULONG references = 1;
  std::vector<DWORD> changes;
};

// The server object stands in for the module and is recognised by
// IVornDerivedModule; its handlers mark the module dirty.
class LevelPage final : public ModulePageDialog {
public:
  LevelPage() : ModulePageDialog(IID_IVornDerivedModule, g_template) {}
  HRESULT ApplyChanges() override {
    ++applied;
    WithModuleLocked([] { return true; });
    return S_OK;
  }
  void InitializePage() override { WithModuleLocked([] { return true; }); }
  void UpdateDisplay() override { ++displayed; }
  int applied = 0;
  int displayed = 0;
};

class LevelPagePP : public ModulePropertyPage {
public:
  LevelPagePP() : ModulePropertyPage(std::make_unique<LevelPage>()) {}
  LevelPage& Page() { return static_cast<LevelPage&>(Dialog()); }
};

struct Frame {
  explicit Frame(std::vector<BYTE> bytes = Template(true)) {
    g_template = std::move(bytes);
    CComObject<LevelPagePP>* made = nullptr;
    EXPECT_EQ(CComObject<LevelPagePP>::CreateInstance(&made), S_OK);
    object = made;
    page = &made->Page();
    pages = made;
  }
  BOOL ModuleDirty() {
    BOOL dirty = FALSE;
    server->local->GetDirtyFlag(&dirty);
    return dirty;
  }
  FakeServer* server = nullptr;
  CComPtr<IUnknown> module = FakeServer::Make(&server);
  CComPtr<IPropertyPage> object;
  LevelPage* page = nullptr;
  IVornModulePropertyPage* pages = nullptr;
};

const RECT kRect{10, 20, 310, 220};

TEST(ModulePropertyPage, KeepsOneSiteAndFindsItsModuleAmongTheObjects) {
  Frame frame;
  RecordingSite first, second;
  EXPECT_EQ(frame.object->SetPageSite(&first), S_OK);
  EXPECT_EQ(frame.object->SetPageSite(&second), E_UNEXPECTED);
  EXPECT_EQ(second.references, 1u);
  EXPECT_EQ(first.references, 2u);

  // An object of another kind is held but is no module.
  Counted other;
  IUnknown* notModules[] = {&other};
  EXPECT_EQ(frame.object->SetObjects(1, notModules), S_OK);
  EXPECT_EQ(frame.page->Module(), nullptr);
  EXPECT_EQ(other.references, 2u);
  EXPECT_FALSE(frame.page->WithModuleLocked([] { return true; }));
  EXPECT_EQ(frame.object->SetObjects(1, nullptr), E_POINTER);

  IUnknown* objects[] = {&other, frame.module};
  EXPECT_EQ(frame.object->SetObjects(2, objects), S_OK);
  EXPECT_EQ(other.references, 2u);  // the first hold was released
  EXPECT_NE(frame.page->Module(), nullptr);
  EXPECT_EQ(frame.object->SetObjects(0, nullptr), S_OK);
  EXPECT_EQ(other.references, 1u);
  EXPECT_EQ(frame.page->Module(), nullptr) << "the module is no longer held";
  EXPECT_EQ(frame.object->SetObjects(1, notModules), S_OK);
  EXPECT_EQ(frame.page->Module(), nullptr);
  frame.object->SetObjects(0, nullptr);

  EXPECT_EQ(frame.object->SetPageSite(nullptr), S_OK);
  EXPECT_EQ(first.references, 1u);
}

TEST(ModulePropertyPage, WindowCallsNeedAWindowAndModulesHearOfIt) {
  Frame frame;
  IUnknown* objects[] = {frame.module};
  frame.object->SetObjects(1, objects);
  EXPECT_EQ(frame.object->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(frame.object->Move(&kRect), E_UNEXPECTED);
  EXPECT_EQ(frame.object->Activate(nullptr, nullptr, FALSE), E_POINTER);
  EXPECT_EQ(frame.object->Deactivate(), S_OK);

  ASSERT_EQ(frame.object->Activate(nullptr, &kRect, FALSE), S_OK);
  const RECT placed = frame.page->GetWindowRect();
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.bottom, 220);
  EXPECT_EQ(frame.object->Show(SW_SHOW), S_OK);
  EXPECT_TRUE(frame.page->IsWindowVisible());
  EXPECT_EQ(frame.object->Move(nullptr), E_POINTER);

  // The engine refreshes an active page when the module turns dirty.
  frame.server->local->SetDirtyFlag(FALSE);
  frame.server->local->SetDirtyFlag(TRUE);
  EXPECT_EQ(frame.page->displayed, 1);
  frame.object->Deactivate();
  EXPECT_FALSE(frame.page->IsWindow());
  frame.server->local->SetDirtyFlag(FALSE);
  frame.server->local->SetDirtyFlag(TRUE);
  EXPECT_EQ(frame.page->displayed, 1);
}

TEST(ModulePropertyPage, ApplyLeavesTheModuleToBeSavedAndThePageClean) {
  Frame frame;
  RecordingSite site;
  frame.object->SetPageSite(&site);
  IUnknown* objects[] = {frame.module};
  frame.object->SetObjects(1, objects);
  // Opening the page changes nothing the engine must save, and keeps a
  // change that waits to be saved.
  for (bool waiting : {true, false}) {
    frame.server->local->SetDirtyFlag(waiting);
    ASSERT_EQ(frame.object->Activate(nullptr, &kRect, FALSE), S_OK);
    EXPECT_EQ(frame.ModuleDirty() != FALSE, waiting);
    EXPECT_EQ(frame.object->IsPageDirty(), S_FALSE);
    if (waiting)
      frame.object->Deactivate();
  }

  frame.page->MarkDirty();
  frame.page->MarkDirty();
  EXPECT_EQ(site.changes, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE}));
  EXPECT_EQ(frame.object->IsPageDirty(), S_OK);
  frame.server->local->SetDirtyFlag(FALSE);
  EXPECT_EQ(frame.object->Apply(), S_OK);
  EXPECT_EQ(frame.page->applied, 1);
  EXPECT_EQ(frame.object->IsPageDirty(), S_FALSE);
  EXPECT_EQ(site.changes.back(), 0u);
  EXPECT_TRUE(frame.ModuleDirty());
  frame.object->Deactivate();
  frame.object->SetPageSite(nullptr);
}

TEST(ModulePropertyPage, SizesFromTheTemplateAndItsFont) {
  for (bool withFont : {false, true}) {
    Frame frame(Template(withFont));
    IUnknown* objects[] = {frame.module};
    frame.object->SetObjects(1, objects);
    int x = 0, y = 0;
    EXPECT_EQ(frame.pages->GetDlgSize(&x, &y), S_OK);
    EXPECT_EQ(x, 206);
    EXPECT_EQ(y, 111);
    EXPECT_EQ(frame.pages->GetDlgSize(nullptr, &y), E_POINTER);

    PROPPAGEINFO info{};
    ASSERT_EQ(frame.object->GetPageInfo(&info), S_OK);
    EXPECT_EQ(Platform::Utf16ToUtf8(info.pszTitle), "Custom");
    EXPECT_EQ(Platform::Utf16ToUtf8(info.pszHelpFile), "/help/fake.html");
    EXPECT_EQ(Platform::Utf16ToUtf8(info.pszDocString), "");
    // Dialog units of the template's own font, else of the system's 8 by 16.
    const Platform::FontBaseUnits system{8, 16};
    const auto measured = Platform::MeasureDialogFont("MS Sans Serif", 8);
    ASSERT_TRUE(measured);
    const Platform::FontBaseUnits units = withFont ? *measured : system;
    EXPECT_EQ(info.size.cx, Platform::MulDivRounded(206, units.averageWidth, 4));
    EXPECT_EQ(info.size.cy, Platform::MulDivRounded(111, units.height, 8));
    EXPECT_NE(*measured, system) << "the font tells itself apart from the system's units";
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
  }
  Frame empty{std::vector<BYTE>()};
  PROPPAGEINFO info{};
  int x = 0, y = 0;
  EXPECT_EQ(empty.object->GetPageInfo(&info), E_UNEXPECTED);
  EXPECT_EQ(empty.pages->GetDlgSize(&x, &y), E_UNEXPECTED);
  EXPECT_EQ(empty.object->Activate(nullptr, &kRect, FALSE), E_FAIL);
}

TEST(ModulePropertyPage, OnlyKeyboardAndMouseMessagesGoToTheDialog) {
  Frame frame;
  frame.object->Activate(nullptr, &kRect, FALSE);
  const struct {
    UINT message;
    WPARAM wParam;
    HRESULT expected;
  } cases[] = {{0x102, 'a', S_OK}, {0x100, 0x09, S_OK}, {0x113, 0, S_FALSE}, {0x0F, 0, S_FALSE}};
  for (const auto& c : cases) {
    MSG message{};
    message.message = c.message;
    message.wParam = c.wParam;
    EXPECT_EQ(frame.object->TranslateAccelerator(&message), c.expected) << std::hex << c.message;
  }
  EXPECT_EQ(frame.object->Help(nullptr), E_NOTIMPL);
}

}  // namespace
