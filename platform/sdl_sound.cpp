// SDL2 output of the speech units' allophones and the beeper; see
// sdl_sound.h.
#include "platform/sdl_sound.h"

#include <algorithm>

namespace {

constexpr int kPreferredRate = 48000;
// Samples per callback: about 11 ms at 48 kHz, short enough that an
// allophone starts with the OUT that asks for it.
constexpr int kDeviceSamples = 512;
// Beeper samples ahead of the loudspeaker (waiting for the device and
// still in its buffer) just before a frame's block is added, in
// milliseconds: the block adds 20, so the level swings around 60 ms, the
// middle of 40-80.
constexpr int kBeeperTargetMs = 50;
// A dry stream fades its last sample out over a few milliseconds instead of
// dropping to zero with a click.
constexpr float kDryFade = 1.0f - 1.0f / 128.0f;

}  // namespace

SdlSoundPlayer::SdlSoundPlayer(const AllophoneSet& allophones, int rate) : allophones_(allophones) {
  SetRate(rate);
}

void SdlSoundPlayer::SetRate(int rate) {
  rate_ = rate;
  voice_step_ = (static_cast<std::uint64_t>(kAllophoneSampleRate) << 16) / static_cast<std::uint64_t>(rate);
  beeper_target_ = rate * kBeeperTargetMs / 1000;
}

std::unique_ptr<SdlSoundPlayer> SdlSoundPlayer::ForMixingOnly(const AllophoneSet& allophones, int rate) {
  return std::unique_ptr<SdlSoundPlayer>(new SdlSoundPlayer(allophones, rate));
}

std::unique_ptr<SdlSoundPlayer> SdlSoundPlayer::Open(const AllophoneSet& allophones) {
  // SDL would otherwise take over SIGINT and SIGTERM and turn them into
  // quit events nobody reads, leaving Ctrl+C and kill without effect.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  std::unique_ptr<SdlSoundPlayer> player(new SdlSoundPlayer(allophones, kPreferredRate));
  player->audio_subsystem_up_ = true;

  SDL_AudioSpec wanted{};
  wanted.freq = kPreferredRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = kDeviceSamples;
  wanted.callback = &SdlSoundPlayer::Callback;
  wanted.userdata = player.get();
  SDL_AudioSpec got{};
  // A device running at 44.1 kHz gets the beeper made at that rate; from
  // 48 kHz SDL converts to any other rate, and always format and channels.
  player->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (player->device_ != 0 && got.freq != 44100 && got.freq != kPreferredRate) {
    SDL_CloseAudioDevice(player->device_);
    player->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    got.freq = kPreferredRate;
  }
  if (player->device_ == 0) return nullptr;  // the destructor quits the subsystem
  // The device opens paused, so the callback sees the rate settled.
  player->SetRate(got.freq);
  SDL_PauseAudioDevice(player->device_, 0);
  return player;
}

