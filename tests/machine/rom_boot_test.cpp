// The real 48K ROM booted on the emulated machine through the emulation
// loop: the start-up screen must carry the copyright line in the ROM's own
// font, and a typed PRINT 2+2 must put 4 on the screen. Exercises the Z80
// core, memory protection, the port bus keyboard path, frame interrupts and
// the display memory layout together.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "cpu/cpu_state.h"
#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/speech.h"

namespace {

constexpr std::uint16_t kRomFont = 0x3D00;  // characters 20h-7Fh, 8 bytes each

// Emulated time stands in for the wall clock: 20 ms per frame.
class FrameClock final : public MillisecondClock {
 public:
  std::uint32_t NowMs() override { return now; }
  std::uint32_t now = 0;
};

class NoWindow final : public LoopHooks {
 public:
  void Present() override { ++presented; }
  void OpenDebugger() override { ADD_FAILURE() << "debugger opened during a plain run"; }
  int presented = 0;
};

class RomBootTest : public ::testing::Test {
 protected:
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  std::unique_ptr<DisplayRenderer> renderer = std::make_unique<DisplayRenderer>();
  CpuState cpu;
  Breakpoint breakpoint;
  FrameClock clock;
  NoWindow window;
  bool hex_mode = false;
  EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, window, hex_mode};

  void SetUp() override {
    InitMachine(*machine);
    ChooseNoLimit(*machine);  // run as fast as possible
    cpu.pc = 0x1234;          // anything the reset must replace
    ResetCpu(cpu);
  }

  void RunFrames(int frames) {
    for (int f = 0; f < frames; ++f) {
      const unsigned outcome = RunUntilFrameEnd(loop);
      ASSERT_EQ(outcome, static_cast<unsigned>(kPassFrameEnded));
      clock.now += 20;
    }
  }

  // One character row of the display read back through the ROM font; cells
  // that match no character read as '?'.
  std::string TextRow(int row) const {
    std::string text;
    for (int c = 0; c < 32; ++c) {
      char found = '?';
      for (int ch = 0x20; ch < 0x80; ++ch) {
        bool same = true;
        for (int line = 0; line < 8 && same; ++line) {
          same = machine->memory[BitmapAddress(row * 8 + line, c)] ==
                 machine->memory[kRomFont + (ch - 0x20) * 8 + line];
        }
        if (same) {
          found = static_cast<char>(ch);
          break;
        }
      }
      text += found;
    }
    return text;
  }

  std::string Screen() const {
    std::string all;
    for (int row = 0; row < 24; ++row) all += TextRow(row) + "\n";
    return all;
  }

  // The two lines where the ROM edits and reports.
  std::string LowerScreen() const { return TextRow(22) + "\n" + TextRow(23); }

  // Waits up to `limit` frames for `text` to appear on character row `row`.
  bool WaitForText(int row, const std::string& text, int limit) {
    for (int f = 0; f < limit; ++f) {
      if (TextRow(row).find(text) != std::string::npos) return true;
      RunFrames(1);
    }
    return TextRow(row).find(text) != std::string::npos;
  }

  // Holds the keys long enough for the ROM's keyboard scan to take them,
  // then lets go long enough for the same key to count again.
  void Type(std::initializer_list<HostKey> keys) {
    for (HostKey k : keys) machine->host_keys |= HostKeyBit(k);
    RunFrames(6);
    machine->host_keys = 0;
    RunFrames(8);
  }

  void BootToCopyright() {
    ASSERT_TRUE(WaitForText(23, "1982 Sinclair Research Ltd", 400))
        << "start-up screen not reached:\n" << Screen();
  }
};

TEST_F(RomBootTest, StartUpScreenShowsTheCopyrightOnWhite) {
  BootToCopyright();
  EXPECT_EQ(machine->ula_out & 7, 7) << "border white";
  for (int cell = 0; cell < 768; ++cell) {
    ASSERT_EQ(machine->memory[0x5800 + cell], 0x38) << "attribute of cell " << cell;
  }
  EXPECT_EQ(cpu.im, 1);
  EXPECT_GT(window.presented, 0);
  // The rendered picture agrees: white border, black ink on white paper.
  EXPECT_EQ(renderer->frame_picture[0], 0xFFCACACAu);
  for (int x = 0; x < kFrameWidth; ++x) {
    for (int y = 0; y < kFrameHeight; ++y) {
      const std::uint32_t p = renderer->frame_picture[y * kFrameWidth + x];
      ASSERT_TRUE(p == 0xFFCACACAu || p == 0xFF000000u) << x << "," << y;
    }
  }
  // The ROM's own start-up must not have touched itself.
  EXPECT_EQ(machine->write_floor, kProtectedFloor);
}

TEST_F(RomBootTest, TypedPrintTwoPlusTwoShowsFour) {
  BootToCopyright();
  Type({HostKey::P});                          // K mode: the keyword PRINT
  Type({HostKey::Digit2});
  Type({HostKey::RightShift, HostKey::K});     // SYMBOL SHIFT + K: "+"
  Type({HostKey::Digit2});
  ASSERT_NE(LowerScreen().find("PRINT 2+2"), std::string::npos)
      << "edit line not as typed:\n" << Screen();
  Type({HostKey::Return});
  RunFrames(10);
  EXPECT_EQ(TextRow(0).substr(0, 2), "4 ") << "result line:\n" << Screen();
  EXPECT_NE(LowerScreen().find("0 OK, 0:1"), std::string::npos) << Screen();
}

}  // namespace
