// Running the travix program for the new project: its argument vector from
// the dictionary, the process and its exit code, and the list file of the
// names it generated.
#ifndef TRAVIX_WIZARD_GENERATORRUN_H
#define TRAVIX_WIZARD_GENERATORRUN_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "travix/wizard/dictionary.h"

namespace Travix::Wizard {

// The exit code that stands for a generator that could not be started or
// whose end could not be learnt.
inline constexpr int kNotRun = 6;

// The generator program of an installation: <install>/bin/travix.
std::string GeneratorProgram(const std::string& installPath);

// The project directory of the dictionary without trailing separators.
std::string ProjectDirectory(const Dictionary& dictionary);

// The argument vector, program first: -X, -R, -n<namespace>, -M, -N, -D,
// -l<list file> (only when one is given), -d<output directory> (the
// project directory when none is given), then the input after "--", so
// that no file name is ever taken for an option.
std::vector<std::string> GeneratorArguments(const Dictionary& dictionary, const std::string& installPath,
                                            const std::string& listFile, const std::string& input,
                                            const std::string& outputDirectory = {});

// The arguments as one line for a person to read, quoted where a shell
// would need it.
std::string CommandText(const std::vector<std::string>& arguments);

// The message for a non-zero exit code.
std::string ExitCodeText(int code);

// Starts the program without a shell and waits for it; kNotRun, with the
// reason shown (the command as text, captioned "CreateProcess failed." or
// "GetExitCodeProcess failed"), when it could not be started or read.
int RunGenerator(const std::vector<std::string>& arguments);

// A new, empty file for the list in the temporary directory, made only
// for this user; nothing, with the message that says why, when none can
// be made.
std::optional<std::string> MakeListFile(std::string& failure);

// The lines of a list file, whole, without their line ends; empty lines
// are skipped. Nothing when the file cannot be opened.
std::optional<std::vector<std::string>> ReadListFile(const std::string& path);

}  // namespace Travix::Wizard

#endif
