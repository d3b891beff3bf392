#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "platform/activation/activation.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "platform/resources/gdiobject.h"
#include "platform/resources/resources.h"
#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/apps/moduleguide/frontend.h"
#include "vorn/apps/moduleguide/guidedialog.h"
#include "vorn/engine/module.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/support/errortext.h"

namespace {

using namespace Vorn::ModuleGuide;
using Vorn::ModuleTypeRegistry;

PLATFORM_DEFINE_GUID(CLSID_HelpServer, "5C0E3A71-2B9D-4F68-A1E4-7D3C9B2A6F10");
PLATFORM_DEFINE_GUID(CLSID_Unserved, "6D1F4B82-3CAE-4079-B2F5-8E4DAC3B7021");

// A module server as the guide meets one: the engine's module object
// aggregated inside it, answering the help page it is told to.
class ATL_NO_VTABLE HelpServer : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<HelpServer, &CLSID_HelpServer>,
                                 public IDispatchImpl<IVornDerivedModule> {
public:
  BEGIN_COM_MAP(HelpServer)
    COM_INTERFACE_ENTRY(IVornDerivedModule)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  HRESULT FinalConstruct() {
    HRESULT hr = CVornModule::_CreatorClass::CreateInstance(GetControllingUnknown(), IID_IUnknown,
                                                           reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    IVornModule* module = nullptr;
    hr = m_inner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&module));
    if (FAILED(hr))
      return hr;
    module->Release();
    return module->SetDerivedModule(GetControllingUnknown());
  }
  void FinalRelease() {
    if (m_inner != nullptr)
      m_inner->Release();
  }

  HRESULT Run() override { return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Start() override { return S_OK; }
  HRESULT Save(IDispatch*) override { return S_OK; }
  HRESULT Load(IDispatch*) override { return S_OK; }
  HRESULT GetIcon(IDispatch**) override { return E_NOTIMPL; }
  HRESULT Initialize() override {
    calls += "Initialize ";
    return E_FAIL; // ignored by the guide
  }
  HRESULT GetHelpFileName(BSTR* path) override {
    calls += "GetHelpFileName ";
    *path = helpFile.empty() ? nullptr : Platform::AllocBstr(std::string_view(helpFile));
    return helpResult;
  }
  HRESULT GetModuleInfo(VornModuleInfo*) override { return S_OK; }
  HRESULT GetDebugBuildFlag(BOOL* flag) override {
    *flag = FALSE;
    return S_OK;
  }
  HRESULT Activate() override { return S_OK; }
  HRESULT Deactivate() override { return S_OK; }

  static inline std::string helpFile;
  static inline HRESULT helpResult = S_OK;
  static inline std::string calls;

private:
  IUnknown* m_inner = nullptr;
};

class Guide : public testing::Test {
protected:
  void SetUp() override {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    unsetenv("VORN_HELP_OPENER");
    Platform::AddInProcessClass(CLSID_HelpServer, &HelpServer::_CreatorClass::CreateInstance, nullptr);
    HelpServer::helpFile = "/modules/HelperModuleHelp.htm";
    HelpServer::helpResult = S_OK;
    HelpServer::calls.clear();
  }
  void TearDown() override {
    Platform::RemoveInProcessClass(CLSID_HelpServer, &HelpServer::_CreatorClass::CreateInstance);
  }

