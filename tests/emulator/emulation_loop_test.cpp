// The emulation loop without a window: frame ends, border bands, events
// before the interrupt, trace flushing, the tape trap and the breakpoint kinds, run on a real
// Machine and the real core with a settable clock and recording hooks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "debugger/trace_file.h"
#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "snapshots/tape.h"

namespace {

struct SetClock : MillisecondClock {
  std::uint32_t now = 0;
  std::uint32_t NowMs() override { return now; }
};

struct RecordingHooks : LoopHooks {
  const CpuState* cpu = nullptr;
  int presents = 0;
  int debugger_opens = 0;
  int event_turns = 0;
  std::uint16_t pc_at_events = 0;
  void Present() override { ++presents; }
  void OpenDebugger() override { ++debugger_opens; }
  void BetweenFrames() override {
    ++event_turns;
    if (cpu != nullptr) pc_at_events = cpu->pc;
  }
};

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMachine(*machine);
    ResetCpu(cpu);
    machine->speed_limited = false;
    cpu.pc = 0x8000;  // RAM is zero: NOPs, 4 T-states each
  }

  CpuState cpu;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  std::unique_ptr<DisplayRenderer> renderer = std::make_unique<DisplayRenderer>();
  Breakpoint breakpoint;
  SetClock clock;
  RecordingHooks hooks;
  bool hex_mode = false;
  EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};
};

// NOPs (4 T) and undefined ED codes (8 T), moved into the frame in lumps
// once above 548: every frame is exactly 69,888 T-states, what the last
// lump ran past its end opening the next one.
TEST_F(LoopTest, FramesCarryTheirOverrunSoNoTStateIsLost) {
  struct Row { const char* name; std::uint8_t first, second; std::int64_t tstates; };
  const Row rows[] = {{"NOP", 0x00, 0x00, 4}, {"ED 00", 0xED, 0x00, 8}};
  for (const Row& row : rows) {
    SetUp();
    hooks = RecordingHooks{};
    for (std::uint32_t a = 0x8000; a < 0xF000; a += 2) {
      machine->memory[a] = row.first;
      machine->memory[a + 1] = row.second;
    }
    int frames = 0;
    std::int64_t run = 0;
    while (frames < 5 && run < 6 * kFrameTStates) {
      if (cpu.pc >= 0xF000) cpu.pc = 0x8000;  // stay on the code, off the ROM
      const unsigned outcome = RunPass(loop);
      run += row.tstates;
      if (outcome & kPassFrameEnded) {
        ++frames;
        EXPECT_EQ(static_cast<std::int64_t>(machine->frame_tstates) + cpu.tstates, run - frames * kFrameTStates)
            << row.name << " frame " << frames;
        EXPECT_LT(machine->frame_tstates, kTransferThreshold + 8) << row.name;
      }
    }
    EXPECT_EQ(frames, 5) << row.name;
    EXPECT_EQ(hooks.presents, 5) << row.name;
  }
}

TEST_F(LoopTest, ATransferPastTwoFrameEndsEndsBothAndKeepsTheRest) {
  cpu.iff = 1;
  cpu.im = 1;
  machine->frame_tstates = 69000;
  cpu.tstates = 71000;  // as a step longer than a frame would leave it
  EXPECT_EQ(RunPass(loop), unsigned{kPassFrameEnded});
  EXPECT_EQ(hooks.presents, 2);
  EXPECT_EQ(hooks.event_turns, 2);
  EXPECT_EQ(machine->frame_tstates, 69000 + 71000 + 4 - 2 * kFrameTStates);
  EXPECT_EQ(cpu.pc, 0x0038) << "the first frame end takes the interrupt";
  EXPECT_EQ(cpu.sp, 0xF000 - 2) << "the second finds interrupts disabled by the first";
  EXPECT_EQ(RunPass(loop) & kPassFrameEnded, 0u);
}

TEST_F(LoopTest, TStatesStayInTheCpuUntilAbove548) {
  cpu.tstates = 544;
  RunPass(loop);  // NOP: 548, not above the threshold
  EXPECT_EQ(cpu.tstates, 548);
  EXPECT_EQ(machine->frame_tstates, 0);
  RunPass(loop);  // 552
  EXPECT_EQ(cpu.tstates, 0);
  EXPECT_EQ(machine->frame_tstates, 552);
}

