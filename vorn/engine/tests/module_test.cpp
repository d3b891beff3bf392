#include <gtest/gtest.h>

#include <functional>

#include "platform/com/tests/counted.h"
#include "platform/ui/messagebox.h"
#include "vorn/engine/tests/fakes.h"

namespace {

std::string Text(BSTR text) { return Platform::BstrToUtf8(text); }

CComPtr<IVornModuleLocal> PlainModule() {
  CComPtr<IVornModuleLocal> module;
  EXPECT_EQ(CVornModule::CreateInstance(&module), S_OK);
  return module;
}

CComQIPtr<IVornModule> Automation(IUnknown* module) { return CComQIPtr<IVornModule>(module); }

// The list of texts that GetInputNames and GetOutputNames fill.
class ATL_NO_VTABLE TestStringList : public CComObjectRootEx<CComMultiThreadModel>,
                                     public CComCoClass<TestStringList, &CLSID_VornStringList>,
                                     public IDispatchImpl<IVornStringList> {
public:
  BEGIN_COM_MAP(TestStringList)
    COM_INTERFACE_ENTRY(IVornStringList)
  END_COM_MAP()
  HRESULT GetCount(int* pnCount) override {
    *pnCount = static_cast<int>(texts.size());
    return S_OK;
  }
  HRESULT GetAt(int nIdx, BSTR* pbstrVal) override {
    *pbstrVal = Platform::AllocBstr(std::string_view(texts.at(static_cast<std::size_t>(nIdx))));
    return S_OK;
  }
  HRESULT Add(BSTR bstrVal) override {
    texts.push_back(Text(bstrVal));
    return S_OK;
  }
  HRESULT RemoveAt(int) override { return E_NOTIMPL; }
  HRESULT RemoveAll() override { return E_NOTIMPL; }
  std::vector<std::string> texts;
};

CComModule g_module;
BEGIN_OBJECT_MAP(g_objects)
  OBJECT_ENTRY(CLSID_VornStringList, TestStringList)
END_OBJECT_MAP()

std::vector<std::string> InputNames(IVornModuleLocal* module) {
  CComPtr<IVornStringList> list;
  EXPECT_EQ(module->GetInputNames(&list), S_OK);
  std::vector<std::string> names;
  int count = 0;
  list->GetCount(&count);
  for (int i = 0; i < count; ++i) {
    CComBSTR name;
    list->GetAt(i, &name);
    names.push_back(Text(name));
  }
  return names;
}

class CountingPage final : public IDispatchImpl<IVornModulePropertyPage> {
public:
  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT UpdateDisplay() override {
    ++updates;
    return S_OK;
  }
  HRESULT GetDlgSize(int*, int*) override { return E_NOTIMPL; }
  int updates = 0;
};

TEST(Module, ServerAggregatesItUnderOneIdentity) {
  {
    FakeServer* server = nullptr;
    CComPtr<IUnknown> outer = FakeServer::Make(&server);
    // Construction left no reference of its own behind.
    EXPECT_EQ(outer->AddRef(), 2u);
    EXPECT_EQ(outer->Release(), 1u);

    CComQIPtr<IVornModuleLocal> local(outer);
    ASSERT_TRUE(local);
    CComPtr<IUnknown> identity;
    local->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    EXPECT_EQ(identity.p, outer.p);

    CComPtr<IVornDerivedModule> derived;
    ASSERT_EQ(local->GetDerivedModule(&derived), S_OK);
    EXPECT_TRUE(derived.IsEqualObject(outer));
    BOOL debugBuild = FALSE;
    local->GetDebugBuildFlag(&debugBuild);
    EXPECT_TRUE(debugBuild);
    CComBSTR type;
    local->GetType(&type);
    EXPECT_EQ(Text(type), "Fake");
  }
  EXPECT_EQ(FakeServer::live, 0);
}

TEST(Module, SetDerivedModuleAsksOnlyAServer) {
  CComPtr<IVornModuleLocal> module = PlainModule();
  CComQIPtr<IVornModule> automation = Automation(module);
  Counted notAServer;
  EXPECT_EQ(automation->SetDerivedModule(nullptr), E_POINTER);
  EXPECT_EQ(automation->SetDerivedModule(&notAServer), E_NOINTERFACE);
  EXPECT_EQ(notAServer.references, 1u);
  BOOL debugBuild = TRUE;
  module->GetDebugBuildFlag(&debugBuild);
  EXPECT_FALSE(debugBuild);
  // Not held either: the wrapper that sets it holds the module.
  EXPECT_EQ(module->SetAggregate(&notAServer), S_OK);
  EXPECT_EQ(notAServer.references, 1u);
}

TEST(Module, ScriptsReachItByNameAndNumber) {
  CComPtr<IVornModuleLocal> module = PlainModule();
  CComQIPtr<IDispatch> dispatch(module);
  ASSERT_TRUE(dispatch);
  struct Case {
    const char16_t* name;
    DISPID id;
  };
  for (const Case& c : {Case{u"SetDerivedModule", 1}, Case{u"DefineInput", 7}, Case{u"definemultipleinputs", 0xA},
                        Case{u"Unlock", 0xF}, Case{u"ID", 0x10}, Case{u"Type", 0x13}, Case{u"DirtyFlag", 0x15}}) {
    LPOLESTR name = const_cast<LPOLESTR>(c.name);
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, c.id) << Text(CComBSTR(c.name));
  }
  CComVariant value(u"Gain 1");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &put, 1, 1};
  EXPECT_EQ(dispatch->Invoke(0x11, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  CComVariant name, local;
  EXPECT_EQ(dispatch->Invoke(0x11, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &name, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(name.bstrVal), "Gain 1");
  EXPECT_EQ(dispatch->Invoke(0x14, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &local, nullptr, nullptr), S_OK);
  EXPECT_EQ(local.vt, VT_BOOL);
  EXPECT_EQ(local.boolVal, VARIANT_TRUE);
}

TEST(Module, FreshObjectIsABlankLocalModule) {
  CComPtr<IVornModuleLocal> module = PlainModule();
  CComBSTR name, type;
  module->GetName(&name);
  module->GetType(&type);
  int id = 0, color = 0;
  BOOL local = FALSE, dirty = TRUE, showInputs = FALSE;
  VornModuleDisplayStyle style = mdsNormal;
  Vorn3DVector offset{};
  module->GetID(&id);
  module->GetColor(&color);
  module->IsLocal(&local);
  module->GetDirtyFlag(&dirty);
  module->GetShowInputs(&showInputs);
  module->GetDisplayStyle(&style);
  module->GetOutputOffset(&offset);
  EXPECT_EQ(Text(name), "-1");
  EXPECT_EQ(Text(type), "BaseClass");
  EXPECT_EQ(id, -1);
  EXPECT_EQ(color, 0xFF00FF);
  EXPECT_TRUE(local);
  EXPECT_FALSE(dirty);
  EXPECT_TRUE(showInputs);
  EXPECT_EQ(style, mdsIcon);
  EXPECT_EQ(offset.m_fY, -1.5f);
  EXPECT_EQ(offset.m_fZ, -1.0f);
}

TEST(Module, AnswersForMissingPointersServerAndEngine) {
  CComPtr<IVornModuleLocal> module = PlainModule();
  CComQIPtr<IVornModule> automation = Automation(module);
  CComBSTR name(u"In");
  struct Case {
    const char* call;
    HRESULT expected;
    std::function<HRESULT()> run;
  };
  const Case cases[] = {
      {"GetID", E_POINTER, [&] { return module->GetID(nullptr); }},
      {"GetName", E_POINTER, [&] { return module->GetName(nullptr); }},
      {"IsLocal", E_POINTER, [&] { return module->IsLocal(nullptr); }},
      {"GetDirtyFlag", E_POINTER, [&] { return module->GetDirtyFlag(nullptr); }},
      {"GetModuleInfo", E_POINTER, [&] { return module->GetModuleInfo(nullptr); }},
      {"GetHelpFileName", E_POINTER, [&] { return module->GetHelpFileName(nullptr); }},
      {"GetIcon", E_POINTER, [&] { return module->GetIcon(nullptr); }},
      {"GetConnectionCount", E_POINTER, [&] { return module->GetConnectionCount(nullptr); }},
      {"GetPages", E_POINTER, [&] { return CComQIPtr<ISpecifyPropertyPages>(module)->GetPages(nullptr); }},
      {"InputHasData", E_POINTER, [&] { return automation->InputHasData(name, nullptr); }},
      {"get_IsLocal", E_POINTER, [&] { return automation->get_IsLocal(nullptr); }},
      {"GetCycleStartTime", E_POINTER, [&] { return automation->GetCycleStartTime(nullptr); }},
      {"SetInputData", E_POINTER, [&] { return module->SetInputData(name, nullptr); }},
      {"SetMultipleInputData", E_POINTER, [&] { return module->SetMultipleInputData(name, name, nullptr); }},
      {"Initialize", E_UNEXPECTED, [&] { return module->Initialize(); }},
      {"AddConnection", E_UNEXPECTED, [&] { return module->AddConnection(name, 1, name); }},
      {"TransferOutputs", E_UNEXPECTED, [&] { return module->TransferOutputs(nullptr); }},
      {"Save", E_UNEXPECTED, [&] { return module->Save(); }},
      {"GetInputModuleCount", E_UNEXPECTED, [&] {
         int count = 0;
         return automation->GetInputModuleCount(&count);
       }},
      {"GetCycleStartTime", E_UNEXPECTED, [&] {
         LONGLONG time = 0;
         return automation->GetCycleStartTime(&time);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(c.run(), c.expected);
  }

  // Outs are cleared when there is nothing to answer.
  BSTR path = reinterpret_cast<BSTR>(&name);
  EXPECT_EQ(module->GetHelpFileName(&path), E_INVALIDARG);
  EXPECT_EQ(path, nullptr);
  VornModuleInfo info{7, nullptr, nullptr};
  EXPECT_EQ(module->GetModuleInfo(&info), S_OK);
  EXPECT_EQ(info.m_hModule, 0);
  FakeEngine engine;
  module->SetEngine(&engine);
  engine.Place(0, module);
  IDispatch* source = reinterpret_cast<IDispatch*>(&name);
  EXPECT_EQ(automation->GetInputModule(0, &source), E_INVALIDARG);
  EXPECT_EQ(source, nullptr);
}

TEST(Module, DefinesInputsByCheckedCapitalisedNames) {
  g_module.Init(g_objects, Platform::ThisModule());
  CComPtr<IVornModuleLocal> module = PlainModule();
  CComQIPtr<IVornModule> automation = Automation(module);
  struct Case {
    const char16_t* name;
    HRESULT expected;
  };
  const Case cases[] = {{u"gain", S_OK},  {u"Level", S_OK},  {u"a b", E_INVALIDARG}, {u"", E_INVALIDARG},
                        {u"x.y", E_INVALIDARG}, {u"tab\t", E_INVALIDARG}, {u"a-b", E_INVALIDARG}, {u"Sum", S_OK}};
  for (const Case& c : cases) {
    CComBSTR name(c.name);
    EXPECT_EQ(automation->DefineInput(name, ctFloatArray, 4), c.expected) << Text(name);
  }
  EXPECT_EQ(InputNames(module), (std::vector<std::string>{"Gain", "Level", "Sum"}));
  VornConnectionDef* def = nullptr;
  CComBSTR lower(u"gain"), gain(u"Gain");
  module->GetInputConnectionDef(lower, &def);
  EXPECT_EQ(def, nullptr);
  module->GetInputConnectionDef(gain, &def);
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->m_iArrayElementCnt, 4);

  // Defining a name again replaces it where it was and drops its data.
  float values[4] = {1, 2, 3, 4};
  VornConnectionData data{};
  data.m_Type = ctFloatArray;
  data.m_pFloatArray = values;
  data.m_iArrayElementCnt = 4;
  ASSERT_EQ(module->SetInputData(gain, &data), S_OK);
  EXPECT_EQ(automation->DefineInput(gain, ctString, 4), S_OK);
  module->GetInputConnectionDef(gain, &def);
  EXPECT_EQ(def->m_Type, ctString);
  EXPECT_EQ(def->m_iArrayElementCnt, 0);
  VARIANT_BOOL hasData = VARIANT_TRUE;
  automation->InputHasData(gain, &hasData);
  EXPECT_EQ(hasData, VARIANT_FALSE);
  EXPECT_EQ(InputNames(module), (std::vector<std::string>{"Gain", "Level", "Sum"}));
  g_module.Term();
}

TEST(Module, ProcessorDecidesLocalityAndActivation) {
  struct Case {
    const char16_t* before;
    const char16_t* after;
    BOOL machineLocal;
    BOOL local;
    bool saved;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {u"Host1", u"HOST1", TRUE, TRUE, false, {}},
      {u"Other", u"host1", FALSE, TRUE, true, {"Activate"}},
      {u"Host1", u"Other", TRUE, FALSE, true, {"Deactivate"}},
      {u"Other", u"<Local>", TRUE, TRUE, true, {"Activate"}},
      {u"Other", u"<local>", TRUE, FALSE, true, {}},
      {u"Host1", u"<Local>", FALSE, FALSE, true, {"Deactivate"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Text(CComBSTR(c.after)));
    FakeEngine engine;
    engine.machineLocal = c.machineLocal;
    FakeServer* server = nullptr;
    CComPtr<IUnknown> outer = FakeServer::Make(&server);
    server->local->SetEngine(&engine);
    server->local->SetProcessor(CComBSTR(c.before), FALSE, TRUE);
    server->log.clear();
    EXPECT_EQ(server->local->SetProcessor(CComBSTR(c.after), TRUE, TRUE), S_OK);
    BOOL local = !c.local;
    server->local->IsLocal(&local);
    EXPECT_EQ(local, c.local);
    EXPECT_EQ(engine.log, c.saved ? (std::vector<std::string>{"BeginDBTrans", "SaveModuleParams", "CommitDBTrans"})
                                  : std::vector<std::string>{});
    EXPECT_EQ(server->log, c.calls);
  }
}

// Every call into the server is guarded: the exception is shown with the
// function's name (and its own text, when it has one) and the call fails.
// Run, Start and Stop pass every exception on to the engine; the others
// only one without a text, and only in debug mode.
TEST(Module, AServersExceptionIsShownAndPassedOnOnlyWhereTheGuardSays) {
  using Invoke = std::function<HRESULT(IVornModuleLocal*)>;
  const struct Call {
    const char* name;
    bool alwaysPassedOn;
    HRESULT failed;  // what the call answers when the exception stops in the guard
    Invoke invoke;
  } calls[] = {
      {"Start", true, E_FAIL, [](IVornModuleLocal* m) { return m->Start(); }},
      {"Stop", true, E_FAIL, [](IVornModuleLocal* m) { return m->Stop(); }},
      {"Load", false, E_FAIL, [](IVornModuleLocal* m) { return m->Load(); }},
      {"GetIcon", false, E_FAIL, [](IVornModuleLocal* m) {
         CComPtr<IPicture> icon;
         return m->GetIcon(&icon);
       }},
      {"Initialize", false, E_FAIL, [](IVornModuleLocal* m) { return m->Initialize(); }},
      {"GetHelpFileName", false, E_FAIL, [](IVornModuleLocal* m) {
         CComBSTR path;
         return m->GetHelpFileName(&path);
       }},
      {"GetModuleInfo", false, E_FAIL, [](IVornModuleLocal* m) {
         VornModuleInfo info{};
         return m->GetModuleInfo(&info);
       }},
      // Activation answers nothing of its own: the processor is set.
      {"Activate", false, S_OK, [](IVornModuleLocal* m) { return m->SetProcessor(CComBSTR(u"Host1"), FALSE, TRUE); }},
      {"Deactivate", false, S_OK, [](IVornModuleLocal* m) { return m->SetProcessor(CComBSTR(u"Other"), FALSE, TRUE); }},
  };
  const struct Kind {
    bool text;
    BOOL debugMode;
  } kinds[] = {{false, FALSE}, {false, TRUE}, {true, FALSE}, {true, TRUE}};
  for (const Call& call : calls) {
    for (const Kind& kind : kinds) {
      SCOPED_TRACE(std::string(call.name) + (kind.text ? " text" : " int") + (kind.debugMode ? " debug" : ""));
      MessageBoxRecorder messages;
      FakeEngine engine;
      FakeServer* server = nullptr;
      CComPtr<IUnknown> outer = FakeServer::Make(&server);
      server->local->SetEngine(&engine);
      server->local->SetName(CComBSTR(u"m"));
      server->local->SetDebugModeFlag(kind.debugMode);
      if (std::string(call.name) == "Deactivate")
        server->local->SetProcessor(CComBSTR(u"Host1"), FALSE, TRUE);
      server->throwIn = call.name;
      server->throwText = kind.text;
      const bool passOn = call.alwaysPassedOn || (!kind.text && kind.debugMode);
      bool passedOn = false;
      HRESULT hr = S_OK;
      try {
        hr = call.invoke(server->local);
      } catch (...) {
        passedOn = true;
      }
      EXPECT_EQ(passedOn, passOn);
      if (!passedOn) {
        EXPECT_EQ(hr, call.failed);
      }
      EXPECT_EQ(messages.Texts(), std::vector<std::string>{std::string("An exception occured in the ") + call.name +
                                                           " function of module \"m\", Type \"Fake\"" +
                                                           (kind.text ? "\n\nboom" : "")});
    }
  }
}

PLATFORM_DEFINE_GUID(localOnly, "11111111-2222-3333-4444-555555555555");
PLATFORM_DEFINE_GUID(everywhere, "66666666-7777-8888-9999-AAAAAAAAAAAA");

TEST(Module, PagesFollowLocalityAndAreTheCallersToFree) {
  FakeEngine engine;
  CComPtr<IVornModuleLocal> module = PlainModule();
  module->SetEngine(&engine);
  CComQIPtr<IVornModuleCPP> pages(module);
  pages->AddPropertyPage(localOnly, TRUE);
  pages->AddPropertyPage(everywhere, FALSE);
  CComQIPtr<ISpecifyPropertyPages> specify(module);
  auto listed = [&] {
    CAUUID answer{};
    EXPECT_EQ(specify->GetPages(&answer), S_OK);
    std::vector<GUID> guids(answer.pElems, answer.pElems + answer.cElems);
    CoTaskMemFree(answer.pElems);
    return guids;
  };
  module->SetProcessor(CComBSTR(u"Host1"), FALSE, FALSE);
  EXPECT_EQ(listed(), (std::vector<GUID>{localOnly, everywhere}));
  module->SetProcessor(CComBSTR(u"Elsewhere"), FALSE, FALSE);
  EXPECT_EQ(listed(), (std::vector<GUID>{everywhere}));

  // Open pages are told once when the module first becomes dirty.
  CountingPage page;
  module->OnActivatePropertyPage(&page);
  module->OnActivatePropertyPage(&page);
  module->SetDirtyFlag(TRUE);
  module->SetDirtyFlag(TRUE);
  EXPECT_EQ(page.updates, 1);
  CComQIPtr<IVornModule>(module)->UpdatePropertyPages();
  EXPECT_EQ(page.updates, 2);
  module->OnDeactivatePropertyPage(&page);
  module->SetDirtyFlag(FALSE);
  module->SetDirtyFlag(TRUE);
  EXPECT_EQ(page.updates, 2);
}

TEST(Module, IconComesFromALocalServer) {
  FakeServer* server = nullptr;
  CComPtr<IUnknown> outer = FakeServer::Make(&server);
  PICTDESC none{};
  none.cbSizeofstruct = sizeof none;
  none.picType = PICTYPE_NONE;
  CComPtr<IDispatch> picture;
  ASSERT_EQ(OleCreatePictureIndirect(&none, IID_IDispatch, TRUE, reinterpret_cast<void**>(&picture)), S_OK);
  server->icon = picture;
  CComPtr<IPicture> icon;
  ASSERT_EQ(server->local->GetIcon(&icon), S_OK);
  EXPECT_TRUE(icon.IsEqualObject(picture));

  // A server that answers no picture gets the engine's own, as do a module
  // without a server and one that runs elsewhere (its server is not asked).
  auto isBitmap = [](IPicture* picture) {
    SHORT type = PICTYPE_NONE;
    return picture != nullptr && SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP;
  };
  server->icon = nullptr;
  icon.Release();
  EXPECT_EQ(server->local->GetIcon(&icon), S_OK);
  EXPECT_TRUE(isBitmap(icon));
  FakeEngine engine;
  server->local->SetEngine(&engine);
  server->local->SetProcessor(CComBSTR(u"Elsewhere"), FALSE, FALSE);
  server->log.clear();
  icon.Release();
  EXPECT_EQ(server->local->GetIcon(&icon), S_OK);
  EXPECT_TRUE(isBitmap(icon));
  EXPECT_TRUE(server->log.empty());
  CComPtr<IPicture> plain;
  EXPECT_EQ(PlainModule()->GetIcon(&plain), S_OK);
  EXPECT_TRUE(isBitmap(plain));
}

} // namespace
