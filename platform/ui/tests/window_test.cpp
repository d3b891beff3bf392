#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/ui/window.h"

namespace {

// What the test window procedure saw, in order, with the thread it ran on.
struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  DWORD thread;
};
std::mutex g_seenLock;
std::vector<Seen> g_seen;

std::vector<Seen> TakeSeen() {
  std::lock_guard<std::mutex> lock(g_seenLock);
  return std::exchange(g_seen, {});
}

LRESULT CALLBACK Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard<std::mutex> lock(g_seenLock);
    g_seen.push_back({window, message, wParam, GetCurrentThreadId()});
  }
  if (message == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
    if (create->lpCreateParams == reinterpret_cast<void*>(-1))
      return -1;
    SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (message == WM_USER + 1)
    return static_cast<LRESULT>(wParam * 2);
  return DefWindowProc(window, message, wParam, lParam);
}

HINSTANCE Module(std::uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

class Windows : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    WNDCLASS windowClass{};
    windowClass.lpfnWndProc = Recording;
    windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
    windowClass.hInstance = Module(1);
    windowClass.lpszClassName = "VornModuleWindow";
    ASSERT_NE(RegisterClass(&windowClass), 0);
    EXPECT_EQ(RegisterClass(&windowClass), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    windowClass.hInstance = Module(2);
    EXPECT_NE(RegisterClass(&windowClass), 0) << "another library may use the same class name";
  }
  void SetUp() override { TakeSeen(); }

  static HWND Make(void* parameter = nullptr, HWND parent = nullptr) {
    return CreateWindowEx(0, "vornmodulewindow", "", WS_POPUP, 0, 0, 0, 0, parent, nullptr, Module(1), parameter);
  }
};