TEST_F(LoopTest, FrameEndHandlesEventsThenSamplesKeyboardAndTakesTheInterrupt) {
  hooks.cpu = &cpu;
  machine->host_keys = HostKeyBit(HostKey::Q);
  cpu.iff = 1;
  cpu.im = 1;
  machine->frame_tstates = kFrameTStates - 4;
  cpu.tstates = 600;
  RunPass(loop);
  EXPECT_EQ(hooks.event_turns, 1);
  EXPECT_EQ(hooks.pc_at_events, 0x8001) << "events must come before the interrupt's acceptance";
  EXPECT_EQ(machine->key_rows[2], 0x01) << "Q is row 2 bit 0";
  EXPECT_EQ(cpu.pc, 0x0038) << "IM 1 interrupt accepted at frame end";
}

TEST_F(LoopTest, SlowBorderPaintsAtMostOneHundredTwentyBandsInStripes) {
  machine->fast_border = false;
  machine->ula_out = 1;  // blue for the first half of the frame
  const std::uint32_t blue = renderer->palette.pixel[1];
  const std::uint32_t red = renderer->palette.pixel[2];
  renderer->frame_picture.fill(0);

  int bands = 0;
  bool ended = false;
  while (!ended) {
    const int before = machine->border_band;
    ended = (RunPass(loop) & kPassFrameEnded) != 0;
    if (!ended && machine->border_band != before) ++bands;
    if (!ended) {
      ASSERT_LE(machine->border_band, 240) << "a band below the picture was painted";
    }
    if (bands == 60) machine->ula_out = 2;
  }
  // 126 transfers happen before the frame closes; only 120 may paint.
  EXPECT_EQ(bands, 120);
  EXPECT_EQ(machine->border_band, 0);
  EXPECT_EQ(renderer->frame_picture[0], blue) << "top band in the colour of the frame's start";
  EXPECT_EQ(renderer->frame_picture[239 * kFrameWidth + 319], red)
      << "bottom band in the colour set half way";
}

