// WAVE decoding through SDL: SDL_LoadWAV_RW reads the file from memory (PCM
// of any width, mono or stereo, and the compressed kinds SDL knows), and
// SDL's audio converter mixes it down to mono 16-bit at the same rate.
// Neither needs SDL_Init.
#include "platform/sdl_wave.h"

#include <SDL.h>

#include <cstring>

namespace {

struct WaveBuffer {
  Uint8* data = nullptr;
  ~WaveBuffer() { SDL_FreeWAV(data); }
};

std::string SdlReason(const char* what) {
  std::string reason = what;
  const char* error = SDL_GetError();
  if (error != nullptr && *error != '\0') reason += std::string(" (") + error + ")";
  return reason;
}

}  // namespace

bool DecodeWaveWithSdl(const std::vector<std::uint8_t>& file, PcmSound& sound, std::string& reason) {
  SDL_ClearError();
  SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
  if (stream == nullptr) {
    reason = SdlReason("SDL cannot read it");
    return false;
  }
  SDL_AudioSpec layout{};
  WaveBuffer wave;
  Uint32 length = 0;
  // SDL closes the stream (freesrc 1) whether it succeeds or not.
  if (SDL_LoadWAV_RW(stream, 1, &layout, &wave.data, &length) == nullptr) {
    reason = SdlReason("it is not a WAVE file SDL can decode");
    return false;
  }
  if (layout.freq <= 0 || layout.channels == 0) {
    reason = "its format gives no sample rate or no channel";
    return false;
  }
  SDL_AudioCVT convert;
  const int built = SDL_BuildAudioCVT(&convert, layout.format, layout.channels, layout.freq, AUDIO_S16SYS, 1, layout.freq);
  if (built < 0) {
    reason = SdlReason("SDL cannot convert its samples");
    return false;
  }
  std::vector<Uint8> buffer(static_cast<std::size_t>(length) * static_cast<std::size_t>(convert.len_mult));
  std::memcpy(buffer.data(), wave.data, length);
  convert.buf = buffer.data();
  convert.len = static_cast<int>(length);
  if (built > 0 && SDL_ConvertAudio(&convert) != 0) {
    reason = SdlReason("SDL cannot convert its samples");
    return false;
  }
  const std::size_t bytes = built > 0 ? static_cast<std::size_t>(convert.len_cvt) : length;
  sound.rate = static_cast<std::uint32_t>(layout.freq);
  sound.samples.resize(bytes / sizeof(std::int16_t));
  std::memcpy(sound.samples.data(), buffer.data(), sound.samples.size() * sizeof(std::int16_t));
  return true;
}