TEST_F(Windows, LifeOfAWindow) {
  int data = 0;
  HWND window = Make(&data);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(GetWindowLongPtr(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&data)) << "WM_CREATE ran";
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

  struct Field {
    int index;
    LONG_PTR value;
    bool valid;
  } fields[] = {
      {GWLP_USERDATA, 5, true}, {0, 7, true}, {static_cast<int>(sizeof(LONG_PTR)), 9, true},
      {2 * static_cast<int>(sizeof(LONG_PTR)), 1, false}, {-100, 1, false},
  };
  for (const Field& f : fields) {
    SetWindowLongPtr(window, f.index, f.value);
    EXPECT_EQ(GetWindowLongPtr(window, f.index), f.valid ? f.value : 0) << f.index;
  }
  // A procedure put in front of the class's one.
  static WNDPROC previous;
  WNDPROC front = [](HWND w, UINT m, WPARAM p, LPARAM l) -> LRESULT {
    return m == WM_USER + 1 ? 1000 : CallWindowProc(previous, w, m, p, l);
  };
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(front)));
  EXPECT_EQ(SendMessage(window, WM_USER + 1, 4, 0), 1000);
  SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  EXPECT_EQ(SendMessage(window, WM_USER + 1, 4, 0), 8);

  HWND child = Make(nullptr, window);
  TakeSeen();
  EXPECT_TRUE(PostMessage(window, WM_USER, 0, 0));
  EXPECT_TRUE(DestroyWindow(window));
  std::vector<UINT> order;
  for (const Seen& seen : TakeSeen())
    order.push_back(seen.message + (seen.window == child ? 0x10000 : 0));
  EXPECT_EQ(order, (std::vector<UINT>{WM_DESTROY, 0x10000 + WM_DESTROY, 0x10000 + WM_NCDESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(child));
  MSG message;
  EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) << "the queued message went with the window";
  EXPECT_FALSE(PostMessage(window, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(DestroyWindow(window));

  EXPECT_EQ(Make(reinterpret_cast<void*>(-1)), nullptr) << "WM_CREATE refused it";
  EXPECT_EQ(CreateWindowEx(0, "VornModuleWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, Module(3), nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
}

// A window on a thread of its own that pumps messages until WM_QUIT; the
// test thread posts and sends to it.
TEST_F(Windows, QueuesOnTwoThreads) {
  std::promise<std::pair<HWND, DWORD>> created;
  std::atomic<int> timerMessages = 0;
  std::atomic<int> quitCode = -1;
  std::thread owner([&] {
    HWND window = Make();
    created.set_value({window, GetCurrentThreadId()});
    MSG message;
    BOOL result;
    while ((result = GetMessage(&message, nullptr, 0, 0)) > 0) {
      if (message.message == WM_TIMER && ++timerMessages == 3)
        KillTimer(window, 1);
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
    quitCode = static_cast<int>(message.wParam);
    // Destroyed with the thread, not by it.
  });
  auto [window, ownerThread] = created.get_future().get();
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(SetTimer(window, 1, 10, nullptr), 0u) << "timers belong to the window's thread";
  EXPECT_FALSE(DestroyWindow(window)) << "only its own thread destroys a window";
  for (WPARAM n = 1; n <= 50; ++n)
    EXPECT_TRUE(PostMessage(window, WM_USER + 2, n, 0));
  EXPECT_EQ(SendMessage(window, WM_USER + 1, 21, 0), 42) << "answered on the window's thread";
  EXPECT_TRUE(PostThreadMessage(ownerThread, WM_USER + 3, 0, 0));
  // The timer is started on the owner's thread, by a message sent there.
  WNDPROC starter = [](HWND w, UINT m, WPARAM p, LPARAM l) -> LRESULT {
    if (m == WM_USER + 5)
      return static_cast<LRESULT>(SetTimer(w, 1, 10, nullptr));
    return Recording(w, m, p, l);
  };
  SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(starter));
  EXPECT_EQ(SendMessage(window, WM_USER + 5, 0, 0), 1);
  while (timerMessages < 3)
    Sleep(5);
  EXPECT_TRUE(PostThreadMessage(ownerThread, WM_QUIT, 7, 0));
  owner.join();
  EXPECT_EQ(quitCode, 7);
  EXPECT_FALSE(IsWindow(window)) << "the window ended with its thread";
  EXPECT_FALSE(PostThreadMessage(ownerThread, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));

  std::vector<WPARAM> posted;
  int sentOnOwner = 0, timersOnOwner = 0;
  for (const Seen& seen : TakeSeen()) {
    EXPECT_EQ(seen.thread, ownerThread) << seen.message;
    if (seen.message == WM_USER + 2)
      posted.push_back(seen.wParam);
    sentOnOwner += seen.message == WM_USER + 1;
    timersOnOwner += seen.message == WM_TIMER;
  }
  ASSERT_EQ(posted.size(), 50u);
  for (WPARAM n = 1; n <= 50; ++n)
    EXPECT_EQ(posted[n - 1], n) << "in the order posted";
  EXPECT_EQ(sentOnOwner, 1);
  EXPECT_EQ(timersOnOwner, 3) << "none after KillTimer";
}

TEST_F(Windows, ThreadTimersAndTheQuitRequest) {
  static std::atomic<int> calls;
  calls = 0;
  TIMERPROC count = [](HWND, UINT message, UINT_PTR, DWORD) {
    if (message == WM_TIMER)
      ++calls;
  };
  UINT_PTR first = SetTimer(nullptr, 0, 1, count);
  UINT_PTR second = SetTimer(nullptr, 0, 1, nullptr);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(SetTimer(nullptr, first, 1, count), first) << "restarts the same timer";
  int plain = 0;
  MSG message;
  while (calls < 2 || plain < 2) {
    ASSERT_TRUE(GetMessage(&message, nullptr, 0, 0));
    ASSERT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    ASSERT_EQ(message.hwnd, nullptr);
    if (message.wParam == second)
      ++plain;
    DispatchMessage(&message);
  }
  EXPECT_TRUE(KillTimer(nullptr, first));
  EXPECT_TRUE(KillTimer(nullptr, second));
  EXPECT_FALSE(KillTimer(nullptr, second));
  Sleep(20);
  EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));

  PostMessage(nullptr, WM_USER, 1, 0);
  PostQuitMessage(3);
  EXPECT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_USER)) << "posted messages come before the quit request";
  EXPECT_TRUE(GetMessage(&message, nullptr, 0, 0));
  EXPECT_FALSE(GetMessage(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) << "the quit request is taken once";
  EXPECT_EQ(GetMessage(&message, reinterpret_cast<HWND>(0x1234), 0, 0), -1);
}

}  // namespace
