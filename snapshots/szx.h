// SZX (zx-state) snapshots of a 48K Spectrum, read and written through
// libspectrum: loaded by OpenFile, written by "Save SNA" for a name ending
// in .szx.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

// Loads the snapshot at path, with the tape embedded in it, if any, as the
// tape in; or returns why not (unreadable, damaged, another machine named,
// an embedded tape that is damaged) and changes nothing.
std::optional<FileProblem> LoadSzx(Machine& machine, CpuState& cpu, const std::string& path);
// The same for a file already in memory (a member of an archive).
std::optional<FileProblem> LoadSzxBytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes);

// The machine's state as an SZX file; nothing if libspectrum cannot make one.
std::optional<std::vector<std::uint8_t>> SzxFileBytes(const Machine& machine, const CpuState& cpu);
