// Handles, waits, events, critical sections, threads and the last error.
#include <errno.h>
#include <linux/futex.h>
#include <linux/membarrier.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/kernel/objects.h"

namespace Platform::Kernel {

Object::~Object() = default;

namespace {

struct Table {
  std::mutex lock;
  std::condition_variable changed;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> objects;
  std::uintptr_t next = 0x100;
  // Named events; an expired entry counts as no event of that name.
  std::map<std::string, std::weak_ptr<Object>, std::less<>> names;
};

// Never destroyed: threads still running at exit may end and signal.
Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

thread_local DWORD t_lastError = ERROR_SUCCESS;

}  // namespace

std::mutex& TableLock() { return TheTable().lock; }
std::condition_variable& TableChanged() { return TheTable().changed; }

HANDLE InsertObject(std::shared_ptr<Object> object) {
  Table& table = TheTable();
  std::uintptr_t value = table.next++;
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> FindObject(HANDLE handle) {
  Table& table = TheTable();
  auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == table.objects.end() ? nullptr : found->second;
}

namespace {

class Event : public Object {
public:
  Event(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}
  bool Signalled() const override { return m_signalled; }
  void Acquired() override {
    if (!m_manualReset)
      m_signalled = false;
  }
  void Set(bool signalled) { m_signalled = signalled; }

private:
  bool m_manualReset;
  bool m_signalled;
};

class Thread : public Object {
public:
  bool Signalled() const override { return m_done; }

  bool m_done = false;
  DWORD m_exitCode = STILL_ACTIVE;
  pid_t m_tid = 0;  // 0 until the thread has started
  int m_priority = THREAD_PRIORITY_NORMAL;
};

// A handle that stands for the calling thread.
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));
// The priority of a thread this piece did not start, and the object of
// one it did.
thread_local int t_priority = THREAD_PRIORITY_NORMAL;
thread_local Thread* t_self = nullptr;

template <typename Result>
Result Failure(DWORD error, Result result) {
  t_lastError = error;
  return result;
}

int NiceFor(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE:
      return 19;
    case THREAD_PRIORITY_LOWEST:
      return 10;
    case THREAD_PRIORITY_BELOW_NORMAL:
      return 5;
    case THREAD_PRIORITY_ABOVE_NORMAL:
      return -5;
    case THREAD_PRIORITY_HIGHEST:
      return -10;
    case THREAD_PRIORITY_TIME_CRITICAL:
      return -15;
    default:
      return 0;
  }
}

bool ValidPriority(int priority) {
  return priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL ||
         (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST);
}

// Linux takes a nice value per thread; raising one may be refused, which
// leaves the thread where it was.
void ApplyPriority(pid_t tid, int priority) { setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceFor(priority)); }

struct Start {
  std::shared_ptr<Thread> thread;
  LPTHREAD_START_ROUTINE routine;
  LPVOID parameter;
};

void* RunThread(void* argument) {
  std::unique_ptr<Start> start(static_cast<Start*>(argument));
  pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
  {
    std::lock_guard<std::mutex> lock(TableLock());
    start->thread->m_tid = tid;
    t_self = start->thread.get();
    if (start->thread->m_priority != THREAD_PRIORITY_NORMAL)
      ApplyPriority(tid, start->thread->m_priority);
  }
  TableChanged().notify_all();
  DWORD code = start->routine(start->parameter);
  {
    std::lock_guard<std::mutex> lock(TableLock());
    start->thread->m_exitCode = code;
    start->thread->m_done = true;
  }
  TableChanged().notify_all();
  return nullptr;
}

}  // namespace
}  // namespace Platform::Kernel

using namespace Platform::Kernel;

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

