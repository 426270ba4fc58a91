// Recording what the machine saves. Pulses are kept only while a burst lasts
// (a 48K block is under a million of them); the burst then becomes one block
// and the pulses are dropped.
#include "machine/tape_recorder.h"

namespace {

// The ROM's loader needs 256 pilot pulses; so does a burst to be kept at
// all, so clicks and short sounds that happen to move MIC are no tape.
constexpr std::size_t kLeastPilotPulses = 256;
// A burst longer than this (some 4 minutes of the ROM's pulses) is cut into
// blocks, so a program toggling MIC for ever cannot fill the memory.
constexpr std::size_t kLongestBurst = 4'000'000;

// Within a quarter of the ROM's length (an eighth for the pilot).
bool Near(std::uint32_t pulse, std::uint32_t nominal, std::uint32_t fraction) {
  const std::uint32_t slack = nominal / fraction;
  return pulse + slack >= nominal && pulse <= nominal + slack;
}

void AppendBlock(TapeRecording& recording, SignalBlock block, const std::vector<std::uint8_t>& bytes) {
  TapeImage& image = recording.image;
  block.first = image.bytes.size();
  block.length = bytes.size();
  image.bytes.insert(image.bytes.end(), bytes.begin(), bytes.end());
  image.blocks.push_back(block);
}

// The burst as samples of kRecordSampleTStates, each the level at its middle.
void AppendDirect(TapeRecording& recording) {
  std::vector<std::uint8_t> bytes;
  std::uint64_t samples = 0;
  std::uint64_t pulse_end = 0;
  bool level = recording.burst_level;
  for (const std::uint32_t pulse : recording.pulses) {
    pulse_end += pulse;
    for (; samples * kRecordSampleTStates + kRecordSampleTStates / 2 < pulse_end; ++samples) {
      if (samples % 8 == 0) bytes.push_back(0);
      if (level) bytes.back() |= static_cast<std::uint8_t>(0x80u >> (samples % 8));
    }
    level = !level;
  }
  if (bytes.empty()) return;
  SignalBlock block;
  block.kind = SignalKind::direct;
  block.id = 0x15;
  block.sample_tstates = kRecordSampleTStates;
  block.last_bits = static_cast<std::uint8_t>(samples % 8 == 0 ? 8 : samples % 8);
  block.pause_ms = kStandardPauseMs;
  AppendBlock(recording, block, bytes);
}

}  // namespace

void AppendSavedBlock(TapeRecording& recording, const std::uint8_t* body, std::size_t length) {
  AppendBlock(recording, StandardBlock(0, length, body[0]), std::vector<std::uint8_t>(body, body + length));
}

void MicEdge(TapeRecording& recording, bool mic, std::uint64_t now) {
  if (mic == recording.mic) return;
  recording.mic = mic;
  if (!recording.in_burst) {
    recording.in_burst = true;
    recording.burst_level = mic;
  } else {
    const std::uint64_t pulse = now - recording.last_edge;
    recording.pulses.push_back(pulse > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(pulse));
  }
  recording.last_edge = now;
  if (recording.pulses.size() >= kLongestBurst) {
    FinishRecording(recording);
    // The edge just recorded starts the next burst.
    recording.in_burst = true;
    recording.burst_level = mic;
  }
}

void FinishRecording(TapeRecording& recording) {
  if (!recording.in_burst) return;
  recording.in_burst = false;
  std::vector<std::uint8_t> bytes;
  if (DecodeStandardPulses(recording.pulses, bytes)) {
    AppendSavedBlock(recording, bytes.data(), bytes.size());
  } else if (recording.pulses.size() >= kLeastPilotPulses) {
    AppendDirect(recording);
  }
  recording.pulses.clear();
}

bool DecodeStandardPulses(const std::vector<std::uint32_t>& pulses, std::vector<std::uint8_t>& bytes) {
  const std::size_t count = pulses.size();
  // The pilot: the first run of enough pulses near its length.
  std::size_t at = 0, run = 0;
  while (at < count && run < kLeastPilotPulses) {
    run = Near(pulses[at], kPilotPulse, 8) ? run + 1 : 0;
    ++at;
  }
  if (run < kLeastPilotPulses) return false;
  while (at < count && Near(pulses[at], kPilotPulse, 8)) ++at;
  if (count - at < 2 || !Near(pulses[at], kSync1Pulse, 4) || !Near(pulses[at + 1], kSync2Pulse, 4)) return false;
  at += 2;
  std::vector<std::uint8_t> decoded;
  std::uint32_t bits = 0;
  for (; at + 1 < count; at += 2) {
    bool one;
    if (Near(pulses[at], kZeroPulse, 4) && Near(pulses[at + 1], kZeroPulse, 4)) {
      one = false;
    } else if (Near(pulses[at], kOnePulse, 4) && Near(pulses[at + 1], kOnePulse, 4)) {
      one = true;
    } else {
      break;
    }
    if (bits % 8 == 0) decoded.push_back(0);
    if (one) decoded.back() |= static_cast<std::uint8_t>(0x80u >> (bits % 8));
    ++bits;
  }
  if (bits == 0 || bits % 8 != 0 || count - at > 1) return false;
  bytes = std::move(decoded);
  return true;
}
