// The speaker's device over the stepped simulation: what opens, that a
// queued buffer is never written again, and what reaches the file.
#include <gtest/gtest.h>

#include "platform/audio/tests/audiotest.h"
#include "vorn/modules/voice/speakeroutput.h"

using namespace AudioTest;
using namespace VornVoice;
using platform::audio::SimConfigure;
using platform::audio::SimStep;

namespace {

class SpeakerOutputTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(SimConfigure(Stepped("", dir.Path("out.wav")))); }
  void TearDown() override { output.Close(); }
  WavContent Written() { return ReadWav(dir.Read("out.wav")); }
  TestSupport::TempDir dir;
  SpeakerOutput output;
};

}  // namespace

TEST_F(SpeakerOutputTest, OpensOnlyRatesWithATableOfBuffers) {
  const struct {
    UINT device;
    long rate;
    MMRESULT result;
    int buffers;
  } cases[] = {
      {WAVE_MAPPER, 11025, MMSYSERR_NOERROR, 21}, {0, 44100, MMSYSERR_NOERROR, 86},
      {0, 256000, MMSYSERR_NOERROR, 500},         {0, 1535, WAVERR_BADFORMAT, 0},
      {0, 300000, WAVERR_BADFORMAT, 0},           {0, 0, WAVERR_BADFORMAT, 0},
      {7, 11025, MMSYSERR_BADDEVICEID, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    ASSERT_TRUE(output.Open(0, 11025) == MMSYSERR_NOERROR);
    EXPECT_EQ(output.Open(c.device, c.rate), c.result);
    EXPECT_EQ(output.IsOpen(), c.result == MMSYSERR_NOERROR);
    EXPECT_EQ(output.Buffers(), c.buffers);
    EXPECT_EQ(output.FreeBuffers(), c.buffers);
    if (c.result == MMSYSERR_NOERROR) {
      EXPECT_EQ(Written().rate, static_cast<std::uint32_t>(c.rate));
    }
  }
}

TEST_F(SpeakerOutputTest, AQueuedBufferIsNeverWrittenAgain) {
  ASSERT_EQ(output.Open(0, 11025), MMSYSERR_NOERROR);
  std::vector<std::int16_t> expected;
  int written = 0;
  for (int block = 0; block < 30; ++block) {
    std::vector<std::int16_t> pcm = Ramp(kBlockSize, block * kBlockSize);
    if (!output.Write(pcm.data())) break;
    expected.insert(expected.end(), pcm.begin(), pcm.end());
    ++written;
  }
  EXPECT_EQ(written, 21);
  EXPECT_EQ(output.FreeBuffers(), 0);
  EXPECT_FALSE(output.NextBufferFree());

  SimStep(kBlockSize);  // the first buffer plays out and is free again
  EXPECT_EQ(output.FreeBuffers(), 1);
  std::vector<std::int16_t> more = Ramp(kBlockSize, -20000);
  ASSERT_TRUE(output.Write(more.data()));
  expected.insert(expected.end(), more.begin(), more.end());
  EXPECT_FALSE(output.Write(more.data()));

  SimStep(22 * kBlockSize);
  EXPECT_EQ(output.FreeBuffers(), 21);
  EXPECT_EQ(Written().samples, expected);
}

TEST_F(SpeakerOutputTest, CloseStopsWhatPlaysAndAllowsAReopen) {
  ASSERT_EQ(output.Open(0, 11025), MMSYSERR_NOERROR);
  std::vector<std::int16_t> pcm = Ramp(kBlockSize);
  ASSERT_TRUE(output.Write(pcm.data()));
  output.Close();
  EXPECT_FALSE(output.IsOpen());
  EXPECT_FALSE(output.Write(pcm.data()));
  EXPECT_EQ(output.FreeBuffers(), 0);
  ASSERT_EQ(output.Open(0, 22050), MMSYSERR_NOERROR);
  EXPECT_EQ(output.FreeBuffers(), 22050 / kBlockSize);
}
