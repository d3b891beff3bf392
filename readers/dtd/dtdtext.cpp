#include "readers/dtd/dtdtext.h"

#include <cerrno>
#include <memory>

namespace Travix::Dtd {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string NormalizeText(std::string_view raw) {
  if (raw.substr(0, ByteOrderMark.size()) == ByteOrderMark) raw.remove_prefix(ByteOrderMark.size());
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\r') {
      text += raw[i];
      continue;
    }
    text += '\n';
    if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
  }
  return text;
}

bool ReadTextStream(std::FILE* stream, std::string& text, int& error) {
  std::string raw;
  char chunk[65536];
  for (;;) {
    std::size_t got = std::fread(chunk, 1, sizeof chunk, stream);
    raw.append(chunk, got);
    if (got < sizeof chunk) break;
  }
  if (std::ferror(stream)) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  text = NormalizeText(raw);
  return true;
}

bool ReadTextFile(const std::string& path, std::string& text, int& error) {
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = errno;
    return false;
  }
  return ReadTextStream(file.get(), text, error);
}

}  // namespace Travix::Dtd
