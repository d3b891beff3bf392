#include "platform/com/archive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <istream>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/text.h"

namespace {

constexpr WORD kWideMarker = 0xFFFE;

} // namespace

CArchiveException::CArchiveException(int cause, std::string fileName)
    : m_cause(cause), m_strFileName(std::move(fileName)) {}

CArchiveException::~CArchiveException() = default;

CArchive::CArchive(std::iostream& stream, Mode mode, std::string name)
    : m_stream(stream), m_mode(mode), m_name(std::move(name)) {}

void CArchive::Throw(int cause) const { throw CArchiveException(cause, m_name); }

void CArchive::Write(const void* bytes, std::size_t size) {
  if (!IsStoring())
    Throw(CArchiveException::readOnly);
  if (!m_stream.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size)))
    Throw(CArchiveException::genericException);
}

void CArchive::Read(void* bytes, std::size_t size) {
  if (!IsLoading())
    Throw(CArchiveException::writeOnly);
  m_stream.read(static_cast<char*>(bytes), static_cast<std::streamsize>(size));
  if (static_cast<std::size_t>(m_stream.gcount()) != size)
    Throw(m_stream.eof() ? CArchiveException::endOfFile : CArchiveException::genericException);
}

// The values as little-endian bytes: this platform's own order.
static_assert(std::endian::native == std::endian::little);

CArchive& CArchive::operator<<(BYTE value) { return Write(&value, sizeof value), *this; }
CArchive& CArchive::operator<<(WORD value) { return Write(&value, sizeof value), *this; }
CArchive& CArchive::operator<<(LONG value) { return Write(&value, sizeof value), *this; }
CArchive& CArchive::operator<<(DWORD value) { return Write(&value, sizeof value), *this; }
CArchive& CArchive::operator<<(float value) { return Write(&value, sizeof value), *this; }
CArchive& CArchive::operator<<(double value) { return Write(&value, sizeof value), *this; }
CArchive& CArchive::operator>>(BYTE& value) { return Read(&value, sizeof value), *this; }
CArchive& CArchive::operator>>(WORD& value) { return Read(&value, sizeof value), *this; }
CArchive& CArchive::operator>>(LONG& value) { return Read(&value, sizeof value), *this; }
CArchive& CArchive::operator>>(DWORD& value) { return Read(&value, sizeof value), *this; }
CArchive& CArchive::operator>>(float& value) { return Read(&value, sizeof value), *this; }
CArchive& CArchive::operator>>(double& value) { return Read(&value, sizeof value), *this; }

void CArchive::WriteLength(std::size_t length) {
  if (length < 0xFF) {
    *this << static_cast<BYTE>(length);
  } else if (length < 0xFFFE) {
    *this << BYTE{0xFF} << static_cast<WORD>(length);
  } else {
    if (length > 0xFFFFFFFFu)
      Throw(CArchiveException::genericException);
    *this << BYTE{0xFF} << WORD{0xFFFF} << static_cast<DWORD>(length);
  }
}

std::size_t CArchive::ReadLength(BYTE first) {
  if (first < 0xFF)
    return first;
  WORD word = 0;
  *this >> word;
  if (word < 0xFFFE)
    return word;
  if (word == kWideMarker)
    Throw(CArchiveException::badSchema);  // a second marker
  DWORD length = 0;
  *this >> length;
  return length;
}

void CArchive::WriteString(const OLECHAR* text, std::size_t length) {
  *this << BYTE{0xFF} << kWideMarker;
  WriteLength(length);
  Write(text, length * sizeof(OLECHAR));
}

void CArchive::WriteString(BSTR text) { WriteString(text != nullptr ? text : u"", SysStringLen(text)); }

BSTR CArchive::ReadString() {
  BYTE first = 0;
  *this >> first;
  bool wide = false;
  std::size_t length = first;
  if (first == 0xFF) {
    WORD word = 0;
    *this >> word;
    if (word == kWideMarker) {
      wide = true;
      *this >> first;
      length = ReadLength(first);
    } else if (word == 0xFFFF) {
      DWORD dword = 0;
      *this >> dword;
      length = dword;
    } else {
      length = word;
    }
  }
  // Read a piece at a time: a length that the stream does not hold ends
  // in endOfFile, not in a vast allocation.
  std::string bytes;
  char piece[4096];
  for (std::size_t left = length * (wide ? sizeof(OLECHAR) : 1); left > 0;) {
    const std::size_t now = std::min(left, sizeof piece);
    Read(piece, now);
    bytes.append(piece, now);
    left -= now;
  }
  std::u16string text = wide ? std::u16string(bytes.size() / sizeof(OLECHAR), u'\0') : Platform::Utf8ToUtf16(bytes);
  if (wide && !bytes.empty())
    std::memcpy(text.data(), bytes.data(), bytes.size());
  BSTR result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (result == nullptr)
    Throw(CArchiveException::genericException);
  return result;
}

void CArchive::WriteVariant(const VARIANT& value) {
  *this << static_cast<WORD>(value.vt);
  switch (value.vt) {
  case VT_EMPTY:
  case VT_NULL:
    return;
  case VT_BOOL:
  case VT_I2:
    *this << static_cast<WORD>(value.iVal);
    return;
  case VT_UI1:
    *this << value.bVal;
    return;
  case VT_I4:
  case VT_ERROR:
    *this << static_cast<LONG>(value.lVal);
    return;
  case VT_R4:
    *this << value.fltVal;
    return;
  case VT_R8:
    *this << value.dblVal;
    return;
  case VT_BSTR:
    WriteString(value.bstrVal);
    return;
  default:
    Throw(CArchiveException::genericException);
  }
}

void CArchive::ReadVariant(VARIANT& value) {
  VariantClear(&value);
  WORD vt = 0;
  *this >> vt;
  VARIANT read;
  VariantInit(&read);
  read.vt = vt;
  switch (vt) {
  case VT_EMPTY:
  case VT_NULL:
    break;
  case VT_BOOL:
  case VT_I2: {
    WORD word = 0;
    *this >> word;
    read.iVal = static_cast<SHORT>(word);
    break;
  }
  case VT_UI1:
    *this >> read.bVal;
    break;
  case VT_I4:
  case VT_ERROR: {
    LONG number = 0;
    *this >> number;
    read.lVal = number;
    break;
  }
  case VT_R4:
    *this >> read.fltVal;
    break;
  case VT_R8:
    *this >> read.dblVal;
    break;
  case VT_BSTR:
    read.bstrVal = ReadString();
    break;
  default:
    Throw(CArchiveException::genericException);
  }
  value = read;
}
