#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/kernel/kernel.h"
#include "tests/support/tempdir.h"

namespace {

// Runs argv to its end: the exit code, or -1 when it could not start.
long RunToEnd(std::vector<const char*> argv, const char* directory = nullptr) {
  argv.push_back(nullptr);
  PROCESS_INFORMATION info{};
  if (!CreateProcessArgv(argv.data(), directory, &info))
    return -1;
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  CloseHandle(info.hProcess);
  return code;
}

TEST(Processes, ArgumentsPassAsTheyStandAndExitCodesComeBack) {
  TestSupport::TempDir dir;
  const std::string out = dir.Path("args");
  // The child's own shell prints what it was given, one argument a line:
  // nothing between was split, quoted or expanded.
  const char* print = "printf '%s\\n' \"$@\" > \"$0\"";
  EXPECT_EQ(RunToEnd({"sh", "-c", print, out.c_str(), "a b", "it's \"q\"", "$HOME", "*"}), 0);
  EXPECT_EQ(dir.Read("args"), "a b\nit's \"q\"\n$HOME\n*\n");
  EXPECT_EQ(RunToEnd({"sh", "-c", "exit 7"}), 7);
  EXPECT_EQ(RunToEnd({"sh", "-c", "pwd > here"}, dir.Path().c_str()), 0);
  EXPECT_EQ(dir.Read("here"), dir.Path() + "\n");

  const std::string plain = dir.Write("plain", "text"), garbage = dir.Write("garbage", "\x01\x02 not a program");
  chmod(garbage.c_str(), 0755);
  struct Failure {
    std::vector<const char*> argv;
    const char* directory;
    DWORD error;
  } failures[] = {
      {{"no-such-program-anywhere"}, nullptr, ERROR_FILE_NOT_FOUND},
      {{plain.c_str()}, nullptr, ERROR_ACCESS_DENIED},
      {{garbage.c_str()}, nullptr, ERROR_BAD_EXE_FORMAT},
      {{"sh"}, "/no/such/directory", ERROR_DIRECTORY},
  };
  for (const Failure& f : failures) {
    EXPECT_EQ(RunToEnd(f.argv, f.directory), -1) << f.argv[0];
    EXPECT_EQ(GetLastError(), f.error) << f.argv[0];
  }

  // Running, then ended by a signal.
  const char* sleeper[] = {"sleep", "30", nullptr};
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessArgv(sleeper, nullptr, &info));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
  kill(static_cast<pid_t>(info.dwProcessId), SIGKILL);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 128u + SIGKILL);
  CloseHandle(info.hProcess);
}

TEST(ComputerName, OverriddenUpperCasedAndBufferChecked) {
  setenv("PLATFORM_COMPUTERNAME", "lab1", 1);
  char name[8];
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerName(name, &size));
  EXPECT_STREQ(name, "LAB1");
  EXPECT_EQ(size, 4u);
  size = 4;
  EXPECT_FALSE(GetComputerName(name, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, 5u);
  unsetenv("PLATFORM_COMPUTERNAME");
  char host[256];
  size = sizeof host;
  ASSERT_TRUE(GetComputerName(host, &size));
  EXPECT_GT(size, 0u);
  EXPECT_EQ(std::string(host).find('.'), std::string::npos);
}

TEST(Modules, HandlesAndPathsOfTheProgramAndALibrary) {
  char path[4096];
  ASSERT_GT(GetModuleFileName(nullptr, path, sizeof path), 0u);
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  EXPECT_STREQ(path, self);
  EXPECT_EQ(GetModuleFileName(GetModuleHandle(nullptr), path, sizeof path), std::string(self).size());

  HMODULE library = nullptr;
  ASSERT_TRUE(GetModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                reinterpret_cast<LPCSTR>(&GetTickCount), &library));
  EXPECT_NE(library, GetModuleHandle(nullptr));
  EXPECT_EQ(GetModuleHandle("libplatform.so"), library);
  DWORD length = GetModuleFileName(library, path, sizeof path);
  ASSERT_GT(length, 0u);
  const std::string libraryPath(path, length);
  EXPECT_EQ(libraryPath.front(), '/');
  EXPECT_EQ(libraryPath.substr(libraryPath.rfind('/')), "/libplatform.so");
  EXPECT_EQ(GetModuleHandle(libraryPath.c_str()), library);

  char small[5];
  EXPECT_EQ(GetModuleFileName(library, small, sizeof small), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(small), libraryPath.substr(0, 4));
  static int notAModuleStart;
  EXPECT_EQ(GetModuleFileName(reinterpret_cast<HMODULE>(&notAModuleStart), path, sizeof path), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetModuleHandle("libnot-loaded.so"), nullptr);
}

TEST(TemporaryFiles, PathAndUniqueNames) {
  TestSupport::TempDir dir;
  setenv("TMPDIR", dir.Path().c_str(), 1);
  char path[MAX_PATH];
  DWORD length = GetTempPath(sizeof path, path);
  EXPECT_EQ(std::string(path, length), dir.Path() + "/");
  EXPECT_EQ(GetTempPath(3, path), length + 1) << "the size needed";
  unsetenv("TMPDIR");

  char first[MAX_PATH], second[MAX_PATH];
  UINT a = GetTempFileName(dir.Path().c_str(), "Travix", 0, first);
  UINT b = GetTempFileName(dir.Path().c_str(), "Travix", 0, second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_STRNE(first, second);
  const std::string name = first;
  EXPECT_EQ(name.substr(0, dir.Path().size() + 4), dir.Path() + "/Tra");
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_TRUE(dir.Exists(name.substr(dir.Path().size() + 1))) << "made, so that no one else takes the name";

  EXPECT_EQ(GetTempFileName(dir.Path().c_str(), "x", 0x2A, first), 0x2Au);
  EXPECT_EQ(std::string(first), dir.Path() + "/x2A.tmp");
  EXPECT_FALSE(dir.Exists("x2A.tmp"));
  EXPECT_EQ(GetTempFileName(dir.Path("missing").c_str(), "x", 0, first), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

}  // namespace
