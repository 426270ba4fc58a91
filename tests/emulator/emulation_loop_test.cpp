// The emulation loop without a window: frame ends, the interrupt's window,
// the beam's border, events before the interrupt, trace flushing, the tape trap and the breakpoint kinds, run on a real
// Machine and the real core with a settable clock and recording hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "debugger/trace_file.h"
#include "computer/computer.h"
#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/port_bus.h"
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

// NOPs (4 T) and undefined ED codes (8 T), moved into the frame after every
// step: every frame is exactly 69,888 T-states, what the last step ran past
// its end opening the next one.
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
        EXPECT_LT(machine->frame_tstates, row.tstates) << row.name << ": the frame ends at the step that reaches it";
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
  EXPECT_EQ(cpu.pc, 0x8001) << "both frames' 32 T-states of INT passed inside the step: no interrupt";
  EXPECT_EQ(cpu.sp, 0xF000);
  EXPECT_EQ(RunPass(loop) & kPassFrameEnded, 0u);
}

// INT is low for the frame's first 32 T-states and sampled at every
// instruction end; each step's T-states join the frame at once, so the
// window's edges are exact. IM 1, SP F000h, code at 8000h.
TEST_F(LoopTest, InterruptIsTakenAtTheFirstInstructionEndInsideTheFirst32TStates) {
  struct Row {
    const char* name;
    std::int32_t frame_tstates;  // before the first pass
    std::vector<std::uint8_t> code;
    bool enabled;
    int passes;
    bool taken;
    std::uint16_t pushed;  // return address when taken
  };
  const Row rows[] = {
      {"NOP ending at T 31", 27, {0x00}, true, 1, true, 0x8001},
      {"NOP ending at T 32", 28, {0x00, 0x00, 0x00}, true, 3, false, 0},
      {"NOP ending 2 T past the frame end", kFrameTStates - 2, {0x00}, true, 1, true, 0x8001},
      {"LD A,(nn) ending at T 31", 18, {0x3A, 0x00, 0x90}, true, 1, true, 0x8003},
      {"refused right after EI, taken after the next", 0, {0xFB, 0x00}, false, 2, true, 0x8002},
      {"EI whose next instruction ends at T 32", 24, {0xFB, 0x00, 0x00}, false, 3, false, 0},
      {"disabled through the window, enabled after it", 0, {0, 0, 0, 0, 0, 0, 0, 0xFB, 0, 0}, false, 10, false, 0},
      {"HALT ends at the frame end", kFrameTStates - 8, {0x76}, true, 2, true, 0x8001},
      {"HALT with interrupts off stays", kFrameTStates - 8, {0x76}, false, 4, false, 0},
  };
  for (const Row& row : rows) {
    SetUp();
    cpu.im = 1;
    cpu.iff = row.enabled ? 4 : 0;
    std::copy(row.code.begin(), row.code.end(), machine->memory.begin() + 0x8000);
    machine->frame_tstates = row.frame_tstates;
    for (int pass = 0; pass < row.passes && cpu.pc != 0x0038; ++pass) {
      RunPass(loop);
      EXPECT_EQ(cpu.tstates, 0u) << row.name << ": the step's T-states join the frame at once";
    }
    EXPECT_EQ(cpu.pc == 0x0038, row.taken) << row.name;
    if (row.taken) {
      EXPECT_EQ(machine->memory[0xEFFE] | machine->memory[0xEFFF] << 8, row.pushed) << row.name;
      EXPECT_FALSE(cpu.halted) << row.name;
    } else {
      EXPECT_EQ(cpu.sp, 0xF000) << row.name << ": nothing pushed";
    }
  }
}

