// The two resets that only move the program counter.
#include <gtest/gtest.h>

#include "computer/computer.h"

namespace {

TEST(ResetCommands, SoftResetAndForceBreakMoveOnlyPcAndIm) {
  CpuState before;
  before.a = 1; before.b = 2; before.h = 3; before.ix = 0x1234; before.sp = 0x8000;
  before.iff = 4; before.im = 2; before.pc = 0x9000; before.i = 0x3F;

  CpuState soft = before;
  SoftReset(soft);
  EXPECT_EQ(soft.pc, 0x11B7);
  EXPECT_EQ(soft.im, 2);
  EXPECT_EQ(soft.sp, 0x8000);
  EXPECT_EQ(soft.iff, 4);
  EXPECT_EQ(soft.ix, 0x1234);

  CpuState brk = before;
  ForceBreak(brk);
  EXPECT_EQ(brk.pc, 0x12A2);
  EXPECT_EQ(brk.im, 1);
  EXPECT_EQ(brk.sp, 0x8000);
  EXPECT_EQ(brk.iff, 4);
  EXPECT_EQ(brk.a, 1);
  EXPECT_EQ(brk.i, 0x3F);
}

}  // namespace
