// Frame interrupt acceptance, the EI delay, HALT wake-up and the hard reset.
#include <gtest/gtest.h>

#include "cpu_rig.h"

namespace {

TEST(AcceptInterrupt, ModeOnePushesPcJumpsTo38hAndDisablesInterrupts) {
  for (std::uint8_t mode : {0, 1}) {
    CpuRig rig;
    rig.cpu.iff = 4;
    rig.cpu.im = mode;
    rig.cpu.pc = 0x8000;
    rig.cpu.sp = 0xC000;
    rig.cpu.r = 0x33;
    rig.cpu.memptr = 0x4444;
    rig.cpu.tstates = 123;
    AcceptInterrupt(rig.cpu, *rig.machine);
    EXPECT_EQ(rig.cpu.pc, 0x0038) << "IM " << int{mode};
    EXPECT_EQ(rig.cpu.sp, 0xBFFE) << "IM " << int{mode};
    EXPECT_EQ(rig.Mem(0xBFFE), 0x00) << "IM " << int{mode};
    EXPECT_EQ(rig.Mem(0xBFFF), 0x80) << "IM " << int{mode};
    EXPECT_EQ(rig.cpu.iff, 0) << "IM " << int{mode};
    EXPECT_EQ(rig.cpu.tstates, 123u + 13) << "IM " << int{mode} << ": acknowledge 7 T, two pushes of 3 T";
    EXPECT_EQ(rig.cpu.r, 0x34) << "IM " << int{mode} << ": the acknowledge is an M1 cycle";
    EXPECT_EQ(rig.cpu.memptr, 0x4444) << "IM " << int{mode};
  }
}

TEST(AcceptInterrupt, ModeTwoReadsTheVectorAtIFFhWrappingAtTheTop) {
  struct Row { std::uint8_t i; std::uint16_t low_at, high_at; };
  const Row rows[] = {{0x3B, 0x3BFF, 0x3C00}, {0xFF, 0xFFFF, 0x0000}};
  for (const Row& row : rows) {
    CpuRig rig;
    rig.cpu.iff = 4;
    rig.cpu.im = 2;
    rig.cpu.i = row.i;
    rig.Mem(row.low_at) = 0x34;
    rig.Mem(row.high_at) = 0x92;
    AcceptInterrupt(rig.cpu, *rig.machine);
    EXPECT_EQ(rig.cpu.pc, 0x9234) << "I = " << int{row.i};
  }
}

TEST(AcceptInterrupt, RefusedWhenDisabledOrRightAfterEi) {
  CpuRig disabled;
  disabled.cpu.iff = 0;
  AcceptInterrupt(disabled.cpu, *disabled.machine);
  EXPECT_EQ(disabled.cpu.pc, 0x8000);
  EXPECT_EQ(disabled.cpu.sp, 0xF000);

  CpuRig rig;
  rig.Load({0xFB, 0x00});  // EI; NOP
  rig.cpu.im = 1;
  rig.StepT();
  AcceptInterrupt(rig.cpu, *rig.machine);
  EXPECT_EQ(rig.cpu.pc, 0x8001) << "taken right after EI";
  EXPECT_EQ(rig.cpu.iff, 4);
  rig.StepT();
  AcceptInterrupt(rig.cpu, *rig.machine);
  EXPECT_EQ(rig.cpu.pc, 0x0038) << "refused one instruction after EI";
}

TEST(AcceptInterrupt, AnyNonZeroIffCountsAsEnabled) {
  CpuRig rig;
  rig.cpu.iff = 1;
  rig.cpu.im = 1;
  AcceptInterrupt(rig.cpu, *rig.machine);
  EXPECT_EQ(rig.cpu.pc, 0x0038);
}

TEST(AcceptInterrupt, WakesHaltAndReturnsPastIt) {
  CpuRig rig;
  rig.Load({0x76}, 0x7000);
  rig.cpu.pc = 0x7000;
  rig.cpu.iff = 4;
  rig.cpu.im = 1;
  rig.StepT();
  rig.StepT();
  ASSERT_TRUE(rig.cpu.halted);
  AcceptInterrupt(rig.cpu, *rig.machine);
  EXPECT_FALSE(rig.cpu.halted);
  EXPECT_EQ(rig.cpu.pc, 0x0038);
  EXPECT_EQ(PopWord(rig.cpu, *rig.machine), 0x7001);
}

TEST(AcceptInterrupt, PushIntoRomIsDroppedButSpStillMoves) {
  CpuRig rig;
  rig.cpu.iff = 4;
  rig.cpu.sp = 0x0002;
  rig.Mem(0x0000) = 0xF3;
  rig.Mem(0x0001) = 0xAF;
  AcceptInterrupt(rig.cpu, *rig.machine);
  EXPECT_EQ(rig.cpu.sp, 0x0000);
  EXPECT_EQ(rig.Mem(0x0000), 0xF3);
  EXPECT_EQ(rig.Mem(0x0001), 0xAF);
}

TEST(AcceptInterrupt, RetiRetnAndTheirMirrorsLeaveTheInterruptStateAsItWas) {
  for (std::uint8_t op : {0x45, 0x4D, 0x55, 0x5D, 0x65, 0x6D, 0x75, 0x7D}) {
    for (std::uint8_t iff : {0, 4}) {
      CpuRig rig;
      rig.Load({0xED, op});
      rig.cpu.sp = 0xC000;
      rig.Mem(0xC000) = 0x34;
      rig.Mem(0xC001) = 0x12;
      rig.cpu.iff = iff;
      EXPECT_EQ(rig.StepT(), 14) << "ED " << std::hex << int{op};
      EXPECT_EQ(rig.cpu.pc, 0x1234) << "ED " << std::hex << int{op};
      EXPECT_EQ(rig.cpu.iff, iff) << "ED " << std::hex << int{op} << " with iff " << int{iff};
    }
  }
}

TEST(InterruptModes, ImCodesSetTheirModeAndTheUndecodedOnesLeaveIt) {
  struct Row { std::uint8_t op; std::uint8_t want; };
  const Row rows[] = {{0x46, 0}, {0x66, 0}, {0x56, 1}, {0x76, 1}, {0x5E, 2}, {0x7E, 2}, {0x4E, 2}, {0x6E, 2}};
  for (const Row& row : rows) {
    CpuRig rig;
    rig.Load({0xED, row.op});
    rig.cpu.im = 2;
    rig.StepT();
    EXPECT_EQ(rig.cpu.im, row.want) << "ED " << std::hex << int{row.op};
  }
}

TEST(ResetCpu, ClearsRegistersButNotMemoryEiDelayOrIoData) {
  CpuRig rig;
  rig.cpu.a = rig.cpu.f = rig.cpu.h_alt = 0x55;
  rig.cpu.ix = rig.cpu.iy = 0x1234;
  rig.cpu.pc = 0x9999;
  rig.cpu.sp = 0x1111;
  rig.cpu.i = rig.cpu.r = 0x77;
  rig.cpu.r7 = 0x80;
  rig.cpu.iff = 4;
  rig.cpu.im = 2;
  rig.cpu.halted = true;
  rig.cpu.memptr = 0x3333;
  rig.cpu.tstates = 400;
  rig.cpu.ei_delay = true;
  rig.cpu.io_data = 0x42;
  rig.machine->frame_tstates = 1000;
  rig.Mem(0x9000) = 0xAA;
  ResetCpu(rig.cpu);
  EXPECT_EQ(rig.cpu.a, 0);
  EXPECT_EQ(rig.cpu.f, 0);
  EXPECT_EQ(rig.cpu.h_alt, 0);
  EXPECT_EQ(rig.cpu.ix, 0);
  EXPECT_EQ(rig.cpu.iy, 0);
  EXPECT_EQ(rig.cpu.pc, 0);
  EXPECT_EQ(rig.cpu.sp, 0xF000);
  EXPECT_EQ(rig.cpu.i, 0);
  EXPECT_EQ(rig.cpu.r, 0);
  EXPECT_EQ(rig.cpu.r7, 0);
  EXPECT_EQ(rig.cpu.iff, 0);
  EXPECT_EQ(rig.cpu.im, 0);
  EXPECT_FALSE(rig.cpu.halted);
  EXPECT_EQ(rig.cpu.memptr, 0);
  EXPECT_EQ(rig.cpu.tstates, 0);
  EXPECT_TRUE(rig.cpu.ei_delay);
  EXPECT_EQ(rig.cpu.io_data, 0x42);
  EXPECT_EQ(rig.machine->frame_tstates, 1000);
  EXPECT_EQ(rig.Mem(0x9000), 0xAA);
}

}  // namespace
