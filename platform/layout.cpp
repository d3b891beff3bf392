// The widths the products rely on, checked once where the library is built.
#include "platform/errors.h"
#include "platform/types.h"

static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(BOOL) == 4 && sizeof(HRESULT) == 4,
              "32-bit integers stay 32 bits on LP64");
static_assert(sizeof(HANDLE) == sizeof(void*) && sizeof(HWND) == sizeof(void*) && sizeof(WPARAM) == sizeof(void*) &&
                  sizeof(LPARAM) == sizeof(void*),
              "handles and message parameters are pointer-sized");
static_assert(sizeof(OLECHAR) == 2, "wide text is UTF-16");
static_assert(FAILED(E_FAIL) && SUCCEEDED(S_FALSE) && HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) == E_ACCESSDENIED,
              "result codes keep their values");
