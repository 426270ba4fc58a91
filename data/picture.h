// The PNG pictures built into both programs - the character set editor's
// hit map and Kelbrin's title - and the decoder that turns PNG bytes into an
// RGBA picture. Start-up decodes each once; a picture that fails to decode
// is reported there as a start-up failure.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct RgbaPicture {
  int width = 0;
  int height = 0;
  // Row by row from the top; each pixel 0xAARRGGBB (the layout of
  // QImage::Format_ARGB32).
  std::vector<std::uint32_t> pixels;

  // The pixel at (x, y); 0 (transparent black) outside the picture.
  std::uint32_t At(int x, int y) const;
};

constexpr std::uint8_t RedOf(std::uint32_t pixel) { return static_cast<std::uint8_t>(pixel >> 16); }
constexpr std::uint8_t GreenOf(std::uint32_t pixel) { return static_cast<std::uint8_t>(pixel >> 8); }
constexpr std::uint8_t BlueOf(std::uint32_t pixel) { return static_cast<std::uint8_t>(pixel); }
constexpr std::uint8_t AlphaOf(std::uint32_t pixel) { return static_cast<std::uint8_t>(pixel >> 24); }

// Decodes a PNG held in memory with libpng. Any fault - not a PNG, cut
// short, corrupt, or larger than 4096 x 4096 - gives nullopt, never a crash.
std::optional<RgbaPicture> DecodePng(std::span<const std::uint8_t> png);

// The embedded PNG files themselves.
std::span<const std::uint8_t> HitMapPng();
std::span<const std::uint8_t> KelbrinTitlePng();

// 153 x 153: black except the 64 grid cells; cell (row r, column c) is
// (r, 1, 7 - c), so red gives the glyph row and blue the bit number.
std::optional<RgbaPicture> HitMapPicture();
// 380 x 185: Kelbrin's window backdrop.
std::optional<RgbaPicture> KelbrinTitlePicture();
