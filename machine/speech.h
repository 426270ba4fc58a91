// The Cheetah Sweet Talker: an OUT to its port starts an allophone sound and
// holds the whole program for the allophone's duration. The port bus calls
// Write through Machine.sweet_talker; start-up builds one SweetTalker with the
// platform's sound player and the clock the hold waits on.
#pragma once
#include <cstdint>

#include "machine/allophones.h"
#include "machine/machine.h"
#include "machine/monotonic_clock.h"

// Asynchronous playback of the allophone recordings, implemented by the
// platform's audio layer.
class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Starts allophone n (5-63) sounding once and returns at once. A sound
  // still playing is not cut off: the new one is mixed with it.
  virtual void Play(int allophone) = 0;
};

// For a machine without sound output: speech keeps its timing, silently.
class SilentSoundPlayer final : public SoundPlayer {
 public:
  void Play(int) override {}
};

// A millisecond tick counter; it may wrap around 2^32.
class MillisecondClock {
 public:
  virtual ~MillisecondClock() = default;
  virtual std::uint32_t NowMs() = 0;
};

// The host's monotonic clock.
class SteadyMillisecondClock final : public MillisecondClock {
 public:
  std::uint32_t NowMs() override;
};

class SweetTalker final : public SweetTalkerPort {
 public:
  // The clock's wait is the hold: the window's keeps the window answering
  // and moves the frame schedule by the time held.
  SweetTalker(const AllophoneSet& allophones, SoundPlayer& player, MonotonicClock& clock)
      : allophones_(allophones), player_(player), clock_(clock) {}

  // Bits 6-7 of the byte are ignored; 0-4 are silent pauses.
  void Write(std::uint8_t byte) override;

 private:
  const AllophoneSet& allophones_;
  SoundPlayer& player_;
  MonotonicClock& clock_;
};