// A program that times the frame by its interrupts: an IM 2 handler at
// 9000h adds up where in a slide of NOPs (A000h on) each of 8 interrupts
// struck, every frame from the last acceptance taking the handler's fixed
// T-states plus 4 per NOP. Eight frames long, the sum is 8 x 69,888 give or
// take the 0-3 T-states each acceptance waits for its NOP to end, so
// (sum + 4) / 8 is the frame's length to the T-state. It stores it at
// 8C00h (3 bytes).
TEST_F(LoopTest, AProgramTimingTheInterruptsMeasuresAFrameOf69888TStates) {
  // The handler runs 90 T-states from its entry to the slide; the
  // acceptance adds its own (19 on the Z80), counted as this core does.
  CpuState probe;
  probe.im = 2;
  probe.iff = 4;
  probe.sp = 0xF000;
  const std::int32_t before = machine->frame_tstates;
  AcceptInterrupt(probe, *machine);
  const int handler = 90 + static_cast<int>(probe.tstates) + (machine->frame_tstates - before);
  SetUp();
  const std::vector<std::uint8_t> start{
      0xF3, 0x31, 0x00, 0x8E,  // DI; LD SP,8E00h
      0x3E, 0x8E, 0xED, 0x47,  // LD A,8Eh; LD I,A: vector at 8EFFh
      0xED, 0x5E,              // IM 2
      0xDD, 0x21, 0xEC, 0x1F,  // LD IX,1FECh  } the sum starts at -E014h,
      0x06, 0x09,              // LD B,9        } the first entry's (from the
      0x0E, 0xFF,              // LD C,FFh      } HALT at 8013h) share
      0xFB, 0x76};             // EI; HALT
  const std::vector<std::uint8_t> handler_code{
      0xE1, 0x11, 0x00, 0x60, 0x19,  // POP HL; LD DE,6000h; ADD HL,DE: HL = NOPs run
      0xEB, 0xDD, 0x19,              // EX DE,HL; ADD IX,DE
      0x79, 0xCE, 0x00, 0x4F,        // LD A,C; ADC A,0; LD C,A: C:IX is the sum
      0x05, 0x28, 0x04,              // DEC B; JR Z,done
      0xFB, 0xC3, 0x00, 0xA0,        // EI; JP A000h
      0xDD, 0xE5, 0xE1,              // done: PUSH IX; POP HL
      0x11, 0x01, 0x00, 0x19,        // LD DE,1; ADD HL,DE
      0x79, 0xCE, 0x00,              // LD A,C; ADC A,0
      0xCB, 0x3F, 0xCB, 0x1C, 0xCB, 0x1D,  // SRL A; RR H; RR L: A:HL = (sum + 1) / 2
      0x11, static_cast<std::uint8_t>(handler), static_cast<std::uint8_t>(handler >> 8),  // LD DE,handler
      0x19, 0xCE, 0x00,              // ADD HL,DE; ADC A,0
      0x22, 0x00, 0x8C, 0x32, 0x02, 0x8C,  // LD (8C00h),HL; LD (8C02h),A
      0xF3, 0x76};                   // DI; HALT
  std::copy(start.begin(), start.end(), machine->memory.begin() + 0x8000);
  std::copy(handler_code.begin(), handler_code.end(), machine->memory.begin() + 0x9000);
  machine->memory[0x8EFF] = 0x00;
  machine->memory[0x8F00] = 0x90;
  machine->memory[0xF000] = 0x18;  // JR $ past the NOPs of RAM at A000h-EFFFh
  machine->memory[0xF001] = 0xFE;
  for (int frame = 0; frame < 12; ++frame) RunUntilFrameEnd(loop);
  ASSERT_TRUE(cpu.halted && cpu.iff == 0) << "the program did not finish; PC " << cpu.pc;
  const int measured = machine->memory[0x8C00] | machine->memory[0x8C01] << 8 | machine->memory[0x8C02] << 16;
  EXPECT_EQ(measured, 69888);
}

TEST_F(LoopTest, FrameEndHandlesEventsThenSamplesKeyboardAndTakesTheInterrupt) {
  hooks.cpu = &cpu;
  machine->host_keys = HostKeyBit(HostKey::Q);
  cpu.iff = 1;
  cpu.im = 1;
  machine->frame_tstates = kFrameTStates - 4;
  RunPass(loop);
  EXPECT_EQ(hooks.event_turns, 1);
  EXPECT_EQ(hooks.pc_at_events, 0x8001) << "events must come before the interrupt's acceptance";
  EXPECT_EQ(machine->key_rows[2], 0x01) << "Q is row 2 bit 0";
  EXPECT_EQ(cpu.pc, 0x0038) << "IM 1 interrupt accepted at frame end";
}

// The loop wires its renderer to the machine: border writes through the
// port bus draw the picture up to their T-state, and the frame end
// finishes it and starts the next one from its top.
TEST_F(LoopTest, BorderWritesDrawTheFrameAsTheBeamGoes) {
  machine->ula_out = 1;  // blue for the first half of the frame
  const std::uint32_t blue = renderer->palette.pixel[1];
  const std::uint32_t red = renderer->palette.pixel[2];
  renderer->frame_picture.fill(0);
  constexpr std::int32_t kHalf = kFrameTStates / 2;
  bool changed = false, ended = false;
  while (!ended) {
    ended = (RunPass(loop) & kPassFrameEnded) != 0;
    if (!changed && machine->frame_tstates >= kHalf) {
      PortWrite(*machine, 0xFE, 0x00, 0x02, machine->frame_tstates);
      changed = true;
    }
  }
  EXPECT_EQ(renderer->frame_picture[0], blue) << "top border in the colour of the frame's start";
  EXPECT_EQ(renderer->frame_picture[239 * kFrameWidth + 319], red) << "bottom border in the colour set half way";
  EXPECT_EQ(renderer->beam_row, 0) << "the next frame's picture starts at its top";
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
                 Case{true, kLoadReturn, 0x11, "LOAD is served from the tape"}}) {
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
