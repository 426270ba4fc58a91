// Unpacks the allophone recordings from their RIFF/WAVE images and holds the
// durations table. Called once at start-up; the images come from the program
// itself, but they are checked as strictly as a file from outside would be,
// so a damaged build fails loudly instead of playing garbage.
#include "machine/allophones.h"

#include <cstring>

#include "data/speech_samples.h"

const std::array<std::uint16_t, kAllophoneCount> AllophoneDurations = {
    10,  30,  50,  100, 200, 420, 260, 70,  120, 210, 140, 140, 70,  140, 170, 70,
    180, 100, 290, 250, 280, 70,  100, 100, 100, 180, 120, 130, 80,  180, 100, 260,
    370, 160, 140, 190, 80,  160, 190, 120, 150, 190, 160, 210, 220, 110, 180, 360,
    200, 130, 190, 160, 300, 240, 240, 90,  190, 180, 330, 290, 350, 40,  190, 50,
};

std::span<const std::uint8_t> AllophoneSet::Sample(int n) const {
  if (n < 0 || n >= kAllophoneCount) return {};
  return samples[static_cast<std::size_t>(n)];
}

std::uint16_t AllophoneSet::Duration(int n) const {
  if (n < 0 || n >= kAllophoneCount) return 0;
  return durations[static_cast<std::size_t>(n)];
}

namespace {

std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool TagIs(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
  return std::memcmp(b.data() + at, tag, 4) == 0;
}

}  // namespace

bool ParseWaveImage(std::span<const std::uint8_t> bytes,
                    std::span<const std::uint8_t>& samples,
                    std::size_t& image_size) {
  if (bytes.size() < kWaveHeaderSize) return false;
  if (!TagIs(bytes, 0, "RIFF") || !TagIs(bytes, 8, "WAVE") || !TagIs(bytes, 12, "fmt ") ||
      !TagIs(bytes, 36, "data")) {
    return false;
  }
  if (Read32(bytes, 16) != 16 || Read16(bytes, 20) != 1 || Read16(bytes, 22) != 1 ||
      Read32(bytes, 24) != kAllophoneSampleRate || Read32(bytes, 28) != kAllophoneSampleRate ||
      Read16(bytes, 32) != 1 || Read16(bytes, 34) != 8) {
    return false;
  }
  // 64-bit arithmetic: a hostile length near 2^32 must not wrap into a
  // small, plausible size.
  const std::uint64_t data_length = Read32(bytes, 40);
  const std::uint64_t padded = data_length + (data_length & 1);
  if (Read32(bytes, 4) != 36 + padded) return false;
  const std::uint64_t total = kWaveHeaderSize + padded;
  if (total > bytes.size()) return false;
  samples = bytes.subspan(kWaveHeaderSize, static_cast<std::size_t>(data_length));
  image_size = static_cast<std::size_t>(total);
  return true;
}

bool LoadAllophoneSet(std::span<const std::uint8_t> images, AllophoneSet& set) {
  AllophoneSet loaded;
  std::size_t at = 0;
  for (int n = kFirstVoicedAllophone; n < kAllophoneCount; ++n) {
    std::span<const std::uint8_t> samples;
    std::size_t image_size = 0;
    if (!ParseWaveImage(images.subspan(at), samples, image_size)) return false;
    if (samples.empty()) return false;  // an allophone that says nothing is a damaged set
    loaded.samples[static_cast<std::size_t>(n)].assign(samples.begin(), samples.end());
    at += image_size;
  }
  if (at != images.size()) return false;
  set = std::move(loaded);
  return true;
}

bool LoadBuiltInAllophones(AllophoneSet& set) {
  return LoadAllophoneSet(BuiltInAllophoneImages(), set);
}
