// The 48K's contention as the processor meets it: instructions started at
// chosen frame T-states with their code, data, stack, IR or port in reach
// of the ULA's screen fetch take the T-states that the published M-cycle
// breakdowns and the 6,5,4,3,2,1,0,0 pattern (from T 14,335) give, worked
// out by hand in each row's comment. Interrupt acceptance and the HALT's
// idle fetches are held up the same way.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cpu/cpu_rig.h"

namespace {

constexpr std::int32_t kFirst = 14335;  // the first contended T-state: a delay of 6

struct Row {
  const char* what;
  std::uint16_t code_at;
  std::vector<std::uint8_t> code;
  std::int32_t start;  // frame T-state of the first cycle
  int steps;           // Step calls; 0: one AcceptInterrupt instead
  unsigned want;       // T-states from start to the end
  std::uint16_t hl = 0x8100, de = 0x8200, bc = 0x0002, sp = 0xF000, ix = 0x8000;
  std::uint8_t i = 0x3F, a = 0x00, im = 1;
};

TEST(Contention, InstructionsInReachOfTheScreenFetchTakeTheBreakdownsTime) {
  const Row rows[] = {
      {"NOP in uncontended RAM", 0x8000, {0x00}, kFirst, 1, 4},
      // M1 at 14,335 waits 6: 14,341 + 4.
      {"NOP in contended RAM", 0x6000, {0x00}, kFirst, 1, 10},
      // pc:4 to 14,339; hl:3 waits 2 (14,339 is the group's fifth T).
      {"LD A,(HL) reading 4000h", 0x8000, {0x7E}, kFirst, 1, 9, 0x4000},
      // pc:4 to 14,339; ir:1 waits 2 to 14,341 + 1; ir:1 at 14,342 waits 0.
      {"INC BC with I = 40h", 0x8000, {0x03}, kFirst, 1, 8, 0x8100, 0x8200, 0x0002, 0xF000, 0x8000, 0x40},
      // pc:4 waits 6 to 14,345; pc+1:3 waits 4 to 14,352; pc+1:1 x 5 wait
      // 5, 0, 6, 0, 6: 14,374.
      {"JR in contended RAM", 0x6000, {0x18, 0x10}, kFirst, 1, 39},
      // pc:4, pc+1:4 to 14,343; hl:3 to 14,346; de:3 waits 3; de:1 x 2
      // wait 5, 0; de:1 x 5 wait 6, 0, 6, 0, 6: 47.
      {"LDIR pass writing 4000h", 0x8000, {0xED, 0xB0}, kFirst, 1, 47, 0x8100, 0x4000},
      // pc:4 to 14,339; sp:3 waits 2; sp+1:3 waits 5; sp+1:1 waits 5;
      // sp+1:3 waits 0; sp:3 waits 4; sp:1 x 2 wait 5, 0: 40.
      {"EX (SP),HL with SP = 4000h", 0x8000, {0xE3}, kFirst, 1, 40, 0x8100, 0x8200, 0x0002, 0x4000},
      // pc:4 waits 6; pc+1:4 waits 4; pc+2:3 waits 4; pc+3:3 waits 5;
      // pc+3:1 x 2 wait 5, 0; the write to 8001h: 43.
      {"LD (IX+1),n in contended RAM", 0x6000, {0xDD, 0x36, 0x01, 0x55}, kFirst, 1, 43},
      // The port cycle starts at 14,343, the first T of a group (6).
      // N:1 C:3: the C:3 at 14,344 waits 5.
      {"OUT to 80FEh: N:1 C:3", 0x8000, {0xD3, 0xFE}, kFirst + 1, 1, 16, 0x8100, 0x8200, 0x0002, 0xF000, 0x8000, 0x3F,
       0x80},
      {"IN from 80FFh: N:4", 0x8000, {0xDB, 0xFF}, kFirst + 1, 1, 11, 0x8100, 0x8200, 0x0002, 0xF000, 0x8000, 0x3F,
       0x80},
      // C:1 waits 6 to 14,350; C:3 at 14,350 waits 0.
      {"OUT to 40FEh: C:1 C:3", 0x8000, {0xD3, 0xFE}, kFirst + 1, 1, 17, 0x8100, 0x8200, 0x0002, 0xF000, 0x8000, 0x3F,
       0x40},
      // C:1 x 4 wait 6, 0, 6, 0.
      {"IN from 40FFh: C:1 C:1 C:1 C:1", 0x8000, {0xDB, 0xFF}, kFirst + 1, 1, 23, 0x8100, 0x8200, 0x0002, 0xF000,
       0x8000, 0x3F, 0x40},
      // The HALT's own fetch at 3FFFh is not held up; the idle M1 at 4000h
      // after it waits 2 at 14,339.
      {"HALT at 3FFFh then one idle cycle", 0x3FFF, {0x76}, kFirst, 2, 10},
      // Fetched at 7FFFh the HALT waits 6; the idle M1 at 8000h does not.
      {"HALT at 7FFFh then one idle cycle", 0x7FFF, {0x76}, kFirst, 2, 14},
      // Acknowledge 7 T to 14,342; pushes to 7FFFh (waits 0) and 7FFEh
      // (waits 4): 17.
      {"IM 1 pushing to 7FFFh", 0x8000, {0x00}, kFirst, 0, 17, 0x8100, 0x8200, 0x0002, 0x8000},
      // As IM 1 to 14,352, then the vector at 40FFh and 4100h wait 5 each.
      {"IM 2 with its vector at 40FFh", 0x8000, {0x00}, kFirst, 0, 33, 0x8100, 0x8200, 0x0002, 0x8000, 0x8000, 0x40,
       0x00, 2},
      {"IM 1 outside the screen fetch", 0x8000, {0x00}, 0, 0, 13, 0x8100, 0x8200, 0x0002, 0x8000},
      {"IM 2 outside the screen fetch", 0x8000, {0x00}, 0, 0, 19, 0x8100, 0x8200, 0x0002, 0x8000, 0x8000, 0x40, 0x00,
       2},
  };
  for (const Row& row : rows) {
    CpuRig rig;
    rig.Load(row.code, row.code_at);
    CpuState& s = rig.cpu;
    s.pc = row.code_at;
    SetPairHl(s, row.hl);
    SetPairDe(s, row.de);
    SetPairBc(s, row.bc);
    s.sp = row.sp;
    s.ix = row.ix;
    s.i = row.i;
    s.a = row.a;
    s.im = row.im;
    s.iff = 4;
    rig.machine->frame_tstates = row.start;
    s.tstates = 0;
    if (row.steps == 0) {
      AcceptInterrupt(s, *rig.machine);
    } else {
      for (int n = 0; n < row.steps; ++n) Step(s, *rig.machine);
    }
    EXPECT_EQ(s.tstates, row.want) << row.what << ", started at T " << row.start;
  }
}

}  // namespace
