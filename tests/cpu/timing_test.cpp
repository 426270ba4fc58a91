// T-states, R increments and instruction lengths, one row per instruction
// form, including the index forms and the prefix oddities.
#include <gtest/gtest.h>

#include <string>

#include "cpu_rig.h"

namespace {

constexpr int kAnyPc = -1;

struct TimingCase {
  const char* name;
  std::vector<std::uint8_t> code;
  std::uint8_t f;      // flags before the step (conditions)
  std::uint8_t b;      // B before the step (DJNZ, block I/O)
  unsigned tstates;
  int r_delta;
  int length;          // pc advance, or kAnyPc for jumps
};

constexpr std::uint8_t kZ = kFlagZ, kNone = 0;

const TimingCase kCases[] = {
    {"NOP", {0x00}, kNone, 1, 4, 1, 1},
    {"LD A,(HL)", {0x7E}, kNone, 1, 7, 1, 1},
    {"LD (HL),B", {0x70}, kNone, 1, 7, 1, 1},
    {"LD B,B", {0x40}, kNone, 1, 4, 1, 1},
    {"LD HL,(nn)", {0x2A, 0x00, 0x90}, kNone, 1, 16, 1, 3},
    {"LD IX,(nn)", {0xDD, 0x2A, 0x00, 0x90}, kNone, 1, 20, 2, 4},
    {"LD (nn),IY", {0xFD, 0x22, 0x00, 0x90}, kNone, 1, 20, 2, 4},
    {"LD A,(nn)", {0x3A, 0x00, 0x90}, kNone, 1, 13, 1, 3},
    {"LD BC,nn", {0x01, 0x34, 0x12}, kNone, 1, 10, 1, 3},
    {"LD IX,nn", {0xDD, 0x21, 0x34, 0x12}, kNone, 1, 14, 2, 4},
    {"ADD HL,BC", {0x09}, kNone, 1, 11, 1, 1},
    {"ADD IX,BC", {0xDD, 0x09}, kNone, 1, 15, 2, 2},
    {"INC BC", {0x03}, kNone, 1, 6, 1, 1},
    {"INC IX", {0xDD, 0x23}, kNone, 1, 10, 2, 2},
    {"DEC IY", {0xFD, 0x2B}, kNone, 1, 10, 2, 2},
    {"ADD IY,SP", {0xFD, 0x39}, kNone, 1, 15, 2, 2},
    // A prefix the instruction ignores still takes its 4 T.
    {"LD BC,nn behind DD", {0xDD, 0x01, 0x34, 0x12}, kNone, 1, 14, 2, 4},
    {"LD SP,nn behind FD", {0xFD, 0x31, 0x34, 0x12}, kNone, 1, 14, 2, 4},
    {"INC BC behind DD", {0xDD, 0x03}, kNone, 1, 10, 2, 2},
    {"DEC SP behind FD", {0xFD, 0x3B}, kNone, 1, 10, 2, 2},
    {"POP DE behind FD", {0xFD, 0xD1}, kNone, 1, 14, 2, 2},
    {"LD A,(nn) behind DD", {0xDD, 0x3A, 0x00, 0x90}, kNone, 1, 17, 2, 4},
    {"INC (HL)", {0x34}, kNone, 1, 11, 1, 1},
    {"INC (IX+d)", {0xDD, 0x34, 0x05}, kNone, 1, 23, 2, 3},
    // The IXh, IXl, IYh and IYl forms: their H and L forms plus 4 T.
    {"DEC IXh", {0xDD, 0x25}, kNone, 1, 8, 2, 2},
    {"INC IYl", {0xFD, 0x2C}, kNone, 1, 8, 2, 2},
    {"LD IXh,n", {0xDD, 0x26, 0x12}, kNone, 1, 11, 2, 3},
    {"LD A,IXl", {0xDD, 0x7D}, kNone, 1, 8, 2, 2},
    {"LD IYh,B", {0xFD, 0x60}, kNone, 1, 8, 2, 2},
    {"ADD A,IYh", {0xFD, 0x84}, kNone, 1, 8, 2, 2},
    {"CP IXl", {0xDD, 0xBD}, kNone, 1, 8, 2, 2},
    {"LD (HL),n", {0x36, 0x12}, kNone, 1, 10, 1, 2},
    {"LD (IX+d),n", {0xDD, 0x36, 0x05, 0x12}, kNone, 1, 19, 2, 4},
    {"LD A,(IX+d)", {0xDD, 0x7E, 0x05}, kNone, 1, 19, 2, 3},
    {"ADD A,(IY+d)", {0xFD, 0x86, 0x05}, kNone, 1, 19, 2, 3},
    {"ADD A,(HL)", {0x86}, kNone, 1, 7, 1, 1},
    {"ADD A,n", {0xC6, 0x01}, kNone, 1, 7, 1, 2},
    {"DJNZ taken", {0x10, 0x10}, kNone, 2, 13, 1, kAnyPc},
    {"DJNZ falls through", {0x10, 0x10}, kNone, 1, 8, 1, 2},
    {"JR", {0x18, 0x10}, kNone, 1, 12, 1, 0x12},
    {"JR NZ taken", {0x20, 0x10}, kNone, 1, 12, 1, 0x12},
    {"JR NZ not taken", {0x20, 0x10}, kZ, 1, 7, 1, 2},
    {"JP NZ not taken", {0xC2, 0x00, 0x90}, kZ, 1, 10, 1, 3},
    {"CALL NZ not taken", {0xC4, 0x00, 0x90}, kZ, 1, 10, 1, 3},
    {"CALL NZ taken", {0xC4, 0x00, 0x90}, kNone, 1, 17, 1, kAnyPc},
    {"CALL nn", {0xCD, 0x00, 0x90}, kNone, 1, 17, 1, kAnyPc},
    {"RET", {0xC9}, kNone, 1, 10, 1, kAnyPc},
    {"RET Z taken", {0xC8}, kZ, 1, 11, 1, kAnyPc},
    {"RET Z not taken", {0xC8}, kNone, 1, 5, 1, 1},
    {"RST 38h", {0xFF}, kNone, 1, 11, 1, kAnyPc},
    {"PUSH BC", {0xC5}, kNone, 1, 11, 1, 1},
    {"PUSH IX", {0xDD, 0xE5}, kNone, 1, 15, 2, 2},
    {"PUSH BC behind DD", {0xDD, 0xC5}, kNone, 1, 15, 2, 2},
    {"POP IY", {0xFD, 0xE1}, kNone, 1, 14, 2, 2},
    {"EX (SP),HL", {0xE3}, kNone, 1, 19, 1, 1},
    {"EX (SP),IX", {0xDD, 0xE3}, kNone, 1, 23, 2, 2},
    {"JP (HL)", {0xE9}, kNone, 1, 4, 1, kAnyPc},
    {"JP (IX)", {0xDD, 0xE9}, kNone, 1, 8, 2, kAnyPc},
    {"LD SP,HL", {0xF9}, kNone, 1, 6, 1, 1},
    {"LD SP,IY", {0xFD, 0xF9}, kNone, 1, 10, 2, 2},
    {"OUT (n),A", {0xD3, 0xFE}, kNone, 1, 11, 1, 2},
    {"IN A,(n)", {0xDB, 0xFE}, kNone, 1, 11, 1, 2},
    {"EXX", {0xD9}, kNone, 1, 4, 1, 1},
    {"DI", {0xF3}, kNone, 1, 4, 1, 1},
    {"HALT stays on its opcode", {0x76}, kNone, 1, 4, 1, 0},
    {"DD 00: the ignored prefix takes 4 T", {0xDD, 0x00}, kNone, 1, 8, 2, 2},
    {"DD before DD is a no-op of its own", {0xDD, 0xDD}, kNone, 1, 4, 1, 1},
    {"FD before FD is a no-op of its own", {0xFD, 0xFD}, kNone, 1, 4, 1, 1},
    {"FD before DD is a no-op of its own", {0xFD, 0xDD}, kNone, 1, 4, 1, 1},
    {"DD before FD is a no-op of its own", {0xDD, 0xFD, 0x00}, kNone, 1, 4, 1, 1},
    {"RLC B", {0xCB, 0x00}, kNone, 1, 8, 2, 2},
    {"RLC (HL)", {0xCB, 0x06}, kNone, 1, 15, 2, 2},
    {"BIT 0,B", {0xCB, 0x40}, kNone, 1, 8, 2, 2},
    {"BIT 0,(HL)", {0xCB, 0x46}, kNone, 1, 12, 2, 2},
    {"SET 0,(HL)", {0xCB, 0xC6}, kNone, 1, 15, 2, 2},
    // DDCB and FDCB: two fetches in R; the operation byte is read as data.
    {"BIT 0,(IX+d)", {0xDD, 0xCB, 0x02, 0x46}, kNone, 1, 20, 2, 4},
    {"BIT 0,(IY+d) z=0", {0xFD, 0xCB, 0x02, 0x40}, kNone, 1, 20, 2, 4},
    {"RLC (IX+d)", {0xDD, 0xCB, 0x02, 0x06}, kNone, 1, 23, 2, 4},
    {"RES 0,(IX+d),B", {0xDD, 0xCB, 0x02, 0x80}, kNone, 1, 23, 2, 4},
    {"SBC HL,BC", {0xED, 0x42}, kNone, 1, 15, 2, 2},
    {"ADC HL,SP", {0xED, 0x7A}, kNone, 1, 15, 2, 2},
    {"LD (nn),BC", {0xED, 0x43, 0x00, 0x90}, kNone, 1, 20, 2, 4},
    {"LD SP,(nn)", {0xED, 0x7B, 0x00, 0x90}, kNone, 1, 20, 2, 4},
    {"NEG", {0xED, 0x44}, kNone, 1, 8, 2, 2},
    {"NEG mirror ED 7C", {0xED, 0x7C}, kNone, 1, 8, 2, 2},
    {"RETN", {0xED, 0x45}, kNone, 1, 14, 2, kAnyPc},
    {"IM 1", {0xED, 0x56}, kNone, 1, 8, 2, 2},
    {"LD I,A", {0xED, 0x47}, kNone, 1, 9, 2, 2},
    {"LD A,R", {0xED, 0x5F}, kNone, 1, 9, 2, 2},
    {"RRD", {0xED, 0x67}, kNone, 1, 18, 2, 2},
    // Undefined ED codes take the time of two NOPs.
    {"ED 77 no operation", {0xED, 0x77}, kNone, 1, 8, 2, 2},
    {"ED 7F no operation", {0xED, 0x7F}, kNone, 1, 8, 2, 2},
    {"IN B,(C)", {0xED, 0x40}, kNone, 1, 12, 2, 2},
    {"OUT (C),A", {0xED, 0x79}, kNone, 1, 12, 2, 2},
    {"LDI", {0xED, 0xA0}, kNone, 1, 16, 2, 2},
    {"CPD", {0xED, 0xA9}, kNone, 1, 16, 2, 2},
    {"INI", {0xED, 0xA2}, kNone, 1, 16, 2, 2},
    {"OUTD", {0xED, 0xAB}, kNone, 1, 16, 2, 2},
    {"ED 00 undefined", {0xED, 0x00}, kNone, 1, 8, 2, 2},
    {"ED FF undefined", {0xED, 0xFF}, kNone, 1, 8, 2, 2},
    {"ED 80 undefined", {0xED, 0x80}, kNone, 1, 8, 2, 2},
    {"ED A4 undefined", {0xED, 0xA4}, kNone, 1, 8, 2, 2},
    {"DD ED 44: prefix ignored", {0xDD, 0xED, 0x44}, kNone, 1, 12, 3, 3},
    // Repeating block instructions, one pass a step (BC = B 1 C FEh here).
    {"LDIR repeating pass", {0xED, 0xB0}, kNone, 1, 21, 2, 0},
    {"OTIR last pass", {0xED, 0xB3}, kNone, 1, 16, 2, 2},
    {"INIR repeating pass", {0xED, 0xB2}, kNone, 2, 21, 2, 0},
};

TEST(StepTiming, EveryFormAddsItsTStatesRefreshCountAndLength) {
  for (const TimingCase& c : kCases) {
    CpuRig rig;
    rig.Load(c.code);
    rig.cpu.f = c.f;
    rig.cpu.b = c.b;
    rig.cpu.c = 0xFE;
    SetPairHl(rig.cpu, 0x9000);
    rig.cpu.ix = rig.cpu.iy = 0x9000;
    rig.cpu.r = 0x10;
    rig.cpu.tstates = 100;
    unsigned t = rig.StepT();
    EXPECT_EQ(t, c.tstates) << c.name << ": T-states";
    EXPECT_EQ(rig.cpu.r, 0x10 + c.r_delta) << c.name << ": R";
    if (c.length != kAnyPc) {
      EXPECT_EQ(rig.cpu.pc, CpuRig::kCodeAt + c.length) << c.name << ": length";
    }
  }
}

TEST(StepTiming, TStateCounterDoesNotWrapAtSixteenBits) {
  CpuRig rig;
  rig.Load({0x00});
  rig.cpu.tstates = 0xFFFE;
  rig.StepT();
  EXPECT_EQ(rig.cpu.tstates, 0x10002u);
}

TEST(StepTiming, HaltKeepsRepeatingAtFourTStatesAndOneRefreshEach) {
  CpuRig rig;
  rig.Load({0x76});
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(rig.StepT(), 4u) << "pass " << i;
    EXPECT_EQ(rig.cpu.pc, CpuRig::kCodeAt) << "pass " << i;
    EXPECT_EQ(rig.cpu.r, i) << "pass " << i;
    EXPECT_TRUE(rig.cpu.halted);
  }
}

TEST(StepTiming, RefreshCounterCarriesIntoBitSevenButLdARTakesBitSevenFromR7) {
  CpuRig rig;
  rig.Load({0xED, 0x5F});  // LD A,R
  rig.cpu.r = 0x7E;
  rig.cpu.r7 = 0x00;
  rig.StepT();
  EXPECT_EQ(rig.cpu.r, 0x80);
  EXPECT_EQ(rig.cpu.a, 0x00);
  EXPECT_TRUE(rig.cpu.f & kFlagZ);
}

TEST(StepTiming, LdRAThenLdARSeesItsOwnTwoFetches) {
  CpuRig rig;
  rig.Load({0xED, 0x4F, 0xED, 0x5F});  // LD R,A; LD A,R
  rig.cpu.a = 0x85;
  rig.StepT();
  EXPECT_EQ(rig.cpu.r, 0x85);
  EXPECT_EQ(rig.cpu.r7, 0x80);
  rig.StepT();
  EXPECT_EQ(rig.cpu.a, 0x87);
}

}  // namespace
