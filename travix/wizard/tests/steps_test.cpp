// The steps as a user drives them: what each stores, what it refuses with
// which message and focus, and the confirmation text of the result.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "travix/generator/namespacerule.h"
#include "travix/wizard/appwizard.h"
#include "travix/wizard/installpath.h"
#include "travix/wizard/steps.h"
#include "travix/wizard/templates.h"
#include "travix/wizard/tests/wizardtest.h"

namespace {

using namespace Travix::Wizard;
using wizardtest::WizardTest;

struct Steps {
  Dictionary dictionary;
  InputStep input{dictionary};
  OutputOptionsStep output{dictionary};
  ProjectTypeStep project{dictionary};
  Platform::WizardSequence sequence;
  Steps() {
    sequence.SetSteps({&input, &output, &project});
    sequence.Start();
  }
  // Step 1 filled in and left forward.
  bool PassInput(const std::string& path) {
    input.UserType(IDC_INPUT_FILE, path);
    return sequence.GoNext();
  }
};

TEST(NamespaceRule, FileNamesAndNames) {
  const struct {
    const char* path;
    const char* derived;
  } names[] = {
      {"Order-Form 2.dtd", "Order_Form_2"}, {"2go.xsd", "_go"},          {"/data/v1.2/po.v2.xsd", "po_v2"},
      {"C:\\schemas\\memo.dtd", "memo"},    {"noextension", "noextension"}, {"caf\xc3\xa9.dtd", "caf_"},
      {"", ""},
  };
  for (const auto& name : names) EXPECT_EQ(NamespaceFromFileName(name.path), name.derived) << name.path;

  using Travix::NamespaceFault;
  const struct {
    const char* name;
    NamespaceFault fault;
  } rules[] = {
      {"_x9", NamespaceFault::None},          {"po", NamespaceFault::None},
      {"", NamespaceFault::Empty},            {"a-b", NamespaceFault::BadCharacter},
      {"9a-b", NamespaceFault::BadCharacter}, {"caf\xc3\xa9", NamespaceFault::BadCharacter},
      {"9abc", NamespaceFault::LeadingDigit},
  };
  for (const auto& rule : rules) EXPECT_EQ(Travix::CheckNamespaceCharacters(rule.name), rule.fault) << rule.name;
}

class StepsTest : public WizardTest {};

TEST_F(StepsTest, InputStepWantsAnExistingRegularFile) {
  WriteFile("in/order.dtd", "<!ELEMENT a EMPTY>");
  for (const std::string& path : {Path("missing.dtd"), Path("in"), std::string()}) {
    Steps steps;
    m_host.Clear();
    EXPECT_FALSE(steps.PassInput(path)) << path;
    EXPECT_EQ(steps.sequence.CurrentIndex(), 0u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Can't access file: " + path});
    EXPECT_EQ(steps.input.GetFocus(), steps.input.GetDlgItem(IDC_INPUT_FILE));
    EXPECT_FALSE(steps.dictionary.Has(Key::InputFile));
  }
  for (bool copy : {false, true}) {
    Steps steps;
    steps.dictionary.Set(Key::AddToProject, "Yes");  // left from an earlier pass
    if (copy) steps.input.UserClick(IDC_ADD_TO_PROJECT);
    ASSERT_TRUE(steps.PassInput(Path("in/order.dtd")));
    EXPECT_EQ(steps.dictionary.Value(Key::InputFile), Path("in/order.dtd"));
    EXPECT_EQ(steps.dictionary.IsYes(Key::AddToProject), copy);
  }
}

TEST_F(StepsTest, InputStepPicturesBrowseAndFinish) {
  Steps steps;
  EXPECT_EQ(steps.input.GetDlgItem(IDC_PICTURE)->GetImage(), IDB_INPUT_NONE);
  EXPECT_EQ(steps.input.GetDlgItem(IDC_ABOUT)->GetImage(), IDB_ABOUT);
  // No project without a namespace: step 1 offers no Finish.
  EXPECT_FALSE(steps.sequence.IsFrameButtonEnabled(WIZARD_FINISH));
  EXPECT_FALSE(steps.sequence.Finish());

  const std::string dtd = WriteFile("Memo.Dtd", "");
  m_host.AddFileAnswer(dtd);
  m_host.AddFileAnswer(Path("po.xsd"));
  m_host.AddFileAnswer(std::nullopt);
  steps.input.UserType(IDC_INPUT_FILE, "typed.dtd");
  steps.input.UserClick(IDC_BROWSE);
  EXPECT_EQ(steps.input.GetDlgItemText(IDC_INPUT_FILE), dtd);
  EXPECT_EQ(steps.input.GetDlgItem(IDC_PICTURE)->GetImage(), IDB_INPUT_DTD);
  steps.input.UserClick(IDC_BROWSE);
  EXPECT_EQ(steps.input.GetDlgItem(IDC_PICTURE)->GetImage(), IDB_INPUT_SCHEMA);
  steps.input.UserClick(IDC_BROWSE);  // cancelled: nothing changes
  EXPECT_EQ(steps.input.GetDlgItemText(IDC_INPUT_FILE), Path("po.xsd"));

  ASSERT_EQ(m_host.FileRequests().size(), 3u);
  const auto& request = m_host.FileRequests().front();
  EXPECT_EQ(request.title, "Select Schema or DTD");
  EXPECT_EQ(request.defaultExtension, "dtd");
  EXPECT_EQ(request.initialName, "typed.dtd");
  EXPECT_EQ(request.flags, OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
}

TEST_F(StepsTest, OutputStepRefusesBadNamespaces) {
  const std::string input = WriteFile("po.xsd", "");
  const struct {
    const char* typed;
    const char* message;
  } cases[] = {
      {"a-b", "Invalid characters in the namespace."},
      {"", "You must specify a namespace."},
      {"9abc", "Invalid namespace, can't start with a digit."},
      {"9a-b", "Invalid characters in the namespace."},
  };
  for (const auto& c : cases) {
    Steps steps;
    ASSERT_TRUE(steps.PassInput(input));
    steps.output.UserClick(IDC_USE_FILE_NAME);
    steps.output.UserClick(IDC_EXPORT_SCHEMA);
    steps.output.UserType(IDC_NAMESPACE, c.typed);
    m_host.Clear();
    EXPECT_FALSE(steps.sequence.GoNext()) << c.typed;
    EXPECT_EQ(steps.sequence.CurrentIndex(), 1u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{c.message}) << c.typed;
    EXPECT_EQ(steps.output.GetFocus(), steps.output.GetDlgItem(IDC_NAMESPACE));
    EXPECT_FALSE(steps.dictionary.Has(Key::Namespace));
    EXPECT_TRUE(steps.dictionary.IsYes(Key::ExportSchema));
    EXPECT_FALSE(steps.dictionary.Has(Key::NoNamespace));
  }
}

TEST_F(StepsTest, OutputStepFillsTheNamespaceOnlyWhileAskedTo) {
  Steps steps;
  ASSERT_TRUE(steps.PassInput(WriteFile("Order-Form 2.dtd", "")));
  auto* edit = steps.output.GetDlgItem(IDC_NAMESPACE);
  EXPECT_EQ(edit->GetWindowText(), "Order_Form_2");
  EXPECT_FALSE(edit->IsWindowEnabled());
  EXPECT_EQ(steps.output.GetDlgItem(IDC_PICTURE)->GetImage(), IDB_OUTPUT);
  EXPECT_EQ(static_cast<Platform::Edit*>(edit)->GetLimitText(), 32u);

  steps.output.UserClick(IDC_USE_FILE_NAME);  // off: the user names it
  EXPECT_TRUE(edit->IsWindowEnabled());
  steps.output.UserType(IDC_NAMESPACE, "mine");
  steps.output.UserClick(IDC_NO_NAMESPACE);
  steps.output.UserClick(IDC_DISABLE_READ);
  ASSERT_TRUE(steps.sequence.GoNext());
  EXPECT_EQ(steps.dictionary.Value(Key::Namespace), "mine");
  EXPECT_TRUE(steps.dictionary.IsYes(Key::NoNamespace));
  EXPECT_TRUE(steps.dictionary.IsYes(Key::DisableRead));
  EXPECT_FALSE(steps.dictionary.Has(Key::ExportSchema));

  // Back to step 1 for another file, and on again: the typed name stays...
  steps.sequence.GoBack();
  steps.sequence.GoBack();
  ASSERT_TRUE(steps.PassInput(WriteFile("2go.xsd", "")));
  EXPECT_EQ(edit->GetWindowText(), "mine");
  // ...until the box asks for the file's name again.
  steps.output.UserClick(IDC_USE_FILE_NAME);
  EXPECT_EQ(edit->GetWindowText(), "_go");
  EXPECT_FALSE(edit->IsWindowEnabled());
  steps.output.UserClick(IDC_NO_NAMESPACE);
  ASSERT_TRUE(steps.sequence.GoNext());
  EXPECT_EQ(steps.dictionary.Value(Key::Namespace), "_go");
  EXPECT_FALSE(steps.dictionary.Has(Key::NoNamespace));
}

TEST_F(StepsTest, ProjectStepTypeRules) {
  const std::string input = WriteFile("po.xsd", "");
  // Clicks on 1010 (DLL), 1011 (runtime as DLL) and 1009 (MFC) in order,
  // and what step 3 stores.
  const struct {
    std::vector<int> clicks;
    const char* project;
    const char* base;
    bool mfc;
  } cases[] = {
      {{}, "PROJTYPE_LIB", "BASETYPE_LIB", false},
      {{IDC_BASE_DLL}, "PROJTYPE_LIB", "BASETYPE_LIB", false},  // disabled: the click does nothing
      {{IDC_DLL}, "PROJTYPE_DLL", "BASETYPE_LIB", false},
      {{IDC_DLL, IDC_BASE_DLL, IDC_MFC}, "PROJTYPE_DLL", "BASETYPE_DLL", true},
      {{IDC_DLL, IDC_BASE_DLL, IDC_DLL}, "PROJTYPE_LIB", "BASETYPE_LIB", false},
  };
  for (const auto& c : cases) {
    Steps steps;
    ASSERT_TRUE(steps.PassInput(input));
    ASSERT_TRUE(steps.sequence.GoNext());
    for (const char* stale : {"PROJTYPE_LIB", "PROJTYPE_DLL", "BASETYPE_LIB", "BASETYPE_DLL", "Travix_MFC"})
      steps.dictionary.Set(stale, "1");
    for (int id : c.clicks) steps.project.UserClick(id);
    EXPECT_EQ(steps.project.GetDlgItem(IDC_BASE_DLL)->IsWindowEnabled(),
              steps.project.IsDlgButtonChecked(IDC_DLL) == BST_CHECKED);
    ASSERT_TRUE(steps.sequence.Finish());
    std::vector<std::string> keys;
    for (const auto& [key, value] : steps.dictionary.Entries()) {
      if (key.starts_with("PROJTYPE") || key.starts_with("BASETYPE") || key == "Travix_MFC") keys.push_back(key + "=" + value);
    }
    std::vector<std::string> expected{std::string(c.base) + "=1", std::string(c.project) + "=1"};
    if (c.mfc) expected.push_back("Travix_MFC=Yes");
    EXPECT_EQ(keys, expected) << c.project << " " << c.base;
  }
  // Shown again, the step keeps the runtime box usable while DLL is checked.
  Steps steps;
  ASSERT_TRUE(steps.PassInput(input));
  ASSERT_TRUE(steps.sequence.GoNext());
  steps.project.UserClick(IDC_DLL);
  steps.sequence.GoBack();
  ASSERT_TRUE(steps.sequence.GoNext());
  EXPECT_TRUE(steps.project.GetDlgItem(IDC_BASE_DLL)->IsWindowEnabled());
  EXPECT_EQ(steps.project.GetDlgItem(IDC_PICTURE)->GetImage(), IDB_PROJECT);
}

TEST_F(StepsTest, FinishFromTheSecondStepStoresTheThird) {
  Steps steps;
  ASSERT_TRUE(steps.PassInput(WriteFile("po.xsd", "")));
  ASSERT_TRUE(steps.sequence.Finish());
  EXPECT_EQ(steps.dictionary.Value(Key::Namespace), "po");
  EXPECT_TRUE(steps.dictionary.IsOne(Key::ProjTypeLib));
  EXPECT_TRUE(steps.dictionary.IsOne(Key::BaseTypeLib));
}

TEST_F(StepsTest, ScriptedRunThroughTheHost) {
  const std::string input = WriteFile("memo.dtd", "");
  AppWizard wizard;
  using Platform::WizardAction;
  using Platform::WizardStep;
  m_host.AddWizardScript([&](WizardStep& step) {
    step.UserType(IDC_INPUT_FILE, input);
    step.UserClick(IDC_ADD_TO_PROJECT);
    return WizardAction::Next;
  });
  m_host.AddWizardScript([](WizardStep&) { return WizardAction::Next; });
  m_host.AddWizardScript([](WizardStep& step) {
    step.UserClick(IDC_DLL);
    return WizardAction::Finish;
  });
  EXPECT_EQ(wizard.RunSteps(), IDOK);
  EXPECT_EQ(m_host.WizardSteps(), (std::vector<UINT>{IDD_INPUT_STEP, IDD_OUTPUT_STEP, IDD_PROJECT_STEP}));
  EXPECT_EQ(ConfirmationText(wizard.GetDictionary()),
            "Travix will now create classes to implement XML in accordance with " + input + ".\n\n\nFeatures:\n"
            "   + Create a DLL project with import/export declarations.\n"
            "   + Link to Travix Base as a static library.\n"
            "   + Copy and add " + input + " to project.\n"
            "   + Assign classes to namespace \"memo\".\n"
            "   + Build on STL data classes. (std::string, std::list, ...)\n");
}

TEST(Confirmation, FeatureLines) {
  const std::string head = "Travix will now create classes to implement XML in accordance with a$$b.dtd.\n\n\nFeatures:\n";
  const struct {
    std::vector<std::pair<const char*, const char*>> entries;
    std::string features;
  } cases[] = {
      {{{"PROJTYPE_LIB", "1"}, {"BASETYPE_LIB", "1"}, {"Travix_Namespace", "po"}},
       "   + Create a static library project.\n"
       "   + Assign classes to namespace \"po\".\n"
       "   + Build on STL data classes. (std::string, std::list, ...)\n"},
      {{{"PROJTYPE_DLL", "1"}, {"BASETYPE_DLL", "1"}, {"Travix_EXPORT_SCHEMA", "Yes"}, {"Travix_DisableRead", "Yes"},
        {"Travix_NoNamespace", "Yes"}, {"Travix_Namespace", "po"}, {"Travix_MFC", "Yes"}},
       "   + Create a DLL project with import/export declarations.\n"
       "   + Link to Travix Base as a DLL.\n"
       "   + Store Schema translation of DTD in the project directory.\n"
       "   + Generate XML write only classes.\n"
       "   + Assign class names with prefix \"po_\".  (Do not use C++ namespaces.)\n"
       "   + Build on MFC data classes. (CString, CList, ...)\n"},
      {{{"Travix_NoNamespace", "Yes"}},
       "   + Assign class names prefixed with the DTD/Schema file name. (Do not use C++ namespaces.)\n"
       "   + Build on STL data classes. (std::string, std::list, ...)\n"},
      {{{"Travix_ADD_TO_PROJECT", "Yes"}},
       "   + Copy and add a$$b.dtd to project.\n"
       "   + Assign classes to namespace based on the DTD/Schema file name.\n"
       "   + Build on STL data classes. (std::string, std::list, ...)\n"},
  };
  for (const auto& c : cases) {
    Dictionary dictionary;
    dictionary.Set(Key::InputFile, "a$$b.dtd");  // a value is never expanded again
    for (const auto& [key, value] : c.entries) dictionary.Set(key, value);
    EXPECT_EQ(ConfirmationText(dictionary), head + c.features);
  }
}

class LoadTest : public WizardTest {};

TEST_F(LoadTest, RegistryAtLoad) {
  {  // Nothing installed: the install path's key is reported (the toolkit's
     // own key only turns tracing on), the program's place used.
    AppWizard wizard;
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Can't open key: HKEY_LOCAL_MACHINE\\" + std::string(kAppPathsKey)});
    EXPECT_EQ(m_host.Messages().front().caption, "Installation Failure");
    EXPECT_EQ(wizard.InstallPath(), RunningProgramInstallPath());
    EXPECT_FALSE(wizard.Tracing());
  }
  m_host.Clear();
  {  // A program that runs from its installation needs no key.
    const std::string installed = Path("installed");
    ::chmod(WriteFile("installed/bin/travix", "#!/bin/sh\n").c_str(), 0755);
    EXPECT_EQ(LookUpInstallPath("Installation Failure", installed), installed);
    EXPECT_TRUE(m_host.Messages().empty());
  }
  SetMachineString(kTravixKey, "Other", "x");
  SetMachineString(kAppPathsKey, "Other", "x");
  {
    AppWizard wizard;
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Can't query key: HKEY_LOCAL_MACHINE\\" + std::string(kAppPathsKey)});
  }
  m_host.Clear();
  const std::string longPath = "/opt/" + std::string(400, 'p');  // longer than any fixed buffer
  SetMachineString(kTravixKey, "Debug", "");
  SetMachineString(kAppPathsKey, "Path", longPath);
  AppWizard wizard;
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Travix Tracing Enabled"});
  EXPECT_TRUE(wizard.Tracing());
  EXPECT_EQ(wizard.InstallPath(), longPath);
}

}  // namespace
