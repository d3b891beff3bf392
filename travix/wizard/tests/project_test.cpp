// Running travix (a stub that records its arguments and exits with the code
// a test chooses) and the project the wizard sets up from its answers.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "travix/wizard/appwizard.h"
#include "travix/wizard/cmakeproject.h"
#include "travix/wizard/generatorrun.h"
#include "travix/wizard/installpath.h"
#include "travix/wizard/newproject.h"
#include "travix/wizard/project.h"
#include "travix/wizard/templates.h"
#include "travix/wizard/tests/wizardtest.h"

namespace {

using namespace Travix::Wizard;
using wizardtest::WizardTest;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ProjectTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    m_install = Path("install");
    m_project = Path("My Project $x");
    std::filesystem::create_directories(m_project);
    std::filesystem::create_directories(Path("tmp"));
    ::setenv("TMPDIR", Path("tmp").c_str(), 1);
    // The stub keeps its arguments one per line, writes the files named in
    // STUB_WRITE into its -d directory, writes STUB_LIST (printf escapes)
    // into the -l file, or removes it for STUB_LIST=remove, and exits with
    // STUB_CODE.
    const std::string stub = WriteFile("install/bin/travix",
                                       "#!/bin/sh\n"
                                       "printf '%s\\n' \"$@\" > \"$STUB_ARGS\"\n"
                                       "for a in \"$@\"; do case \"$a\" in -l*) list=\"${a#-l}\";; -d*) out=\"${a#-d}\";; esac; done\n"
                                       "for f in $STUB_WRITE; do echo generated > \"$out/$f\"; done\n"
                                       "if [ \"$STUB_LIST\" = remove ]; then rm -f \"$list\";\n"
                                       "elif [ -n \"$list\" ]; then printf \"$STUB_LIST\" > \"$list\"; fi\n"
                                       "exit \"$STUB_CODE\"\n");
    ::chmod(stub.c_str(), 0755);
    ::setenv("STUB_ARGS", Path("args").c_str(), 1);
    m_input = WriteFile("in/it's a \"po\".xsd", "<schema/>");
  }
  void TearDown() override {
    for (const char* name : {"TMPDIR", "STUB_ARGS", "STUB_LIST", "STUB_CODE", "STUB_WRITE"}) ::unsetenv(name);
    WizardTest::TearDown();
  }

  // A wizard whose dictionary the steps would have filled so.
  std::unique_ptr<AppWizard> Wizard(const std::vector<std::pair<std::string_view, const char*>>& entries) {
    auto wizard = std::make_unique<AppWizard>();
    wizard->SetInstallPath(m_install);
    Dictionary& d = wizard->GetDictionary();
    d.Set(Key::FullDirPath, m_project + "/");
    d.Set(Key::InputFile, m_input);
    d.Set(Key::Namespace, "po");
    for (const auto& [key, value] : entries) d.Set(key, value);
    m_host.Clear();
    return wizard;
  }

  std::optional<Project> Run(AppWizard& wizard, int code, const std::string& list) {
    ::setenv("STUB_CODE", std::to_string(code).c_str(), 1);
    ::setenv("STUB_LIST", list.c_str(), 1);
    return wizard.CustomizeProject("My Project");
  }

  std::string m_install, m_project, m_input;
};

