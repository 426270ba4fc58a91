// The tape as a sound: an image's blocks (TAP blocks, TZX blocks) turned
// into the EAR input's level at each T-state, as a tape recorder would play
// them into the 48K's EAR socket. No file knowledge: the readers in
// snapshots/ fill a TapeImage, the port bus asks for the level at each read
// from an even port, the emulation loop moves the clock at frame ends and the
// tape trap skips the blocks it serves.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "machine/loader_watch.h"

// Standard ROM timings (SAVE), in T-states of the 3.5 MHz clock.
constexpr std::uint16_t kPilotPulse = 2168;
constexpr std::uint16_t kHeaderPilotPulses = 8063;  // flag below 80h
constexpr std::uint16_t kDataPilotPulses = 3223;
constexpr std::uint16_t kSync1Pulse = 667;
constexpr std::uint16_t kSync2Pulse = 735;
constexpr std::uint16_t kZeroPulse = 855;
constexpr std::uint16_t kOnePulse = 1710;
constexpr std::uint16_t kStandardPauseMs = 1000;
constexpr std::uint32_t kTStatesPerMs = 3500;
constexpr std::uint32_t kTStatesPerSecond = 3'500'000;
constexpr std::size_t kNoCall = static_cast<std::size_t>(-1);

enum class SignalKind : std::uint8_t {
  data,        // pilot, two sync pulses (has_sync), bits of two pulses each
  pure_tone,   // count pulses of pilot_pulse
  pulses,      // count pulses, their 16-bit lengths at first
  direct,      // samples of sample_tstates each, one per data bit
  recorded,    // count steps, their words (RecordedStep) at words[first]
  pause,       // only the pause
  stop,        // the tape stops here (pause 0, or "stop if in 48K mode")
  set_level,   // the level becomes `level`
  loop_start,  // the blocks up to loop_end play `count` times
  loop_end,
  jump,        // the tape goes on at block `count`
  call,        // the blocks at `count` indexes (words[first] on) play in
               // turn, each up to a call_return, then the block after this
  call_return,
};

// How a step starts: with an edge, keeping the level, or at a given level.
enum class StepLevel : std::uint8_t { toggle, keep, low, high };

// A recorded step as one word: its length in T-states below bit 30, how it
// starts in bits 30-31. Recordings (CSW, PZX, WAVE, TZX 18h and 19h) are
// turned into these when read, so every one plays through the same steps.
constexpr unsigned kStepLevelShift = 30;
constexpr std::uint32_t kLongestStep = (1u << kStepLevelShift) - 1;
constexpr std::uint32_t RecordedStep(std::uint32_t tstates, StepLevel level) {
  return tstates | static_cast<std::uint32_t>(level) << kStepLevelShift;
}

struct SignalBlock {
  SignalKind kind = SignalKind::pause;
  std::uint8_t id = 0;          // the TZX block id; 10h for TAP blocks
  bool has_sync = true;
  std::uint8_t last_bits = 8;   // bits used in the last data byte, 1-8
  std::uint8_t level = 0;
  std::uint16_t pilot_pulse = kPilotPulse;
  std::uint16_t sync1 = kSync1Pulse;
  std::uint16_t sync2 = kSync2Pulse;
  std::uint16_t zero = kZeroPulse;
  std::uint16_t one = kOnePulse;
  std::uint16_t sample_tstates = 0;
  std::uint32_t pilot_count = 0;
  std::uint32_t count = 0;      // pulses, steps, loop repetitions, calls, or the jump's block
  std::uint32_t pause_ms = 0;
  std::size_t first = 0;        // data bytes or pulse lengths in TapeImage.bytes, words in TapeImage.words
  std::size_t length = 0;       // in bytes
};

struct TapeImage {
  std::vector<std::uint8_t> bytes;  // the file as read; blocks point into it
  std::vector<SignalBlock> blocks;
  // Recorded steps and call targets, made when the file was read.
  std::vector<std::uint32_t> words;
  // The file's name without its folder, for the player to see which tape is in.
  std::string name;
};

// The empty image of a recorder without a tape, one for the whole run.
inline const std::shared_ptr<const TapeImage>& NoTapeImage() {
  static const std::shared_ptr<const TapeImage> empty = std::make_shared<const TapeImage>();
  return empty;
}

