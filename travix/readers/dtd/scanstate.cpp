#include "travix/readers/dtd/scanstate.h"

#include <algorithm>

namespace Travix::Dtd {

namespace {

// Long texts are cut at a character boundary so a message stays valid UTF-8.
std::string Quoted(std::string_view text) {
  if (text.size() <= MaxQuotedText) return std::string(text);
  std::size_t length = MaxQuotedText - 3;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) --length;
  return std::string(text.substr(0, length)) + "...";
}

}  // namespace

ScanState& Scan() {
  static ScanState state;
  return state;
}

void ResetScanState() { Scan() = ScanState(); }

ScanSource& CurrentSource() { return Scan().sources.back(); }

void NoteToken(const char* text, std::size_t length, std::size_t offset) {
  ScanState& scan = Scan();
  scan.tokenText.assign(text, length);
  ScanSource& source = scan.sources.back();
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] != '\n') continue;
    ++source.line;
    source.lineStart = offset + i + 1;
  }
}

void MoveTo(std::string name, int line, std::size_t offset) {
  ScanSource& source = CurrentSource();
  source.name = std::move(name);
  source.line = line;
  source.lineStart = offset;
}

ErrorPlace CurrentErrorPlace() {
  ScanState& scan = Scan();
  ErrorPlace place;
  place.token = Quoted(scan.tokenText);
  if (scan.sources.empty()) return place;
  const ScanSource& source = scan.sources.back();
  place.file = source.name;
  place.line = source.line;
  std::string_view text(source.text);
  if (source.lineStart < text.size()) {
    std::string_view rest = text.substr(source.lineStart);
    place.lineText = Quoted(rest.substr(0, std::min(rest.find('\n'), rest.size())));
  }
  return place;
}

}  // namespace Travix::Dtd
