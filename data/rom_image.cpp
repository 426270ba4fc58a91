// Gives the embedded ROM bytes a typed view; the bytes themselves are
// generated from the spectrum-roms package at build time.
#include "data/rom_image.h"

extern const unsigned char kBuiltInRomBytes[];
extern const std::size_t kBuiltInRomBytes_size;

std::span<const std::uint8_t, kRomSize> BuiltInRom() {
  // The configure step refuses any file that is not exactly 16,384 bytes.
  return std::span<const std::uint8_t, kRomSize>(kBuiltInRomBytes, kRomSize);
}
