#include "platform/dialogs/dialogtemplate.h"

#include "platform/dialogs/dialogconstants.h"
#include "platform/dialogs/utf.h"

namespace Platform {

using DialogsDetail::Utf16FromUtf8;
using DialogsDetail::Utf8FromUtf16;

namespace {

constexpr WORD kExtendedSignature = 0xFFFF;

// Reads little-endian fields from a bounded byte range; the first read
// past the end marks the reader failed and every later read yields 0.
class Reader {
 public:
  explicit Reader(std::span<const BYTE> bytes) : m_bytes(bytes) {}

  bool ok() const { return m_ok; }
  std::size_t offset() const { return m_offset; }

  WORD Word() {
    if (!Need(2)) return 0;
    WORD value = WORD(m_bytes[m_offset] | (m_bytes[m_offset + 1] << 8));
    m_offset += 2;
    return value;
  }
  DWORD Dword() {
    DWORD low = Word();
    return low | (DWORD(Word()) << 16);
  }
  SHORT Short() { return static_cast<SHORT>(Word()); }
  BYTE Byte() {
    if (!Need(1)) return 0;
    return m_bytes[m_offset++];
  }
  std::string String() {
    std::u16string text;
    for (WORD c; m_ok && (c = Word()) != 0;) text += char16_t(c);
    return Utf8FromUtf16(text);
  }
  NameOrOrdinal Name() {
    const WORD first = Word();
    if (first == 0) return {};
    if (first == 0xFFFF) return NameOrOrdinal::Ordinal(Word());
    m_offset -= 2;
    return NameOrOrdinal::Text(String());
  }
  std::vector<BYTE> Bytes(std::size_t count) {
    if (!Need(count)) return {};
    std::vector<BYTE> data(m_bytes.begin() + m_offset, m_bytes.begin() + m_offset + count);
    m_offset += count;
    return data;
  }
  void AlignDword() {
    const std::size_t aligned = (m_offset + 3) & ~std::size_t(3);
    // The padding after the last item may be missing: only later reads fail.
    m_offset = aligned <= m_bytes.size() ? aligned : m_bytes.size();
  }
  void Fail() { m_ok = false; }

 private:
  bool Need(std::size_t count) {
    if (!m_ok || m_bytes.size() - m_offset < count) {
      m_ok = false;
      return false;
    }
    return true;
  }

  std::span<const BYTE> m_bytes;
  std::size_t m_offset = 0;
  bool m_ok = true;
};

class Writer {
 public:
  void Word(WORD value) {
    m_bytes.push_back(BYTE(value & 0xFF));
    m_bytes.push_back(BYTE(value >> 8));
  }
  void Dword(DWORD value) {
    Word(WORD(value & 0xFFFF));
    Word(WORD(value >> 16));
  }
  void Short(SHORT value) { Word(static_cast<WORD>(value)); }
  void Byte(BYTE value) { m_bytes.push_back(value); }
  void String(const std::string& text) {
    for (char16_t c : Utf16FromUtf8(text)) Word(c);
    Word(0);
  }
  void Name(const NameOrOrdinal& name) {
    if (name.isOrdinal) {
      Word(0xFFFF);
      Word(name.ordinal);
    } else {
      String(name.text);
    }
  }
  void Bytes(const std::vector<BYTE>& data) { m_bytes.insert(m_bytes.end(), data.begin(), data.end()); }
  void AlignDword() {
    while (m_bytes.size() % 4 != 0) m_bytes.push_back(0);
  }
  std::vector<BYTE> Take() { return std::move(m_bytes); }

