#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"

namespace {

TEST(Events, ResetModesAndInitialState) {
  struct Case {
    BOOL manual, initial;
    DWORD first, second;  // two waits in a row, no timeout
  } cases[] = {
      {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "manual " << c.manual << ", initial " << c.initial);
    HANDLE event = CreateEvent(nullptr, c.manual, c.initial, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), c.first);
    EXPECT_EQ(WaitForSingleObject(event, 0), c.second);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetEvent(event));
  }
}

TEST(Events, NamedEventsAreOneObjectUntilTheLastHandleCloses) {
  HANDLE first = CreateEvent(nullptr, TRUE, TRUE, "VornEngineWait");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateEvent(nullptr, FALSE, FALSE, "VornEngineWait");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE opened = OpenEvent(EVENT_MODIFY_STATE, FALSE, "VornEngineWait");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(OpenEvent(EVENT_MODIFY_STATE, FALSE, "vornenginewait"), nullptr) << "names are exact";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  ResetEvent(first);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
  SetEvent(opened);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0) << "still the first creator's manual reset";
  for (HANDLE handle : {first, second, opened})
    CloseHandle(handle);
  HANDLE fresh = CreateEvent(nullptr, TRUE, FALSE, "VornEngineWait");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(WaitForSingleObject(fresh, 0), WAIT_TIMEOUT);
  CloseHandle(fresh);
}

TEST(Waits, AnyAndAllAcrossThreads) {
  HANDLE manual = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE automatic = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE both[] = {manual, automatic};
  SetEvent(automatic);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0) << "a wait for all that fails takes nothing";
  SetEvent(automatic);
  SetEvent(manual);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0) << "the lowest index wins";
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
  ResetEvent(manual);

  // A waiter on another thread wakes for the second event only.
  std::atomic<DWORD> woken = WAIT_FAILED;
  std::thread waiter([&] { woken = WaitForMultipleObjects(2, both, FALSE, INFINITE); });
  SetEvent(automatic);
  waiter.join();
  EXPECT_EQ(woken, WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(manual, 1), WAIT_TIMEOUT);

  HANDLE bad[] = {manual, nullptr};
  EXPECT_EQ(WaitForMultipleObjects(2, bad, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(0, both, FALSE, 0), WAIT_FAILED);
  CloseHandle(manual);
  CloseHandle(automatic);
}

TEST(CriticalSections, ReentrantAndExclusive) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  long counter = 0;
  auto add = [&] {
    for (int i = 0; i < 20000; ++i) {
      EnterCriticalSection(&section);
      EnterCriticalSection(&section);
      ++counter;
      LeaveCriticalSection(&section);
      LeaveCriticalSection(&section);
    }
  };
  std::thread other(add);
  add();
  other.join();
  EXPECT_EQ(counter, 40000);

  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section)) << "the holder takes it again";
  std::atomic<BOOL> elsewhere = TRUE;
  std::thread([&] { elsewhere = TryEnterCriticalSection(&section); }).join();
  EXPECT_FALSE(elsewhere);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  std::thread([&] {
    elsewhere = TryEnterCriticalSection(&section);
    if (elsewhere)
      LeaveCriticalSection(&section);
  }).join();
  EXPECT_TRUE(elsewhere);
  DeleteCriticalSection(&section);
}

// Holders that keep it long enough for the others to stop spinning and
// sleep: every leave must wake a sleeper, or a waiter sleeps for ever.
TEST(CriticalSections, SleepingWaitersAreWoken) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  int inside = 0;
  int most = 0;
  int entries = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 5; ++i) {
        EnterCriticalSection(&section);
        most = std::max(most, ++inside);
        ++entries;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --inside;
        LeaveCriticalSection(&section);
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(entries, 20);
  EXPECT_EQ(most, 1);
  DeleteCriticalSection(&section);
}

DWORD WaitThenAnswer(LPVOID parameter) {
  WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
  return 42;
}

TEST(Threads, ExitCodePriorityAndIdentity) {
  HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitThenAnswer, go, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_TIME_CRITICAL);
  EXPECT_FALSE(SetThreadPriority(thread, 7));
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  CloseHandle(thread);
  CloseHandle(go);

  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_BELOW_NORMAL);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

TEST(Clocks, TicksCompareAcrossTheWrap) {
  struct Case {
    DWORD now, due;
    bool reached;
  } cases[] = {
      {100, 100, true},       {99, 100, false},          {0xFFFFFFF0u, 0x10, false},
      {0x10, 0xFFFFFFF0u, true}, {0x7FFFFFFFu, 0, true}, {0, 500, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TickReached(c.now, c.due), c.reached) << c.now << " / " << c.due;
  DWORD before = GetTickCount();
  LARGE_INTEGER start, end, frequency;
  ASSERT_TRUE(QueryPerformanceCounter(&start));
  Sleep(2);
  ASSERT_TRUE(QueryPerformanceCounter(&end));
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_TRUE(TickReached(GetTickCount(), before));
  EXPECT_GT(end.QuadPart, start.QuadPart);
  EXPECT_GT(frequency.QuadPart, 0);

  // The frequency is the counter's own rate: it times a pause as the clock does.
  auto clockStart = std::chrono::steady_clock::now();
  QueryPerformanceCounter(&start);
  Sleep(100);
  QueryPerformanceCounter(&end);
  double clockSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
  double counterSeconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  EXPECT_NEAR(counterSeconds / clockSeconds, 1.0, 0.1);
}

}  // namespace
