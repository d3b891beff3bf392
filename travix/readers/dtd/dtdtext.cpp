#include "travix/readers/dtd/dtdtext.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include "travix/schema/transcode.h"

namespace Travix::Dtd {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view WithoutByteOrderMark(std::string_view raw) {
  if (raw.substr(0, ByteOrderMark.size()) == ByteOrderMark) raw.remove_prefix(ByteOrderMark.size());
  return raw;
}

std::string LineOf(std::string_view raw, std::size_t offset) {
  offset = std::min(offset, raw.size());
  return std::to_string(1 + std::count(raw.begin(), raw.begin() + static_cast<long>(offset), '\n'));
}

bool CheckUtf8(std::string_view raw, std::string& problem) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
  const auto length = static_cast<int32_t>(raw.size());
  for (int32_t at = 0; at < length;) {
    int32_t start = at;
    UChar32 c = 0;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) {
      problem = "line " + LineOf(raw, static_cast<std::size_t>(start)) + " is not valid UTF-8";
      return false;
    }
  }
  return true;
}

bool Transcode(std::string_view raw, const std::string& encoding, std::string& text,
               std::string& problem) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(encoding.c_str(), &status));
  if (U_FAILURE(status)) {
    problem = "unknown encoding '" + encoding + "'";
    return false;
  }
  // A declaration read as ASCII cannot be in an encoding of wider units.
  if (ucnv_getMinCharSize(converter.get()) != 1) {
    problem = "unsupported encoding '" + encoding + "'";
    return false;
  }
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                      &status);
  // One byte never makes more than two UTF-16 units.
  std::u16string units(raw.size() * 2 + 2, u'\0');
  UChar* target = units.data();
  const char* source = raw.data();
  ucnv_toUnicode(converter.get(), &target, units.data() + units.size(), &source,
                 raw.data() + raw.size(), nullptr, true, &status);
  if (U_FAILURE(status)) {
    problem = "line " + LineOf(raw, static_cast<std::size_t>(source - raw.data())) +
              " is not valid " + encoding;
    return false;
  }
  units.resize(static_cast<std::size_t>(target - units.data()));
  text = wstringTostring(units);
  return true;
}

}  // namespace

std::string NormalizeText(std::string_view raw) {
  raw = WithoutByteOrderMark(raw);
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

std::string DeclaredEncoding(std::string_view raw) {
  raw = WithoutByteOrderMark(raw);
  if (raw.substr(0, 5) != "<?xml" || raw.size() < 6 || !IsBlank(raw[5])) return {};
  std::string_view declaration = raw.substr(0, raw.find("?>"));
  for (std::size_t at = declaration.find("encoding"); at != std::string_view::npos;
       at = declaration.find("encoding", at + 1)) {
    std::size_t next = at + 8;
    while (next < declaration.size() && IsBlank(declaration[next])) ++next;
    if (next >= declaration.size() || declaration[next] != '=') continue;
    ++next;
    while (next < declaration.size() && IsBlank(declaration[next])) ++next;
    if (next >= declaration.size() || (declaration[next] != '"' && declaration[next] != '\''))
      continue;
    std::size_t end = declaration.find(declaration[next], next + 1);
    if (end == std::string_view::npos) return {};
    return std::string(declaration.substr(next + 1, end - next - 1));
  }
  return {};
}

std::string_view WithoutTextDeclaration(std::string_view text) {
  if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !IsBlank(text[5])) return text;
  std::size_t end = text.find("?>");
  return end == std::string_view::npos ? text : text.substr(end + 2);
}

bool DecodeText(std::string_view raw, std::string& text, std::string& problem) {
  std::string encoding = DeclaredEncoding(raw);
  if (encoding.empty() || ucnv_compareNames(encoding.c_str(), "UTF-8") == 0) {
    if (!CheckUtf8(raw, problem)) return false;
    text = NormalizeText(raw);
    return true;
  }
  std::string transcoded;
  if (!Transcode(WithoutByteOrderMark(raw), encoding, transcoded, problem)) return false;
  text = NormalizeText(transcoded);
  return true;
}

TextRead ReadTextStream(std::FILE* stream, std::string& text) {
  TextRead read;
  std::string raw;
  char chunk[65536];
  for (;;) {
    std::size_t got = std::fread(chunk, 1, sizeof chunk, stream);
    if (raw.size() + got > MaxTextBytes) {
      read.problem = "it is larger than " + std::to_string(MaxTextBytes >> 20) + " MiB";
      return read;
    }
    raw.append(chunk, got);
    if (got < sizeof chunk) break;
  }
  if (std::ferror(stream)) {
    read.error = errno != 0 ? errno : EIO;
    return read;
  }
  read.ok = DecodeText(raw, text, read.problem);
  return read;
}

TextRead ReadTextFile(const std::string& path, std::string& text) {
  TextRead read;
  // Opened without waiting, so that a pipe nobody writes to is refused
  // like any other file that is not a regular one.
  errno = 0;
  int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    read.error = errno;
    return read;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0) {
    read.error = errno;
  } else if (S_ISDIR(status.st_mode)) {
    read.error = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    read.problem = "it is not a regular file";
  }
  if (read.error != 0 || !read.problem.empty()) {
    close(descriptor);
    return read;
  }
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  std::unique_ptr<std::FILE, FileCloser> file(fdopen(descriptor, "rb"));
  if (!file) {
    read.error = errno;
    close(descriptor);
    return read;
  }
  return ReadTextStream(file.get(), text);
}

}  // namespace Travix::Dtd
