// Archives: values written to a stream and read back in the encodings of
// the class library that objects serialized themselves with (Serialize):
// integers and floating values little-endian, strings with their length
// first, VARIANTs with their type first.
//
// A string is written in the wide form (marker 0xFF 0xFFFE, then its length
// in UTF-16 units, then the units); both that form and the narrow one (the
// length, then bytes, read as UTF-8) are read. Its length takes one byte
// below 0xFF, else 0xFF and a WORD below 0xFFFE, else 0xFF 0xFFFF and a
// DWORD. A VARIANT is its WORD type and then: VT_BOOL, VT_I2 a WORD; VT_UI1
// a byte; VT_I4, VT_ERROR a LONG; VT_R4 a float; VT_R8 a double; VT_BSTR
// a string; VT_EMPTY, VT_NULL nothing. Other types (arrays, references,
// interfaces) have no archive form here: writing or reading one throws.
//
// Failures throw CArchiveException: endOfFile when a read runs past the
// stream, genericException for a stream that fails or a value without an
// archive form, writeOnly / readOnly for a read from a storing archive or a
// write to a loading one.
#ifndef PLATFORM_COM_ARCHIVE_H
#define PLATFORM_COM_ARCHIVE_H

#include <iosfwd>
#include <string>

#include "platform/com/variant.h"

class PLATFORM_API CArchiveException {
 public:
  enum {
    none = 0,
    genericException = 1,
    readOnly = 2,
    endOfFile = 3,
    writeOnly = 4,
    badIndex = 5,
    badClass = 6,
    badSchema = 7,
  };
  CArchiveException(int cause, std::string fileName);
  virtual ~CArchiveException();

  int m_cause;
  // The archive's name, or the class whose data it was.
  std::string m_strFileName;
};

class PLATFORM_API CArchive {
 public:
  enum Mode { store = 0, load = 1 };
  // stream stays the caller's; name goes into the exceptions.
  CArchive(std::iostream& stream, Mode mode, std::string name = {});
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsStoring() const { return m_mode == store; }
  bool IsLoading() const { return m_mode == load; }
  const std::string& GetFileName() const { return m_name; }

  CArchive& operator<<(BYTE value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(LONG value);
  CArchive& operator<<(DWORD value);
  CArchive& operator<<(float value);
  CArchive& operator<<(double value);
  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(LONG& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(float& value);
  CArchive& operator>>(double& value);

  // Text; a null BSTR is written as the empty string.
  void WriteString(const OLECHAR* text, std::size_t length);
  void WriteString(BSTR text);
  // A new BSTR the caller frees.
  BSTR ReadString();

  void WriteVariant(const VARIANT& value);
  // value is cleared first.
  void ReadVariant(VARIANT& value);

  [[noreturn]] void Throw(int cause) const;

 private:
  void Write(const void* bytes, std::size_t size);
  void Read(void* bytes, std::size_t size);
  void WriteLength(std::size_t length);
  std::size_t ReadLength(BYTE first);

  std::iostream& m_stream;
  Mode m_mode;
  std::string m_name;
};

#endif
