#include "platform/com/memory.h"

#include <cstdlib>

namespace {
thread_local int t_initializeCount = 0;
}

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size == 0 ? 1 : size); }

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size) { return std::realloc(block, size == 0 ? 1 : size); }

void CoTaskMemFree(LPVOID block) { std::free(block); }

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD) { return t_initializeCount++ == 0 ? S_OK : S_FALSE; }

HRESULT OleInitialize(LPVOID reserved) { return CoInitialize(reserved); }

void CoUninitialize() {
  if (t_initializeCount > 0)
    --t_initializeCount;
}

void OleUninitialize() { CoUninitialize(); }

int Platform::ComInitializeCount() { return t_initializeCount; }
