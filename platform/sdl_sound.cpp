// SDL2 output of the speech units' allophones; see sdl_sound.h.
#include "platform/sdl_sound.h"

#include <algorithm>

std::unique_ptr<SdlSoundPlayer> SdlSoundPlayer::ForMixingOnly(const AllophoneSet& allophones) {
  return std::unique_ptr<SdlSoundPlayer>(new SdlSoundPlayer(allophones));
}

std::unique_ptr<SdlSoundPlayer> SdlSoundPlayer::Open(const AllophoneSet& allophones) {
  // SDL would otherwise take over SIGINT and SIGTERM and turn them into
  // quit events nobody reads, leaving Ctrl+C and kill without effect.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  std::unique_ptr<SdlSoundPlayer> player(new SdlSoundPlayer(allophones));
  player->audio_subsystem_up_ = true;

  SDL_AudioSpec wanted{};
  wanted.freq = kAllophoneSampleRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  // About 23 ms per callback: short enough that an allophone starts with the
  // OUT that asks for it.
  wanted.samples = 256;
  wanted.callback = &SdlSoundPlayer::Callback;
  wanted.userdata = player.get();
  // SDL converts to whatever the device really runs at.
  player->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (player->device_ == 0) return nullptr;  // the destructor quits the subsystem
  SDL_PauseAudioDevice(player->device_, 0);
  return player;
}

SdlSoundPlayer::~SdlSoundPlayer() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (audio_subsystem_up_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlSoundPlayer::Play(int allophone) {
  if (allophone < kFirstVoicedAllophone || allophone >= kAllophoneCount) return;
  const auto& samples = allophones_.samples[static_cast<std::size_t>(allophone)];
  if (samples.empty()) return;
  // The callback runs on SDL's audio thread; the voice table changes only
  // under the device lock.
  if (device_ != 0) SDL_LockAudioDevice(device_);
  Voice* slot = nullptr;
  for (Voice& voice : voices_) {
    if (voice.data == nullptr) {
      slot = &voice;
      break;
    }
  }
  if (slot == nullptr) {
    slot = &*std::min_element(voices_.begin(), voices_.end(), [](const Voice& a, const Voice& b) {
      return a.length - a.position < b.length - b.position;
    });
  }
  *slot = Voice{samples.data(), samples.size(), 0};
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void SdlSoundPlayer::Mix(std::int16_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    int sum = 0;
    for (Voice& voice : voices_) {
      if (voice.data == nullptr) continue;
      // Unsigned 8-bit around 80h, widened to the 16-bit range.
      sum += (static_cast<int>(voice.data[voice.position]) - kPcmSilence) * 256;
      if (++voice.position >= voice.length) voice = Voice{};
    }
    out[i] = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
  }
}

int SdlSoundPlayer::SoundingVoices() const {
  return static_cast<int>(std::count_if(voices_.begin(), voices_.end(),
                                        [](const Voice& v) { return v.data != nullptr; }));
}

void SdlSoundPlayer::Callback(void* self, Uint8* stream, int bytes) {
  static_cast<SdlSoundPlayer*>(self)->Mix(reinterpret_cast<std::int16_t*>(stream),
                                          bytes / static_cast<int>(sizeof(std::int16_t)));
}
