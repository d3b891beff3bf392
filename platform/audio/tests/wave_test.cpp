// Wave input and output over the simulated devices, stepped by the tests
// (and once in real time): what opens, the buffer rules, what is recorded
// and played, and the result texts.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <deque>
#include <filesystem>
#include <thread>

#include "platform/audio/tests/audiotest.h"

using namespace AudioTest;
using platform::audio::SimConfigure;
using platform::audio::SimStep;

namespace {

struct Call {
  UINT message;
  DWORD_PTR instance;
  DWORD_PTR header;
};
std::vector<Call> g_calls;  // written on the worker only between steps

void CALLBACK RecordCall(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR header, DWORD_PTR) {
  g_calls.push_back({message, instance, header});
}

class WaveTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_calls.clear();
    dir.Write("in.wav", Wav({}, 11025));
    ASSERT_TRUE(SimConfigure(Stepped(dir.Path("in.wav"), dir.Path("out.wav"))));
  }
  TestSupport::TempDir dir;
};

TEST_F(WaveTest, OpenRefusesWhatItCannotDo) {
  struct Case {
    const char* what;
    WAVEFORMATEX format;
    UINT device;
    DWORD flags;
    MMRESULT expected;
  };
  const WAVEFORMATEX good = Pcm(11025);
  WAVEFORMATEX stereo = good, eightBit = good, noRate = good, badRate = good, slow = good;
  stereo.nChannels = 2;
  eightBit.wBitsPerSample = 8;
  noRate.nSamplesPerSec = 0;
  noRate.nAvgBytesPerSec = 0;
  badRate.nAvgBytesPerSec = 11025;
  slow = Pcm(512);
  const Case cases[] = {
      {"mapper", good, WAVE_MAPPER, CALLBACK_NULL, MMSYSERR_NOERROR},
      {"device 0", good, 0, CALLBACK_NULL, MMSYSERR_NOERROR},
      {"no such device", good, 1, CALLBACK_NULL, MMSYSERR_BADDEVICEID},
      {"stereo", stereo, 0, CALLBACK_NULL, WAVERR_BADFORMAT},
      {"8 bits", eightBit, 0, CALLBACK_NULL, WAVERR_BADFORMAT},
      {"rate 0", noRate, 0, CALLBACK_NULL, WAVERR_BADFORMAT},
      {"bytes per second", badRate, 0, CALLBACK_NULL, WAVERR_BADFORMAT},
      {"rate too low", slow, 0, CALLBACK_NULL, WAVERR_BADFORMAT},
      {"window callback", good, 0, CALLBACK_WINDOW, MMSYSERR_NOTSUPPORTED},
      {"unknown flag", good, 0, 0x00800000u, MMSYSERR_INVALFLAG},
  };
  dir.Write("in.wav", Wav(Ramp(10), 11025));
  for (const Case& c : cases) {
    HWAVEIN in = nullptr;
    HWAVEOUT out = nullptr;
    EXPECT_EQ(waveInOpen(&in, c.device, &c.format, 0, 0, c.flags), c.expected) << c.what;
    EXPECT_EQ(waveOutOpen(&out, c.device, &c.format, 0, 0, c.flags), c.expected) << c.what;
    EXPECT_EQ(in != nullptr, c.expected == MMSYSERR_NOERROR) << c.what;
    if (in) {
      EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    }
    if (out) {
      EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    }
  }
  // An input file that is no 16-bit PCM WAV of a few channels, each of two
  // bytes, fails the open, and what is wrong with which file is said.
  auto patched = [](std::string file, std::size_t at, std::uint32_t value, int bytes) {
    std::string field;
    Put(field, value, bytes);
    return file.replace(at, field.size(), field);
  };
  const std::string mono16 = Wav(Ramp(10), 11025);
  const std::string stereo16 = Wav(Ramp(10), 11025, 2);
  const struct {
    const char* what;
    std::string file;
  } badFiles[] = {
      {"not a RIFF WAVE file", "this is no sound at all"},
      {"it ends before its format", "RIFF....WAVEjunk"},
      {"65535 channels, not 1 to 8",
       patched(patched(patched(stereo16, 22, 0xFFFF, 2), 32, 0xFFFE, 2), 40, 0xFFFFFFFFu, 4)},
      {"1000 channels, not 1 to 8", patched(patched(stereo16, 22, 1000, 2), 32, 2000, 2)},
      {"0 channels, not 1 to 8", patched(mono16, 22, 0, 2)},
      {"frames of 2 bytes for 2 channel(s) of 16 bits", patched(stereo16, 32, 2, 2)},
      {"8-bit samples, not 16-bit", patched(patched(mono16, 34, 8, 2), 32, 1, 2)},
      {"24-bit samples, not 16-bit", patched(patched(mono16, 34, 24, 2), 32, 3, 2)},
      {"samples of format 3, not PCM", patched(patched(mono16, 20, 3, 2), 34, 32, 2)},
      {"a rate of 0 samples per second", patched(mono16, 24, 0, 4)},
      {"it ends inside its format chunk", mono16.substr(0, 30)},
      {"not a regular file", ""},
  };
  for (const auto& bad : badFiles) {
    std::string path = dir.Path("in.wav");
    if (bad.file.empty()) {
      std::remove(path.c_str());
      std::filesystem::create_directory(path);
    } else {
      dir.Write("in.wav", bad.file);
    }
    HWAVEIN in = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(waveInOpen(&in, 0, &good, 0, 0, 0), MMSYSERR_ERROR) << bad.what;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "simulated audio: " + path + ": " + bad.what + "\n");
    EXPECT_EQ(in, nullptr) << bad.what;
    if (in) waveInClose(in);
  }
}