 private:
  std::vector<BYTE> m_bytes;
};

std::optional<DialogTemplate> Refuse(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

}  // namespace

bool IsExtendedDialogTemplate(std::span<const BYTE> bytes) {
  return bytes.size() >= 4 && bytes[2] == 0xFF && bytes[3] == 0xFF;
}

std::optional<DialogTemplateHeader> ReadDialogTemplateHeader(std::span<const BYTE> bytes) {
  Reader reader(bytes);
  DialogTemplateHeader header;
  if (IsExtendedDialogTemplate(bytes)) {
    reader.Dword();  // version and signature
    reader.Dword();  // help id
    reader.Dword();  // extended style
    header.style = reader.Dword();
  } else {
    header.style = reader.Dword();
    reader.Dword();  // extended style
  }
  reader.Word();  // item count
  reader.Short();
  reader.Short();
  header.cx = reader.Short();
  header.cy = reader.Short();
  if (!reader.ok()) return std::nullopt;
  return header;
}

std::optional<DialogTemplate> ReadDialogTemplate(std::span<const BYTE> bytes, std::string* error) {
  Reader reader(bytes);
  DialogTemplate result;
  result.extended = IsExtendedDialogTemplate(bytes);
  WORD count = 0;
  if (result.extended) {
    if (reader.Word() != 1) return Refuse(error, "unknown extended dialog template version");
    reader.Word();
    result.helpId = reader.Dword();
    result.exStyle = reader.Dword();
    result.style = reader.Dword();
  } else {
    result.style = reader.Dword();
    result.exStyle = reader.Dword();
  }
  count = reader.Word();
  result.x = reader.Short();
  result.y = reader.Short();
  result.cx = reader.Short();
  result.cy = reader.Short();
  result.menu = reader.Name();
  result.windowClass = reader.Name();
  result.title = reader.String();
  if (result.style & DS_SETFONT) {
    result.pointSize = reader.Word();
    if (result.extended) {
      result.weight = reader.Word();
      result.italic = reader.Byte();
      result.charset = reader.Byte();
    }
    result.typeface = reader.String();
  }
  if (!reader.ok()) return Refuse(error, "dialog template header is truncated");
  for (WORD i = 0; i < count; ++i) {
    reader.AlignDword();
    DialogItemTemplate item;
    if (result.extended) {
      item.helpId = reader.Dword();
      item.exStyle = reader.Dword();
      item.style = reader.Dword();
    } else {
      item.style = reader.Dword();
      item.exStyle = reader.Dword();
    }
    item.x = reader.Short();
    item.y = reader.Short();
    item.cx = reader.Short();
    item.cy = reader.Short();
    item.id = result.extended ? reader.Dword() : reader.Word();
    item.windowClass = reader.Name();
    item.title = reader.Name();
    // The extended layout counts the creation data's bytes; the plain one
    // counts its own count word too.
    WORD extra = reader.Word();
    if (!result.extended && extra != 0) {
      if (extra < 2) return Refuse(error, "dialog item creation data has a bad size");
      extra -= 2;
    }
    item.creationData = reader.Bytes(extra);
    if (!reader.ok()) return Refuse(error, "dialog template items are truncated");
    if (item.windowClass.empty()) return Refuse(error, "dialog item has no window class");
    result.items.push_back(std::move(item));
  }
  return result;
}

std::vector<BYTE> WriteDialogTemplate(const DialogTemplate& t) {
  Writer writer;
  const WORD count = static_cast<WORD>(t.items.size());
  if (t.extended) {
    writer.Word(1);
    writer.Word(kExtendedSignature);
    writer.Dword(t.helpId);
    writer.Dword(t.exStyle);
    writer.Dword(t.style);
  } else {
    writer.Dword(t.style);
    writer.Dword(t.exStyle);
  }
  writer.Word(count);
  writer.Short(t.x);
  writer.Short(t.y);
  writer.Short(t.cx);
  writer.Short(t.cy);
  writer.Name(t.menu);
  writer.Name(t.windowClass);
  writer.String(t.title);
  if (t.style & DS_SETFONT) {
    writer.Word(t.pointSize);
    if (t.extended) {
      writer.Word(t.weight);
      writer.Byte(t.italic);
      writer.Byte(t.charset);
    }
    writer.String(t.typeface);
  }
  for (const DialogItemTemplate& item : t.items) {
    writer.AlignDword();
    if (t.extended) {
      writer.Dword(item.helpId);
      writer.Dword(item.exStyle);
      writer.Dword(item.style);
    } else {
      writer.Dword(item.style);
      writer.Dword(item.exStyle);
    }
    writer.Short(item.x);
    writer.Short(item.y);
    writer.Short(item.cx);
    writer.Short(item.cy);
    if (t.extended) {
      writer.Dword(item.id);
    } else {
      writer.Word(static_cast<WORD>(item.id));
    }
    writer.Name(item.windowClass);
    writer.Name(item.title);
    const std::size_t extra = item.creationData.size();
    if (t.extended) {
      writer.Word(static_cast<WORD>(extra));
    } else {
      writer.Word(static_cast<WORD>(extra == 0 ? 0 : extra + 2));
    }
    writer.Bytes(item.creationData);
  }
  return writer.Take();
}

}  // namespace Platform
