// vornapp_runfile WORKING_FILE INPUT_WAV OUTPUT_WAV MILLISECONDS
//
// Runs a working file's module graph for a moment the way a script would:
// makes "Vorn.Application" through the registry, and calls its members and
// its modules' members by name only. Sound comes from the simulated audio
// backend: a tone written to INPUT_WAV is what the input device records,
// and OUTPUT_WAV receives what the output device plays. Reports the
// modules, their connections and what reached the output file. The three
// paths must name three different files; the working file must exist, and
// the two sound files be regular files or not exist yet.
//
// Exit status: 0 after a run, 1 for a wrong command line, 2 when the
// automation object cannot be made or the file not opened, 3 when the
// audio device of a module could not run.
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/db/database.h"
#include "platform/registry/registry.h"
#include "vorn/apps/automation/scriptcalls.h"

namespace {

constexpr int kToneRate = 11025;

using namespace Vorn::Script;

std::string Text(const Call& call) {
  if (FAILED(call.hr))
    return "?";
  CComVariant text;
  if (FAILED(VariantChangeType(&text, &call.result, 0, VT_BSTR)) || text.vt != VT_BSTR)
    return "?";
  return Platform::BstrToUtf8(text.bstrVal);
}

// A name as an argument, every character of it (a name may hold a NUL).
CComVariant Arg(const std::string& text) { return CComVariant(CComBSTR(std::string_view(text))); }

// A name as the report prints it: a NUL shows as \0.
std::string Shown(const std::string& name) {
  std::string shown;
  for (char c : name)
    shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  return shown;
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
  return text;
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 16-bit mono tone that rises from 220 Hz to 880 Hz, so that the output
// shows it came through in order.
bool WriteTone(const std::string& path, int milliseconds) {
  std::size_t frames = static_cast<std::size_t>(kToneRate) * static_cast<std::size_t>(milliseconds) / 1000;
  std::string data;
  double phase = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    double frequency = 220.0 + 660.0 * static_cast<double>(i) / static_cast<double>(frames);
    phase += 2 * M_PI * frequency / kToneRate;
    PutLittleEndian(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(16000 * std::sin(phase)))), 2);
  }
  std::string file = "RIFF";
  PutLittleEndian(file, static_cast<std::uint32_t>(36 + data.size()), 4);
  file += "WAVEfmt ";
  PutLittleEndian(file, 16, 4);
  PutLittleEndian(file, 1, 2);  // PCM
  PutLittleEndian(file, 1, 2);  // mono
  PutLittleEndian(file, kToneRate, 4);
  PutLittleEndian(file, 2 * kToneRate, 4);
  PutLittleEndian(file, 2, 2);
  PutLittleEndian(file, 16, 2);
  file += "data";
  PutLittleEndian(file, static_cast<std::uint32_t>(data.size()), 4);
  file += data;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

std::uint32_t ReadLittleEndian(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

// More than a run of the longest duration writes at the highest rate: what
// the report reads of the output stops there, whatever the path became.
constexpr std::size_t kLargestReport = std::size_t{64} << 20;

// The header of what the output device wrote, and what its samples hold.
std::size_t ReportOutput(const std::string& path) {
  std::string bytes;
  if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
    char chunk[65536];
    for (std::size_t got; bytes.size() < kLargestReport && (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
      bytes.append(chunk, std::min(got, kLargestReport - bytes.size()));
    std::fclose(in);
  }
  std::printf("%s:\n", path.c_str());
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
    std::printf("  not written (%zu bytes): nothing reached the output device\n", bytes.size());
    return 0;
  }
  std::uint32_t rate = 0, format = 0, channels = 0, bits = 0, dataSize = 0;
  std::size_t dataAt = 0;
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    std::string id = bytes.substr(at, 4);
    std::uint32_t size = ReadLittleEndian(bytes, at + 4, 4);
    if (id == "fmt " && at + 24 <= bytes.size()) {
      format = ReadLittleEndian(bytes, at + 8, 2);
      channels = ReadLittleEndian(bytes, at + 10, 2);
      rate = ReadLittleEndian(bytes, at + 12, 4);
      bits = ReadLittleEndian(bytes, at + 22, 2);
    } else if (id == "data") {
      dataAt = at + 8;
      dataSize = static_cast<std::uint32_t>(std::min<std::size_t>(size, bytes.size() - dataAt));
      break;
    }
    at += 8 + size + (size & 1);
  }
  std::printf("  RIFF WAVE, format %u (%s), %u channel(s), %u samples per second, %u bits\n", format,
              format == 1 ? "PCM" : "other", channels, rate, bits);
  std::size_t samples = bits == 16 && channels == 1 ? dataSize / 2 : 0;
  int peak = 0;
  std::size_t sounding = 0;
  for (std::size_t i = 0; i < samples; ++i) {
    int value = static_cast<std::int16_t>(ReadLittleEndian(bytes, dataAt + 2 * i, 2));
    peak = std::max(peak, std::abs(value));
    if (value != 0)
      ++sounding;
  }
  std::printf("  data: %u bytes, %zu samples (%.3f s), %zu of them not silent, peak %d\n", dataSize, samples,
              rate != 0 ? static_cast<double>(samples) / rate : 0.0, sounding, peak);
  return samples;
}

