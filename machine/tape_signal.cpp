// Playing a tape image as pulses. Each block is a run of steps (a pulse, a
// sample or a stretch of pause) with a length in T-states and the level the
// EAR input has meanwhile; the tape keeps only where it stands (block, step,
// the T-state the step ends), so finding the level at a read costs a
// comparison, and catching up walks the steps passed since the last read.
#include "machine/tape_signal.h"

#include <utility>

namespace {

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
  tape.step_left = step.tstates == 0 ? 1 : step.tstates;
  tape.step_end = at + tape.step_left;
}

void StopPlaying(TapeSignal& tape) {
  tape.playing = false;
  tape.moving = false;
  tape.fresh = true;
  tape.step = 0;
}

// A call block's targets, read from the image's words.
std::size_t CallTarget(const TapeImage& image, const SignalBlock& call, std::uint32_t k) {
  return image.words[call.first + k];
}

// `circle`: steering blocks that go round without reaching one that plays.
enum class WalkEnd : std::uint8_t { playable, stop, circle, end };

// Walks from walk.block through the blocks that only steer the tape (level,
// loops, jumps, calls) and those with nothing to play, to the first one
// with steps; `level` (when given) follows the level blocks passed.
WalkEnd WalkToPlayable(const TapeImage& image, BlockWalk& walk, bool* level) {
  const std::vector<SignalBlock>& blocks = image.blocks;
  for (std::uint32_t steering = 0;; ++steering) {
    if (walk.block >= blocks.size()) return WalkEnd::end;
    if (steering == kMostSteeringSteps) return WalkEnd::circle;
    const SignalBlock& block = blocks[walk.block];
    switch (block.kind) {
      case SignalKind::stop: return WalkEnd::stop;
      case SignalKind::jump:
        walk.block = block.count;
        continue;
      case SignalKind::call:
        if (block.count == 0) {
          ++walk.block;
          continue;
        }
        walk.call_block = walk.block;
        walk.call_next = 1;
        walk.block = CallTarget(image, block, 0);
        continue;
      case SignalKind::call_return:
        // A return outside a call is passed over.
        if (walk.call_block == kNoCall) {
          ++walk.block;
        } else if (const SignalBlock& call = blocks[walk.call_block]; walk.call_next < call.count) {
          walk.block = CallTarget(image, call, walk.call_next++);
        } else {
          walk.block = walk.call_block + 1;
          walk.call_block = kNoCall;
        }
        continue;
      case SignalKind::set_level:
        if (level != nullptr) *level = block.level != 0;
        ++walk.block;
        continue;
      case SignalKind::loop_start:
        walk.loop_block = walk.block + 1;
        walk.loop_left = block.count > 1 ? block.count - 1 : 0;
        ++walk.block;
        continue;
      case SignalKind::loop_end:
        if (walk.loop_left > 0) {
          --walk.loop_left;
          walk.block = walk.loop_block;
        } else {
          ++walk.block;
        }
        continue;
      default:
        break;
    }
    Step first;
    if (StepOf(image, block, 0, first)) return WalkEnd::playable;
    ++walk.block;
  }
}

BlockWalk WalkOf(const TapeSignal& tape) {
  return {tape.block, tape.loop_block, tape.loop_left, tape.call_block, tape.call_next};
}

void TakeWalk(TapeSignal& tape, const BlockWalk& walk) {
  tape.block = walk.block;
  tape.loop_block = walk.loop_block;
  tape.loop_left = walk.loop_left;
  tape.call_block = walk.call_block;
  tape.call_next = walk.call_next;
}

