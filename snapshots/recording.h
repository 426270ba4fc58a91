// Recorded signals: pulses of any length turned into the steps a TapeImage
// plays (RecordedStep words), and CSW's pulse data. Shared by the CSW, PZX,
// WAVE and TZX readers, which all hand the signal player the same steps.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

// Far beyond any tape (a ROM-speed tape has some 2,000 pulses a second, so
// this is hours of it); keeps a damaged or hostile file from filling memory.
constexpr std::size_t kMostRecordedSteps = std::size_t{1} << 24;

// Appends steps to `words`. Each pulse is at the level the one before it
// left, inverted, unless StartWith says otherwise; a pulse of no length
// inverts the level the next one starts at, and one longer than a step
// goes on in steps that keep the level.
class StepWriter {
 public:
  explicit StepWriter(std::vector<std::uint32_t>& words) : words_(words) {}

  void StartWith(StepLevel level) { next_ = level; }
  // False once the recording passes kMostRecordedSteps steps (or as much
  // work in pulses that write none): the file is refused as too long.
  bool Pulse(std::uint64_t tstates);
  // Counts work that writes no step (symbols of no pulse and the like).
  bool Spend(std::uint64_t units);
  std::size_t size() const { return words_.size(); }

 private:
  std::vector<std::uint32_t>& words_;
  StepLevel next_ = StepLevel::toggle;
  std::uint64_t work_ = 0;
};

// The reason a recording too long to hold is refused.
std::string TooLongRecording();

// Makes `image` a tape of one recorded block holding `words` (a CSW or WAVE
// file is a single recording, with no blocks of its own).
void MakeSingleRecording(TapeImage& image, std::vector<std::uint32_t>&& words);

// Sample counts at `rate` samples a second as T-states, each pulse ending
// where the samples so far end, so no rounding builds up over a recording.
class SampleClock {
 public:
  explicit SampleClock(std::uint32_t rate) : rate_(rate) {}
  // The T-states of the next `samples` samples.
  std::uint64_t Advance(std::uint64_t samples);

 private:
  std::uint32_t rate_;
  std::uint64_t samples_ = 0;
  std::uint64_t tstates_ = 0;
};

// CSW pulse data: a byte per pulse giving its length in samples, or 0 and a
// 32-bit length; Z-RLE is that data compressed with zlib. The first pulse
// starts as `first` says. False with a reason when the data is damaged,
// cut off or too long.
bool ReadCswPulses(const std::uint8_t* data, std::size_t size, bool z_rle, std::uint32_t rate, StepLevel first,
                   StepWriter& writer, std::string& reason);