struct Connection {
  std::string source, output, destination, input;
};

// What the working file keeps, by module name: the automation object
// answers only whether two named modules are connected and what a named
// value holds, so the names to ask about come from the file.
struct StoredModel {
  std::vector<Connection> connections;
  std::map<std::string, std::vector<std::string>> valueNames;
};

StoredModel ReadStoredModel(const std::string& path) {
  StoredModel model;
  try {
    Platform::Db::Database file(path, {Platform::Db::OpenMode::ReadOnly});
    Platform::Db::Statement values(file,
                                   "SELECT m.Name, v.VariableName FROM ModuleValues v "
                                   "JOIN Modules m ON m.ID = v.ModuleID ORDER BY v.rowid");
    while (values.Step())
      model.valueNames[values.Text(0)].push_back(values.Text(1));
    Platform::Db::Statement rows(file,
                                 "SELECT s.Name, c.SrcOutput, d.Name, c.DestInput FROM Connections c "
                                 "JOIN Modules s ON s.ID = c.SrcModule JOIN Modules d ON d.ID = c.DestModule "
                                 "ORDER BY c.SrcModule");
    while (rows.Step())
      model.connections.push_back({rows.Text(0), rows.Text(1), rows.Text(2), rows.Text(3)});
  } catch (const Platform::Db::DatabaseError& error) {
    std::printf("  (the working file cannot be read beside the engine: %s)\n", error.what());
  }
  return model;
}

// Members of the module servers themselves, reached through the wrapper;
// false when the module has a device and it is not open while running.
bool ReportModuleMembers(IDispatch* module) {
  bool running = true;
  for (const char* member : {"Enabled", "AudioLevel", "CurrentAudioEnergy"}) {
    Call value = Get(module, member);
    if (SUCCEEDED(value.hr))
      std::printf("      %s = %s\n", member, Text(value).c_str());
    if (SUCCEEDED(value.hr) && std::strcmp(member, "Enabled") == 0)
      running = value.result.vt == VT_BOOL && value.result.boolVal != VARIANT_FALSE;
  }
  return running;
}

// A name as the automation object compares it: without regard to case.
std::string Folded(std::string name) {
  for (char& c : name)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return name;
}

// The automation object finds a module by its name, and of several of one
// name the last: the others cannot be asked. named counts the modules
// under each folded name.
std::string Unreachable(const std::map<std::string, int>& named, const std::string& name) {
  auto found = named.find(Folded(name));
  if (found == named.end() || found->second < 2)
    return {};
  return "not asked: " + std::to_string(found->second) + " modules are named \"" + Shown(name) +
         "\", and that name reaches only the last";
}

