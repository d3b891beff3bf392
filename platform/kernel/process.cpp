// Child processes: started from an argument vector (no shell between), and
// reaped by a thread of their own, which signals the process handle.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/kernel/kernel.h"
#include "platform/kernel/objects.h"

extern char** environ;

namespace {

using namespace Platform::Kernel;

class Process : public Object {
public:
  explicit Process(pid_t pid) : m_pid(pid) {}
  bool Signalled() const override { return m_done; }

  const pid_t m_pid;
  bool m_done = false;
  DWORD m_exitCode = STILL_ACTIVE;
};

DWORD ErrorOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case ENOEXEC:
      return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

void Reap(std::shared_ptr<Process> process) {
  int status = 0;
  pid_t result;
  do {
    result = waitpid(process->m_pid, &status, 0);
  } while (result < 0 && errno == EINTR);
  DWORD code;
  if (result < 0)
    code = 255;  // reaped by someone else: its status is lost
  else if (WIFEXITED(status))
    code = static_cast<DWORD>(WEXITSTATUS(status));
  else
    code = 128u + static_cast<DWORD>(WTERMSIG(status));
  {
    std::lock_guard<std::mutex> lock(TableLock());
    process->m_exitCode = code;
    process->m_done = true;
  }
  TableChanged().notify_all();
}

// Undoes on leaving what posix_spawn's set-up made.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
};

}  // namespace

BOOL CreateProcessArgv(const char* const* argv, LPCSTR lpCurrentDirectory, LPPROCESS_INFORMATION lpProcessInformation) {
  if (!argv || !argv[0] || !*argv[0] || !lpProcessInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (lpCurrentDirectory) {
    struct stat status;
    if (stat(lpCurrentDirectory, &status) != 0 || !S_ISDIR(status.st_mode)) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
  }
  SpawnSetup setup;
  // The child starts with default signal handling and nothing blocked,
  // whatever this process changed for itself.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &all);
  posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  if (lpCurrentDirectory)
    posix_spawn_file_actions_addchdir_np(&setup.actions, lpCurrentDirectory);
  pid_t pid = 0;
  int failed = posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, const_cast<char* const*>(argv), environ);
  if (failed) {
    SetLastError(ErrorOfErrno(failed));
    return FALSE;
  }
  auto process = std::make_shared<Process>(pid);
  HANDLE handle;
  {
    std::lock_guard<std::mutex> lock(TableLock());
    handle = InsertObject(process);
  }
  std::thread(Reap, process).detach();
  lpProcessInformation->hProcess = handle;
  lpProcessInformation->hThread = nullptr;
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = 0;
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  if (!lpExitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(TableLock());
  auto process = Find<Process>(hProcess);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = process->m_exitCode;
  return TRUE;
}
