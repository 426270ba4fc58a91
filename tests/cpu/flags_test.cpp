// Flag results, including the undocumented bits 5 and 3, for the arithmetic,
// logic, rotate, bit and special-load instructions.
#include <gtest/gtest.h>

#include "cpu_rig.h"

namespace {

struct FlagCase {
  const char* name;
  std::vector<std::uint8_t> code;  // run to its end
  std::uint8_t a, f, b;
  std::uint8_t want_a, want_f;
};

const FlagCase kCases[] = {
    {"DAA after ADD 15h+27h gives 42h", {0xC6, 0x27, 0x27}, 0x15, 0x00, 0, 0x42, 0x14},
    {"DAA on 9Ah wraps to 00h with Z H P/V C", {0x27}, 0x9A, 0x00, 0, 0x00, 0x55},
    {"DAA after SUB 10h-1 gives 09h", {0xD6, 0x01, 0x27}, 0x10, 0x00, 0, 0x09, 0x0E},
    {"DAA with carry in adds 60h", {0x27}, 0x05, kFlagC, 0, 0x65, 0x25},
    {"SCF copies 5 and 3 from A", {0x37}, 0x28, 0xD7, 0, 0x28, 0xED},
    {"CCF moves old carry to H", {0x3F}, 0x00, 0x01, 0, 0x00, 0x10},
    {"CPL", {0x2F}, 0x5A, 0x00, 0, 0xA5, 0x32},
    {"CP 28h takes 5 and 3 from the operand", {0xFE, 0x28}, 0x30, 0x00, 0, 0x30, 0x3A},
    {"SUB 28h takes 5 and 3 from the result", {0xD6, 0x28}, 0x30, 0x00, 0, 0x08, 0x1A},
    {"ADD overflow 7Fh+1", {0xC6, 0x01}, 0x7F, 0x00, 0, 0x80, 0x94},
    {"ADC with carry to zero", {0xCE, 0x00}, 0xFF, kFlagC, 0, 0x00, 0x51},
    {"SBC with borrow from zero", {0xDE, 0x00}, 0x00, kFlagC, 0, 0xFF, 0xBB},
    {"SUB signed overflow 80h-1", {0xD6, 0x01}, 0x80, 0x00, 0, 0x7F, 0x3E},
    {"AND sets H and parity", {0xE6, 0x0F}, 0xF3, 0x00, 0, 0x03, 0x14},
    {"XOR A", {0xAF}, 0x9C, 0xFF, 0, 0x00, 0x44},
    {"OR B", {0xB0}, 0x80, 0x00, 0x01, 0x81, 0x84},
    {"INC A from 7Fh keeps C", {0x3C}, 0x7F, kFlagC, 0, 0x80, 0x95},
    {"DEC A from 80h", {0x3D}, 0x80, 0x00, 0, 0x7F, 0x3E},
    {"DEC B to zero", {0x05}, 0x00, 0x00, 0x01, 0x00, 0x42},
    {"RLCA keeps S Z P/V", {0x07}, 0x81, 0xC4, 0, 0x03, 0xC5},
    {"RRA shifts carry in", {0x1F}, 0x01, kFlagC, 0, 0x80, 0x01},
    {"RLA shifts out bit 7", {0x17}, 0x80, 0x00, 0, 0x00, 0x01},
    {"NEG 80h", {0xED, 0x44}, 0x80, 0x00, 0, 0x80, 0x87},
    {"NEG 01h", {0xED, 0x44}, 0x01, 0x00, 0, 0xFF, 0xBB},
    {"NEG 00h", {0xED, 0x44}, 0x00, 0xFF, 0, 0x00, 0x42},
    // BIT n,r copies flags 5 and 3 from the tested register, as the real
    // part does (the instruction exerciser checks it).
    {"BIT 0,B on 28h", {0xCB, 0x40}, 0x00, 0x00, 0x28, 0x00, 0x7C},
    {"BIT 5,B on 20h keeps C", {0xCB, 0x68}, 0x00, kFlagC, 0x20, 0x00, 0x31},
    {"BIT 7,A on 80h", {0xCB, 0x7F}, 0x80, 0x00, 0, 0x80, 0x90},
    {"BIT 3,B on FFh", {0xCB, 0x58}, 0x00, 0x00, 0xFF, 0x00, 0x38},
    {"BIT 7,B on 7Fh", {0xCB, 0x78}, 0x00, 0x00, 0x7F, 0x00, 0x7C},
    {"SLL B sets bit 0", {0xCB, 0x30}, 0x00, 0x00, 0x80, 0x00, 0x01},
    {"SRA B keeps bit 7", {0xCB, 0x28}, 0x00, 0x00, 0x81, 0x00, 0x85},
    {"RL A through carry", {0xCB, 0x17}, 0x80, kFlagC, 0, 0x01, 0x01},
    {"SRL A to zero", {0xCB, 0x3F}, 0x01, 0x00, 0, 0x00, 0x45},
    {"LD A,I with iff enabled", {0xED, 0x57}, 0xFF, kFlagC, 0, 0x00, 0x45},
    // Reading port FEh with high byte FFh gives BFh (no half-row selected).
    {"IN B,(C) sets S 5 3 parity from the byte", {0xED, 0x40}, 0x00, kFlagC, 0xFF, 0x00, 0xA9},
    {"IN F,(C) changes only the flags", {0xED, 0x70}, 0x00, 0x00, 0xFF, 0x00, 0xA8},
    {"IN A,(n) changes no flags", {0xDB, 0xFE}, 0xFF, 0x13, 0, 0xBF, 0x13},
    {"RRD", {0xED, 0x67}, 0x12, kFlagC, 0, 0x14, 0x05},
    {"RLD", {0xED, 0x6F}, 0x12, 0x00, 0, 0x13, 0x00},
    // Block flags; (HL) = 34h, C = FEh, port FEh with no key held reads BFh.
    {"CPI: 5 and 3 from result minus H", {0xED, 0xA1}, 0x40, kFlagC, 0x01, 0x40, 0x3F},
    {"INI: BFh + FEh + 1 carries, N from bit 7", {0xED, 0xA2}, 0x00, 0x00, 0x01, 0x00, 0x57},
    {"IND: BFh + FEh - 1 carries, odd parity", {0xED, 0xAA}, 0x00, 0x00, 0x01, 0x00, 0x53},
    {"OUTD: 34h + L (FFh) carries, S 5 3 from B", {0xED, 0xAB}, 0x00, 0x00, 0x29, 0x00, 0x3D},
};

TEST(StepFlags, EveryCaseGivesTheExpectedAAndF) {
  for (const FlagCase& c : kCases) {
    CpuRig rig;
    rig.Load(c.code);
    rig.cpu.a = c.a;
    rig.cpu.f = c.f;
    rig.cpu.b = c.b;
    rig.cpu.c = 0xFE;
    rig.cpu.i = 0x00;
    rig.cpu.iff = 1;  // any non-zero value counts as enabled
    SetPairHl(rig.cpu, 0x9000);
    rig.Mem(0x9000) = 0x34;
    rig.RunTo(static_cast<std::uint16_t>(CpuRig::kCodeAt + c.code.size()));
    EXPECT_EQ(rig.cpu.a, c.want_a) << c.name << ": A";
    EXPECT_EQ(rig.cpu.f, c.want_f) << c.name << ": F";
  }
}

TEST(StepFlags, InRCStoresTheByteExceptForIndexSix) {
  CpuRig rig;
  rig.Load({0xED, 0x50, 0xED, 0x70});  // IN D,(C); IN F,(C)
  SetPairBc(rig.cpu, 0xFEFE);            // row 0 only
  rig.machine->key_rows[0] = 0x01;     // CAPS SHIFT held
  rig.cpu.h = 0x11;
  rig.cpu.l = 0x22;
  rig.StepT();
  EXPECT_EQ(rig.cpu.d, 0xBE);
  rig.StepT();
  EXPECT_EQ(rig.cpu.h, 0x11);
  EXPECT_EQ(rig.cpu.l, 0x22);
  EXPECT_EQ(rig.cpu.f, kFlagS | kFlag5 | kFlag3 | kFlagPV);
}

struct WordCase {
  const char* name;
  std::vector<std::uint8_t> code;
  std::uint16_t hl, operand;
  std::uint8_t f;
  std::uint16_t want_hl;
  std::uint8_t want_f;
};

const WordCase kWordCases[] = {
    {"SBC HL,BC to zero", {0xED, 0x42}, 0x0001, 0x0001, 0x00, 0x0000, 0x42},
    {"SBC HL,BC borrow", {0xED, 0x42}, 0x0000, 0x0001, 0x00, 0xFFFF, 0xBB},
    {"SBC HL,BC overflow", {0xED, 0x42}, 0x8000, 0x0001, 0x00, 0x7FFF, 0x3E},
    {"ADC HL,BC into the high byte", {0xED, 0x4A}, 0x00FF, 0x0001, 0x00, 0x0100, 0x00},
    {"ADC HL,BC with carry to zero", {0xED, 0x4A}, 0xFFFF, 0x0000, kFlagC, 0x0000, 0x51},
    {"ADC HL,BC overflow", {0xED, 0x4A}, 0x7FFF, 0x0001, 0x00, 0x8000, 0x94},
    {"ADD HL,BC half carry from bit 11", {0x09}, 0x0FFF, 0x0001, 0xC4, 0x1000, 0xD4},
    {"ADD HL,BC carry and bits 13, 11", {0x09}, 0xF800, 0x2800, 0x00, 0x2000, 0x31},
};

TEST(StepFlags, SixteenBitArithmeticGivesTheExpectedHlAndF) {
  for (const WordCase& c : kWordCases) {
    CpuRig rig;
    rig.Load(c.code);
    SetPairHl(rig.cpu, c.hl);
    SetPairBc(rig.cpu, c.operand);
    rig.cpu.f = c.f;
    rig.StepT();
    EXPECT_EQ(Hl(rig.cpu), c.want_hl) << c.name << ": HL";
    EXPECT_EQ(rig.cpu.f, c.want_f) << c.name << ": F";
  }
}

TEST(StepFlags, ConditionTrueReadsEachFlag) {
  struct Row { int y; std::uint8_t f; bool want; };
  const Row rows[] = {
      {0, 0x00, true}, {0, kFlagZ, false}, {1, kFlagZ, true}, {2, kFlagC, false}, {3, kFlagC, true},
      {4, kFlagPV, false}, {5, kFlagPV, true}, {6, kFlagS, false}, {7, kFlagS, true}, {7, 0x7F, false},
  };
  for (const Row& row : rows) {
    CpuState s;
    s.f = row.f;
    EXPECT_EQ(ConditionTrue(s, row.y), row.want) << "cc " << row.y << " with F " << int{row.f};
  }
}

}  // namespace
