// The property routines of the module base on their own, with the inputs'
// texts given by the test instead of an engine module.
#include "vorn/modules/common/derivedmodule.h"

#include <gtest/gtest.h>

namespace {

class ScriptedModule : public VornModules::DerivedModuleBase {
public:
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT Run() override { return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Start() override { return S_OK; }
  HRESULT Save(IDispatch*) override { return S_OK; }
  HRESULT Load(IDispatch*) override { return S_OK; }
  HRESULT Initialize() override { return S_OK; }

  std::u16string GetInputProperties(std::u16string_view) override { return input; }
  void SetOutputProperties(std::u16string_view, std::u16string_view text) override { published.emplace_back(text); }
  void OnInputProperties(VornModules::PropertiesDocument& document, std::u16string_view) override {
    hooked.push_back(document.ReadProperty(u"Rate"));
  }

  std::u16string input;
  std::vector<std::u16string> published;
  std::vector<std::u16string> hooked;
};

// The hook sees each new text once, and only text that parsed: a broken
// text after a good one must not replay the good one's document.
TEST(CheckInputProperties, ActsOnceOnEachNewTextThatParses) {
  ScriptedModule module;
  const std::u16string good = u"<?xml version='1.0'?><PROPS><Rate>8000</Rate></PROPS>";
  const std::u16string other = u"<?xml version='1.0'?><PROPS><Rate>11025</Rate></PROPS>";
  struct Step {
    std::u16string input;
    std::size_t hooks;
    std::size_t publications;
  } steps[] = {
      {u"", 0, 0},            // no properties yet
      {good, 1, 1},           // first sight
      {good, 1, 1},           // unchanged: nothing
      {u"<PROPS><Rate", 1, 1},  // does not parse: nothing
      {other, 2, 2},          // a change
  };
  for (const Step& step : steps) {
    module.input = step.input;
    module.CheckInputProperties(u"Signal");
    EXPECT_EQ(module.hooked.size(), step.hooks) << Platform::Utf16ToUtf8(step.input);
    EXPECT_EQ(module.published.size(), step.publications) << Platform::Utf16ToUtf8(step.input);
  }
  EXPECT_EQ(module.hooked, (std::vector<std::u16string>{u"8000", u"11025"}));
  EXPECT_EQ(module.published.back(), other);
}

TEST(PublishOutputProperties, StartsFromTheEmptyDocumentWithoutInputProperties) {
  ScriptedModule module;
  module.PublishOutputProperties(u"Signal");
  ASSERT_EQ(module.published.size(), 1u);
  EXPECT_EQ(module.published[0], VornModules::kEmptyProperties);
}

// A server whose own path cannot be found writes no page at all, rather
// than one at the root of the file system.
TEST(GetHelpFileName, FailsWhenTheServerFolderIsUnknown) {
  struct Unplaced : ScriptedModule {
    std::string GetModulePath() override { return {}; }
    HRESULT WriteHelpFile() override {
      ++writes;
      return S_OK;
    }
    int writes = 0;
  } module;
  BSTR path = nullptr;
  EXPECT_EQ(module.GetHelpFileName(&path), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(path, nullptr);
  EXPECT_EQ(module.writes, 0);
}

}  // namespace
