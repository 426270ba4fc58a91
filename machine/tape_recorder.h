// The tape being recorded: what the machine SAVEs, as blocks the tape signal
// can play and the tape writer (snapshots/tape_writer.h) can store. The fast
// SAVE trap appends standard blocks whole; otherwise the port bus hands
// every change of the MIC output (bit 3 of port FEh) to MicEdge, and a run
// of pulses that has fallen silent becomes a standard block where it decodes
// as one (the ROM's SA-BYTES timings), else a direct recording of it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "machine/tape_signal.h"

// T-states per sample of a direct recording: 44.3 kHz, as the tape tools use.
constexpr std::uint16_t kRecordSampleTStates = 79;

struct TapeRecording {
  TapeImage image;  // the blocks recorded so far, in order
  bool mic = false;  // the MIC output's level
  // The burst of MIC pulses being recorded: whether one has begun, the
  // level after its first edge, the T-state of its last edge and the
  // length of every pulse since its first.
  bool in_burst = false;
  bool burst_level = false;
  std::uint64_t last_edge = 0;
  std::vector<std::uint32_t> pulses;
};

// Appends a standard block (flag, data, checksum) as the ROM saves it.
void AppendSavedBlock(TapeRecording& recording, const std::uint8_t* body, std::size_t length);
// The MIC output changed to `mic` at T-state `now`.
void MicEdge(TapeRecording& recording, bool mic, std::uint64_t now);
// Ends the burst being recorded, whatever its silence (the run is over, or
// the tape is about to be written).
void FinishRecording(TapeRecording& recording);

// The bytes of a standard block (flag, data, checksum) the pulses hold, as
// the ROM's LD-BYTES would read them: a pilot of at least 256 pulses near
// 2,168 T-states (whatever comes before it is passed over), the two sync
// pulses, then pairs of equal pulses near 855 (0) or 1,710 (1) for whole
// bytes, with at most one pulse after them. False when they do not.
bool DecodeStandardPulses(const std::vector<std::uint32_t>& pulses, std::vector<std::uint8_t>& bytes);

// A burst silent this long is over: the ROM's SAVE leaves a second between
// a header and its data, and keeps every pulse of a block under 2,200.
constexpr std::uint64_t kBurstSilence = 200 * std::uint64_t{kTStatesPerMs};

// Frame end at T-state `now`: a burst silent for a while is over and becomes
// a block. Cheap when nothing is being recorded.
inline void RecordingFrameEnd(TapeRecording& recording, std::uint64_t now) {
  if (recording.in_burst && now > recording.last_edge + kBurstSilence) FinishRecording(recording);
}
