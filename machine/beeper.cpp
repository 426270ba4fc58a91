// Beeper frame conversion: the frame's level changes become samples at the
// output rate, averaged over the T-states each sample covers, then
// DC-blocked. Called by the emulation loop at each frame end; the output
// regulation helpers serve the platform's sound stream.
#include "machine/beeper.h"

#include <algorithm>
#include <cmath>

namespace {

// The DC-blocking filter's time constant: 10 ms (about 16 Hz) lets a
// speaker left high fade to silence within a twentieth of a second while
// the lowest notes keep their shape.
constexpr double kDcTimeConstantSeconds = 0.010;

constexpr int kPaceWindowBlocks = 100;
constexpr double kLargestPaceDifference = 0.1;

void EmitSample(Beeper& beeper, double mean_level) {
  const float input = static_cast<float>(mean_level * kBeeperUnitAmplitude);
  beeper.dc_output = input - beeper.dc_input + beeper.dc_pole * beeper.dc_output;
  beeper.dc_input = input;
  // Outside the block only on a frame longer than kLongestBeeperFrame, which
  // EndBeeperFrame cuts.
  if (beeper.block_size >= kBeeperBlockCapacity) return;
  const long rounded = std::lround(beeper.dc_output);
  beeper.block[static_cast<std::size_t>(beeper.block_size++)] =
      static_cast<std::int16_t>(std::clamp(rounded, -32768L, 32767L));
}

// `tstates` T-states at `level`: completes samples as their spans fill.
void HoldLevel(Beeper& beeper, std::int64_t tstates, std::uint8_t level) {
  // Time in T-states times the rate, so a sample spans exactly kCpuClockHz
  // units and no rounding builds up.
  std::int64_t units = tstates * beeper.sample_rate;
  while (beeper.covered + units >= kCpuClockHz) {
    const std::int64_t take = kCpuClockHz - beeper.covered;
    beeper.covered_sum += take * level;
    EmitSample(beeper, static_cast<double>(beeper.covered_sum) / kCpuClockHz);
    units -= take;
    beeper.covered = 0;
    beeper.covered_sum = 0;
  }
  beeper.covered += units;
  beeper.covered_sum += units * level;
}

}  // namespace

void ResetBeeper(Beeper& beeper, int sample_rate) {
  beeper.sample_rate = std::clamp(sample_rate, 11025, kMaxBeeperRate);
  beeper.sound_on = true;
  beeper.event_count = 0;
  beeper.level = 0;
  beeper.ula_level = 0;
  beeper.ear_level = 0;
  beeper.frame_level = 0;
  beeper.covered = 0;
  beeper.covered_sum = 0;
  beeper.dc_input = 0.0f;
  beeper.dc_output = 0.0f;
  beeper.dc_pole = static_cast<float>(std::exp(-1.0 / (kDcTimeConstantSeconds * beeper.sample_rate)));
  beeper.block_size = 0;
}

void EndBeeperFrame(Beeper& beeper, std::int32_t frame_length) {
  frame_length = std::clamp(frame_length, 0, kLongestBeeperFrame);
  beeper.block_size = 0;
  std::int32_t at = 0;
  std::uint8_t level = beeper.frame_level;
  int k = 0;
  for (; k < beeper.event_count; ++k) {
    const BeeperEvent& event = beeper.events[static_cast<std::size_t>(k)];
    if (event.tstate >= frame_length) break;
    if (event.tstate > at) {
      HoldLevel(beeper, event.tstate - at, level);
      at = event.tstate;
    }
    level = event.level;
  }
  HoldLevel(beeper, frame_length - at, level);
  beeper.frame_level = level;
  // Changes past the frame's end open the next frame.
  int kept = 0;
  for (; k < beeper.event_count; ++k) {
    BeeperEvent event = beeper.events[static_cast<std::size_t>(k)];
    event.tstate -= frame_length;
    beeper.events[static_cast<std::size_t>(kept++)] = event;
  }
  beeper.event_count = kept;
}

void ResampleBlock(const std::int16_t* in, int count, std::int16_t previous, std::int16_t* out,
                   int out_count) {
  if (out_count <= 0) return;
  if (count <= 0) {
    std::fill(out, out + out_count, previous);
    return;
  }
  // Output sample j sits at (j + 1) * count / out_count on the input, where
  // position 0 is `previous` and position i + 1 is in[i]: the block ends on
  // its own last sample and starts right after the one before it.
  const double step = static_cast<double>(count) / out_count;
  for (int j = 0; j < out_count; ++j) {
    const double x = (j + 1) * step;
    const int i = std::min(static_cast<int>(x), count);
    const double fraction = x - i;
    const double a = i == 0 ? previous : in[i - 1];
    const double b = i < count ? in[i] : in[count - 1];
    out[j] = static_cast<std::int16_t>(std::lround(a + (b - a) * fraction));
  }
}

void StartRegulator(BeeperRegulator& regulator, int buffered) {
  // The pace learnt stays: it belongs to the clocks, not to this start. The
  // window running saw the stream stand still, so it is dropped.
  regulator.buffered = buffered;
  regulator.carry = 0;
  regulator.window_blocks = 0;
  regulator.window_taken = 0;
  regulator.window_given = 0;
}

int RegulatedBlockSize(BeeperRegulator& regulator, int count, int buffered, int taken, int target) {
  // The device takes whole bites of several milliseconds, so what it took
  // since the last block jumps: its pace is measured over 100 blocks (2 s),
  // and a window far off (the frames came at another rate, or stopped for
  // a while) teaches nothing.
  regulator.window_taken += taken;
  regulator.window_given += count;
  if (++regulator.window_blocks == kPaceWindowBlocks) {
    const double pace = static_cast<double>(regulator.window_taken) / static_cast<double>(regulator.window_given);
    // The first window is taken whole, later ones halfway, so the pace is
    // known after 2 s and a bite more or less in a window hardly moves it.
    if (std::fabs(pace - 1.0) < kLargestPaceDifference) {
      regulator.pace = regulator.pace_known ? (regulator.pace + pace) / 2.0 : pace;
      regulator.pace_known = true;
    }
    regulator.window_blocks = 0;
    regulator.window_taken = 0;
    regulator.window_given = 0;
  }
  // The level seen jumps with the bites too: eight blocks of smoothing.
  regulator.buffered += (buffered - regulator.buffered) / 8.0;
  // Following the pace needs no error to build up first, so a long
  // stretch away from the target (the start, a stall) winds nothing up;
  // the pull, one sample of block length per 48 of error, brings the level
  // back within a few seconds.
  const double limit = std::max(1, count / 16);
  const double pull = (target - regulator.buffered) / 48.0;
  const double wanted = std::clamp(count * (regulator.pace - 1.0) + pull + regulator.carry, -limit, limit);
  const int change = static_cast<int>(std::lround(wanted));
  regulator.carry = wanted - change;
  return count + change;
}
