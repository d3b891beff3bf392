// Runs a program as a child process and collects what it said and how it
// ended, for tests that watch a program from outside.
#ifndef TRAVIX_TOOL_TESTS_CHILDPROCESS_H
#define TRAVIX_TOOL_TESTS_CHILDPROCESS_H

#include <string>
#include <vector>

namespace ChildProcess {

struct Outcome {
  int exitCode = -1;  // -1: ended by a signal
  std::string out;
  std::string err;
};

// Runs program with arguments (argv[0] is program) in directory, with
// extra environment entries "NAME=value" added to the test's own.
Outcome Run(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& directory, const std::vector<std::string>& environment = {});

}  // namespace ChildProcess

#endif
