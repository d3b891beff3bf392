// The image object, its handle table, its text and line drawing.
#include "clipview/image.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <new>
#include <unordered_map>

#include "clipview/line.h"
#include "platform/graphics/gdi.h"

namespace {

// Handles are handed out from a counter, skipping 0 and those still in use,
// so a stale handle is unknown for a long time after its image is gone.
struct HandleTable {
  std::mutex lock;
  std::unordered_map<LONG, ImageClass*> images;
  LONG next = 1;

  LONG Add(ImageClass* image) {
    std::lock_guard guard(lock);
    while (images.count(next)) Advance();
    const LONG handle = next;
    Advance();
    images.emplace(handle, image);
    return handle;
  }
  void Advance() { next = next == std::numeric_limits<LONG>::max() ? 1 : next + 1; }
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;  // outlives images with static storage
  return *table;
}

BYTE Byte(int value) { return static_cast<BYTE>(value & 0xFF); }

}  // namespace

ImageClass::ImageClass() : m_nHandle(Handles().Add(this)) {}

ImageClass::~ImageClass() {
  {
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    table.images.erase(m_nHandle);
  }
  std::free(m_pData);
  delete m_pInfo;
  delete[] m_pRowOffsets;
  if (m_pFont) DeleteObject(m_pFont);
}

ImageClass* ImageClass::FromHandle(LONG handle) {
  if (handle == 0) return nullptr;
  HandleTable& table = Handles();
  std::lock_guard guard(table.lock);
  auto it = table.images.find(handle);
  return it == table.images.end() ? nullptr : it->second;
}

BOOL ImageClass::Init(LONG width, LONG height, LONG format) {
  TraceChannel::Instance().Report("ImageClass - Init", 0);
  if (width <= 0 || height <= 0 || (format != kColour && format != kGrey)) return FALSE;
  const LONGLONG bits = format == kGrey ? 8 : 24;
  const LONGLONG stride = DibStride(width, bits);
  if (stride > std::numeric_limits<LONG>::max() / height) return FALSE;
  const LONG size = static_cast<LONG>(stride * height);

  auto* data = static_cast<BYTE*>(std::calloc(static_cast<std::size_t>(size), 1));
  auto* info = new (std::nothrow) BITMAPINFO{};
  auto* offsets = new (std::nothrow) LONG[static_cast<std::size_t>(height)];
  if (!data || !info || !offsets) {
    std::free(data);
    delete info;
    delete[] offsets;
    return FALSE;
  }
  std::free(m_pData);
  delete m_pInfo;
  delete[] m_pRowOffsets;
  m_pData = data;
  m_pInfo = info;
  m_pRowOffsets = offsets;
  m_nFormat = format;
  m_nWidth = width;
  m_nHeight = height;
  m_nStride = static_cast<LONG>(stride);
  m_nSize = size;

  BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bits);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(size);
  h.biClrUsed = format == kGrey ? 256 : 0;
  if (format == kGrey)
    for (int i = 0; i < 256; ++i) m_pInfo->bmiColors[i] = {Byte(i), Byte(i), Byte(i), 0};
  for (LONG y = 0; y < height; ++y) m_pRowOffsets[y] = (height - 1 - y) * m_nStride;
  TraceChannel::Instance().Report("ImageClass - Init", 1);
  return TRUE;
}

BOOL ImageClass::InitLike(const ImageClass& other) { return Init(other.m_nWidth, other.m_nHeight, other.m_nFormat); }

BOOL ImageClass::SameSize(const ImageClass& other) const {
  return m_nWidth == other.m_nWidth && m_nHeight == other.m_nHeight;
}

BOOL ImageClass::CopyTo(ImageClass& other) const {
  if (!SameSize(other) || m_nFormat != other.m_nFormat || !m_pData || !other.m_pData) return FALSE;
  if (&other != this) std::memcpy(other.m_pData, m_pData, static_cast<std::size_t>(m_nSize));
  return TRUE;
}

