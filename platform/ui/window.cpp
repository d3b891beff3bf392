// Windows, per-thread message queues and timers (see window.h).
#include "platform/ui/window.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/ui/internal.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Class {
  std::string name;  // folded
  HINSTANCE instance;
  UINT style;
  WNDPROC proc;
  int windowExtra;
  ATOM atom;
};

struct Window {
  const Class* windowClass;
  WNDPROC proc;
  DWORD thread;
  HWND parent;
  HINSTANCE instance;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  LONG_PTR style = 0;
  LONG_PTR exStyle = 0;
  std::vector<unsigned char> extra;
  bool destroying = false;
};

struct Timer {
  HWND window;
  UINT_PTR id;
  DWORD thread;
  Clock::duration period;
  Clock::time_point due;
  TIMERPROC proc;
};

// A message sent from another thread, waiting for the window's thread.
struct Sent {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD sender;
  LRESULT result = 0;
  bool done = false;
};

struct Queue {
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<Sent>> sent;
  bool quit = false;
  int quitCode = 0;
  std::condition_variable wake;
};

// Process-wide, never destroyed: threads ending at exit still clean up.
struct UiState {
  std::mutex lock;
  std::vector<std::unique_ptr<Class>> classes;
  std::map<std::uintptr_t, Window> windows;
  std::map<DWORD, std::unique_ptr<Queue>> queues;
  std::vector<Timer> timers;
  std::uintptr_t nextWindow = 0x20000;
  UINT_PTR nextTimer = 1;
  ATOM nextAtom = 0xC000;
};

UiState& TheUi() {
  static UiState* ui = new UiState;
  return *ui;
}

using Lock = std::unique_lock<std::mutex>;

std::string Folded(LPCSTR name) {
  std::string folded = name ? name : "";
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

template <typename Result>
Result Failure(DWORD error, Result result) {
  SetLastError(error);
  return result;
}

std::uintptr_t Key(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

Window* FindWindowRecord(UiState& ui, HWND window) {
  auto found = ui.windows.find(Key(window));
  return found == ui.windows.end() ? nullptr : &found->second;
}

void ForgetThread(DWORD thread);

// Takes the thread's queue, windows and timers away when the thread ends.
struct QueueOwner {
  DWORD thread = 0;
  ~QueueOwner() {
    if (thread)
      ForgetThread(thread);
  }
};
thread_local QueueOwner t_queueOwner;

Queue& QueueOf(UiState& ui, DWORD thread) {
  auto& queue = ui.queues[thread];
  if (!queue)
    queue = std::make_unique<Queue>();
  return *queue;
}

// The calling thread's queue, made on first use; with the lock held.
Queue& OwnQueue(UiState& ui) {
  DWORD self = GetCurrentThreadId();
  if (t_queueOwner.thread == 0)
    t_queueOwner.thread = self;
  return QueueOf(ui, self);
}

void Finish(UiState& ui, Sent& sent, LRESULT result) {
  sent.result = result;
  sent.done = true;
  auto sender = ui.queues.find(sent.sender);
  if (sender != ui.queues.end())
    sender->second->wake.notify_all();
}

// Drops what waits for a window that is gone: posted messages, timers and
// messages sent to it (their senders get 0).
void DropFor(UiState& ui, HWND window, DWORD thread) {
  std::erase_if(ui.timers, [&](const Timer& timer) { return timer.window == window; });
  auto queue = ui.queues.find(thread);
  if (queue == ui.queues.end())
    return;
  std::erase_if(queue->second->posted, [&](const MSG& message) { return message.hwnd == window; });
  std::erase_if(queue->second->sent, [&](const std::shared_ptr<Sent>& sent) {
    if (sent->window != window)
      return false;
    Finish(ui, *sent, 0);
    return true;
  });
}

void ForgetThread(DWORD thread) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  for (auto at = ui.windows.begin(); at != ui.windows.end();) {
    if (at->second.thread == thread) {
      DropFor(ui, reinterpret_cast<HWND>(at->first), thread);
      at = ui.windows.erase(at);
    } else {
      ++at;
    }
  }
  std::erase_if(ui.timers, [&](const Timer& timer) { return timer.thread == thread; });
  auto queue = ui.queues.find(thread);
  if (queue != ui.queues.end()) {
    for (auto& sent : queue->second->sent)
      Finish(ui, *sent, 0);
    ui.queues.erase(queue);
  }
}

LRESULT CallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    UiState& ui = TheUi();
    Lock lock(ui.lock);
    if (Window* record = FindWindowRecord(ui, window))
      proc = record->proc;
  }
  return proc ? proc(window, message, wParam, lParam) : 0;
}

