// The debugger's rules without its window: arming every breakpoint kind and
// what then fires, the register name table, register Load, the value field
// rules, STEP with its running total, entering and leaving, and the forced
// interrupt state.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "computer/computer.h"
#include "debugger/breakpoint.h"
#include "debugger/debugger_commands.h"
#include "machine/machine.h"

namespace {

class DebuggerCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMachine(*machine);
    ResetCpu(cpu);
    cpu.pc = 0x8000;  // RAM is zero: NOPs
  }
  void Put(std::uint16_t address, std::vector<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) machine->memory[address++] = b;
  }
  CpuState cpu;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  Breakpoint breakpoint;
  TraceTexts texts;
};

TEST(RegisterNames, TwoCharactersPerKindFromTheThirtyFourCharacterTable) {
  EXPECT_EQ(kRegisterNameTable.size(), 34u);
  const char* expected[] = {"A ", "F ", "B ", "C ", "D ", "E ", "H ", "L ", "I ",
                            "R ", "BC", "DE", "HL", "IX", "IY", "PC", "SP"};
  for (int kind = 19; kind <= 35; ++kind) {
    EXPECT_EQ(RegisterName(static_cast<std::uint8_t>(kind)), expected[kind - 19]) << "kind " << kind;
    EXPECT_EQ(IsWideRegisterKind(static_cast<std::uint8_t>(kind)), kind >= 29) << "kind " << kind;
  }
  EXPECT_TRUE(RegisterName(18).empty());
  EXPECT_TRUE(RegisterName(36).empty());
  EXPECT_TRUE(RegisterName(255).empty());
}

TEST_F(DebuggerCommandsTest, FlagKindsWatchTheirBitFromTheValueAtArming) {
  // kind, mask; arm with F = 0, then set only the watched bit(s): it fires;
  // setting every other bit does not.
  const std::uint8_t masks[] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0xFF};
  for (std::uint8_t kind = 0; kind <= 8; ++kind) {
    Breakpoint b;
    ArmFlagBreakpoint(b, kind, 0x00);
    EXPECT_TRUE(b.armed);
    EXPECT_EQ(b.mask, masks[kind]) << "kind " << int(kind);
    EXPECT_EQ(b.value, 0);
    cpu.f = static_cast<std::uint8_t>(~masks[kind]);
    EXPECT_FALSE(BreakpointFires(b, cpu, *machine)) << "kind " << int(kind) << " fired on other bits";
    cpu.f = masks[kind];
    EXPECT_TRUE(BreakpointFires(b, cpu, *machine)) << "kind " << int(kind) << " missed its bit";
  }
}

TEST_F(DebuggerCommandsTest, AnyFiresOnBitsThreeAndFiveToo) {
  ArmFlagBreakpoint(breakpoint, kFlagKindAny, 0x41);
  EXPECT_EQ(breakpoint.value, 0x41);
  cpu.f = 0x41;
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine));
  cpu.f = 0x41 | kFlag3;
  EXPECT_TRUE(BreakpointFires(breakpoint, cpu, *machine));
  cpu.f = 0x41 | kFlag5;
  EXPECT_TRUE(BreakpointFires(breakpoint, cpu, *machine));
}

TEST_F(DebuggerCommandsTest, OpcodeBreakOnDdFiresBeforeIxInstructionsOnly) {
  ArmOpcodeBreakpoint(breakpoint, 0xDD);
  EXPECT_EQ(breakpoint.kind, kOpcodeKind);
  // LD BC,DDDDh then LD IX,0: the first instruction's operand bytes are DDh
  // but it is not an IX instruction.
  Put(0x8000, {0x01, 0xDD, 0xDD, 0xDD, 0x21, 0x00, 0x00});
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine)) << "LD BC is not an IX instruction";
  Step(cpu, *machine);
  EXPECT_EQ(cpu.pc, 0x8003);
  EXPECT_TRUE(BreakpointFires(breakpoint, cpu, *machine));
}

TEST_F(DebuggerCommandsTest, ValueAndChangeBreakpoints) {
  ArmValueBreakpoint(breakpoint, 34, 0x8002);  // PC
  EXPECT_EQ(breakpoint.mode, BreakMode::equal);
  Step(cpu, *machine);
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine));
  Step(cpu, *machine);
  EXPECT_TRUE(BreakpointFires(breakpoint, cpu, *machine)) << "PC reached 8002h";

  // "Change" on R records the R now and fires after the very next fetch.
  cpu.r = 0x7F;
  cpu.r7 = 0x80;
  ArmChangeBreakpoint(breakpoint, 28, cpu);
  EXPECT_EQ(breakpoint.value, 0x7F) << "R is the counter itself, without r7";
  EXPECT_EQ(breakpoint.mode, BreakMode::change);
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine));
  Step(cpu, *machine);
  EXPECT_TRUE(BreakpointFires(breakpoint, cpu, *machine));
  EXPECT_EQ(breakpoint.mode, BreakMode::equal) << "firing turns change back to equal";
}

