// AllophoneSet: the 64 allophones of the speech units - their durations and
// the 59 audible recordings, unpacked from the RIFF/WAVE images compiled into
// the program. Start-up loads it once; the Sweet Talker and the platform's
// sound player read it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

constexpr int kAllophoneCount = 64;
// 0-4 are pauses: a duration and no sound.
constexpr int kFirstVoicedAllophone = 5;
constexpr int kVoicedAllophoneCount = kAllophoneCount - kFirstVoicedAllophone;
// Every recording is 8-bit unsigned mono PCM at this rate; 80h is silence.
constexpr int kAllophoneSampleRate = 11025;
constexpr std::uint8_t kPcmSilence = 0x80;

// How long each allophone holds the machine, in milliseconds. The durations,
// not the recordings' lengths, set the pace of speech.
extern const std::array<std::uint16_t, kAllophoneCount> AllophoneDurations;

struct AllophoneSet {
  std::array<std::uint16_t, kAllophoneCount> durations = AllophoneDurations;
  // samples[0..4] stay empty.
  std::array<std::vector<std::uint8_t>, kAllophoneCount> samples;

  // The PCM bytes of allophone n; empty for pauses and for n outside 0-63.
  std::span<const std::uint8_t> Sample(int n) const;
  // Milliseconds for allophone n (0 for n outside 0-63).
  std::uint16_t Duration(int n) const;
};

// One RIFF/WAVE image as the speech units store it: 44-byte header, the
// samples, a pad byte when their count is odd.
constexpr std::size_t kWaveHeaderSize = 44;

// Reads the image at the start of `bytes`. On success `samples` views the PCM
// data inside `bytes` and `image_size` is the whole image's length, pad byte
// included. Anything but the exact 8-bit mono 11,025 Hz PCM layout, or an
// image longer than `bytes`, is refused.
bool ParseWaveImage(std::span<const std::uint8_t> bytes,
                    std::span<const std::uint8_t>& samples,
                    std::size_t& image_size);

// Unpacks 59 images laid one after another (allophone 5 first) into `set`.
// Returns false and leaves `set` untouched when any image is malformed or
// missing, or bytes are left over after the last one.
bool LoadAllophoneSet(std::span<const std::uint8_t> images, AllophoneSet& set);

// The same for the images compiled into the program.
bool LoadBuiltInAllophones(AllophoneSet& set);
