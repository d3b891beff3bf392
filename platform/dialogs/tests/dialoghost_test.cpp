#include <gtest/gtest.h>

#include <sstream>

#include "platform/dialogs/dialoghost.h"
#include "platform/dialogs/tests/testdialogs.h"

using namespace Platform;

namespace {

const char* const kSettings = R"(
1 DIALOG 0, 0, 200, 100
CAPTION "Settings"
BEGIN
  LTEXT "&Namespace:", -1, 0, 0, 40, 8
  EDITTEXT 10, 40, 0, 100, 12
  AUTOCHECKBOX "&Save generated schema", 11, 0, 20, 100, 10
  LTEXT "Block Size", -1, 0, 30, 40, 8
  COMBOBOX 12, 40, 30, 60, 50, CBS_DROPDOWNLIST
  LTEXT "Gain", -1, 0, 50, 40, 8
  CONTROL "", 13, "msctls_trackbar32", 0, 40, 50, 60, 12
  PUSHBUTTON "&Browse", 14, 0, 80, 40, 14
  DEFPUSHBUTTON "OK", IDOK, 100, 80, 40, 14
  PUSHBUTTON "Cancel", IDCANCEL, 150, 80, 40, 14
END
)";

class Settings : public Dialog {
 public:
  Settings() : Dialog(1, dialogtest::TemplateOf(kSettings)) {}
  std::string name = "Order";
  int save = 0;
  int block = 0;
  int gain = 10;
  int browsed = 0;
  BOOL OnInitDialog() override {
    for (const char* size : {"128", "256", "512"}) GetDlgItemAs<ComboBox>(12)->AddString(size);
    OnClicked(14, [this] { ++browsed; });
    return Dialog::OnInitDialog();
  }
  void DoDataExchange(DataExchange& dx) override {
    dx.Text(10, name);
    dx.Check(11, save);
    dx.ComboIndex(12, block);
    dx.SliderPos(13, gain);
  }
};

TEST(TerminalHostTest, PromptsForEachFieldKeepsWhatIsLeftEmptyAndPressesButtons) {
  const struct {
    const char* input;
    INT_PTR result;
    const char* name;
    int save, block, gain, browsed;
  } cases[] = {
      {"\n\n\n\n\n", IDOK, "Order", 0, 0, 10, 0},
      {"Purchase\ny\n3\n70\nBrowse\n-\n\n\n\n3\n", IDCANCEL, "Order", 0, 0, 10, 1},
      {"Purchase\ny\n256\n70\n2\n", IDOK, "Purchase", 1, 1, 70, 0},
      {"Purchase\n", IDCANCEL, "Order", 0, 0, 10, 0},  // the input ends
      {"Purchase\ny\n9\n70\nNo such\n\n\n\n\n\n", IDOK, "Purchase", 1, 0, 70, 0},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out;
    TerminalHost host(in, out);
    ScopedDialogHost scope(host);
    Settings settings;
    EXPECT_EQ(settings.DoModal(), c.result) << c.input;
    EXPECT_EQ(settings.name, c.name) << c.input;
    EXPECT_EQ(settings.save, c.save) << c.input;
    EXPECT_EQ(settings.block, c.block) << c.input;
    EXPECT_EQ(settings.gain, c.gain) << c.input;
    EXPECT_EQ(settings.browsed, c.browsed) << c.input;
    EXPECT_NE(out.str().find("== Settings ==\nNamespace\nBlock Size\nGain\nNamespace [Order]: "), std::string::npos)
        << out.str();
  }
}

TEST(TerminalHostTest, MessagesGoOutAndFileChoicesAreChecked) {
  std::istringstream in("/no/such/file\n" SAMPLE_SCRIPT "\n");
  std::ostringstream out;
  TerminalHost host(in, out);
  EXPECT_EQ(host.ShowMessage("Can't access file: x", "Travix", MB_OK), IDOK);
  FileDialogRequest request;
  request.title = "Select Schema or DTD";
  request.flags = OFN_FILEMUSTEXIST;
  EXPECT_EQ(host.ChooseFile(request), std::optional<std::string>(SAMPLE_SCRIPT));
  EXPECT_EQ(host.ChooseFile(request), std::nullopt);
  EXPECT_EQ(out.str().rfind("Travix: Can't access file: x\nSelect Schema or DTD\n", 0), 0u);
  EXPECT_NE(out.str().find("/no/such/file: file not found."), std::string::npos);
}

TEST(TerminalHostTest, QuestionsAreAskedUntilTheInputEnds) {
  std::istringstream in("No\n\n\nmaybe\nyes\n");
  std::ostringstream out;
  TerminalHost host(in, out);
  const struct {
    UINT type;
    int answer;
  } questions[] = {
      {MB_YESNO, IDNO},                        // by name
      {MB_OKCANCEL, IDOK},                     // an empty line takes the first button
      {MB_YESNO | 0x100u, IDNO},               // or the default one (the second)
      {MB_YESNOCANCEL | MB_ICONQUESTION, IDYES},  // asked again after a wrong answer
      {MB_YESNO, IDNO},                        // the input has ended
      {MB_OKCANCEL, IDCANCEL},
  };
  for (const auto& question : questions) EXPECT_EQ(host.ShowMessage("Go on?", "Wizard", question.type), question.answer);
  EXPECT_EQ(out.str().rfind("Wizard: Go on?\n  1) Yes\n  2) No\nButton [Yes]: ", 0), 0u) << out.str();
  EXPECT_NE(out.str().find("Button [No]: "), std::string::npos);
  EXPECT_NE(out.str().find("No such button."), std::string::npos);
}

}  // namespace