BOOL CloseHandle(HANDLE hObject) {
  std::shared_ptr<Object> closed;  // released after the lock
  std::lock_guard<std::mutex> lock(TableLock());
  Table& table = TheTable();
  auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(hObject));
  if (found == table.objects.end())
    return Failure(ERROR_INVALID_HANDLE, FALSE);
  closed = std::move(found->second);
  table.objects.erase(found);
  return TRUE;
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles)
    return Failure(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
  std::vector<std::shared_ptr<Object>> objects;  // outlives the lock
  std::unique_lock<std::mutex> lock(TableLock());
  for (DWORD index = 0; index < nCount; ++index) {
    objects.push_back(FindObject(lpHandles[index]));
    if (!objects.back())
      return Failure(ERROR_INVALID_HANDLE, WAIT_FAILED);
  }
  for (;;) {
    if (bWaitAll) {
      bool all = true;
      for (const auto& object : objects)
        all = all && object->Signalled();
      if (all) {
        for (const auto& object : objects)
          object->Acquired();
        return WAIT_OBJECT_0;
      }
    } else {
      for (DWORD index = 0; index < nCount; ++index) {
        if (objects[index]->Signalled()) {
          objects[index]->Acquired();
          return WAIT_OBJECT_0 + index;
        }
      }
    }
    if (dwMilliseconds == INFINITE)
      TableChanged().wait(lock);
    else if (dwMilliseconds == 0 || std::chrono::steady_clock::now() >= deadline)
      return WAIT_TIMEOUT;
    else
      TableChanged().wait_until(lock, deadline);
  }
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

HANDLE CreateEvent(const SECURITY_ATTRIBUTES*, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  std::lock_guard<std::mutex> lock(TableLock());
  Table& table = TheTable();
  if (lpName && *lpName) {
    auto named = table.names.find(std::string_view(lpName));
    if (named != table.names.end()) {
      if (auto existing = named->second.lock()) {
        HANDLE handle = InsertObject(std::move(existing));
        t_lastError = ERROR_ALREADY_EXISTS;
        return handle;
      }
    }
  }
  auto event = std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE);
  if (lpName && *lpName)
    table.names[lpName] = event;
  HANDLE handle = InsertObject(std::move(event));
  t_lastError = ERROR_SUCCESS;
  return handle;
}

HANDLE OpenEvent(DWORD, BOOL, LPCSTR lpName) {
  std::lock_guard<std::mutex> lock(TableLock());
  Table& table = TheTable();
  auto named = lpName ? table.names.find(std::string_view(lpName)) : table.names.end();
  std::shared_ptr<Object> existing = named != table.names.end() ? named->second.lock() : nullptr;
  if (!existing)
    return Failure(ERROR_FILE_NOT_FOUND, static_cast<HANDLE>(nullptr));
  return InsertObject(std::move(existing));
}

namespace {

BOOL SetEventState(HANDLE hEvent, bool signalled) {
  {
    std::lock_guard<std::mutex> lock(TableLock());
    auto event = Find<Event>(hEvent);
    if (!event)
      return Failure(ERROR_INVALID_HANDLE, FALSE);
    event->Set(signalled);
  }
  if (signalled)
    TableChanged().notify_all();
  return TRUE;
}

}  // namespace

BOOL SetEvent(HANDLE hEvent) { return SetEventState(hEvent, true); }
BOOL ResetEvent(HANDLE hEvent) { return SetEventState(hEvent, false); }

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  new (&lpCriticalSection->lock) Platform::RecursiveLock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION) {}
void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { lpCriticalSection->lock.lock(); }
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  return lpCriticalSection->lock.try_lock() ? TRUE : FALSE;
}
void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { lpCriticalSection->lock.unlock(); }

namespace Platform {

namespace {

// Long enough to outlast a holder that is about to leave (a few counter
// reads and a copy), short against a sleep and its wake.
constexpr int kSpins = 200;

// Where the kernel cannot put the other threads through a barrier, a
// leave may miss a waiter that counted itself in the same instant; that
// waiter's sleep is bounded by this, after which it looks again.
constexpr timespec kLongestSleep{0, 1000000};

long Futex(std::atomic<std::uint32_t>& word, int operation, std::uint32_t value, const timespec* timeout) {
  static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
  return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), operation, value, timeout, nullptr, 0);
}

