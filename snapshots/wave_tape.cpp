// Samples to pulses. The level is high above the middle of the sound and
// low below it, with a margin of an eighth of the loudest swing, so noise
// around the middle (silence, hum) makes no edges. The middle is the mean,
// which takes out a recording's offset.
#include "snapshots/wave_tape.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "snapshots/recording.h"

bool HasWaveSignature(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
         std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

bool ReadWaveTape(const PcmSound& sound, TapeImage& image, std::string& reason) {
  if (sound.rate == 0) {
    reason = "its sample rate is 0";
    return false;
  }
  if (sound.samples.empty()) {
    reason = "it holds no sound";
    return false;
  }
  std::int64_t sum = 0;
  for (std::int16_t sample : sound.samples) sum += sample;
  const std::int64_t middle = sum / static_cast<std::int64_t>(sound.samples.size());
  std::int64_t swing = 0;
  for (std::int16_t sample : sound.samples) swing = std::max(swing, std::abs(sample - middle));
  const std::int64_t margin = std::max<std::int64_t>(swing / 8, 1);

  std::vector<std::uint32_t> words;
  StepWriter writer(words);
  SampleClock clock(sound.rate);
  bool level = sound.samples.front() > middle;
  writer.StartWith(level ? StepLevel::high : StepLevel::low);
  std::uint64_t run = 0;
  for (std::int16_t sample : sound.samples) {
    const bool now = sample > middle + margin ? true : sample < middle - margin ? false : level;
    if (now != level) {
      if (!writer.Pulse(clock.Advance(run))) {
        reason = TooLongRecording();
        return false;
      }
      level = now;
      run = 0;
    }
    ++run;
  }
  if (!writer.Pulse(clock.Advance(run))) {
    reason = TooLongRecording();
    return false;
  }
  MakeSingleRecording(image, std::move(words));
  return true;
}
