// Speech output through SDL2 audio: the allophone recordings (8-bit unsigned
// mono, 11,025 Hz) are mixed in SDL's audio callback, so an allophone still
// sounding when the next one starts plays on to its end. Start-up opens it;
// the Sweet Talker calls Play. A machine without a sound device gets no
// player and speaks silently.
#pragma once
#include <SDL.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "machine/allophones.h"
#include "machine/speech.h"

class SdlSoundPlayer final : public SoundPlayer {
 public:
  // Up to this many allophones sound at once; a further one takes the place
  // of the one closest to its end.
  static constexpr int kVoiceCount = 8;

  ~SdlSoundPlayer() override;
  SdlSoundPlayer(const SdlSoundPlayer&) = delete;
  SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;

  // Brings up SDL's audio subsystem and opens the default output device;
  // nothing when either is unavailable. The set must outlive the player.
  static std::unique_ptr<SdlSoundPlayer> Open(const AllophoneSet& allophones);

  void Play(int allophone) override;

  // The mixing step of the audio callback, exposed so it can be checked
  // without a device: adds every sounding voice into `out` (signed 16-bit
  // mono) and advances the voices.
  void Mix(std::int16_t* out, int count);
  int SoundingVoices() const;

  // Builds a player without a device, for the mixer alone.
  static std::unique_ptr<SdlSoundPlayer> ForMixingOnly(const AllophoneSet& allophones);

 private:
  explicit SdlSoundPlayer(const AllophoneSet& allophones) : allophones_(allophones) {}
  static void Callback(void* self, Uint8* stream, int bytes);

  struct Voice {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    std::size_t position = 0;
  };

  const AllophoneSet& allophones_;
  SDL_AudioDeviceID device_ = 0;
  bool audio_subsystem_up_ = false;
  std::array<Voice, kVoiceCount> voices_{};
};
