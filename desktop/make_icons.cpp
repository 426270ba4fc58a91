// Build-time tool: the programs' icons at the desktop's usual sizes, made
// from their own pictures. Vantro's is a screen drawn by Vantro's display
// renderer (the Spectrum's rainbow across a black screen); Kelbrin's is the
// ROM chip and the rainbow cut from its built-in title picture.
//   make_icons OUTPUT_FOLDER
// writes OUTPUT_FOLDER/<N>x<N>/apps/{vantro,kelbrin}.png, the hicolor layout.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/picture.h"
#include "emulator/frame_png.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct Square {
  int side = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, rows top to bottom
};

// Each output pixel is the mean of 4 x 4 samples of the source, which
// smooths a reduction and repeats pixels in an enlargement.
Square Resize(const Square& source, int side) {
  constexpr int kSamples = 4;
  Square out{side, std::vector<std::uint32_t>(static_cast<std::size_t>(side) * side)};
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      unsigned sum[3] = {0, 0, 0};
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const int u = ((x * kSamples + sx) * 2 + 1) * source.side / (2 * kSamples * side);
          const int v = ((y * kSamples + sy) * 2 + 1) * source.side / (2 * kSamples * side);
          const std::uint32_t p = source.pixels[static_cast<std::size_t>(v) * source.side + u];
          sum[0] += RedOf(p);
          sum[1] += GreenOf(p);
          sum[2] += BlueOf(p);
        }
      }
      constexpr unsigned kCount = kSamples * kSamples;
      out.pixels[static_cast<std::size_t>(y) * side + x] =
          0xFF000000u | ((sum[0] + kCount / 2) / kCount) << 16 | ((sum[1] + kCount / 2) / kCount) << 8 |
          ((sum[2] + kCount / 2) / kCount);
    }
  }
  return out;
}

// The top-left 64 x 64 pixels of a Spectrum screen: four bright diagonal
// bands (red, yellow, green, cyan) on black. A band is 16 steps of x + y
// wide, so no 8 x 8 cell meets more than two of them: each cell takes the
// lower band as PAPER and the higher as INK, without attribute clash.
Square VantroScreen() {
  auto machine = std::make_unique<Machine>();
  auto renderer = std::make_unique<DisplayRenderer>();
  InitMachine(*machine);
  constexpr int kSide = 64;
  constexpr int kBandWidth = 16;
  // Spectrum colours (with BRIGHT) of the bands along x + y, 0 to 126 in
  // the square, and of the one past the last for the last cell's INK.
  constexpr std::uint8_t kBandColour[] = {0, 0, 2, 6, 4, 5, 0, 0, 0};
  auto band = [](int x, int y) { return (x + y) / kBandWidth; };
  for (int row = 0; row < kSide / 8; ++row) {
    for (int column = 0; column < kSide / 8; ++column) {
      const int low = band(column * 8, row * 8);
      const std::uint8_t paper = kBandColour[low];
      const std::uint8_t ink = kBandColour[low + 1];
      machine->memory[0x5800 + row * 32 + column] = static_cast<std::uint8_t>(0x40 | paper << 3 | ink);
      for (int line = 0; line < 8; ++line) {
        std::uint8_t bits = 0;
        for (int bit = 0; bit < 8; ++bit) {
          if (band(column * 8 + bit, row * 8 + line) > low) bits |= 0x80 >> bit;
        }
        machine->memory[BitmapAddress(row * 8 + line, column)] = bits;
      }
    }
  }
  RenderFrame(*renderer, *machine, 0);
  Square screen{kSide, {}};
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      screen.pixels.push_back(renderer->frame_picture[(kScreenTop + y) * kFrameWidth + kScreenLeft + x]);
    }
  }
  return screen;
}

// Kelbrin's title picture (380 x 185) rearranged into a square: its own
// backdrop gradient stretched to the full height, the ROM chip across the
// middle and the rainbow in the top right corner.
std::optional<Square> KelbrinChip() {
  std::optional<RgbaPicture> title = KelbrinTitlePicture();
  if (!title) return std::nullopt;
  constexpr int kSide = 260;
  constexpr int kChipLeft = 60, kChipTop = 62, kChipHeight = 86;  // the chip with its pins
  constexpr int kRainbowLeft = 288, kRainbowHeight = 48;
  Square square{kSide, std::vector<std::uint32_t>(kSide * kSide)};
  for (int y = 0; y < kSide; ++y) {
    const std::uint32_t backdrop = title->At(2, y * (title->height - 1) / (kSide - 1)) | 0xFF000000u;
    for (int x = 0; x < kSide; ++x) square.pixels[y * kSide + x] = backdrop;
  }
  const int chip_top = (kSide - kChipHeight) / 2;
  for (int y = 0; y < kChipHeight; ++y) {
    for (int x = 0; x < kSide; ++x) {
      square.pixels[(chip_top + y) * kSide + x] = title->At(kChipLeft + x, kChipTop + y) | 0xFF000000u;
    }
  }
  const int rainbow_width = title->width - kRainbowLeft;
  for (int y = 0; y < kRainbowHeight; ++y) {
    for (int x = 0; x < rainbow_width; ++x) {
      square.pixels[y * kSide + kSide - rainbow_width + x] = title->At(kRainbowLeft + x, y) | 0xFF000000u;
    }
  }
  return square;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_FOLDER\n");
    return 1;
  }
  std::optional<Square> kelbrin = KelbrinChip();
  if (!kelbrin) {
    std::fprintf(stderr, "make_icons: Kelbrin's title picture does not decode\n");
    return 1;
  }
  const struct { const char* name; Square picture; } icons[] = {{"vantro", VantroScreen()},
                                                                 {"kelbrin", *kelbrin}};
  for (int side : kSizes) {
    const std::filesystem::path folder = std::filesystem::path(argv[1]) /
                                         (std::to_string(side) + "x" + std::to_string(side)) / "apps";
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    for (const auto& icon : icons) {
      const Square resized = Resize(icon.picture, side);
      std::string error;
      if (!WriteFramePng((folder / (std::string(icon.name) + ".png")).string(), resized.pixels.data(), side,
                         side, error)) {
        std::fprintf(stderr, "make_icons: %s\n", error.c_str());
        return 1;
      }
    }
  }
  return 0;
}