// Handles every message sent to the calling thread by others; with the
// lock held, which it gives up around each call.
void HandleSent(UiState& ui, Lock& lock, Queue& queue) {
  while (!queue.sent.empty()) {
    std::shared_ptr<Sent> sent = queue.sent.front();
    queue.sent.pop_front();
    lock.unlock();
    LRESULT result = CallProcedure(sent->window, sent->message, sent->wParam, sent->lParam);
    lock.lock();
    Finish(ui, *sent, result);
  }
}

bool Matches(const MSG& message, HWND filter, UINT low, UINT high) {
  if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) ? message.hwnd != nullptr
                                                                   : filter && message.hwnd != filter)
    return false;
  return (low == 0 && high == 0) || (message.message >= low && message.message <= high);
}

MSG Make(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MSG{window, message, wParam, lParam, GetTickCount(), {0, 0}};
}

// One look at the calling thread's queue, in the order sent messages,
// posted messages, the quit request, timers. Waits up to until for one.
// Answers whether a message was found.
bool Look(LPMSG out, HWND filter, UINT low, UINT high, bool remove, bool wait) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  Queue& queue = OwnQueue(ui);
  DWORD self = GetCurrentThreadId();
  for (;;) {
    HandleSent(ui, lock, queue);
    auto posted = std::find_if(queue.posted.begin(), queue.posted.end(),
                               [&](const MSG& message) { return Matches(message, filter, low, high); });
    if (posted != queue.posted.end()) {
      *out = *posted;
      if (remove)
        queue.posted.erase(posted);
      return true;
    }
    if (queue.quit) {
      *out = Make(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
      if (remove)
        queue.quit = false;
      return true;
    }
    Clock::time_point now = Clock::now();
    Timer* next = nullptr;
    for (Timer& timer : ui.timers) {
      if (timer.thread != self || !Matches(Make(timer.window, WM_TIMER, 0, 0), filter, low, high))
        continue;
      if (!next || timer.due < next->due)
        next = &timer;
    }
    if (next && next->due <= now) {
      *out = Make(next->window, WM_TIMER, next->id, reinterpret_cast<LPARAM>(next->proc));
      if (remove)
        next->due = now + next->period;
      return true;
    }
    if (!wait)
      return false;
    if (next)
      queue.wake.wait_until(lock, next->due);
    else
      queue.wake.wait(lock);
  }
}

bool BadFilter(HWND filter) {
  if (!filter || filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)))
    return false;
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  return FindWindowRecord(ui, filter) == nullptr;
}

bool Post(UiState& ui, DWORD thread, const MSG& message) {
  auto queue = ui.queues.find(thread);
  if (queue == ui.queues.end())
    return false;
  queue->second->posted.push_back(message);
  queue->second->wake.notify_all();
  return true;
}

}  // namespace

namespace Platform::Ui {

bool CurrentThreadHasQueue() {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  return ui.queues.count(GetCurrentThreadId()) != 0;
}

}  // namespace Platform::Ui

ATOM RegisterClassEx(const WNDCLASSEX* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpszClassName || !*lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc)
    return Failure(ERROR_INVALID_PARAMETER, ATOM{0});
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  std::string name = Folded(lpWndClass->lpszClassName);
  for (const auto& known : ui.classes)
    if (known->name == name && known->instance == lpWndClass->hInstance)
      return Failure(ERROR_CLASS_ALREADY_EXISTS, ATOM{0});
  ATOM atom = ui.nextAtom++;
  ui.classes.push_back(std::make_unique<Class>(Class{name, lpWndClass->hInstance, lpWndClass->style,
                                                     lpWndClass->lpfnWndProc, std::max(0, lpWndClass->cbWndExtra),
                                                     atom}));
  return atom;
}

