// The registry: a tree of keys under three roots, each key holding named,
// typed values. Names are UTF-8, compared without regard to case (Unicode
// case folding) and kept in the case they were created with; subkeys and
// values are enumerated in that case-insensitive order.
//
// The tree lives in one SQLite file per user, shared safely by every
// process of that user: the file named by the environment variable
// PLATFORM_REGISTRY_FILE, else $XDG_DATA_HOME/corvanth/registry.sqlite
// (XDG_DATA_HOME defaulting to ~/.local/share). The variable is read on
// every call, so a test can point the registry at a fresh temporary file;
// handles opened on the previous file are then invalid.
//
// The functions keep their familiar names, signatures and results: every
// one answers ERROR_SUCCESS or a Win32 error number of platform/errors.h.
// Sizes of name buffers count characters (bytes of UTF-8), with the
// terminating zero; sizes of data count bytes.
#ifndef PLATFORM_REGISTRY_REGISTRY_H
#define PLATFORM_REGISTRY_REGISTRY_H

#include <string>

#include "platform/api.h"
#include "platform/errors.h"
#include "platform/types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;

// The roots. HKEY_CLASSES_ROOT is a root of its own here, not a view of
// the other two.
#define PLATFORM_PREDEFINED_KEY(value) \
  (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(value##u)))))
#define HKEY_CLASSES_ROOT PLATFORM_PREDEFINED_KEY(0x80000000)
#define HKEY_CURRENT_USER PLATFORM_PREDEFINED_KEY(0x80000001)
#define HKEY_LOCAL_MACHINE PLATFORM_PREDEFINED_KEY(0x80000002)

// Access rights. A handle without a right is refused the operations that
// need it with ERROR_ACCESS_DENIED: querying and listing values need
// KEY_QUERY_VALUE, setting and deleting values KEY_SET_VALUE, listing
// subkeys KEY_ENUMERATE_SUB_KEYS, creating a subkey KEY_CREATE_SUB_KEY.
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define KEY_READ 0x00020019u
#define KEY_WRITE 0x00020006u
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0x000F003Fu

// Options and dispositions of RegCreateKeyEx. Every key is kept in the
// file; a volatile key is kept too.
#define REG_OPTION_RESERVED 0x0000u
#define REG_OPTION_NON_VOLATILE 0x0000u
#define REG_OPTION_VOLATILE 0x0001u
#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u

// Value types. Text values (REG_SZ, REG_EXPAND_SZ) are stored up to their
// first zero and always with a terminating zero, whatever size the writer
// gave, so a reader that asks for the size and reads that many bytes always
// gets a terminated text.
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_DWORD_LITTLE_ENDIAN 4u
#define REG_DWORD_BIG_ENDIAN 5u
#define REG_LINK 6u
#define REG_MULTI_SZ 7u
#define REG_QWORD 11u

// Longest key name part and value name, in bytes without the zero.
#define PLATFORM_REG_MAX_KEY_NAME 255u
#define PLATFORM_REG_MAX_VALUE_NAME 16383u

// A subkey path is made of names joined by "\" (a trailing "\" is allowed;
// an empty name inside the path is ERROR_BAD_PATHNAME). A null or empty
// subkey means the key itself.

PLATFORM_API LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                                 REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                                 LPDWORD lpdwDisposition);
PLATFORM_API LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
PLATFORM_API LONG RegCloseKey(HKEY hKey);

// A null or empty value name is the key's default value. With lpData null
// and lpcbData given, answers the type and the size only; a buffer smaller
// than the value gets nothing, ERROR_MORE_DATA and the size needed.
PLATFORM_API LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                  LPDWORD lpcbData);
PLATFORM_API LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                                DWORD cbData);
PLATFORM_API LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName);

// Deletes a key that has no subkeys, with its values (ERROR_ACCESS_DENIED
// for a key with subkeys or a root). Handles still open on it answer
// ERROR_KEY_DELETED from then on.
PLATFORM_API LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey);

// Enumeration by index from 0; past the last entry ERROR_NO_MORE_ITEMS.
// A name buffer too small for the name gives ERROR_MORE_DATA.
PLATFORM_API LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                               LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);
PLATFORM_API LONG RegEnumKey(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName);
PLATFORM_API LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                               LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

// Counts and longest lengths (names in characters without the zero, data
// in bytes) of the key's subkeys and values; any pointer may be null.
PLATFORM_API LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                  LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                  LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                  LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);

// What was wrong with the registry file when the calling thread's last
// registry call failed because of it (which file, and the database's or
// the system's own text); empty when that call could use the file. For
// programs that must say more than that a class "is not registered".
PLATFORM_API std::string RegistryFault();

#endif
