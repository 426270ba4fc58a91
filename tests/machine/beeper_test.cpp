// The beeper's frame conversion: level changes at known T-states become
// samples of the right frequency, amplitude and count; a held level fades
// to silence; the output stream's stretching keeps blocks free of steps.
#include "machine/beeper.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/tone.h"

namespace {

constexpr std::int32_t kFrame = 69888;

// Frames of a speaker (or MIC) toggled every half_period T-states; the
// samples of every frame end, one after another.
std::vector<std::int16_t> Toggled(Beeper& beeper, std::int32_t half_period, std::uint8_t bit, int frames) {
  std::vector<std::int16_t> out;
  std::int64_t next = 0;
  bool high = false;
  for (int f = 0; f < frames; ++f) {
    const std::int64_t frame_start = static_cast<std::int64_t>(f) * kFrame;
    for (; next < frame_start + kFrame; next += half_period) {
      high = !high;
      BeeperWrite(beeper, static_cast<std::int32_t>(next - frame_start), high ? bit : 0);
    }
    EndBeeperFrame(beeper, kFrame);
    out.insert(out.end(), beeper.block.begin(), beeper.block.begin() + beeper.block_size);
  }
  return out;
}

TEST(BeeperTest, ToggledLevelsSoundAtTheirFrequencyAndAmplitude) {
  struct Case {
    int rate;
    std::int32_t half_period;
    std::uint8_t bit;
    int peak_low, peak_high;
    const char* what;
  } cases[] = {
      {48000, 1750, 0x10, 7000, 8500, "speaker at 1 kHz"},
      {44100, 6689, 0x10, 7000, 9000, "speaker near middle C"},
      {44100, 350, 0x10, 6000, 8500, "speaker at 5 kHz, 4.4 samples a half period"},
      {48000, 3500, 0x08, 700, 850, "MIC alone at a tenth of the speaker's level"},
      {48000, 3500, 0x18, 7700, 9300, "speaker and MIC together"},
  };
  for (const Case& c : cases) {
    auto beeper = std::make_unique<Beeper>();
    ResetBeeper(*beeper, c.rate);
    const std::vector<std::int16_t> samples = Toggled(*beeper, c.half_period, c.bit, 100);
    const double expected = kCpuClockHz / (2.0 * c.half_period);
    const Tone tone = LongestTone(samples, c.rate, c.peak_low / 4);
    EXPECT_NEAR(tone.frequency, expected, expected * 0.001) << c.what;
    EXPECT_GT(tone.end - tone.start, 1.95) << c.what << ": the tone must last the 100 frames";
    EXPECT_GE(tone.peak, c.peak_low) << c.what;
    EXPECT_LE(tone.peak, c.peak_high) << c.what;
  }
}

TEST(BeeperTest, FramesCarryPartSamplesAndAHeldLevelFadesToSilence) {
  struct Case {
    int rate;
    std::size_t samples_in_50_frames;  // 50 x 69,888 T at 3.5 MHz, the fraction left over
  } cases[] = {{48000, 47923}, {44100, 44029}, {11025, 11007}};
  for (const Case& c : cases) {
    auto beeper = std::make_unique<Beeper>();
    ResetBeeper(*beeper, c.rate);
    std::vector<std::int16_t> samples;
    BeeperWrite(*beeper, 0, 0x10);  // speaker high from the start and left there
    for (int f = 0; f < 50; ++f) {
      EndBeeperFrame(*beeper, kFrame);
      samples.insert(samples.end(), beeper->block.begin(), beeper->block.begin() + beeper->block_size);
    }
    EXPECT_EQ(samples.size(), c.samples_in_50_frames) << c.rate << " Hz";
    EXPECT_EQ(samples.front(), 10 * kBeeperUnitAmplitude) << c.rate << " Hz: the step comes out whole";
    EXPECT_LE(PeakAfter(samples, c.rate, 0.1), 40) << c.rate << " Hz: a held level must fade to silence";
  }
}

TEST(BeeperTest, EachSampleIsTheMeanLevelOverItsTStates) {
  // At 35,000 Hz a sample spans exactly 100 T-states; the first samples
  // after silence pass the DC filter unchanged.
  struct Case {
    std::int32_t tstate;
    std::uint8_t byte;
    std::int16_t first, second;
    const char* what;
  } cases[] = {
      {50, 0x10, 7500, 15000, "speaker on halfway through the first sample"},
      {25, 0x08, 1125, 1500, "MIC on a quarter in"},
      {100, 0x10, 0, 15000, "speaker on at the second sample"},
      {0, 0x07, 0, 0, "border bits make no sound"},
  };
  for (const Case& c : cases) {
    auto beeper = std::make_unique<Beeper>();
    ResetBeeper(*beeper, 35000);
    BeeperWrite(*beeper, c.tstate, c.byte);
    EndBeeperFrame(*beeper, 1000);
    ASSERT_EQ(beeper->block_size, 10) << c.what;
    EXPECT_EQ(beeper->block[0], c.first) << c.what;
    EXPECT_NEAR(beeper->block[1], c.second, c.first == 0 ? 0 : 60) << c.what;
  }

  // A change written past the frame's end (the last instruction's
  // overshoot) sounds at the start of the next frame.
  auto beeper = std::make_unique<Beeper>();
  ResetBeeper(*beeper, 35000);
  BeeperWrite(*beeper, 1050, 0x10);
  EndBeeperFrame(*beeper, 1000);
  EXPECT_EQ(beeper->block[9], 0) << "the change belongs to the next frame";
  EndBeeperFrame(*beeper, 1000);
  EXPECT_EQ(beeper->block[0], 7500) << "the change must land 50 T-states into the next frame";
}

TEST(BeeperTest, OutputBlocksStretchAndShrinkWithoutSteps) {
  std::vector<std::int16_t> ramp(960);
  for (int i = 0; i < 960; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(10 * (i + 1));
  for (int out_count : {960, 951, 969, 1020}) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(out_count));
    ResampleBlock(ramp.data(), 960, 0, out.data(), out_count);
    EXPECT_EQ(out.back(), ramp.back()) << out_count << ": the block ends on its own last sample";
    const int largest_step = 10 * 960 / out_count + 1;
    int previous = 0;
    for (int j = 0; j < out_count; ++j) {
      const int step = out[static_cast<std::size_t>(j)] - previous;
      ASSERT_TRUE(step >= 0 && step <= largest_step) << out_count << ": step of " << step << " at " << j;
      previous = out[static_cast<std::size_t>(j)];
    }
    if (out_count == 960) {
      EXPECT_EQ(out, ramp) << "an unchanged length copies the block";
    }
  }

  // One block from a fresh start, 2,880 samples aimed at.
  struct Case {
    int buffered;
    int least, most;
    const char* what;
  } cases[] = {
      {2880, 960, 960, "at the target: unchanged"},
      {2880 - 640, 962, 980, "running low: a few more"},
      {2880 + 640, 940, 958, "running high: a few fewer"},
      {0, 1000, 1020, "empty: at most a sixteenth more"},
      {50000, 900, 900, "far too full: at most a sixteenth fewer"},
  };
  for (const Case& c : cases) {
    BeeperRegulator regulator;
    StartRegulator(regulator, c.buffered);
    const int size = RegulatedBlockSize(regulator, 960, c.buffered, 960, 2880);
    EXPECT_GE(size, c.least) << c.what;
    EXPECT_LE(size, c.most) << c.what;
  }
  // A device taking 2 % more than the frames give: the blocks follow its
  // pace while the level stays at the target.
  BeeperRegulator regulator;
  StartRegulator(regulator, 2880);
  int size = 0;
  for (int block = 0; block < 1000; ++block) size = RegulatedBlockSize(regulator, 960, 2880, 979, 2880);
  EXPECT_EQ(size, 979) << "the blocks must follow the device's pace";
}

}  // namespace