int Run(const std::string& workingFile, const std::string& inputWav, const std::string& outputWav,
        int milliseconds) {
  // The input lasts longer than the run, so that the device never runs dry.
  if (!WriteTone(inputWav, milliseconds + 1000)) {
    std::fprintf(stderr, "vornapp_runfile: cannot write %s: %s\n", inputWav.c_str(), std::strerror(errno));
    return 2;
  }
  std::printf("input: %s, a rising tone, 16-bit mono, %d samples per second\n", inputWav.c_str(), kToneRate);
  setenv("PLATFORM_AUDIO", "sim", 1);
  setenv("PLATFORM_AUDIO_IN", inputWav.c_str(), 1);
  setenv("PLATFORM_AUDIO_OUT", outputWav.c_str(), 1);

  CLSID clsid{};
  CComPtr<IDispatch> app;
  HRESULT hr = CLSIDFromProgID(u"Vorn.Application", &clsid);
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&app));
  if (FAILED(hr)) {
    // A registry that cannot be read says so, rather than that nothing is
    // registered in it.
    if (std::string fault = RegistryFault(); !fault.empty())
      std::fprintf(stderr, "vornapp_runfile: Vorn.Application cannot be made (%s): %s\n", Hex(hr).c_str(),
                   fault.c_str());
    else
      std::fprintf(stderr, "vornapp_runfile: Vorn.Application cannot be made (%s); is it registered?\n",
                   Hex(hr).c_str());
    return 2;
  }
  hr = Method(app, "OpenFile", {CComVariant(workingFile.c_str())}).hr;
  if (FAILED(hr)) {
    std::fprintf(stderr, "vornapp_runfile: OpenFile(%s) failed (%s)\n", workingFile.c_str(), Hex(hr).c_str());
    return 2;
  }

  Call count = Get(app, "ModuleCount");
  LONG modules = 0;
  CComVariant number;
  if (SUCCEEDED(count.hr) && SUCCEEDED(VariantChangeType(&number, &count.result, 0, VT_I4)))
    modules = number.lVal;
  std::printf("\n%s, opened through Vorn.Application on %s:\n", workingFile.c_str(), Text(Get(app, "HostName")).c_str());
  std::printf("  %ld module(s):\n", static_cast<long>(modules));
  StoredModel stored = ReadStoredModel(workingFile);
  std::vector<CComPtr<IDispatch>> wrappers;
  std::vector<std::string> names;
  std::map<std::string, int> named;  // modules under each name as it is compared
  for (LONG i = 0; i < modules; ++i) {
    wrappers.emplace_back(ObjectOf(Get(app, "Modules", {CComVariant(i)}).result));
    names.push_back(Text(Get(wrappers.back(), "Name")));
    ++named[Folded(names.back())];
  }
  std::string microphone;
  for (std::size_t i = 0; i < wrappers.size(); ++i) {
    IDispatch* object = wrappers[i];
    const std::string& name = names[i];
    std::string type = Text(Get(object, "Type"));
    const std::string unreachable = Unreachable(named, name);
    if (type == "Microphone" && microphone.empty() && unreachable.empty())
      microphone = name;
    std::printf("    %s, a %s on %s, values:", Shown(name).c_str(), type.c_str(),
                Text(Get(object, "processor")).c_str());
    if (!unreachable.empty())
      std::printf(" (%s)", unreachable.c_str());
    else
      for (const std::string& value : stored.valueNames[name])
        std::printf(" %s=%s", Shown(value).c_str(),
                    Text(Method(app, "LoadModuleValue", {Arg(name), Arg(value)})).c_str());
    std::printf("\n");
  }
  std::vector<Connection>& connections = stored.connections;
  std::printf("  connection(s):\n");
  for (const Connection& c : connections) {
    std::string state = Unreachable(named, c.source);
    if (state.empty())
      state = Unreachable(named, c.destination);
    if (state.empty()) {
      Call connected =
          Method(app, "ModulesAreConnected", {Arg(c.source), Arg(c.destination), Arg(c.output), Arg(c.input)});
      state = connected.result.vt == VT_BOOL && connected.result.boolVal == VARIANT_TRUE
                  ? "connected"
                  : "not connected in the engine";
    }
    std::printf("    %s.%s -> %s.%s (%s)\n", Shown(c.source).c_str(), Shown(c.output).c_str(),
                Shown(c.destination).c_str(), Shown(c.input).c_str(), state.c_str());
  }

  std::printf("\nrunning for %d ms\n", milliseconds);
  hr = Put(app, "Running", CComVariant(static_cast<LONG>(-1)));
  if (FAILED(hr))
    std::printf("  Running = true failed (%s)\n", Hex(hr).c_str());
  Method(app, "Wait", {CComVariant(static_cast<float>(milliseconds))});
  std::printf("  while running:\n");
  std::vector<std::string> stalled;
  for (std::size_t i = 0; i < wrappers.size(); ++i) {
    std::printf("    %s:\n", Shown(names[i]).c_str());
    if (!ReportModuleMembers(wrappers[i]))
      stalled.push_back(names[i]);
  }
  Put(app, "Running", CComVariant(static_cast<LONG>(0)));
  // Sound already written plays out before the devices close with the object.
  Method(app, "Wait", {CComVariant(200.0f)});
  LONG block = microphone.empty()
                   ? 0
                   : NumberOf(Method(app, "LoadModuleValue", {Arg(microphone), CComVariant("Blocksize")}).result);
  wrappers.clear();
  app.Release();

  std::printf("\n");
  std::size_t played = ReportOutput(outputWav);
  // The speaker writes the device in buffers of 512 samples.
  std::printf("moved: %zu samples in %zu speaker buffers of 512", played, played / 512);
  if (block > 0)
    std::printf(", from %zu blocks of %ld samples of %s", played / static_cast<std::size_t>(block),
                static_cast<long>(block), Shown(microphone).c_str());
  std::printf("\n");
  for (const std::string& name : stalled)
    std::fprintf(stderr, "vornapp_runfile: the audio device of %s could not run\n", Shown(name).c_str());
  return stalled.empty() ? 0 : 3;
}

