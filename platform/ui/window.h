// Windows, message queues and timers, without a screen: a window is a
// handle in a process-wide table with a class, a window procedure and the
// thread that created it, which is the thread its messages are handled on.
//
// - Every thread that uses windows or messages has a queue of its own.
// - PostMessage and PostThreadMessage may be called from any thread; a
//   message for a window that is destroyed is refused (and one already
//   queued for it is dropped).
// - SendMessage calls the window procedure on the window's own thread: at
//   once when that is the calling thread, else the caller waits until that
//   thread next looks at its queue (handling messages sent to itself
//   meanwhile).
// - Timers make WM_TIMER when their thread looks at its queue and nothing
//   else is waiting there; a late timer makes one message, not one per
//   period missed.
// - A thread that ends takes its windows, timers and queue with it.
#ifndef PLATFORM_UI_WINDOW_H
#define PLATFORM_UI_WINDOW_H

#include "platform/api.h"
#include "platform/errors.h"
#include "platform/types.h"

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void(CALLBACK*)(HWND, UINT, UINT_PTR, DWORD);

// Messages.
#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_NCCREATE 0x0081u
#define WM_NCDESTROY 0x0082u
#define WM_TIMER 0x0113u
#define WM_USER 0x0400u
#define WM_APP 0x8000u

// Styles (kept, without effect).
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_OVERLAPPEDWINDOW 0x00CF0000u
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u
#define CS_GLOBALCLASS 0x4000u
#define CW_USEDEFAULT (static_cast<int>(0x80000000u))
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-3)))

// Window data indexes of Get/SetWindowLongPtr; 0 and up address the
// class's extra bytes (cbWndExtra), one pointer-sized value at a time.
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)

// PeekMessage options.
#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
#define PM_NOYIELD 0x0002u

#define USER_TIMER_MINIMUM 0x0000000Au
#define USER_TIMER_MAXIMUM 0x7FFFFFFFu

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;
using PMSG = MSG*;

struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

struct WNDCLASSEX {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};

// What WM_NCCREATE and WM_CREATE carry in lParam.
struct CREATESTRUCT {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};
using LPCREATESTRUCT = CREATESTRUCT*;

// Classes belong to the module that registers them (hInstance), so that
// two libraries carrying the same code may each register a class of the
// same name; a CS_GLOBALCLASS class is found from any module. Class names
// are compared without regard to (ASCII) case.
PLATFORM_API ATOM RegisterClass(const WNDCLASS* lpWndClass);
PLATFORM_API ATOM RegisterClassEx(const WNDCLASSEX* lpWndClass);
PLATFORM_API BOOL UnregisterClass(LPCSTR lpClassName, HINSTANCE hInstance);

// Sends WM_NCCREATE and WM_CREATE on the calling thread, which owns the
// window; WM_NCCREATE answering FALSE, or WM_CREATE answering -1, refuses
// the window (the answer is null). Windows are hidden: there is no screen.
PLATFORM_API HWND CreateWindowEx(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                                 int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                                 LPVOID lpParam);
PLATFORM_API HWND CreateWindow(LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                               int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
// Sends WM_DESTROY and WM_NCDESTROY (children first), kills the window's
// timers and drops its queued messages. Only the window's thread may.
PLATFORM_API BOOL DestroyWindow(HWND hWnd);
PLATFORM_API BOOL IsWindow(HWND hWnd);
PLATFORM_API DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);
PLATFORM_API LONG_PTR GetWindowLongPtr(HWND hWnd, int nIndex);
PLATFORM_API LONG_PTR SetWindowLongPtr(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
PLATFORM_API LRESULT DefWindowProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PLATFORM_API LRESULT CallWindowProc(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// A null window posts to the calling thread's queue.
PLATFORM_API BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// ERROR_INVALID_THREAD_ID for a thread that has no queue (has never used
// windows or messages).
PLATFORM_API BOOL PostThreadMessage(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
PLATFORM_API LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PLATFORM_API void PostQuitMessage(int nExitCode);

// Waits for a message: FALSE for WM_QUIT, -1 for a bad window filter,
// else TRUE. A window filter takes that window's messages only; a range
// wMsgFilterMin..Max (both 0: all) those messages only.
PLATFORM_API BOOL GetMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
PLATFORM_API BOOL PeekMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// There is no keyboard: nothing to translate.
PLATFORM_API BOOL TranslateMessage(const MSG* lpMsg);
PLATFORM_API LRESULT DispatchMessage(const MSG* lpMsg);

// A window's timer is identified by the window and nIDEvent (setting it
// again restarts it); a timer without a window gets a new identifier,
// which SetTimer answers. With lpTimerFunc, DispatchMessage of the
// WM_TIMER calls it instead of the window procedure.
PLATFORM_API UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
PLATFORM_API BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

#endif
