#include "travix/wizard/generatorrun.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/dialogs/dialoghost.h"
#include "platform/kernel/kernel.h"
#include "travix/wizard/installpath.h"

namespace Travix::Wizard {

std::string GeneratorProgram(const std::string& installPath) { return JoinPath(JoinPath(installPath, "bin"), "travix"); }

std::string ProjectDirectory(const Dictionary& dictionary) {
  std::string directory = dictionary.Value(Key::FullDirPath);
  while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\')) directory.pop_back();
  return directory;
}

std::vector<std::string> GeneratorArguments(const Dictionary& d, const std::string& installPath,
                                            const std::string& listFile, const std::string& input,
                                            const std::string& outputDirectory) {
  std::vector<std::string> arguments{GeneratorProgram(installPath)};
  if (d.IsYes(Key::ExportSchema)) arguments.push_back("-X");
  if (d.IsYes(Key::DisableRead)) arguments.push_back("-R");
  arguments.push_back("-n" + d.Value(Key::Namespace));
  if (d.IsYes(Key::Mfc)) arguments.push_back("-M");
  if (d.IsYes(Key::NoNamespace)) arguments.push_back("-N");
  if (d.IsOne(Key::ProjTypeDll)) arguments.push_back("-D");
  if (!listFile.empty()) arguments.push_back("-l" + listFile);
  arguments.push_back("-d" + (outputDirectory.empty() ? ProjectDirectory(d) : outputDirectory));
  arguments.push_back("--");
  arguments.push_back(input);
  return arguments;
}

std::string CommandText(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) {
    if (!text.empty()) text += ' ';
    const bool plain = !argument.empty() && argument.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                       "0123456789_-+=./:,@%") == std::string::npos;
    if (plain) {
      text += argument;
      continue;
    }
    text += '\'';
    for (char c : argument) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    text += '\'';
  }
  return text;
}

std::string ExitCodeText(int code) {
  switch (code) {
  case 1: return "Error: Usage";
  case 2: return "Error: Bad list file";
  case 3: return "Error: Parser error";
  case 4: return "Error: Unknown option";
  case 5: return "Error: No input file.";
  case 11: return "Error: Invalid C++ namespace";
  default: return "Error: Unknown exit code";
  }
}

int RunGenerator(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  PROCESS_INFORMATION process{};
  if (!CreateProcessArgv(argv.data(), nullptr, &process)) {
    Platform::CurrentDialogHost().ShowMessage(CommandText(arguments), "CreateProcess failed.", MB_OK);
    return kNotRun;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  const BOOL read = GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  if (!read || code == STILL_ACTIVE) {
    Platform::CurrentDialogHost().ShowMessage(CommandText(arguments), "GetExitCodeProcess failed", MB_OK);
    return kNotRun;
  }
  return static_cast<int>(code);
}

std::optional<std::string> MakeListFile(std::string& failure) {
  std::vector<char> buffer(4096);
  const DWORD length = GetTempPath(static_cast<DWORD>(buffer.size()), buffer.data());
  const std::string directory(buffer.data(), length < buffer.size() ? length : 0);
  std::string pattern = JoinPath(directory, "TravixXXXXXX");
  const int descriptor = directory.empty() ? -1 : ::mkstemp(pattern.data());
  if (descriptor < 0) {
    const int error = directory.empty() ? ENAMETOOLONG : errno;
    // Only a full disk is what the old message says; any other cause is named.
    failure = error == ENOSPC || error == EDQUOT ? "Cannot create temporary file; out of disk space?"
                                                 : "Cannot create temporary file in " + directory + ": " + std::strerror(error);
    return std::nullopt;
  }
  ::close(descriptor);
  return pattern;
}

std::optional<std::vector<std::string>> ReadListFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace Travix::Wizard