ATOM RegisterClass(const WNDCLASS* lpWndClass) {
  if (!lpWndClass)
    return Failure(ERROR_INVALID_PARAMETER, ATOM{0});
  WNDCLASSEX full{sizeof(WNDCLASSEX), lpWndClass->style, lpWndClass->lpfnWndProc, lpWndClass->cbClsExtra,
                  lpWndClass->cbWndExtra, lpWndClass->hInstance, lpWndClass->hIcon, lpWndClass->hCursor,
                  lpWndClass->hbrBackground, lpWndClass->lpszMenuName, lpWndClass->lpszClassName, nullptr};
  return RegisterClassEx(&full);
}

BOOL UnregisterClass(LPCSTR lpClassName, HINSTANCE hInstance) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  std::string name = Folded(lpClassName);
  auto found = std::find_if(ui.classes.begin(), ui.classes.end(),
                            [&](const auto& known) { return known->name == name && known->instance == hInstance; });
  if (found == ui.classes.end())
    return Failure(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
  for (const auto& [key, window] : ui.windows)
    if (window.windowClass == found->get())
      return Failure(ERROR_CLASS_HAS_WINDOWS, FALSE);
  ui.classes.erase(found);
  return TRUE;
}

HWND CreateWindowEx(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  UiState& ui = TheUi();
  HWND window;
  {
    Lock lock(ui.lock);
    std::string name = Folded(lpClassName);
    const Class* found = nullptr;
    for (const auto& known : ui.classes)
      if (known->name == name && known->instance == hInstance)
        found = known.get();
    for (const auto& known : ui.classes)
      if (!found && known->name == name && (known->style & CS_GLOBALCLASS))
        found = known.get();
    if (!found)
      return Failure(ERROR_CLASS_DOES_NOT_EXIST, static_cast<HWND>(nullptr));
    HWND parent = hWndParent == HWND_MESSAGE ? nullptr : hWndParent;
    if (parent && !FindWindowRecord(ui, parent))
      return Failure(ERROR_INVALID_WINDOW_HANDLE, static_cast<HWND>(nullptr));
    OwnQueue(ui);
    window = reinterpret_cast<HWND>(ui.nextWindow++);
    Window record{};
    record.windowClass = found;
    record.proc = found->proc;
    record.thread = GetCurrentThreadId();
    record.parent = parent;
    record.instance = hInstance;
    record.id = reinterpret_cast<LONG_PTR>(hMenu);
    record.style = static_cast<LONG>(dwStyle);
    record.exStyle = static_cast<LONG>(dwExStyle);
    record.extra.assign(static_cast<std::size_t>(found->windowExtra), 0);
    ui.windows.emplace(Key(window), std::move(record));
  }
  CREATESTRUCT create{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X, static_cast<LONG>(dwStyle),
                      lpWindowName, lpClassName, dwExStyle};
  LPARAM createParameter = reinterpret_cast<LPARAM>(&create);
  if (!CallProcedure(window, WM_NCCREATE, 0, createParameter)) {
    CallProcedure(window, WM_NCDESTROY, 0, 0);
    Lock lock(ui.lock);
    DropFor(ui, window, GetCurrentThreadId());
    ui.windows.erase(Key(window));
    return nullptr;
  }
  if (CallProcedure(window, WM_CREATE, 0, createParameter) == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  return window;
}

HWND CreateWindow(LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                  HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  return CreateWindowEx(0, lpClassName, lpWindowName, dwStyle, X, Y, nWidth, nHeight, hWndParent, hMenu, hInstance,
                        lpParam);
}

BOOL DestroyWindow(HWND hWnd) {
  UiState& ui = TheUi();
  std::vector<HWND> children;
  {
    Lock lock(ui.lock);
    Window* record = FindWindowRecord(ui, hWnd);
    if (!record)
      return Failure(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    if (record->thread != GetCurrentThreadId())
      return Failure(ERROR_ACCESS_DENIED, FALSE);
    if (record->destroying)
      return TRUE;
    record->destroying = true;
    for (const auto& [key, window] : ui.windows)
      if (window.parent == hWnd && !window.destroying)
        children.push_back(reinterpret_cast<HWND>(key));
    DropFor(ui, hWnd, record->thread);
  }
  CallProcedure(hWnd, WM_DESTROY, 0, 0);
  for (HWND child : children)
    DestroyWindow(child);
  CallProcedure(hWnd, WM_NCDESTROY, 0, 0);
  Lock lock(ui.lock);
  DropFor(ui, hWnd, GetCurrentThreadId());
  ui.windows.erase(Key(hWnd));
  return TRUE;
}

BOOL IsWindow(HWND hWnd) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  return FindWindowRecord(ui, hWnd) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  Window* record = FindWindowRecord(ui, hWnd);
  if (!record)
    return Failure(ERROR_INVALID_WINDOW_HANDLE, DWORD{0});
  if (lpdwProcessId)
    *lpdwProcessId = static_cast<DWORD>(getpid());
  return record->thread;
}

namespace {

// The field of a window that an index names; null for a bad index.
LONG_PTR* Field(Window& window, int index) {
  switch (index) {
    case GWLP_USERDATA:
      return &window.userData;
    case GWLP_ID:
      return &window.id;
    case GWL_STYLE:
      return &window.style;
    case GWL_EXSTYLE:
      return &window.exStyle;
    default:
      return nullptr;
  }
}

bool ExtraIndex(const Window& window, int index) {
  return index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= window.extra.size();
}

}  // namespace

LONG_PTR GetWindowLongPtr(HWND hWnd, int nIndex) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  Window* record = FindWindowRecord(ui, hWnd);
  if (!record)
    return Failure(ERROR_INVALID_WINDOW_HANDLE, LONG_PTR{0});
  if (nIndex == GWLP_WNDPROC)
    return reinterpret_cast<LONG_PTR>(record->proc);
  if (nIndex == GWLP_HINSTANCE)
    return reinterpret_cast<LONG_PTR>(record->instance);
  if (nIndex == GWLP_HWNDPARENT)
    return reinterpret_cast<LONG_PTR>(record->parent);
  if (LONG_PTR* field = Field(*record, nIndex))
    return *field;
  if (!ExtraIndex(*record, nIndex))
    return Failure(ERROR_INVALID_INDEX, LONG_PTR{0});
  LONG_PTR value;
  std::memcpy(&value, record->extra.data() + nIndex, sizeof value);
  return value;
}

