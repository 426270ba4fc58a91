// The tape in the deck and the loader trap that plays it to the ROM.
//
// A tape file is read whole and checked when it goes in (InsertTape),
// so neither the trap nor the signal ever meets a damaged file. The image
// and where the tape stands live in Machine.tape_signal (machine/
// tape_signal.h), which the port bus plays into the EAR bit;
// Machine.tape_active is true exactly while a tape is in.
//
// The trap stands in for LD-BYTES (0556h) on a LOAD while "Fast Tape
// Loading" is on, for the standard block the ROM would meet next on the
// playing tape, and does what that routine does with the same block: it
// compares the flag byte with A, stores DE data bytes from IX up, checks the
// XOR checksum, and returns to the caller with carry set for a good block and
// clear for a bad one, having moved the tape past the block either way.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

constexpr std::uint16_t kTapeTrapAddress = 0x0556;  // ROM LD-BYTES entry
constexpr std::uint16_t kTapeTrapReturn = 0x05E2;   // its final RET

// Takes the current tape out; tape_active becomes false.
void EjectTape(Machine& machine);
// Reads and checks the tape at path and, when it is whole, puts it in place
// of the current tape, playing. A TZX image, a CSW or PZX tape or a WAVE
// file (decoded by machine.wave_decoder) is known by its signature, else by
// its extension; anything else is a TAP image. Otherwise returns why and
// leaves the machine and the current tape as they were.
std::optional<FileProblem> InsertTape(Machine& machine, const std::string& path);

// Plays the next block to the ROM's loader as LD-BYTES would and returns
// true; at the end of the tape, on a stopped tape or before a block that is
// not at standard timings does nothing and returns false, so the ROM reads
// the signal (or waits, as with a stopped recorder; BREAK ends the wait).
bool ServeTapeBlock(Machine& machine, CpuState& cpu);

// The per-instruction test: the ROM loader is about to run for a LOAD (carry
// set; VERIFY enters with carry clear and runs the ROM's own routine). Call
// only while machine.tape_active and fast_load. Returns whether a block was
// served.
inline bool TapeTrap(Machine& machine, CpuState& cpu) {
  if (cpu.pc != kTapeTrapAddress || (cpu.f & kFlagC) == 0) return false;
  return ServeTapeBlock(machine, cpu);
}