TEST_F(ProjectTest, ArgumentVectorOrder) {
  const struct {
    std::vector<std::pair<std::string_view, const char*>> entries;
    std::vector<std::string> flags;  // between the program and -l
  } cases[] = {
      {{}, {"-npo"}},
      {{{Key::ExportSchema, "Yes"}, {Key::DisableRead, "Yes"}, {Key::Mfc, "Yes"}, {Key::NoNamespace, "Yes"},
        {Key::ProjTypeDll, "1"}},
       {"-X", "-R", "-npo", "-M", "-N", "-D"}},
      {{{Key::ProjTypeLib, "1"}, {Key::Mfc, "No"}}, {"-npo"}},
  };
  for (const auto& c : cases) {
    auto wizard = Wizard(c.entries);
    wizard->GetDictionary().Set(Key::FullDirPath, m_project + "//");  // trailing separators go
    Run(*wizard, 0, "");
    const std::vector<std::string> expected = c.flags;  // the stub sees the words after its name
    const std::vector<std::string> args = Lines(ReadAll(Path("args")));
    ASSERT_EQ(args.size(), expected.size() + 4);
    std::vector<std::string> head(args.begin(), args.begin() + std::ptrdiff_t(expected.size()));
    EXPECT_EQ(head, expected);
    // The list file: private, in the temporary directory, gone afterwards.
    const std::string list = args[expected.size()];
    EXPECT_TRUE(list.starts_with("-l" + Path("tmp") + "/Travix")) << list;
    EXPECT_FALSE(std::filesystem::exists(list.substr(2)));
    // travix writes into a private directory of the project, gone afterwards.
    const std::string output = args[expected.size() + 1];
    EXPECT_TRUE(output.starts_with("-d" + m_project + "/.travixwz-")) << output;
    EXPECT_FALSE(std::filesystem::exists(output.substr(2)));
    EXPECT_EQ(std::vector<std::string>(args.end() - 2, args.end()), (std::vector<std::string>{"--", m_input}));
  }
  EXPECT_EQ(CommandText({"/opt/bin/travix", "-npo", "it's $x"}), "/opt/bin/travix -npo 'it'\\''s $x'");
}

TEST_F(ProjectTest, ExitCodesAndListFiles) {
  const std::string dir = m_project + "/";
  // Whole lines whatever their length or line end, empty lines skipped,
  // the last line kept without a line end.
  const std::string longName = dir + std::string(1500, 'n') + ".h";
  const std::string list = dir + "po.h\\r\\n\\r\\n" + dir + "po.cpp\\n" + longName + "\\n" + dir + "last.cpp";
  {
    auto wizard = Wizard({});
    const auto project = Run(*wizard, 0, list);
    ASSERT_TRUE(project);
    EXPECT_EQ(project->files, (std::vector<std::string>{dir + "po.h", dir + "po.cpp", longName, dir + "last.cpp"}));
    EXPECT_TRUE(m_host.Messages().empty());
    EXPECT_EQ(wizard->GeneratorExitCode(), 0);
  }
  const std::string report = "Error: parse failed\\nin x.cpp at line number 3\\n";
  const struct {
    int code;
    const char* text;
  } codes[] = {{1, "Error: Usage"},           {2, "Error: Bad list file"},  {3, "Error: Parser error"},
               {4, "Error: Unknown option"},  {5, "Error: No input file."}, {11, "Error: Invalid C++ namespace"},
               {7, "Error: Unknown exit code"}};
  for (const auto& c : codes) {
    auto wizard = Wizard({});
    m_host.AddDialogScript([&](Platform::Dialog& dialog) {
      EXPECT_EQ(dialog.GetDlgItemText(IDC_MESSAGE), "Travix Code Generation Failed for:\r\n\r\n" + m_input +
                                                        "\r\n\r\n" + c.text +
                                                        "\r\n\r\nError: parse failed\r\nin x.cpp at line number 3\r\n");
      dialog.UserClick(IDOK);
    });
    const auto project = Run(*wizard, c.code, report);
    ASSERT_TRUE(project);
    ASSERT_EQ(m_host.Dialogs().size(), 1u) << c.code;
    EXPECT_EQ(m_host.Dialogs()[0].caption, "Error in Project Generation");
    EXPECT_TRUE(project->files.empty());
    EXPECT_EQ(project->configurations.size(), 2u);  // set up all the same
  }
  {  // No list to read: the text alone.
    auto wizard = Wizard({});
    Run(*wizard, 3, "remove");
    ASSERT_EQ(m_host.Messages().size(), 1u);
    EXPECT_EQ(m_host.Messages()[0].text, "Error: Parser error");
    EXPECT_EQ(m_host.Messages()[0].caption, "Critical Error in Travix");
    m_host.Clear();
    Run(*wizard, 0, "remove");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Could not open travix.exe listfile"});
  }
  {  // No generator at all: the command shown, then the unknown code.
    auto wizard = Wizard({});
    wizard->SetInstallPath(Path("nowhere"));
    m_host.AddDialogScript([&](Platform::Dialog& dialog) {
      EXPECT_EQ(dialog.GetDlgItemText(IDC_MESSAGE), "Travix Code Generation Failed for:\r\n\r\n" + m_input +
                                                        "\r\n\r\nError: Unknown exit code\r\n\r\n");
    });
    const auto project = Run(*wizard, 0, "");
    ASSERT_EQ(m_host.Messages().size(), 1u);
    EXPECT_EQ(m_host.Messages()[0].caption, "CreateProcess failed.");
    EXPECT_TRUE(m_host.Messages()[0].text.starts_with(GeneratorProgram(Path("nowhere")) + " -npo"));
    EXPECT_EQ(m_host.Dialogs().size(), 1u);
    EXPECT_EQ(wizard->GeneratorExitCode(), kNotRun);
    ASSERT_TRUE(project);
    EXPECT_EQ(project->configurations.size(), 2u);
  }
  // No list file can be made: the reason is said, and nothing is done. A
  // directory that cannot be written (root writes any it may see, but not
  // /sys) is not a full disk.
  const std::string locked = Path("locked");
  std::filesystem::create_directory(locked);
  ::chmod(locked.c_str(), 0555);
  const struct {
    std::string directory;
    std::string reason;
  } temporaries[] = {{Path("missing"), "No such file or directory"},
                     {::geteuid() == 0 ? "/sys" : locked, "Permission denied"}};
  for (const auto& t : temporaries) {
    ::setenv("TMPDIR", t.directory.c_str(), 1);
    std::filesystem::remove(Path("args"));
    auto wizard = Wizard({});
    EXPECT_FALSE(Run(*wizard, 0, ""));
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Cannot create temporary file in " + t.directory + "/: " + t.reason});
    EXPECT_FALSE(std::filesystem::exists(Path("args")));
  }
  ::chmod(locked.c_str(), 0755);
}

