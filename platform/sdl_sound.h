// Sound output through SDL2 audio: the allophone recordings (8-bit unsigned
// mono, 11,025 Hz) and the beeper's stream are mixed in SDL's audio
// callback, so an allophone still sounding when the next one starts plays on
// to its end. Start-up opens it; the Sweet Talker calls Play, the program
// queues each frame's beeper samples at frame end. A machine without a sound
// device gets no player and runs silently.
#pragma once
#include <SDL.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "machine/allophones.h"
#include "machine/beeper.h"
#include "machine/speech.h"

class SdlSoundPlayer final : public SoundPlayer {
 public:
  // Up to this many allophones sound at once; a further one takes the place
  // of the one closest to its end.
  static constexpr int kVoiceCount = 8;

  ~SdlSoundPlayer() override;
  SdlSoundPlayer(const SdlSoundPlayer&) = delete;
  SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;

  // Brings up SDL's audio subsystem and opens the default output device at
  // 48 kHz, or the 44.1 kHz a device may prefer; nothing when either is
  // unavailable. The set must outlive the player.
  static std::unique_ptr<SdlSoundPlayer> Open(const AllophoneSet& allophones);

  void Play(int allophone) override;

  // Frame end at "100%": the frame's beeper samples, stretched or shrunk by
  // a few so the sound ahead of the loudspeaker (waiting, and in the
  // device's buffer) stays between about 40 and 80 ms whatever the clocks
  // do. A stream that ran dry starts again only once 50 ms are waiting, so
  // it never stutters.
  void QueueBeeper(const std::int16_t* samples, int count);
  // "Pause": the device stops, keeping what it still had to play.
  void SetPaused(bool paused);

  // The mixing step of the audio callback, exposed so it can be checked
  // without a device: the beeper stream (fading out where it runs dry) plus
  // every sounding voice into `out` (signed 16-bit mono), advancing both.
  void Mix(std::int16_t* out, int count);
  int SoundingVoices() const;
  // Beeper samples queued and not yet mixed.
  int BufferedBeeperSamples() const;
  // How often the beeper stream ran dry while playing.
  std::uint32_t BeeperDryRuns() const;
  int rate() const { return rate_; }
  int beeper_target() const { return beeper_target_; }

  // Builds a player without a device, for the mixer alone, mixing at `rate`.
  static std::unique_ptr<SdlSoundPlayer> ForMixingOnly(const AllophoneSet& allophones,
                                                       int rate = kAllophoneSampleRate);

 private:
  SdlSoundPlayer(const AllophoneSet& allophones, int rate);
  static void Callback(void* self, Uint8* stream, int bytes);
  void SetRate(int rate);
  void Lock() const;
  void Unlock() const;

  struct Voice {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    std::uint64_t position = 0;  // in recording samples, 16 fraction bits
  };

  const AllophoneSet& allophones_;
  SDL_AudioDeviceID device_ = 0;
  bool audio_subsystem_up_ = false;
  int rate_ = kAllophoneSampleRate;
  std::uint64_t voice_step_ = 1u << 16;  // recording samples per output sample
  std::array<Voice, kVoiceCount> voices_{};

  // The beeper stream's store: 341 ms at 48 kHz, far above what it holds.
  static constexpr int kRingSize = 16384;
  // The beeper stream. Shared with the callback, under the device lock:
  std::array<std::int16_t, kRingSize> ring_{};
  std::uint32_t ring_read_ = 0;   // free-running counts of samples
  std::uint32_t ring_write_ = 0;
  bool ring_playing_ = false;     // false: filling up before playing
  float ring_last_ = 0.0f;        // last sample mixed, fading while dry
  std::uint32_t dry_runs_ = 0;
  std::uint64_t bite_ticks_ = 0;  // when the device took its last samples
  int bite_samples_ = 0;          // and how many
  // The loop's side only:
  int beeper_target_ = 0;         // samples ahead, aimed at
  BeeperRegulator regulator_;
  std::uint32_t read_seen_ = 0;   // ring_read_ at the last block
  std::int16_t queued_last_ = 0;  // the sample before the next block
  std::array<std::int16_t, kBeeperBlockCapacity * 2> stretched_{};
};
