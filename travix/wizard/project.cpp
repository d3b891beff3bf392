#include "travix/wizard/project.h"

#include <algorithm>

#include "travix/wizard/generatorrun.h"
#include "travix/wizard/installpath.h"

namespace Travix::Wizard {

namespace {

// What the development environment answered for a setting; here every
// setting is kept by the model itself and always succeeds.
constexpr int kResult = 0;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
  return text;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (const std::size_t dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
  return name;
}

std::string Joined(const std::vector<std::string>& words, const char* separator) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += separator;
    text += word;
  }
  return text;
}

class Trace {
 public:
  explicit Trace(std::ostream* out) : m_out(out) {}
  void Line(const std::string& text) {
    if (m_out) *m_out << text << '\n';
  }
  void Result(const std::string& text) { Line(text + "(Result: " + std::to_string(kResult) + ")"); }
  void Step(const CustomBuildStep& step) {
    if (!m_out) return;
    std::vector<std::string> commands;
    for (const auto& command : step.commands) commands.push_back(CommandText(command));
    Line("Adding Custom build step for '" + step.file + "'");
    Line("  --     Cmd: '" + Joined(commands, "\n") + "'");
    Line("  -- Outputs: '" + Joined(step.outputs, "\n") + "'");
    Line("  -- Comment: '" + step.description + "'");
    Line("  -- Result: " + std::to_string(kResult));
  }

 private:
  std::ostream* m_out;
};

void AddLibrary(Configuration& configuration, const Dictionary& dictionary, Trace& trace) {
  configuration.libraries.push_back(RuntimeLibrary(dictionary, configuration.name));
  trace.Result("Added travixbase to link step ");
}

}  // namespace

void Project::AddFile(const std::string& path) {
  if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
}

Project NewProject(const Dictionary& dictionary, const std::string& name) {
  Project project;
  project.name = name;
  project.directory = ProjectDirectory(dictionary);
  project.sharedLibrary = dictionary.IsOne(Key::ProjTypeDll);
  project.configurations.resize(2);
  project.configurations[0].name = "Debug";
  project.configurations[1].name = "Release";
  return project;
}

bool IsDebugConfiguration(const std::string& name) { return name.ends_with("Debug"); }

std::string RuntimeLibrary(const Dictionary& dictionary, const std::string& configuration) {
  std::string letters;
  if (dictionary.IsYes(Key::NoNamespace)) letters += 'n';
  if (dictionary.IsOne(Key::BaseTypeLib)) letters += 's';
  if (IsDebugConfiguration(configuration)) letters += 'd';
  return letters.empty() ? "travixbase" : "travixbase_" + letters;
}

void SetUpConfigurations(Project& project, const Dictionary& d, const std::string& installPath,
                         const std::vector<std::string>& generator, const std::string& copy, std::ostream* out) {
  Trace trace(out);
  trace.Line("-- Debugging Travix AppWizard");
  const std::string ns = d.Value(Key::Namespace);
  const bool read = !d.IsYes(Key::DisableRead);
  for (Configuration& configuration : project.configurations) {
    trace.Line("Processing Configuration '" + configuration.name + "'");
    const std::string include = JoinPath(installPath, "include");
    configuration.includeDirectories.push_back(include);
    trace.Result("Include path '" + include + "' added ");
    if (!d.IsYes(Key::Mfc)) {
      configuration.mfc = "0";
      trace.Result("Set MFC status ");
    }
    configuration.defines.push_back("TRAVIX_EXPORTS");
    trace.Result("Added /DTRAVIX_EXPORTS' ");
    configuration.runtime = IsDebugConfiguration(configuration.name) ? "MDd" : "MD";
    trace.Result("Set multithreaded mode ");
    configuration.rtti = true;
    trace.Result("RTTI enabled ");
    const std::string exports = Upper(ns.empty() ? BaseName(d.Value(Key::InputFile)) : ns) + "_EXPORTS";
    configuration.defines.push_back(exports);
    trace.Result("Added '" + exports + "' ");

    if (read) {
      trace.Result("Travix Read is ENABLED! ");
      configuration.defines.push_back("MSDOS");
      trace.Result("Added /DMSDOS for Read capability ");
      AddLibrary(configuration, d, trace);
      CustomBuildStep flex{ns + "_lexer.l",
                           {{"flex", "-o" + JoinPath(project.directory, ns + "_lexer.c"), "-P" + ns + "_", ns + "_lexer.l"}},
                           {ns + "_lexer.c"},
                           "Performing flex step on " + ns + "_lexer.l"};
      CustomBuildStep bison{ns + "_parser.y",
                            {{"bison", "-v", "-d", "-b", ns + "_parser", "-p", ns + "_", ns + "_parser.y"},
                             {"del", ns + "_parser.tab.cpp"},
                             {"copy", ns + "_parser.tab.c", ns + "_parser.tab.cpp"}},
                            {ns + "_parser.tab.h", ns + "_parser.tab.cpp"},
                            "Performing bison step on " + ns + "_parser.y"};
      for (CustomBuildStep* step : {&flex, &bison}) {
        trace.Step(*step);
        configuration.buildSteps.push_back(std::move(*step));
      }
    } else {
      configuration.defines.push_back("_TRAVIX_SUPPRESS_READ_SUPPORT");
      trace.Result("Travix Read is DISABLED! ");
      // Write-only classes still derive from the runtime's XObject.
      AddLibrary(configuration, d, trace);
    }
    if (d.IsYes(Key::NoNamespace)) {
      configuration.defines.push_back("TRAVIX_NO_NAMESPACE");
      trace.Result("No Namespace is ENABLED! ");
    }
    if (!copy.empty()) {
      std::vector<std::string> outputs{ns + ".cpp", ns + ".h"};
      if (read) {
        for (const char* suffix : {"_xmlimporter.cpp", "_xmlimporter.h", "_lexer.l", "_parser.y"})
          outputs.push_back(ns + suffix);
        // A DTD's text entities are generated too, and the importer needs them.
        if (Lower(copy.substr(copy.find_last_of("/\\") == std::string::npos ? 0 : copy.find_last_of("/\\") + 1))
                .find(".dtd") != std::string::npos)
          outputs.push_back(ns + "_entities.cpp");
      }
      CustomBuildStep regenerate{copy, {generator}, outputs, "Performing Travix code generation step on " + copy};
      trace.Step(regenerate);
      configuration.buildSteps.push_back(std::move(regenerate));
    }
  }
}

}  // namespace Travix::Wizard
