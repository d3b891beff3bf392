#include "travix/generator/tests/childprocess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/tempdir.h"

namespace ChildProcess {

namespace {

std::string TakeFile(const std::string& path) {
  std::string text = TestSupport::ReadFile(path);
  std::remove(path.c_str());
  return text;
}

std::string TempFile() {
  std::string name = "/tmp/travix-child-XXXXXX";
  int fd = mkstemp(name.data());
  if (fd >= 0) close(fd);
  return name;
}

}  // namespace

Outcome Run(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& directory, const std::vector<std::string>& environment) {
  const std::string outPath = TempFile(), errPath = TempFile();
  std::vector<char*> argv;
  std::vector<std::string> all = arguments;
  all.insert(all.begin(), program);
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
    int err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(directory.c_str()) != 0) {
      _exit(127);
    }
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  Outcome outcome;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    outcome.exitCode = WEXITSTATUS(status);
  }
  outcome.out = TakeFile(outPath);
  outcome.err = TakeFile(errPath);
  return outcome;
}

}  // namespace ChildProcess
