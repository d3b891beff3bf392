// The wizard with the real toolkit: travixwz answered at its terminal makes
// a project of a schema and of a DTD, which configures, builds against the
// installed runtime (its CMake package, or its files where there is none),
// and whose example program imports a document.
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
  // An installation as the wizard expects one: bin/travix, the runtime's
  // headers in include and its libraries in lib; with `package`, also a
  // CMake package whose runtime targets tell the code they were used.
  std::string MakeInstall(const std::string& name, bool package) {
    const std::filesystem::path install = m_directory / name;
    std::filesystem::create_directories(install / "bin");
    std::filesystem::create_symlink(TRAVIX_PROGRAM, install / "bin" / "travix");
    std::filesystem::create_directory_symlink(RUNTIME_INCLUDE_DIR, install / "include");
    std::filesystem::create_directory_symlink(RUNTIME_LIBRARY_DIR, install / "lib");
    if (package)
      WriteFile(name + "/share/cmake/Travix/TravixConfig.cmake",
                "foreach(name travixbase travixbase_n travixbase_d travixbase_nd travixbase_s travixbase_ns travixbase_sd "
                "travixbase_nsd)\n"
                "  if(name MATCHES \"_.*s\")\n    add_library(Travix::${name} STATIC IMPORTED)\n"
                "    set(file lib${name}.a)\n  else()\n    add_library(Travix::${name} SHARED IMPORTED)\n"
                "    set(file lib${name}.so)\n  endif()\n"
                "  set_target_properties(Travix::${name} PROPERTIES IMPORTED_LOCATION \"" RUNTIME_LIBRARY_DIR "/${file}\"\n"
                "    INTERFACE_INCLUDE_DIRECTORIES \"" RUNTIME_INCLUDE_DIR "\" INTERFACE_COMPILE_DEFINITIONS FROM_PACKAGE)\n"
                "endforeach()\n");
    return install.string();
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
  std::string MakeAndImport(const std::string& install, const std::string& project, const std::string& answers,
                            const std::string& ns, const std::string& document) {
    SetMachineString(Travix::Wizard::kAppPathsKey, "Path", install);
    const std::string directory = Path(project);
    EXPECT_EQ(Shell("printf '%s' " + Quoted(answers) + " | " + Quoted(TRAVIXWZ_PROGRAM) + " " + Quoted(directory),
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
              "#ifdef FROM_PACKAGE\n"
              "  std::cout << \"built on the package\\n\";\n"
              "#endif\n"
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
  const std::string plain = MakeInstall("install", false);
  const std::string packaged = MakeInstall("packaged", true);
  // A schema copied into the project under a name of every character a
  // CMake file gives a meaning to, built on the installed package.
  const std::string schema = Path("inputs/pur;ch $<x> \\ \"q\",.xsd");
  std::filesystem::create_directories(Path("inputs"));
  std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/purchaseorder.xsd", schema);
  const struct {
    std::string install;
    std::string project;
    // Step 1: the file, the copy, Next; step 2: the namespace, the boxes as
    // they are, Next; step 3, Finish; then the confirmation.
    std::string answers;
    std::string ns;
    std::string document;
    std::string imported;
    std::vector<std::string> copied;  // files the project has of the input
  } cases[] = {
      {packaged, "order_project", schema + "\ny\n\nn\npurchaseorder\n\n\n\n\n\n\nFinish\nOK\n", "purchaseorder",
       std::string(EXAMPLES_DIR) + "/order.xml", "<name>Hanna Lindqvist</name>", {"pur;ch $<x> \\ \"q\",.xsd"}},
      // A DTD, named "notes" (its element "memo" takes the file's name), a
      // DLL project on the runtime as a DLL, with the runtime's files.
      {plain, "memo_project", std::string(DTD_FILE) + "\ny\n\nn\nnotes\n\n\n\n\n\ny\ny\nFinish\n\n", "notes",
       std::string(DOCUMENTS_DIR) + "/memo.xml", "Corvanth Instruments", {"memo.dtd", "notes_entities.cpp"}},
  };
  for (const auto& c : cases) {
    const std::string output = MakeAndImport(c.install, c.project, c.answers, c.ns, c.document);
    EXPECT_NE(output.find(c.imported), std::string::npos) << output;
    EXPECT_EQ(output.starts_with("built on the package\n"), c.install == packaged) << output;
    for (const std::string& file : c.copied) EXPECT_TRUE(std::filesystem::exists(Path(c.project + "/" + file))) << file;
  }
}

}  // namespace
