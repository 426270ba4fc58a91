// Playing a tape image as pulses. Each block is a run of steps (a pulse, a
// sample or a stretch of pause) with a length in T-states and the level the
// EAR input has meanwhile; the tape keeps only where it stands (block, step,
// the T-state the step ends), so finding the level at a read costs a
// comparison, and catching up walks the steps passed since the last read.
#include "machine/tape_signal.h"

#include <utility>

namespace {

// A steady loop reading the EAR port reads it thousands of times a frame;
// the ROM's keyboard scan reads the port a handful of times. More reads than
// this within one frame while the tape is held count as listening.
constexpr std::uint32_t kListenReads = 200;

// Blocks that only steer the tape (levels, loops, jumps, calls) passed in a
// row without one that plays: far more than any tape has, loops of empty
// bodies included, so only a file whose jumps go round in a circle meets it.
constexpr std::uint32_t kMostSteeringSteps = 1u << 20;

struct Step {
  std::uint32_t tstates;
  StepLevel level;
};

std::uint32_t DataBits(const SignalBlock& block) {
  if (block.length == 0) return 0;
  return static_cast<std::uint32_t>((block.length - 1) * 8 + block.last_bits);
}

bool DataBit(const TapeImage& image, const SignalBlock& block, std::uint32_t bit) {
  const std::uint8_t byte = image.bytes[block.first + bit / 8];
  return ((byte >> (7 - bit % 8)) & 1u) != 0;
}

// Steps of a block before its pause.
std::uint32_t MainSteps(const SignalBlock& block) {
  switch (block.kind) {
    case SignalKind::data:
      return block.pilot_count + (block.has_sync ? 2u : 0u) + 2 * DataBits(block);
    case SignalKind::direct:
      return DataBits(block);  // one step per sample
    case SignalKind::pure_tone:
    case SignalKind::pulses:
    case SignalKind::recorded:
      return block.count;
    default:
      return 0;
  }
}

// Step `step` of the block; false past its last. The pause after a block
// starts with an edge that ends the last pulse, then holds the level low
// (1 ms of the first, the rest low), as recorded tapes do.
bool StepOf(const TapeImage& image, const SignalBlock& block, std::uint32_t step, Step& out) {
  const std::uint32_t main = MainSteps(block);
  if (step < main) {
    switch (block.kind) {
      case SignalKind::data: {
        if (step < block.pilot_count) {
          out = {block.pilot_pulse, StepLevel::toggle};
          return true;
        }
        std::uint32_t k = step - block.pilot_count;
        if (block.has_sync) {
          if (k < 2) {
            out = {k == 0 ? block.sync1 : block.sync2, StepLevel::toggle};
            return true;
          }
          k -= 2;
        }
        out = {DataBit(image, block, k / 2) ? block.one : block.zero, StepLevel::toggle};
        return true;
      }
      case SignalKind::pure_tone:
        out = {block.pilot_pulse, StepLevel::toggle};
        return true;
      case SignalKind::pulses: {
        const std::size_t at = block.first + 2 * std::size_t{step};
        out = {static_cast<std::uint32_t>(image.bytes[at] | image.bytes[at + 1] << 8), StepLevel::toggle};
        return true;
      }
      case SignalKind::direct:
        out = {block.sample_tstates, DataBit(image, block, step) ? StepLevel::high : StepLevel::low};
        return true;
      case SignalKind::recorded: {
        const std::uint32_t word = image.words[block.first + step];
        out = {word & kLongestStep, static_cast<StepLevel>(word >> kStepLevelShift)};
        return true;
      }
      default:
        return false;
    }
  }
  if (block.pause_ms == 0) return false;
  if (step == main) {
    out = {kTStatesPerMs, StepLevel::toggle};
    return true;
  }
  if (step == main + 1 && block.pause_ms > 1) {
    out = {(block.pause_ms - 1) * kTStatesPerMs, StepLevel::low};
    return true;
  }
  return false;
}

// Starts a step at T-state `at`. Every step lasts at least one T-state, so
// catching up is bounded by the time passed whatever the image holds.
void BeginStep(TapeSignal& tape, const Step& step, std::uint64_t at) {
  switch (step.level) {
    case StepLevel::toggle: tape.level = !tape.level; break;
    case StepLevel::keep: break;
    case StepLevel::low: tape.level = false; break;
    case StepLevel::high: tape.level = true; break;
  }
  tape.step_end = at + (step.tstates == 0 ? 1 : step.tstates);
}

void StopAtEnd(TapeSignal& tape) {
  tape.step = 0;
  tape.playing = false;
  tape.held = false;
  tape.level = false;
}

// A call block's targets, read from the image's words.
std::size_t CallTarget(const TapeImage& image, const SignalBlock& call, std::uint32_t k) {
  return image.words[call.first + k];
}

// Enters block `tape.block` at T-state `at`, running the blocks that only
// steer the tape (level, loops, jumps, calls, stops) on the way to one with
// steps.
void EnterBlock(TapeSignal& tape, std::uint64_t at) {
  const std::vector<SignalBlock>& blocks = tape.image->blocks;
  tape.held = false;
  for (std::uint32_t steering = 0;; ++steering) {
    if (tape.block >= blocks.size()) {
      StopAtEnd(tape);
      return;
    }
    if (steering == kMostSteeringSteps) {
      tape.playing = false;
      return;
    }
    const SignalBlock& block = blocks[tape.block];
    tape.step = 0;
    switch (block.kind) {
      case SignalKind::stop:
        ++tape.block;
        tape.playing = false;
        return;
      case SignalKind::jump:
        tape.block = block.count;
        continue;
      case SignalKind::call:
        if (block.count == 0) {
          ++tape.block;
          continue;
        }
        tape.call_block = tape.block;
        tape.call_next = 1;
        tape.block = CallTarget(*tape.image, block, 0);
        continue;
      case SignalKind::call_return:
        // A return outside a call is passed over.
        if (tape.call_block == kNoCall) {
          ++tape.block;
        } else if (const SignalBlock& call = blocks[tape.call_block]; tape.call_next < call.count) {
          tape.block = CallTarget(*tape.image, call, tape.call_next++);
        } else {
          tape.block = tape.call_block + 1;
          tape.call_block = kNoCall;
        }
        continue;
      case SignalKind::set_level:
        tape.level = block.level != 0;
        ++tape.block;
        continue;
      case SignalKind::loop_start:
        tape.loop_block = tape.block + 1;
        tape.loop_left = block.count > 1 ? block.count - 1 : 0;
        ++tape.block;
        continue;
      case SignalKind::loop_end:
        if (tape.loop_left > 0) {
          --tape.loop_left;
          tape.block = tape.loop_block;
        } else {
          ++tape.block;
        }
        continue;
      default:
        break;
    }
    // Only the kinds that play are left; one with nothing to play (no
    // pulse, sample or pause) is passed over.
    Step first;
    if (!StepOf(*tape.image, block, 0, first)) {
      ++tape.block;
      continue;
    }
    if (IsStandardBlock(block)) {
      tape.held = true;
      tape.listen_reads = 0;
      return;
    }
    BeginStep(tape, first, at);
    return;
  }
}

void NextStep(TapeSignal& tape, std::uint64_t at) {
  const SignalBlock& block = tape.image->blocks[tape.block];
  Step next;
  if (StepOf(*tape.image, block, tape.step + 1, next)) {
    ++tape.step;
    BeginStep(tape, next, at);
    return;
  }
  ++tape.block;
  EnterBlock(tape, at);
}

// A held block starts playing at `at`.
void Release(TapeSignal& tape, std::uint64_t at) {
  tape.held = false;
  Step first;
  if (StepOf(*tape.image, tape.image->blocks[tape.block], 0, first)) BeginStep(tape, first, at);
}

}  // namespace

