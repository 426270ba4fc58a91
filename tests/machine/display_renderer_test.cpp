// The rendered picture checked pixel by pixel: colours from attributes,
// BRIGHT and FLASH, the border in both modes, the bitmap's interleaved
// addressing, the palettes and the double-size copy.
#include "machine/display_renderer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}

class DisplayRendererTest : public ::testing::Test {
 protected:
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  std::unique_ptr<DisplayRenderer> renderer = std::make_unique<DisplayRenderer>();

  // Renders without letting the FLASH phase move.
  void Render() {
    machine->flash_toggled_at = 0;
    RenderFrame(*renderer, *machine, 0);
  }
  std::uint32_t Frame(int x, int y) const { return renderer->frame_picture[y * kFrameWidth + x]; }
  std::uint32_t Screen(int x, int y) const { return Frame(kScreenLeft + x, kScreenTop + y); }
  void SetAttr(int row, int col, std::uint8_t attr) { machine->memory[0x5800 + row * 32 + col] = attr; }
};

TEST_F(DisplayRendererTest, BitmapAddressFollowsTheInterleavedLayout) {
  struct Case {
    int y, c;
    std::uint16_t address;
  } cases[] = {
      {0, 0, 0x4000},  {1, 0, 0x4100},   {7, 0, 0x4700},   {8, 0, 0x4020},
      {9, 5, 0x4125},  {63, 0, 0x47E0},  {64, 0, 0x4800},  {100, 3, 0x4C83},
      {128, 0, 0x5000}, {191, 31, 0x57FF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BitmapAddress(c.y, c.c), c.address) << "y " << c.y << " c " << c.c;
    // The renderer must agree: one set bit lands on the one expected pixel.
    machine->memory.fill(0);
    for (int cell = 0; cell < 768; ++cell) machine->memory[0x5800 + cell] = 0x07;  // white ink on black
    machine->memory[c.address] = 0x80;
    Render();
    int lit = 0;
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x)
        if (Screen(x, y) != Rgb(0, 0, 0)) ++lit;
    EXPECT_EQ(lit, 1) << "y " << c.y;
    EXPECT_EQ(Screen(c.c * 8, c.y), Rgb(202, 202, 202)) << "y " << c.y << " c " << c.c;
  }
}

TEST_F(DisplayRendererTest, InkPaperAndBrightComeFromTheCellAttribute) {
  SetAttr(0, 0, 0x0B);  // paper 1 (blue), ink 3 (magenta)
  SetAttr(0, 1, 0x4B);  // the same, BRIGHT
  SetAttr(23, 31, 0x3A);  // last cell: paper 7, ink 2
  machine->memory[BitmapAddress(0, 0)] = 0xF0;
  machine->memory[BitmapAddress(0, 1)] = 0x01;
  machine->memory[BitmapAddress(191, 31)] = 0x01;
  Render();
  struct Case {
    int x, y;
    std::uint32_t colour;
    const char* what;
  } cases[] = {
      {0, 0, Rgb(202, 0, 202), "set pixel in ink"},
      {3, 0, Rgb(202, 0, 202), "fourth set pixel"},
      {4, 0, Rgb(0, 0, 202), "clear pixel in paper"},
      {0, 7, Rgb(0, 0, 202), "other lines of the cell in paper"},
      {8, 0, Rgb(0, 0, 255), "BRIGHT paper"},
      {15, 0, Rgb(255, 0, 255), "BRIGHT ink on the rightmost bit"},
      {16, 0, Rgb(0, 0, 0), "attribute 0: black paper"},
      {0, 8, Rgb(0, 0, 0), "the cell below keeps its own paper"},
      {255, 191, Rgb(202, 0, 0), "last pixel of the display"},
      {254, 191, Rgb(202, 202, 202), "its neighbour in paper"},
  };
  for (const auto& c : cases) EXPECT_EQ(Screen(c.x, c.y), c.colour) << c.what;
  EXPECT_EQ(renderer->cell_ink[0], 3);
  EXPECT_EQ(renderer->cell_ink[1], 11);
  EXPECT_EQ(renderer->cell_ink[767], 2);
}

