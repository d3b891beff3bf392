// Clocks, the computer's name, module paths and temporary files.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <atomic>
#include <cstring>
#include <thread>
#include <tuple>
#include <utility>

#include "platform/kernel/kernel.h"

namespace {

template <typename Result>
Result Failure(DWORD error, Result result) {
  SetLastError(error);
  return result;
}

std::chrono::nanoseconds Monotonic() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Copies text and its zero into a buffer of size characters: the length
// without the zero, or 0 when it does not fit.
bool CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || text.size() + 1 > size)
    return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

HMODULE BaseOf(const void* address) {
  Dl_info info;
  if (!address || dladdr(address, &info) == 0 || !info.dli_fbase)
    return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE ProgramBase() { return BaseOf(reinterpret_cast<const void*>(getauxval(AT_PHDR))); }

std::string Absolute(const char* path) {
  char resolved[PATH_MAX];
  return realpath(path, resolved) ? std::string(resolved) : std::string(path);
}

std::string ProgramPath() {
  char path[PATH_MAX];
  ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
  return size > 0 ? std::string(path, static_cast<std::size_t>(size)) : std::string();
}

std::string_view FileNameOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

struct Search {
  std::string_view name;
  HMODULE found = nullptr;
};

int MatchLibrary(dl_phdr_info* library, std::size_t, void* data) {
  auto* search = static_cast<Search*>(data);
  std::string_view path = library->dlpi_name ? library->dlpi_name : "";
  if (path.empty())
    return 0;
  bool byName = search->name.find('/') == std::string_view::npos;
  bool match = byName ? FileNameOf(path) == search->name : Absolute(path.data()) == Absolute(search->name.data());
  if (!match)
    return 0;
  for (int segment = 0; segment < library->dlpi_phnum; ++segment) {
    if (library->dlpi_phdr[segment].p_type == PT_LOAD) {
      search->found = BaseOf(reinterpret_cast<const void*>(library->dlpi_addr + library->dlpi_phdr[segment].p_vaddr));
      return 1;
    }
  }
  return 0;
}

// Up to three characters of a UTF-8 text.
std::string FirstCharacters(const char* text, int count) {
  std::string out;
  for (const char* at = text; at && *at; ++at) {
    bool starts = (static_cast<unsigned char>(*at) & 0xC0) != 0x80;
    if (starts && count-- == 0)
      break;
    out += *at;
  }
  return out;
}

}  // namespace

DWORD GetTickCount() {
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(Monotonic()).count());
}

namespace {

// The performance counter is the processor's time-stamp counter when the
// kernel keeps its own clock on it (then it runs at one rate on every core
// and through sleep states), since a read costs a third of a clock read;
// otherwise it is the monotonic clock in nanoseconds.
struct CounterSource {
  bool stamps = false;
  std::chrono::nanoseconds anchorTime{};
  unsigned long long anchorCount = 0;
};

bool KernelClockOnStamps() {
#if defined(__x86_64__)
  FILE* file = std::fopen("/sys/devices/system/clocksource/clocksource0/current_clocksource", "r");
  if (file == nullptr)
    return false;
  char name[32] = {};
  bool stamps = std::fgets(name, sizeof name, file) != nullptr && std::string_view(name).substr(0, 4) == "tsc\n";
  std::fclose(file);
  return stamps;
#else
  return false;
#endif
}

unsigned long long Stamp() {
#if defined(__x86_64__)
  return __builtin_ia32_rdtsc();
#else
  return 0;
#endif
}

// A counter reading and the clock's time at that moment, the clock read on
// both sides of the counter.
std::pair<std::chrono::nanoseconds, unsigned long long> StampAndTime() {
  std::chrono::nanoseconds before = Monotonic();
  unsigned long long stamp = Stamp();
  std::chrono::nanoseconds after = Monotonic();
  return {before + (after - before) / 2, stamp};
}

const CounterSource& Source() {
  static const CounterSource source = [] {
    CounterSource made;
    made.stamps = KernelClockOnStamps();
    if (made.stamps)
      std::tie(made.anchorTime, made.anchorCount) = StampAndTime();
    return made;
  }();
  return source;
}

// Counts a second: measured against the clock from the first counter read
// over at least this long.
constexpr std::chrono::milliseconds kCalibration{20};

LONGLONG Frequency() {
  const CounterSource& source = Source();
  if (!source.stamps)
    return 1000000000;
  std::chrono::nanoseconds waited = Monotonic() - source.anchorTime;
  if (waited < kCalibration)
    std::this_thread::sleep_for(kCalibration - waited);
  auto [time, count] = StampAndTime();
  double perSecond = static_cast<double>(count - source.anchorCount) * 1e9 / static_cast<double>((time - source.anchorTime).count());
  return static_cast<LONGLONG>(perSecond + 0.5);
}

}  // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  if (!lpPerformanceCount)
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  lpPerformanceCount->QuadPart = Source().stamps ? static_cast<LONGLONG>(Stamp()) : Monotonic().count();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  if (!lpFrequency)
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  static const LONGLONG frequency = Frequency();
  lpFrequency->QuadPart = frequency;
  return TRUE;
}

void Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == INFINITE) {
    for (;;)
      pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

BOOL GetComputerName(LPSTR lpBuffer, LPDWORD nSize) {
  if (!nSize)
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  std::string name;
  if (const char* given = std::getenv("PLATFORM_COMPUTERNAME"); given && *given) {
    name = given;
  } else {
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0)
      return Failure(ERROR_NOT_SUPPORTED, FALSE);
    name = std::string(host).substr(0, std::string_view(host).find('.'));
  }
  for (char& c : name)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (!CopyOut(name, lpBuffer, *nSize)) {
    *nSize = static_cast<DWORD>(name.size() + 1);
    return Failure(ERROR_BUFFER_OVERFLOW, FALSE);
  }
  *nSize = static_cast<DWORD>(name.size());
  return TRUE;
}

HMODULE GetModuleHandle(LPCSTR lpModuleName) {
  if (!lpModuleName)
    return ProgramBase();
  Search search{lpModuleName};
  dl_iterate_phdr(MatchLibrary, &search);
  if (!search.found)
    return Failure(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
  return search.found;
}

BOOL GetModuleHandleEx(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule) {
  if (!phModule)
    return Failure(ERROR_INVALID_PARAMETER, FALSE);
  *phModule = (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) ? BaseOf(lpModuleName) : GetModuleHandle(lpModuleName);
  if (!*phModule)
    return Failure(ERROR_MOD_NOT_FOUND, FALSE);
  return TRUE;
}

DWORD GetModuleFileName(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  std::string path;
  if (!hModule || hModule == ProgramBase()) {
    path = ProgramPath();
  } else {
    Dl_info info;
    if (dladdr(hModule, &info) == 0 || info.dli_fbase != static_cast<void*>(hModule) || !info.dli_fname)
      return Failure(ERROR_MOD_NOT_FOUND, DWORD{0});
    path = Absolute(info.dli_fname);
  }
  if (path.empty())
    return Failure(ERROR_MOD_NOT_FOUND, DWORD{0});
  if (!lpFilename || nSize == 0)
    return Failure(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
  if (path.size() + 1 > nSize) {
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    return Failure(ERROR_INSUFFICIENT_BUFFER, nSize);
  }
  std::memcpy(lpFilename, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

DWORD GetTempPath(DWORD nBufferLength, LPSTR lpBuffer) {
  const char* directory = std::getenv("TMPDIR");
  std::string path = directory && *directory ? directory : "/tmp";
  if (path.back() != '/')
    path += '/';
  if (!CopyOut(path, lpBuffer, nBufferLength))
    return static_cast<DWORD>(path.size() + 1);
  return static_cast<DWORD>(path.size());
}

UINT GetTempFileName(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) {
  if (!lpPathName || !lpTempFileName)
    return Failure(ERROR_INVALID_PARAMETER, 0u);
  struct stat status;
  if (stat(lpPathName, &status) != 0 || !S_ISDIR(status.st_mode))
    return Failure(ERROR_DIRECTORY, 0u);
  std::string stem = lpPathName;
  if (stem.empty() || stem.back() != '/')
    stem += '/';
  stem += FirstCharacters(lpPrefixString, 3);
  auto nameOf = [&](UINT number) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", number & 0xFFFFu);
    return stem + hex + ".tmp";
  };
  if (uUnique != 0) {
    if (!CopyOut(nameOf(uUnique), lpTempFileName, MAX_PATH))
      return Failure(ERROR_BUFFER_OVERFLOW, 0u);
    return uUnique;
  }
  // Start somewhere else in each process and at each call, so that
  // processes sharing the directory seldom meet.
  static std::atomic<UINT> sequence{0};
  UINT first = (static_cast<UINT>(getpid()) * 7919u + sequence++ * 104729u + GetTickCount()) & 0xFFFFu;
  for (UINT step = 0; step < 0xFFFFu; ++step) {
    UINT number = (first + step) % 0xFFFFu + 1;  // 1 to 0xFFFF: 0 means "choose"
    std::string name = nameOf(number);
    if (name.size() + 1 > MAX_PATH)
      return Failure(ERROR_BUFFER_OVERFLOW, 0u);
    int file = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (file >= 0) {
      close(file);
      CopyOut(name, lpTempFileName, MAX_PATH);
      return number;
    }
    if (errno != EEXIST)
      return Failure(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND, 0u);
  }
  return Failure(ERROR_FILE_EXISTS, 0u);
}