// An output file has one writer at a time, until it closes; inputs may
// share their file, and outputs without one discard what they play.
TEST_F(WaveTest, OneWriterPerOutputFile) {
  const WAVEFORMATEX format = Pcm(11025);
  dir.Write("in.wav", Wav(Ramp(10), 11025));
  const struct {
    const char* what;
    bool input;
    std::string in, out;
    MMRESULT second;
  } cases[] = {
      {"output to a file", false, "", dir.Path("out.wav"), MMSYSERR_ALLOCATED},
      {"output without a file", false, "", "", MMSYSERR_NOERROR},
      {"input from a file", true, dir.Path("in.wav"), "", MMSYSERR_NOERROR},
  };
  auto open = [&](bool input, std::uintptr_t& handle) {
    return input ? waveInOpen(reinterpret_cast<HWAVEIN*>(&handle), 0, &format, 0, 0, 0)
                 : waveOutOpen(reinterpret_cast<HWAVEOUT*>(&handle), 0, &format, 0, 0, 0);
  };
  auto close = [](bool input, std::uintptr_t handle) {
    return input ? waveInClose(reinterpret_cast<HWAVEIN>(handle)) : waveOutClose(reinterpret_cast<HWAVEOUT>(handle));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(SimConfigure(Stepped(c.in, c.out)));
    std::uintptr_t first = 0, second = 0;
    ASSERT_EQ(open(c.input, first), MMSYSERR_NOERROR);
    EXPECT_EQ(open(c.input, second), c.second);
    if (second) {
      EXPECT_EQ(close(c.input, second), MMSYSERR_NOERROR);
    }
    if (!c.input) {
      Buffer buffer(100);
      buffer.Fill(Ramp(100));
      HWAVEOUT out = reinterpret_cast<HWAVEOUT>(first);
      ASSERT_EQ(waveOutPrepareHeader(out, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
      ASSERT_EQ(waveOutWrite(out, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
      SimStep(100);
      EXPECT_TRUE(buffer.Done());
      if (!c.out.empty()) {
        EXPECT_EQ(ReadWav(dir.Read("out.wav")).samples, Ramp(100));
      }
    }
    EXPECT_EQ(close(c.input, first), MMSYSERR_NOERROR);
    ASSERT_EQ(open(c.input, second), MMSYSERR_NOERROR);
    EXPECT_EQ(close(c.input, second), MMSYSERR_NOERROR);
  }

  // A device of another process is refused the file as well, and leaves
  // what this one writes whole. (Forked while no device runs a thread.)
  ASSERT_TRUE(SimConfigure(Stepped("", dir.Path("out.wav"))));
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  if (child == 0) {
    char byte = 0;
    HWAVEOUT other = nullptr;
    MMRESULT result = read(go[0], &byte, 1) == 1 ? waveOutOpen(&other, 0, &format, 0, 0, 0) : MMSYSERR_ERROR;
    if (other) waveOutClose(other);
    _exit(static_cast<int>(result));
  }
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  Buffer buffer(100);
  buffer.Fill(Ramp(100));
  ASSERT_EQ(waveOutPrepareHeader(out, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  SimStep(100);
  ASSERT_EQ(write(go[1], "x", 1), 1);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(MMSYSERR_ALLOCATED));
  EXPECT_EQ(ReadWav(dir.Read("out.wav")).samples, Ramp(100));
  EXPECT_EQ(waveOutUnprepareHeader(out, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  ::close(go[0]);
  ::close(go[1]);
}

// An output file whose header cannot be written fails the open; one that
// fills up keeps the samples before, its header matching, and takes no more.
TEST_F(WaveTest, OutputFileThatFillsUp) {
  const WAVEFORMATEX format = Pcm(11025);
  HWAVEOUT out = nullptr;
  ASSERT_TRUE(SimConfigure(Stepped("", "/dev/full")));
  EXPECT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0), MMSYSERR_ERROR);
  ASSERT_TRUE(SimConfigure(Stepped("", dir.Path("out.wav"))));
  ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  std::deque<Buffer> buffers;
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit full{44 + 200 + 50, limit.rlim_max};  // room for one buffer and a half
  auto* const oversize = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) {
    buffers.emplace_back(100);
    buffers.back().Fill(Ramp(100, 100 * i));
    EXPECT_EQ(waveOutPrepareHeader(out, &buffers.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(out, &buffers.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    SimStep(100);
    EXPECT_TRUE(buffers.back().Done()) << i;
  }
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oversize);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "simulated audio: " + dir.Path("out.wav") + ": cannot be written past 244 bytes: File too large\n")
      << "said once, with the file's name";
  WavContent written = ReadWav(dir.Read("out.wav"));
  EXPECT_EQ(written.rate, 11025u);
  EXPECT_EQ(written.samples, Ramp(100, 0));
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

// A buffer is queued only when prepared and not already queued; a queued
// one cannot be unprepared, and a device with queued buffers cannot close.
TEST_F(WaveTest, BufferRules) {
  const WAVEFORMATEX format = Pcm(11025);
  HWAVEIN in;
  HWAVEOUT out;
  ASSERT_EQ(waveInOpen(&in, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  constexpr UINT size = sizeof(WAVEHDR);
  for (bool input : {true, false}) {
    SCOPED_TRACE(input ? "input" : "output");
    auto queue = [&](WAVEHDR* h) { return input ? waveInAddBuffer(in, h, size) : waveOutWrite(out, h, size); };
    auto prepare = [&](WAVEHDR* h) { return input ? waveInPrepareHeader(in, h, size) : waveOutPrepareHeader(out, h, size); };
    auto unprepare = [&](WAVEHDR* h) {
      return input ? waveInUnprepareHeader(in, h, size) : waveOutUnprepareHeader(out, h, size);
    };
    auto reset = [&] { return input ? waveInReset(in) : waveOutReset(out); };
    auto close = [&] { return input ? waveInClose(in) : waveOutClose(out); };

    Buffer buffer(64), empty(0);
    EXPECT_EQ(queue(&buffer.header), WAVERR_UNPREPARED);
    EXPECT_EQ(buffer.header.dwFlags, 0u);
    EXPECT_EQ(prepare(&empty.header), MMSYSERR_INVALPARAM);
    EXPECT_EQ(prepare(nullptr), MMSYSERR_INVALPARAM);
    EXPECT_EQ(prepare(&buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(prepare(&buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(queue(&buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(queue(&buffer.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(unprepare(&buffer.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(close(), WAVERR_STILLPLAYING);
    EXPECT_EQ(reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(unprepare(&buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(unprepare(&buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.dwFlags, WHDR_DONE);
    EXPECT_EQ(close(), MMSYSERR_NOERROR);
    EXPECT_EQ(close(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(prepare(&buffer.header), MMSYSERR_INVALHANDLE);
  }
  // A handle of one direction is no handle of the other.
  ASSERT_EQ(waveInOpen(&in, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutReset(reinterpret_cast<HWAVEOUT>(in)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveInStart(nullptr), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

// Recording fills the queued buffers in order from the file, silence after
// its end; samples while no buffer is queued are lost; stop hands back a
// partly filled buffer; the callback sees open, every buffer and close.
TEST_F(WaveTest, RecordsTheFileInQueueOrder) {
  dir.Write("in.wav", Wav(Ramp(300), 11025, 2));
  const WAVEFORMATEX format = Pcm(11025);
  HWAVEIN in;
  ASSERT_EQ(waveInOpen(&in, 0, &format, reinterpret_cast<DWORD_PTR>(&RecordCall), 77, CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  std::deque<Buffer> buffers;
  for (int i = 0; i < 3; ++i) {
    buffers.emplace_back(128);
    ASSERT_EQ(waveInPrepareHeader(in, &buffers.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, &buffers.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  SimStep(1000);  // not started: nothing recorded, nothing read
  EXPECT_FALSE(buffers[0].Done());
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  SimStep(100);
  EXPECT_FALSE(buffers[0].Done());
  SimStep(200);
  EXPECT_TRUE(buffers[0].Done());
  EXPECT_TRUE(buffers[1].Done());
  EXPECT_FALSE(buffers[2].Done());
  EXPECT_EQ(buffers[0].header.dwBytesRecorded, 256u);
  for (std::size_t i = 0; i < 128; ++i) {
    ASSERT_EQ(buffers[0].Sample(i), static_cast<std::int16_t>(1 + i));
    ASSERT_EQ(buffers[1].Sample(i), static_cast<std::int16_t>(129 + i));
  }
  ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
  EXPECT_TRUE(buffers[2].Done());
  EXPECT_EQ(buffers[2].header.dwBytesRecorded, 88u);  // 44 samples: 257..300
  EXPECT_EQ(buffers[2].Sample(43), 300);

  // Requeued after the file's end: silence. Samples with no buffer queued
  // are dropped.
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  SimStep(500);
  buffers[0].Fill(Ramp(128));
  ASSERT_EQ(waveInAddBuffer(in, &buffers[0].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInAddBuffer(in, &buffers[1].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  SimStep(130);
  EXPECT_TRUE(buffers[0].Done());
  EXPECT_FALSE(buffers[1].Done());
  EXPECT_EQ(buffers[0].Sample(0), 0);
  EXPECT_EQ(buffers[0].Sample(127), 0);
  ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  EXPECT_TRUE(buffers[1].Done());
  EXPECT_EQ(buffers[1].header.dwBytesRecorded, 4u);
  ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);

  std::vector<UINT> messages;
  for (const Call& call : g_calls) {
    messages.push_back(call.message);
    EXPECT_EQ(call.instance, 77u);
  }
  EXPECT_EQ(messages, (std::vector<UINT>{WIM_OPEN, WIM_DATA, WIM_DATA, WIM_DATA, WIM_DATA, WIM_DATA, WIM_CLOSE}));
  EXPECT_EQ(g_calls[1].header, reinterpret_cast<DWORD_PTR>(&buffers[0].header));
}

// Playing writes the buffers' samples to the file at the open's rate, the
// header always valid; a buffer's data is taken when written; volume
// scales; time without buffers plays nothing; reset returns the rest.
TEST_F(WaveTest, PlaysIntoTheFile) {
  const WAVEFORMATEX format = Pcm(22050);
  HWAVEOUT out;
  ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  DWORD volume = 0;
  EXPECT_EQ(waveOutGetVolume(out, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0xFFFFFFFFu);
  std::deque<Buffer> buffers;
  for (int i = 0; i < 3; ++i) {
    buffers.emplace_back(100);
    buffers.back().Fill(Ramp(100, 1000 * (i + 1)));
    ASSERT_EQ(waveOutPrepareHeader(out, &buffers.back().header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveOutWrite(out, &buffers[0].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  buffers[0].Fill(Ramp(100, -5));  // too late: the device has the data
  ASSERT_EQ(waveOutWrite(out, &buffers[1].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  SimStep(150);
  EXPECT_TRUE(buffers[0].Done());
  EXPECT_FALSE(buffers[1].Done());
  SimStep(1000);  // buffer 1 ends, then an underrun that writes nothing
  EXPECT_TRUE(buffers[1].Done());
  ASSERT_EQ(waveOutSetVolume(out, 0x00008000u), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out, &buffers[2].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  SimStep(50);

  WavContent written = ReadWav(dir.Read("out.wav"));
  EXPECT_EQ(written.rate, 22050u);
  ASSERT_EQ(written.samples.size(), 250u);
  EXPECT_EQ(written.samples[0], 1000);
  EXPECT_EQ(written.samples[199], 2099);
  EXPECT_EQ(written.samples[200], 3000 * 0x8000 / 0xFFFF);
  ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
  EXPECT_TRUE(buffers[2].Done());
  ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);

  // Each open starts the file again, at its own rate.
  const WAVEFORMATEX other = Pcm(8000);
  ASSERT_EQ(waveOutOpen(&out, 0, &other, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  written = ReadWav(dir.Read("out.wav"));
  EXPECT_EQ(written.rate, 8000u);
  EXPECT_TRUE(written.samples.empty());
}

// In real time (sped up) buffers complete without steps while another
// thread polls their flags.
TEST_F(WaveTest, RealTimeClockCompletesBuffers) {
  platform::audio::SimSettings settings = Stepped();
  settings.stepped = false;
  settings.speed = 50;
  ASSERT_TRUE(SimConfigure(settings));
  const WAVEFORMATEX format = Pcm(44100);
  HWAVEIN in;
  HWAVEOUT out;
  ASSERT_EQ(waveInOpen(&in, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_FALSE(SimConfigure(Stepped()));  // not while devices are open
  std::deque<Buffer> buffers;
  for (int i = 0; i < 8; ++i) {
    buffers.emplace_back(441);
    WAVEHDR* h = &buffers.back().header;
    if (i % 2) {
      ASSERT_EQ(waveInPrepareHeader(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
      ASSERT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    } else {
      ASSERT_EQ(waveOutPrepareHeader(out, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
      ASSERT_EQ(waveOutWrite(out, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
  }
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  std::thread poller([&] {
    for (Buffer& b : buffers)
      while (!b.Done()) std::this_thread::yield();
  });
  poller.join();
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, DevicesAndCapabilities) {
  platform::audio::SimSettings settings = Stepped();
  settings.inputs = {{"First input", ""}, {"An input whose name is far longer than a product name", ""}};
  ASSERT_TRUE(SimConfigure(settings));
  EXPECT_EQ(waveInGetNumDevs(), 2u);
  EXPECT_EQ(waveOutGetNumDevs(), 1u);
  WAVEINCAPS caps{};
  ASSERT_EQ(waveInGetDevCaps(1, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), "An input whose name is far long");
  ASSERT_EQ(waveInGetDevCaps(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), "First input");
  EXPECT_EQ(caps.dwFormats & (WAVE_FORMAT_1M16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_4M16),
            WAVE_FORMAT_1M16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_4M16);
  EXPECT_EQ(waveInGetDevCaps(2, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  WAVEOUTCAPS outCaps{};
  ASSERT_EQ(waveOutGetDevCaps(0, &outCaps, sizeof outCaps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(outCaps.szPname), "Simulated output");
  EXPECT_TRUE(outCaps.dwSupport & WAVECAPS_VOLUME);
  settings.outputs.clear();
  ASSERT_TRUE(SimConfigure(settings));
  HWAVEOUT out;
  const WAVEFORMATEX format = Pcm(11025);
  EXPECT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, 0), MMSYSERR_NODRIVER);
}

TEST_F(WaveTest, ErrorTexts) {
  const MMRESULT codes[] = {MMSYSERR_NOERROR,     MMSYSERR_ERROR,      MMSYSERR_BADDEVICEID, MMSYSERR_NOTENABLED,
                            MMSYSERR_ALLOCATED,   MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER,  MMSYSERR_NOMEM,
                            MMSYSERR_NOTSUPPORTED, MMSYSERR_BADERRNUM, MMSYSERR_INVALFLAG,  MMSYSERR_INVALPARAM,
                            MMSYSERR_HANDLEBUSY,  WAVERR_BADFORMAT,    WAVERR_STILLPLAYING, WAVERR_UNPREPARED,
                            WAVERR_SYNC,          MIXERR_INVALLINE,    MIXERR_INVALCONTROL, MIXERR_INVALVALUE};
  std::vector<std::string> seen;
  for (MMRESULT code : codes) {
    char text[120];
    ASSERT_EQ(waveInGetErrorText(code, text, sizeof text), MMSYSERR_NOERROR) << code;
    char other[120];
    ASSERT_EQ(waveOutGetErrorText(code, other, sizeof other), MMSYSERR_NOERROR) << code;
    EXPECT_STREQ(text, other);
    EXPECT_NE(std::string(text), "") << code;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), text), 0) << code;
    seen.push_back(text);
  }
  char small[8] = "xxxxxxx";
  EXPECT_EQ(waveInGetErrorText(WAVERR_UNPREPARED, small, sizeof small), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(small), std::string(seen[15], 0, 7));
  EXPECT_EQ(waveInGetErrorText(999, small, sizeof small), MMSYSERR_BADERRNUM);
  EXPECT_STREQ(small, "");
  EXPECT_EQ(waveInGetErrorText(WAVERR_UNPREPARED, nullptr, 10), MMSYSERR_INVALPARAM);
}

}  // namespace