TEST_F(DebuggerCommandsTest, RBreakpointWatchesTheValueTheDebuggerShows) {
  // After a snapshot r7 may be 80h while the counter runs below 80h: the
  // value typed from the R field must still be the one that fires.
  cpu.r = 0x05;
  cpu.r7 = 0x80;
  Put(0x8000, {0x00, 0x00, 0x00});  // NOPs: one fetch each
  cpu.pc = 0x8000;
  ArmValueBreakpoint(breakpoint, 28, 0x07);
  Step(cpu, *machine);
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine)) << "r = 06h";
  Step(cpu, *machine);
  EXPECT_TRUE(BreakpointFires(breakpoint, cpu, *machine)) << "r = 07h, r7 = 80h";
  ArmValueBreakpoint(breakpoint, 28, 0x88);
  Step(cpu, *machine);
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine))
      << "r = 08h: bit 7 of r7 is not part of R here";
}

TEST_F(DebuggerCommandsTest, RearmingReplacesTheWholeBreakpoint) {
  ArmOpcodeBreakpoint(breakpoint, 0xC9);
  ArmFlagBreakpoint(breakpoint, 7, kFlagC);
  EXPECT_EQ(breakpoint.kind, 7);
  cpu.f = kFlagC;
  machine->memory[cpu.pc] = 0xC9;
  EXPECT_FALSE(BreakpointFires(breakpoint, cpu, *machine)) << "the old opcode kind must be gone";
}

TEST_F(DebuggerCommandsTest, LoadStoresEveryRegisterOfTheSeventeen) {
  struct Case { int order; std::uint16_t value; };
  const Case cases[] = {{0, 0x11}, {1, 0x22}, {2, 0x33}, {3, 0x44}, {4, 0x55}, {5, 0x66},
                        {6, 0x77}, {7, 0x88}, {8, 0x99}, {9, 0xAA}, {13, 0x1234},
                        {14, 0x5678}, {15, 0x9ABC}, {16, 0xDEF0}};
  for (const Case& c : cases) LoadRegister(cpu, c.order, c.value);
  EXPECT_EQ(cpu.a, 0x11); EXPECT_EQ(cpu.f, 0x22); EXPECT_EQ(cpu.b, 0x33); EXPECT_EQ(cpu.c, 0x44);
  EXPECT_EQ(cpu.d, 0x55); EXPECT_EQ(cpu.e, 0x66); EXPECT_EQ(cpu.h, 0x77); EXPECT_EQ(cpu.l, 0x88);
  EXPECT_EQ(cpu.i, 0x99); EXPECT_EQ(cpu.r, 0xAA);
  EXPECT_EQ(cpu.ix, 0x1234); EXPECT_EQ(cpu.iy, 0x5678); EXPECT_EQ(cpu.pc, 0x9ABC);
  EXPECT_EQ(cpu.sp, 0xDEF0);
  LoadRegister(cpu, 10, 4660);
  EXPECT_EQ(cpu.b, 0x12);
  EXPECT_EQ(cpu.c, 0x34);
  LoadRegister(cpu, 11, 0xABCD);
  EXPECT_EQ(De(cpu), 0xABCD);
  LoadRegister(cpu, 12, 0x0102);
  EXPECT_EQ(Hl(cpu), 0x0102);
  for (int order = 0; order < kLoadableRegisters; ++order) {
    EXPECT_EQ(IsWideLoadOrder(order), order >= 10) << "order " << order;
  }
  const CpuState before = cpu;
  LoadRegister(cpu, 17, 0xFFFF);
  LoadRegister(cpu, -1, 0xFFFF);
  EXPECT_EQ(cpu.pc, before.pc) << "an order outside 0-16 must change nothing";
  EXPECT_EQ(cpu.a, before.a);
}

TEST_F(DebuggerCommandsTest, LoadingRKeepsR7ForTheNextLdAR) {
  cpu.r7 = 0x80;
  LoadRegister(cpu, 9, 0x10);
  EXPECT_EQ(cpu.r, 0x10);
  EXPECT_EQ(cpu.r7, 0x80);
  Put(0x8000, {0xED, 0x5F});  // LD A,R: two fetches, then (r AND 7Fh) OR r7
  Step(cpu, *machine);
  EXPECT_EQ(cpu.a, 0x92);
}

