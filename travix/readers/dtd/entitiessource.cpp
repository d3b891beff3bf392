#include "travix/readers/dtd/entitiessource.h"

#include "travix/readers/dtd/dtdentities.h"
#include "travix/readers/dtd/dtdsymbols.h"

namespace Travix::Dtd {

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsStoredEscape(std::string_view text, std::size_t at) {
  return at + 3 < text.size() && text[at] == '\\' && text[at + 1] == 'x' &&
         IsHexDigit(text[at + 2]) && IsHexDigit(text[at + 3]);
}

void AppendHexEscape(std::string& out, unsigned char byte) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  out += "\\x";
  out += Digits[byte >> 4];
  out += Digits[byte & 0x0F];
}

// A value's text is expanded already, and the importer expands what it
// loads once more: each "&" in it is the character, written as the one
// reference the importer reads as the character alone.
std::string LoadedForm(std::string_view value) {
  std::string loaded;
  loaded.reserve(value.size());
  for (char c : value) {
    if (c == '&') {
      loaded += "&#38;";
    } else {
      loaded += c;
    }
  }
  return loaded;
}

}  // namespace

std::string EscapeEntityText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  bool afterHexEscape = false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    char c = text[at];
    unsigned char byte = static_cast<unsigned char>(c);
    if (IsStoredEscape(text, at) && text.substr(at, 4) == "\\x5C") {
      // A backslash the DTD wrote: the usual C spelling does.
      out += "\\\\";
      at += 3;
      afterHexEscape = false;
      continue;
    }
    if (IsStoredEscape(text, at)) {
      out.append(text.substr(at, 4));
      at += 3;
      afterHexEscape = true;
      continue;
    }
    if (c == '\n') {
      out += "\\n\"\n\"";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '?' && at > 0 && text[at - 1] == '?') {
      // Never "??": older compilers read "??=" and its kin as trigraphs.
      out += "\\?";
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendHexEscape(out, byte);
      afterHexEscape = true;
      continue;
    } else {
      if (afterHexEscape && IsHexDigit(c)) out += "\"\"";
      out += c;
    }
    afterHexEscape = false;
  }
  return out;
}

void WriteEntityRows(std::ostream& out) {
  int count = SymbolGetCount();
  for (int row = 1; row <= count; ++row) {
    if (SymbolGetToken(row) != GeneralEntityNameSymbol) continue;
    const char* name = SymbolGetEntry(row);
    const int text = EntityTextRow(row);
    const char* value = text != 0 ? SymbolGetEntry(text) : nullptr;
    if (!name || !value) continue;
    const std::string loaded =
        SymbolGetToken(text) == ExternalTextSymbol ? std::string(value) : LoadedForm(value);
    out << "  {\"" << EscapeEntityText(name) << "\",\"" << EscapeEntityText(loaded) << "\"},\n";
  }
}

}  // namespace Travix::Dtd
