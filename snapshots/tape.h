// The tape in the deck, the loader trap that plays it to the ROM, and the
// SAVE trap that records what the ROM saves.
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
// XOR checksum, and leaves with carry set for a good block and clear for a bad
// one through the ROM's own ending SA/LD-RET (053Fh): interrupts enabled, the
// border restored from BORDCR and BREAK tested, as after a real load. The
// tape then stands at the start of the block's pause.
//
// The SAVE trap stands in for SA-BYTES (04C2h) while "Fast Tape Loading" is
// on and appends the block to Machine.tape_recording (machine/
// tape_recorder.h), which snapshots/tape_writer.h writes out.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

constexpr std::uint16_t kTapeTrapAddress = 0x0556;  // ROM LD-BYTES entry
constexpr std::uint16_t kSaveTrapAddress = 0x04C2;  // ROM SA-BYTES entry
constexpr std::uint16_t kLoadReturn = 0x053F;       // SA/LD-RET, where both return

// Takes the current tape out; tape_active becomes false.
void EjectTape(Machine& machine);
// Reads and checks the tape at path and, when it is whole, puts it in place
// of the current tape, playing. A TZX image, a CSW or PZX tape or a WAVE
// file (decoded by machine.wave_decoder) is known by its signature, else by
// its extension; anything else is a TAP image. Otherwise returns why and
// leaves the machine and the current tape as they were.
std::optional<FileProblem> InsertTape(Machine& machine, const std::string& path);
// The same for a tape already in memory (a member of an archive, a
// snapshot's embedded tape), known by its signature or by the extension of
// name.
std::optional<FileProblem> InsertTapeBytes(Machine& machine, std::string_view name, std::vector<std::uint8_t> bytes);

// Plays the next block to the ROM's loader as LD-BYTES would and returns
// true; at the end of the tape, on a stopped tape or before a block that is
// not at standard timings does nothing and returns false, so the ROM reads
// the signal (or waits, as with a stopped recorder; BREAK ends the wait).
bool ServeTapeBlock(Machine& machine, CpuState& cpu);

// Stands in for SA-BYTES (04C2h): the block it would save (flag A, DE bytes
// from IX, their XOR checksum) goes on the tape being recorded at once, and
// the caller goes on as after SA-BYTES and SA/LD-RET (border restored,
// interrupts enabled, the registers SA-BYTES leaves).
bool RecordSavedBlock(Machine& machine, CpuState& cpu);

// The per-instruction test, while "Fast Tape Loading" is on: the ROM's
// loader is about to run for a LOAD with a tape in (carry set; VERIFY enters
// with carry clear and runs the ROM's own routine), or its saver is. Returns
// whether a trap ran.
inline bool TapeTrap(Machine& machine, CpuState& cpu) {
  // A trap changes memory and registers without a port read, which an input
  // recording could neither keep nor play back: the ROM's routines run.
  if (machine.input_log.mode != InputLogMode::off) return false;
  if (cpu.pc == kTapeTrapAddress) {
    return machine.tape_active && (cpu.f & kFlagC) != 0 && ServeTapeBlock(machine, cpu);
  }
  return cpu.pc == kSaveTrapAddress && RecordSavedBlock(machine, cpu);
}