// Makes every running thread of the process pass a full memory barrier,
// so that what this thread stored before is seen by any load they make
// after, and what they stored before is seen here. False where the kernel
// does not offer it (too old, or refused by a sandbox).
bool BarrierOnEveryThread() {
  static const bool registered =
      syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
  return registered && syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0;
}

}  // namespace

void RecursiveLock::WaitForIt() {
  for (int spin = 0; spin < kSpins; ++spin) {
    __builtin_ia32_pause();
    std::uint32_t expected = 0;
    if (m_held.load(std::memory_order_relaxed) == 0 &&
        m_held.compare_exchange_weak(expected, 1, std::memory_order_acquire, std::memory_order_relaxed))
      return;
  }
  // Counted, and that count seen by every leave from here on: a leave
  // whose store of "free" this thread does not see below will see the
  // count and wake it.
  m_waiters.fetch_add(1, std::memory_order_seq_cst);
  const timespec* bound = BarrierOnEveryThread() ? nullptr : &kLongestSleep;
  while (m_held.exchange(1, std::memory_order_acquire) != 0)
    Futex(m_held, FUTEX_WAIT_PRIVATE, 1, bound);
  m_waiters.fetch_sub(1, std::memory_order_relaxed);
}

void RecursiveLock::WakeOne() { Futex(m_held, FUTEX_WAKE_PRIVATE, 1, nullptr); }

}  // namespace Platform

HANDLE CreateThread(const SECURITY_ATTRIBUTES*, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress || dwCreationFlags != 0)
    return Failure(ERROR_INVALID_PARAMETER, static_cast<HANDLE>(nullptr));
  auto thread = std::make_shared<Thread>();
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (dwStackSize)
    pthread_attr_setstacksize(&attributes, std::max<SIZE_T>(dwStackSize, PTHREAD_STACK_MIN));
  HANDLE handle;
  {
    std::lock_guard<std::mutex> lock(TableLock());
    handle = InsertObject(thread);
  }
  auto* start = new Start{thread, lpStartAddress, lpParameter};
  pthread_t id;
  int failed = pthread_create(&id, &attributes, RunThread, start);
  pthread_attr_destroy(&attributes);
  if (failed) {
    delete start;
    CloseHandle(handle);
    return Failure(failed == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER, static_cast<HANDLE>(nullptr));
  }
  if (lpThreadId) {
    // The id is the thread's system id, known once it runs.
    std::unique_lock<std::mutex> lock(TableLock());
    TableChanged().wait(lock, [&] { return thread->m_tid != 0 || thread->m_done; });
    *lpThreadId = static_cast<DWORD>(thread->m_tid);
  }
  return handle;
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  if (!lpExitCode)
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  std::lock_guard<std::mutex> lock(TableLock());
  auto thread = Find<Thread>(hThread);
  if (!thread)
    return Failure(ERROR_INVALID_HANDLE, FALSE);
  *lpExitCode = thread->m_exitCode;
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

HANDLE GetCurrentThread() { return kCurrentThread; }

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
  if (!ValidPriority(nPriority))
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  std::lock_guard<std::mutex> lock(TableLock());
  if (hThread == kCurrentThread) {
    if (t_self)
      t_self->m_priority = nPriority;
    t_priority = nPriority;
    ApplyPriority(static_cast<pid_t>(GetCurrentThreadId()), nPriority);
    return TRUE;
  }
  auto thread = Find<Thread>(hThread);
  if (!thread)
    return Failure(ERROR_INVALID_HANDLE, FALSE);
  thread->m_priority = nPriority;
  if (thread->m_tid != 0 && !thread->m_done)
    ApplyPriority(thread->m_tid, nPriority);
  return TRUE;
}

int GetThreadPriority(HANDLE hThread) {
  std::lock_guard<std::mutex> lock(TableLock());
  if (hThread == kCurrentThread)
    return t_self ? t_self->m_priority : t_priority;
  auto thread = Find<Thread>(hThread);
  if (!thread)
    return Failure(ERROR_INVALID_HANDLE, THREAD_PRIORITY_ERROR_RETURN);
  return thread->m_priority;
}
