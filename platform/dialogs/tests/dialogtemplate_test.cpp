#include <gtest/gtest.h>

#include "platform/dialogs/dialogconstants.h"
#include "platform/dialogs/dialogscript.h"
#include "platform/dialogs/dialogtemplate.h"
#include "platform/dialogs/tests/testdialogs.h"

using namespace Platform;

namespace {

TEST(DialogTemplateTest, BuildCompilerWritesWhatTheModelReadsInBothLayouts) {
  for (WORD id : {WORD(100), WORD(201)}) {
    const std::string built = dialogtest::ReadFile(SAMPLE_TEMPLATES_DIR "/" + std::to_string(id) + ".dlgt");
    const std::vector<BYTE> expected = dialogtest::SampleTemplate(id);
    ASSERT_EQ(std::vector<BYTE>(built.begin(), built.end()), expected) << id;
    const auto read = ReadDialogTemplate(expected);
    ASSERT_TRUE(read) << id;
    EXPECT_EQ(WriteDialogTemplate(*read), expected) << id;
  }
  const auto plain = ReadDialogTemplate(dialogtest::SampleTemplate(100));
  EXPECT_FALSE(plain->extended);
  EXPECT_EQ(plain->title, "Plain");
  EXPECT_EQ(plain->items.size(), 7u);
  EXPECT_EQ(plain->items[0].id, 0xFFFFu);
  EXPECT_EQ(plain->items[1].id, 1012u);

  const std::vector<BYTE> bytes = dialogtest::SampleTemplate(201);
  EXPECT_TRUE(IsExtendedDialogTemplate(bytes));
  const auto extended = ReadDialogTemplate(bytes);
  EXPECT_EQ(extended->helpId, 77u);
  EXPECT_EQ(extended->pointSize, 8);
  EXPECT_EQ(extended->typeface, "MS Sans Serif");
  EXPECT_EQ(extended->weight, 700);
  EXPECT_EQ(extended->italic, 1);
  EXPECT_EQ(extended->charset, 1);
  EXPECT_EQ(extended->items[1].windowClass, NameOrOrdinal::Text("msctls_trackbar32"));
  EXPECT_EQ(extended->items[8].title, NameOrOrdinal::Ordinal(128));
  EXPECT_EQ(extended->items[9].exStyle, WS_EX_CLIENTEDGE);
  EXPECT_EQ(extended->items[9].helpId, 9u);

  for (WORD id : {WORD(100), WORD(201)}) {
    const auto header = ReadDialogTemplateHeader(dialogtest::SampleTemplate(id));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->cx, id == 100 ? 200 : 206);
    EXPECT_EQ(header->cy, id == 100 ? 120 : 111);
    EXPECT_EQ((header->style & DS_SETFONT) != 0, id == 201);
  }
}

TEST(DialogTemplateTest, TruncatedOrDamagedTemplatesAreRefused) {
  for (WORD id : {WORD(100), WORD(201)}) {
    const std::vector<BYTE> bytes = dialogtest::SampleTemplate(id);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      const std::vector<BYTE> prefix(bytes.begin(), bytes.begin() + std::ptrdiff_t(size));
      std::string error;
      EXPECT_FALSE(ReadDialogTemplate(prefix, &error)) << id << " cut at " << size;
      EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(ReadDialogTemplateHeader(std::span(bytes).first(17)));
  }
  std::vector<BYTE> version = dialogtest::SampleTemplate(201);
  version[0] = 2;
  EXPECT_FALSE(ReadDialogTemplate(version));
}

TEST(DialogScriptTest, StatementsAddTheirDefaultStyles) {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  const struct {
    const char* control;
    DWORD style;
  } cases[] = {
      {"LTEXT \"a\", -1, 0, 0, 1, 1", kChild | SS_LEFT | WS_GROUP},
      {"CTEXT \"a\", -1, 0, 0, 1, 1, SS_NOPREFIX", kChild | SS_CENTER | WS_GROUP | SS_NOPREFIX},
      {"EDITTEXT 5, 0, 0, 1, 1", kChild | ES_LEFT | WS_BORDER | WS_TABSTOP},
      {"EDITTEXT 5, 0, 0, 1, 1, ES_READONLY | NOT WS_BORDER", kChild | WS_TABSTOP | ES_READONLY},
      {"DEFPUSHBUTTON \"OK\", IDOK, 0, 0, 1, 1, NOT WS_VISIBLE", WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP},
      {"LISTBOX 5, 0, 0, 1, 1, LBS_SORT", kChild | LBS_NOTIFY | WS_BORDER | LBS_SORT},
      {"GROUPBOX \"g\", -1, 0, 0, 1, 1", kChild | BS_GROUPBOX},
      {"CONTROL \"\", 5, \"msctls_trackbar32\", TBS_BOTH | (WS_TABSTOP), 0, 0, 1, 1", kChild | TBS_BOTH | WS_TABSTOP},
      {"ICON 128, 5, 0, 0", kChild | SS_ICON},
  };
  for (const auto& c : cases) {
    const auto dialog = ReadDialogTemplate(dialogtest::TemplateOf(std::string("1 DIALOG 0, 0, 9, 9 BEGIN ") + c.control + " END"));
    ASSERT_TRUE(dialog && dialog->items.size() == 1) << c.control;
    EXPECT_EQ(dialog->items[0].style, c.style) << c.control;
  }
  const auto dialog = ReadDialogTemplate(dialogtest::TemplateOf("1 DIALOG 0,0,9,9 CAPTION \"c\" FONT 8, \"f\" { }"));
  EXPECT_EQ(dialog->style, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT);
}

TEST(DialogScriptTest, ErrorsNameTheLine) {
  const struct {
    const char* script;
    const char* error;
  } cases[] = {
      {"1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\", NOSUCH, 0, 0, 1, 1\nEND", "test.dlg:3: unknown name 'NOSUCH'"},
      {"1 DIALOG 0, 0, 9, 9\nCAPTION \"open\nBEGIN END", "test.dlg:2: string is not closed"},
      {"1 DIALOG 0, 0, 9, 9 BEGIN END\n2 DIALOG 0,0,1,1 {}\n1 DIALOG 0,0,1,1 {}", "test.dlg:3: dialog 1 is defined twice"},
      {"1 DIALOG 0, 0, 9, 9\nBEGIN\n", "test.dlg:3: dialog 1 has no END"},
      {"1 DIALOG 0, 0, 9, 99999 BEGIN END", "test.dlg:1: coordinate out of range"},
      {"0 DIALOG 0, 0, 9, 9 BEGIN END", "test.dlg:1: dialog id must be 1 to 65535"},
      {"1 DIALOG 0, 0, 9, 9 BEGIN\nSLIDER 5, 0, 0, 1, 1 END", "test.dlg:2: unknown control statement 'SLIDER'"},
  };
  for (const auto& c : cases) {
    const auto result = CompileDialogScript(c.script, "test.dlg");
    ASSERT_FALSE(result.errors.empty()) << c.script;
    EXPECT_EQ(result.errors.front(), c.error);
    EXPECT_TRUE(result.dialogs.empty());
  }
}

}  // namespace
