// Kernel services: events, waits, critical sections, threads, clocks,
// processes, the computer's name, module paths, temporary files and the
// per-thread last error. The names, signatures and results are the ones the
// products were written against; text is UTF-8.
//
// Kernel objects (events, threads, processes) are reached through HANDLEs
// from one process-wide table; CloseHandle drops a handle, and an object
// lives while a handle or its own work (a running thread, a child not yet
// reaped) still needs it. A function that fails sets the calling thread's
// last error (GetLastError) to a Win32 error number of platform/errors.h.
#ifndef PLATFORM_KERNEL_KERNEL_H
#define PLATFORM_KERNEL_KERNEL_H

#include <pthread.h>

#include "platform/api.h"
#include "platform/kernel/recursivelock.h"
#include "platform/errors.h"
#include "platform/types.h"

// ---- Last error ------------------------------------------------------------

PLATFORM_API DWORD GetLastError();
PLATFORM_API void SetLastError(DWORD dwErrCode);

// ---- Handles and waits -----------------------------------------------------

#define MAXIMUM_WAIT_OBJECTS 64
#define STILL_ACTIVE 259u

PLATFORM_API BOOL CloseHandle(HANDLE hObject);

// An event is signalled until reset (manual reset) or until one wait has
// seen it (auto reset); a thread when its function has returned; a process
// when it has ended. Answers WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED
// with the last error set (ERROR_INVALID_HANDLE for a handle not open).
PLATFORM_API DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// Any: WAIT_OBJECT_0 + the lowest index signalled. All: WAIT_OBJECT_0 once
// every one is signalled at the same time; auto-reset events are reset only
// then, all together.
PLATFORM_API DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                          DWORD dwMilliseconds);

// ---- Events ----------------------------------------------------------------

#define SYNCHRONIZE 0x00100000u
#define EVENT_MODIFY_STATE 0x0002u
#define EVENT_ALL_ACCESS 0x001F0003u

// A named event is one object for the whole process: creating a name that
// exists gives another handle to the existing event (its reset mode and
// state stay as they are) and sets the last error to ERROR_ALREADY_EXISTS.
// Names are compared exactly. The name is forgotten when its last handle
// is closed.
PLATFORM_API HANDLE CreateEvent(const SECURITY_ATTRIBUTES* lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                                LPCSTR lpName);
// Another handle to the named event; null and ERROR_FILE_NOT_FOUND when no
// event has that name.
PLATFORM_API HANDLE OpenEvent(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
PLATFORM_API BOOL SetEvent(HANDLE hEvent);
PLATFORM_API BOOL ResetEvent(HANDLE hEvent);

// ---- Critical sections -----------------------------------------------------

// A lock that the thread holding it may take again (each Enter needs its
// Leave). Kept in the caller's memory; it needs no Delete to be freed, but
// Delete is allowed once it is no longer held.
struct CRITICAL_SECTION {
  Platform::RecursiveLock lock;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

PLATFORM_API void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// ---- Clocks ----------------------------------------------------------------

// Milliseconds since an arbitrary start, in 32 bits: the count wraps to 0
// after about 49.7 days, so compare tick counts only with TickReached.
PLATFORM_API DWORD GetTickCount();

// Whether the tick count now has reached due, right across the wrap (for
// moments less than 24.8 days apart).
inline bool TickReached(DWORD now, DWORD due) { return static_cast<LONG>(now - due) >= 0; }

// A monotonic counter of high resolution; the frequency is counts per
// second and never changes (measured once, on the first call for it, which
// may then wait a few milliseconds).
PLATFORM_API BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
PLATFORM_API BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);

PLATFORM_API void Sleep(DWORD dwMilliseconds);

// ---- Threads ---------------------------------------------------------------

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID lpThreadParameter);

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