TEST_F(ProjectTest, Configurations) {
  const std::string include = m_install + "/include";
  const struct {
    std::vector<std::pair<std::string_view, const char*>> entries;
    const char* debugLibrary;
    const char* releaseLibrary;
    std::vector<std::string> defines;
    std::vector<std::string> stepFiles;
    const char* mfc;  // the tool setting
  } cases[] = {
      {{{Key::BaseTypeLib, "1"}}, "travixbase_sd", "travixbase_s",
       {"TRAVIX_EXPORTS", "PO_EXPORTS", "MSDOS"}, {"po_lexer.l", "po_parser.y"}, "0"},
      {{{Key::BaseTypeDll, "1"}, {Key::NoNamespace, "Yes"}}, "travixbase_nd", "travixbase_n",
       {"TRAVIX_EXPORTS", "PO_EXPORTS", "MSDOS", "TRAVIX_NO_NAMESPACE"}, {"po_lexer.l", "po_parser.y"}, "0"},
      // Write-only classes still need the runtime's XObject.
      {{{Key::BaseTypeDll, "1"}, {Key::DisableRead, "Yes"}}, "travixbase_d", "travixbase",
       {"TRAVIX_EXPORTS", "PO_EXPORTS", "_TRAVIX_SUPPRESS_READ_SUPPORT"}, {}, "0"},
      // Classes on MFC leave the configuration's own setting.
      {{{Key::BaseTypeLib, "1"}, {Key::DisableRead, "Yes"}, {Key::AddToProject, "Yes"}, {Key::Mfc, "Yes"}},
       "travixbase_sd", "travixbase_s",
       {"TRAVIX_EXPORTS", "PO_EXPORTS", "_TRAVIX_SUPPRESS_READ_SUPPORT"}, {"it's a \"po\".xsd"}, ""},
  };
  for (const auto& c : cases) {
    auto wizard = Wizard(c.entries);
    const auto project = Run(*wizard, 0, "");
    ASSERT_TRUE(project);
    ASSERT_EQ(project->configurations.size(), 2u);
    for (const Configuration& configuration : project->configurations) {
      const bool debug = configuration.name == "Debug";
      EXPECT_EQ(configuration.libraries, std::vector<std::string>{debug ? c.debugLibrary : c.releaseLibrary});
      EXPECT_EQ(configuration.defines, c.defines);
      EXPECT_EQ(configuration.includeDirectories, std::vector<std::string>{include});
      EXPECT_EQ(configuration.mfc, c.mfc);
      EXPECT_EQ(configuration.runtime, debug ? "MDd" : "MD");
      EXPECT_TRUE(configuration.rtti);
      std::vector<std::string> files;
      for (const CustomBuildStep& step : configuration.buildSteps)
        files.push_back(step.file.substr(step.file.find_last_of('/') + 1));
      EXPECT_EQ(files, c.stepFiles);
    }
  }
}