  // A type served by clsid from a server file in the scratch directory.
  std::string Type(const std::string& type, REFCLSID clsid) {
    ModuleTypeRegistry::Register(type, clsid);
    const std::string server = m_dir.Write(type + ".so", "server");
    HKEY key = OpenKey(HKEY_CLASSES_ROOT, "CLSID\\" + Platform::GuidText(clsid) + "\\InprocServer32");
    RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                  static_cast<DWORD>(server.size() + 1));
    RegCloseKey(key);
    return server;
  }
  static HKEY OpenKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }

  // A stub viewer that writes the page it was given into a file.
  std::string StubOpener() {
    return m_dir.Write("opener.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + m_dir.Path("opened.tmp") + "\"\nmv \"" +
                                        m_dir.Path("opened.tmp") + "\" \"" + m_dir.Path("opened") + "\"\n");
  }
  std::string WaitForOpened() {
    for (int i = 0; i < 500 && !m_dir.Exists("opened"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return m_dir.Read("opened");
  }

  TestSupport::TempDir m_dir;
  MessageBoxRecorder m_messages;
};

TEST_F(Guide, ListsTheRegisteredTypesSortedAndDropsThoseWhoseServerIsGone) {
  Type("Zeta", CLSID_HelpServer);
  Type("Alpha", CLSID_HelpServer);
  std::filesystem::remove(Type("Gone", CLSID_Unserved));

  ModuleGuideDialog dialog;
  ASSERT_TRUE(dialog.Create());
  EXPECT_EQ(dialog.GetWindowText(), "VornModuleGuide");
  const Platform::ListBox& list = *dialog.TypeList();
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetText(0), "Alpha");
  EXPECT_EQ(list.GetText(1), "Zeta");
  CLSID clsid{};
  EXPECT_FALSE(ModuleTypeRegistry::GetClassId("Gone", clsid));
  const auto& menu = dialog.GetSystemMenu().Entries();
  ASSERT_GE(menu.size(), 2u);
  EXPECT_EQ(menu[menu.size() - 2].flags, MF_SEPARATOR);
  EXPECT_EQ(menu.back().id, IDM_ABOUTBOX);
  EXPECT_EQ(menu.back().text, "&About VornModuleGuide...");
  // Its icon, 128, on the title bar in both sizes.
  for (const auto& [big, size] : {std::pair{TRUE, 32}, std::pair{FALSE, 16}}) {
    ICONINFO icon{};
    ASSERT_TRUE(GetIconInfo(dialog.GetIcon(big), &icon)) << big;
    BITMAP colour{};
    GetObject(icon.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
  }

  std::ostringstream out, err;
  std::istringstream in;
  EXPECT_EQ(RunFrontEnd({"--list"}, in, out, err), 0);
  EXPECT_EQ(out.str(), "Alpha\nZeta\n");
}

TEST_F(Guide, ShowHelpOpensThePageOrSaysWhyNot) {
  Type("Helper", CLSID_HelpServer);
  Type("Orphan", CLSID_Unserved);
  Type("Lost", CLSID_HelpServer);
  struct Case {
    const char* name;
    const char* type; // null: nothing selected
    std::string helpFile;
    HRESULT helpResult;
    bool opens;
    bool doubleClick;
    std::string message;
  };
  const std::string notCreated = "Could not create module of type \"Orphan\".\n\nError is: " +
                                 Vorn::FormatHResultText(CO_E_ERRORINDLL, true);
  const Case cases[] = {
      {"nothing selected", nullptr, "/p.htm", S_OK, true, false, ""},
      {"opened", "Helper", "/modules/HelperModuleHelp.htm", S_OK, true, false, ""},
      {"double click", "Helper", "/modules/HelperModuleHelp.htm", S_OK, true, true, ""},
      {"no class", "Lost", "/p.htm", S_OK, true, false, "Could not find CLSDID for module type \"Lost\""},
      {"not created", "Orphan", "/p.htm", S_OK, true, false, notCreated},
      {"empty name", "Helper", "", S_OK, true, false, "Could not get helpfile name for module type \"Helper\""},
      {"failed call", "Helper", "/p.htm", E_FAIL, true, false,
       "Could not get helpfile name for module type \"Helper\""},
      {"viewer fails", "Helper", "/p.htm", S_OK, false, false,
       "Could not open the help file \"/p.htm\": no viewer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HelpServer::helpFile = c.helpFile;
    HelpServer::helpResult = c.helpResult;
    HelpServer::calls.clear();
    std::vector<std::string> opened;
    ModuleGuideDialog dialog([&](const std::string& path, std::string& failure) {
      opened.push_back(path);
      failure = "no viewer";
      return c.opens;
    });
    ASSERT_TRUE(dialog.Create());
    // The list is filled with the class present; taking it away afterwards
    // is what a concurrent unregistration looks like.
    if (std::string(c.name) == "no class") {
      HKEY key = OpenKey(HKEY_LOCAL_MACHINE, ModuleTypeRegistry::KeyPath("Lost"));
      RegDeleteValue(key, "ClassID");
      RegCloseKey(key);
    }
    const std::size_t before = m_messages.Texts().size();
    if (c.type == nullptr) {
      EXPECT_TRUE(dialog.UserClick(IDC_SHOW_HELP));
    } else {
      const int index = dialog.TypeList()->FindStringExact(-1, c.type);
      ASSERT_GE(index, 0);
      if (c.doubleClick) {
        dialog.UserDoubleClick(IDC_MODULE_TYPES, index);
      } else {
        dialog.UserChoose(IDC_MODULE_TYPES, index);
        dialog.UserClick(IDC_SHOW_HELP);
      }
    }
    const std::vector<std::string> texts = m_messages.Texts();
    if (c.message.empty()) {
      EXPECT_EQ(texts.size(), before);
    } else {
      ASSERT_EQ(texts.size(), before + 1);
      EXPECT_EQ(texts.back(), c.message);
    }
    const bool reachesViewer = c.type != nullptr && c.message.find("Could not open") != std::string::npos;
    if (c.type != nullptr && c.message.empty())
      EXPECT_EQ(opened, std::vector<std::string>{c.helpFile});
    else
      EXPECT_EQ(opened.size(), reachesViewer ? 1u : 0u);
    if (c.type != nullptr && std::string(c.type) == "Helper") {
      EXPECT_EQ(HelpServer::calls, "Initialize GetHelpFileName ");
    }
  }
}

TEST_F(Guide, FrontEndRunsTheOpenerOnThePageWithoutAShell) {
  Type("Helper", CLSID_HelpServer);
  Type("Other", CLSID_HelpServer);
  const std::string opener = StubOpener();
  chmod(opener.c_str(), 0755);
  // A name a shell would act on reaches the viewer as it stands.
  HelpServer::helpFile = m_dir.Path("Help $(touch pwned); page.htm");
  setenv("VORN_HELP_OPENER", opener.c_str(), 1);

  std::ostringstream out, err;
  std::istringstream none;
  EXPECT_EQ(RunFrontEnd({"--show", "Helper"}, none, out, err), 0);
  EXPECT_EQ(WaitForOpened(), HelpServer::helpFile);
  EXPECT_FALSE(m_dir.Exists("pwned"));

  std::filesystem::remove(m_dir.Path("opened"));
  std::istringstream choices("7\nx\n2\nq\n");
  EXPECT_EQ(RunFrontEnd({}, choices, out, err), 0);
  EXPECT_EQ(WaitForOpened(), HelpServer::helpFile);
  EXPECT_NE(out.str().find("  1. Helper\n  2. Other\n"), std::string::npos);
  EXPECT_NE(out.str().find("No module type has the number \"7\"."), std::string::npos);

  EXPECT_EQ(RunFrontEnd({"--show", "Nobody"}, none, out, err), 1);
  EXPECT_NE(err.str().find("no module type \"Nobody\" is registered"), std::string::npos);

  const std::string missing = m_dir.Path("no-such-viewer");
  setenv("VORN_HELP_OPENER", missing.c_str(), 1);
  EXPECT_EQ(RunFrontEnd({"--show", "Helper"}, none, out, err), 1);
  ASSERT_FALSE(m_messages.Texts().empty());
  EXPECT_EQ(m_messages.Texts().back().rfind("Could not open the help file \"" + HelpServer::helpFile + "\": \"" +
                                                missing + "\" could not be started",
                                            0),
            0u);
}

TEST_F(Guide, FrontEndAboutAndUsage) {
  std::ostringstream out, err;
  std::istringstream none;
  EXPECT_EQ(RunFrontEnd({"--about"}, none, out, err), 0);
  EXPECT_EQ(out.str(), "About VornModuleGuide\nVornModuleGuide Version 1.0\n");
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--show"}, {"--list", "x"}, {"--frobnicate"}, {"--about", "--list"}})
    EXPECT_EQ(RunFrontEnd(bad, none, out, err), 2) << bad[0];
}

} // namespace
