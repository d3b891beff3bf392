// The error-text table: for every result code the system produces or
// meets, its symbolic name and the platform's message text. A code is
// matched as a whole 32-bit value, so an HRESULT and a Win32 error number
// are both looked up as they are; where two names share one value (S_FALSE
// and ERROR_INVALID_FUNCTION, the self-registration and connection-point
// codes) the table keeps one. FormatMessage serves the texts as the system
// message table.
#ifndef PLATFORM_COM_ERRORTEXT_H
#define PLATFORM_COM_ERRORTEXT_H

#include <cstdarg>
#include <span>

#include "platform/types.h"

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_STRING 0x00000400u
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000u
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FFu

#define LANG_NEUTRAL 0x00u
#define SUBLANG_DEFAULT 0x01u
#define MAKELANGID(primary, sub) ((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary))

// The system's text of a code (only FORMAT_MESSAGE_FROM_SYSTEM is served;
// the texts have no inserts, so FORMAT_MESSAGE_IGNORE_INSERTS changes
// nothing): copied into buffer with a zero, ending in "\r\n" unless a
// maximum width is asked for (FORMAT_MESSAGE_MAX_WIDTH_MASK). Answers the
// characters written without the zero; 0 when the code has no text
// (ERROR_MR_MID_NOT_FOUND), the buffer is too small
// (ERROR_INSUFFICIENT_BUFFER) or the flags ask for something else
// (ERROR_INVALID_PARAMETER). Every language is the same language.
PLATFORM_API DWORD FormatMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                                 DWORD size, va_list* arguments);

namespace Platform {

struct ErrorText {
  DWORD code;
  const char* name;
  const char* text;
};

// The whole table, in ascending order of code.
PLATFORM_API std::span<const ErrorText> ErrorTexts();
// The entry of a code; null when the table has none.
PLATFORM_API const ErrorText* FindErrorText(DWORD code);

} // namespace Platform

#endif