SdlSoundPlayer::~SdlSoundPlayer() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (audio_subsystem_up_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlSoundPlayer::SetPaused(bool paused) {
  if (device_ != 0) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

void SdlSoundPlayer::Lock() const {
  if (device_ != 0) SDL_LockAudioDevice(device_);
}

void SdlSoundPlayer::Unlock() const {
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void SdlSoundPlayer::Play(int allophone) {
  if (allophone < kFirstVoicedAllophone || allophone >= kAllophoneCount) return;
  const auto& samples = allophones_.samples[static_cast<std::size_t>(allophone)];
  if (samples.empty()) return;
  // The callback runs on SDL's audio thread; the voice table changes only
  // under the device lock.
  Lock();
  Voice* slot = nullptr;
  for (Voice& voice : voices_) {
    if (voice.data == nullptr) {
      slot = &voice;
      break;
    }
  }
  if (slot == nullptr) {
    slot = &*std::min_element(voices_.begin(), voices_.end(), [](const Voice& a, const Voice& b) {
      return (a.length << 16) - a.position < (b.length << 16) - b.position;
    });
  }
  *slot = Voice{samples.data(), samples.size(), 0};
  Unlock();
}

void SdlSoundPlayer::QueueBeeper(const std::int16_t* samples, int count) {
  if (count <= 0) return;
  Lock();
  const int buffered = static_cast<int>(ring_write_ - ring_read_);
  const int taken = static_cast<int>(ring_read_ - read_seen_);
  read_seen_ = ring_read_;
  const bool playing = ring_playing_;
  const std::uint64_t bite_ticks = bite_ticks_;
  const int bite_samples = bite_samples_;
  Unlock();
  // The device takes its samples in bites and plays each over several
  // milliseconds; counting what is left of the last bite makes the level
  // seen at a frame end smooth instead of a sawtooth.
  int in_device = 0;
  if (bite_ticks != 0) {
    const double played = static_cast<double>(SDL_GetPerformanceCounter() - bite_ticks) * rate_ /
                          static_cast<double>(SDL_GetPerformanceFrequency());
    in_device = std::max(0, bite_samples - static_cast<int>(played));
  }

  // While filling up nothing is regulated.
  int size = count;
  if (!playing) {
    StartRegulator(regulator_, buffered + in_device);
  } else {
    size = RegulatedBlockSize(regulator_, count, buffered + in_device, taken, beeper_target_);
  }
  size = std::min(size, kRingSize - buffered);
  if (size <= 0) return;  // only with a device that stopped taking samples
  ResampleBlock(samples, count, queued_last_, stretched_.data(), size);
  queued_last_ = samples[count - 1];

  Lock();
  for (int i = 0; i < size; ++i) ring_[ring_write_++ % kRingSize] = stretched_[static_cast<std::size_t>(i)];
  if (!ring_playing_ && static_cast<int>(ring_write_ - ring_read_) >= beeper_target_) ring_playing_ = true;
  Unlock();
}

void SdlSoundPlayer::Mix(std::int16_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    if (ring_playing_ && ring_read_ == ring_write_) {
      ring_playing_ = false;
      ++dry_runs_;
    }
    if (ring_playing_) {
      ring_last_ = ring_[ring_read_++ % kRingSize];
    } else {
      ring_last_ *= kDryFade;
    }
    int sum = static_cast<int>(ring_last_);
    for (Voice& voice : voices_) {
      if (voice.data == nullptr) continue;
      // Unsigned 8-bit around 80h, widened to the 16-bit range and
      // interpolated between two recording samples.
      const std::size_t at = static_cast<std::size_t>(voice.position >> 16);
      const int a = voice.data[at];
      const int b = at + 1 < voice.length ? voice.data[at + 1] : a;
      const int fraction = static_cast<int>(voice.position & 0xFFFF);
      sum += (a - kPcmSilence) * 256 + (b - a) * fraction / 256;
      voice.position += voice_step_;
      if ((voice.position >> 16) >= voice.length) voice = Voice{};
    }
    out[i] = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
  }
}

int SdlSoundPlayer::SoundingVoices() const {
  return static_cast<int>(std::count_if(voices_.begin(), voices_.end(),
                                        [](const Voice& v) { return v.data != nullptr; }));
}

int SdlSoundPlayer::BufferedBeeperSamples() const {
  Lock();
  const int buffered = static_cast<int>(ring_write_ - ring_read_);
  Unlock();
  return buffered;
}

std::uint32_t SdlSoundPlayer::BeeperDryRuns() const {
  Lock();
  const std::uint32_t runs = dry_runs_;
  Unlock();
  return runs;
}

void SdlSoundPlayer::Callback(void* self, Uint8* stream, int bytes) {
  auto* player = static_cast<SdlSoundPlayer*>(self);
  const int count = bytes / static_cast<int>(sizeof(std::int16_t));
  player->bite_ticks_ = SDL_GetPerformanceCounter();
  player->bite_samples_ = count;
  player->Mix(reinterpret_cast<std::int16_t*>(stream), count);
}
