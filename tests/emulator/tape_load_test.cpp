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
  // Runs until the screen shows `text`, looking every 50 frames; false
  // after `limit` frames.
  bool FramesUntilScreenShows(const std::string& text, int limit) {
    for (int frame = 0; frame < limit; frame += 50) {
      Frames(50);
      if (ScreenText(*machine).find(text) != std::string::npos) return true;
    }
    return false;
  }
  void TypeLoadQuoteQuote() {
    Press({HostKey::J});                       // LOAD in K mode
    Press({HostKey::RightShift, HostKey::P});  // "
    Press({HostKey::RightShift, HostKey::P});  // "
    Press({HostKey::Return});
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
  EXPECT_EQ(machine->tape_signal.block, machine->tape_signal.image->blocks.size()) << "every block was played";

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

// 10 LOAD ""CODE, which the program runs at once (auto-run line 10).
Bytes LoadCodeProgram() {
  return {0x00, 0x0A, 0x05, 0x00, 0xEF, '"', '"', 0xAF, 0x0D};
}

// The BASIC program and a code block for 8000h, as TAP blocks.
std::vector<Bytes> ProgramAndCodeBlocks(const Bytes& code) {
  const Bytes program = LoadCodeProgram();
  return {TapBlock(0x00, BasicHeader("loader", static_cast<std::uint16_t>(program.size()), 10)),
          TapBlock(0xFF, program),
          TapBlock(0x00, CodeHeader("code", static_cast<std::uint16_t>(code.size()), 0x8000)),
          TapBlock(0xFF, code)};
}

TEST_F(TapeLoadTest, ProgramAndCodeLoadAlikeThroughTheTrapAndTheRomLoader) {
  Bytes code(300);
  for (std::size_t k = 0; k < code.size(); ++k) code[k] = static_cast<std::uint8_t>(k * 37 + 5);
  const std::vector<Bytes> blocks = ProgramAndCodeBlocks(code);
  Bytes tap, tzx_standard = TzxHeader(), tzx_turbo = TzxHeader();
  for (const Bytes& block : blocks) {
    tap.insert(tap.end(), block.begin(), block.end());
    const Bytes standard = TzxStandardBlock(block);
    tzx_standard.insert(tzx_standard.end(), standard.begin(), standard.end());
    const Bytes turbo = TzxTurboBlock(block, kStandardTimings);
    tzx_turbo.insert(tzx_turbo.end(), turbo.begin(), turbo.end());
  }
  const struct {
    const char* name;
    const Bytes& file;
    bool tzx;
    bool fast_load;
  } cases[] = {
      {"TAP through the trap", tap, false, true},
      {"TAP through the ROM loader", tap, false, false},
      {"TZX 10h through the trap", tzx_standard, true, true},
      {"TZX 10h through the ROM loader", tzx_standard, true, false},
      {"TZX 11h at standard timings through the ROM loader", tzx_turbo, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Frames(150);
    const std::string path = folder.File(c.tzx ? "tape.tzx" : "tape.tap");
    WriteFile(path, c.file);
    machine->fast_load = c.fast_load;
    host.open_paths.push_back(path);
    LoadFileDispatcher(*machine, cpu, host);
    ASSERT_TRUE(machine->tape_active);
    const std::uint64_t inserted_at = machine->tape_signal.clock;
    TypeLoadQuoteQuote();
    ASSERT_TRUE(FramesUntilScreenShows("0 OK, 10:1", 3000)) << ScreenText(*machine);
    // Through the ROM's loader, four pilot tones and pauses alone take over
    // 8 emulated seconds; the trap is done within two.
    const std::uint64_t seconds = (machine->tape_signal.clock - inserted_at) / 3'500'000;
    EXPECT_EQ(seconds >= 8, !c.fast_load) << seconds << " s";
    const std::uint16_t prog = static_cast<std::uint16_t>(machine->memory[23635] | machine->memory[23636] << 8);
    const Bytes program = LoadCodeProgram();
    EXPECT_TRUE(std::equal(program.begin(), program.end(), machine->memory.begin() + prog)) << "the program";
    EXPECT_TRUE(std::equal(code.begin(), code.end(), machine->memory.begin() + 0x8000)) << "the code block";
    EjectTape(*machine);
  }
}

// A loader of its own at 8000h, as games carry them: it times the EAR
// bit's edges with a counting loop of 39 T-states, finds the sync pulse
// after the pilot (a pulse under 15 counts) and reads 4 bytes to 9000h,
// a bit being two pulses of together under 28 counts (0) or more (1).
const Bytes kEdgeTimingLoader{
    0xF3,              // 8000 DI
    0x01, 0xFE, 0x7F,  // 8001 LD BC,7FFEh
    0xED, 0x78,        // 8004 IN A,(C)
    0xE6, 0x40,        // 8006 AND 40h
    0x67,              // 8008 LD H,A       ; the level now
    0xCD, 0x3B, 0x80,  // 8009 CALL EDGE    ; the first whole pulse starts
    0x16, 0x00,        // 800C SYNC: LD D,0
    0xCD, 0x3B, 0x80,  // 800E CALL EDGE
    0x7A,              // 8011 LD A,D
    0xFE, 0x0F,        // 8012 CP 15
    0x30, 0xF6,        // 8014 JR NC,SYNC   ; pilot: long pulses
    0xCD, 0x3B, 0x80,  // 8016 CALL EDGE    ; the second sync pulse
    0xDD, 0x21, 0x00, 0x90,  // 8019 LD IX,9000h
    0x2E, 0x04,        // 801D LD L,4
    0x1E, 0x01,        // 801F BYTE: LD E,1  ; marker bit: 8 shifts to carry
    0x16, 0x00,        // 8021 BIT: LD D,0
    0xCD, 0x3B, 0x80,  // 8023 CALL EDGE
    0xCD, 0x3B, 0x80,  // 8026 CALL EDGE
    0x7A,              // 8029 LD A,D
    0xFE, 0x1C,        // 802A CP 28
    0x3F,              // 802C CCF          ; carry = long = 1
    0xCB, 0x13,        // 802D RL E
    0x30, 0xF0,        // 802F JR NC,BIT
    0xDD, 0x73, 0x00,  // 8031 LD (IX+0),E
    0xDD, 0x23,        // 8034 INC IX
    0x2D,              // 8036 DEC L
    0x20, 0xE6,        // 8037 JR NZ,BYTE
    0x18, 0xFE,        // 8039 DONE: JR DONE
    0x14,              // 803B EDGE: INC D
    0xED, 0x78,        // 803C IN A,(C)
    0xAC,              // 803E XOR H
    0xE6, 0x40,        // 803F AND 40h
    0x28, 0xF8,        // 8041 JR Z,EDGE
    0x7C,              // 8043 LD A,H
    0xEE, 0x40,        // 8044 XOR 40h
    0x67,              // 8046 LD H,A
    0xC9,              // 8047 RET
};
constexpr std::uint16_t kLoaderDone = 0x8039;

TEST_F(TapeLoadTest, OwnEdgeTimingLoaderReadsATurboBlock) {
  // Pulses of about half the ROM's: pilot 1000, sync 300, bits 400/800 T.
  const Bytes data{0x00, 0xFF, 0xA5, 0x3C};
  Bytes block{0, 0};  // a TAP-style length the turbo block leaves out
  block.insert(block.end(), data.begin(), data.end());
  const Bytes tzx = Joined({TzxHeader(), TzxTurboBlock(block, {1000, 300, 300, 400, 800, 500})});
  Frames(150);
  std::copy(kEdgeTimingLoader.begin(), kEdgeTimingLoader.end(), machine->memory.begin() + 0x8000);
  cpu.pc = 0x8000;
  const std::string path = folder.File("turbo.tzx");
  WriteFile(path, tzx);
  ASSERT_EQ(OpenFile(*machine, cpu, path), std::nullopt);
  for (int pass = 0; pass < 2'000'000 && cpu.pc != kLoaderDone; ++pass) RunPass(loop);
  ASSERT_EQ(cpu.pc, kLoaderDone);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), machine->memory.begin() + 0x9000))
      << std::hex << int(machine->memory[0x9000]) << ' ' << int(machine->memory[0x9001]) << ' '
      << int(machine->memory[0x9002]) << ' ' << int(machine->memory[0x9003]);
}

}  // namespace