class LoopFilesTest : public LoopTest {
 protected:
  void SetUp() override {
    LoopTest::SetUp();
    dir = std::filesystem::temp_directory_path() /
          ("vantro_loop_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    old_dir = std::filesystem::current_path();
    std::filesystem::current_path(dir);
  }
  void TearDown() override {
    EjectTape(*machine);
    std::filesystem::current_path(old_dir);
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir, old_dir;
};

TEST_F(LoopFilesTest, TraceFlushesAtSixtyFourThousandWithTrailingEmptyLine) {
  StartTrace(*machine, ClockTime{12, 34, 56, 7, 8, 2024});
  const std::size_t header = machine->trace_fill;
  int passes = 0;
  unsigned outcome = kPassPlain;
  while (!(outcome & kPassTraceFlushed) && passes < 1000) {
    outcome = RunPass(loop);
    ++passes;
    if (!(outcome & kPassTraceFlushed)) {
      ASSERT_EQ(hooks.debugger_opens, 0) << "debugger opened before the buffer was full";
    }
  }
  const std::size_t lines = (kTraceFlushThreshold - header + kTraceLineLength - 1) / kTraceLineLength;
  EXPECT_EQ(static_cast<std::size_t>(passes), lines);
  EXPECT_FALSE(machine->trace_on);
  EXPECT_EQ(hooks.debugger_opens, 1);

  std::ifstream in("debug.lst", std::ios::binary);
  ASSERT_TRUE(in) << "debug.lst not written to the current directory";
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.size(), header + lines * kTraceLineLength + 2);
  EXPECT_EQ(text.substr(0, 6), "START ");
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n") << "block must end with an empty line";

  // Untraced passes afterwards leave the file alone.
  for (int i = 0; i < 100; ++i) RunPass(loop);
  EXPECT_EQ(std::filesystem::file_size("debug.lst"), text.size());
}

TEST_F(LoopFilesTest, ShortTraceStaysInTheBuffer) {
  StartTrace(*machine, ClockTime{});
  for (int i = 0; i < 100; ++i) EXPECT_EQ(RunPass(loop) & kPassTraceFlushed, 0u);
  EXPECT_TRUE(machine->trace_on);
  EXPECT_FALSE(std::filesystem::exists("debug.lst"));
  EXPECT_EQ(hooks.debugger_opens, 0);
}

TEST_F(LoopFilesTest, RepeatingBlockInstructionIsOneTraceLineWithItsLastRegisters) {
  const std::uint8_t code[] = {0x00, 0xED, 0xB0, 0x00};  // NOP; LDIR; NOP
  for (std::size_t i = 0; i < sizeof code; ++i) machine->memory[0x8000 + i] = code[i];
  cpu.b = 0;
  cpu.c = 5;
  cpu.h = 0x90;
  cpu.d = 0xA0;
  StartTrace(*machine, ClockTime{});
  const std::size_t header = machine->trace_fill;
  for (int i = 0; i < 7; ++i) RunPass(loop);  // NOP, five passes, NOP
  EXPECT_EQ(cpu.pc, 0x8004);
  ASSERT_EQ(machine->trace_fill, header + 3 * kTraceLineLength);
  const std::string ldir(reinterpret_cast<const char*>(machine->trace_buffer.data()) + header + kTraceLineLength,
                         kTraceLineLength);
  EXPECT_EQ(ldir.substr(0, 12), "32769 8001  ");
  EXPECT_EQ(ldir.substr(26, 4), "LDIR");
  EXPECT_EQ(ldir.substr(60, 4), "0000") << "BC after the last pass";
}

TEST_F(LoopFilesTest, TapeTrapServesLoadButNotVerify) {
  // One block: length 5, flag FFh, three data bytes, checksum.
  const std::vector<unsigned char> tap = {0x05, 0x00, 0xFF, 0x11, 0x22, 0x33, 0xFF};
  {
    std::ofstream out("game.tap", std::ios::binary);
    out.write(reinterpret_cast<const char*>(tap.data()), static_cast<std::streamsize>(tap.size()));
  }
  struct Case {
    bool carry;
    std::uint16_t pc_after;
    std::uint8_t first_byte;
    const char* what;
  };
  for (Case c : {Case{false, kTapeTrapAddress, 0x00, "VERIFY runs the ROM routine"},
                 Case{true, kTapeTrapReturn, 0x11, "LOAD is served from the tape"}}) {
    ASSERT_FALSE(InsertTape(*machine, "game.tap"));
    machine->memory[0x9000] = 0;
    // JP 0556h at 8000h: after it the trap sees the loader's entry.
    machine->memory[0x8000] = 0xC3;
    machine->memory[0x8001] = 0x56;
    machine->memory[0x8002] = 0x05;
    cpu.pc = 0x8000;
    cpu.f = c.carry ? kFlagC : 0;
    cpu.a = 0xFF;  // the data block's flag
    cpu.ix = 0x9000;
    cpu.d = 0;
    cpu.e = 3;
    RunPass(loop);
    EXPECT_EQ(cpu.pc, c.pc_after) << c.what;
    EXPECT_EQ(machine->memory[0x9000], c.first_byte) << c.what;
    if (c.carry) {
      EXPECT_EQ(machine->memory[0x9002], 0x33) << c.what;
      EXPECT_EQ(cpu.ix, 0x9003) << c.what;
      EXPECT_EQ(cpu.f & kFlagC, kFlagC) << "the ROM sees carry set: loaded";
    }
  }
}

// The breakpoint kinds through the loop: arm, run one instruction, see
// whether the debugger opened.
TEST_F(LoopTest, BreakpointKindsFireAsTabled) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> code;  // at 8000h
    int passes;
    Breakpoint bp;
    bool fires;
  };
  auto flag = [](int kind, std::uint8_t f_at_arming) {
    Breakpoint b;
    b.kind = static_cast<std::uint8_t>(kind);
    b.mask = kind < 8 ? static_cast<std::uint8_t>(0x80 >> kind) : 0xFF;
    b.value = static_cast<std::uint16_t>(f_at_arming & b.mask);
    return b;
  };
  auto reg = [](int kind, std::uint16_t value, BreakMode mode) {
    Breakpoint b;
    b.kind = static_cast<std::uint8_t>(kind);
    b.value = value;
    b.mode = mode;
    return b;
  };
  Breakpoint opcode_dd;
  opcode_dd.kind = 18;
  opcode_dd.opcode = 0xDD;
  Breakpoint opcode_ed = opcode_dd;
  opcode_ed.opcode = 0xED;
  const std::vector<Case> cases = {
      // XOR A sets Z and P/V, clears C: F = 44h.
      {"Z watched, changes", {0xAF}, 1, flag(1, 0x00), true},
      {"C watched, stays clear", {0xAF}, 1, flag(7, 0x00), false},
      {"Any, F changes", {0xAF}, 1, flag(8, 0x00), true},
      {"Any, F unchanged by NOP", {0x00}, 1, flag(8, 0x00), false},
      {"bit 5 copied from A by SCF", {0x3E, 0x28, 0x37}, 2, flag(2, 0x00), true},
      {"bit 5 not touched by LD A", {0x3E, 0x28, 0x37}, 1, flag(2, 0x00), false},
      {"opcode DDh before LD IX", {0x00, 0xDD, 0x21, 0x00, 0x00}, 1, opcode_dd, true},
      {"opcode DDh not inside LD A,DDh", {0x3E, 0xDD, 0x00}, 2, opcode_dd, false},
      {"PC equal: next instruction's address", {0x00}, 1, reg(34, 0x8001, BreakMode::equal), true},
      {"PC equal: elsewhere", {0x00}, 1, reg(34, 0x9000, BreakMode::equal), false},
      {"A equal after LD A,5", {0x3E, 0x05}, 1, reg(19, 5, BreakMode::equal), true},
      {"BC equal after LD BC,1234h", {0x01, 0x34, 0x12}, 1, reg(29, 0x1234, BreakMode::equal), true},
      {"HL change by NOP", {0x00}, 1, reg(31, 0, BreakMode::change), false},
      {"R change after any instruction", {0x00}, 1, reg(28, 0, BreakMode::change), true},
      {"SP equal F000h at once", {0x00}, 1, reg(35, 0xF000, BreakMode::equal), true},
      // LDIR with BC = 0: every pass ends back on 8000h. An address
      // breakpoint does not stop there again; a register one sees each pass.
      {"PC equal: not at each pass of LDIR", {0xED, 0xB0}, 3, reg(34, 0x8000, BreakMode::equal), false},
      {"opcode EDh: not at each pass of LDIR", {0xED, 0xB0}, 3, opcode_ed, false},
      {"BC equal between two passes of LDIR", {0xED, 0xB0}, 2, reg(29, 0xFFFE, BreakMode::equal), true},
  };
  for (const Case& c : cases) {
    SetUp();
    hooks = RecordingHooks{};
    for (std::size_t i = 0; i < c.code.size(); ++i) machine->memory[0x8000 + i] = c.code[i];
    breakpoint = c.bp;
    breakpoint.armed = true;
    unsigned outcome = kPassPlain;
    for (int i = 0; i < c.passes && !(outcome & kPassBreakpointFired); ++i) {
      outcome |= RunPass(loop);
    }
    EXPECT_EQ((outcome & kPassBreakpointFired) != 0, c.fires) << c.what;
    EXPECT_EQ(hooks.debugger_opens, c.fires ? 1 : 0) << c.what;
    EXPECT_EQ(breakpoint.armed, !c.fires) << c.what << ": firing disarms";
  }
}

