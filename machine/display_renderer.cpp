// Display rendering: palettes, the display area, the border and FLASH.
// The picture equals painting every cell's paper and then plotting its set
// pixels in ink, but is made in one pass over the bitmap so that a frame
// costs tens of microseconds rather than thousands of small drawings.
#include "machine/display_renderer.h"

#include <algorithm>

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

constexpr std::array<Rgb, 16> kColourTable = {{
    {0, 0, 0},       {0, 0, 202},     {202, 0, 0},     {202, 0, 202},
    {0, 202, 0},     {0, 202, 202},   {202, 202, 0},   {202, 202, 202},
    {0, 0, 0},       {0, 0, 255},     {255, 0, 0},     {255, 0, 255},
    {0, 255, 0},     {0, 255, 255},   {255, 255, 0},   {255, 255, 255},
}};

constexpr std::array<Rgb, 16> kMonochromeTable = {{
    {0, 0, 0},       {22, 22, 22},    {60, 60, 60},    {82, 82, 82},
    {120, 120, 120}, {142, 142, 142}, {180, 180, 180}, {202, 202, 202},
    {0, 0, 0},       {28, 28, 28},    {78, 78, 78},    {108, 108, 108},
    {150, 150, 150}, {180, 180, 180}, {228, 228, 228}, {255, 255, 255},
}};

// Bright black is a dim green here, unlike the other two tables.
constexpr std::array<Rgb, 16> kGreenTable = {{
    {0, 0, 0},   {0, 52, 0},  {0, 88, 0},  {0, 106, 0},
    {0, 140, 0}, {0, 158, 0}, {0, 192, 0}, {0, 212, 0},
    {0, 32, 0},  {0, 64, 0},  {0, 100, 0}, {0, 124, 0},
    {0, 164, 0}, {0, 188, 0}, {0, 232, 0}, {0, 255, 0},
}};

void FillRect(DisplayRenderer& renderer, int top, int left, int width, int height,
              std::uint32_t colour) {
  for (int y = top; y < top + height; ++y) {
    auto* row = renderer.frame_picture.data() + y * kFrameWidth + left;
    std::fill(row, row + width, colour);
  }
}

// The border is never BRIGHT: only bits 0-2 of the ULA byte count.
std::uint32_t BorderColour(const DisplayRenderer& renderer, const Machine& machine) {
  return renderer.palette.pixel[machine.ula_out & 7];
}

// For each bitmap byte, an all-ones word where a pixel is set: a pixel is
// then paper ^ ((ink ^ paper) & mask), which compilers turn into vector code.
struct PixelMasks {
  std::array<std::array<std::uint32_t, 8>, 256> mask{};
  constexpr PixelMasks() {
    for (int b = 0; b < 256; ++b)
      for (int x = 0; x < 8; ++x) mask[b][x] = (b & (0x80 >> x)) ? 0xFFFFFFFFu : 0u;
  }
};
constexpr PixelMasks kPixelMasks;

}  // namespace

Palette MakePalette(VideoOutput output) {
  const auto& table = output == VideoOutput::monochrome ? kMonochromeTable
                      : output == VideoOutput::green    ? kGreenTable
                                                        : kColourTable;
  Palette palette;
  for (int i = 0; i < 16; ++i) {
    palette.red[i] = table[i].r;
    palette.green[i] = table[i].g;
    palette.blue[i] = table[i].b;
    palette.pixel[i] = 0xFF000000u | std::uint32_t{table[i].r} << 16 |
                       std::uint32_t{table[i].g} << 8 | table[i].b;
  }
  return palette;
}

void LoadPalette(DisplayRenderer& renderer, VideoOutput output) {
  renderer.palette = MakePalette(output);
}

void RenderFrame(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms) {
  const auto& memory = machine.memory;
  const auto& pixel = renderer.palette.pixel;

  // Paper and ink of each cell, with FLASH swapping them in phase 1.
  std::array<std::uint32_t, 768> cell_paper;
  for (int cell = 0; cell < 768; ++cell) {
    const std::uint8_t attr = memory[0x5800 + cell];
    const int bright = (attr & 0x40) ? 8 : 0;
    int ink = attr & 7;
    int paper = (attr >> 3) & 7;
    if ((attr & 0x80) && machine.flash_phase == 1) std::swap(ink, paper);
    renderer.cell_ink[cell] = static_cast<std::uint8_t>(ink + bright);
    cell_paper[cell] = pixel[paper + bright];
  }

  if (machine.fast_border) {
    const std::uint32_t border = BorderColour(renderer, machine);
    FillRect(renderer, 0, 0, kFrameWidth, kScreenTop, border);
    FillRect(renderer, kScreenTop + kScreenHeight, 0, kFrameWidth,
             kFrameHeight - kScreenTop - kScreenHeight, border);
    FillRect(renderer, kScreenTop, 0, kScreenLeft, kScreenHeight, border);
    FillRect(renderer, kScreenTop, kScreenLeft + kScreenWidth,
             kFrameWidth - kScreenLeft - kScreenWidth, kScreenHeight, border);
  }

  for (int y = 0; y < kScreenHeight; ++y) {
    std::uint32_t* out =
        renderer.frame_picture.data() + (kScreenTop + y) * kFrameWidth + kScreenLeft;
    const int cell_row = (y >> 3) * 32;
    const std::uint16_t line = BitmapAddress(y, 0);
    for (int c = 0; c < 32; ++c) {
      const auto& mask = kPixelMasks.mask[memory[line + c]];
      const std::uint32_t paper = cell_paper[cell_row + c];
      const std::uint32_t diff = pixel[renderer.cell_ink[cell_row + c]] ^ paper;
      for (int x = 0; x < 8; ++x) out[x] = paper ^ (diff & mask[x]);
      out += 8;
    }
  }

  // Unsigned difference keeps counting right across a tick wrap-around.
  if (now_ms - machine.flash_toggled_at > kFlashPeriodMs) {
    machine.flash_toggled_at = now_ms;
    machine.flash_phase ^= 1;
  }
}

void PaintBorderBand(DisplayRenderer& renderer, const Machine& machine, int row) {
  if (row < 0 || row >= kFrameHeight) return;
  const int height = std::min(2, kFrameHeight - row);
  FillRect(renderer, row, 0, kFrameWidth, height, BorderColour(renderer, machine));
}

void ScaleFramePicture(DisplayRenderer& renderer) {
  for (int y = 0; y < kFrameHeight; ++y) {
    const std::uint32_t* in = renderer.frame_picture.data() + y * kFrameWidth;
    std::uint32_t* out = renderer.scaled_picture.data() + 2 * y * kScaledWidth;
    for (int x = 0; x < kFrameWidth; ++x) {
      out[2 * x] = in[x];
      out[2 * x + 1] = in[x];
    }
    std::copy(out, out + kScaledWidth, out + kScaledWidth);
  }
}
