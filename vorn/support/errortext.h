// Readable text of a failed call's result code, for the messages that tell
// the user about it: the code's symbolic name and the system's message.
#ifndef VORN_SUPPORT_ERRORTEXT_H
#define VORN_SUPPORT_ERRORTEXT_H

#include <string>

#include "platform/types.h"

namespace Vorn {

// code is an HRESULT or a plain Win32 error number, matched as a whole
// value. With systemTextOnly the system's message alone (empty for a code
// the name table does not hold); otherwise
//   "ERROR = <code in lower-case hexadecimal> \r\n<name>\r\n\r\n<message>"
// where name and message are empty for such a code.
std::string FormatHResultText(HRESULT code, bool systemTextOnly);

} // namespace Vorn

#endif