TEST(BreakpointFiresTest, ChangeModeFiresOnceAndTurnsToEqual) {
  CpuState cpu;
  auto machine = std::make_unique<Machine>();
  Breakpoint bp;
  bp.kind = 30;  // DE
  bp.value = 0x0102;
  bp.mode = BreakMode::change;
  cpu.d = 0x01;
  cpu.e = 0x02;
  EXPECT_FALSE(BreakpointFires(bp, cpu, *machine));
  cpu.e = 0x03;
  EXPECT_TRUE(BreakpointFires(bp, cpu, *machine));
  EXPECT_EQ(bp.mode, BreakMode::equal);
  EXPECT_FALSE(BreakpointFires(bp, cpu, *machine)) << "now equal mode: 0103h is not 0102h";
}

TEST(BreakpointFiresTest, EveryRegisterKindReadsItsRegister) {
  CpuState cpu;
  auto machine = std::make_unique<Machine>();
  cpu.a = 0x11; cpu.f = 0x22; cpu.b = 0x33; cpu.c = 0x44; cpu.d = 0x55; cpu.e = 0x66;
  cpu.h = 0x77; cpu.l = 0x88; cpu.i = 0x99; cpu.r = 0x2A; cpu.r7 = 0x80;
  cpu.ix = 0xABCD; cpu.iy = 0xBCDE; cpu.pc = 0xCDEF; cpu.sp = 0xDEF0;
  const std::uint16_t expected[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99,
                                    0x2A /* r itself, r7 aside */, 0x3344, 0x5566, 0x7788,
                                    0xABCD, 0xBCDE, 0xCDEF, 0xDEF0};
  for (int kind = 19; kind <= 35; ++kind) {
    Breakpoint bp;
    bp.kind = static_cast<std::uint8_t>(kind);
    bp.value = expected[kind - 19];
    EXPECT_TRUE(BreakpointFires(bp, cpu, *machine)) << "kind " << kind;
    bp.value = static_cast<std::uint16_t>(expected[kind - 19] ^ 1);
    EXPECT_FALSE(BreakpointFires(bp, cpu, *machine)) << "kind " << kind;
  }
  Breakpoint unused;
  unused.kind = 12;  // no menu item selects kinds 9-17
  EXPECT_FALSE(BreakpointFires(unused, cpu, *machine));
}

}  // namespace