bool IsStandardBlock(const SignalBlock& block) {
  return block.kind == SignalKind::data && block.has_sync && block.length > 0 && block.last_bits == 8 &&
         block.pilot_pulse == kPilotPulse && block.sync1 == kSync1Pulse && block.sync2 == kSync2Pulse &&
         block.zero == kZeroPulse && block.one == kOnePulse;
}

SignalBlock StandardBlock(std::size_t first, std::size_t length, std::uint8_t flag) {
  SignalBlock block;
  block.pilot_count = flag < 0x80 ? kHeaderPilotPulses : kDataPilotPulses;
  block.kind = SignalKind::data;
  block.id = 0x10;
  block.first = first;
  block.length = length;
  block.pause_ms = kStandardPauseMs;
  return block;
}

void InsertTapeSignal(TapeSignal& tape, TapeImage image, std::uint64_t now) {
  EjectTapeSignal(tape);
  tape.image = std::make_shared<const TapeImage>(std::move(image));
  tape.inserted = true;
  RewindTape(tape, now);
  SetTapePlaying(tape, true, now);
}

void EjectTapeSignal(TapeSignal& tape) {
  // Stopped first, so the rewind leaves it stopped.
  tape.playing = false;
  RewindTape(tape, 0);
  tape.image = NoTapeImage();
  tape.inserted = false;
}

