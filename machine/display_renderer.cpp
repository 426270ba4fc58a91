// Display rendering: palettes, the display area, the border and FLASH, drawn
// as the beam goes. The picture equals painting every cell's paper and then
// plotting its set pixels in ink, but is made in one pass over the bitmap
// so that a frame costs tens of microseconds rather than thousands of small
// drawings; rows the beam passes whole between two writes are drawn in one
// sweep, and only the row a write falls in step by step.
#include "machine/display_renderer.h"

#include <algorithm>
#include <climits>

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

namespace {

// Paper and ink of every attribute byte, FLASH swapping them in phase 1.
void BuildAttrColours(DisplayRenderer& renderer, std::uint8_t phase) {
  const auto& pixel = renderer.palette.pixel;
  for (int attr = 0; attr < 256; ++attr) {
    const int bright = (attr & 0x40) ? 8 : 0;
    int ink = attr & 7;
    int paper = (attr >> 3) & 7;
    if ((attr & 0x80) && phase == 1) std::swap(ink, paper);
    renderer.attr_ink[attr] = pixel[ink + bright];
    renderer.attr_paper[attr] = pixel[paper + bright];
  }
  renderer.attr_phase = phase;
}

void UseFlashPhase(DisplayRenderer& renderer, const Machine& machine) {
  if (renderer.attr_phase != machine.flash_phase) BuildAttrColours(renderer, machine.flash_phase);
}

inline void DrawByte(DisplayRenderer& renderer, std::uint32_t* out, std::uint8_t bitmap, std::uint8_t attr) {
  const auto& mask = kPixelMasks.mask[bitmap];
  const std::uint32_t paper = renderer.attr_paper[attr];
  const std::uint32_t diff = renderer.attr_ink[attr] ^ paper;
  for (int x = 0; x < 8; ++x) out[x] = paper ^ (diff & mask[x]);
}

std::uint32_t* RowPixels(DisplayRenderer& renderer, int row) {
  return renderer.frame_picture.data() + row * kFrameWidth;
}

bool IsDisplayRow(int row) { return row >= kScreenTop && row < kScreenTop + kScreenHeight; }

// A picture row's whole display line from memory as it stands.
void DrawDisplayLine(DisplayRenderer& renderer, const Machine& machine, int row) {
  const int y = row - kScreenTop;
  const auto& memory = machine.memory;
  const std::uint16_t line = BitmapAddress(y, 0);
  const std::uint16_t attrs = static_cast<std::uint16_t>(0x5800 + (y >> 3) * 32);
  std::uint32_t* out = RowPixels(renderer, row) + kScreenLeft;
  for (int c = 0; c < 32; ++c, out += 8) DrawByte(renderer, out, memory[line + c], memory[attrs + c]);
}

// Frame T-state of step `step` of picture row `row`.
std::int32_t StepTState(int row, int step) {
  const std::int32_t display = BeamRowTState(row);
  const std::int32_t border = display - kBeamBorderLead;
  if (!IsDisplayRow(row) || step < kBeamSideSteps) return border + 4 * step;
  const int fetch = step - kBeamSideSteps;
  if (fetch < 64) {
    const int c = fetch >> 1;
    return display + (kFirstFetchTState - kFirstDisplayTState) + (c >> 1) * 8 + (c & 1) * 2 + (fetch & 1);
  }
  return border + 4 * (fetch - 64 + kBeamBorderSteps - kBeamSideSteps);
}

int RowSteps(int row) { return IsDisplayRow(row) ? kBeamDisplaySteps : kBeamBorderSteps; }

void DrawStep(DisplayRenderer& renderer, const Machine& machine, int row, int step) {
  std::uint32_t* pixels = RowPixels(renderer, row);
  int group;  // border step: which 8 pixels of the row
  if (!IsDisplayRow(row)) {
    group = step;
  } else if (step < kBeamSideSteps) {
    group = step;
  } else if (step < kBeamSideSteps + 64) {
    const int fetch = step - kBeamSideSteps;
    const int y = row - kScreenTop;
    const int c = fetch >> 1;
    if ((fetch & 1) == 0) {
      renderer.beam_bitmap = machine.memory[BitmapAddress(y, c)];
    } else {
      const std::uint8_t attr = machine.memory[0x5800 + (y >> 3) * 32 + c];
      DrawByte(renderer, pixels + kScreenLeft + c * 8, renderer.beam_bitmap, attr);
    }
    return;
  } else {
    group = step - kBeamSideSteps - 64 + (kBeamBorderSteps - kBeamSideSteps);
  }
  if (machine.fast_border) return;
  std::fill(pixels + group * 8, pixels + group * 8 + 8, BorderColour(renderer, machine));
}

void DrawWholeRow(DisplayRenderer& renderer, const Machine& machine, int row, bool border) {
  std::uint32_t* pixels = RowPixels(renderer, row);
  const std::uint32_t colour = BorderColour(renderer, machine);
  if (!IsDisplayRow(row)) {
    if (border) std::fill(pixels, pixels + kFrameWidth, colour);
    return;
  }
  if (border) {
    std::fill(pixels, pixels + kScreenLeft, colour);
    std::fill(pixels + kScreenLeft + kScreenWidth, pixels + kFrameWidth, colour);
  }
  DrawDisplayLine(renderer, machine, row);
}

void AdvanceFlash(Machine& machine, std::uint32_t now_ms) {
  // Unsigned difference keeps counting right across a tick wrap-around.
  if (now_ms - machine.flash_toggled_at > kFlashPeriodMs) {
    machine.flash_toggled_at = now_ms;
    machine.flash_phase ^= 1;
  }
}

}  // namespace