BOOL ImageClass::SetTextStyle(const char* fontName, LONG fontSize, int red, int green, int blue) {
  m_crText = RGB(Byte(red), Byte(green), Byte(blue));
  m_strFontName = fontName ? fontName : "";
  m_nFontSize = fontSize <= 0 ? 1 : fontSize > 100 ? 100 : fontSize;
  if (m_pFont) DeleteObject(m_pFont);
  m_pFont = CreateFontA(-m_nFontSize, 0, 0, 0, FW_MEDIUM, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, m_strFontName.c_str());
  return TRUE;
}

// The text is drawn on a copy of the pixels in a DIB section, which is
// copied back only once the text is drawn.
BOOL ImageClass::DrawText(const char* text, LONG x, LONG y) {
  if (!m_pData) return FALSE;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, m_pInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section) return FALSE;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(section);
    return FALSE;
  }
  std::memcpy(bits, m_pData, static_cast<std::size_t>(m_nSize));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, m_crText);
  HGDIOBJ oldFont = m_pFont ? SelectObject(dc, m_pFont) : nullptr;
  HGDIOBJ oldBitmap = SelectObject(dc, section);
  const std::size_t length = text ? std::strlen(text) : 0;
  const BOOL drawn = TextOutA(dc, x, y, text ? text : "",
                              static_cast<int>(std::min<std::size_t>(length, std::numeric_limits<int>::max())));
  if (drawn) std::memcpy(m_pData, bits, static_cast<std::size_t>(m_nSize));
  SelectObject(dc, oldBitmap);
  if (oldFont) SelectObject(dc, oldFont);
  DeleteDC(dc);
  DeleteObject(section);
  return drawn;
}

BOOL ImageClass::DrawDateTime(LONG x, LONG y) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // The user's own date and time format, from the environment's locale.
  locale_t user = newlocale(LC_TIME_MASK, "", nullptr);
  if (!user) user = newlocale(LC_TIME_MASK, "C", nullptr);
  char text[128] = "";
  if (user) {
    strftime_l(text, sizeof text, "%x %X", &local, user);
    freelocale(user);
  }
  return DrawText(text, x, y);
}

BOOL ImageClass::DrawLine(LONG x0, LONG y0, LONG x1, LONG y1, int blue, int green, int red) {
  if (!m_pData) return FALSE;
  const BYTE b = Byte(blue), g = Byte(green), r = Byte(red);
  if (m_nFormat == kGrey) {
    const BYTE grey = static_cast<BYTE>((b + g + r) / 3);
    clipview::WalkLine(x0, y0, x1, y1, m_nWidth, m_nHeight, [&](LONG x, LONG y) { Row(y)[x] = grey; });
  } else {
    clipview::WalkLine(x0, y0, x1, y1, m_nWidth, m_nHeight, [&](LONG x, LONG y) {
      BYTE* p = Row(y) + 3 * static_cast<std::ptrdiff_t>(x);
      p[0] = b, p[1] = g, p[2] = r;
    });
  }
  return TRUE;
}

namespace {
std::mutex& TraceLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}
}  // namespace

TraceChannel& TraceChannel::Instance() {
  static TraceChannel* channel = new TraceChannel;
  return *channel;
}

void TraceChannel::Enable(bool on, Sink sink) {
  std::lock_guard guard(TraceLock());
  m_on = on;
  m_sink = sink;
}

void TraceChannel::SetTimestamp(bool on) {
  std::lock_guard guard(TraceLock());
  m_timestamp = on;
}

void TraceChannel::Report(const char* text, int number) {
  std::lock_guard guard(TraceLock());
  if (!m_on || !m_sink) return;
  std::string message;
  if (m_timestamp) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64] = "";
    std::strftime(stamp, sizeof stamp, "%x %X", &local);
    message = stamp;
  }
  message += ' ';
  message += text ? text : "";
  message += ' ';
  message += std::to_string(number);
  message += ' ';
  m_sink(message);
}
