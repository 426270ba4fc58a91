// Z80 snapshots of the first format version (30-byte header, plain or
// EDh EDh run-length image). Reached through OpenFile.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

constexpr std::size_t kZ80HeaderLength = 30;

// Loads the snapshot at path, or returns why not (unreadable, a later
// format version, a short header, a memory image that ends early or is cut
// off inside a run) and changes nothing.
std::optional<FileProblem> LoadZ80(Machine& machine, CpuState& cpu, const std::string& path);
