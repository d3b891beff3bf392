#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "vorn/modules/voice/playback.h"
#include "vorn/modules/voice/samplering.h"

using namespace VornVoice;

namespace {

std::vector<float> Ramp(std::size_t n, float first) {
  std::vector<float> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

std::vector<float> TakeAll(SampleRing& ring) {
  std::vector<float> out(ring.Count());
  EXPECT_TRUE(ring.Take(out.data(), out.size()));
  return out;
}

}  // namespace

TEST(SampleRing, KeepsOrderAcrossTheWrap) {
  SampleRing ring;
  std::vector<float> scratch(40000);
  ring.Append(Ramp(40000, 0).data(), 40000);
  ASSERT_TRUE(ring.Take(scratch.data(), 40000));
  // Indices now sit at 40000: the next 20000 samples wrap past the end.
  ring.Append(Ramp(20000, 1).data(), 20000);
  EXPECT_EQ(ring.Count(), 20000u);
  EXPECT_EQ(TakeAll(ring), Ramp(20000, 1));
  EXPECT_FALSE(ring.Take(scratch.data(), 1));
}

TEST(SampleRing, TakeOfMoreThanQueuedTakesNothing) {
  SampleRing ring;
  ring.Append(Ramp(511, 0).data(), 511);
  std::vector<float> block(512, -7.0f);
  EXPECT_FALSE(ring.Take(block.data(), 512));
  EXPECT_EQ(ring.Count(), 511u);
  EXPECT_EQ(block[0], -7.0f);
}

TEST(SampleRing, ABlockThatDoesNotFitDropsWhatWasQueued) {
  struct Case {
    std::size_t queued, appended, expectCount;
    float expectFirst;
  };
  // Appended samples start at 1000000; queued ones at 0.
  const Case cases[] = {
      {100, SampleRing::kCapacity - 100, SampleRing::kCapacity, 0},  // fills exactly
      {100, SampleRing::kCapacity - 99, SampleRing::kCapacity - 99, 1000000},
      {0, SampleRing::kCapacity, SampleRing::kCapacity, 1000000},
      // A block the size of the ring or larger keeps its newest samples.
      {10, SampleRing::kSize, SampleRing::kCapacity, 1000001},
      {10, SampleRing::kSize + 5, SampleRing::kCapacity, 1000006},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appended);
    SampleRing ring;
    ring.Append(Ramp(c.queued, 0).data(), c.queued);
    std::vector<float> block = Ramp(c.appended, 1000000);
    ring.Append(block.data(), block.size());
    ASSERT_EQ(ring.Count(), c.expectCount);
    std::vector<float> all = TakeAll(ring);
    EXPECT_EQ(all.front(), c.expectFirst);
    EXPECT_EQ(all.back(), block.back());
  }
}

TEST(Playback, BufferCountIsAboutOneSecondWithinTheTable) {
  const struct {
    long rate;
    std::optional<int> buffers;
  } cases[] = {
      {11025, 21}, {44100, 86}, {1536, 3}, {256511, 500},
      {1535, std::nullopt}, {511, std::nullopt}, {256512, std::nullopt}, {0, std::nullopt}, {-44100, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(BufferCount(c.rate), c.buffers) << c.rate;
}

TEST(Playback, SamplesAreGainedClippedAndScaledTo32000) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float sample, gain;
    int pcm;
  } cases[] = {
      {1.5f, 1.0f, 32000}, {-0.5f, 1.0f, -16000}, {-3.0f, 1.0f, -32000}, {0.25f, 2.0f, 16000},
      {0.99999f, 1.0f, 31999},  // truncated, not rounded
      {-0.99999f, 1.0f, -31999}, {0.5f, 0.0f, 0}, {nan, 1.0f, 0}, {inf, 1.0f, 32000}, {-inf, 1.0f, -32000},
      {0.1f, nan, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ToPcm(c.sample, c.gain), c.pcm) << c.sample << " x " << c.gain;
}

TEST(Playback, SamplesPerSecondReadsAsADecimalInteger) {
  const struct {
    std::u16string_view text;
    long rate;
  } cases[] = {
      {u"44100", 44100}, {u" 22050", 22050}, {u"+8000", 8000}, {u"-11025", -11025}, {u"11025.5", 11025},
      {u"", 0}, {u"Audio", 0}, {u"99999999999999999999999", std::numeric_limits<long>::max()},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSamplesPerSecond(c.text), c.rate);
}

TEST(Playback, QueueReportTellsFreeShareIdleAndFull) {
  const struct {
    int free, buffers;
    float share, idle, full;
  } cases[] = {
      {21, 21, 1.0f, 1.0f, 0.0f}, {0, 21, 0.0f, 0.0f, 1.0f}, {7, 21, 7.0f / 21.0f, 0.0f, 0.0f},
  };
  for (const auto& c : cases) {
    QueueReport r = ReportQueue(c.free, c.buffers);
    EXPECT_FLOAT_EQ(r.freeShare, c.share);
    EXPECT_EQ(r.idle, c.idle);
    EXPECT_EQ(r.full, c.full);
  }
}