TEST_F(DisplayRendererTest, FlashSwapsInkAndPaperInPhaseOneKeepingBright) {
  SetAttr(5, 5, 0xD5);  // FLASH, BRIGHT, paper 2 (red), ink 5 (cyan)
  SetAttr(6, 6, 0x80);  // FLASH black on black
  const std::uint16_t line = BitmapAddress(40, 5);
  machine->memory[line] = 0x80;
  machine->memory[BitmapAddress(48, 6)] = 0xFF;
  for (int phase : {0, 1}) {
    machine->flash_phase = static_cast<std::uint8_t>(phase);
    Render();
    const std::uint32_t cyan = Rgb(0, 255, 255), red = Rgb(255, 0, 0);
    EXPECT_EQ(Screen(40, 40), phase ? red : cyan) << "set pixel, phase " << phase;
    EXPECT_EQ(Screen(41, 40), phase ? cyan : red) << "clear pixel, phase " << phase;
    EXPECT_EQ(Screen(48, 48), Rgb(0, 0, 0)) << "80h set pixel, phase " << phase;
    EXPECT_EQ(Screen(48, 49), Rgb(0, 0, 0)) << "80h clear pixel, phase " << phase;
    EXPECT_EQ(renderer->cell_ink[5 * 32 + 5], phase ? 10 : 13);
  }
}

TEST_F(DisplayRendererTest, FlashPhaseTurnsAtTheFirstRenderAfterThreeHundredMs) {
  struct Case {
    std::uint32_t toggled_at, now;
    bool turns;
  } cases[] = {
      {1000, 1300, false},
      {1000, 1301, true},
      {1000, 1000, false},
      {0xFFFFFF00u, 0x00000100u, true},   // tick wrapped: 512 ms passed
      {0xFFFFFF00u, 0x00000010u, false},  // tick wrapped: 272 ms passed
  };
  for (const auto& c : cases) {
    machine->flash_phase = 0;
    machine->flash_toggled_at = c.toggled_at;
    SetAttr(0, 0, 0x81);  // FLASH, ink blue on black
    machine->memory[0x4000] = 0x80;
    RenderFrame(*renderer, *machine, c.now);
    EXPECT_EQ(machine->flash_phase, c.turns ? 1 : 0) << "at " << c.now;
    EXPECT_EQ(machine->flash_toggled_at, c.turns ? c.now : c.toggled_at) << "at " << c.now;
    EXPECT_EQ(Screen(0, 0), Rgb(0, 0, 202)) << "this render still uses the old phase";
  }
}

TEST_F(DisplayRendererTest, FastBorderUsesColoursZeroToSevenOnly) {
  for (int ula = 0; ula < 256; ula += 0x0F) {
    machine->ula_out = static_cast<std::uint8_t>(ula);
    Render();
    const std::uint32_t want = renderer->palette.pixel[ula & 7];
    for (auto [x, y] : {std::pair{0, 0}, {319, 239}, {31, 100}, {288, 100}, {100, 23}, {100, 216}})
      EXPECT_EQ(Frame(x, y), want) << "ula_out " << ula << " at " << x << "," << y;
  }
  machine->ula_out = 0x0F;
  Render();
  EXPECT_EQ(Frame(0, 0), Rgb(202, 202, 202)) << "border 7 is white, never bright white";
  EXPECT_EQ(Frame(32, 24), Rgb(0, 0, 0)) << "display area is not border";
}

