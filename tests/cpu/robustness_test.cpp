// No byte sequence escapes Step: random memory and random register states
// always come back after one bounded instruction, never touch the protected
// ROM area, and keep r7 and im within their ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "cpu_rig.h"

namespace {

// The longest single step: INC (IX+d), EX (SP),IX and the DDCB forms. A
// repeating block instruction is one pass (21 T) a step. Each step starts
// at the frame's top, where the ULA holds nothing up.
constexpr unsigned kLongestStepTStates = 23u;

TEST(Robustness, RandomMemoryAndStatesNeverEscapeOneStep) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  CpuRig rig;
  Machine& m = *rig.machine;
  for (int round = 0; round < 40; ++round) {
    for (auto& cell : m.memory) cell = static_cast<std::uint8_t>(byte(rng));
    std::array<std::uint8_t, 0x4000> rom;
    std::copy(m.memory.begin(), m.memory.begin() + 0x4000, rom.begin());
    for (int i = 0; i < 8; ++i) m.key_rows[i] = static_cast<std::uint8_t>(byte(rng));
    CpuState& s = rig.cpu;
    s.a = static_cast<std::uint8_t>(byte(rng));
    s.f = static_cast<std::uint8_t>(byte(rng));
    SetPairBc(s, static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng)));
    SetPairDe(s, static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng)));
    SetPairHl(s, static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng)));
    s.ix = static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng));
    s.iy = static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng));
    s.sp = static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng));
    s.pc = static_cast<std::uint16_t>(byte(rng) << 8 | byte(rng));
    s.i = static_cast<std::uint8_t>(byte(rng));
    s.im = static_cast<std::uint8_t>(byte(rng) % 3);
    s.iff = static_cast<std::uint8_t>(byte(rng) & 4);
    s.halted = false;
    for (int i = 0; i < 5000; ++i) {
      std::uint16_t pc_before = s.pc;
      s.tstates = 0;
      const std::uint32_t t_before = s.tstates;
      Step(s, m);
      const std::uint32_t spent = s.tstates - t_before;
      ASSERT_LE(spent, kLongestStepTStates) << "round " << round << " at " << pc_before;
      ASSERT_GE(spent, 4u) << "round " << round << " at " << pc_before << ": every step takes time";
      ASSERT_TRUE(s.r7 == 0x00 || s.r7 == 0x80) << "round " << round << " at " << pc_before;
      ASSERT_LE(s.im, 2) << "round " << round << " at " << pc_before;
      if (i % 700 == 0) AcceptInterrupt(s, m);
    }
    ASSERT_TRUE(std::equal(rom.begin(), rom.end(), m.memory.begin()))
        << "round " << round << ": a processor store reached the protected area";
  }
}

// Every opcode of every group, with every prefix, from a fixed state: each
// one returns and counts exactly its opcode fetches in R.
TEST(Robustness, EveryOpcodeUnderEveryPrefixReturnsAndCountsItsFetches) {
  struct Prefix { std::vector<std::uint8_t> bytes; int fetches; };
  const Prefix prefixes[] = {{{}, 0},           {{0xCB}, 1}, {{0xED}, 1}, {{0xDD}, 1}, {{0xFD}, 1},
                             {{0xDD, 0xCB, 0x01}, 1}, {{0xFD, 0xCB, 0xFF}, 1}};
  for (const Prefix& prefix : prefixes) {
    for (int op = 0; op < 256; ++op) {
      CpuRig rig;
      std::vector<std::uint8_t> code = prefix.bytes;
      code.push_back(static_cast<std::uint8_t>(op));
      code.insert(code.end(), {0x01, 0x02, 0x03});
      rig.Load(code);
      SetPairBc(rig.cpu, 0x0003);
      SetPairHl(rig.cpu, 0x9000);
      SetPairDe(rig.cpu, 0xA000);
      rig.StepT();
      int want = prefix.fetches + 1;
      const bool bare = prefix.bytes.empty();
      const bool index_only = prefix.bytes.size() == 1 && (prefix.bytes[0] == 0xDD || prefix.bytes[0] == 0xFD);
      // A second opcode byte follows CB, ED, DD and FD as the first byte.
      if (bare && (op == 0xCB || op == 0xED || op == 0xDD || op == 0xFD)) ++want;
      // DD ED op: both prefixes and op count; DD CB d op counts DD and CB only.
      if (index_only && op == 0xED) ++want;
      // A prefix followed by another is a step of its own: one fetch.
      if (index_only && (op == 0xDD || op == 0xFD)) want = 1;
      if (prefix.bytes.size() == 1 && prefix.bytes[0] == 0xED && op == 0x4F) want = rig.cpu.a;  // LD R,A
      EXPECT_EQ(rig.cpu.r, want) << "prefix length " << prefix.bytes.size() << " op " << op;
    }
  }
}

}  // namespace
