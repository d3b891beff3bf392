// The task allocator and the per-thread start and end of COM use.
//
// Memory handed across an interface (strings of StringFromCLSID, arrays
// that a caller frees) comes from CoTaskMemAlloc and goes back through
// CoTaskMemFree. There are no apartments: CoInitialize and its kin only
// count, per thread, so code written against them runs unchanged.
#ifndef PLATFORM_COM_MEMORY_H
#define PLATFORM_COM_MEMORY_H

#include "platform/errors.h"
#include "platform/types.h"

PLATFORM_API LPVOID CoTaskMemAlloc(SIZE_T size);
PLATFORM_API LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
PLATFORM_API void CoTaskMemFree(LPVOID block);

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_DISABLE_OLE1DDE 0x4
#define COINIT_SPEED_OVER_MEMORY 0x8

// S_OK for a thread's first call, S_FALSE for each further one; every call
// is matched by one CoUninitialize.
PLATFORM_API HRESULT CoInitialize(LPVOID reserved);
PLATFORM_API HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
PLATFORM_API HRESULT OleInitialize(LPVOID reserved);
// An unmatched call does nothing.
PLATFORM_API void CoUninitialize();
PLATFORM_API void OleUninitialize();

namespace Platform {
// How many CoInitialize calls of this thread are not yet matched.
PLATFORM_API int ComInitializeCount();
} // namespace Platform

#endif
