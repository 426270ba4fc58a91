// The TAP tape: inserting and taking out the image (Machine.tape_file and
// tape_active always change together) and the loader trap that the emulation
// loop runs after every instruction while a tape is in.
#pragma once
#include <cstdint>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"

constexpr std::uint16_t kTapeTrapAddress = 0x0556;  // ROM LD-BYTES entry
constexpr std::uint16_t kTapeTrapReturn = 0x05E2;   // its exit with carry as result

// Closes the tape image if one is in; tape_active becomes false.
void EjectTape(Machine& machine);
// Takes out the current tape and opens path as the new one; false (and no
// tape) when it cannot be opened.
bool InsertTape(Machine& machine, const std::string& path);

// Feeds one tape block to the ROM's loader: length and flag skipped, DE bytes
// stored from IX up (obeying write_floor), checksum skipped, PC = 05E2h.
void ServeTapeBlock(Machine& machine, CpuState& cpu);

// The per-instruction test: the ROM loader is about to run for a LOAD (carry
// set; VERIFY enters with carry clear and runs the ROM's own routine). Call
// only while machine.tape_active. Returns whether a block was served.
inline bool TapeTrap(Machine& machine, CpuState& cpu) {
  if (cpu.pc != kTapeTrapAddress || (cpu.f & kFlagC) == 0) return false;
  ServeTapeBlock(machine, cpu);
  return true;
}