// The inserted tape and where it stands. `playing` is the recorder's PLAY
// key (the user's "Play Tape"); `moving` is its motor, which turns only
// while a loader is timing the EAR input's edges (loader_watch.h) and for a
// second after, so a tape inserted before LOAD "" keeps its first block
// whatever kind it is, and a game waiting for a key between two loads does
// not play the next one away. While the motor stands, the current step
// keeps `step_left` T-states to go; while it turns, it ends at `step_end`.
// The image never changes while it is in: it is shared, not held by value,
// so a copy of the machine's hardware (Rewind keeps them) costs the
// position only, never the tape.
struct TapeSignal {
  std::shared_ptr<const TapeImage> image = NoTapeImage();
  bool inserted = false;
  bool playing = false;
  bool moving = false;
  bool level = false;
  // The current block has not been entered yet (its first step not begun):
  // at the start, after a rewind and after a stop block.
  bool fresh = true;
  std::size_t block = 0;        // the block playing; blocks.size() at the end
  std::uint32_t step = 0;       // the pulse (or sample) within the block
  std::uint64_t step_end = 0;
  std::uint64_t step_left = 0;
  std::uint64_t move_until = 0;  // the motor stops here unless a loader runs on
  std::uint64_t clock = 0;      // T-states of the frames closed so far
  std::size_t loop_block = 0;   // first block of the loop body
  std::uint32_t loop_left = 0;  // repetitions still to come
  std::size_t call_block = kNoCall;  // the call block being followed
  std::uint32_t call_next = 0;  // its target to go to at the next return
  LoaderWatch watch;
};

// Where a walk through the blocks stands: the block, and the loop and call
// it is in.
// The signal and the tape trap walk the same way, so the trap follows every
// loop (and any other steering block) exactly as the signal does.
struct BlockWalk {
  std::size_t block = 0;
  std::size_t loop_block = 0;
  std::uint32_t loop_left = 0;
  std::size_t call_block = kNoCall;
  std::uint32_t call_next = 0;
};

// A data block at the ROM's own timings, which LD-BYTES (and its trap) reads.
bool IsStandardBlock(const SignalBlock& block);
// A TAP block's body (flag, data, checksum) at `first` as the ROM saves it:
// standard timings, the header's long pilot for flags below 80h, 1 s pause.
SignalBlock StandardBlock(std::size_t first, std::size_t length, std::uint8_t flag);

// Puts the tape in (at its start, playing) or takes it out.
void InsertTapeSignal(TapeSignal& tape, TapeImage image, std::uint64_t now);
void EjectTapeSignal(TapeSignal& tape);
// "Play Tape": presses or releases PLAY; a tape at its end stays stopped.
// Released, the tape never moves; pressed, it moves while a loader runs.
void SetTapePlaying(TapeSignal& tape, bool playing, std::uint64_t now);
// "Rewind Tape": back to the first block; playing or not as before.
void RewindTape(TapeSignal& tape, std::uint64_t now);

// The motor keeps turning this long after the last loader read: a loader
// that stops to store a block, print a name or unpack finds the tape where it
// expects it, and a game between two loads stops it within a second.
constexpr std::uint64_t kMotorRunOn = 1000 * std::uint64_t{kTStatesPerMs};

// Starts the motor at T-state `now` (PLAY down, the motor standing).
void StartTapeMotor(TapeSignal& tape, std::uint64_t now);
// A loader is running at T-state `now`: the motor turns (when PLAY is
// down) until a second after.
inline void KeepTapeMoving(TapeSignal& tape, std::uint64_t now) {
  tape.move_until = now + kMotorRunOn;
  if (!tape.moving && tape.playing) StartTapeMotor(tape, now);
}
// Plays the tape on to T-state `now`; the motor stops a second after the
// last loader, the tape keeping its place.
void AdvanceTape(TapeSignal& tape, std::uint64_t now);
// An even-port read at T-state `now`: the EAR level (true = high).
inline bool TapeEarLevel(TapeSignal& tape, std::uint64_t now) {
  // Most reads fall within a step: nothing to catch up.
  if (tape.moving && (now >= tape.step_end || now >= tape.move_until)) AdvanceTape(tape, now);
  return tape.level;
}
// Frame end: `frame_tstates` T-states have passed in the frame just closed.
void TapeFrameEnd(TapeSignal& tape, std::uint64_t frame_tstates);

// The standard block the ROM's loader would meet next on the playing tape,
// with `walk` at it, or none when another kind that plays, a stop or the
// end comes first. Pauses, levels and loops are walked through as the
// signal would play them; a block whose pilot has already played is lost
// to the ROM too, which would find the one after.
const SignalBlock* NextTrapBlock(const TapeSignal& tape, BlockWalk& walk);
// The trap has served the block at `walk`: the tape stands at the start of
// that block's pause, so the pause still plays before whatever follows.
void StandAtPause(TapeSignal& tape, const BlockWalk& walk, std::uint64_t now);

// The block's signal, its pause included, as samples of `sample_tstates`
// T-states (bit 7 first, 1 = high), each the level at its middle: for
// writing a block of a kind with no file form of its own as a direct
// recording. `level` is the level before the block, and after it on return;
// `samples` counts the samples.
std::vector<std::uint8_t> SampleBlock(const TapeImage& image, const SignalBlock& block,
                                      std::uint16_t sample_tstates, bool& level, std::uint64_t& samples);

// Whether the signal is running now: the machine runs at full speed
// meanwhile when "Fast-Forward While Loading" is on.
inline bool TapeRunning(const TapeSignal& tape) { return tape.moving; }