TEST_F(ProjectTest, BuildStepsCopyAndTrace) {
  m_input = WriteFile("in/Memo.DTD", "<!ELEMENT memo (#PCDATA)>");
  auto wizard = Wizard({{Key::AddToProject, "Yes"}, {Key::NoNamespace, "Yes"}, {Key::BaseTypeLib, "1"}});
  wizard->SetTracing(true);
  const auto project = Run(*wizard, 0, "");
  ASSERT_TRUE(project);
  const std::string copy = m_project + "/Memo.DTD";
  EXPECT_EQ(ReadAll(copy), "<!ELEMENT memo (#PCDATA)>");
  EXPECT_EQ(project->files, std::vector<std::string>{copy});
  ASSERT_EQ(MessageTexts().size(), 1u);  // the command, when tracing
  EXPECT_EQ(MessageTexts()[0], GeneratorProgram(m_install) + " " + CommandText(Lines(ReadAll(Path("args")))));

  const std::vector<CustomBuildStep> expected = {
      {"po_lexer.l", {{"flex", "-o" + m_project + "/po_lexer.c", "-Ppo_", "po_lexer.l"}}, {"po_lexer.c"},
       "Performing flex step on po_lexer.l"},
      {"po_parser.y",
       {{"bison", "-v", "-d", "-b", "po_parser", "-p", "po_", "po_parser.y"},
        {"del", "po_parser.tab.cpp"},
        {"copy", "po_parser.tab.c", "po_parser.tab.cpp"}},
       {"po_parser.tab.h", "po_parser.tab.cpp"},
       "Performing bison step on po_parser.y"},
      {copy,
       {{GeneratorProgram(m_install), "-npo", "-N", "-d" + m_project, "--", copy}},
       {"po.cpp", "po.h", "po_xmlimporter.cpp", "po_xmlimporter.h", "po_lexer.l", "po_parser.y", "po_entities.cpp"},
       "Performing Travix code generation step on " + copy},
  };
  EXPECT_EQ(project->configurations[0].buildSteps, expected);
  EXPECT_EQ(project->configurations[1].buildSteps, expected);

  const std::vector<std::string> log = Lines(ReadAll(m_project + "/appwiz.out"));
  ASSERT_GE(log.size(), 20u);
  const std::vector<std::string> head = {
      "-- Debugging Travix AppWizard",
      "Processing Configuration 'Debug'",
      "Include path '" + m_install + "/include' added (Result: 0)",
      "Set MFC status (Result: 0)",
      "Added /DTRAVIX_EXPORTS' (Result: 0)",
      "Set multithreaded mode (Result: 0)",
      "RTTI enabled (Result: 0)",
      "Added 'PO_EXPORTS' (Result: 0)",
      "Travix Read is ENABLED! (Result: 0)",
      "Added /DMSDOS for Read capability (Result: 0)",
      "Added travixbase to link step (Result: 0)",
      "Adding Custom build step for 'po_lexer.l'",
      "  --     Cmd: 'flex '-o" + m_project + "/po_lexer.c' -Ppo_ po_lexer.l'",
      "  -- Outputs: 'po_lexer.c'",
      "  -- Comment: 'Performing flex step on po_lexer.l'",
      "  -- Result: 0",
  };
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + std::ptrdiff_t(head.size())), head);
  EXPECT_NE(std::find(log.begin(), log.end(), "No Namespace is ENABLED! (Result: 0)"), log.end());
  EXPECT_EQ(std::count(log.begin(), log.end(), "Processing Configuration 'Release'"), 1);

  // A copy that cannot be made (the input went away) is shown, and nothing
  // is built from it.
  auto lost = Wizard({{Key::AddToProject, "Yes"}});
  lost->GetDictionary().Set(Key::InputFile, Path("in/gone.dtd"));
  const auto without = Run(*lost, 0, "");
  ASSERT_TRUE(without);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_TRUE(MessageTexts()[0].starts_with("Cannot copy " + Path("in/gone.dtd") + " to " + m_project + "/gone.dtd: "));
  EXPECT_EQ(without->configurations[0].buildSteps.size(), 2u);
  // An input that already is the project's copy stays as it is.
  auto same = Wizard({{Key::AddToProject, "Yes"}});
  same->GetDictionary().Set(Key::InputFile, copy);
  Run(*same, 0, "");
  EXPECT_TRUE(m_host.Messages().empty());
  EXPECT_EQ(ReadAll(copy), "<!ELEMENT memo (#PCDATA)>");
}

