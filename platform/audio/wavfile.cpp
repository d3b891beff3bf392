// WAV files for the simulated devices: RIFF, a "fmt " chunk of 16-bit PCM
// and a "data" chunk, little-endian. Unknown chunks are skipped; a data
// chunk longer than the file ends where the file does. Only regular files
// are read and written: a device or a pipe never ends, or never opens.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/audio/internal.h"

namespace platform::audio::detail {

namespace {

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

constexpr std::size_t kHeaderBytes = 44;
// More channels than this is taken for a damaged header rather than sound.
constexpr WORD kMostChannels = 8;
// What one read from the file takes at most, whatever the caller asks for.
constexpr std::size_t kReadBytes = 8192;

}  // namespace

WavReader::~WavReader() {
  if (m_file) std::fclose(m_file);
}

bool WavReader::Open(const std::string& path) {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
  m_left = 0;
  m_problem = ReadHeader(path);
  if (m_problem.empty()) return true;
  m_problem = path + ": " + m_problem;
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
  m_left = 0;
  return false;
}

std::string WavReader::ReadHeader(const std::string& path) {
  // Without blocking on a pipe that nobody writes.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::strerror(errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return "not a regular file";
  }
  m_file = ::fdopen(fd, "rb");
  if (!m_file) {
    ::close(fd);
    return std::strerror(errno);
  }
  unsigned char riff[12];
  if (std::fread(riff, 1, 12, m_file) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return "not a RIFF WAVE file";
  bool format = false;
  unsigned char chunk[8];
  while (std::fread(chunk, 1, 8, m_file) == 8) {
    std::uint32_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16 || size >= 1024) return "a format chunk of " + std::to_string(size) + " bytes";
      std::array<unsigned char, 1024> body{};
      if (std::fread(body.data(), 1, size, m_file) != size || (size % 2 && std::fgetc(m_file) == EOF))
        return "it ends inside its format chunk";
      WORD tag = Le16(&body[0]);
      m_channels = Le16(&body[2]);
      m_rate = Le32(&body[4]);
      WORD blockAlign = Le16(&body[12]);
      WORD bits = Le16(&body[14]);
      // The extensible form carries the PCM tag in its sub-format.
      if (tag == 0xFFFE && size >= 26) tag = Le16(&body[24]);
      if (tag != WAVE_FORMAT_PCM) return "samples of format " + std::to_string(tag) + ", not PCM";
      if (bits != 16) return std::to_string(bits) + "-bit samples, not 16-bit";
      if (m_channels < 1 || m_channels > kMostChannels)
        return std::to_string(m_channels) + " channels, not 1 to " + std::to_string(kMostChannels);
      if (blockAlign != 2 * m_channels)
        return "frames of " + std::to_string(blockAlign) + " bytes for " + std::to_string(m_channels) +
               " channel(s) of 16 bits";
      if (m_rate == 0) return "a rate of 0 samples per second";
      format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!format) return "its data comes before its format";
      m_left = size;
      return {};
    } else if (std::fseek(m_file, static_cast<long>(size) + (size % 2), SEEK_CUR) != 0) {
      break;
    }
  }
  return format ? "it ends before its data" : "it ends before its format";
}

std::size_t WavReader::Read(std::int16_t* samples, std::size_t count) {
  const std::size_t frame = 2u * m_channels;
  std::size_t got = 0;
  m_bytes.resize(kReadBytes);
  while (m_file && got < count && m_left >= frame) {
    std::size_t frames = std::min<std::uint64_t>({count - got, m_left / frame, kReadBytes / frame});
    std::size_t read = std::fread(m_bytes.data(), 1, frames * frame, m_file) / frame;
    for (std::size_t i = 0; i < read; ++i) samples[got++] = static_cast<std::int16_t>(Le16(&m_bytes[i * frame]));
    m_left = read < frames ? 0 : m_left - read * frame;
  }
  return got;
}

WavWriter::~WavWriter() { Close(); }

WavWriter::Opened WavWriter::Open(const std::string& path, DWORD rate) {
  Close();
  m_bytes = 0;
  m_path = path;
  m_problem.clear();
  auto refuse = [&](const std::string& why, int fd, Opened answer = Opened::No) {
    m_problem = path + ": " + why;
    if (fd >= 0) ::close(fd);
    return answer;
  };
  // Nothing in the file changes until its lock is held.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return refuse(std::strerror(errno), fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return refuse("not a regular file", fd);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EWOULDBLOCK) return refuse("another output device is writing it", fd, Opened::Busy);
    return refuse(std::strerror(error), fd);
  }
  if (::ftruncate(fd, 0) != 0) return refuse(std::strerror(errno), fd);
  m_file = ::fdopen(fd, "wb");
  if (!m_file) return refuse(std::strerror(errno), fd);
  // Unbuffered, so that a short write shows at once and how much reached
  // the file is known.
  std::setvbuf(m_file, nullptr, _IONBF, 0);
  unsigned char h[kHeaderBytes] = {};
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, 36);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, WAVE_FORMAT_PCM);
  Put16(h + 22, 1);
  Put32(h + 24, rate);
  Put32(h + 28, rate * 2);
  Put16(h + 32, 2);
  Put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, 0);
  if (std::fwrite(h, 1, sizeof h, m_file) != sizeof h) {
    m_problem = path + ": its header cannot be written: " + std::strerror(errno);
    Close();
    return Opened::No;
  }
  return Opened::Yes;
}

bool WavWriter::Write(const std::int16_t* samples, std::size_t count) {
  if (!m_file) return false;
  if (count == 0) return true;
  // The data chunk's size is 32 bits; the file stops growing below it.
  if (m_bytes > 0xFFFFFFF0u - kHeaderBytes - 2 * count) {
    m_problem = m_path + ": it has grown as large as a WAV file can be";
    Close();
    return false;
  }
  std::vector<unsigned char> bytes(2 * count);
  for (std::size_t i = 0; i < count; ++i) Put16(&bytes[2 * i], static_cast<std::uint16_t>(samples[i]));
  bool appended = std::fseek(m_file, 0, SEEK_END) == 0 &&
                  std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size();
  if (!appended)
    m_problem = m_path + ": cannot be written past " + std::to_string(kHeaderBytes + m_bytes) +
                " bytes: " + std::strerror(errno);
  // Of samples not all written a part may have reached the file: it is cut
  // off, so that the file holds what the header says.
  if (appended) {
    m_bytes += static_cast<std::uint32_t>(bytes.size());
  } else if (::ftruncate(::fileno(m_file), static_cast<off_t>(kHeaderBytes + m_bytes)) != 0) {
    Close();
    return false;
  }
  unsigned char size[4];
  Put32(size, 36 + m_bytes);
  bool sized = std::fseek(m_file, 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, m_file) == 4;
  Put32(size, m_bytes);
  sized = sized && std::fseek(m_file, 40, SEEK_SET) == 0 && std::fwrite(size, 1, 4, m_file) == 4;
  if (appended && !sized) m_problem = m_path + ": its header cannot be brought up to date: " + std::strerror(errno);
  // A file that failed once takes nothing more: what came after the gap
  // would not be the sound as it was played.
  if (!appended || !sized) Close();
  return appended && sized;
}

void WavWriter::Close() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
}

}  // namespace platform::audio::detail
