#include "platform/resources/gdiobject.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace Platform {

namespace {

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

// Never destroyed: objects may be deleted by other libraries' static
// destructors.
std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>>& Table() {
  static auto* table = new std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>>;
  return *table;
}

std::vector<GdiHandler>& Handlers() {
  static auto* handlers = new std::vector<GdiHandler>;
  return *handlers;
}

std::vector<GdiHandler> CopyHandlers() {
  std::lock_guard<std::mutex> guard(TableLock());
  return Handlers();
}

constexpr LONG kMaxSide = 32768;

} // namespace

GdiObject::~GdiObject() = default;

void AddGdiHandler(const GdiHandler& handler) {
  std::lock_guard<std::mutex> guard(TableLock());
  Handlers().push_back(handler);
}

HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object) {
  if (!object)
    return nullptr;
  HGDIOBJ handle = object.get();
  std::lock_guard<std::mutex> guard(TableLock());
  Table().emplace(handle, std::move(object));
  return handle;
}

GdiObject* FindGdiObject(HGDIOBJ handle) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto found = Table().find(handle);
  return found == Table().end() ? nullptr : found->second.get();
}

DibBitmap::DibBitmap(const BITMAPINFOHEADER& header, std::vector<RGBQUAD> colours, std::vector<BYTE> bits)
    : m_header(header), m_colours(std::move(colours)), m_bits(std::move(bits)) {
  m_header.biSize = sizeof(BITMAPINFOHEADER);
}

LONG DibBitmap::Stride() const {
  return static_cast<LONG>(((static_cast<long long>(m_header.biWidth) * m_header.biBitCount + 31) / 32) * 4);
}

int DibBitmap::Describe(int size, void* buffer) const {
  if (buffer == nullptr)
    return static_cast<int>(sizeof(BITMAP));
  BITMAP description{0, Width(), Height(), Stride(), 1, m_header.biBitCount,
                     const_cast<BYTE*>(m_bits.data())};
  int written = size < static_cast<int>(sizeof description) ? size : static_cast<int>(sizeof description);
  if (written <= 0)
    return 0;
  std::memcpy(buffer, &description, static_cast<std::size_t>(written));
  return written;
}

DibBitmap* FindBitmap(HBITMAP handle) { return dynamic_cast<DibBitmap*>(FindGdiObject(handle)); }

namespace {

// A bitmap from its info header and colours in bytes[0, size); the bits
// follow the colours, or start at bitsAt when that is given (a BMP file
// says where they are).
HBITMAP Build(const BYTE* bytes, std::size_t size, std::size_t bitsAt) {
  BITMAPINFOHEADER header;
  if (bytes == nullptr || size < sizeof header)
    return nullptr;
  std::memcpy(&header, bytes, sizeof header);
  WORD bits = header.biBitCount;
  bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  bool knownCompression =
      header.biCompression == BI_RGB || (header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32));
  if (header.biSize < sizeof header || header.biSize > size || header.biWidth <= 0 || header.biWidth > kMaxSide ||
      header.biHeight == 0 || header.biHeight < -kMaxSide || header.biHeight > kMaxSide || header.biPlanes != 1 ||
      !knownDepth || !knownCompression)
    return nullptr;
  std::size_t offset = header.biSize;
  // A version-1 header is followed by three masks; later ones hold them.
  if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof header)
    offset += 3 * sizeof(DWORD);
  std::size_t colourCount = header.biClrUsed;
  if (bits <= 8) {
    std::size_t most = std::size_t{1} << bits;
    if (colourCount == 0)
      colourCount = most;
    if (colourCount > most)
      return nullptr;
  } else if (colourCount > 256) {
    return nullptr;
  }
  if (offset > size || colourCount * sizeof(RGBQUAD) > size - offset)
    return nullptr;
  std::vector<RGBQUAD> colours(colourCount);
  if (colourCount != 0)
    std::memcpy(colours.data(), bytes + offset, colourCount * sizeof(RGBQUAD));
  offset += colourCount * sizeof(RGBQUAD);
  if (bitsAt != 0) {
    if (bitsAt < offset)
      return nullptr;
    offset = bitsAt;
  }
  if (offset > size)
    return nullptr;
  std::size_t stride = ((static_cast<std::size_t>(header.biWidth) * bits + 31) / 32) * 4;
  std::size_t rows = static_cast<std::size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
  std::size_t image = stride * rows;
  if (image > size - offset)
    return nullptr;
  std::vector<BYTE> pixels(bytes + offset, bytes + offset + image);
  header.biSizeImage = static_cast<DWORD>(image);
  auto bitmap = std::make_unique<DibBitmap>(header, std::move(colours), std::move(pixels));
  return static_cast<HBITMAP>(AddGdiObject(std::move(bitmap)));
}

} // namespace

HBITMAP CreateBitmapFromPackedDib(const void* data, std::size_t size) {
  return Build(static_cast<const BYTE*>(data), size, 0);
}

HBITMAP CreateBitmapFromFile(const void* data, std::size_t size) {
  BITMAPFILEHEADER file;
  if (data == nullptr || size < sizeof file)
    return nullptr;
  std::memcpy(&file, data, sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits < sizeof file)
    return nullptr;
  return Build(static_cast<const BYTE*>(data) + sizeof file, size - sizeof file, file.bfOffBits - sizeof file);
}

} // namespace Platform

int GetObject(HGDIOBJ object, int size, LPVOID buffer) {
  if (Platform::GdiObject* found = Platform::FindGdiObject(object))
    return found->Describe(size, buffer);
  for (const Platform::GdiHandler& handler : Platform::CopyHandlers()) {
    if (handler.getObject != nullptr) {
      if (int written = handler.getObject(object, size, buffer))
        return written;
    }
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  std::unique_ptr<Platform::GdiObject> owned;
  {
    std::lock_guard<std::mutex> guard(Platform::TableLock());
    auto found = Platform::Table().find(object);
    if (found != Platform::Table().end()) {
      owned = std::move(found->second);
      Platform::Table().erase(found);
    }
  }
  if (owned)
    return TRUE;
  for (const Platform::GdiHandler& handler : Platform::CopyHandlers()) {
    if (handler.deleteObject != nullptr && handler.deleteObject(object))
      return TRUE;
  }
  return FALSE;
}
