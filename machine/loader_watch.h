// Loader detection: tells a program timing the tape's edges from one that
// only reads the keyboard. Every tape loader, the ROM's LD-EDGE-1 and the
// custom ones alike, waits for an edge in a tight loop: the same IN
// instruction reads port FEh every few dozen T-states while one register
// counts the loop's turns (the ROM's INC B), so the edge's distance comes
// out as a count. The ROM's key scan changes two registers per read (B
// rotates, L counts), INKEY$ and a game's "press any key" loop change none,
// and a beeper tune reads no port at all; none of them looks like this.
//
// Fed with the instruction's address and registers at each even-port read,
// so it belongs where both the processor and the ports are seen: the
// Spectrum's bus (computer/computer_bus.h) calls it. It looks at nothing
// else and costs nothing between port reads.
#pragma once
#include <cstdint>

// Reads 1,000 T-states apart still belong to one loop: the ROM's edge loop
// reads every 58 T-states, and at most about 600 apart where LD-EDGE-2 calls
// it again or LD-8-BITS starts the next bit.
constexpr std::uint64_t kEdgeLoopGap = 1000;
// Counting reads in a row from one instruction before it counts as a
// loader: more than the eight half-rows of a key scan, fewer than the
// ROM's loader makes during one bit of 0.
constexpr std::uint32_t kEdgeLoopReads = 12;

struct LoaderWatch {
  std::uint64_t read_at = 0;
  std::uint64_t registers = 0;  // B C D E H L at the last read, a byte each
  std::uint16_t pc = 0;
  std::uint32_t streak = 0;  // counting reads in a row, up to kEdgeLoopReads
};

inline std::uint64_t CountingRegisters(std::uint8_t b, std::uint8_t c, std::uint8_t d, std::uint8_t e,
                                       std::uint8_t h, std::uint8_t l) {
  return std::uint64_t{b} << 40 | std::uint64_t{c} << 32 | std::uint64_t{d} << 24 |
         std::uint64_t{e} << 16 | std::uint64_t{h} << 8 | l;
}

// An even-port read at T-state `now` by the instruction that leaves the
// program counter at `pc`: whether a loader is timing edges. `registers()`
// gives B C D E H L packed by CountingRegisters; it is asked only until the
// loop is known, so a loader running on costs two comparisons a read. A
// read that changes nothing or resets the count (the next edge or bit)
// keeps the streak; another instruction, or a pause longer than
// kEdgeLoopGap, ends it.
template <class Registers>
inline bool WatchEarRead(LoaderWatch& watch, std::uint16_t pc, std::uint64_t now, Registers registers) {
  const bool same_loop = pc == watch.pc && now - watch.read_at <= kEdgeLoopGap;
  watch.read_at = now;
  if (same_loop && watch.streak >= kEdgeLoopReads) return true;
  const std::uint64_t counters = registers();
  if (!same_loop) {
    watch.streak = 0;
  } else {
    // Exactly one register changed, and by one either way.
    const std::uint64_t changed = counters ^ watch.registers;
    int shift = 0;
    while (shift < 48 && ((changed >> shift) & 0xFF) == 0) shift += 8;
    if (shift < 48 && (changed >> shift >> 8) == 0) {
      const unsigned step = ((counters >> shift) - (watch.registers >> shift)) & 0xFF;
      if (step == 1 || step == 0xFF) ++watch.streak;
    }
  }
  watch.pc = pc;
  watch.registers = counters;
  return watch.streak >= kEdgeLoopReads;
}
