#include "travix/wizard/cmakeproject.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

#include "travix/wizard/installpath.h"

namespace Travix::Wizard {

namespace {

constexpr const char* kDebugCondition = "$<CONFIG:Debug>";
constexpr const char* kReleaseCondition = "$<NOT:$<CONFIG:Debug>>";

// The body of a quoted argument that holds `text` as it stands, where
// nothing evaluates it further (set, file, COMMENT).
std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"' || c == '$') out += '\\';
    out += c;
  }
  return out;
}

// The same where the value is then read as generator expressions and as a
// list (commands, sources, usage requirements): the characters those give
// a meaning are written as expressions that stand for them.
std::string GenexEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
    case '$': out += "$<1:$>"; break;
    case ';': out += "$<SEMICOLON>"; break;
    case '>': out += "$<ANGLE-R>"; break;
    case ',': out += "$<COMMA>"; break;
    case '\\': out += "\\\\"; break;
    case '"': out += "\\\""; break;
    default: out += c;
    }
  }
  return out;
}

// Characters a path given to DEPENDS cannot hold: it is split at ";" and
// takes "\\" for "/".
constexpr const char* kNotForDepends = ";\\";

class Writer {
 public:
  Writer(const Project& project, const std::string& installPath) : m_project(project), m_install(installPath) {}

  // A path or an option with an attached path (-d<dir>, -o<file>), with
  // the project and install directories replaced by their variables, for
  // a place that evaluates generator expressions.
  std::string Argument(const std::string& text) const { return "\"" + Body(text) + "\""; }
  // The same without the quotes.
  std::string Body(const std::string& text, std::string (*escape)(std::string_view) = GenexEscaped) const {
    if (auto path = Relocated(text, escape)) return *path;
    if (text.size() > 2 && text[0] == '-') {
      if (auto path = Relocated(text.substr(2), escape)) return escape(text.substr(0, 2)) + *path;
    }
    return escape(text);
  }

  // The full path of a name of the project directory, relative or full.
  std::string FullPath(const std::string& name) const {
    const bool full = !name.empty() && name[0] == '/';
    return full ? name : JoinPath(m_project.directory, name);
  }
  std::string ProjectFile(const std::string& name) const { return Argument(FullPath(name)); }

  std::string Command(const std::vector<std::string>& command) const {
    std::string line;
    std::size_t first = 1;
    if (command[0] == "flex") {
      line = "\"${FLEX_EXECUTABLE}\"";
    } else if (command[0] == "bison") {
      line = "\"${BISON_EXECUTABLE}\"";
    } else if (command[0] == "del") {
      line = "\"${CMAKE_COMMAND}\" -E rm -f";
    } else if (command[0] == "copy") {
      line = "\"${CMAKE_COMMAND}\" -E copy";
    } else {
      first = 0;
    }
    for (std::size_t i = first; i < command.size(); ++i) line += (line.empty() ? "" : " ") + Argument(command[i]);
    return line;
  }

  // Settings of every configuration: plain when all have them, else under
  // the condition of each configuration that has them.
  std::vector<std::string> Merged(const std::function<std::vector<std::string>(const Configuration&)>& items) const {
    std::vector<std::string> order;
    std::map<std::string, std::vector<const Configuration*>> owners;
    for (const Configuration& configuration : m_project.configurations) {
      for (const std::string& item : items(configuration)) {
        auto& list = owners[item];
        if (list.empty()) order.push_back(item);
        list.push_back(&configuration);
      }
    }
    std::vector<std::string> out;
    for (const std::string& item : order) {
      const auto& list = owners[item];
      if (list.size() == m_project.configurations.size()) {
        out.push_back(item);
        continue;
      }
      for (const Configuration* configuration : list) {
        const char* condition = IsDebugConfiguration(configuration->name) ? kDebugCondition : kReleaseCondition;
        out.push_back("$<" + std::string(condition) + ":" + item + ">");
      }
    }
    return out;
  }