TEST_F(ProjectTest, FilesThatAreThereStayAsTheyAre) {
  ::setenv("STUB_WRITE", "po.h po.cpp", 1);
  const auto names = [](const std::string& directory) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) found.push_back(entry.path().filename());
    return found;
  };
  const struct {
    std::string existing;  // a file the project would get
    std::vector<std::pair<std::string_view, const char*>> entries;
    bool tracing;
    bool run;  // whether travix runs before the refusal
  } cases[] = {
      {"CMakeLists.txt", {}, false, false},
      {"it's a \"po\".xsd", {{Key::AddToProject, "Yes"}}, false, false},  // the copy of the input
      {"appwiz.out", {}, true, false},
      {"po.h", {}, false, true},  // one that travix writes
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(m_project);
    const std::string path = WriteFile("My Project $x/" + c.existing, "the user's");
    std::filesystem::remove(Path("args"));
    auto wizard = Wizard(c.entries);
    wizard->SetTracing(c.tracing);
    EXPECT_FALSE(Run(*wizard, 0, "")) << c.existing;
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{path + " is already there; the project was not made and no file was changed."});
    EXPECT_EQ(std::filesystem::exists(Path("args")), c.run) << c.existing;
    EXPECT_EQ(ReadAll(path), "the user's");
    // Nothing came in beside it, and travix's own directory is gone.
    EXPECT_EQ(names(m_project), std::vector<std::string>{c.existing});
  }
  // With nothing in the way, what travix wrote moves in.
  std::filesystem::remove(m_project + "/po.h");
  auto wizard = Wizard({});
  ASSERT_TRUE(Run(*wizard, 0, ""));
  EXPECT_EQ(ReadAll(m_project + "/po.h"), "generated\n");
  EXPECT_EQ(names(m_project).size(), 2u);
}

