// Version information of built programs and libraries: the block that
// platform_version_info() (platform/version/VersionInfo.cmake) stamps into
// each file, read back by file name.
//
//   DWORD handle;
//   DWORD size = GetFileVersionInfoSize(path, &handle);
//   std::vector<BYTE> block(size);
//   GetFileVersionInfo(path, handle, size, block.data());
//   VS_FIXEDFILEINFO* fixed; UINT length;
//   VerQueryValue(block.data(), "\\", (LPVOID*)&fixed, &length);
//   LPSTR name;
//   VerQueryValue(block.data(), "\\StringFileInfo\\040904E4\\ProductName", (LPVOID*)&name, &length);
//
// A file without a block (not an ELF file, or one built without the
// function) answers 0 / FALSE with ERROR_RESOURCE_TYPE_NOT_FOUND, a file
// that cannot be read ERROR_FILE_NOT_FOUND or ERROR_ACCESS_DENIED.
#ifndef PLATFORM_VERSION_VERSION_H
#define PLATFORM_VERSION_VERSION_H

#include "platform/api.h"
#include "platform/errors.h"
#include "platform/types.h"
#include "platform/version/versionnote.h"

using PUINT = UINT*;

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_FFI_FILEFLAGSMASK 0x0000003Fu

// File flags.
#define VS_FF_DEBUG 0x01u
#define VS_FF_PRERELEASE 0x02u
#define VS_FF_PATCHED 0x04u
#define VS_FF_PRIVATEBUILD 0x08u
#define VS_FF_INFOINFERRED 0x10u
#define VS_FF_SPECIALBUILD 0x20u

// Operating system: these files are for none of the systems the values
// name, so they say VOS_UNKNOWN.
#define VOS_UNKNOWN 0x00000000u

// File types.
#define VFT_UNKNOWN 0x00000000u
#define VFT_APP 0x00000001u
#define VFT_DLL 0x00000002u
#define VFT_DRV 0x00000003u
#define VFT_FONT 0x00000004u
#define VFT_VXD 0x00000005u
#define VFT_STATIC_LIB 0x00000007u

// The size of the file's block (0 when it has none); *lpdwHandle is set to
// 0 and only passed on to GetFileVersionInfo.
PLATFORM_API DWORD GetFileVersionInfoSize(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
// Copies the block into lpData; a buffer smaller than the block gets
// nothing (FALSE, ERROR_INSUFFICIENT_BUFFER), so that VerQueryValue never
// reads past it.
PLATFORM_API BOOL GetFileVersionInfo(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// lpSubBlock, with names compared without regard to case:
//   "\"                                   the VS_FIXEDFILEINFO
//   "\StringFileInfo\<translation>\<name>" a string: *puLen counts its
//                                          characters with the zero
//   "\VarFileInfo\Translation"            the translation: a WORD language
//                                          and a WORD code page
// *lplpBuffer points into pBlock. FALSE (and *puLen 0) when it is not there.
PLATFORM_API BOOL VerQueryValue(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen);

inline DWORD GetFileVersionInfoSizeA(LPCSTR name, LPDWORD handle) { return GetFileVersionInfoSize(name, handle); }
inline BOOL GetFileVersionInfoA(LPCSTR name, DWORD handle, DWORD length, LPVOID data) {
  return GetFileVersionInfo(name, handle, length, data);
}
inline BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
  return VerQueryValue(block, subBlock, buffer, length);
}

#endif
