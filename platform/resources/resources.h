// Resources: bitmaps, HTML pages, dialog templates, strings and data of
// other types built into a program or library (platform_add_resources in
// Resources.cmake) and found by the module that carries them, an id or a
// name, and a type. Every module finds only its own: servers that carry the
// same framework code each ask with their own module handle
// (Platform::ThisModule(), or the handle their module object keeps), so
// equal ids in two libraries never meet. A null module is the program.
//
// A bitmap resource is the BMP file as it was given; a dialog resource is
// the compiled template; a string is its UTF-8 text without a terminator.
#ifndef PLATFORM_RESOURCES_RESOURCES_H
#define PLATFORM_RESOURCES_RESOURCES_H

#include <cstddef>
#include <vector>

#include "platform/types.h"

// A numeric id or type where a name is expected.
#define MAKEINTRESOURCE(id) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(name) ((reinterpret_cast<ULONG_PTR>(name) >> 16) == 0)

#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_VERSION MAKEINTRESOURCE(16)
#define RT_HTML MAKEINTRESOURCE(23)

// The resource of that name (or MAKEINTRESOURCE id, or "#id") and type in
// module; null, with ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_DATA_NOT_FOUND as the last error, when there is none.
// Names and types given as text are compared without regard to case.
PLATFORM_API HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type);
PLATFORM_API HRSRC FindResourceEx(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
// The resource's bytes: they stay where they are for as long as the module
// is loaded, so there is nothing to free. Null for a resource handle that
// names no resource of the module.
PLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
PLATFORM_API LPVOID LockResource(HGLOBAL data);
PLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);
PLATFORM_API BOOL FreeResource(HGLOBAL data);

// A new bitmap from the bitmap resource; null when there is none or it is
// not a readable bitmap. The caller deletes it with DeleteObject.
PLATFORM_API HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name);
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x0000u
#define LR_DEFAULTSIZE 0x0040u
#define LR_SHARED 0x8000u
// The sizes of the two icons a window shows: on its title bar (small)
// and where it is shown large.
#define PLATFORM_ICON_SIZE 32
#define PLATFORM_SMALL_ICON_SIZE 16

// An icon's two pictures: the colours, and the mask whose set bits leave
// the background showing through.
struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};

// The 32 by 32 image of the icon resource (an .ico file of one or more
// images), or the image nearest that size; null when there is no such
// icon or it holds no readable image. The caller destroys it with
// DestroyIcon.
PLATFORM_API HICON LoadIcon(HINSTANCE instance, LPCSTR name);
// A bitmap (IMAGE_BITMAP, as LoadBitmap) or the image of an icon
// (IMAGE_ICON) nearest cx by cy, 0 meaning the standard size.
PLATFORM_API HANDLE LoadImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
PLATFORM_API BOOL DestroyIcon(HICON icon);
// New copies of the icon's two bitmaps, which the caller deletes.
PLATFORM_API BOOL GetIconInfo(HICON icon, ICONINFO* info);

namespace Platform {
// The image nearest cx by cy (0: the standard size) of the bytes of an
// .ico file; null for anything that is not one or has no readable image.
PLATFORM_API HICON CreateIconFromFile(const void* data, std::size_t size, int cx, int cy);
} // namespace Platform

// Copies the string resource id into buffer (at most size - 1 bytes, cut
// at a character boundary, then a zero) and answers the bytes copied; 0,
// with an empty buffer, when there is no such string.
PLATFORM_API int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int size);

namespace Platform {

// One resource as the build writes it into a module.
struct ResourceEntry {
  const char* typeName; // null: the type is typeId
  WORD typeId;
  const char* name; // null: the name is id
  WORD id;
  const BYTE* begin;
  const BYTE* end;
};

// Every loaded module (the program as null) that carries a resource of
// that name and type.
PLATFORM_API std::vector<HINSTANCE> ModulesWithResource(LPCSTR name, LPCSTR type);

// Called by the code that the build generates, when the module is loaded
// and when it goes.
PLATFORM_API void AddModuleResources(HINSTANCE module, const ResourceEntry* entries, std::size_t count);
PLATFORM_API void RemoveModuleResources(const ResourceEntry* entries);

} // namespace Platform

#endif