LONG_PTR SetWindowLongPtr(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  Window* record = FindWindowRecord(ui, hWnd);
  if (!record)
    return Failure(ERROR_INVALID_WINDOW_HANDLE, LONG_PTR{0});
  LONG_PTR previous;
  if (nIndex == GWLP_WNDPROC) {
    if (!dwNewLong)
      return Failure(ERROR_INVALID_PARAMETER, LONG_PTR{0});
    previous = reinterpret_cast<LONG_PTR>(record->proc);
    record->proc = reinterpret_cast<WNDPROC>(dwNewLong);
  } else if (nIndex == GWLP_HINSTANCE) {
    previous = reinterpret_cast<LONG_PTR>(record->instance);
    record->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
  } else if (LONG_PTR* field = Field(*record, nIndex)) {
    previous = std::exchange(*field, dwNewLong);
  } else if (ExtraIndex(*record, nIndex)) {
    std::memcpy(&previous, record->extra.data() + nIndex, sizeof previous);
    std::memcpy(record->extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
  } else {
    return Failure(ERROR_INVALID_INDEX, LONG_PTR{0});
  }
  return previous;
}

LRESULT DefWindowProc(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProc(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  DWORD thread;
  if (!hWnd) {
    OwnQueue(ui);
    thread = GetCurrentThreadId();
  } else {
    Window* record = FindWindowRecord(ui, hWnd);
    if (!record || record->destroying)
      return Failure(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    thread = record->thread;
  }
  return Post(ui, thread, Make(hWnd, Msg, wParam, lParam)) ? TRUE : Failure(ERROR_INVALID_WINDOW_HANDLE, FALSE);
}

BOOL PostThreadMessage(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  return Post(ui, idThread, Make(nullptr, Msg, wParam, lParam)) ? TRUE : Failure(ERROR_INVALID_THREAD_ID, FALSE);
}

LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  Window* record = FindWindowRecord(ui, hWnd);
  if (!record)
    return Failure(ERROR_INVALID_WINDOW_HANDLE, LRESULT{0});
  DWORD self = GetCurrentThreadId();
  if (record->thread == self) {
    lock.unlock();
    return CallProcedure(hWnd, Msg, wParam, lParam);
  }
  auto sent = std::make_shared<Sent>(Sent{hWnd, Msg, wParam, lParam, self});
  Queue& target = QueueOf(ui, record->thread);
  target.sent.push_back(sent);
  target.wake.notify_all();
  // Wait, handling what others send to this thread meanwhile, so that two
  // threads sending to each other do not wait for ever.
  Queue& own = OwnQueue(ui);
  while (!sent->done) {
    HandleSent(ui, lock, own);
    if (!sent->done)
      own.wake.wait(lock);
  }
  return sent->result;
}

void PostQuitMessage(int nExitCode) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  Queue& queue = OwnQueue(ui);
  queue.quit = true;
  queue.quitCode = nExitCode;
}

BOOL GetMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg)
    return Failure(ERROR_INVALID_PARAMETER, -1);
  if (BadFilter(hWnd))
    return Failure(ERROR_INVALID_WINDOW_HANDLE, -1);
  Look(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg)
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  if (BadFilter(hWnd))
    return Failure(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  return Look(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessage(const MSG* lpMsg) {
  if (!lpMsg)
    return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
    return 0;
  }
  if (!lpMsg->hwnd)
    return 0;
  {
    UiState& ui = TheUi();
    Lock lock(ui.lock);
    Window* record = FindWindowRecord(ui, lpMsg->hwnd);
    if (!record)
      return Failure(ERROR_INVALID_WINDOW_HANDLE, LRESULT{0});
    if (record->thread != GetCurrentThreadId())
      return Failure(ERROR_ACCESS_DENIED, LRESULT{0});
  }
  return CallProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  DWORD self = GetCurrentThreadId();
  if (hWnd) {
    Window* record = FindWindowRecord(ui, hWnd);
    if (!record || record->destroying)
      return Failure(ERROR_INVALID_WINDOW_HANDLE, UINT_PTR{0});
    if (record->thread != self)
      return Failure(ERROR_ACCESS_DENIED, UINT_PTR{0});
  }
  OwnQueue(ui);
  auto period = std::chrono::milliseconds(std::clamp(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM));
  auto same = [&](const Timer& timer) {
    return timer.window == hWnd && timer.id == nIDEvent && (hWnd || timer.thread == self);
  };
  auto existing = std::find_if(ui.timers.begin(), ui.timers.end(), same);
  if (existing == ui.timers.end() && !hWnd) {
    // A new identifier for a timer without a window.
    do {
      nIDEvent = ui.nextTimer++;
    } while (nIDEvent == 0 || std::any_of(ui.timers.begin(), ui.timers.end(), same));
  }
  Timer timer{hWnd, nIDEvent, self, period, Clock::now() + period, lpTimerFunc};
  if (existing != ui.timers.end())
    *existing = timer;
  else
    ui.timers.push_back(timer);
  return nIDEvent ? nIDEvent : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  UiState& ui = TheUi();
  Lock lock(ui.lock);
  DWORD self = GetCurrentThreadId();
  auto removed = std::erase_if(ui.timers, [&](const Timer& timer) {
    return timer.window == hWnd && timer.id == uIDEvent && (hWnd || timer.thread == self);
  });
  return removed ? TRUE : Failure(ERROR_INVALID_PARAMETER, FALSE);
}