 private:
  std::optional<std::string> Relocated(const std::string& path, std::string (*escape)(std::string_view)) const {
    for (const auto& [directory, variable] :
         {std::pair{m_project.directory, "${CMAKE_CURRENT_SOURCE_DIR}"}, std::pair{m_install, "${TRAVIX_DIR}"}}) {
      if (directory.empty()) continue;
      if (path == directory) return std::string(variable);
      if (path.size() > directory.size() && path.starts_with(directory) && path[directory.size()] == '/')
        return variable + escape(std::string_view(path).substr(directory.size()));
    }
    return std::nullopt;
  }

  const Project& m_project;
  const std::string& m_install;
};

bool IsSource(const std::string& path) {
  for (const char* extension : {".c", ".cpp", ".cxx", ".cc"}) {
    if (path.ends_with(extension)) return true;
  }
  return false;
}

std::string LibraryFile(const std::string& library) {
  const std::size_t mark = library.find('_');
  const bool isStatic = mark != std::string::npos && library.find('s', mark) != std::string::npos;
  return JoinPath("${TRAVIX_DIR}/lib", "lib" + library + (isStatic ? ".a" : ".so"));
}

// The variable that names how a runtime library is linked.
std::string RuntimeVariable(const std::string& library) { return "travix_runtime_" + library; }

}  // namespace

std::string TargetName(const std::string& projectName) {
  std::string name;
  for (char c : projectName) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                    c == '.' || c == '+';
    name += ok ? c : '_';
  }
  return name.empty() ? "project" : name;
}

