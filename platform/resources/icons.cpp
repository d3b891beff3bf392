// Icons: the images of an .ico file built in as a resource, each a colour
// bitmap and a mask.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/resources/gdiobject.h"
#include "platform/resources/resources.h"

namespace Platform {

namespace {

// What GetIconInfo copies.
class Icon final : public GdiObject {
public:
  Icon(DibBitmap colour, DibBitmap mask) : m_colour(std::move(colour)), m_mask(std::move(mask)) {}
  int Describe(int, void*) const override { return 0; }
  const DibBitmap& Colour() const { return m_colour; }
  const DibBitmap& Mask() const { return m_mask; }

private:
  DibBitmap m_colour;
  DibBitmap m_mask;
};

#pragma pack(push, 1)
struct IconDirectory {
  WORD reserved;
  WORD type;  // 1: icons
  WORD count;
};
struct IconEntry {
  BYTE width;  // 0: 256
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD size;
  DWORD offset;
};
#pragma pack(pop)

std::size_t Stride(LONG width, WORD bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

// One image of the file: a packed DIB twice as high as the picture, the
// colour rows and then the mask's.
HICON MakeIcon(const BYTE* image, std::size_t size) {
  BITMAPINFOHEADER header;
  if (size < sizeof header)
    return nullptr;
  std::memcpy(&header, image, sizeof header);
  if (header.biHeight <= 0 || header.biHeight % 2 != 0 || header.biWidth <= 0 || header.biWidth > 256 ||
      header.biHeight > 512 || header.biCompression != BI_RGB)
    return nullptr;
  const LONG height = header.biHeight / 2;
  std::vector<BYTE> colourPart(image, image + size);
  BITMAPINFOHEADER halved = header;
  halved.biHeight = height;
  std::memcpy(colourPart.data(), &halved, sizeof halved);
  HBITMAP colourHandle = CreateBitmapFromPackedDib(colourPart.data(), colourPart.size());
  DibBitmap* colour = FindBitmap(colourHandle);
  if (colour == nullptr)
    return nullptr;
  std::size_t at = header.biSize + colour->Colours().size() * sizeof(RGBQUAD) +
                   Stride(header.biWidth, header.biBitCount) * static_cast<std::size_t>(height);
  std::size_t maskBytes = Stride(header.biWidth, 1) * static_cast<std::size_t>(height);
  if (at > size || maskBytes > size - at) {
    DeleteObject(colourHandle);
    return nullptr;
  }
  BITMAPINFOHEADER maskHeader{};
  maskHeader.biSize = sizeof maskHeader;
  maskHeader.biWidth = header.biWidth;
  maskHeader.biHeight = height;
  maskHeader.biPlanes = 1;
  maskHeader.biBitCount = 1;
  maskHeader.biCompression = BI_RGB;
  maskHeader.biSizeImage = static_cast<DWORD>(maskBytes);
  DibBitmap mask(maskHeader, {{0, 0, 0, 0}, {255, 255, 255, 0}}, std::vector<BYTE>(image + at, image + at + maskBytes));
  auto icon = std::make_unique<Icon>(*colour, std::move(mask));
  DeleteObject(colourHandle);
  return static_cast<HICON>(AddGdiObject(std::move(icon)));
}

Icon* FindIcon(HICON icon) { return dynamic_cast<Icon*>(FindGdiObject(icon)); }

} // namespace

HICON CreateIconFromFile(const void* data, std::size_t size, int cx, int cy) {
  const auto* bytes = static_cast<const BYTE*>(data);
  IconDirectory directory;
  if (bytes == nullptr || size < sizeof directory)
    return nullptr;
  std::memcpy(&directory, bytes, sizeof directory);
  if (directory.reserved != 0 || directory.type != 1 || directory.count == 0 ||
      directory.count > (size - sizeof directory) / sizeof(IconEntry))
    return nullptr;
  const int wantedWidth = cx > 0 ? cx : PLATFORM_ICON_SIZE;
  const int wantedHeight = cy > 0 ? cy : PLATFORM_ICON_SIZE;
  // The image nearest the size asked for; of equally near ones the deepest.
  IconEntry chosen{};
  bool found = false;
  long bestDistance = 0;
  for (WORD i = 0; i < directory.count; ++i) {
    IconEntry entry;
    std::memcpy(&entry, bytes + sizeof directory + i * sizeof entry, sizeof entry);
    if (entry.offset > size || entry.size > size - entry.offset)
      continue;
    const int width = entry.width == 0 ? 256 : entry.width;
    const int height = entry.height == 0 ? 256 : entry.height;
    const long distance = std::labs(width - wantedWidth) + std::labs(height - wantedHeight);
    if (!found || distance < bestDistance || (distance == bestDistance && entry.bitCount > chosen.bitCount)) {
      chosen = entry;
      bestDistance = distance;
      found = true;
    }
  }
  if (!found)
    return nullptr;
  return MakeIcon(bytes + chosen.offset, chosen.size);
}

} // namespace Platform

namespace {

HICON LoadIconImage(HINSTANCE instance, LPCSTR name, int cx, int cy) {
  HRSRC resource = FindResource(instance, name, RT_GROUP_ICON);
  if (resource == nullptr)
    return nullptr;
  return Platform::CreateIconFromFile(LockResource(LoadResource(instance, resource)),
                                      SizeofResource(instance, resource), cx, cy);
}

} // namespace

HICON LoadIcon(HINSTANCE instance, LPCSTR name) { return LoadIconImage(instance, name, 0, 0); }

HANDLE LoadImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT) {
  if (type == IMAGE_BITMAP)
    return LoadBitmap(instance, name);
  if (type == IMAGE_ICON)
    return LoadIconImage(instance, name, cx, cy);
  return nullptr;
}

BOOL DestroyIcon(HICON icon) { return Platform::FindIcon(icon) != nullptr && DeleteObject(icon); }

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  Platform::Icon* found = Platform::FindIcon(icon);
  if (found == nullptr || info == nullptr)
    return FALSE;
  info->fIcon = TRUE;
  info->xHotspot = static_cast<DWORD>(found->Colour().Width() / 2);
  info->yHotspot = static_cast<DWORD>(found->Colour().Height() / 2);
  info->hbmColor = static_cast<HBITMAP>(Platform::AddGdiObject(std::make_unique<Platform::DibBitmap>(found->Colour())));
  info->hbmMask = static_cast<HBITMAP>(Platform::AddGdiObject(std::make_unique<Platform::DibBitmap>(found->Mask())));
  return TRUE;
}
