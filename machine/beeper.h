// The Spectrum's own speaker: bit 4 of every byte written to an even port
// drives it, bit 3 (MIC) leaks a small level of its own into it. PortWrite
// records each change of level with its T-state in the frame; at each frame
// end the emulation loop turns the frame's changes into samples at the sound
// output's rate, which the program then plays or writes to a file.
#pragma once
#include <array>
#include <cstdint>

constexpr int kCpuClockHz = 3500000;
constexpr int kDefaultBeeperRate = 48000;
// The highest output rate a frame's sample block is sized for.
constexpr int kMaxBeeperRate = 48000;
// Levels in units of the MIC's: on the real machine MIC moves the output
// about a tenth as far as the speaker does.
constexpr std::uint8_t kSpeakerLevel = 10;
constexpr std::uint8_t kMicLevel = 1;
// The tape's signal on EAR reaches the loudspeaker too: the loading noise.
constexpr std::uint8_t kEarLevel = 4;
// 16-bit sample swing of one level unit: a speaker square wave comes out at
// about +-7,500, leaving headroom for the speech mixed with it.
constexpr int kBeeperUnitAmplitude = 1500;
// An OUT takes at least 11 T-states, so a frame (69,888 T plus the last
// instruction's overshoot) holds fewer than 6,400 changes.
constexpr int kBeeperEventCapacity = 8192;
// A frame is cut at twice its length (the loop never runs that long); its
// samples at the highest rate fit this block.
constexpr int kLongestBeeperFrame = 2 * 69888;
constexpr int kBeeperBlockCapacity =
    static_cast<int>(static_cast<std::int64_t>(kLongestBeeperFrame) * kMaxBeeperRate / kCpuClockHz) + 2;

struct BeeperEvent {
  std::int32_t tstate;  // position in the frame
  std::uint8_t level;   // from here on
};

struct Beeper {
  int sample_rate = kDefaultBeeperRate;
  // The Emulation menu's "Sound": whether the window plays the beeper.
  bool sound_on = true;
  // Level changes of the frame running, in T-state order.
  std::array<BeeperEvent, kBeeperEventCapacity> events{};
  int event_count = 0;
  std::uint8_t level = 0;        // the latest level: port output plus EAR
  std::uint8_t ula_level = 0;    // of the last byte written to the ULA
  std::uint8_t ear_level = 0;    // of the tape signal as last read on EAR
  std::uint8_t frame_level = 0;  // the level the frame running started with
  // The sample being built across the frame boundary: how much of its span
  // is covered (in T-states times the rate) and the level summed over it.
  std::int64_t covered = 0;
  std::int64_t covered_sum = 0;
  // DC-blocking filter: last input and output, and the pole for the rate.
  float dc_input = 0.0f;
  float dc_output = 0.0f;
  float dc_pole = 0.99792f;  // for 48 kHz; ResetBeeper sets it for the rate
  // The samples of the frame that ended last, signed 16-bit mono.
  std::array<std::int16_t, kBeeperBlockCapacity> block{};
  int block_size = 0;
};

// Start state for a rate (11,025 to 48,000 Hz): no sound, no changes pending,
// "Sound" on.
void ResetBeeper(Beeper& beeper, int sample_rate = kDefaultBeeperRate);

inline std::uint8_t BeeperLevel(std::uint8_t ula_byte) {
  return static_cast<std::uint8_t>(((ula_byte >> 4) & 1) * kSpeakerLevel + ((ula_byte >> 3) & 1) * kMicLevel);
}

// A change of the loudspeaker's level at tstate (its position in the frame).
inline void BeeperLevelChange(Beeper& beeper, std::int32_t tstate, std::uint8_t level) {
  if (level == beeper.level) return;
  beeper.level = level;
  // Never full in a frame of normal length; a runaway frame keeps its last
  // level rather than writing past the table.
  const int at = beeper.event_count < kBeeperEventCapacity ? beeper.event_count++ : kBeeperEventCapacity - 1;
  beeper.events[static_cast<std::size_t>(at)] = BeeperEvent{tstate, level};
}

// PortWrite on an even port: note the level if it changed. tstate is the
// write's position in the frame.
inline void BeeperWrite(Beeper& beeper, std::int32_t tstate, std::uint8_t ula_byte) {
  beeper.ula_level = BeeperLevel(ula_byte);
  BeeperLevelChange(beeper, tstate, static_cast<std::uint8_t>(beeper.ula_level + beeper.ear_level));
}

// PortRead on an even port while a tape plays: the signal the program reads
// is heard as well. Loaders read EAR every few dozen T-states, so following
// it at the reads traces the tape's pulses closely enough to hear them.
inline void BeeperEar(Beeper& beeper, std::int32_t tstate, bool ear) {
  beeper.ear_level = ear ? kEarLevel : 0;
  BeeperLevelChange(beeper, tstate, static_cast<std::uint8_t>(beeper.ula_level + beeper.ear_level));
}

// Frame end: the first frame_length T-states of level changes become
// beeper.block (each sample the mean level over the T-states it covers, a
// part-covered sample carried into the next frame), DC-blocked so a level
// held for long is silence. Changes at or past frame_length move into the
// next frame.
void EndBeeperFrame(Beeper& beeper, std::int32_t frame_length);

// The output stream's length regulation: resamples `in` (count samples,
// `previous` the sample before them) to out_count samples by linear
// interpolation, so a block can be stretched or shrunk by a few samples
// without a step at either end.
void ResampleBlock(const std::int16_t* in, int count, std::int16_t previous, std::int16_t* out,
                   int out_count);

// The output stream's length regulation: how many samples a block of
// `count` should become so the samples waiting for the device (`buffered`)
// stay near `target` while the host's and the sound card's clocks drift
// apart. The blocks follow the pace the device takes them at (measured
// over windows of blocks, `taken` being what it took since the last
// block), plus a pull towards the target; never more than a sixteenth of
// the block either way.
struct BeeperRegulator {
  double buffered = 0;  // smoothed over the device's bites
  double pace = 1.0;    // samples taken per sample given, as learnt
  bool pace_known = false;
  int window_blocks = 0;
  std::int64_t window_taken = 0;
  std::int64_t window_given = 0;
  double carry = 0;     // the fraction of a sample not yet given
};
// The stream starts (again) with this many samples waiting.
void StartRegulator(BeeperRegulator& regulator, int buffered);
int RegulatedBlockSize(BeeperRegulator& regulator, int count, int buffered, int taken, int target);