std::string CMakeProjectText(const Project& project, const std::string& installPath) {
  const Writer writer(project, installPath);
  const std::string target = TargetName(project.name);
  std::string text;
  text += "# " + target + ": classes generated by travix, built against the Travix runtime.\n";
  text += "# Written by travixwz. Build it with\n";
  text += "#   cmake -S <this directory> -B <build directory> && cmake --build <build directory>\n";
  text += "# (-DCMAKE_BUILD_TYPE=Release for the Release configuration; Debug is the default).\n";
  text += "cmake_minimum_required(VERSION 3.16)\n";
  text += "project(" + target + " LANGUAGES C CXX)\n\n";
  text += "set(TRAVIX_DIR \"" + Escaped(installPath) + "\" CACHE PATH \"Where Travix is installed\")\n";
  text += "# The runtime of the installed CMake package when there is one, else\n";
  text += "# the libraries in TRAVIX_DIR.\n";
  text += "find_package(Travix CONFIG QUIET HINTS \"${TRAVIX_DIR}\")\n";
  text += "function(travix_runtime variable library file)\n";
  text += "  if(TARGET Travix::${library})\n";
  text += "    set(${variable} Travix::${library} PARENT_SCOPE)\n";
  text += "  else()\n";
  text += "    set(${variable} \"${file}\" PARENT_SCOPE)\n";
  text += "  endif()\n";
  text += "endfunction()\n";
  std::vector<std::string> runtimes;
  for (const Configuration& configuration : project.configurations) {
    for (const std::string& library : configuration.libraries) {
      if (std::find(runtimes.begin(), runtimes.end(), library) != runtimes.end()) continue;
      runtimes.push_back(library);
      text += "travix_runtime(" + RuntimeVariable(library) + " " + library + " \"" + LibraryFile(library) + "\")\n";
    }
  }
  text += "if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)\n";
  text += "  set(CMAKE_BUILD_TYPE Debug CACHE STRING \"Build type\" FORCE)\n";
  text += "endif()\n";
  text += "set(CMAKE_CXX_STANDARD 17)\nset(CMAKE_CXX_STANDARD_REQUIRED ON)\n";
  text += "set(CMAKE_POSITION_INDEPENDENT_CODE ON)\n";

  // The build steps are the same in every configuration; the first one's
  // are written.
  const std::vector<CustomBuildStep> none;
  const auto& steps = project.configurations.empty() ? none : project.configurations.front().buildSteps;
  bool flex = false, bison = false;
  for (const CustomBuildStep& step : steps) {
    for (const auto& command : step.commands) {
      flex = flex || command[0] == "flex";
      bison = bison || command[0] == "bison";
    }
  }
  if (flex) text += "find_package(FLEX REQUIRED)\n";
  if (bison) text += "find_package(BISON REQUIRED)\n";

  for (std::size_t index = 0; index < steps.size(); ++index) {
    const CustomBuildStep& step = steps[index];
    std::string depends = writer.ProjectFile(step.file);
    if (step.file.find_first_of(kNotForDepends) != std::string::npos) {
      // The file goes by a link of a plain name.
      depends = "\"${CMAKE_CURRENT_BINARY_DIR}/travix_step" + std::to_string(index + 1) + "\"";
      text += "\nfile(CREATE_LINK \"" + writer.Body(writer.FullPath(step.file), Escaped) + "\" " + depends + " SYMBOLIC)";
    }
    text += "\nadd_custom_command(\n  OUTPUT";
    for (const std::string& output : step.outputs) text += " " + writer.ProjectFile(output);
    for (const auto& command : step.commands) text += "\n  COMMAND " + writer.Command(command);
    text += "\n  DEPENDS " + depends;
    if (!step.commands.empty() && step.commands.front()[0].find('/') != std::string::npos)
      text += " " + writer.Argument(step.commands.front()[0]);
    text += "\n  WORKING_DIRECTORY \"${CMAKE_CURRENT_SOURCE_DIR}\"";
    text += "\n  COMMENT \"" + Escaped(step.description) + "\"\n  VERBATIM)\n";
  }

  // The listed sources, and those the build steps make: a project whose
  // generation failed builds once its input has been mended.
  std::vector<std::string> sources;
  const auto addSource = [&](const std::string& file) {
    const std::string argument = writer.ProjectFile(file);
    if (IsSource(file) && std::find(sources.begin(), sources.end(), argument) == sources.end()) sources.push_back(argument);
  };
  for (const std::string& file : project.files) addSource(file);
  for (const CustomBuildStep& step : steps) {
    for (const std::string& output : step.outputs) addSource(output);
  }
  text += "\nadd_library(" + target + (project.sharedLibrary ? " SHARED" : " STATIC");
  for (const std::string& source : sources) text += "\n  " + source;
  text += ")\n";
  const auto list = [&](const char* command, const std::vector<std::string>& items) {
    if (items.empty()) return;
    text += std::string(command) + "(" + target + " PUBLIC";
    for (const std::string& item : items) text += "\n  \"" + item + "\"";
    text += ")\n";
  };
  list("target_include_directories", writer.Merged([&](const Configuration& c) {
         std::vector<std::string> items{"${CMAKE_CURRENT_SOURCE_DIR}"};
         for (const std::string& directory : c.includeDirectories) items.push_back(writer.Body(directory));
         return items;
       }));
  list("target_compile_definitions", writer.Merged([](const Configuration& c) {
         std::vector<std::string> items;
         for (const std::string& define : c.defines) items.push_back(GenexEscaped(define));
         return items;
       }));
  list("target_compile_options", writer.Merged([](const Configuration& c) {
         return c.rtti ? std::vector<std::string>{"$<$<COMPILE_LANGUAGE:CXX>:-frtti>"} : std::vector<std::string>{};
       }));
  list("target_link_libraries", writer.Merged([](const Configuration& c) {
         std::vector<std::string> items;
         for (const std::string& library : c.libraries) items.push_back("${" + RuntimeVariable(library) + "}");
         return items;
       }));
  return text;
}

bool WriteCMakeProject(const Project& project, const std::string& installPath, std::string& error) {
  const std::string path = JoinPath(project.directory, kProjectFile);
  const std::string text = CMakeProjectText(project, installPath);
  // O_EXCL: a project someone already has is never overwritten.
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (file < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(file, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = path + ": " + std::strerror(errno);
      ::close(file);
      ::unlink(path.c_str());
      return false;
    }
    written += std::size_t(n);
  }
  if (::close(file) != 0) {
    error = path + ": " + std::strerror(errno);
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

}  // namespace Travix::Wizard