TEST_F(ProjectTest, NewProjectIsAskedForAndDecidedFirst) {
  SetMachineString(kAppPathsKey, "Path", m_install);
  WriteFile("My Project $x/CMakeLists.txt", "the user's");
  WriteFile("a file", "");
  const struct {
    std::string directory;
    int answer;       // to the confirmation
    bool steps;       // whether the steps are shown
    std::string report;
    bool made;        // whether the directory is there afterwards
  } cases[] = {
      {m_project, IDOK, false, "travixwz: " + m_project + " already holds a project (" + m_project + "/CMakeLists.txt)", true},
      {Path("declined"), IDCANCEL, true, "travixwz: no project was made.", false},
      {Path("a file/project"), IDOK, true, "travixwz: " + Path("a file/project") + " cannot be made: ", false},
      {Path("made") + "/", IDOK, true, "travixwz: wrote " + Path("made") + "/CMakeLists.txt", true},
  };
  for (const auto& c : cases) {
    m_host.Clear();
    std::filesystem::remove(Path("args"));
    m_host.AddWizardScript([&](Platform::WizardStep& step) {
      step.UserType(IDC_INPUT_FILE, m_input);
      return Platform::WizardAction::Next;
    });
    m_host.AddWizardScript([](Platform::WizardStep&) { return Platform::WizardAction::Next; });
    m_host.AddWizardScript([](Platform::WizardStep&) { return Platform::WizardAction::Finish; });
    m_host.AddMessageAnswer(c.answer);
    std::ostringstream report;
    ::setenv("STUB_CODE", "0", 1);
    EXPECT_EQ(MakeNewProject(c.directory, report), c.made && c.steps ? 0 : 1) << c.directory;
    EXPECT_TRUE(report.str().starts_with(c.report)) << report.str();
    EXPECT_EQ(!m_host.WizardSteps().empty(), c.steps) << c.directory;
    if (c.steps) {  // the question, before anything is made
      ASSERT_FALSE(m_host.Messages().empty());
      EXPECT_EQ(m_host.Messages()[0].caption, "Travix AppWizard");
      EXPECT_TRUE(m_host.Messages()[0].text.starts_with("Travix will now create classes")) << m_host.Messages()[0].text;
      EXPECT_EQ(m_host.Messages()[0].type & 0xFu, MB_OKCANCEL);
    }
    EXPECT_EQ(std::filesystem::is_directory(c.directory), c.made) << c.directory;
    EXPECT_EQ(std::filesystem::exists(Path("args")), c.made && c.steps) << c.directory;  // travix ran
  }
  EXPECT_EQ(ReadAll(m_project + "/CMakeLists.txt"), "the user's");
}

TEST_F(ProjectTest, CMakeTextRelocatesAndEscapes) {
  auto wizard = Wizard({{Key::BaseTypeLib, "1"}, {Key::ProjTypeDll, "1"}});
  auto project = Run(*wizard, 0, "");
  ASSERT_TRUE(project);
  project->AddFile(m_project + "/a;b$c.cpp");
  const std::string text = CMakeProjectText(*project, m_install);
  for (const std::string& wanted :
       {std::string("set(TRAVIX_DIR \"") + m_install + "\" CACHE PATH", std::string("add_library(My_Project SHARED"),
        std::string("\"${CMAKE_CURRENT_SOURCE_DIR}/a$<SEMICOLON>b$<1:$>c.cpp\""),
        // The installed package's runtime, else the library files.
        std::string("find_package(Travix CONFIG QUIET HINTS \"${TRAVIX_DIR}\")"),
        std::string("travix_runtime(travix_runtime_travixbase_sd travixbase_sd \"${TRAVIX_DIR}/lib/libtravixbase_sd.a\")"),
        std::string("\"$<$<CONFIG:Debug>:${travix_runtime_travixbase_sd}>\""),
        std::string("\"$<$<NOT:$<CONFIG:Debug>>:${travix_runtime_travixbase_s}>\""),
        std::string("COMMAND \"${FLEX_EXECUTABLE}\" \"-o${CMAKE_CURRENT_SOURCE_DIR}/po_lexer.c\""),
        std::string("\n  \"PO_EXPORTS\"")})
    EXPECT_NE(text.find(wanted), std::string::npos) << wanted << "\n" << text;
  EXPECT_EQ(text.find(m_project), std::string::npos);  // the project can move

  std::string error;
  EXPECT_TRUE(WriteCMakeProject(*project, m_install, error)) << error;
  EXPECT_FALSE(WriteCMakeProject(*project, m_install, error));  // never over a project someone has
  EXPECT_EQ(ReadAll(m_project + "/CMakeLists.txt"), text);
}

}  // namespace
