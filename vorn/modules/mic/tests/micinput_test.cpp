// The input device over the stepped simulation: the buffers it queues, the
// blocks it delivers, and the reopen after the reader fell behind.
#include <gtest/gtest.h>

#include "platform/audio/tests/audiotest.h"
#include "vorn/modules/mic/capture.h"
#include "vorn/modules/mic/micinput.h"

using namespace AudioTest;
using namespace VornMic;
using platform::audio::SimConfigure;
using platform::audio::SimStep;

namespace {

class MicrophoneInputTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Write("in.wav", Wav(Ramp(100 * 1024, -20000), 11025));
    ASSERT_TRUE(SimConfigure(Stepped(dir.Path("in.wav"))));
  }
  TestSupport::TempDir dir;
};

TEST_F(MicrophoneInputTest, DeliversOneBlockPerRecordedBufferInOrder) {
  for (int blockSize : {kDefaultBlockSize, 1024}) {
    MicrophoneInput input;
    ASSERT_EQ(input.Open(WAVE_MAPPER, kDefaultFrequency, blockSize), MMSYSERR_NOERROR);
    EXPECT_EQ(input.PrepareFailures(), 0);
    std::vector<float> block(static_cast<std::size_t>(blockSize));
    SimStep(static_cast<DWORD>(blockSize));
    EXPECT_FALSE(input.TakeBlock(block, 1.0f)) << "recording before the start";
    ASSERT_EQ(input.Start(), MMSYSERR_NOERROR);
    SimStep(static_cast<DWORD>(2 * blockSize));
    EXPECT_EQ(input.DoneBuffers(), 2);
    for (int n = 0; n < 2; ++n) {
      const auto energy = input.TakeBlock(block, 1.0f);
      ASSERT_TRUE(energy) << blockSize;
      const int first = -20000 + n * blockSize;
      EXPECT_EQ(block.front(), first / 32768.0f);
      EXPECT_EQ(block.back(), (first + blockSize - 1) / 32768.0f);
      EXPECT_EQ(*energy, 20000.0f / 32768.0f - (n * blockSize) / 32768.0f);
    }
    EXPECT_FALSE(input.TakeBlock(block, 1.0f));
    input.Close();
    EXPECT_FALSE(input.IsOpen());
    EXPECT_FALSE(input.TakeBlock(block, 1.0f));
  }
}

TEST_F(MicrophoneInputTest, AfterAnOverrunReopensEmptyAndRecordsAgain) {
  MicrophoneInput input;
  ASSERT_EQ(input.Open(0, kDefaultFrequency, kDefaultBlockSize), MMSYSERR_NOERROR);
  input.Start();
  SimStep(49 * kDefaultBlockSize);
  EXPECT_FALSE(input.Overrun());
  SimStep(5 * kDefaultBlockSize);
  ASSERT_TRUE(input.Overrun());
  ASSERT_EQ(input.Reopen(), MMSYSERR_NOERROR);
  std::vector<float> block(kDefaultBlockSize);
  EXPECT_EQ(input.DoneBuffers(), 0);
  EXPECT_FALSE(input.TakeBlock(block, 1.0f));
  input.Start();
  SimStep(kDefaultBlockSize);
  EXPECT_TRUE(input.TakeBlock(block, 1.0f));
}

TEST_F(MicrophoneInputTest, FailedOpenLeavesItClosed) {
  MicrophoneInput input;
  EXPECT_EQ(input.Open(7, kDefaultFrequency, kDefaultBlockSize), MMSYSERR_BADDEVICEID);
  EXPECT_FALSE(input.IsOpen());
  EXPECT_EQ(input.Open(0, 0, kDefaultBlockSize), WAVERR_BADFORMAT);
  EXPECT_EQ(input.Open(0, kDefaultFrequency, 0), WAVERR_BADFORMAT);
  EXPECT_FALSE(input.IsOpen());
  EXPECT_EQ(input.Start(), MMSYSERR_INVALHANDLE);
}

}  // namespace
