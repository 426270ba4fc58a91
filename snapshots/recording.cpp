// Recorded steps and CSW pulse data; see recording.h.
#include "snapshots/recording.h"

#include <zlib.h>

#include <algorithm>

namespace {

// Pulses of no length cost no step but still take time to read: a file of
// nothing else is refused once it has cost this much.
constexpr std::uint64_t kMostWork = 4 * std::uint64_t{kMostRecordedSteps};

StepLevel Inverted(StepLevel level) {
  switch (level) {
    case StepLevel::toggle: return StepLevel::keep;
    case StepLevel::keep: return StepLevel::toggle;
    case StepLevel::low: return StepLevel::high;
    case StepLevel::high: return StepLevel::low;
  }
  return level;
}

// RLE pulse lengths as bytes arrive, in as many pieces as zlib hands over.
class RleDecoder {
 public:
  RleDecoder(SampleClock& clock, StepWriter& writer) : clock_(clock), writer_(writer) {}

  bool Feed(const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t k = 0; k < size; ++k) {
      const std::uint8_t byte = bytes[k];
      if (long_left_ > 0) {
        long_value_ |= std::uint32_t{byte} << (8 * (4 - long_left_));
        if (--long_left_ == 0 && !Emit(long_value_)) return false;
      } else if (byte == 0) {
        long_left_ = 4;
        long_value_ = 0;
      } else if (!Emit(byte)) {
        return false;
      }
    }
    return true;
  }
  bool InsideLongPulse() const { return long_left_ > 0; }

 private:
  bool Emit(std::uint32_t samples) {
    return writer_.Pulse(clock_.Advance(samples));
  }

  SampleClock& clock_;
  StepWriter& writer_;
  int long_left_ = 0;
  std::uint32_t long_value_ = 0;
};

bool Inflate(const std::uint8_t* data, std::size_t size, RleDecoder& rle, std::string& reason) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    reason = "zlib cannot start";
    return false;
  }
  std::vector<std::uint8_t> chunk(64 * 1024);
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(size, UINT32_MAX));
  int result = Z_OK;
  bool fed = true;
  while (result == Z_OK && fed) {
    stream.next_out = chunk.data();
    stream.avail_out = static_cast<uInt>(chunk.size());
    result = inflate(&stream, Z_NO_FLUSH);
    fed = rle.Feed(chunk.data(), chunk.size() - stream.avail_out);
    // No progress with input left means the stream is cut off.
    if (result == Z_BUF_ERROR || (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)) break;
  }
  inflateEnd(&stream);
  if (!fed) {
    reason = TooLongRecording();
    return false;
  }
  if (result != Z_STREAM_END) {
    const bool cut_off = result == Z_OK || result == Z_BUF_ERROR;
    reason = cut_off ? "its compressed data is cut off" : "its compressed data is damaged";
    return false;
  }
  return true;
}

}  // namespace

bool StepWriter::Pulse(std::uint64_t tstates) {
  if (!Spend(1)) return false;
  if (tstates == 0) {
    next_ = Inverted(next_);
    return true;
  }
  StepLevel level = next_;
  next_ = StepLevel::toggle;
  while (tstates > 0) {
    if (words_.size() == kMostRecordedSteps) return false;
    const auto part = static_cast<std::uint32_t>(std::min<std::uint64_t>(tstates, kLongestStep));
    words_.push_back(RecordedStep(part, level));
    tstates -= part;
    level = StepLevel::keep;
  }
  return true;
}

bool StepWriter::Spend(std::uint64_t units) {
  work_ += units;
  return work_ <= kMostWork;
}

std::string TooLongRecording() {
  return "the recording is too long (more than " + std::to_string(kMostRecordedSteps) + " pulses)";
}

void MakeSingleRecording(TapeImage& image, std::vector<std::uint32_t>&& words) {
  SignalBlock block;
  block.kind = SignalKind::recorded;
  block.count = static_cast<std::uint32_t>(words.size());
  image.bytes.clear();
  image.blocks.assign(1, block);
  image.words = std::move(words);
}

std::uint64_t SampleClock::Advance(std::uint64_t samples) {
  samples_ += samples;
  // Whole seconds apart, so the product cannot overflow on any recording.
  const std::uint64_t end =
      samples_ / rate_ * kTStatesPerSecond + samples_ % rate_ * kTStatesPerSecond / rate_;
  const std::uint64_t length = end - tstates_;
  tstates_ = end;
  return length;
}

bool ReadCswPulses(const std::uint8_t* data, std::size_t size, bool z_rle, std::uint32_t rate, StepLevel first,
                   StepWriter& writer, std::string& reason) {
  if (rate == 0) {
    reason = "its sample rate is 0";
    return false;
  }
  SampleClock clock(rate);
  RleDecoder rle(clock, writer);
  writer.StartWith(first);
  if (z_rle) {
    if (!Inflate(data, size, rle, reason)) return false;
  } else if (!rle.Feed(data, size)) {
    reason = TooLongRecording();
    return false;
  }
  if (rle.InsideLongPulse()) {
    reason = "its pulse data is cut off inside a pulse length";
    return false;
  }
  return true;
}