// Whether two paths name one file: the same file when both exist, else the
// same place once resolved as far as the file system goes.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error))
    return fs::equivalent(a, b, error);
  fs::path first = fs::weakly_canonical(a, error);
  if (error)
    first = fs::absolute(a, error).lexically_normal();
  fs::path second = fs::weakly_canonical(b, error);
  if (error)
    second = fs::absolute(b, error).lexically_normal();
  return first == second;
}

// The argument in full as a number of milliseconds, within what a run may last.
bool ParseMilliseconds(const char* text, int& milliseconds) {
  const char* end = text + std::char_traits<char>::length(text);
  auto [stop, error] = std::from_chars(text, end, milliseconds);
  return error == std::errc{} && stop == end && milliseconds > 0 && milliseconds <= 600000;
}

constexpr const char* kUsage = "usage: vornapp_runfile WORKING_FILE INPUT_WAV OUTPUT_WAV MILLISECONDS\n";

}  // namespace

int main(int argc, char** argv) {
  int milliseconds = 0;
  if (argc != 5 || !ParseMilliseconds(argv[4], milliseconds)) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  // The tone and the output are written over whatever the paths name, so
  // none of the three may be another of them.
  const char* const roles[] = {"WORKING_FILE", "INPUT_WAV", "OUTPUT_WAV"};
  for (int i = 1; i <= 3; ++i)
    for (int j = i + 1; j <= 3; ++j)
      if (SameFile(argv[i], argv[j])) {
        std::fprintf(stderr, "vornapp_runfile: %s and %s name the same file (%s)\n", roles[i - 1], roles[j - 1],
                     argv[j]);
        std::fputs(kUsage, stderr);
        return 1;
      }
  // What the run writes is a file: a device or a directory there would be
  // written for ever, or not at all.
  for (int i = 2; i <= 3; ++i) {
    struct stat info {};
    if (stat(argv[i], &info) == 0 && !S_ISREG(info.st_mode)) {
      std::fprintf(stderr, "vornapp_runfile: %s is not a regular file (%s)\n", roles[i - 1], argv[i]);
      std::fputs(kUsage, stderr);
      return 1;
    }
  }
  // A working file is opened, never made here: a mistyped name is no model.
  struct stat working {};
  const bool found = stat(argv[1], &working) == 0;
  if (!found || !S_ISREG(working.st_mode)) {
    const char* why = found ? "not a regular file" : std::strerror(errno);
    std::fprintf(stderr, "vornapp_runfile: cannot open the working file %s: %s\n", argv[1], why);
    return 2;
  }
  // Line by line, so that the report and the messages on standard error
  // come in the order they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  CoInitialize(nullptr);
  int status = Run(argv[1], argv[2], argv[3], milliseconds);
  CoUninitialize();
  return status;
}
