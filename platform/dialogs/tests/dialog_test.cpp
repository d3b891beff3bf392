#include <gtest/gtest.h>

#include "platform/dialogs/dialog.h"
#include "platform/dialogs/dialoghost.h"
#include "platform/dialogs/propertypage.h"
#include "platform/errors.h"
#include "platform/dialogs/tests/testdialogs.h"

using namespace Platform;

namespace {

// Dialog 100 with its name, check box and list exchanged, and every
// notification it receives written down.
class NameDialog : public Dialog {
 public:
  NameDialog() : Dialog(100, dialogtest::SampleTemplate(100)) {}
  std::string name = "start";
  int useFileName = BST_CHECKED;
  int listIndex = -1;
  std::vector<std::pair<int, int>> commands;

  BOOL OnInitDialog() override {
    auto* list = GetDlgItemAs<ListBox>(1000);
    for (const char* item : {"pear", "Apple", "fig", "apricot"}) list->AddString(item);
    return Dialog::OnInitDialog();
  }
  void DoDataExchange(DataExchange& dx) override {
    dx.Text(1012, name);
    dx.MaxChars(1012, name, 8);
    dx.Check(1013, useFileName);
    dx.ListIndex(1000, listIndex);
  }
  BOOL OnCommand(WORD id, WORD code) override {
    commands.emplace_back(static_cast<SHORT>(id), code);
    return Dialog::OnCommand(id, code);
  }
};

class SampleDialog : public Dialog {
 public:
  SampleDialog() : Dialog(201, dialogtest::SampleTemplate(201)) {}
  std::vector<std::pair<int, int>> commands;
  std::vector<int> scrolls;
  BOOL OnCommand(WORD id, WORD code) override {
    commands.emplace_back(id, code);
    return Dialog::OnCommand(id, code);
  }
  void OnScroll(Slider& slider, int code) override { scrolls.push_back(slider.GetPos() * 100 + code); }
};

TEST(DialogTest, ControlsAreMadeFromTheTemplate) {
  SampleDialog sample;
  NameDialog names;
  ASSERT_TRUE(sample.Create());
  ASSERT_TRUE(names.Create());
  const struct {
    Dialog* dialog;
    int id;
    ControlKind kind;
    bool enabled, visible;
  } cases[] = {
      {&names, 1012, ControlKind::Edit, true, true},         {&names, 1013, ControlKind::CheckBox, true, true},
      {&names, 1014, ControlKind::CheckBox, false, true},    {&names, 1000, ControlKind::ListBox, true, true},
      {&names, IDOK, ControlKind::PushButton, true, false},  {&names, -1, ControlKind::Label, true, true},
      {&sample, 202, ControlKind::Slider, true, true},       {&sample, 203, ControlKind::Edit, true, true},
      {&sample, 205, ControlKind::ComboBox, true, true},     {&sample, 301, ControlKind::RadioButton, true, true},
      {&sample, 1025, ControlKind::TreeView, true, true},
  };
  for (const auto& c : cases) {
    Control* control = c.dialog->GetDlgItem(c.id);
    ASSERT_NE(control, nullptr) << c.id;
    EXPECT_EQ(control->Kind(), c.kind) << c.id;
    EXPECT_EQ(control->IsWindowEnabled(), c.enabled) << c.id;
    EXPECT_EQ(control->IsWindowVisible(), c.visible) << c.id;
  }
  EXPECT_EQ(names.GetWindowText(), "Plain");
  EXPECT_EQ(names.GetDlgItemText(1013), "&Use File Name");
  EXPECT_EQ(sample.Controls()[8]->Kind(), ControlKind::Picture);
  EXPECT_EQ(sample.Controls()[8]->GetImage(), 128u);
  EXPECT_EQ(sample.GetDlgItem(9999), nullptr);
  EXPECT_EQ(sample.GetDlgItemAs<Edit>(202), nullptr);
  // The first tab stop that can be used has the focus.
  EXPECT_EQ(names.GetFocus(), names.GetDlgItem(1012));
}

TEST(DialogTest, UsersReachOnlyUsableControlsAndTheirDialogHearsOfIt) {
  NameDialog names;
  ASSERT_TRUE(names.Create());
  names.commands.clear();
  EXPECT_TRUE(names.UserClick(1013));
  EXPECT_EQ(names.IsDlgButtonChecked(1013), UINT(BST_UNCHECKED));
  EXPECT_FALSE(names.UserClick(1014));  // disabled
  EXPECT_FALSE(names.UserClick(IDOK));  // hidden
  EXPECT_FALSE(names.UserClick(1012));  // not a button
  names.CheckDlgButton(1013, BST_CHECKED);  // programs change checks silently
  EXPECT_TRUE(names.UserType(1012, "typed"));
  names.SetDlgItemText(1012, "set");  // but an edit's text always notifies
  EXPECT_TRUE(names.UserDoubleClick(1000, 2));
  EXPECT_EQ(names.commands, (std::vector<std::pair<int, int>>{
                                {1013, BN_CLICKED}, {1012, EN_CHANGE}, {1012, EN_CHANGE}, {1000, LBN_SELCHANGE}, {1000, LBN_DBLCLK}}));
  EXPECT_EQ(names.GetFocus(), names.GetDlgItem(1000));
  names.GetDlgItem(1000)->EnableWindow(FALSE);
  EXPECT_EQ(names.GetFocus(), nullptr);
  EXPECT_FALSE(names.UserChoose(1000, 0));

  SampleDialog sample;
  ASSERT_TRUE(sample.Create());
  sample.commands.clear();
  EXPECT_TRUE(sample.UserClick(302));
  EXPECT_TRUE(sample.UserClick(303));
  EXPECT_TRUE(sample.UserClick(301));
  // A radio button clears the others of its group only.
  EXPECT_EQ(sample.IsDlgButtonChecked(301), UINT(BST_CHECKED));
  EXPECT_EQ(sample.IsDlgButtonChecked(302), UINT(BST_UNCHECKED));
  EXPECT_EQ(sample.IsDlgButtonChecked(303), UINT(BST_CHECKED));
  EXPECT_FALSE(sample.UserType(203, "read only"));
  EXPECT_FALSE(sample.UserType(205, "drop-down lists take no text"));
  auto* slider = sample.GetDlgItemAs<Slider>(202);
  slider->SetRange(0, 50);
  EXPECT_TRUE(sample.UserDrag(202, 80));
  EXPECT_EQ(slider->GetPos(), 50);
  EXPECT_EQ(sample.scrolls, std::vector<int>{50 * 100 + TB_THUMBPOSITION});
}

TEST(DialogTest, ListsKeepOrderSelectionAndFind) {
  NameDialog names;
  ASSERT_TRUE(names.Create());
  auto* list = names.GetDlgItemAs<ListBox>(1000);
  ASSERT_EQ(list->GetCount(), 4);
  std::vector<std::string> items;
  for (int i = 0; i < list->GetCount(); ++i) items.push_back(list->GetText(i));
  EXPECT_EQ(items, (std::vector<std::string>{"Apple", "apricot", "fig", "pear"}));
  list->SetCurSel(2);
  EXPECT_EQ(list->AddString("banana"), 2);
  EXPECT_EQ(list->GetCurSel(), 3);  // the selected item moved down
  EXPECT_EQ(list->DeleteString(3), 4);
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(list->FindString(-1, "AP"), 0);
  EXPECT_EQ(list->FindString(0, "ap"), 1);
  EXPECT_EQ(list->FindString(1, "ap"), 0);  // wraps around
  EXPECT_EQ(list->FindStringExact(-1, "PEAR"), 3);
  EXPECT_EQ(list->FindString(-1, "kiwi"), LB_ERR);
  EXPECT_EQ(list->SetCurSel(9), LB_ERR);
  EXPECT_EQ(list->GetItemText(9), "");

  SampleDialog sample;
  ASSERT_TRUE(sample.Create());
  auto* devices = sample.GetDlgItemAs<ComboBox>(205);
  devices->AddString("second");
  devices->AddString("first");  // not sorted: stays in device order
  EXPECT_EQ(devices->GetLBText(1), "first");
  EXPECT_EQ(devices->GetWindowText(), "");
  devices->SetCurSel(1);
  EXPECT_EQ(devices->GetWindowText(), "first");
  auto* sizes = sample.GetDlgItemAs<ComboBox>(206);
  for (const char* size : {"512", "128", "256"}) sizes->AddString(size);
  EXPECT_EQ(sizes->GetLBText(0), "128");
  sizes->SetCurSel(2);
  EXPECT_EQ(sizes->GetWindowText(), "512");
  EXPECT_TRUE(sample.UserType(206, "1024"));
  EXPECT_EQ(sizes->GetWindowText(), "1024");

  auto* tree = sample.GetDlgItemAs<TreeView>(1025);
  HTREEITEM root = tree->InsertItem(" Pathname: /opt");
  tree->InsertItem("Build Number: 5", root);
  HTREEITEM file = tree->InsertItem("travix");
  tree->InsertItem("File Version:  1.2", file);
  EXPECT_EQ(tree->Lines(), (std::vector<std::string>{" Pathname: /opt", "  Build Number: 5", "travix", "  File Version:  1.2"}));
  EXPECT_EQ(tree->GetNextSiblingItem(root), file);
  EXPECT_EQ(tree->GetParentItem(tree->GetChildItem(file)), file);
  EXPECT_EQ(tree->GetCount(), 4);
}

TEST(DialogTest, ModalRunExchangesDataAndValidates) {
  RecordingHost host;
  ScopedDialogHost scope(host);
  NameDialog names;
  host.AddDialogScript([](Dialog& d) {
    d.SetDlgItemText(1012, "much too long");  // typing would stop at the limit
    d.IsDialogMessage(0x100, 0x0D, 0);  // return: the default button
    EXPECT_FALSE(d.HasEnded());
    EXPECT_EQ(d.GetFocus(), d.GetDlgItem(1012));
    d.UserType(1012, "short");
    d.UserClick(1013);
    d.UserChoose(1000, 1);
    d.IsDialogMessage(0x100, 0x0D, 0);
  });
  EXPECT_EQ(names.DoModal(), IDOK);
  EXPECT_EQ(names.name, "short");
  EXPECT_EQ(names.useFileName, BST_UNCHECKED);
  EXPECT_EQ(names.listIndex, 1);
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(host.Messages()[0].text, "Enter no more than 8 characters.");
  EXPECT_EQ(host.Dialogs().back().result, IDOK);
  EXPECT_FALSE(names.IsWindow());

  // No script, or one that leaves the dialog open: cancelled.
  EXPECT_EQ(names.DoModal(), IDCANCEL);
  host.AddDialogScript([](Dialog& d) { d.UserType(1012, "x"); });
  EXPECT_EQ(names.DoModal(), IDCANCEL);
  EXPECT_EQ(names.name, "short");

  Dialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
  const std::vector<BYTE> damaged(5, 0xFF);
  Dialog broken(4243, damaged);
  EXPECT_EQ(broken.DoModal(), -1);
}

TEST(DialogTest, DialogManagerTakesKeyboardAndMouseMessagesOnly) {
  NameDialog names;
  ASSERT_TRUE(names.Create());
  const struct {
    UINT message;
    WPARAM key;
    BOOL taken;
  } cases[] = {{0x102, 'z', TRUE}, {0x113, 0, FALSE}, {0x201, 0, TRUE}, {0x209, 0, TRUE}, {0x20A, 0, FALSE}, {0x109, 0, FALSE}};
  for (const auto& c : cases) EXPECT_EQ(names.IsDialogMessage(c.message, c.key, 0), c.taken) << c.message;
  EXPECT_EQ(names.GetDlgItemText(1012), "startz");
  // Tab goes round the usable tab stops: the disabled and hidden ones are skipped.
  std::vector<int> order;
  for (int i = 0; i < 4; ++i) {
    names.IsDialogMessage(0x100, 0x09, 0);
    order.push_back(names.GetFocus()->GetDlgCtrlID());
  }
  EXPECT_EQ(order, (std::vector<int>{1013, IDCANCEL, 1012, 1013}));
  names.IsDialogMessage(0x100, 0x1B, 0);
  EXPECT_TRUE(names.HasEnded());
  EXPECT_EQ(names.ModalResult(), IDCANCEL);
}

}  // namespace

namespace {

class RecordingSite : public PropertyPageSite {
 public:
  std::vector<DWORD> changes;
  void OnStatusChange(DWORD flags) override { changes.push_back(flags); }
};

class GainPage : public PropertyPage {
 public:
  GainPage() : PropertyPage(201, dialogtest::SampleTemplate(201), "Custom") {}
  int gain = 0;
  int applied = -1;
  void DoDataExchange(DataExchange& dx) override { dx.SliderPos(202, gain); }
  HRESULT OnApply() override {
    applied = gain;
    return S_FALSE;
  }
};

TEST(PropertyPageTest, TellsItsSiteOfChangesOnceAndAppliesWhatTheControlsHold) {
  RecordingSite site;
  GainPage page;
  page.SetPageSite(&site);
  ASSERT_TRUE(page.Create());
  page.GetDlgItemAs<Slider>(202)->SetPos(40);
  page.SetModified();
  page.SetModified();
  EXPECT_TRUE(page.IsModified());
  EXPECT_EQ(page.Apply(), S_FALSE);
  EXPECT_EQ(page.applied, 40);
  EXPECT_FALSE(page.IsModified());
  EXPECT_EQ(site.changes, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE, 0}));
}

}  // namespace
