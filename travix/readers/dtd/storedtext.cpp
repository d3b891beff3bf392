#include "travix/readers/dtd/storedtext.h"

namespace Travix::Dtd {

namespace {

constexpr unsigned long Backslash = 0x5C;
constexpr unsigned long Ampersand = 0x26;
constexpr std::string_view BackslashEscape = "\\x5C";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The code point of the character reference whose body ("#…" without its
// ";") is given, read as the table reads it: digits up to the first that
// does not fit, saturating far beyond the last code point.
unsigned long CodePointOf(std::string_view body) {
  const bool hex = body.size() > 1 && body[1] == 'x';
  const unsigned long base = hex ? 16 : 10;
  unsigned long value = 0;
  for (char c : body.substr(hex ? 2 : 1)) {
    int digit = HexValue(c);
    if (digit < 0 || (!hex && digit > 9)) break;
    value = value * base + static_cast<unsigned long>(digit);
    if (value > 0x110000) value = 0x110000;
  }
  return value;
}

// The body of the character reference at text[at] (just after its "&",
// or where a re-read reference begins), or empty when there is none.
std::string_view ReferenceBody(std::string_view text, std::size_t at) {
  if (at >= text.size() || text[at] != '#') return {};
  std::size_t end = text.find(';', at);
  return end == std::string_view::npos ? std::string_view() : text.substr(at, end - at);
}

void AppendReference(std::string& out, unsigned char byte) {
  out += "&#";
  out += std::to_string(byte);
  out += ';';
}

}  // namespace

std::string StoredForm(std::string_view text, bool expand) {
  std::string stored;
  stored.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\\') {
      stored += BackslashEscape;
      continue;
    }
    if (!expand || text[at] != '&') {
      stored += text[at];
      continue;
    }
    std::string_view body = ReferenceBody(text, at + 1);
    if (body.empty()) {
      stored += '&';
      continue;
    }
    std::size_t after = at + 1 + body.size() + 1;
    unsigned long codePoint = CodePointOf(body);
    // A reference to "&" makes the table read the reference after it
    // again; that one may be the backslash.
    if (codePoint == Ampersand) {
      std::string_view reread = ReferenceBody(text, after);
      if (!reread.empty() && CodePointOf(reread) == Backslash) {
        stored += BackslashEscape;
        at = after + reread.size();
        continue;
      }
    }
    if (codePoint == Backslash) {
      stored += BackslashEscape;
      at = after - 1;
      continue;
    }
    stored += '&';
  }
  return stored;
}

int EscapedByte(std::string_view text, std::size_t at) {
  if (at + 4 > text.size() || text[at] != '\\' || text[at + 1] != 'x') return -1;
  int high = HexValue(text[at + 2]);
  int low = HexValue(text[at + 3]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::string PlainText(std::string_view stored) {
  std::string plain;
  plain.reserve(stored.size());
  for (std::size_t at = 0; at < stored.size(); ++at) {
    int byte = EscapedByte(stored, at);
    if (byte < 0) {
      plain += stored[at];
      continue;
    }
    plain += static_cast<char>(byte);
    at += 3;
  }
  return plain;
}

std::string DtdTextOf(std::string_view stored, bool insideLiteral) {
  std::string text;
  text.reserve(stored.size());
  for (std::size_t at = 0; at < stored.size(); ++at) {
    int escaped = EscapedByte(stored, at);
    unsigned char byte = static_cast<unsigned char>(escaped >= 0 ? escaped : stored[at]);
    if (escaped >= 0) at += 3;
    if (escaped >= 0 && (byte < 0x20 || byte == 0x7F)) {
      AppendReference(text, byte);
    } else if (insideLiteral && (byte == '"' || byte == '\'')) {
      AppendReference(text, byte);
    } else if (insideLiteral && byte == '&') {
      // The table reads "&#38;" as a "&" that begins a reference; the
      // second one makes it a plain "&".
      text += "&#38;#38;";
    } else {
      text += static_cast<char>(byte);
    }
  }
  return text;
}

}  // namespace Travix::Dtd
