// Z80 snapshots: versions 1 (30-byte header, plain or EDh EDh run-length
// image), 2 and 3 (an extra header and compressed 16 KB pages) for a 48K
// machine are loaded through OpenFile; "Save SNA" writes version 3 for a
// name ending in .z80.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

constexpr std::size_t kZ80HeaderLength = 30;

// Loads the snapshot at path, or returns why not (unreadable, an unknown
// version, a short header, a memory image that ends early or is cut off,
// a damaged page, hardware other than a 48K Spectrum) and changes nothing.
// Version 3's T-state counters are not taken over; the joystick named in
// bits 6-7 of offset 29 is fitted as the Hardware menu fits it (a speech
// unit that cannot sit beside it goes), without its restart.
std::optional<FileProblem> LoadZ80(Machine& machine, CpuState& cpu, const std::string& path);
// The same for a file already in memory (a member of an archive).
std::optional<FileProblem> LoadZ80Bytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes);

// The machine's state as a version 3 file for a plain 48K, pages 8, 4 and 5
// compressed, PC in the extra header, the fitted joystick in offset 29.
std::vector<std::uint8_t> Z80FileBytes(const Machine& machine, const CpuState& cpu);
