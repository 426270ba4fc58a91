// DisplayRenderer: turns display memory and the border colour into the
// 320x240 picture of the main window (and its 640x480 double-size copy).
// Owned by the program's main for the whole run; called by the emulation
// loop at each frame end and for border bands, by the Video Out View and by
// the Output menu. Pictures are plain pixel arrays, 0xFFRRGGBB per pixel,
// rows top to bottom, so a window can wrap them without copying (Qt's
// QImage::Format_RGB32 uses exactly this layout).
#pragma once
#include <array>
#include <cstdint>

#include "machine/machine.h"

constexpr int kScreenWidth = 256;
constexpr int kScreenHeight = 192;
constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kScreenLeft = 32;  // display area inside the frame picture
constexpr int kScreenTop = 24;
constexpr int kScaledWidth = 640;
constexpr int kScaledHeight = 480;
constexpr std::uint32_t kFlashPeriodMs = 300;

// 16 colours: Spectrum colour 0-7, plus 8 with BRIGHT.
struct Palette {
  std::array<std::uint8_t, 16> red{};
  std::array<std::uint8_t, 16> green{};
  std::array<std::uint8_t, 16> blue{};
  std::array<std::uint32_t, 16> pixel{};  // the same colours as 0xFFRRGGBB
};

// The built-in table for an "Output" choice.
Palette MakePalette(VideoOutput output);

// About 1.5 MB: hold it on the heap (std::make_unique), not on the stack.
struct DisplayRenderer {
  Palette palette = MakePalette(VideoOutput::colour);
  // Palette index of each cell's set pixels in the last render, in
  // attribute order (cell = row * 32 + column).
  std::array<std::uint8_t, 768> cell_ink{};
  std::array<std::uint32_t, kFrameWidth * kFrameHeight> frame_picture{};
  std::array<std::uint32_t, kScaledWidth * kScaledHeight> scaled_picture{};
};

// The Output menu: takes the palette of `output`; the picture changes at
// the next render.
void LoadPalette(DisplayRenderer& renderer, VideoOutput output);

// Frame end: draws the display area from memory into frame_picture, the
// whole border too while fast_border is on, then advances the FLASH phase
// when more than 300 ms of `now_ms` (a millisecond tick) have passed.
void RenderFrame(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms);

// Border band: frame_picture rows `row` and `row + 1`, full width, in the
// current border colour. Rows past the picture are skipped.
void PaintBorderBand(DisplayRenderer& renderer, const Machine& machine, int row);

// Double size: scaled_picture = frame_picture with every pixel repeated
// twice across and twice down.
void ScaleFramePicture(DisplayRenderer& renderer);

// Byte address of pixel row y (0-191), column byte c (0-31).
constexpr std::uint16_t BitmapAddress(int y, int c) {
  return static_cast<std::uint16_t>(0x4000 + (y & 0xC0) * 32 + (y & 0x07) * 256 +
                                    (y & 0x38) * 4 + c);
}