// Enters block `tape.block` at T-state `at`, walking to one with steps.
void EnterBlock(TapeSignal& tape, std::uint64_t at) {
  BlockWalk walk = WalkOf(tape);
  const WalkEnd end = WalkToPlayable(*tape.image, walk, &tape.level);
  TakeWalk(tape, walk);
  tape.step = 0;
  tape.fresh = false;
  switch (end) {
    case WalkEnd::end:
      StopPlaying(tape);
      tape.level = false;
      return;
    case WalkEnd::stop:
      ++tape.block;
      StopPlaying(tape);
      return;
    case WalkEnd::circle:
      StopPlaying(tape);
      return;
    case WalkEnd::playable: {
      Step first;
      StepOf(*tape.image, tape.image->blocks[tape.block], 0, first);
      BeginStep(tape, first, at);
      return;
    }
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
  if (tape.moving) {
    AdvanceTape(tape, now);
    if (!playing && tape.moving) {
      tape.moving = false;
      tape.step_left = tape.step_end - now;
    }
  }
  // A loader still running starts the motor at its next read.
  tape.playing = playing && tape.inserted && tape.block < tape.image->blocks.size();
}

void RewindTape(TapeSignal& tape, std::uint64_t now) {
  const bool was_playing = tape.playing;
  StopPlaying(tape);
  tape.level = false;
  tape.block = 0;
  tape.loop_left = 0;
  tape.call_block = kNoCall;
  if (was_playing) SetTapePlaying(tape, true, now);
}

void StartTapeMotor(TapeSignal& tape, std::uint64_t now) {
  tape.moving = true;
  if (tape.fresh) {
    EnterBlock(tape, now);
  } else {
    tape.step_end = now + tape.step_left;
  }
}

void AdvanceTape(TapeSignal& tape, std::uint64_t now) {
  const std::uint64_t until = now < tape.move_until ? now : tape.move_until;
  while (tape.moving && tape.step_end <= until) NextStep(tape, tape.step_end);
  if (tape.moving && now >= tape.move_until) {
    // No loader for a second: the motor stops where the tape stands.
    tape.moving = false;
    tape.step_left = tape.step_end - tape.move_until;
  }
}

void TapeFrameEnd(TapeSignal& tape, std::uint64_t frame_tstates) {
  tape.clock += frame_tstates;
  if (tape.moving) AdvanceTape(tape, tape.clock);
}

const SignalBlock* NextTrapBlock(const TapeSignal& tape, BlockWalk& walk) {
  if (!tape.playing) return nullptr;
  const std::vector<SignalBlock>& blocks = tape.image->blocks;
  walk = WalkOf(tape);
  if (!tape.fresh && walk.block < blocks.size() &&
      (blocks[walk.block].kind != SignalKind::data || tape.step >= blocks[walk.block].pilot_count)) {
    // Past the pilot (or in a pause, or inside another kind): the ROM
    // would meet the block after.
    if (blocks[walk.block].kind != SignalKind::data && blocks[walk.block].kind != SignalKind::pause &&
        tape.step < MainSteps(blocks[walk.block])) {
      return nullptr;
    }
    ++walk.block;
  }
  for (;;) {
    if (WalkToPlayable(*tape.image, walk, nullptr) != WalkEnd::playable) return nullptr;
    const SignalBlock& block = blocks[walk.block];
    if (block.kind == SignalKind::pause) {
      ++walk.block;
      continue;
    }
    return IsStandardBlock(block) ? &block : nullptr;
  }
}

void StandAtPause(TapeSignal& tape, const BlockWalk& walk, std::uint64_t now) {
  TakeWalk(tape, walk);
  tape.fresh = false;
  const SignalBlock& block = tape.image->blocks[tape.block];
  tape.step = MainSteps(block);
  Step pause;
  if (StepOf(*tape.image, block, tape.step, pause)) {
    BeginStep(tape, pause, now);
  } else {
    ++tape.block;
    EnterBlock(tape, now);
  }
}

std::vector<std::uint8_t> SampleBlock(const TapeImage& image, const SignalBlock& block,
                                      std::uint16_t sample_tstates, bool& level, std::uint64_t& samples) {
  std::vector<std::uint8_t> bits;
  samples = 0;
  std::uint64_t end = 0;
  Step step;
  TapeSignal probe;  // BeginStep's level rule, on a scratch recorder
  for (std::uint32_t k = 0; StepOf(image, block, k, step); ++k) {
    probe.level = level;
    BeginStep(probe, step, 0);
    level = probe.level;
    end += probe.step_left;
    for (; samples * sample_tstates + sample_tstates / 2 < end; ++samples) {
      if (samples % 8 == 0) bits.push_back(0);
      if (level) bits.back() |= static_cast<std::uint8_t>(0x80u >> (samples % 8));
    }
  }
  return bits;
}