void SetTapePlaying(TapeSignal& tape, bool playing, std::uint64_t now) {
  if (!playing || !tape.inserted || tape.block >= tape.image->blocks.size()) {
    tape.playing = false;
    return;
  }
  if (tape.playing) return;
  tape.playing = true;
  // The recorder starts within the block it stopped in, at the step it
  // stopped on; a block not yet begun is entered afresh.
  if (tape.step == 0 && !tape.held) {
    EnterBlock(tape, now);
  } else if (!tape.held) {
    tape.step_end = now + 1;
  }
}

void RewindTape(TapeSignal& tape, std::uint64_t now) {
  const bool was_playing = tape.playing;
  tape.playing = false;
  tape.held = false;
  tape.level = false;
  tape.block = 0;
  tape.step = 0;
  tape.loop_left = 0;
  tape.call_block = kNoCall;
  if (was_playing) SetTapePlaying(tape, true, now);
}

void AdvanceTape(TapeSignal& tape, std::uint64_t now) {
  while (tape.playing && !tape.held && tape.step_end <= now) NextStep(tape, tape.step_end);
}

bool TapeEarLevel(TapeSignal& tape, std::uint64_t now) {
  if (tape.held) {
    if (++tape.listen_reads < kListenReads) return tape.level;
    Release(tape, now);
  }
  AdvanceTape(tape, now);
  return tape.level;
}

void TapeFrameEnd(TapeSignal& tape, std::uint64_t frame_tstates) {
  tape.clock += frame_tstates;
  tape.listen_reads = 0;
  if (tape.playing) AdvanceTape(tape, tape.clock);
}

const SignalBlock* NextTrapBlock(const TapeSignal& tape, std::size_t& index) {
  if (!tape.playing) return nullptr;
  const std::vector<SignalBlock>& blocks = tape.image->blocks;
  std::size_t at = tape.block;
  // A block whose pilot has played out is lost to the ROM too: it would
  // find the next one.
  if (at < blocks.size() && !tape.held && blocks[at].kind == SignalKind::data &&
      tape.step >= blocks[at].pilot_count) {
    ++at;
  }
  for (; at < blocks.size(); ++at) {
    switch (blocks[at].kind) {
      case SignalKind::pause:
      case SignalKind::set_level:
      case SignalKind::loop_start:
      case SignalKind::loop_end:
        continue;
      case SignalKind::data:
        if (!IsStandardBlock(blocks[at])) return nullptr;
        index = at;
        return &blocks[at];
      default:
        return nullptr;
    }
  }
  return nullptr;
}

void SkipPastBlock(TapeSignal& tape, std::size_t index, std::uint64_t now) {
  tape.block = index + 1;
  EnterBlock(tape, now);
}
