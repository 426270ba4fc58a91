// DisplayRenderer: turns display memory and the border colour into the
// 320x240 picture of the main window (and its 640x480 double-size copy).
// Owned by the program's main for the whole run. The picture is drawn as
// the beam goes: the processor's screen and border writes first draw it up
// to their T-state (Machine::beam), the emulation loop finishes it at each
// frame end; the Video Out View and Rewind render it whole. Pictures are
// plain pixel arrays, 0xFFRRGGBB per pixel, rows top to bottom, so a window
// can wrap them without copying (Qt's QImage::Format_RGB32 uses exactly
// this layout).
#pragma once
#include <array>
#include <cstdint>

#include "machine/machine.h"
#include "machine/ula_timing.h"

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

// Where the beam stands in the frame's picture, 320x240 of the 312x448
// the ULA scans: picture row 0 is frame line 40 (64 - 24), and each row is
// a list of steps in time order. A border row is 40 steps of 8 pixels
// (4 T each), from 16 T before the display column to 144 T after it. A
// display row is 4 such steps of left border, then for each of the 32
// column bytes its bitmap fetch and its attribute fetch (at the ULA's
// fetch T-states), then 4 steps of right border.
constexpr int kBeamFirstRow = kFirstScreenLine - kScreenTop;  // frame line 40
constexpr int kBeamBorderLead = 16;  // T-states of left border before the display
constexpr int kBeamBorderSteps = kFrameWidth / 8;  // 40
constexpr int kBeamSideSteps = kScreenLeft / 8;    // 4
constexpr int kBeamDisplaySteps = 2 * kBeamSideSteps + 2 * 32;  // 72
// Frame T-state at which picture row `row` meets the display's column 0.
constexpr std::int32_t BeamRowTState(int row) {
  return kFirstDisplayTState + (row - kScreenTop) * kLineTStates;
}

// About 1.5 MB: hold it on the heap (std::make_unique), not on the stack.
struct DisplayRenderer {
  Palette palette = MakePalette(VideoOutput::colour);
  // Palette index of each cell's set pixels in the last whole render, in
  // attribute order (cell = row * 32 + column).
  std::array<std::uint8_t, 768> cell_ink{};
  std::array<std::uint32_t, kFrameWidth * kFrameHeight> frame_picture{};
  std::array<std::uint32_t, kScaledWidth * kScaledHeight> scaled_picture{};
  // The beam: picture row and step within it drawn next, and that step's
  // frame T-state (INT32_MAX once the frame's picture is drawn whole), so
  // a write before it costs one compare.
  int beam_row = 0;
  int beam_step = 0;
  std::int32_t beam_next = BeamRowTState(0) - kBeamBorderLead;
  // The bitmap byte fetched whose attribute is still to come.
  std::uint8_t beam_bitmap = 0;
  // frame_picture holds a whole frame: the last one finished, or a whole
  // render, and the beam has drawn nothing of the next one yet.
  bool picture_whole = false;
  // Paper and ink of every attribute byte in the palette and the FLASH
  // phase they were made for.
  std::array<std::uint32_t, 256> attr_paper{};
  std::array<std::uint32_t, 256> attr_ink{};
  std::uint8_t attr_phase = 0xFF;
};

// The Output menu: takes the palette of `output`; the picture changes at
// the next render.
void LoadPalette(DisplayRenderer& renderer, VideoOutput output);

// The whole picture from memory and the border colour as they stand now
// (the Video Out View, a moment gone back to, a screenshot of a run
// stopped inside a frame), then advances the FLASH phase when more than
// 300 ms of `now_ms` (a millisecond tick) have passed. The beam's place in
// its frame is kept.
void RenderFrame(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms);

// Draws every step of the frame's picture up to and including frame
// T-state `tstate` from memory and the border colour as they stand: a step
// at the T-state of a write still sees what the write replaces.
void CatchUpBeam(DisplayRenderer& renderer, const Machine& machine, std::int32_t tstate);

// Frame end: draws the rest of the picture, the whole border in the
// colour now while fast_border is on, advances the FLASH phase as
// RenderFrame does, and puts the beam back to the frame's start.
void FinishFrame(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms);

// Frame T-state of the ULA's first fetch of a screen address (4000h-5AFFh)
// in the frame: a bitmap byte is fetched once, an attribute on each of its
// cell's 8 lines.
struct ScreenFetchTimes {
  std::array<std::int32_t, 0x1B00 / 32> row{};  // per 32-byte row of addresses
  constexpr ScreenFetchTimes() {
    for (int k = 0; k < 192; ++k) {
      const int y = (k & 0xC0) | (k & 0x07) << 3 | (k & 0x38) >> 3;
      row[k] = kFirstFetchTState + y * kLineTStates;
    }
    for (int r = 0; r < 24; ++r) row[192 + r] = kFirstFetchTState + 1 + r * 8 * kLineTStates;
  }
};
inline constexpr ScreenFetchTimes kScreenFetchTimes;
constexpr std::int32_t FirstFetchTState(std::uint16_t address) {
  const int offset = address - 0x4000;
  const int c = offset & 31;
  return kScreenFetchTimes.row[offset >> 5] + (c >> 1) * 8 + (c & 1) * 2;
}

constexpr bool IsScreenAddress(std::uint16_t address) {
  return static_cast<std::uint16_t>(address - 0x4000) < 0x1B00;
}

// The processor is about to store into screen memory at frame T-state
// `tstate`: the beam first draws what it met before, unless the store
// lands ahead of it (the byte is fetched later) or no picture is wired.
inline void BeforeScreenWrite(const Machine& machine, std::uint16_t address, std::int32_t tstate) {
  DisplayRenderer* beam = machine.beam;
  if (beam != nullptr && tstate >= beam->beam_next && FirstFetchTState(address) <= tstate) {
    CatchUpBeam(*beam, machine, tstate);
  }
}
// The border colour is about to change at `tstate`.
inline void BeforeBorderChange(const Machine& machine, std::int32_t tstate) {
  DisplayRenderer* beam = machine.beam;
  if (beam != nullptr && tstate >= beam->beam_next) CatchUpBeam(*beam, machine, tstate);
}

// Double size: scaled_picture = frame_picture with every pixel repeated
// twice across and twice down.
void ScaleFramePicture(DisplayRenderer& renderer);

// Byte address of pixel row y (0-191), column byte c (0-31).
constexpr std::uint16_t BitmapAddress(int y, int c) {
  return static_cast<std::uint16_t>(0x4000 + (y & 0xC0) * 32 + (y & 0x07) * 256 +
                                    (y & 0x38) * 4 + c);
}
