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

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// One ROM boot, then three tapes typed at with LOAD "": blocks the ROM
// passes over while it looks for a header, blocks that end the load with
// its error report, and a tape that has run out, which leaves the ROM
// waiting until BREAK.
TEST_F(TapeLoadTest, LoadQuoteQuoteSkipsBadHeadersReportsBadDataAndWaitsAtTheEnd) {
  const Bytes program = HelloProgram();
  const auto length = static_cast<std::uint16_t>(program.size());
  const Bytes header = TapBlock(0x00, BasicHeader("hello", length, 10));  // auto-run from line 10
  const Bytes data = TapBlock(0xFF, program);
  Bytes bad_checksum = header;
  bad_checksum.back() ^= 0x01;
  Bytes long_header = BasicHeader("longer", length, 10);
  long_header.push_back(0x42);

  Frames(150);  // the ROM's start-up: memory test, then the copyright line
  ASSERT_NE(ScreenText(*machine).find("1982 Sinclair Research Ltd"), std::string::npos)
      << ScreenText(*machine);
  auto load_from = [&](const std::string& name, const Bytes& tape) {
    const std::string path = folder.File(name);
    WriteFile(path, tape);
    host.open_paths.push_back(path);
    LoadFileDispatcher(*machine, cpu, host);
    ASSERT_TRUE(machine->tape_active) << name;
    Press({HostKey::J});                       // LOAD in K mode
    Press({HostKey::RightShift, HostKey::P});  // "
    Press({HostKey::RightShift, HostKey::P});  // "
    Press({HostKey::Return});
    Frames(100);
  };

  // A data block, a header with a bad checksum and one a byte too long go
  // by; the good header and its program load and run.
  load_from("skips.tap", Concat(Concat(Concat(Concat(data, bad_checksum), TapBlock(0x00, long_header)), header), data));
  std::string screen = ScreenText(*machine);
  EXPECT_EQ(screen.find("longer"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Program: hello"), std::string::npos) << screen;
  EXPECT_NE(screen.find("HELLO"), std::string::npos) << screen;
  EXPECT_NE(screen.find("0 OK, 10:1"), std::string::npos) << screen;
  EXPECT_EQ(machine->tape_file->next_block, machine->tape_file->blocks.size()) << "every block was played";

  // After its header, a program block with a bad checksum, a wrong flag or
  // a wrong length is the ROM's "R Tape loading error".
  Bytes bad_data = data;
  bad_data.back() ^= 0x80;
  const Bytes wrong_flag = TapBlock(0x00, program);
  const Bytes too_short = TapBlock(0xFF, Bytes(program.begin(), program.end() - 1));
  for (const Bytes& block : {bad_data, wrong_flag, too_short}) {
    load_from("error.tap", Concat(header, block));
    screen = ScreenText(*machine);
    EXPECT_NE(screen.find("R Tape loading error"), std::string::npos) << screen;
  }

  // The tape has run out: the ROM waits in its loader for a signal, and
  // BREAK (CAPS SHIFT + SPACE) stops it.
  Press({HostKey::J});
  Press({HostKey::RightShift, HostKey::P});
  Press({HostKey::RightShift, HostKey::P});
  Press({HostKey::Return});
  Frames(50);
  EXPECT_GE(cpu.pc, 0x0556);
  EXPECT_LT(cpu.pc, 0x0605) << "waiting in LD-BYTES";
  Press({HostKey::LeftShift, HostKey::Space});
  Frames(10);
  screen = ScreenText(*machine);
  EXPECT_NE(screen.find("D BREAK - CONT repeats"), std::string::npos) << screen;
}

}  // namespace
