// Writing a file whole or not at all: the bytes go to a temporary file in
// the same folder, which then takes the file's name. A reader (a browser
// opening the help page, another module writing the same page) sees the
// old file or the new one, never a part.
#ifndef VORN_MODULES_COMMON_HELPFILE_H
#define VORN_MODULES_COMMON_HELPFILE_H

#include <cstddef>
#include <string>

#include "platform/errors.h"
#include "platform/types.h"

namespace VornModules {

// S_OK, or the failure as an HRESULT of a Win32 code (ERROR_ACCESS_DENIED,
// ERROR_PATH_NOT_FOUND, ERROR_DISK_FULL, else ERROR_WRITE_FAULT); the file
// is then as it was.
HRESULT ReplaceFile(const std::string& path, const BYTE* data, std::size_t size);

}  // namespace VornModules

#endif
