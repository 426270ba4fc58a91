// The tape in the deck and the loader trap that plays it to the ROM.
//
// A TAP image is read whole and checked when it goes in (InsertTape), so the
// trap never meets a damaged file: Tape holds its blocks, each the bytes the
// ROM's LD-BYTES reads from it in order (flag byte, data, checksum; the TAP
// file's 16-bit lengths are the blocks' sizes), and the block under the
// head. Machine.tape_file holds the inserted tape; Machine.tape_active arms
// the trap and is true exactly while a tape is in.
//
// The trap stands in for LD-BYTES (0556h) on a LOAD and does what that
// routine does with the same block: it compares the flag byte with A, stores
// DE data bytes from IX up, checks the XOR checksum, and returns to the
// caller with carry set for a good block and clear for a bad one, having
// moved the tape past the block either way.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

struct TapeBlock {
  std::vector<std::uint8_t> bytes;  // flag, data, checksum as recorded
};

struct Tape {
  std::vector<TapeBlock> blocks;  // in the order they pass the head
  std::size_t next_block = 0;     // blocks.size() once the tape has run out
};

constexpr std::uint16_t kTapeTrapAddress = 0x0556;  // ROM LD-BYTES entry
constexpr std::uint16_t kTapeTrapReturn = 0x05E2;   // its final RET

// The blocks of a TAP image, or nothing when its block lengths do not chain
// exactly to its end (an empty image included) or a block is too short to
// hold a flag and a checksum.
std::optional<Tape> ParseTap(const std::vector<std::uint8_t>& image);

// Takes the current tape out; tape_active becomes false.
void EjectTape(Machine& machine);
// Reads and checks the TAP image at path and, when it is one, puts it in
// place of the current tape. Otherwise returns why and leaves the machine
// and the current tape as they were.
std::optional<FileProblem> InsertTape(Machine& machine, const std::string& path);

// Plays the next block to the ROM's loader as LD-BYTES would and returns
// true; at the end of the tape does nothing and returns false, so the ROM
// waits for a signal as with a stopped recorder and BREAK ends the wait.
bool ServeTapeBlock(Machine& machine, CpuState& cpu);

// The per-instruction test: the ROM loader is about to run for a LOAD (carry
// set; VERIFY enters with carry clear and runs the ROM's own routine). Call
// only while machine.tape_active. Returns whether a block was served.
inline bool TapeTrap(Machine& machine, CpuState& cpu) {
  if (cpu.pc != kTapeTrapAddress || (cpu.f & kFlagC) == 0) return false;
  return ServeTapeBlock(machine, cpu);
}
