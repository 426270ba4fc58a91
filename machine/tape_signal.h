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
#include <vector>

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
};

// The empty image of a recorder without a tape, one for the whole run.
inline const std::shared_ptr<const TapeImage>& NoTapeImage() {
  static const std::shared_ptr<const TapeImage> empty = std::make_shared<const TapeImage>();
  return empty;
}

// The inserted tape and where it stands. `playing` is the recorder's PLAY
// key; `held` keeps the tape at the start of a standard block until the
// machine listens (the trap takes the block, or a loop reads the EAR port),
// so a tape inserted before LOAD "" is typed keeps its first block.
// The image never changes while it is in: it is shared, not held by value,
// so a copy of the machine's hardware (Rewind keeps them) costs the
// position only, never the tape.
struct TapeSignal {
  std::shared_ptr<const TapeImage> image = NoTapeImage();
  bool inserted = false;
  bool playing = false;
  bool held = false;
  bool level = false;
  std::size_t block = 0;        // the block playing; blocks.size() at the end
  std::uint32_t step = 0;       // the pulse (or sample) within the block
  std::uint64_t step_end = 0;   // the T-state at which the current step ends
  std::uint64_t clock = 0;      // T-states of the frames closed so far
  std::size_t loop_block = 0;   // first block of the loop body
  std::uint32_t loop_left = 0;  // repetitions still to come
  std::size_t call_block = kNoCall;  // the call block being followed
  std::uint32_t call_next = 0;  // its target to go to at the next return
  std::uint32_t listen_reads = 0;  // EAR reads this frame while held
};

// A data block at the ROM's own timings, which LD-BYTES (and its trap) reads.
bool IsStandardBlock(const SignalBlock& block);
// A TAP block's body (flag, data, checksum) at `first` as the ROM saves it:
// standard timings, the header's long pilot for flags below 80h, 1 s pause.
SignalBlock StandardBlock(std::size_t first, std::size_t length, std::uint8_t flag);

// Puts the tape in (at its start, playing) or takes it out.
void InsertTapeSignal(TapeSignal& tape, TapeImage image, std::uint64_t now);
void EjectTapeSignal(TapeSignal& tape);
// "Play Tape": starts or stops the recorder; a tape at its end stays stopped.
void SetTapePlaying(TapeSignal& tape, bool playing, std::uint64_t now);
// "Rewind Tape": back to the first block; playing or not as before.
void RewindTape(TapeSignal& tape, std::uint64_t now);

// Plays the tape on to T-state `now`.
void AdvanceTape(TapeSignal& tape, std::uint64_t now);
// An even-port read at T-state `now`: the EAR level (true = high). Counts the
// read as listening while the tape is held.
bool TapeEarLevel(TapeSignal& tape, std::uint64_t now);
// Frame end: `frame_tstates` T-states have passed in the frame just closed.
void TapeFrameEnd(TapeSignal& tape, std::uint64_t frame_tstates);

// The standard block the ROM's loader would meet next, or none when a
// non-standard data block, a stop or the end comes first, or the tape is
// not playing.
const SignalBlock* NextTrapBlock(const TapeSignal& tape, std::size_t& index);
// The trap has served block `index`: the tape goes on after it.
void SkipPastBlock(TapeSignal& tape, std::size_t index, std::uint64_t now);

// Whether the signal is running now (playing and not held): the loop runs
// at full speed meanwhile when "Fast-Forward While Loading" is on.
inline bool TapeRunning(const TapeSignal& tape) { return tape.playing && !tape.held; }