TEST_F(DisplayRendererTest, SlowBorderShowsTwoRowBandsPaintedDuringTheFrame) {
  machine->fast_border = false;
  for (int row = 0; row < kFrameHeight; row += 2) {
    machine->ula_out = row < 120 ? 1 : 2;  // colour changes halfway down
    PaintBorderBand(*renderer, *machine, row);
  }
  machine->ula_out = 4;  // colour in force at the frame end is not used
  Render();
  for (int y = 0; y < kFrameHeight; ++y) {
    const std::uint32_t want = y < 120 ? Rgb(0, 0, 202) : Rgb(202, 0, 0);
    EXPECT_EQ(Frame(0, y), want) << "row " << y;
    EXPECT_EQ(Frame(319, y), want) << "row " << y;
  }
  EXPECT_EQ(Frame(32, 24), Rgb(0, 0, 0)) << "display area drawn over the bands";

  machine->fast_border = true;
  Render();
  EXPECT_EQ(Frame(0, 0), Rgb(0, 202, 0)) << "fast border takes the colour at frame end";
}

TEST_F(DisplayRendererTest, BorderBandsOutsideThePictureAreIgnored) {
  machine->ula_out = 6;
  const auto before = renderer->frame_picture;
  PaintBorderBand(*renderer, *machine, 240);
  PaintBorderBand(*renderer, *machine, -2);
  PaintBorderBand(*renderer, *machine, 100000);
  EXPECT_EQ(renderer->frame_picture, before);
  PaintBorderBand(*renderer, *machine, 239);  // only one row left
  EXPECT_EQ(Frame(5, 239), Rgb(202, 202, 0));
  EXPECT_EQ(Frame(5, 238), before[238 * kFrameWidth + 5]);
}

TEST_F(DisplayRendererTest, PalettesFollowTheOutputChoice) {
  struct Case {
    VideoOutput output;
    int index;
    std::uint32_t colour;
  } cases[] = {
      {VideoOutput::colour, 1, Rgb(0, 0, 202)},      {VideoOutput::colour, 8, Rgb(0, 0, 0)},
      {VideoOutput::colour, 14, Rgb(255, 255, 0)},   {VideoOutput::monochrome, 3, Rgb(82, 82, 82)},
      {VideoOutput::monochrome, 13, Rgb(180, 180, 180)}, {VideoOutput::green, 8, Rgb(0, 32, 0)},
      {VideoOutput::green, 7, Rgb(0, 212, 0)},       {VideoOutput::green, 15, Rgb(0, 255, 0)},
  };
  for (const auto& c : cases) {
    const Palette p = MakePalette(c.output);
    EXPECT_EQ(p.pixel[c.index], c.colour) << "index " << c.index;
    EXPECT_EQ(Rgb(p.red[c.index], p.green[c.index], p.blue[c.index]), c.colour);
  }
}

TEST_F(DisplayRendererTest, GreenScreenShowsBrightBlackAsDarkGreen) {
  SetAttr(0, 0, 0x40);  // BRIGHT black on black
  Render();
  EXPECT_EQ(Screen(0, 0), Rgb(0, 0, 0)) << "palette change waits for the next render";
  LoadPalette(*renderer, VideoOutput::green);
  EXPECT_EQ(Screen(0, 0), Rgb(0, 0, 0));
  Render();
  EXPECT_EQ(Screen(0, 0), Rgb(0, 32, 0));
  EXPECT_EQ(Frame(0, 0), Rgb(0, 0, 0)) << "the border is never bright";
}

TEST_F(DisplayRendererTest, DoubleSizeRepeatsEveryPixelTwiceEachWay) {
  for (int i = 0; i < kFrameWidth * kFrameHeight; ++i)
    renderer->frame_picture[i] = 0xFF000000u | static_cast<std::uint32_t>(i);
  ScaleFramePicture(*renderer);
  for (int y = 0; y < kScaledHeight; ++y)
    for (int x = 0; x < kScaledWidth; ++x)
      ASSERT_EQ(renderer->scaled_picture[y * kScaledWidth + x], Frame(x / 2, y / 2))
          << x << "," << y;
}

}  // namespace
