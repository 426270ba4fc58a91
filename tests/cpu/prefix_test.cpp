// DDh/FDh prefix rules and index forms, and the write_floor rule for every
// kind of processor store.
#include <gtest/gtest.h>

#include "cpu_rig.h"

namespace {

TEST(IndexPrefixes, InARunOfPrefixesTheLastAppliesAndEachEarlierOneIsAFourTNoOp) {
  struct Row { const char* name; std::vector<std::uint8_t> code; std::uint16_t ix, iy, hl; };
  const Row rows[] = {
      {"DD FD 21: LD IY", {0xDD, 0xFD, 0x21, 0x34, 0x12}, 0, 0x1234, 0},
      {"FD DD 21: LD IX", {0xFD, 0xDD, 0x21, 0x34, 0x12}, 0x1234, 0, 0},
      {"DD DD DD 21: LD IX", {0xDD, 0xDD, 0xDD, 0x21, 0x34, 0x12}, 0x1234, 0, 0},
  };
  for (const Row& row : rows) {
    CpuRig rig;
    rig.Load(row.code);
    const auto prefixes = static_cast<unsigned>(row.code.size() - 4);
    for (unsigned k = 0; k < prefixes; ++k) {
      EXPECT_EQ(rig.StepT(), 4u) << row.name << ": prefix " << k;
      EXPECT_EQ(rig.cpu.pc, CpuRig::kCodeAt + k + 1) << row.name << ": prefix " << k;
    }
    EXPECT_EQ(rig.StepT(), 14u) << row.name;
    EXPECT_EQ(rig.cpu.r, prefixes + 2) << row.name;
    EXPECT_EQ(rig.cpu.ix, row.ix) << row.name;
    EXPECT_EQ(rig.cpu.iy, row.iy) << row.name;
    EXPECT_EQ(Hl(rig.cpu), row.hl) << row.name;
  }
}

TEST(IndexPrefixes, MemoryOperandKeepsPlainHAndL) {
  CpuRig rig;
  rig.Load({0xDD, 0x66, 0x05, 0xDD, 0x75, 0x06});  // LD H,(IX+5); LD (IX+6),L
  rig.cpu.ix = 0x9000;
  rig.cpu.l = 0x77;
  rig.Mem(0x9005) = 0xAB;
  rig.StepT();
  EXPECT_EQ(rig.cpu.h, 0xAB);
  EXPECT_EQ(rig.cpu.ix, 0x9000);
  rig.StepT();
  EXPECT_EQ(rig.Mem(0x9006), 0x77);
}

TEST(IndexPrefixes, IndexHalvesReplaceHAndLInRegisterForms) {
  struct Row { const char* name; std::vector<std::uint8_t> code; std::uint16_t want_ix, want_iy; std::uint8_t want_a; };
  const Row rows[] = {
      {"LD IXh,B changes only the high byte", {0xDD, 0x60}, 0x0234, 0x5678, 0x00},
      {"LD IYl,n", {0xFD, 0x2E, 0x99}, 0x1234, 0x5699, 0x00},
      {"INC IXl", {0xDD, 0x2C}, 0x1235, 0x5678, 0x00},
      {"LD A,IYh", {0xFD, 0x7C}, 0x1234, 0x5678, 0x56},
      {"ADD A,IXl", {0xDD, 0x85}, 0x1234, 0x5678, 0x34},
      {"LD IXh,IXl", {0xDD, 0x65}, 0x3434, 0x5678, 0x00},
  };
  for (const Row& row : rows) {
    CpuRig rig;
    rig.Load(row.code);
    rig.cpu.ix = 0x1234;
    rig.cpu.iy = 0x5678;
    rig.cpu.b = 0x02;
    rig.cpu.h = 0xEE;
    rig.cpu.l = 0xEE;
    rig.StepT();
    EXPECT_EQ(rig.cpu.ix, row.want_ix) << row.name;
    EXPECT_EQ(rig.cpu.iy, row.want_iy) << row.name;
    EXPECT_EQ(rig.cpu.a, row.want_a) << row.name;
    EXPECT_EQ(Hl(rig.cpu), 0xEEEE) << row.name << ": HL must not change";
  }
}

TEST(IndexPrefixes, ExDeHlAndExxIgnoreThePrefix) {
  CpuRig rig;
  rig.Load({0xDD, 0xEB, 0xFD, 0xD9});
  SetPairDe(rig.cpu, 0x1111);
  SetPairHl(rig.cpu, 0x2222);
  rig.cpu.ix = 0x3333;
  rig.StepT();
  EXPECT_EQ(De(rig.cpu), 0x2222);
  EXPECT_EQ(Hl(rig.cpu), 0x1111);
  EXPECT_EQ(rig.cpu.ix, 0x3333);
  rig.cpu.h_alt = 0x44;
  rig.StepT();
  EXPECT_EQ(rig.cpu.h, 0x44);
  EXPECT_EQ(rig.cpu.h_alt, 0x11);
}

TEST(IndexPrefixes, IndexedCbCopiesTheResultIntoTheNamedRegister) {
  CpuRig rig;
  rig.Load({0xDD, 0xCB, 0x02, 0x80, 0xDD, 0xCB, 0x02, 0xC6});  // RES 0,(IX+2),B; SET 0,(IX+2)
  rig.cpu.ix = 0x9000;
  rig.Mem(0x9002) = 0xFF;
  rig.cpu.c = 0x5A;
  EXPECT_EQ(rig.StepT(), 23u);
  EXPECT_EQ(rig.cpu.r, 2) << "DD and CB count in R; the operation byte after d does not";
  EXPECT_EQ(rig.Mem(0x9002), 0xFE);
  EXPECT_EQ(rig.cpu.b, 0xFE);
  rig.cpu.b = 0x00;
  EXPECT_EQ(rig.StepT(), 23u);
  EXPECT_EQ(rig.Mem(0x9002), 0xFF);
  EXPECT_EQ(rig.cpu.b, 0x00);
  EXPECT_EQ(rig.cpu.c, 0x5A);
}

TEST(IndexPrefixes, DisplacementWrapsAroundTheAddressSpace) {
  CpuRig rig;
  rig.Load({0xFD, 0x7E, 0x01});  // LD A,(IY+1)
  rig.cpu.iy = 0xFFFF;
  rig.Mem(0x0000) = 0x5C;
  rig.StepT();
  EXPECT_EQ(rig.cpu.a, 0x5C);
}

struct FloorCase {
  const char* name;
  std::vector<std::uint8_t> code;
  int nn_at;  // offset of an address operand patched to the target, 0 if none
};

// With protection on, each store aimed at 3FFFh is dropped; the same store
// at 4000h lands.
TEST(WriteFloor, EveryKindOfStoreIsDroppedBelowTheFloorOnly) {
  const std::uint16_t targets[] = {0x3FFF, 0x4000};
  const FloorCase cases[] = {
      {"LD (HL),A", {0x77}, 0},
      {"LD (BC),A", {0x02}, 0},
      {"LD (DE),A", {0x12}, 0},
      {"LD (nn),A", {0x32, 0x00, 0x00}, 1},
      {"LD (IX+0),n", {0xDD, 0x36, 0x00, 0xA5}, 0},
      {"LD (IY+0),B", {0xFD, 0x70, 0x00}, 0},
      {"INC (HL)", {0x34}, 0},
      {"DEC (IX+0)", {0xDD, 0x35, 0x00}, 0},
      {"SET 0,(HL)", {0xCB, 0xC6}, 0},
      {"RLC (IX+0)", {0xDD, 0xCB, 0x00, 0x06}, 0},
      {"RES 2,(IY+0),C", {0xFD, 0xCB, 0x00, 0x91}, 0},
      {"RRD", {0xED, 0x67}, 0},
      {"RLD", {0xED, 0x6F}, 0},
      {"LDI", {0xED, 0xA0}, 0},
      {"LDDR", {0xED, 0xB8}, 0},
      {"INI", {0xED, 0xA2}, 0},
      {"INDR", {0xED, 0xBA}, 0},
      {"LD (nn),HL", {0x22, 0x00, 0x00}, 1},
      {"LD (nn),IX", {0xDD, 0x22, 0x00, 0x00}, 2},
      {"LD (nn),BC", {0xED, 0x43, 0x00, 0x00}, 2},
  };
  for (std::uint16_t target : targets) {
    for (const FloorCase& c : cases) {
      CpuRig rig;
      std::vector<std::uint8_t> code = c.code;
      if (c.nn_at != 0) {
        code[c.nn_at] = static_cast<std::uint8_t>(target);
        code[c.nn_at + 1] = static_cast<std::uint8_t>(target >> 8);
      }
      rig.Load(code);
      rig.cpu.a = 0xA5;
      SetPairHl(rig.cpu, target);
      SetPairDe(rig.cpu, target);
      rig.cpu.ix = rig.cpu.iy = target;
      SetPairBc(rig.cpu, 0x01FE);  // block I/O: one pass through port FEh
      if (c.code == std::vector<std::uint8_t>{0x02}) SetPairBc(rig.cpu, target);
      rig.Mem(target) = 0x3C;
      rig.Mem(0x3FFF) = 0x3C;
      if (c.code.size() == 2 && c.code[0] == 0xED && (c.code[1] & 0xE7) == 0xA0) {  // LDI, LDD, LDIR, LDDR copy HL to DE
        SetPairHl(rig.cpu, 0x9000);
        rig.Mem(0x9000) = 0x77;
      }
      rig.StepT();
      if (target < kProtectedFloor) {
        EXPECT_EQ(rig.Mem(target), 0x3C) << c.name << " stored below the floor";
      } else {
        EXPECT_NE(rig.Mem(target), 0x3C) << c.name << " did not store at the floor";
      }
    }
  }
}

TEST(WriteFloor, ExSpHlWithStackInRomStillLoadsHl) {
  CpuRig rig;
  rig.Load({0xE3});
  rig.cpu.sp = 0x1000;
  rig.Mem(0x1000) = 0x34;
  rig.Mem(0x1001) = 0x12;
  SetPairHl(rig.cpu, 0xBEEF);
  rig.StepT();
  EXPECT_EQ(Hl(rig.cpu), 0x1234);
  EXPECT_EQ(rig.Mem(0x1000), 0x34);
  EXPECT_EQ(rig.Mem(0x1001), 0x12);
  EXPECT_EQ(rig.cpu.sp, 0x1000);
}

// The executor's own stack stores, with the stack straddling the floor: the
// high byte lands at 4000h, the low byte aimed at 3FFFh is dropped.
TEST(WriteFloor, ExecutorStackStoresStraddlingTheFloorKeepOnlyTheHighByte) {
  struct Row { const char* name; std::vector<std::uint8_t> code; std::uint16_t sp; std::uint8_t want_high; };
  const Row rows[] = {
      {"PUSH BC", {0xC5}, 0x4001, 0x9A},
      {"PUSH IX", {0xDD, 0xE5}, 0x4001, 0x9A},
      {"PUSH AF", {0xF5}, 0x4001, 0x55},
      {"CALL nn", {0xCD, 0x00, 0x90}, 0x4001, 0x80},
      {"CALL NZ,nn taken", {0xC4, 0x00, 0x90}, 0x4001, 0x80},
      {"RST 08h", {0xCF}, 0x4001, 0x80},
      {"EX (SP),HL", {0xE3}, 0x3FFF, 0x9A},
  };
  for (const Row& row : rows) {
    CpuRig rig;
    rig.Load(row.code);
    rig.cpu.sp = row.sp;
    rig.cpu.a = 0x55;
    SetPairBc(rig.cpu, 0x9ABC);
    SetPairHl(rig.cpu, 0x9ABC);
    rig.cpu.ix = 0x9ABC;
    rig.Mem(0x3FFF) = 0x11;
    rig.Mem(0x4000) = 0x22;
    rig.StepT();
    EXPECT_EQ(rig.cpu.sp, 0x3FFF) << row.name;
    EXPECT_EQ(rig.Mem(0x4000), row.want_high) << row.name << ": high byte at the floor";
    EXPECT_EQ(rig.Mem(0x3FFF), 0x11) << row.name << ": low byte below the floor";
  }
}

TEST(StackPrimitives, PushAtTheBottomOfMemoryWrapsAndObeysTheFloor) {
  struct Row { const char* name; std::uint16_t sp; std::uint16_t floor; std::uint16_t high_at, low_at; bool high_stored, low_stored; };
  const Row rows[] = {
      {"SP 0001h, floor 0", 0x0001, 0x0000, 0x0000, 0xFFFF, true, true},
      {"SP 0001h, floor 4000h", 0x0001, 0x4000, 0x0000, 0xFFFF, false, true},
      {"SP 4001h, floor 4000h", 0x4001, 0x4000, 0x4000, 0x3FFF, true, false},
  };
  for (const Row& row : rows) {
    CpuRig rig;
    rig.machine->write_floor = row.floor;
    rig.cpu.sp = row.sp;
    PushWord(rig.cpu, *rig.machine, 0xABCD);
    EXPECT_EQ(rig.cpu.sp, static_cast<std::uint16_t>(row.sp - 2)) << row.name;
    EXPECT_EQ(rig.Mem(row.high_at), row.high_stored ? 0xAB : 0x00) << row.name << ": high byte";
    EXPECT_EQ(rig.Mem(row.low_at), row.low_stored ? 0xCD : 0x00) << row.name << ": low byte";
  }
}

TEST(StackPrimitives, PopAtTheTopOfMemoryWraps) {
  CpuRig rig;
  rig.cpu.sp = 0xFFFF;
  rig.Mem(0xFFFF) = 0x34;
  rig.Mem(0x0000) = 0x12;
  EXPECT_EQ(PopWord(rig.cpu, *rig.machine), 0x1234);
  EXPECT_EQ(rig.cpu.sp, 0x0001);
}

TEST(StackPrimitives, PushAfPutsAInTheHighByteAndPopAfRestoresF) {
  CpuRig rig;
  rig.Load({0xF5, 0xC1, 0xC5, 0xF1});  // PUSH AF; POP BC; PUSH BC; POP AF
  rig.cpu.a = 0x12;
  rig.cpu.f = 0xD7;
  rig.StepT();
  rig.StepT();
  EXPECT_EQ(Bc(rig.cpu), 0x12D7);
  rig.cpu.a = 0;
  rig.cpu.f = 0;
  rig.StepT();
  rig.StepT();
  EXPECT_EQ(rig.cpu.a, 0x12);
  EXPECT_EQ(rig.cpu.f, 0xD7);
}

TEST(PortInstructions, OutAndInPassTheAddressBytesAndTheDataByte) {
  CpuRig rig;
  rig.Load({0xD3, 0xFE, 0xED, 0x41});  // OUT (FEh),A; OUT (C),B
  rig.cpu.a = 0x07;
  rig.StepT();
  EXPECT_EQ(rig.machine->ula_out, 0x07);
  EXPECT_EQ(rig.cpu.io_data, 0x07);
  SetPairBc(rig.cpu, 0x15FE);
  rig.StepT();
  EXPECT_EQ(rig.machine->ula_out, 0x15);
}

TEST(PortInstructions, OutCZeroSendsTheByteOfThePreviousTransfer) {
  CpuRig rig;
  rig.Load({0xED, 0x71});  // OUT (C) with register index 6
  SetPairBc(rig.cpu, 0x00FE);
  rig.cpu.io_data = 0x05;
  rig.StepT();
  EXPECT_EQ(rig.machine->ula_out, 0x05);
}

TEST(PortInstructions, InAReadsTheRowsSelectedByA) {
  CpuRig rig;
  rig.Load({0xDB, 0xFE});
  rig.machine->key_rows[7] = 0x01;  // SPACE
  rig.cpu.a = 0x7F;                 // row 7 only
  rig.StepT();
  EXPECT_EQ(rig.cpu.a, 0xBE);
}

}  // namespace
