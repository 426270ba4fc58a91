// The rendered picture checked pixel by pixel: colours from attributes,
// BRIGHT and FLASH, the border and the screen as the beam meets them in
// both border modes, the bitmap's interleaved addressing, the palettes and
// the double-size copy.
#include "machine/display_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "machine/port_bus.h"

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

// Frame T-state of the border step that draws pixel (x, y) of the picture:
// 8 pixels every 4 T, from 16 T before the display column.
std::int32_t BorderStepTState(int x, int y) { return BeamRowTState(y) - kBeamBorderLead + 4 * (x / 8); }

bool IsBorder(int x, int y) {
  return x < kScreenLeft || x >= kScreenLeft + kScreenWidth || y < kScreenTop || y >= kScreenTop + kScreenHeight;
}

// Border colours sent to the ULA port at chosen T-states: every 8 pixels
// of every border line show the colour in force at their step, the step
// at a write's own T-state still the old one; with "Fast Border Render"
// the whole border takes the colour at the frame end.
TEST_F(DisplayRendererTest, BeamShowsEachBorderStepInTheColourOfItsTState) {
  machine->beam = renderer.get();
  struct Change {
    std::int32_t tstate;
    std::uint8_t colour;
  };
  const Change changes[] = {
      {BeamRowTState(5) + 60, 2},       // mid-way along a top border line
      {BeamRowTState(30) - 16, 3},      // on a left border step's own T-state
      {BeamRowTState(100) + 130, 4},    // in a right border
      {BeamRowTState(230) + 180, 5},    // in the blanking after a bottom line
  };
  for (bool fast : {false, true}) {
    machine->fast_border = fast;
    machine->ula_out = 1;
    for (const Change& change : changes) PortWrite(*machine, 0xFE, 0xFF, change.colour, change.tstate);
    FinishFrame(*renderer, *machine, 0);
    int wrong = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
      for (int x = 0; x < kFrameWidth; ++x) {
        if (!IsBorder(x, y)) continue;
        int colour = 1;
        for (const Change& change : changes) {
          if (BorderStepTState(x, y) > change.tstate) colour = change.colour;
        }
        if (fast) colour = 5;
        if (Frame(x, y) != renderer->palette.pixel[colour] && wrong++ < 5) {
          ADD_FAILURE() << (fast ? "fast" : "beam") << " border at " << x << "," << y << " is not colour " << colour;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// Screen writes at chosen T-states, as the processor's stores reach the
// bus: a byte or attribute shows as the ULA fetched it, so a write lands
// from the first fetch after it (a fetch at the write's own T-state still
// reads the old byte); an attribute is fetched on every line of its cell.
TEST_F(DisplayRendererTest, ScreenWritesShowFromTheFirstFetchAfterThem) {
  auto fetch = [](int y, int c) { return kFirstFetchTState + y * kLineTStates + (c >> 1) * 8 + (c & 1) * 2; };
  struct Write {
    const char* what;
    std::uint16_t address;
    std::int32_t tstate;
    int x, y;        // the display pixel looked at (ink where the bitmap is set)
    bool new_there;  // whether it shows the new byte
  };
  const Write writes[] = {
      {"attribute before line 100's fetch", 0x5800 + 12 * 32 + 3, fetch(100, 3), 24, 101, true},
      {"... but after line 99's", 0x5800 + 12 * 32 + 3, fetch(100, 3), 24, 99, false},
      {"attribute at line 100's fetch itself", 0x5800 + 12 * 32 + 5, fetch(100, 5) + 1, 40, 100, false},
      {"... shows from line 101", 0x5800 + 12 * 32 + 5, fetch(100, 5) + 1, 40, 101, true},
      {"bitmap byte at its own fetch", BitmapAddress(50, 7), fetch(50, 7), 56, 50, false},
      {"bitmap byte a T-state before it", BitmapAddress(60, 8), fetch(60, 8) - 1, 64, 60, true},
      {"attribute between the fetches of byte and attribute", 0x5800 + (70 / 8) * 32 + 10, fetch(70, 10), 80, 70, true},
      {"byte ahead of the beam", BitmapAddress(190, 31), 20000, 248, 190, true},
      {"byte the beam passed", BitmapAddress(0, 0), 60000, 0, 0, false},
  };
  machine->beam = renderer.get();
  for (int a = 0x4000; a < 0x5800; ++a) machine->memory[a] = 0x00;
  for (int a = 0x5800; a < 0x5B00; ++a) machine->memory[a] = 0x38;  // black ink on white paper
  // In time order, as the processor makes them: new bitmap bytes set every
  // pixel (ink), new attributes turn the paper red.
  std::vector<const Write*> order;
  for (const Write& w : writes) order.push_back(&w);
  std::stable_sort(order.begin(), order.end(), [](const Write* a, const Write* b) { return a->tstate < b->tstate; });
  for (const Write* w : order) {
    BeforeScreenWrite(*machine, w->address, w->tstate);
    machine->memory[w->address] = w->address >= 0x5800 ? 0x10 : 0xFF;
  }
  FinishFrame(*renderer, *machine, 0);
  for (const Write& w : writes) {
    const bool attribute = w.address >= 0x5800;
    const std::uint32_t now = Screen(w.x, w.y);
    const std::uint32_t changed = attribute ? Rgb(202, 0, 0) : Rgb(0, 0, 0);
    EXPECT_EQ(now == changed, w.new_there) << w.what;
  }
  // The next frame shows memory as it stands.
  FinishFrame(*renderer, *machine, 0);
  EXPECT_EQ(Screen(0, 0), Rgb(0, 0, 0)) << "the byte the beam passed shows in the next frame";
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