// Starts lpStartAddress(lpParameter) on a thread of its own (dwStackSize 0
// for the default stack; dwCreationFlags must be 0). The handle is
// signalled when the function returns, whose result is the exit code.
PLATFORM_API HANDLE CreateThread(const SECURITY_ATTRIBUTES* lpThreadAttributes, SIZE_T dwStackSize,
                                 LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                                 LPDWORD lpThreadId);
// STILL_ACTIVE while the thread runs.
PLATFORM_API BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
PLATFORM_API DWORD GetCurrentThreadId();
// A handle that stands for the calling thread wherever it is used; it
// needs no closing.
PLATFORM_API HANDLE GetCurrentThread();
// Best effort: the priority is applied as the system allows (raising it
// may need privileges the process lacks) and is always remembered, so
// GetThreadPriority answers what was asked.
PLATFORM_API BOOL SetThreadPriority(HANDLE hThread, int nPriority);
PLATFORM_API int GetThreadPriority(HANDLE hThread);

// ---- Processes -------------------------------------------------------------

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;  // always null: a child's thread is not reachable here
  DWORD dwProcessId;
  DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts a program with an argument vector, never through a shell: argv
// is null-terminated, argv[0] is the program (looked up in PATH when it has
// no "/") and the rest are its arguments as they stand. The child starts in
// lpCurrentDirectory, or this process's directory when that is null. False
// with the last error ERROR_FILE_NOT_FOUND (no such program),
// ERROR_ACCESS_DENIED (not executable) or ERROR_BAD_EXE_FORMAT when it
// cannot be started. The process handle is signalled when the child ends.
PLATFORM_API BOOL CreateProcessArgv(const char* const* argv, LPCSTR lpCurrentDirectory,
                                    LPPROCESS_INFORMATION lpProcessInformation);
// The child's exit status, STILL_ACTIVE while it runs; a child ended by a
// signal answers 128 plus the signal's number, as a shell reports it.
PLATFORM_API BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);

// ---- The computer, modules and temporary files -----------------------------

#define MAX_COMPUTERNAME_LENGTH 15

// This machine's name in upper case: the environment variable
// PLATFORM_COMPUTERNAME when set (tests use it), else the host name up to
// its first dot. *nSize is the buffer's size with the zero; on success the
// name's length without it. A buffer too small gives FALSE,
// ERROR_BUFFER_OVERFLOW and the size needed with the zero.
PLATFORM_API BOOL GetComputerName(LPSTR lpBuffer, LPDWORD nSize);

// A module (the program or a shared library) is known by the address it is
// loaded at, as HMODULE. GetModuleHandle(nullptr) is the program; a name
// finds a loaded library by its file name (with or without directory).
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1u
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4u
PLATFORM_API HMODULE GetModuleHandle(LPCSTR lpModuleName);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, lpModuleName is any address
// inside the module (a function or variable of it): the way a library
// finds its own handle.
PLATFORM_API BOOL GetModuleHandleEx(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule);
// The absolute path of the module's file (the program for null). A path
// that does not fit is cut to nSize - 1 characters and ends in a zero; the
// result is then nSize and the last error ERROR_INSUFFICIENT_BUFFER. 0 and
// ERROR_MOD_NOT_FOUND for a handle that is no loaded module.
PLATFORM_API DWORD GetModuleFileName(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// The directory for temporary files, ending in "/": TMPDIR, else /tmp.
// Answers the length without the zero, or, when the buffer is too small,
// the size needed with it (and writes nothing).
PLATFORM_API DWORD GetTempPath(DWORD nBufferLength, LPSTR lpBuffer);
// Names a file in lpPathName: the first three characters of lpPrefixString,
// a hexadecimal number and ".tmp". With uUnique 0 the number is chosen so
// that the file is new, and the file is created empty (only this user may
// read it); otherwise the name is made of uUnique and nothing is created.
// lpTempFileName must hold MAX_PATH characters. Answers the number, or 0
// with the last error set.
PLATFORM_API UINT GetTempFileName(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);

#endif
