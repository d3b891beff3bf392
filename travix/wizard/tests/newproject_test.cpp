// The wizard with the real toolkit: travixwz answered at its terminal makes
// a project of a schema and of a DTD, which configures, builds against the
// installed runtime, and whose example program imports a document.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "travix/wizard/installpath.h"
#include "travix/wizard/tests/wizardtest.h"

namespace {

using wizardtest::WizardTest;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class NewProjectTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    // An installation as the wizard expects one: bin/travix, the runtime's
    // headers in include and its libraries in lib.
    const std::filesystem::path install = m_directory / "install";
    std::filesystem::create_directories(install / "bin");
    std::filesystem::create_symlink(TRAVIX_PROGRAM, install / "bin" / "travix");
    std::filesystem::create_directory_symlink(RUNTIME_INCLUDE_DIR, install / "include");
    std::filesystem::create_directory_symlink(RUNTIME_LIBRARY_DIR, install / "lib");
    SetMachineString(Travix::Wizard::kAppPathsKey, "Path", install.string());
  }

  int Shell(const std::string& command, const std::string& log) {
    return std::system((command + " > " + Quoted(Path(log)) + " 2>&1").c_str());
  }

  std::string Log(const std::string& name) {
    std::ifstream in(Path(name));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs the wizard with the answers, builds the project it wrote with an
  // example program that imports `document`, and answers what it printed.
  std::string MakeAndImport(const std::string& project, const std::string& answers, const std::string& ns,
                            const std::string& document) {
    const std::string directory = Path(project);
    EXPECT_EQ(Shell("printf " + Quoted(answers) + " | " + Quoted(TRAVIXWZ_PROGRAM) + " " + Quoted(directory),
                    project + ".wizard.log"),
              0)
        << Log(project + ".wizard.log");
    EXPECT_TRUE(std::filesystem::exists(directory + "/CMakeLists.txt")) << Log(project + ".wizard.log");

    WriteFile(project + "-example/CMakeLists.txt",
              "cmake_minimum_required(VERSION 3.16)\nproject(example C CXX)\n"
              "add_subdirectory(" + Quoted(directory).replace(0, 1, "\"").replace(directory.size() + 1, 1, "\"") +
                  " project)\n"
              "add_executable(example example.cpp)\n"
              "target_link_libraries(example PRIVATE " + project + ")\n");
    WriteFile(project + "-example/example.cpp",
              "#include <iostream>\n#include <memory>\n#include \"" + ns + ".h\"\n#include \"" + ns + "_xmlimporter.h\"\n"
              "int main(int, char** argv) {\n"
              "  try {\n"
              "    " + ns + "::Initialize();  // the create functions of the classes\n"
              "    " + ns + "::XMLImporter importer;\n"
              "    importer.ImportFromFile(argv[1], true);\n"
              "    std::unique_ptr<Travix::XObject> root(importer.GetXObject());\n"
              "    if (!root) return 2;\n"
              "    root->EmitXML(std::cout, 0);\n"
              "  } catch (const Travix::XException& e) {\n"
              "    std::cout << e.GetMsg() << '\\n';\n"
              "    return 1;\n"
              "  }\n"
              "}\n");
    const std::string build = Path(project + "-build");
    std::string flags;
    if (std::string(SANITIZE_FLAGS).size()) {
      const std::string f = "-fsanitize=" + std::string(SANITIZE_FLAGS);
      flags = " -DCMAKE_C_FLAGS=" + f + " -DCMAKE_CXX_FLAGS=" + f + " -DCMAKE_EXE_LINKER_FLAGS=" + f +
              " -DCMAKE_SHARED_LINKER_FLAGS=" + f;
    }
    EXPECT_EQ(Shell(Quoted(CMAKE_PROGRAM) + " -G " + Quoted(CMAKE_GENERATOR_NAME) + flags + " -S " +
                        Quoted(Path(project + "-example")) + " -B " + Quoted(build) + " && " + Quoted(CMAKE_PROGRAM) +
                        " --build " + Quoted(build) + " -j 2",
                    project + ".build.log"),
              0)
        << Log(project + ".build.log");
    Shell(Quoted(build + "/example") + " " + Quoted(document), project + ".run.log");
    return Log(project + ".run.log");
  }
};

TEST_F(NewProjectTest, SchemaAndDtdProjectsBuildAndImport) {
  // Schema: the file, no copy, Next; the step-2 boxes as they are, Next;
  // step 3 as it is (a static library), Finish.
  const std::string order = MakeAndImport("order_project", std::string(EXAMPLES_DIR) + "/purchaseorder.xsd\n\n\n\n\n\n\n\n\n\nFinish\n",
                                          "purchaseorder", std::string(EXAMPLES_DIR) + "/order.xml");
  EXPECT_NE(order.find("<name>Hanna Lindqvist</name>"), std::string::npos) << order;

  // DTD: copied into the project (so the project regenerates from it),
  // named "notes" (its element "memo" takes the file's name), a DLL
  // project on the runtime as a DLL.
  const std::string memo = MakeAndImport("memo_project", std::string(DTD_FILE) + "\ny\n\nn\nnotes\n\n\n\n\n\ny\ny\nFinish\n",
                                         "notes", std::string(DOCUMENTS_DIR) + "/memo.xml");
  EXPECT_NE(memo.find("Corvanth Instruments"), std::string::npos) << memo;
  EXPECT_TRUE(std::filesystem::exists(Path("memo_project/memo.dtd")));
  EXPECT_TRUE(std::filesystem::exists(Path("memo_project/notes_entities.cpp")));
}

}  // namespace
