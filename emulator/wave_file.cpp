// RIFF/WAVE output: a 44-byte header (RIFF, fmt with PCM 16-bit mono, data)
// written first with zero sizes, samples appended little-endian, sizes
// filled in at the end.
#include "emulator/wave_file.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint32_t kHeaderSize = 44;
// The RIFF size field counts everything after its own 8 bytes.
constexpr std::uint64_t kLargestData = 0xFFFFFFFFull - (kHeaderSize - 8);

void Put16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

void Header(std::uint8_t* h, int rate, std::uint32_t data_bytes) {
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, data_bytes + (kHeaderSize - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);  // format chunk length
  Put16(h + 20, 1);   // PCM
  Put16(h + 22, 1);   // mono
  Put32(h + 24, static_cast<std::uint32_t>(rate));
  Put32(h + 28, static_cast<std::uint32_t>(rate) * 2);  // bytes per second
  Put16(h + 32, 2);   // bytes per sample frame
  Put16(h + 34, 16);  // bits per sample
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, data_bytes);
}

}  // namespace

bool OpenWave(WaveWriter& wave, const std::string& path, int rate, std::string& error) {
  wave = WaveWriter{};
  wave.path = path;
  wave.rate = rate;
  wave.file = std::fopen(path.c_str(), "wb");
  if (wave.file == nullptr) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  std::uint8_t header[kHeaderSize];
  Header(header, rate, 0);
  wave.failed = std::fwrite(header, 1, kHeaderSize, wave.file) != kHeaderSize;
  return true;
}

void AppendWave(WaveWriter& wave, const std::int16_t* samples, int count) {
  if (wave.file == nullptr || wave.failed || wave.full || count <= 0) return;
  std::uint8_t bytes[512];
  int done = 0;
  while (done < count) {
    const int chunk = count - done < 256 ? count - done : 256;
    if (wave.data_bytes + static_cast<std::uint64_t>(chunk) * 2 > kLargestData) {
      wave.full = true;
      return;
    }
    for (int i = 0; i < chunk; ++i) Put16(bytes + 2 * i, static_cast<std::uint16_t>(samples[done + i]));
    const std::size_t length = static_cast<std::size_t>(chunk) * 2;
    if (std::fwrite(bytes, 1, length, wave.file) != length) {
      wave.failed = true;
      return;
    }
    wave.data_bytes += length;
    done += chunk;
  }
}

bool CloseWave(WaveWriter& wave, std::string& error) {
  if (wave.file == nullptr) return true;
  std::uint8_t header[kHeaderSize];
  Header(header, wave.rate, static_cast<std::uint32_t>(wave.data_bytes));
  bool written = !wave.failed && std::fseek(wave.file, 0, SEEK_SET) == 0 &&
                 std::fwrite(header, 1, kHeaderSize, wave.file) == kHeaderSize;
  written = std::fclose(wave.file) == 0 && written;
  wave.file = nullptr;
  if (!written) {
    error = "cannot write " + wave.path;
    return false;
  }
  if (wave.full) {
    error = wave.path + ": the sound passed the 4 GB a WAVE file can hold; the file keeps the first " +
            std::to_string(wave.data_bytes / 2 / static_cast<std::uint64_t>(wave.rate)) + " seconds";
    return false;
  }
  return true;
}