void LoadPalette(DisplayRenderer& renderer, VideoOutput output) {
  renderer.palette = MakePalette(output);
  renderer.attr_phase = 0xFF;  // the attribute colours are the old palette's
}

void RenderFrame(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms) {
  BuildAttrColours(renderer, machine.flash_phase);
  for (int cell = 0; cell < 768; ++cell) {
    const std::uint8_t attr = machine.memory[0x5800 + cell];
    const int bright = (attr & 0x40) ? 8 : 0;
    const bool swap = (attr & 0x80) && machine.flash_phase == 1;
    renderer.cell_ink[cell] = static_cast<std::uint8_t>((swap ? (attr >> 3) & 7 : attr & 7) + bright);
  }
  for (int row = 0; row < kFrameHeight; ++row) DrawWholeRow(renderer, machine, row, true);
  renderer.picture_whole = true;
  AdvanceFlash(machine, now_ms);
}

void CatchUpBeam(DisplayRenderer& renderer, const Machine& machine, std::int32_t tstate) {
  UseFlashPhase(renderer, machine);
  renderer.picture_whole = false;
  int row = renderer.beam_row;
  int step = renderer.beam_step;
  while (row < kFrameHeight) {
    // A row the beam passes whole in one go is drawn in one sweep: all its
    // steps see the same memory and colour.
    if (step == 0 && tstate >= StepTState(row, RowSteps(row) - 1)) {
      DrawWholeRow(renderer, machine, row, !machine.fast_border);
      ++row;
      continue;
    }
    const int steps = RowSteps(row);
    while (step < steps && StepTState(row, step) <= tstate) DrawStep(renderer, machine, row, step++);
    if (step < steps) break;
    ++row;
    step = 0;
  }
  renderer.beam_row = row;
  renderer.beam_step = step;
  renderer.beam_next = row < kFrameHeight ? StepTState(row, step) : INT32_MAX;
}

void FinishFrame(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms) {
  CatchUpBeam(renderer, machine, INT32_MAX);
  if (machine.fast_border) {
    const std::uint32_t border = BorderColour(renderer, machine);
    FillRect(renderer, 0, 0, kFrameWidth, kScreenTop, border);
    FillRect(renderer, kScreenTop + kScreenHeight, 0, kFrameWidth, kFrameHeight - kScreenTop - kScreenHeight,
             border);
    FillRect(renderer, kScreenTop, 0, kScreenLeft, kScreenHeight, border);
    FillRect(renderer, kScreenTop, kScreenLeft + kScreenWidth, kFrameWidth - kScreenLeft - kScreenWidth,
             kScreenHeight, border);
  }
  renderer.picture_whole = true;
  AdvanceFlash(machine, now_ms);
  renderer.beam_row = 0;
  renderer.beam_step = 0;
  renderer.beam_next = StepTState(0, 0);
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