TEST(ValueFieldRules, OutOfRangeEmptiesAndKeepsTheLastAcceptedNumber) {
  ValueField narrow{255, 0};
  EXPECT_EQ(narrow.Edit("3"), std::nullopt);
  EXPECT_EQ(narrow.Edit("30"), std::nullopt);
  EXPECT_EQ(narrow.value, 30);
  EXPECT_EQ(narrow.Edit("300"), std::string{});
  EXPECT_EQ(narrow.value, 30);
  EXPECT_EQ(narrow.Edit("256"), std::string{});
  EXPECT_EQ(narrow.Edit("255"), std::nullopt);
  EXPECT_EQ(narrow.value, 255);
  EXPECT_EQ(narrow.Edit(""), std::nullopt);
  EXPECT_EQ(narrow.value, 255);
  EXPECT_EQ(narrow.Edit("99999999999999999999"), std::string{}) << "long input must not overflow";
  EXPECT_EQ(narrow.Edit("1x"), std::string{});
  ValueField wide{65535, 0};
  EXPECT_EQ(wide.Edit("65535"), std::nullopt);
  EXPECT_EQ(wide.value, 65535);
  EXPECT_EQ(wide.Edit("65536"), std::string{});
  EXPECT_EQ(wide.value, 65535);
}

TEST(RunningTotal, WrapsAtFffffNotAtOneMegabyte) {
  EXPECT_EQ(AddToRunningTotal(0, 4), 4);
  EXPECT_EQ(AddToRunningTotal(1048571, 4), 0);
  EXPECT_EQ(AddToRunningTotal(1048574, 4), 3);
  EXPECT_EQ(AddToRunningTotal(1048574, 65535), 65534);
  EXPECT_EQ(AddToRunningTotal(-1, 1), 0) << "a damaged total is brought into range";
}

TEST_F(DebuggerCommandsTest, StepRunsWholeLdirAndAddsToTheTotal) {
  Put(0x8000, {0xED, 0xB0});  // LDIR
  cpu.b = 0; cpu.c = 3;
  cpu.h = 0x90; cpu.l = 0x00;
  cpu.d = 0xA0; cpu.e = 0x00;
  machine->debugger_total = 100;
  const std::string line = DebuggerStep(cpu, *machine, false, texts);
  EXPECT_EQ(line, "32768 8000  ED B0         LDIR");
  EXPECT_EQ(cpu.pc, 0x8002);
  EXPECT_EQ(Bc(cpu), 0);
  EXPECT_EQ(cpu.tstates, 58u) << "two repeating passes of 21 T-states and the last of 16 in one STEP";
  EXPECT_EQ(machine->debugger_total, 158);
}

TEST_F(DebuggerCommandsTest, StepNeverTakesAnInterruptOrEndsAFrame) {
  cpu.iff = 4;
  cpu.im = 1;
  machine->debugger_total = 1048572;
  machine->frame_tstates = 2 * kFrameTStates - 2;  // past a frame end: the loop would end one
  DebuggerStep(cpu, *machine, true, texts);
  EXPECT_EQ(cpu.pc, 0x8001) << "a NOP and nothing else";
  EXPECT_EQ(machine->debugger_total, 1) << "1048572 + 4 wraps at 1048575";
  DebuggerStep(cpu, *machine, true, texts);
  EXPECT_EQ(machine->frame_tstates, kFrameTStates + 2)
      << "the frames STEP ran past are dropped whole, the place in the frame kept";
}

TEST_F(DebuggerCommandsTest, EnteringDisarmsAndClearsTheTotalWhileTheFrameGoesOn) {
  breakpoint.armed = true;
  cpu.tstates = 77;
  machine->frame_tstates = 5000;
  machine->debugger_total = 300;
  EnterDebugger(cpu, *machine, breakpoint);
  EXPECT_FALSE(breakpoint.armed);
  EXPECT_EQ(cpu.tstates, 0);
  EXPECT_EQ(machine->debugger_total, 0);
  EXPECT_EQ(machine->frame_tstates, 5077) << "the instruction before the debugger still counts in the frame";
  DebuggerStep(cpu, *machine, false, texts);
  breakpoint.armed = true;
  LeaveDebugger(cpu, *machine);
  EXPECT_EQ(cpu.tstates, 0);
  EXPECT_EQ(machine->frame_tstates, 5081) << "STEP's NOP moves the machine on in its frame, leaving does not";
  EXPECT_TRUE(breakpoint.armed) << "leaving keeps a breakpoint armed in the debugger";
}

TEST_F(DebuggerCommandsTest, ForcedEnableWaitsForOneInstruction) {
  ForceInterruptsEnabled(cpu);
  EXPECT_EQ(cpu.iff, kInterruptsEnabled);
  cpu.im = 1;
  AcceptInterrupt(cpu, *machine);
  EXPECT_EQ(cpu.pc, 0x8000) << "no interrupt before one more instruction";
  Step(cpu, *machine);
  AcceptInterrupt(cpu, *machine);
  EXPECT_EQ(cpu.pc, 0x0038);
  ForceInterruptsDisabled(cpu);
  EXPECT_EQ(cpu.iff, 0);
  ForceInterruptMode(cpu, 2);
  EXPECT_EQ(cpu.im, 2);
}

}  // namespace
