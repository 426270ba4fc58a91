// Fuzz entry for Kelbrin's block and map loaders: arbitrary files, bases,
// counts and map options through the real file code, then the map-aware
// listing over what was loaded. It checks what must hold for any input:
// nothing outside the block's window of the image and the map changes,
// a saved block and map are exactly as long as the block cut at 3FFFh, and
// the listing ends. The libFuzzer target beside this header calls it under
// clang with AddressSanitizer; the test suite calls it on seeds with GCC.
#pragma once
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "romeditor/map_listing.h"
#include "romeditor/rom_blocks.h"
#include "romeditor/rom_editor.h"

namespace kelbrin_fuzz {

inline std::string ScratchPath(const char* name) {
  static const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return folder + "/kelbrin-fuzz-" + std::to_string(::getpid()) + name;
}

inline bool WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

inline long FileLength(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return -1;
  std::fseek(file, 0, SEEK_END);
  long length = std::ftell(file);
  std::fclose(file);
  return length;
}

inline std::uint8_t ImagePattern(std::size_t a) { return static_cast<std::uint8_t>(a * 31 + (a >> 8)); }
inline std::uint8_t MapPattern(std::size_t a) { return static_cast<std::uint8_t>(a * 7 + 3); }

// Input layout: base (2 bytes), count (2 bytes), map option (low 2 bits of
// one byte), map file length (2 bytes), then the map file's bytes followed
// by the block file's bytes. Base and count are taken as they come, past
// 3FFFh and 0 included, which the dialog would never give.
inline bool FuzzRomBlock(const std::uint8_t* data, std::size_t size) {
  if (size < 7) return true;
  BlockRequest request;
  request.block_base = static_cast<std::uint32_t>(data[0] | data[1] << 8);
  request.block_count = static_cast<std::uint32_t>(data[2] | data[3] << 8);
  request.map_option = static_cast<MapOption>(data[4] & 3);
  const std::size_t rest = size - 7;
  const std::size_t map_size = std::min<std::size_t>(static_cast<std::size_t>(data[5] | data[6] << 8), rest);
  const std::uint8_t* map_bytes = data + 7;
  const std::uint8_t* block_bytes = map_bytes + map_size;
  const std::size_t block_size = rest - map_size;

  const std::string block_path = ScratchPath(".rom");
  const std::string map_path = MapFileName(block_path);
  if (!WriteScratch(block_path, block_bytes, block_size)) return true;
  if (!WriteScratch(map_path, map_bytes, map_size)) return true;

  static std::unique_ptr<RomEditor> editor = std::make_unique<RomEditor>();
  for (std::size_t a = 0; a < kRomSize; ++a) {
    editor->rom_image[a] = ImagePattern(a);
    editor->rom_map[a] = MapPattern(a);
  }
  editor->map_enabled = (data[4] & 4) == 0;
  editor->hex_mode = (data[4] & 8) != 0;
  if (!LoadBlockFiles(*editor, block_path, request)) return false;

  const std::uint32_t base = request.block_base;
  const std::uint32_t count = ClippedBlockCount(base, request.block_count);
  for (std::size_t a = 0; a < kRomSize; ++a) {
    const bool inside = a >= base && a < base + count;
    const std::size_t offset = a - base;
    const std::uint8_t image = inside && offset < block_size ? block_bytes[offset] : ImagePattern(a);
    if (editor->rom_image[a] != image) return false;
    std::uint8_t map = MapPattern(a);
    if (inside && request.map_option == MapOption::kMapFile && offset < map_size) map = map_bytes[offset];
    if (inside && request.map_option == MapOption::kCode) map = 0;
    if (inside && request.map_option == MapOption::kData) map = 1;
    if (editor->rom_map[a] != map) return false;
  }

  // The listing over the loaded bytes, with any map values, in a range
  // taken from the input; it must end and stay inside the buffer.
  const RomRange range{base & 0x3FFF, (base + request.block_count) & 0x3FFF};
  BuildMapListingText(*editor, range, ClockTime{});
  if (editor->text_output.size() > kTextOutputSize) return false;

  std::remove(map_path.c_str());
  if (SaveBlockFiles(*editor, block_path, request) != SaveResult::kSaved) return false;
  const bool block_ok = FileLength(block_path) == static_cast<long>(count);
  const long map_length = FileLength(map_path);
  const bool map_ok = request.map_option == MapOption::kMapFile ? map_length == static_cast<long>(count)
                                                                 : map_length == -1;
  std::remove(block_path.c_str());
  std::remove(map_path.c_str());
  return block_ok && map_ok;
}

}  // namespace kelbrin_fuzz
