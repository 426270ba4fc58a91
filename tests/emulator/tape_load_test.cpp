// End to end through the tape: a TAP image built here (BASIC header and
// program blocks with true lengths and checksums) is inserted with "Open",
// LOAD "" is typed on the emulated keyboard, the real ROM loads the program
// through the tape trap and runs it, and its output is read off the screen.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/tape.h"
#include "snapshots/tape_fixtures.h"
#include "support/fake_host.h"

namespace {

struct TickingClock : MillisecondClock {
  std::uint32_t now = 0;
  std::uint32_t NowMs() override { return now += 20; }
};

struct QuietHooks : LoopHooks {
  void Present() override {}
  void OpenDebugger() override {}
};

// The character in a screen cell, matched against the ROM's own character
// set at 3D00h; '?' when no glyph matches.
char CellCharacter(const Machine& machine, int row, int column) {
  for (int code = 32; code < 128; ++code) {
    bool same = true;
    for (int line = 0; line < 8 && same; ++line) {
      same = machine.memory[BitmapAddress(row * 8 + line, column)] ==
             machine.memory[0x3D00 + (code - 32) * 8 + line];
    }
    if (same) return static_cast<char>(code);
  }
  return '?';
}

std::string ScreenText(const Machine& machine) {
  std::string text;
  for (int row = 0; row < 24; ++row) {
    for (int column = 0; column < 32; ++column) text += CellCharacter(machine, row, column);
    text += '\n';
  }
  return text;
}

// 10 PRINT "HELLO": line number (big-endian), length, PRINT token, the
// string, ENTER.
Bytes HelloProgram() {
  Bytes body{0xF5, '"', 'H', 'E', 'L', 'L', 'O', '"', 0x0D};
  Bytes line{0x00, 0x0A, static_cast<std::uint8_t>(body.size()), 0x00};
  line.insert(line.end(), body.begin(), body.end());
  return line;
}

class TapeLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMachine(*machine);
    ResetCpu(cpu);
    machine->speed_limited = false;
  }
  void TearDown() override { EjectTape(*machine); }

  void Frames(int count) {
    for (int k = 0; k < count; ++k) {
      while ((RunUntilFrameEnd(loop) & kPassFrameEnded) == 0) {
      }
    }
  }
  // Holds the keys long enough for the ROM's scan (one interrupt per frame)
  // and releases them long enough to count as a new press next time.
  void Press(std::initializer_list<HostKey> keys) {
    for (HostKey key : keys) machine->host_keys |= HostKeyBit(key);
    Frames(4);
    machine->host_keys = 0;
    Frames(4);
  }

  CpuState cpu;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  std::unique_ptr<DisplayRenderer> renderer = std::make_unique<DisplayRenderer>();
  Breakpoint breakpoint;
  TickingClock clock;
  QuietHooks hooks;
  bool hex_mode = false;
  EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};
  TempFolder folder;
  FakeHost host;
};

TEST_F(TapeLoadTest, LoadQuoteQuoteRunsTheTapedProgram) {
  const Bytes program = HelloProgram();
  const auto length = static_cast<std::uint16_t>(program.size());
  Bytes tape = TapBlock(0x00, BasicHeader("hello", length, 10));  // auto-run from line 10
  Bytes data = TapBlock(0xFF, program);
  tape.insert(tape.end(), data.begin(), data.end());
  const std::string path = folder.File("hello.tap");
  WriteFile(path, tape);

  Frames(150);  // the ROM's start-up: memory test, then the copyright line
  ASSERT_NE(ScreenText(*machine).find("1982 Sinclair Research Ltd"), std::string::npos)
      << ScreenText(*machine);

  host.open_paths.push_back(path);
  LoadFileDispatcher(*machine, cpu, host);
  ASSERT_TRUE(machine->tape_active);

  Press({HostKey::J});                          // LOAD in K mode
  Press({HostKey::RightShift, HostKey::P});     // "
  Press({HostKey::RightShift, HostKey::P});     // "
  Press({HostKey::Return});
  Frames(100);

  const std::string screen = ScreenText(*machine);
  EXPECT_NE(screen.find("Program: hello"), std::string::npos) << screen;
  EXPECT_NE(screen.find("HELLO"), std::string::npos) << screen;
  EXPECT_NE(screen.find("0 OK, 10:1"), std::string::npos) << screen;
  // Both blocks were consumed: the image is at its end.
  EXPECT_EQ(std::fgetc(machine->tape_file), EOF);
}

}  // namespace
